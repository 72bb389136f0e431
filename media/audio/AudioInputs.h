#pragma once

class AudioController;
class PAThread;

// The program's two audio inputs as the run thread meets them: `install`
// fills the run thread's audio hooks and adds the audio recording to its
// recorded sources. The controllers are made by the run thread's settings
// step and live as its children.
namespace AudioInputs {
constexpr int inputCount = 2;

void install();
// Null until the run thread has prepared the inputs.
AudioController* controller(int input);
PAThread* captureThread(int input);
} // namespace AudioInputs

#pragma once

// What the media layer plugs into the layers below it at start-up: the
// camera for the RUN screen's camera widget, the knock player for the
// ANALYZE list and the engine-noise wizard for its settings button. Called
// by main once the camera thread exists.
namespace MediaTools {
void install();
} // namespace MediaTools

#pragma once
// Second-order band-pass with 0 dB peak gain, in single precision: the knock
// channel runs it on every 48 kHz audio sample.

class BiQuad
{
public:
    void setFrequencyAndQ(float fs, float f0, float Q);
    void reset();
    float addData(float x);

private:
    float m_y = 0.0f;
    float m_y1 = 0.0f;
    float m_y2 = 0.0f;
    float m_x1 = 0.0f;
    float m_x2 = 0.0f;
    // A new filter outputs 0 until it is given a frequency.
    float m_b0 = 0.0f;
    float m_b1 = 0.0f; // zero for the band-pass, hence no x1 term in the step
    float m_b2 = 0.0f;
    float m_a0 = 1.0f;
    float m_a1 = 0.0f;
    float m_a2 = 0.0f;
};

#include "BiQuad.h"

#include <cmath>

void BiQuad::setFrequencyAndQ(float fs, float f0, float Q)
{
    const float w0 = static_cast<float>(2.0 * M_PI * static_cast<double>(f0) / static_cast<double>(fs));
    const float sine = std::sin(w0);
    const float cosine = std::cos(w0);
    const float alpha = sine / (2.0f * Q);
    m_b0 = alpha;
    m_b2 = -alpha;
    m_a0 = 1.0f + alpha;
    m_a1 = -2.0f * cosine;
    m_a2 = 1.0f - alpha;
    reset();
}

void BiQuad::reset()
{
    m_y = m_y1 = m_y2 = m_x1 = m_x2 = 0.0f;
}

float BiQuad::addData(float x)
{
    const float y = (m_b0 * x + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2) / m_a0;
    m_x2 = m_x1;
    m_x1 = x;
    m_y2 = m_y1;
    m_y1 = y;
    m_y = y;
    return y;
}

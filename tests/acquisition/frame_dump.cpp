// Prints random register frames as the link builds them, for check_frames.py:
// "kind<TAB>register<TAB>value<TAB>frame hex<TAB>controller's frame hex", where
// kind is be (32-bit value), float (value printed as %.9g) or raw (stream bytes).
#include "SimulatedDynoController.h"
#include "SpiDynoFrame.h"

#include <QRandomGenerator>

#include <cstdio>
#include <cstring>

namespace {
void printHex(const unsigned char* bytes)
{
    for (int i = 0; i < 6; ++i)
        std::printf("%02x", bytes[i]);
}
} // namespace

int main()
{
    QRandomGenerator random(4102);
    for (int i = 0; i < 3000; ++i) {
        const auto reg = static_cast<uint8_t>(random.bounded(1, 256));
        const uint32_t value = random.generate();
        SpiDynoFrame frame;
        switch (i % 3) {
        case 0:
            frame = SpiDynoFrame::make(DynoRegister(reg), value);
            std::printf("be\t%u\t%u\t", reg, value);
            break;
        case 1: {
            float f = float(random.generateDouble() * 2e6 - 1e6);
            frame = SpiDynoFrame::makeFloat(DynoRegister(reg), f);
            std::printf("float\t%u\t%.9g\t", reg, double(f));
            break;
        }
        default:
            frame = SpiDynoFrame::makeRaw(DynoRegister(reg), value);
            std::printf("raw\t%u\t%u\t", reg, value);
            break;
        }
        unsigned char bytes[6];
        std::memcpy(bytes, &frame, 6);
        printHex(bytes);
        std::printf("\t");
        unsigned char controller[6];
        SimulatedDynoController::encodeFrame(reg, frame.wireValue(), controller);
        printHex(controller);
        std::printf("\n");
    }
    return 0;
}

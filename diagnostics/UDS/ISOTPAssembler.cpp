#include "ISOTPAssembler.h"

bool ISOTPAssembler::addData(const unsigned char* data)
{
    const int type = data[0] >> 4;
    switch (type) {
    case 0: {
        buffer.clear();
        remainingBytes = 0;
        // Lengths 8..15 do not fit a classic frame.
        if (data[0] & 0x08)
            return false;
        const int n = data[0] & 0x0F;
        buffer.append(reinterpret_cast<const char*>(data + 1), n);
        return true;
    }
    case 1: {
        buffer.clear();
        remainingBytes = (data[0] & 0x0F) * 256 + data[1];
        nextSequence = 1;
        for (int i = 2; i < 8 && remainingBytes > 0; ++i) {
            buffer.append(char(data[i]));
            --remainingBytes;
        }
        return false;
    }
    case 2: {
        if (remainingBytes <= 0)
            return false;
        if ((data[0] & 0x0F) != nextSequence) {
            buffer.clear();
            remainingBytes = 0;
            return false;
        }
        nextSequence = (nextSequence + 1) & 0x0F;
        for (int i = 1; i < 8 && remainingBytes > 0; ++i) {
            buffer.append(char(data[i]));
            --remainingBytes;
        }
        return remainingBytes == 0;
    }
    default:
        return false;
    }
}

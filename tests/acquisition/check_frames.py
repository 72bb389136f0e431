"""Checks the link's register frames against Python: the value bytes
(struct, big-endian or stream order), the CRC-8 (polynomial 0x1D) from crcmod
and from a plain bitwise implementation, and the simulated controller's own
encoder. Usage: check_frames.py <frame_dump>"""
import struct
import subprocess
import sys

import crcmod


def crc8_bitwise(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1D) & 0xFF if crc & 0x80 else (crc << 1) & 0xFF
    return crc


def main():
    crc8 = crcmod.mkCrcFun(0x11D, initCrc=0x00, rev=False, xorOut=0x00)
    assert crc8(b'123456789') == 0x37 and crc8_bitwise(b'123456789') == 0x37
    # The examples the protocol is known by.
    for text, expected in [('2900000000', 0xDC), ('0300000000', 0xBE), ('8f3f800000', 0x98),
                           ('2c01ac0000', 0x64), ('0000000000', 0x00)]:
        assert crc8(bytes.fromhex(text)) == expected, text
    out = subprocess.run([sys.argv[1]], check=True, capture_output=True, text=True).stdout
    lines = out.splitlines()
    assert len(lines) == 3000, len(lines)
    for line in lines:
        kind, reg, value, frame_hex, controller_hex = line.split('\t')
        frame = bytes.fromhex(frame_hex)
        assert len(frame) == 6 and frame[0] == int(reg), line
        if kind == 'be':
            assert frame[1:5] == struct.pack('>I', int(value)), line
        elif kind == 'float':
            assert frame[1:5] == struct.pack('>f', float(value)), line
        else:
            assert frame[1:5] == struct.pack('<I', int(value)), line
        assert frame[5] == crc8(frame[:5]) == crc8_bitwise(frame[:5]), line
        assert controller_hex == frame_hex, line
    print('%d frames agree with Python' % len(lines))
    return 0


if __name__ == '__main__':
    sys.exit(main())

"""Compares the program's CRC-8 (polynomial 0x1D, as on the controller link) and
Modbus CRC-16 with crcmod on random buffers. Usage: check_crc.py <crc_dump>"""
import subprocess
import sys

import crcmod.predefined

def main():
    crc8 = crcmod.mkCrcFun(0x11D, initCrc=0x00, rev=False, xorOut=0x00)
    modbus = crcmod.predefined.mkPredefinedCrcFun('modbus')
    assert crc8(b'123456789') == 0x37
    out = subprocess.run([sys.argv[1]], check=True, capture_output=True, text=True).stdout
    lines = out.splitlines()
    assert len(lines) == 2000
    for line in lines:
        hexdata, general, frame, crc16 = line.split('\t')
        data = bytes.fromhex(hexdata)
        assert int(general) == crc8(data), line
        if len(data) == 6:
            # The frame CRC covers bytes 0..4 only.
            assert int(frame) == crc8(data[:5]), line
        std = modbus(data)
        swapped = ((std & 0xFF) << 8) | (std >> 8)
        assert int(crc16) == swapped, line
    print('%d buffers agree with crcmod' % len(lines))
    return 0

if __name__ == '__main__':
    sys.exit(main())

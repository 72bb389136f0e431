"""Byte 7 of every KX4 frame, both ways, is crcmod's CRC-8 with polynomial
0x1D, initial value 0, not reflected, no final XOR, over bytes 0 to 6; the
frames carry the identifiers, tone words and page frames of the protocol.
Usage: check_kx4.py <kx4_reference>"""
import subprocess
import sys

import crcmod


def main():
    crc8 = crcmod.mkCrcFun(0x11D, initCrc=0, rev=False, xorOut=0)
    out = subprocess.run([sys.argv[1]], check=True, capture_output=True, text=True).stdout
    frames = []
    for line in out.splitlines():
        who, ident, data = line.split()
        frames.append((who, int(ident, 16), bytes.fromhex(data)))
    assert len(frames) > 243 * 129, len(frames)
    for who, ident, data in frames:
        assert len(data) == 8
        assert data[7] == crc8(data[:7]), (who, hex(ident), data.hex())
        assert ident == (0x160 if who == 'tool' else 0x161), (who, hex(ident))
        assert data[6] == 0
    tool = [d for w, _, d in frames if w == 'tool']
    module = [d for w, _, d in frames if w == 'module']
    # The scan, then both serial numbers in the replies.
    assert tool[0][:7] == bytes([0, 0, 0, 0, 10, 0, 0])
    serials = {int.from_bytes(d[:4], 'big') for d in module if d[4] == 10}
    assert serials == {4001, 0xA1B2C3D4}, serials
    # The test output and the tone of playNote(1, 261.63 Hz, 0.3 s, 0.25).
    tones = [d[:4] for d in tool if d[4] == 16]
    assert bytes([0x27, 0x10, 0x0C, 0x4B]) in tones
    assert (2616).to_bytes(2, 'big') + bytes([63, 15]) in tones, [t.hex() for t in tones]
    # 243 pages: a start frame with the index, then 128 data frames.
    starts = [int.from_bytes(d[:4], 'big') for d in tool if d[4] == 4]
    assert starts == list(range(243)), starts[:5]
    assert sum(1 for d in tool if d[4] == 5) == 243 * 128
    print('%d frames checked' % len(frames))
    return 0


if __name__ == '__main__':
    sys.exit(main())

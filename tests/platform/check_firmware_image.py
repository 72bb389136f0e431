"""Checks the embedded firmware test images (the MCU's firmware/current and the
KX4 module's firmware/kx4/current, 243 pages of 512 bytes): each is what the
image builder makes from its current.params, its header follows the image
format, and every page's check byte is the CRC-8 (polynomial 0x07) crcmod
computes.
Usage: check_firmware_image.py <fwimage>"""
import os
import struct
import subprocess
import sys
import tempfile

import crcmod.predefined


def main():
    source = os.environ['ZEMBO_SOURCE_DIR']
    check_image(os.path.join(source, 'firmware'))
    pages, page_size = check_image(os.path.join(source, 'firmware', 'kx4'))
    assert (pages, page_size) == (243, 512), (pages, page_size)
    return 0


def check_image(folder):
    with open(os.path.join(folder, 'current'), 'rb') as f:
        image = f.read()
    with open(os.path.join(folder, 'current.params')) as f:
        params = f.read().split()
    with tempfile.TemporaryDirectory() as tmp:
        rebuilt = os.path.join(tmp, 'current')
        subprocess.run([sys.argv[1]] + params + [rebuilt], check=True)
        with open(rebuilt, 'rb') as f:
            assert f.read() == image, '%s/current differs from what the builder makes' % folder

    check = crcmod.predefined.mkPredefinedCrcFun('crc-8')  # poly 0x07, init 0, no reflection
    assert check(b'123456789') == 0xF4
    version = image[:128].split(b'\0')[0].decode('ascii')
    page_size, pages = struct.unpack_from('<HH', image, 128)
    assert page_size % 4 == 0 and pages > 0
    assert len(image) == 136 + pages * (page_size + 1), len(image)
    for p in range(pages):
        start = 136 + p * (page_size + 1)
        data = image[start:start + page_size]
        assert image[start + page_size] == check(data), 'page %d' % p
    last = image[136 + (pages - 1) * (page_size + 1):][:page_size]
    assert last[:4] == b'ZFWV' and struct.unpack_from('<H', last, 4)[0] == pages
    assert last[6:].split(b'\0')[0].decode('ascii') == version
    print('image %s: %d pages of %d bytes agree' % (version, pages, page_size))
    return pages, page_size


if __name__ == '__main__':
    sys.exit(main())

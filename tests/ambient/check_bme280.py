"""Checks the BME280 readings against the chip datasheet's double-precision
compensation computed here from the same raw result registers and trimming
words, read from the simulated chip's register map; and that the simulated
chip's raw results stand for the conditions it was given.
Usage: check_bme280.py <ambient_tool>"""
import math
import struct
import subprocess
import sys


def trimming(first, second):
    t1, t2, t3, p1, p2, p3, p4, p5, p6, p7, p8, p9 = struct.unpack('<HhhHhhhhhhhh', first[:24])
    h1 = first[25]
    h2, = struct.unpack('<h', second[0:2])
    h3 = second[2]

    def signed12(value):
        return value - 4096 if value & 0x800 else value
    h4 = signed12((second[3] << 4) | (second[4] & 0x0F))
    h5 = signed12((second[5] << 4) | (second[4] >> 4))
    h6, = struct.unpack('<b', second[6:7])
    return dict(T1=t1, T2=t2, T3=t3, P1=p1, P2=p2, P3=p3, P4=p4, P5=p5, P6=p6, P7=p7, P8=p8, P9=p9,
                H1=h1, H2=h2, H3=h3, H4=h4, H5=h5, H6=h6)


def compensate(c, data):
    adc_p = (data[0] << 12) | (data[1] << 4) | (data[2] >> 4)
    adc_t = (data[3] << 12) | (data[4] << 4) | (data[5] >> 4)
    adc_h = (data[6] << 8) | data[7]

    var1 = (adc_t / 16384.0 - c['T1'] / 1024.0) * c['T2']
    var2 = ((adc_t / 131072.0 - c['T1'] / 8192.0) * (adc_t / 131072.0 - c['T1'] / 8192.0)) * c['T3']
    t_fine = int(var1 + var2)  # truncated towards zero, as the datasheet's cast
    temperature = (var1 + var2) / 5120.0

    var1 = t_fine / 2.0 - 64000.0
    var2 = var1 * var1 * c['P6'] / 32768.0
    var2 = var2 + var1 * c['P5'] * 2.0
    var2 = var2 / 4.0 + c['P4'] * 65536.0
    var1 = (c['P3'] * var1 * var1 / 524288.0 + c['P2'] * var1) / 524288.0
    var1 = (1.0 + var1 / 32768.0) * c['P1']
    if var1 == 0.0:
        pressure = 0.0
    else:
        p = 1048576.0 - adc_p
        p = (p - var2 / 4096.0) * 6250.0 / var1
        var1 = c['P9'] * p * p / 2147483648.0
        var2 = p * c['P8'] / 32768.0
        pressure = p + (var1 + var2 + c['P7']) / 16.0

    h = t_fine - 76800.0
    h = (adc_h - (c['H4'] * 64.0 + c['H5'] / 16384.0 * h)) * (
        c['H2'] / 65536.0 * (1.0 + c['H6'] / 67108864.0 * h * (1.0 + c['H3'] / 67108864.0 * h)))
    humidity = h * (1.0 - c['H1'] * h / 524288.0)

    clamp = lambda v, lo, hi: min(max(v, lo), hi)
    return clamp(temperature, -40, 85), clamp(pressure, 30000, 110000), clamp(humidity, 0, 100)


def main():
    out = subprocess.run([sys.argv[1], 'sensor'], check=True, capture_output=True, text=True).stdout
    lines = out.splitlines()
    assert len(lines) == 27, len(lines)
    for line in lines:
        fields = line.split()
        target = tuple(float(v) for v in fields[1:4])
        rc = int(fields[4])
        ours = tuple(float(v) for v in fields[5:8])
        first, second, data = (bytes.fromhex(v) for v in fields[8:11])
        expected = compensate(trimming(first, second), data)
        for name, a, b in zip(('temperature', 'pressure', 'humidity'), ours, expected):
            assert math.isclose(a, b, rel_tol=1e-12, abs_tol=1e-12), (line, name, a, b)

        t, p, h = target
        implausible = t <= -40 or not (30000 < p < 110000)
        assert rc == (-1 if implausible else 0), line
        if implausible:
            continue
        # The chip's raw steps are finer than these.
        assert abs(ours[0] - min(t, 85)) < 0.01, line
        assert abs(ours[1] - p) < 2.0, line
        assert abs(ours[2] - h) < 0.05, line
    print(f'{len(lines)} readings agree with the datasheet compensation')


if __name__ == '__main__':
    main()

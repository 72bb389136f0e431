"""Characteristic text form against Python's own float reading and writing.

The program reads points written by Python (shortest exact form, and the six
significant digits of earlier program versions) and writes them back; Python
reads the program's text and must get every double back bit for bit.
"""
import subprocess
import sys

import numpy as np


def run(tool, text):
    done = subprocess.run([tool], input=text.encode(), capture_output=True, check=True)
    return done.stdout.decode()


def parse(text):
    pairs = []
    for line in text.splitlines():
        x, y = line.split(",")
        pairs.append((float(x), float(y)))
    return pairs


def significant_digits(number_text):
    mantissa = number_text.lower().split("e")[0].lstrip("+-").replace(".", "").lstrip("0")
    return len(mantissa)


def main():
    tool = sys.argv[1]
    rng = np.random.default_rng(7)
    values = np.concatenate([
        rng.standard_normal(400) * 10.0 ** rng.integers(-300, 300, 400),
        rng.uniform(0, 1, 400),
        np.array([0.1, 1 / 3, 2 ** -1074, 1.7976931348623157e308, -0.0, 123456789.123456789]),
    ])
    points = list(zip(values[0::2], values[1::2]))

    exact = "".join(f"{x!r},{y!r}\n" for x, y in points)
    back = run(tool, exact)
    reread = parse(back)
    assert len(reread) == len(points), (len(reread), len(points))
    for (x, y), (rx, ry) in zip(points, reread):
        assert np.float64(x).tobytes() == np.float64(rx).tobytes() or (x == 0 and rx == 0), (x, rx)
        assert np.float64(y).tobytes() == np.float64(ry).tobytes() or (y == 0 and ry == 0), (y, ry)
    for line in back.splitlines():
        for number in line.split(","):
            assert significant_digits(number) <= 17, number

    # Text of earlier versions: six significant digits, read as Python reads them.
    short = "".join(f"{x:g},{y:g}\n" for x, y in points)
    old = parse(run(tool, short))
    expected = parse(short)
    assert old == expected, "six-digit text read differently"
    print(f"{len(points)} points round-trip exactly")


if __name__ == "__main__":
    main()

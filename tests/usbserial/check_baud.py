#!/usr/bin/python3
"""Checks the baud-rate divisors our library sends against a computation of
its own, made from the fraction table of the chips: 3 MHz (or 12 MHz) divided
by an integer part plus eighths, coded in the word's top bits and one bit of
the divisor index. Rates: the fixed ones, the edge list, thousands between 184
and 3,000,000, high-speed ones up to 12,000,000 and some far above any chip's
(which must be refused, not wrapped into an accepted rate)."""
from fractions import Fraction
import random
import subprocess
import sys

# (s, x) -> eighths added to the integer part.
FRACTION = {(0, 0): 0, (3, 0): 1, (2, 0): 2, (1, 0): 4, (0, 1): 3, (1, 1): 5, (2, 1): 6, (3, 1): 7}
CODE = {eighths: sx for sx, eighths in FRACTION.items()}
# Remainder (hundredths) limits choosing the fraction; beyond the last: round up.
LIMITS_EXTENDED = [(6, 0), (18, 1), (31, 2), (43, 3), (56, 4), (68, 5), (81, 6), (93, 7)]
LIMITS_PLAIN = [(6, 0), (18, 1), (37, 2), (75, 4)]
FIXED = {300: 0x2710, 600: 0x1388, 1200: 0x09C4, 2400: 0x04E2, 4800: 0x0271, 9600: 0x4138,
         19200: 0x809C, 38400: 0xC04E, 57600: 0x0034, 115200: 0x001A, 230400: 0x000D,
         460800: 0x4006, 921600: 0x8003}

# class: (extended fraction, 12 MHz reference, wIndex carries the port, port)
CHIPS = {"02": (False, False, False, 0), "06": (True, False, False, 0),
         "07": (True, True, True, 1), "24": (False, True, True, 1)}


def pick(reference, baud, extended):
    """(integer part, eighths) or None when impossible."""
    q, rem = divmod(reference, baud)
    if q >= 16384:
        return None
    r = rem * 100 // baud
    if q == 1 and r <= 3:
        q = 0
    if q == 0:
        return (0, 0)
    for limit, eighths in (LIMITS_EXTENDED if extended else LIMITS_PLAIN):
        if r <= limit:
            return (q, eighths)
    return (q + 1, 0)


def exact_rate(reference, n, eighths, high):
    """What the chip makes of the word: the reference over n + eighths/8. The
    word 0 is the reference itself; on the 12 MHz reference the word 1 (s = 0)
    is 8 MHz whatever the extra bit says."""
    if n == 0 and eighths == 0:
        return Fraction(reference)
    if high and n == 1 and CODE[eighths][0] == 0:
        return Fraction(8000000)
    return Fraction(reference * 8, n * 8 + eighths)


def acceptable(baud, actual):
    return max(baud, actual) / min(baud, actual) <= Fraction(103, 100)


def expected(chip, baud):
    """(wValue, wIndex, exact rate) or None for a refusal."""
    extended, high_speed, with_port, port = CHIPS[chip]
    if baud in FIXED:
        return (FIXED[baud], port if with_port else 0, None)
    high = high_speed and baud >= 1200
    if high:
        reference = 12000000
        if baud == 0 or reference // baud >= 16384:
            return None
        if 11640000 <= baud <= 12360000:
            n, eighths = 0, 0
        elif 7760000 <= baud <= 8240000:
            n, eighths = 1, 0
        else:
            got = pick(reference, baud, True)
            if got is None:
                return None
            n, eighths = got
    else:
        reference = 3000000
        if baud == 0:
            return None
        got = pick(reference, baud, extended)
        if got is None:
            return None
        n, eighths = got
    exact = exact_rate(reference, n, eighths, high)
    if not acceptable(baud, exact):
        return None
    s, x = CODE[eighths]
    word = n | s << 14
    index = (2 if high else 0) | x
    w_index = (index << 8 | port) if with_port else index
    return (word, w_index, float(exact))


def main():
    program = sys.argv[1]
    random.seed(34)
    rates = set(FIXED)
    rates.update([183, 184, 185, 733, 1199, 1200, 1201, 10400, 250000, 2000000, 3000000, 3000001,
                  4000000, 8000000, 8100000, 7760000, 8240000, 8240001, 11640000, 12000000, 12360000,
                  12360001, 40000000, 42949672, 42949673, 42950000, 50000000, 100000000, 4000000000])
    value = 184.0
    while value < 3000000:
        rates.add(int(value))
        value *= 1.003
    rates.update(random.randint(184, 3000000) for _ in range(2000))
    rates.update(random.randint(1200, 12000000) for _ in range(1000))
    rates.update(random.randint(40000000, 4294967295) for _ in range(50))
    rates = sorted(rates)
    out = subprocess.run([program], input="\n".join(map(str, rates)) + "\n", capture_output=True,
                         text=True, check=True).stdout.split("\n")
    failures = 0
    checked = 0
    worst = 0.0
    for line in out:
        if not line:
            continue
        parts = line.split()
        chip, baud, status = parts[0], int(parts[1]), int(parts[2])
        want = expected(chip, baud)
        checked += 1
        if want is None:
            ok = status == 4 and parts[3] == "-" and parts[5] == "0"
        else:
            ok = status == 0 and parts[3] != "-" and int(parts[3], 16) == want[0] and int(parts[4], 16) == want[1]
            if ok and want[2] is not None:
                deviation = abs(want[2] - baud) / baud
                worst = max(worst, deviation)
                if deviation > 0.03 + 1e-12:
                    print(f"class {chip} {baud}: accepted word gives {want[2]:.1f} baud")
                    failures += 1
        if not ok:
            failures += 1
            if failures < 30:
                print(f"class {chip} {baud}: got {' '.join(parts[2:])}, expected {want}")
    if checked != 4 * len(rates):
        print(f"only {checked} of {4 * len(rates)} results")
        failures += 1
    print(f"{checked} divisors checked, worst accepted deviation {worst * 100:.2f} %")
    sys.exit(1 if failures else 0)


main()

"""UDS channel equations against Python computing from the same reply bytes:
the data bytes A..T (NaN where the reply lacks them), the support bit, and the
signed helpers S8/S16/S32 with their saturating truncation."""
import math
import random
import subprocess
import sys

NAN = float("nan")


def trunc32(x):
    if math.isnan(x):
        return 0
    if x >= 2147483647:
        return 2147483647
    if x <= -2147483648:
        return -2147483648
    return int(x)


def s8(x):
    v = trunc32(x) & 0xFF
    return v - 256 if v >= 128 else v


def s16(x):
    v = trunc32(x) & 0xFFFF
    return v - 65536 if v >= 32768 else v


def s32(x):
    return trunc32(x)


EQUATIONS = {
    "(A*256+B)/4": lambda b: (b[0] * 256 + b[1]) / 4,
    "A-40": lambda b: b[0] - 40,
    "S8(A)": lambda b: s8(b[0]),
    "S16(A*256+B)": lambda b: s16(b[0] * 256 + b[1]),
    "S32(A*16777216+B*65536+C*256+D)": lambda b: s32(b[0] * 16777216 + b[1] * 65536 + b[2] * 256 + b[3]),
    "S8(A*1000)-S16(-B*300)": lambda b: s8(b[0] * 1000) - s16(-b[1] * 300),
    "T": lambda b: b[19],
    "A*100/255": lambda b: b[0] * 100 / 255,
}


def expected(equation, text, support_bit):
    """(value, status) as the channel must give them; value None = unchanged."""
    if len(text) < 2:
        return None, 6
    data = []
    for k in range(20):
        pair = text[2 * k:2 * k + 2]
        if len(pair) == 2:
            try:
                data.append(int(pair, 16))
            except ValueError:
                return None, 6
        else:
            data.append(NAN)
    if 0 <= support_bit <= 7 and not (data[0] >> support_bit) & 1:
        return NAN, 1
    if equation == "":
        return NAN, 6
    try:
        value = float(EQUATIONS[equation](data))
    except (ValueError, OverflowError):
        value = NAN
    return value, (1 if math.isnan(value) else 0)


def main():
    tool = sys.argv[1]
    rng = random.Random(35)
    cases = []
    fixed = [("(A*256+B)/4", "1AF8", -1), ("S8(A)", "FF", -1), ("S16(A*256+B)", "FFFF", -1),
             ("S32(A*16777216+B*65536+C*256+D)", "FFFFFFFF", -1), ("A-40", "0A1", -1),
             ("(A*256+B)/4", "0A1", -1), ("A-40", "", -1), ("A-40", "Z", -1), ("A-40", "ZZ10", -1),
             ("A-40", "0E", 0), ("A-40", "0F", 0), ("A-40", "00", -1), ("", "1234", -1),
             ("T", "00" * 20, -1), ("T", "00" * 19, -1), ("S8(A*1000)-S16(-B*300)", "C8FF", -1)]
    cases.extend(fixed)
    hexdigits = "0123456789ABCDEF"
    for _ in range(400):
        equation = rng.choice(list(EQUATIONS))
        n = rng.randrange(0, 44)
        text = "".join(rng.choice(hexdigits) for _ in range(n))
        if rng.random() < 0.05 and n:
            pos = rng.randrange(n)
            text = text[:pos] + "G" + text[pos + 1:]
        cases.append((equation, text, rng.choice([-1, -1, -1, 0, 3, 7])))
    stdin = "".join(f"{e}\t{t}\t{b}\n" for e, t, b in cases)
    out = subprocess.run([tool], input=stdin, capture_output=True, text=True, check=True).stdout.splitlines()
    if len(out) != len(cases):
        print(f"{len(out)} results for {len(cases)} cases")
        return 1
    last = NAN
    bad = 0
    for (equation, text, bit), line in zip(cases, out):
        got_text, status_text = line.split()
        got, status = float(got_text), int(status_text)
        want, want_status = expected(equation, text, bit)
        if want is None:
            want = NAN  # the call returns NaN; the stored value stays
        same = (math.isnan(got) and math.isnan(want)) or abs(got - want) <= 1e-9 * max(1.0, abs(want))
        if not same or status != want_status:
            bad += 1
            print(f"{equation!r} {text!r} bit {bit}: got {got} status {status}, want {want} status {want_status}")
    print(f"{len(cases)} replies, {bad} wrong")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

"""Equations of computed functions against the same formulas in Python.

Runs the equation tool with a table of equations and argument values and
compares every result with Python's own evaluation of the formula."""
import math
import subprocess
import sys

VALUES = [
    (1.5, 2.25, 3.0, -0.5, 4.0),
    (7.0, 7.0, 3.0, 2.0, 0.25),
    (0.1, 1e-3, -2.0, 5.0, 9.0),
    (10.0, 3.0, 0.0, 3.0, 1.0),
    (-4.2, 0.5, 12.5, -7.0, 2.0),
]


def sign(x):
    return (x > 0) - (x < 0)


def logic(x):
    return 1.0 if x else 0.0


# (equation in the functions' syntax, the same in Python, values it is defined for)
EQUATIONS = [
    ("A*B+C^2", lambda A, B, C, D, E: A * B + C ** 2),
    ("sin(A) > B || C==3", lambda A, B, C, D, E: logic(math.sin(A) > B or C == 3)),
    ("(A>5) ? B : C", lambda A, B, C, D, E: B if A > 5 else C),
    ("A>=B && C<=D", lambda A, B, C, D, E: logic(A >= B and C <= D)),
    ("A != B ? 1e3 : -1e-3", lambda A, B, C, D, E: 1e3 if A != B else -1e-3),
    ("(A+B)*(C-D)/E", lambda A, B, C, D, E: (A + B) * (C - D) / E),
    ("sqrt(abs(A))+ln(B)-log10(E)", lambda A, B, C, D, E: math.sqrt(abs(A)) + math.log(B) - math.log10(E)),
    ("exp(-A/B)*cos(C)", lambda A, B, C, D, E: math.exp(-A / B) * math.cos(C)),
    ("abs(A-B)*sign(C)", lambda A, B, C, D, E: abs(A - B) * sign(C)),
    ("min(A,B,C)+max(D,E)", lambda A, B, C, D, E: min(A, B, C) + max(D, E)),
    ("sum(A,B,C,D,E)/5-avg(A,B,C,D,E)", lambda A, B, C, D, E: (A + B + C + D + E) / 5 - (A + B + C + D + E) / 5),
    ("tan(A)+atan(B)+tanh(C)", lambda A, B, C, D, E: math.tan(A) + math.atan(B) + math.tanh(C)),
    ("log2(E)*_pi+_e", lambda A, B, C, D, E: math.log2(E) * math.pi + math.e),
    ("A^2-2*A*B+B^2-(A-B)^2", lambda A, B, C, D, E: A ** 2 - 2 * A * B + B ** 2 - (A - B) ** 2),
    ("rint(A*3.7)+asin(B/10)", lambda A, B, C, D, E: round(A * 3.7) + math.asin(B / 10)),
    ("E^D", lambda A, B, C, D, E: E ** D),
]

BROKEN = ["A +* B", "sin(A", "A + F", "", "(A>5) ? B"]


def close(ours, reference):
    if math.isnan(reference):
        return math.isnan(ours)
    return math.isclose(ours, reference, rel_tol=1e-12, abs_tol=1e-12)


def main():
    tool = sys.argv[1:]
    lines = []
    expected = []
    for equation, formula in EQUATIONS:
        for values in VALUES:
            lines.append(",".join(repr(v) for v in values) + ";" + equation)
            try:
                expected.append((equation, values, float(formula(*values))))
            except (ValueError, ZeroDivisionError):
                expected.append((equation, values, math.nan))
    for equation in BROKEN:
        lines.append("1,2,3,4,5;" + equation)
        expected.append((equation, None, "error"))
    # NaN arguments pass through arithmetic.
    lines.append("nan,2,3,4,5;A+B")
    expected.append(("A+B", "NaN", math.nan))

    result = subprocess.run(tool, input="\n".join(lines) + "\n", capture_output=True, text=True, check=True)
    answers = result.stdout.splitlines()
    if len(answers) != len(expected):
        print(f"expected {len(expected)} answers, got {len(answers)}")
        return 1
    failures = 0
    for answer, (equation, values, reference) in zip(answers, expected):
        if reference == "error":
            ok = answer == "error"
        else:
            try:
                ok = close(float(answer), reference)
            except ValueError:
                ok = False
        if not ok:
            failures += 1
            print(f"{equation} with {values}: ours {answer}, Python {reference}")
    print(f"{len(expected) - failures} of {len(expected)} equations agree")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

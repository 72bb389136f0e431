"""Checks the loss-model fit (a0 = 0, a1..a4 >= 0 on v, v^2, v^3, v^4) against
scipy.optimize.nnls and lsq_linear. Usage: check_fit.py <numerics_tool>"""
import sys

import numpy as np
from scipy.optimize import lsq_linear, nnls

from numerics_ref import Tool

FAILED = -2  # the fit's distinct error result


def columns(v):
    return np.column_stack([v, v ** 2, v ** 3, v ** 4])


def fit(tool, v, p):
    tool.put('x', v)
    tool.put('y', p)
    tool.run('fit', tool.file('x'), tool.file('y'), tool.file('out'))
    out = tool.get('out')
    return int(out[0]), int(out[1]), out[2:]


def check_against_references(tool, name, v, p, expect_zero=()):
    status, result, ours = fit(tool, v, p)
    assert result == 0 and status in (1, 2, 3, 4, 6, 7, 8), (name, status, result)
    finite = np.isfinite(v) & np.isfinite(p)
    v, p = v[finite], p[finite]
    a = columns(v)
    reference, _ = nnls(a, p)
    bounded = lsq_linear(a, p, bounds=(0, np.inf), method='bvls', tol=1e-12).x
    assert ours[0] == 0.0, name
    assert np.all(ours[1:] >= 0), (name, ours)
    for j in expect_zero:
        assert reference[j - 1] == 0.0 and ours[j] == 0.0, (name, j, ours, reference)
    # Same model: the predictions agree, and no worse a fit than the references.
    scale = np.max(np.abs(p))
    for other in (reference, bounded):
        assert np.max(np.abs(a @ ours[1:] - a @ other)) <= 1e-7 * scale, (name, ours, other)
    cost = np.sum((a @ ours[1:] - p) ** 2)
    best = np.sum((a @ reference - p) ** 2)
    assert cost <= best * (1 + 1e-9) + len(p) * (1e-8 * scale) ** 2, (name, cost, best)
    return ours, reference


def main():
    tool = Tool(sys.argv[1])
    rng = np.random.default_rng(20261213)

    # A model the data fits exactly.
    v = np.arange(10.0)
    ours, _ = check_against_references(tool, 'exact', v, 2 * v + 0.5 * v ** 2)
    assert np.allclose(ours, [0, 2, 0.5, 0, 0], rtol=1e-7, atol=1e-9), ours

    # A coast-down of 5000 samples: bearings, air and absorber drag.
    v = np.sort(rng.uniform(3, 35, 5000))
    p = 40 * v + 1.5 * v ** 2 + 0.02 * v ** 3 + 1e-5 * v ** 4 + rng.normal(0, 25, len(v))
    check_against_references(tool, 'coast-down', v, p)

    # The unconstrained cubic term would be negative: it is held at 0.
    v = np.linspace(2, 30, 800)
    p = 60 * v + 4 * v ** 2 - 0.05 * v ** 3 + 0.0005 * v ** 4 + rng.normal(0, 5, len(v))
    free = np.linalg.lstsq(columns(v), p, rcond=None)[0]
    assert free[2] < 0, free
    check_against_references(tool, 'negative cubic', v, p, expect_zero=(3,))

    # Falling curvature: only the linear term survives.
    v = np.linspace(1, 20, 300)
    p = 300 * v - 2 * v ** 2 + rng.normal(0, 1, len(v))
    check_against_references(tool, 'linear only', v, p, expect_zero=(2, 3, 4))

    # Non-finite samples are left out before fitting.
    v = np.linspace(1, 25, 400)
    p = 20 * v + 0.8 * v ** 2 + 0.01 * v ** 3 + rng.normal(0, 2, len(v))
    v[[3, 50]] = np.nan
    p[[7, 399]] = [np.inf, np.nan]
    check_against_references(tool, 'with NaN and inf', v, p)

    # Failures reach the caller with their status; coefficients are untouched.
    for name, v, p, want in (('three points', np.array([1.0, 2.0, 3.0]), np.array([5.0, 9.0, 20.0]), -24),
                             ('empty', np.array([]), np.array([]), -18),
                             ('three finite points', np.array([1.0, np.nan, 2.0, 3.0, 4.0]),
                              np.array([5.0, 1.0, 9.0, np.inf, 20.0]), -24)):
        status, result, coefficients = fit(tool, v, p)
        assert (status, result) == (want, FAILED), (name, status, result)
        assert np.all(coefficients == -1.0), (name, coefficients)

    print('loss-model fit agrees with scipy.optimize.nnls and lsq_linear')
    return 0


if __name__ == '__main__':
    sys.exit(main())

"""Helpers of the numeric reference checks: run numerics_tool on vectors
exchanged as raw binary files in a temporary folder."""
import os
import subprocess
import tempfile

import numpy as np


class Tool:
    def __init__(self, path):
        self.path = path
        self.dir = tempfile.TemporaryDirectory(prefix='zembo-numerics-')

    def file(self, name):
        return os.path.join(self.dir.name, name)

    def put(self, name, values, dtype=np.float64):
        path = self.file(name)
        np.asarray(values, dtype=dtype).tofile(path)
        return path

    def get(self, name, dtype=np.float64):
        return np.fromfile(self.file(name), dtype=dtype)

    def run(self, *args):
        subprocess.run([self.path] + [str(a) for a in args], check=True)


def finite_runs(values):
    """(start, stop) of every maximal run of finite values."""
    finite = np.isfinite(values)
    runs = []
    i = 0
    n = len(values)
    while i < n:
        if finite[i]:
            j = i
            while j < n and finite[j]:
                j += 1
            runs.append((i, j))
            i = j
        else:
            i += 1
    return runs

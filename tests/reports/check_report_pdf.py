#!/usr/bin/python3
"""Runs the report test on three recorded runs and reads what it wrote with
poppler (pdfinfo, pdftotext, pdfimages) and h5py: the stock "graph" report is
two A4 pages with the run table and the power-correction line, its plots are
embedded at about 600 pixels per inch, the landscape file is the one used in
landscape, and every run value printed in a named unit equals the run file's
"/runInfo" field converted and rounded here."""
import os
import re
import subprocess
import sys
import tempfile

import h5py
import numpy

# Named units of the values template: factor from SI and decimals shown.
VALUES = [("measuredEnginePower", 1e-3, "kW"), ("measuredEngineTorque", 1.0, "Nm"), ("runLength", 1.0, "s")]

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def pdfinfo(path):
    info = {}
    for line in run("pdfinfo", path).splitlines():
        key, _, value = line.partition(":")
        info[key.strip()] = value.strip()
    return info


def images(path):
    """(width px, height px, x-ppi) of every picture, as pdfimages lists them."""
    rows = []
    for line in run("pdfimages", "-list", path).splitlines()[2:]:
        cols = line.split()
        rows.append((int(cols[3]), int(cols[4]), int(cols[12])))
    return rows


def field(path, name):
    with h5py.File(path, "r") as f:
        return float(numpy.asarray(f["/runInfo"][name][()]).ravel()[0])


def main():
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, ZEMBO_REPORT_OUT=out)
        subprocess.run([sys.argv[1]], env=env, check=True)
        runs = open(os.path.join(out, "runs.txt")).read().split()
        check(len(runs) == 3, "three runs loaded")

        portrait = os.path.join(out, "graph_portrait.pdf")
        landscape = os.path.join(out, "graph_landscape.pdf")
        for path, wide in ((portrait, False), (landscape, True)):
            info = pdfinfo(path)
            check(info.get("Pages") == "2", "%s: 2 pages, got %s" % (path, info.get("Pages")))
            size = re.match(r"([\d.]+) x ([\d.]+) pts", info.get("Page size", ""))
            check(size is not None, "page size of " + path)
            if size:
                w, h = float(size.group(1)), float(size.group(2))
                a4 = (595.0, 842.0) if not wide else (842.0, 595.0)
                check(abs(w - a4[0]) < 2 and abs(h - a4[1]) < 2, "%s: A4 %s, got %s x %s" % (path, a4, w, h))
            text = run("pdftotext", "-layout", path, "-")
            check("Power correction:" in text, path + ": power-correction line")
            # The run table: every run's peak torque, in newton metres without decimals.
            for r in runs:
                torque = "%dNm" % round(field(r, "measuredEngineTorque"))
                check(torque in text.replace(" ", ""), "%s: run table shows %s" % (path, torque))
            # The plots: rendered at 600 / 120 = 5 times 120 dpi.
            plots = [i for i in images(path) if i[2] > 300]
            check(len(plots) == 2, "%s: two plots, pictures %s" % (path, images(path)))
            for width, height, ppi in plots:
                check(abs(ppi - 600) <= 12, "%s: plot at %d ppi" % (path, ppi))
            # The main graph is 190 mm wide in portrait and 277 mm in landscape.
            if plots:
                mm = plots[0][0] / plots[0][2] * 25.4
                check(abs(mm - (277 if wide else 190)) < 2, "%s: main graph %.1f mm wide" % (path, mm))

        text = run("pdftotext", os.path.join(out, "values.pdf"), "-")
        lines = {}
        for line in text.splitlines():
            if line.startswith("VALUES "):
                parts = line[len("VALUES "):].split("|")
                lines[int(parts[0])] = parts[1:]
        check(sorted(lines) == [0, 1, 2], "a values line per run: %s" % sorted(lines))
        for row, path in enumerate(runs):
            got = lines.get(row, [])
            for i, (name, factor, unit) in enumerate(VALUES):
                if i >= len(got):
                    failures.append("%s: %s missing" % (path, name))
                    continue
                m = re.fullmatch(r"(-?[\d.]+) (\S+)", got[i].strip())
                check(m is not None and m.group(2) == unit, "%s %s: %r" % (path, name, got[i]))
                if not m:
                    continue
                decimals = len(m.group(1).partition(".")[2])
                expected = "%.*f" % (decimals, field(path, name) * factor)
                check(m.group(1) == expected, "%s %s: printed %s, h5py gives %s" % (path, name, m.group(1), expected))
            check(len(got) > 3 and got[3].strip() != "", "%s: ambient temperature in its display unit" % path)
    if failures:
        sys.exit("%d checks failed" % len(failures))
    print("stock graph report: 2 A4 pages each way, plots at 600 ppi, run values equal /runInfo")


if __name__ == "__main__":
    main()

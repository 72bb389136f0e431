"""Checks the PDF that the print path writes with poppler's pdfinfo: one page,
A2 paper, landscape. Usage: check_print_pdf.py <print_pdf_writer>"""
import re
import subprocess
import sys
import tempfile

with tempfile.TemporaryDirectory() as folder:
    out = subprocess.run([sys.argv[1], folder], check=True, capture_output=True, text=True).stdout
    pdf = out.strip().splitlines()[-1]
    info = subprocess.run(["pdfinfo", pdf], check=True, capture_output=True, text=True).stdout
    fields = dict(line.split(":", 1) for line in info.splitlines() if ":" in line)
    pages = int(fields["Pages"].strip())
    size = re.match(r"\s*([\d.]+) x ([\d.]+) pts(?: \((\w+)\))?", fields["Page size"])
    width, height, paper = float(size.group(1)), float(size.group(2)), size.group(3)
    rotation = int(fields.get("Page rot", "0").strip())
    # A landscape page is either wider than high or a portrait page turned by 90 or 270 degrees.
    landscape = (width > height) != (rotation % 180 == 90)
    print(f"pages={pages} size={width}x{height} pts paper={paper} rotation={rotation}")
    ok = pages == 1 and paper == "A2" and landscape
    sys.exit(0 if ok else 1)

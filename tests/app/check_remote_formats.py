"""The remote-control server's number texts and name encodings against
Python's printf-style "%g" and urllib.parse.quote(s, safe='')."""
import struct
import subprocess
import sys
import urllib.parse


def main():
    out = subprocess.run(sys.argv[1:], check=True, capture_output=True, text=True).stdout
    values = encodings = 0
    failures = []
    for line in out.splitlines():
        kind, first, second, *rest = line.split(" ")
        if kind == "g":
            value = struct.unpack("<d", struct.pack("<Q", int(first, 16)))[0]
            expected = "%g" % value
            values += 1
            if second != expected:
                failures.append("value %r: %s, Python %s" % (value, second, expected))
        elif kind == "q":
            raw = b"" if first == "-" else bytes.fromhex(first)
            encoded = "" if second == "-" else second
            expected = urllib.parse.quote(raw, safe="")
            encodings += 1
            if encoded != expected:
                failures.append("bytes %s: %s, Python %s" % (first, encoded, expected))
            decoded = b"" if rest[0] == "-" else bytes.fromhex(rest[0])
            if decoded != raw:
                failures.append("bytes %s decoded back as %s" % (first, rest[0]))
    print("%d values, %d encodings compared" % (values, encodings))
    for failure in failures[:20]:
        print("MISMATCH", failure)
    if failures or values < 5000 or encodings < 200:
        sys.exit(1)


main()

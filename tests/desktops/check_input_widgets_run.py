"""The input widgets of the RUN desktop, operated during a run of the real main
window on the simulated dyno, reach the run file: read with h5py, the button's
pulse lasts 1000 ms (and the click that ended a drag added nothing), the slider
at 25 % of 0..200 wrote 50, the spin box's 7.5 arrived."""
import subprocess
import sys
import xml.etree.ElementTree as ET

import h5py

tool = sys.argv[1]
out = subprocess.run([tool], check=True, capture_output=True, text=True).stdout.strip().splitlines()
path = out[-1]


def text_dataset(dataset):
    data = dataset[()]
    if isinstance(data, bytes):
        return data.decode("utf-8")
    if hasattr(data, "dtype") and data.dtype.kind in "SO":
        item = data.reshape(-1)[0]
        return item.decode("utf-8") if isinstance(item, bytes) else str(item)
    return bytes(data.reshape(-1)).decode("utf-8").rstrip("\0")


errors = []
with h5py.File(path, "r") as f:
    inputs = ET.fromstring(text_dataset(f["files"]["inputChannelsSetup"]))
    records = f["frames"]["channel"][()]
ids = {e.get("name"): int(e.get("uniqueId", "-1")) & 0xFFFF for e in inputs.findall("inputChannel")}
if sorted(ids) != ["Btn", "Sld", "Spin"]:
    errors.append("input channels in the file: %s" % ids)


def series(name):
    return [(int(r["timestamp"]), float(r["value"])) for r in records if int(r["id"]) == ids.get(name, -1)]


btn = series("Btn")
ones = [t for t, v in btn if v == 1.0]
if len(ones) != 1:
    errors.append("Btn: one pulse expected, records %s" % btn)
else:
    after = [t for t, v in btn if v == 0.0 and t > ones[0]]
    if not after or not 1000 <= after[0] - ones[0] <= 1500:
        errors.append("Btn: pulse from %d to %s, not 1000 ms: %s" % (ones[0], after[:1], btn))
sld = series("Sld")
if 50.0 not in [v for _, v in sld]:
    errors.append("Sld: 50 expected among %s" % sld)
spin = series("Spin")
if 7.5 not in [v for _, v in spin]:
    errors.append("Spin: 7.5 expected among %s" % spin)

for e in errors:
    print(e)
print("input widgets in the run file:", "FAIL" if errors else "ok", "Btn", btn, "Sld", sld, "Spin", spin)
sys.exit(1 if errors else 0)

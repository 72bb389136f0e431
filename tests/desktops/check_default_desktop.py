"""The default RUN desktop written on a fresh home, read with xml.etree,
equals the table of default widgets (elements, places, setup attributes and
the plots' axis children)."""
import subprocess
import sys
import xml.etree.ElementTree as ET

tool = sys.argv[1]
path = subprocess.run([tool, "default"], check=True, capture_output=True, text=True).stdout.strip().splitlines()[-1]
root = ET.parse(path).getroot()

num = lambda key: {"variableKey": key, "clipValuesOutOfRange": "0"}
bar = lambda key: {"variableKey": key, "barColor": "#ff0000", "tickCount": "5"}
expected = [
    ("number", 1220, 660, 370, 110, num("engineRollerSpeedRatio"), []),
    ("timePlot", 0, 660, 850, 220, {"historyLength": "30", "alignTicks": "1", "clockTime": "0"},
     [("left", {"variableKey": "dyno_speed", "tickCount": "5"}),
      ("right", {"variableKey": "engine_power", "tickCount": "5"})]),
    ("scatterPlot", 0, 0, 1060, 660,
     {"leavePrevious": "1", "historyLength": "30", "alignTicks": "0", "drawLines": "1", "drawPoints": "0",
      "backgroundDataColor": "#888a85"},
     [("y", {"variableKey": "engine_power", "tickCount": "5"}), ("y2", {"tickCount": "5"}),
      ("x", {"variableKey": "engine_speed", "tickCount": "5"})]),
    ("bar", 1060, 0, 80, 220, bar("roller_1_speed"), []),
    ("bar", 1140, 0, 80, 220, bar("roller_2_speed"), []),
    ("bar", 1060, 440, 80, 220, bar("roller_1_brakesTorque"), []),
    ("bar", 1140, 440, 80, 220, bar("roller_2_brakesTorque"), []),
    ("bar", 1060, 220, 80, 220, bar("roller_1_power"), []),
    ("bar", 1140, 220, 80, 220, bar("roller_2_power"), []),
    ("number", 1220, 770, 370, 110, num("engine_speed"), []),
    ("number", 1220, 0, 370, 110, num("VP_engineSpeed"), []),
    ("number", 1220, 550, 370, 110, num("VP_MAF"), []),
    ("number", 1220, 440, 370, 110, num("VP_MAP"), []),
    ("number", 1220, 330, 370, 110, num("VP_ignAngle"), []),
    ("number", 1220, 220, 370, 110, num("VP_IAT"), []),
    ("number", 1220, 110, 370, 110, num("VP_CLT"), []),
    ("number", 850, 660, 370, 110, num("engine_power"), []),
    ("number", 850, 770, 370, 110, num("engine_torque"), []),
]
# What the widgets write beyond the table: their other settings at the values
# a missing attribute reads as.
extra_defaults = {
    "timePlot": {"synchronizeScales": "0"},
    "scatterPlot": {"synchronizeScales": "0", "backgroundCurveLimit": "100"},
    "number": {"unitFontSize": "50", "refreshRateLimit": "200"},
    "bar": {"autoBarColor": "0", "colorAlarmLow": "#0000ff", "colorAlarmHigh": "#ff0000", "colorOK": "#ffffff",
            "colorWarningLow": "#0096ff", "colorWarningHigh": "#ff9600"},
}

errors = []
if root.tag != "widgets" or root.get("standalone") != "0":
    errors.append("root %s %s" % (root.tag, root.attrib))
if root.get("lockedEditing") != "0" or root.get("lockedClosing") != "0":
    errors.append("locks %s" % root.attrib)
widgets = list(root)
if len(widgets) != len(expected):
    errors.append("%d widgets, expected %d" % (len(widgets), len(expected)))
for got, (tag, x, y, w, h, setup, children) in zip(widgets, expected):
    if got.tag != tag:
        errors.append("tag %s != %s" % (got.tag, tag))
        continue
    place = tuple(int(got.get(k)) for k in ("x", "y", "w", "h"))
    if place != (x, y, w, h) or got.get("stayOnTop") != "0":
        errors.append("%s at %s, expected %s" % (tag, place, (x, y, w, h)))
    s = got.find("setup")
    want = dict(setup)
    want.update(extra_defaults.get(tag, {}))
    if s is None or s.attrib != want:
        errors.append("%s setup %s != %s" % (tag, None if s is None else s.attrib, want))
        continue
    kids = [(c.tag, c.attrib) for c in s]
    if kids != children:
        errors.append("%s children %s != %s" % (tag, kids, children))

for e in errors:
    print(e)
print("default desktop:", "FAIL" if errors else "ok", len(widgets), "widgets")
sys.exit(1 if errors else 0)

#!/usr/bin/python3
"""Runs the loaded-run test's run-table case, which writes the report's run
table (portrait and landscape) and both graph legends for three fixture runs,
and reads them with Python's HTML parser: only the expected elements, properly
nested; every row as wide as the header; operator text back as it was typed;
creation times, colours and underline styles as the run files and the default
colour table give them."""
import colorsys
import html.parser
import os
import re
import subprocess
import sys
import tempfile
import time

import h5py
import numpy

ALLOWED = {"style", "center", "table", "tr", "td", "br"}
VOID = {"br"}


class Fragment(html.parser.HTMLParser):
    """Tables as lists of rows of (attributes, text); a <br> reads as a newline."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.style = ""
        self.rows = []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        assert tag in ALLOWED, f"unexpected element <{tag}>"
        if tag == "br":
            assert self.cell is not None, "<br> outside a cell"
            self.cell[1].append("\n")
            return
        if tag == "tr":
            assert self.stack[-1] == "table", self.stack
            self.rows.append((dict(attrs), []))
        if tag == "td":
            assert self.stack[-1] == "tr", self.stack
            self.cell = (dict(attrs), [])
        self.stack.append(tag)

    def handle_endtag(self, tag):
        assert tag not in VOID
        assert self.stack and self.stack[-1] == tag, f"</{tag}> closes {self.stack}"
        self.stack.pop()
        if tag == "td":
            self.rows[-1][1].append((self.cell[0], "".join(self.cell[1])))
            self.cell = None

    def handle_data(self, data):
        if self.stack and self.stack[-1] == "style":
            self.style += data
        elif self.cell is not None:
            self.cell[1].append(data)
        else:
            assert not data.strip(), f"text outside a cell: {data!r}"


def parse(path):
    text = open(path, encoding="utf-8").read()
    parser = Fragment()
    parser.feed(text)
    parser.close()
    assert not parser.stack, parser.stack
    assert len(parser.style) + len("<style></style>") == 386, len(parser.style)
    rules = dict(re.findall(r"([^{}]+)\{([^{}]*)\}", parser.style))
    assert set(rules) == {"table.runtable", "table.runtable td", "table.runtable tr.header td",
                          "table.runtable tr.header td.nocurve"}, rules
    assert "background-color: #F2F2F2;" in rules["table.runtable tr.header td"]
    header, *rows = parser.rows
    assert header[0].get("class") == "header"
    width = len(header[1])
    for _, cells in rows:
        assert len(cells) == width, (len(cells), width)
    return [text for _, text in header[1]], [cells for _, cells in rows]


def run_info(path):
    with h5py.File(path, "r") as f:
        info = f["/runInfo"]

        def text(key):  # texts are stored as a column of UTF-8 bytes
            return numpy.asarray(info[key][()], dtype=numpy.uint8).ravel().tobytes().decode("utf-8") if key in info else ""
        return {"name": text("name"), "comment": text("comment"),
                "creationTimestamp": int(numpy.asarray(info["creationTimestamp"][()]).ravel()[0])}


def legend_style(attrs):
    style = dict(part.split(": ", 1) for part in attrs["style"].rstrip(";").split("; "))
    assert style["border-bottom-color"] == style["color"], style
    assert style["background-color"] == "white"
    return style["color"], style["border-bottom-style"]


def default_colour(hue):
    r, g, b = colorsys.hsv_to_rgb(hue / 360.0, 1.0, 120 / 255.0)
    return tuple(round(x * 255) for x in (r, g, b))


def same_colour(name, rgb):
    got = tuple(int(name[i:i + 2], 16) for i in (1, 3, 5))
    return all(abs(a - b) <= 1 for a, b in zip(got, rgb))


def check(out):
    runs = [run_info(os.path.join(out, f"run{i}.h5")) for i in range(3)]
    assert runs[0]["name"] == "<b>Pull & co</b> %1", runs[0]
    assert runs[0]["comment"] == 'a>b<c & "q"', runs[0]

    for orientation, sep in (("portrait", "\n"), ("landscape", " ")):
        header, rows = parse(os.path.join(out, f"table-{orientation}.html"))
        assert len(rows) == 2, len(rows)  # the third run is hidden
        for run, cells in zip(runs, rows):
            texts = [text for _, text in cells]
            # The comment was moved to the front of the table.
            assert texts[0] == run.get("comment", ""), (texts[0], run)
            assert run["name"] in texts, (run["name"], texts)
            created = time.strftime(f"%Y-%m-%d{sep}%H:%M:%S", time.localtime(int(run["creationTimestamp"])))
            assert created in texts, (created, texts)
        # The legend cells of the run table: 4 ... 11 come right after the comment.
        colours = [legend_style(attrs) for attrs, _ in rows[1][1:9]]
        assert colours[0][0] == "#12abef", colours
        assert [style for _, style in colours[4:]] == ["solid", "dashed", "solid", "solid"], colours

    hues = {"←←": 60, "Engine torque": 240, "Loss power": 120, "Wheel power": 60, "Engine power": 0, "→→": 120,
            " ← ": 240, " → ": 0}
    header, rows = parse(os.path.join(out, "legend-main.html"))
    assert header[1:] == ["←←", "Engine torque", "Loss power", "Wheel power", "Engine power", "→→"], header
    assert len(rows) == 3, len(rows)
    assert [text for _, text in rows[2]][1:] == [""] * 6  # the hidden run keeps only its name
    styles = {}
    for r, cells in enumerate(rows[:2]):
        for title, (attrs, text) in zip(header[1:], cells[1:]):
            colour, style = legend_style(attrs)
            assert same_colour(colour, default_colour(hues[title])), (title, colour)
            styles[(r, title)] = style
            if title in ("←←", "→→"):
                assert text == "██", text
            else:
                assert "\n@" in text, text  # portrait: the speed at the peak on a line of its own
    assert styles[(0, "Engine power")] == "dotted" and styles[(1, "Wheel power")] == "dashed", styles
    assert sum(1 for s in styles.values() if s != "solid") == 2, styles

    header, rows = parse(os.path.join(out, "legend-user.html"))
    assert header[1:] == ["←←", " ← ", " → ", "→→"], header
    assert [text for _, text in rows[0]][0] == runs[0]["name"]
    assert legend_style(rows[1][2][0])[0] == "#12abef"
    for attrs, text in rows[0][1:]:
        assert text == "██", text
    print("run table and legends parse as expected")


def main():
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, ZEMBO_ANALYSIS_OUT=out)
        subprocess.run([sys.argv[1], "reportRunTable"], env=env, check=True)
        check(out)


if __name__ == "__main__":
    main()

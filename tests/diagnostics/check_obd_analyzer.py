#!/usr/bin/python3
"""The analyser on diagnostic traffic built with python-can.

Request and response messages (single and multi-frame, 11 and 29 bit,
negative responses, two ECUs answering at once, frames of the other bus) are
cut into ISO-TP frames here and written as a candump log with python-can's
writer. The program reads the log into the analyser; its entries and its
service-22 records are compared with what is expected of every frame."""
import os
import subprocess
import sys
import tempfile

import can

SERVICES = {0x01: "Show current data", 0x09: "Request vehicle information", 0x22: "Read Data By Identifier",
            0x19: "Read DTC Information"}
REASONS = {0x31: "Neg Response - Request Out Of Range", 0x78: "Neg Response - Response Pending"}


def iso_tp(payload):
    """The frames of one message, each padded to eight bytes."""
    if len(payload) <= 7:
        return [bytes([len(payload)]) + payload + bytes(7 - len(payload))]
    frames = [bytes([0x10 | (len(payload) >> 8), len(payload) & 0xFF]) + payload[:6]]
    rest, seq = payload[6:], 1
    while rest:
        chunk = rest[:7]
        frames.append(bytes([0x20 | seq]) + chunk + bytes(7 - len(chunk)))
        rest, seq = rest[7:], (seq + 1) & 0xF
    return frames


def classify(i):
    if i == 0x7DF:
        return "\\nBroadcast request %02X " % i, "Broadcast", True
    if 0x7E0 <= i <= 0x7E7:
        return "\\nRequest %02X " % i, str(i - 0x7E0), True
    if 0x7E8 <= i <= 0x7EF:
        return "\\nResponse %02X " % i, str(i - 0x7E8), False
    if i == 0x18DB33F1:
        return "\\nBroadcast request %08X " % i, "Broadcast", True
    if i & 0xFFFF00FF == 0x18DA00F1:
        return "\\nRequest %08X " % i, str((i >> 8) & 0xFF), True
    if i & 0x1FFFFF00 == 0x18DAF100:
        return "\\nResponse %08X " % i, str(i & 0xFF), False
    return None


def decode(m, request):
    name = lambda s: SERVICES.get(s, "unknown")  # noqa: E731
    if request:
        text = "\\nService: %02X %s" % (m[0], name(m[0]))
        if len(m) > 1 and m[0] == 0x01:
            text += "\\nPID: %02X" % m[1]
        elif len(m) > 2 and m[0] == 0x22:
            text += "\\nPID: %04X" % (m[1] * 256 + m[2])
        return text
    if m[0] == 0x7F:
        text = "\\nNegative response"
        if len(m) > 2:
            text += "\\nRejected service: %s\\nReason: %s" % (name(m[1]), REASONS.get(m[2], "unknown"))
        return text
    s = m[0] - 0x40
    text = "\\nService: %02X %s" % (s, name(s))
    if len(m) > 1 and s == 0x01:
        text += "\\nPID: %02X\\nDATA: " % m[1] + "".join("%02X " % b for b in m[2:])
    elif len(m) > 2 and s == 0x22:
        text += "\\nPID: %04X\\nDATA: " % (m[1] * 256 + m[2]) + "".join("%02X " % b for b in m[3:])
    return text


def main():
    vin = b"ZEMBO0SIMULATOR17"
    # (identifier, payload, bus); messages of one list entry are interleaved frame by frame.
    script = [
        [(0x7E0, bytes.fromhex("010C"), 0)],
        [(0x7E8, bytes.fromhex("410C1AF8"), 0)],
        [(0x7E8, bytes.fromhex("410C1AF8"), 1)],
        [(0x7E0, bytes.fromhex("22F40C"), 0)],
        [(0x7E8, bytes.fromhex("7F2278"), 0)],
        [(0x7E8, bytes.fromhex("62F40C0BB8"), 0)],
        [(0x7E1, bytes.fromhex("22F405"), 0)],
        [(0x7E9, bytes.fromhex("7F2231"), 0)],
        [(0x7DF, bytes.fromhex("0902"), 0)],
        [(0x7E8, bytes.fromhex("490201") + vin, 0), (0x7E9, bytes.fromhex("490201") + vin[::-1], 0)],
        [(0x18DA10F1, bytes.fromhex("22F190"), 0)],
        [(0x18DAF110, bytes.fromhex("62F190") + b"ABC", 0)],
        [(0x18DB33F1, bytes.fromhex("1902FF"), 0)],
        [(0x18DAF110, bytes.fromhex("5902FF01330008"), 0), (0x18DAF118, bytes.fromhex("5902FF"), 0)],
        [(0x123, bytes.fromhex("0102"), 0)],
    ]
    frames = []  # (id, data, bus, completes-message payload or None)
    for group in script:
        cut = [(i, iso_tp(p), bus, p) for i, p, bus in group]
        for k in range(max(len(c[1]) for c in cut)):
            for i, pieces, bus, payload in cut:
                if k < len(pieces):
                    frames.append((i, pieces[k], bus, payload if k == len(pieces) - 1 else None))
    expected = []
    for i, data, bus, payload in frames:
        if bus != 0:
            continue
        kind = classify(i)
        if not kind:
            continue
        head, ecu, request = kind
        entry = head + "".join("%02X " % b for b in data) + "\\nECU ID: " + ecu
        if payload is not None:
            entry += decode(payload, request)
        expected.append(entry)
    expected_records = {"7E0 22F40C": ("0B B8 ", 2), "18DA10F1 22F190": ("41 42 43 ", 3)}

    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "traffic.log")
        writer = can.CanutilsLogWriter(path, channel="can0")
        for n, (i, data, bus, _) in enumerate(frames):
            writer.on_message_received(can.Message(timestamp=1.0 + n / 1000, arbitration_id=i, data=data,
                                                   is_extended_id=i > 0x7FF, channel="can%d" % bus))
        writer.stop()
        output = subprocess.run(sys.argv[1:] + [path], check=True, capture_output=True).stdout.decode()
    entries = [line.split("\t", 1)[1] for line in output.splitlines() if line.startswith("entry\t")]
    records = {f[1]: (f[2], int(f[3])) for f in (line.split("\t") for line in output.splitlines()
                                                   if line.startswith("record\t"))}
    failures = []
    if len(entries) != len(expected):
        failures.append("%d entries, %d expected" % (len(entries), len(expected)))
    for n, (got, want) in enumerate(zip(entries, expected)):
        if got != want:
            failures.append("entry %d:\n  got  %s\n  want %s" % (n, got, want))
    if records != expected_records:
        failures.append("records %r, expected %r" % (records, expected_records))
    if failures:
        print("\n".join(failures))
        return 1
    print("%d analyser entries and %d service-22 records as expected" % (len(entries), len(records)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""CAN inputs and outputs against canmatrix.

1. A DBC of random signals (both byte orders, signed and unsigned, 1 to 64
   bits, factors, offsets, units, a multiplexer, 11- and 29-bit identifiers)
   is imported by the program; random frames go through the simulated
   controller; every input's value must equal canmatrix's decoding of the same
   bytes, and the signals of other multiplexer values must get nothing.
2. Random output messages are exported as DBC and sent once each; canmatrix
   reads the export (frames, extended flags, signal layout) and decodes what
   the controller sent into each signal's value within one raw step.
"""
import logging
import math
import os
import random
import subprocess
import sys
import tempfile

logging.disable(logging.CRITICAL)
import canmatrix.formats  # noqa: E402

TOOL = sys.argv[1]
rng = random.Random(37)
failures = []


def fail(text):
    failures.append(text)


def motorola_start(lsb, size):
    top = lsb + size - 1
    return (7 - top // 8) * 8 + top % 8


def signal_line(name, mux, lsb, size, little, signed, factor, offset, unit):
    start = lsb if little else motorola_start(lsb, size)
    return ' SG_ %s %s: %d|%d@%d%s (%s,%s) [0|0] "%s" Vector__XXX' % (
        name, (mux + ' ') if mux else '', start, size, 1 if little else 0, '-' if signed else '+',
        repr(factor), repr(offset), unit)


def write_dbc(path):
    lines = ['VERSION ""', '', 'NS_ :', '', 'BS_:', '', 'BU_: ECU', '']
    messages = []
    for m in range(10):
        ident = rng.choice([rng.randrange(0, 0x800), rng.randrange(0x800, 0x20000000)])
        extended = ident > 0x7FF or rng.random() < 0.1
        name = 'MSG%d' % m
        lines.append('BO_ %d %s: 8 ECU' % (ident | (0x80000000 if extended else 0), name))
        mux = None
        if m % 3 == 0:
            mux_little = rng.random() < 0.5
            mux_byte = rng.randrange(8)
            mux = (mux_little, mux_byte)
        signals = []
        for s in range(rng.randrange(3, 9)):
            size = rng.choice([1, 3, 8, 12, 16, 24, 32, 48, 63, 64, rng.randrange(1, 65)])
            lsb = rng.randrange(0, 64 - size + 1)
            little = rng.random() < 0.5
            signed = rng.random() < 0.5
            factor = rng.choice([1, 0.1, 0.125, 0.01, 2.5, 1e-3, 3])
            offset = rng.choice([0, -40, 100.5, -1000, 0.25])
            unit = rng.choice(['', '°C', 'km/h', 'm/s²', 'rpm'])
            muxval = None
            if mux is not None and s % 2 == 0:
                muxval = rng.randrange(0, 4)
            signals.append(('S%d' % s, muxval))
            lines.append(signal_line('S%d' % s, ('m%d' % muxval) if muxval is not None else None, lsb, size,
                                     little, signed, factor, offset, unit))
        if mux is not None:
            little, byte = mux
            lsb = byte * 8 if little else (7 - byte) * 8
            # The multiplexer line comes after some of its signals on purpose.
            lines.append(signal_line('SEL', 'M', lsb, 8, little, False, 1, 0, ''))
        lines.append('')
        messages.append((name, ident, mux))
    with open(path, 'w', encoding='utf-8') as f:
        f.write('\n'.join(lines) + '\n')
    return messages


def frame_bytes(mux, muxval):
    data = bytearray(rng.getrandbits(8) for _ in range(8))
    if mux is not None:
        little, byte = mux
        data[byte] = muxval
    return bytes(data)


def check_decoding(tmp):
    dbc = os.path.join(tmp, 'random.dbc')
    messages = write_dbc(dbc)
    db = canmatrix.formats.loadp_flat(dbc, dbcImportEncoding='utf8')
    frames = []
    for n in range(400):
        name, ident, mux = rng.choice(messages)
        frames.append((name, ident, frame_bytes(mux, rng.randrange(0, 5))))
    with open(os.path.join(tmp, 'frames.txt'), 'w') as f:
        for name, ident, data in frames:
            f.write('0 %x %s\n' % (ident, data.hex()))
    out = subprocess.run([TOOL, 'decode', dbc, os.path.join(tmp, 'frames.txt')], capture_output=True, text=True,
                         timeout=240)
    if out.returncode != 0:
        fail('decode tool failed: ' + out.stderr[-2000:])
        return
    ours = {}
    for line in out.stdout.splitlines():
        index, name, value = line.split('\t')
        ours.setdefault(int(index), {})[name] = float(value)
    checked = 0
    for index, (name, ident, data) in enumerate(frames):
        frame = db.frame_by_name(name)
        decoded = frame.decode(data)
        expected = {}
        for sig_name, value in decoded.items():
            if frame.signal_by_name(sig_name).is_multiplexer:
                continue
            expected['%s - %s' % (name, sig_name)] = float(value.phys_value)
        got = ours.get(index, {})
        if set(got) != set(expected):
            fail('frame %d (%s %s): inputs fed %s, canmatrix decodes %s' % (index, name, data.hex(), sorted(got),
                                                                           sorted(expected)))
            continue
        for key, value in expected.items():
            if not math.isclose(got[key], value, rel_tol=1e-9, abs_tol=1e-9):
                fail('frame %d %s: ours %r, canmatrix %r (data %s)' % (index, key, got[key], value, data.hex()))
            checked += 1
    print('decoding: %d values compared' % checked)
    if checked < 500:
        fail('too few values compared: %d' % checked)


def check_export(tmp):
    out = subprocess.run([TOOL, 'encode', tmp, '37'], capture_output=True, text=True, timeout=240)
    if out.returncode != 0:
        fail('encode tool failed: ' + out.stderr[-2000:])
        return
    db = canmatrix.formats.loadp_flat(os.path.join(tmp, 'canOutputs.dbc'), dbcImportEncoding='utf8')
    expected = {}
    with open(os.path.join(tmp, 'expected.txt'), encoding='utf-8') as f:
        for line in f:
            ident, key, lsb, size, little, signed, value, step = line.rstrip('\n').split('\t')
            expected.setdefault(int(ident), []).append(
                (key, int(lsb), int(size), little == '1', signed == '1', float(value), float(step)))
    by_id = {fr.arbitration_id.id: fr for fr in db.frames}
    if sorted(by_id) != sorted(expected):
        fail('exported frames %s, expected %s' % (sorted(by_id), sorted(expected)))
        return
    checked = 0
    with open(os.path.join(tmp, 'sent.txt')) as f:
        sent = [line.split() for line in f if line.strip()]
    if len(sent) != len(expected):
        fail('%d frames sent for %d messages' % (len(sent), len(expected)))
    for bus, ident, data in sent:
        ident = int(ident, 16)
        frame = by_id.get(ident)
        if frame is None:
            fail('sent id %x not in the export' % ident)
            continue
        if frame.arbitration_id.extended != (ident > 0x7FF):
            fail('id %x: extended flag %s' % (ident, frame.arbitration_id.extended))
        decoded = frame.decode(bytes.fromhex(data))
        for key, lsb, size, little, signed, value, step in expected[ident]:
            name = key.replace(' ', '_').replace('.', '_')
            sig = frame.signal_by_name(name)
            if sig is None:
                fail('id %x: no signal %s' % (ident, name))
                continue
            start = lsb if little else motorola_start(lsb, size)
            layout = (sig.get_startbit(bit_numbering=1, start_little=False) if not little else sig.start_bit,
                      sig.size, sig.is_little_endian, sig.is_signed)
            if layout != (start, size, little, signed):
                fail('id %x %s: layout %s, expected %s' % (ident, name, layout, (start, size, little, signed)))
            got = float(decoded[name].phys_value)
            if abs(got - value) > abs(step) * 1.0000001 + 1e-9:
                fail('id %x %s: canmatrix reads %r, sent %r (step %r)' % (ident, name, got, value, step))
            checked += 1
    print('export: %d signals compared' % checked)
    if checked < 50:
        fail('too few signals compared: %d' % checked)


with tempfile.TemporaryDirectory() as tmp:
    check_decoding(tmp)
    check_export(tmp)

for text in failures[:30]:
    print('FAIL', text)
if failures:
    print('%d failures' % len(failures))
    sys.exit(1)
print('ok')

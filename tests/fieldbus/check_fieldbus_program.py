"""The real program on the simulated dyno records Modbus functions and a
serial instrument: two Modbus interfaces, each on its own socat pty pair with
pymodbus's RTU server behind it, and one serial device whose replies come
from a pyserial responder. "modbus.xml" and "serialInputDevices.xml" are
seeded, a run is started and stopped over the remote control, and h5py finds
every value in the run file under id device × 256 + channel, in "modbus" and
"serialInputChannel".
Usage: check_fieldbus_program.py <zembo>"""
import asyncio
import os
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

import h5py
import serial
from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusRtuFramer

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import zembo_program  # noqa: E402
from zembo_program import wait_for  # noqa: E402


def start_pair(folder, a, b):
    proc = subprocess.Popen(['socat', 'pty,raw,echo=0,link=' + os.path.join(folder, a),
                             'pty,raw,echo=0,link=' + os.path.join(folder, b)], stderr=subprocess.DEVNULL)
    if not wait_for(lambda: os.path.exists(os.path.join(folder, a)) and os.path.exists(os.path.join(folder, b)), 5):
        proc.kill()
        sys.exit('socat did not make the pty pair %s %s' % (a, b))
    return proc


def serve(port, registers):
    store = ModbusSlaveContext(hr=ModbusSequentialDataBlock(1, registers + [0] * 20),
                               ir=ModbusSequentialDataBlock(1, [r + 1 for r in registers] + [0] * 20),
                               zero_mode=False)
    context = ModbusServerContext(slaves={1: store}, single=False)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    loop.run_until_complete(StartAsyncSerialServer(context, framer=ModbusRtuFramer, port=port, baudrate=19200,
                                                   timeout=0.005))


def responder(port, answers, stop):
    line = serial.Serial(port, 9600, timeout=0.05)
    buffer = b''
    try:
        while not stop.is_set():
            buffer += line.read(64)
            while b'\r' in buffer:
                command, buffer = buffer.split(b'\r', 1)
                if command in answers:
                    line.write(answers[command] + b'\r')
    except (OSError, serial.SerialException):
        pass  # the pty pair went away at the end
    line.close()


program = zembo_program.Program(sys.argv[1])
checks = program.checks
check = checks.check
folder = tempfile.mkdtemp(prefix='zembo-fieldbus-')
pairs = [start_pair(folder, 'modbusA', 'slaveA'), start_pair(folder, 'modbusB', 'slaveB'),
         start_pair(folder, 'instrument', 'responder')]
stop = threading.Event()
try:
    threading.Thread(target=serve, args=(os.path.join(folder, 'slaveA'), [100, 200, 300]), daemon=True).start()
    threading.Thread(target=serve, args=(os.path.join(folder, 'slaveB'), [7000, 8000, 9000]), daemon=True).start()
    threading.Thread(target=responder, args=(os.path.join(folder, 'responder'),
                                             {b'T?': b'23.5', b'H?': b'41'}, stop), daemon=True).start()

    program.seed_settled_board(zembo_program.password_for_one_word('field bus'))
    program.start_and_stop()
    # A run needs an active project.
    database = sqlite3.connect(program.database)
    project = database.execute(
        "insert into projects2 (vehicleId, projectName) values ('FB 38', 'Field bus')").lastrowid
    database.commit()
    database.close()
    lines = [("lastProjectId=%d" % project) if l.startswith("lastProjectId=") else l for l in program.read_ini()]
    if not any(l.startswith("lastProjectId=") for l in lines):
        lines.insert(lines.index("[UserSetting]") + 1 if "[UserSetting]" in lines else 0, "lastProjectId=%d" % project)
    zembo_program.write(program.ini, "\n".join(lines) + "\n")
    # Files the program writes carry every attribute; a missing scaling reads as 0.
    scaling = 'multiplier="1" divider="1" offset="0"'
    modbus_line = 'baudrate="19200" dataBits="8" parity="0" stopBits="1" flowControl="0"'
    zembo_program.write(os.path.join(program.zembo, 'modbus.xml'), (
        '<modbus>'
        '<interface name="A" serialPort="%s" %s>'
        '<function name="HoldA" slaveId="1" functionCode="3" address="0" responseWaitTime="0.1" %s/>'
        '<function name="InA" slaveId="1" functionCode="4" address="2" responseWaitTime="0.1" %s/>'
        '</interface>'
        '<interface name="B" serialPort="%s" %s>'
        '<function name="HoldB" slaveId="1" functionCode="3" address="1" responseWaitTime="0.1" %s/>'
        '</interface></modbus>') % (os.path.join(folder, 'modbusA'), modbus_line, scaling, scaling,
                                    os.path.join(folder, 'modbusB'), modbus_line, scaling))
    zembo_program.write(os.path.join(program.zembo, 'serialInputDevices.xml'), (
        '<serialInputDevices><device name="Meter" serialPort="%s" baudrate="9600" dataBits="8" parity="0" '
        'stopBits="1" flowControl="0" initCommands="" dataResponseWaitTime="0.1" initResponseWaitTime="0.2">'
        '<channel name="Temp" command="T?" %s/><channel name="Hum" command="H?" %s/>'
        '</device></serialInputDevices>') % (os.path.join(folder, 'instrument'), scaling, scaling))

    program.start()
    path = ''
    try:
        admin = program.admin()
        check(admin.ask(b'TAB RUN') == b'OK', 'TAB RUN')
        before = program.run_files()
        check(admin.ask(b'START-STOP') == b'OK', 'START')
        check(wait_for(lambda: program.logged('Run START')), 'run started')
        check(wait_for(lambda: len(program.run_files() - before) == 1), 'one new run file')
        new = sorted(program.run_files() - before)
        path = os.path.join(program.runs, new[0]) if new else ''
        time.sleep(4.0)
        check(admin.ask(b'START-STOP') == b'OK', 'STOP')
        check(wait_for(lambda: program.logged('Run STOP')), 'run stopped')
        time.sleep(1.0)
        admin.sock.close()
    finally:
        program.stop()
finally:
    stop.set()
    for p in pairs:
        p.kill()

expected_modbus = {0: 100.0, 1: 301.0, 256: 8000.0}
expected_serial = {0: 23.5, 1: 41.0}
if path:
    with h5py.File(path, 'r') as f:
        frames = f['frames']
        for table, expected in (('modbus', expected_modbus), ('serialInputChannel', expected_serial)):
            check(table in frames, 'table %s in the run file' % table)
            if table not in frames:
                continue
            data = frames[table][()]
            ids = set(int(i) for i in data['id'])
            check(ids == set(expected), '%s ids %s, expected %s' % (table, sorted(ids), sorted(expected)))
            for ident, value in expected.items():
                values = [float(v) for v, i in zip(data['value'], data['id']) if i == ident]
                good = [v for v in values if v == v]
                check(len(good) >= 3 and all(v == value for v in good),
                      '%s id %d: %d values, first %s, expected %s' % (table, ident, len(values), values[:4], value))
        for name in ('modbusSetup', 'serialInputDevicesSetup'):
            check(any(name in group for group in f.values() if hasattr(group, 'keys')) or name in f,
                  '%s stored with the run' % name)
if checks.failures:
    for line in program.log_text().splitlines():
        if 'odbus' in line or 'erial' in line or 'Meter' in line:
            print(line[:200])
checks.finish('two Modbus interfaces and a serial instrument recorded by the real program')

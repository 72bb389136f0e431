"""The Modbus master against pymodbus's RTU serial server, over real ttys:
two socat pty pairs joined by a relay of ours (program <-> relay <-> slave),
which can push stale bytes at the master right before a slave's reply.
Checks: every query equals the frame built with crcmod's "modbus" CRC; reads
equal the datastore (0xFFFF is 65535); writes land in it; an illegal address
gives "Exception: illegal data address"; an absent slave "Response too
short"; a coil write of 1 is echoed as 0000 (mismatch) while 0xFF00 is
confirmed; stale bytes on the line never become a value; with every reply
late by 1.5 times the wait, two functions reading different registers never
show each other's value and read NaN, then their own once the delay is gone.
Usage: check_modbus_pymodbus.py <modbus_reference>"""
import asyncio
import os
import select
import subprocess
import sys
import tempfile
import threading
import time

import crcmod.predefined
from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusRtuFramer

CRC = crcmod.predefined.mkPredefinedCrcFun('modbus')


def frame(body):
    crc = CRC(body)
    return body + bytes([crc & 0xFF, crc >> 8])


def start_pair(folder, a, b):
    proc = subprocess.Popen(['socat', 'pty,raw,echo=0,link=' + os.path.join(folder, a),
                             'pty,raw,echo=0,link=' + os.path.join(folder, b)],
                            stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.exists(os.path.join(folder, a)) and os.path.exists(os.path.join(folder, b)):
            return proc
        time.sleep(0.05)
    proc.kill()
    raise SystemExit('socat did not make the pty pair ' + a + ' ' + b)


class Relay(threading.Thread):
    """Copies bytes both ways; with `stale` set, writes those bytes towards
    the master just before the next reply of the slave."""

    def __init__(self, master_side, slave_side):
        super().__init__(daemon=True)
        self.m = os.open(master_side, os.O_RDWR | os.O_NOCTTY)
        self.s = os.open(slave_side, os.O_RDWR | os.O_NOCTTY)
        self.stale = b''
        self.delay = 0.0
        self.stop = False

    def run(self):
        while not self.stop:
            ready, _, _ = select.select([self.m, self.s], [], [], 0.05)
            for fd in ready:
                data = os.read(fd, 4096)
                if fd == self.m:
                    os.write(self.s, data)
                else:
                    if self.stale:
                        os.write(self.m, self.stale)
                        self.stale = b''
                    if self.delay > 0:
                        threading.Timer(self.delay, os.write, (self.m, data)).start()
                    else:
                        os.write(self.m, data)


def serve(port, context, loop_holder):
    loop = asyncio.new_event_loop()
    loop_holder.append(loop)
    asyncio.set_event_loop(loop)
    loop.run_until_complete(StartAsyncSerialServer(context, framer=ModbusRtuFramer, port=port, baudrate=19200,
                                                   timeout=0.005))


def run_master(program, port, seconds, functions):
    out = subprocess.run([program, port, str(seconds)] + functions, capture_output=True, text=True,
                         timeout=seconds + 30)
    if out.returncode != 0:
        raise SystemExit('modbus_reference failed: ' + out.stderr[-2000:])
    return out.stdout.splitlines()


def main():
    program = sys.argv[1]
    folder = tempfile.mkdtemp(prefix='zembo-modbus-')
    pairs = [start_pair(folder, 'master', 'relayA'), start_pair(folder, 'relayB', 'slave')]
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    try:
        # Coils, discrete inputs, holding and input registers of slave 1 (pymodbus
        # addresses blocks from 1 here, so block index i+1 is protocol address i).
        store = ModbusSlaveContext(
            co=ModbusSequentialDataBlock(1, [0, 1, 0, 1] + [0] * 96),
            di=ModbusSequentialDataBlock(1, [1, 0, 1] + [0] * 97),
            hr=ModbusSequentialDataBlock(1, [0x1234, 0xFFFF, 0, 0, 7] + [0] * 95),
            ir=ModbusSequentialDataBlock(1, [42, 0x8000] + [0] * 98), zero_mode=False)
        context = ModbusServerContext(slaves={1: store}, single=False)
        loops = []
        server = threading.Thread(target=serve, args=(os.path.join(folder, 'slave'), context, loops), daemon=True)
        server.start()
        relay = Relay(os.path.join(folder, 'relayA'), os.path.join(folder, 'relayB'))
        relay.start()
        time.sleep(0.5)

        functions = ['coil:1:1:1', 'input:1:2:2', 'holding:1:3:1', 'inreg:1:4:0', 'big:1:3:0x1',
                     'writeReg:1:6:3:4660', 'coilOne:1:5:2:1', 'coilOn:1:5:3:65280',
                     'illegal:1:3:0x2000', 'absent:9:3:0']
        lines = run_master(program, os.path.join(folder, 'master'), 4, functions)

        texts = {}
        values = {}
        for line in lines:
            parts = line.split(' ', 2)
            if parts[0] == 'TEXT':
                texts.setdefault(parts[1], []).append(parts[2])
            elif parts[0] == 'VALUE':
                values.setdefault(parts[1], []).append(float(parts[2]))
        sent = [bytes.fromhex(l.split()[1]) for l in lines if l.startswith('TX ') and len(l.split()) > 1]
        expected_queries = {
            frame(bytes([1, 1, 0, 1, 0, 1])), frame(bytes([1, 2, 0, 2, 0, 1])), frame(bytes([1, 3, 0, 1, 0, 1])),
            frame(bytes([1, 4, 0, 0, 0, 1])), frame(bytes([1, 6, 0, 3, 0x12, 0x34])),
            frame(bytes([1, 5, 0, 2, 0, 1])), frame(bytes([1, 5, 0, 3, 0xFF, 0])),
            frame(bytes([1, 3, 0x20, 0, 0, 1])), frame(bytes([9, 3, 0, 0, 0, 1]))}
        check(set(sent) == expected_queries,
              'queries differ from crcmod frames: %s' % sorted(q.hex() for q in set(sent) ^ expected_queries))
        for name, value in [('coil', 1), ('input', 1), ('holding', 65535), ('inreg', 42), ('big', 65535)]:
            check(values.get(name) and all(v == value for v in values[name]),
                  '%s read %s, datastore %s' % (name, values.get(name, [])[:3], value))
        check(store.getValues(6, 3, 1) == [0x1234], 'register write did not land: %s' % store.getValues(6, 3, 1))
        check(store.getValues(5, 3, 1) == [True], 'coil write 0xFF00 did not land')
        check(all(t.startswith('OK') for t in texts.get('coilOn', ['none'])), 'coil 0xFF00: %s' % texts.get('coilOn'))
        check(texts.get('coilOne') and all(t == 'Data write confirmation mismatch' for t in texts['coilOne']),
              'coil write of 1: %s' % texts.get('coilOne', [])[:2])
        check(texts.get('illegal') and all(t == 'Exception: illegal data address' for t in texts['illegal']),
              'illegal address: %s' % texts.get('illegal', [])[:2])
        check(texts.get('absent') and all(t == 'Response too short' for t in texts['absent']),
              'absent slave: %s' % texts.get('absent', [])[:2])
        check(len(values.get('holding', [])) >= 3, 'too few transactions: %s' % {k: len(v) for k, v in values.items()})

        # Stale bytes pushed ahead of replies: whatever they are, no function
        # ever shows a value that is not its own.
        stale_lines = []
        stop = threading.Event()

        def inject():
            # A valid-looking reply of the first function, now glued in front
            # of a slave's reply, now arriving on its own while the line idles.
            n = 0
            while not stop.is_set():
                if n % 2:
                    relay.stale = frame(bytes([1, 3, 2, 0x0B, 0xAD]))
                else:
                    os.write(relay.m, frame(bytes([1, 3, 2, 0x0B, 0xAD])))
                n += 1
                time.sleep(0.29)
        injector = threading.Thread(target=inject, daemon=True)
        injector.start()
        stale_lines = run_master(program, os.path.join(folder, 'master'), 3, ['holding:1:3:1', 'inreg:1:4:0'])
        stop.set()
        injector.join()
        relay.stale = b''
        got = {}
        for line in stale_lines:
            parts = line.split(' ', 2)
            if parts[0] == 'VALUE':
                got.setdefault(parts[1], []).append(float(parts[2]))
        check(not any(v == 0x0BAD for vs in got.values() for v in vs), 'a stale frame became a value: %s' % got)
        check(any(v == 65535 for v in got.get('holding', [])) and any(v == 42 for v in got.get('inreg', [])),
              'no good value between the stale bytes: %s' % {k: v[:5] for k, v in got.items()})
        # Every reply 150 ms late against a 100 ms wait, for 2 s; then on time.
        relay.delay = 0.15
        master = subprocess.Popen([program, os.path.join(folder, 'master'), '4', 'regA:1:3:0', 'regE:1:3:4'],
                                  stdout=subprocess.PIPE, text=True)
        time.sleep(2.0)
        relay.delay = 0.0
        late_lines = master.communicate(timeout=30)[0].splitlines()
        seen = {'regA': [], 'regE': []}
        for line in late_lines:
            parts = line.split(' ', 2)
            if parts[0] == 'VALUE':
                seen[parts[1]].append(float(parts[2]))
        check(not any(v == 7 for v in seen['regA']) and not any(v == 0x1234 for v in seen['regE']),
              'a late reply was read as the other function\'s: %s' % seen)
        check(seen['regA'] and seen['regA'][0] != seen['regA'][0] and seen['regE'] and seen['regE'][0] != seen['regE'][0],
              'late replies read as NaN first: %s' % {k: v[:3] for k, v in seen.items()})
        check(seen['regA'][-3:] == [0x1234] * 3 and seen['regE'][-3:] == [7] * 3,
              'own values once the delay is gone: %s' % {k: v[-3:] for k, v in seen.items()})
        relay.stop = True
        if loops:
            loops[0].call_soon_threadsafe(loops[0].stop)
    finally:
        for p in pairs:
            p.kill()
    if failures:
        for f in failures:
            print('FAIL:', f)
        return 1
    print('pymodbus peer: 1 passed, 0 failed')
    return 0


if __name__ == '__main__':
    sys.exit(main())

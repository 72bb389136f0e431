"""Segments payloads into ISO-TP frames with python-can's message type, writes
them as a candump log with python-can's writer, and checks that the assembler
gives exactly the payloads that arrived whole and nothing else."""
import os
import random
import subprocess
import sys
import tempfile

import can

RX_ID = 0x7E8


def frames_of(payload):
    """ISO 15765-2 segmentation, normal addressing, classic CAN, padded to 8."""
    n = len(payload)
    if n <= 7:
        return [bytes([n]) + payload + bytes(7 - n)]
    out = [bytes([0x10 | (n >> 8), n & 0xFF]) + payload[:6]]
    rest = payload[6:]
    seq = 1
    while rest:
        chunk = rest[:7]
        rest = rest[7:]
        out.append(bytes([0x20 | seq]) + chunk + bytes(7 - len(chunk)))
        seq = (seq + 1) & 0x0F
    return out


def main():
    tool = sys.argv[1]
    rng = random.Random(35)
    frames = []   # data bytes of each frame in order
    expected = []

    def send(payload):
        frames.extend(frames_of(payload))
        expected.append(payload)

    # Every length of a single frame, the first multi-frame lengths, the
    # sequence wrap past 15 (>= 6 + 15*7 bytes) and the longest message.
    for n in list(range(0, 9)) + [13, 14, 20, 111, 112, 118, 500, 4094, 4095]:
        send(bytes(rng.randrange(256) for _ in range(n)))
    # Flow control from the tester between the frames of a message changes nothing.
    body = frames_of(bytes(range(40)))
    frames.extend([body[0], bytes([0x30, 0, 0, 0, 0, 0, 0, 0])] + body[1:])
    expected.append(bytes(range(40)))
    # A lost consecutive frame abandons its message; the next one still comes.
    lost = frames_of(bytes(rng.randrange(256) for _ in range(60)))
    frames.extend(lost[:3] + lost[4:])
    send(b"\x62\xF1\x90ABCDEFGHIJ")
    # A repeated consecutive frame abandons its message too.
    rep = frames_of(bytes(rng.randrange(256) for _ in range(30)))
    frames.extend(rep[:2] + [rep[1]] + rep[2:])
    send(bytes([0x41, 0x0C, 0x1A, 0xF8]))
    # A repeated frame after the sequence wrapped (seq 0 twice).
    wrap = frames_of(bytes(rng.randrange(256) for _ in range(130)))
    frames.extend(wrap[:17] + [wrap[16]] + wrap[17:])
    # First frames that declare 0 or fewer than 8 bytes give nothing.
    frames.append(bytes([0x10, 0x00, 1, 2, 3, 4, 5, 6]))
    frames.append(bytes([0x10, 0x05, 1, 2, 3, 4, 5, 6]))
    frames.append(bytes([0x21, 7, 7, 7, 7, 7, 7, 7]))
    # Single frames declaring 8..15 bytes give nothing.
    for n in range(8, 16):
        frames.append(bytes([n, 1, 2, 3, 4, 5, 6, 7]))
    # A single frame inside a reception comes out and ends the reception; the
    # rest of the interrupted message is stray and ignored.
    inner = frames_of(bytes(rng.randrange(256) for _ in range(50)))
    frames.extend(inner[:3])
    send(bytes([0x22, 0xF1, 0x90]))
    frames.extend(inner[3:])
    # A first frame inside a reception starts the new message.
    first = frames_of(bytes(rng.randrange(256) for _ in range(25)))
    frames.extend(first[:2])
    send(bytes(rng.randrange(256) for _ in range(33)))

    with tempfile.TemporaryDirectory() as tmp:
        log = os.path.join(tmp, "isotp.log")
        writer = can.io.CanutilsLogWriter(log, channel="vcan0")
        t = 1700000000.0
        for data in frames:
            t += 0.0005
            writer.on_message_received(can.Message(timestamp=t, arbitration_id=RX_ID,
                                                   is_extended_id=False, data=data))
        writer.stop()
        # Read back with python-can's reader, so the file is a candump log.
        count = sum(1 for _ in can.io.CanutilsLogReader(log))
        if count != len(frames):
            print(f"log holds {count} frames, wrote {len(frames)}")
            return 1
        out = subprocess.run([tool, log], capture_output=True, text=True, check=True).stdout.split()

    want = [p.hex().upper() if p else "-" for p in expected]
    if out != want:
        for i, (a, b) in enumerate(zip(out, want)):
            if a != b:
                print(f"message {i}: got {a[:60]}... want {b[:60]}...")
                break
        print(f"got {len(out)} messages, want {len(want)}")
        return 1
    print(f"{len(want)} messages reassembled from {len(frames)} frames")
    return 0


if __name__ == "__main__":
    sys.exit(main())

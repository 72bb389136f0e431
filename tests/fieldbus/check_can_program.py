#!/usr/bin/python3
"""CAN outputs and inputs through the real program on the simulated dyno with
the controller's buses looped back: a repeat message of canOutputs.xml goes
out through the MCU link, comes back on the other bus, reaches the CAN input
of canInputs.xml through the run thread and is read over the remote control;
the input list is saved again at quit."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import zembo_program  # noqa: E402
from zembo_program import wait_for  # noqa: E402

program = zembo_program.Program(sys.argv[1], env={"ZEMBO_SIM_CONTROLLER": "canLoopback=1",
                                                  "ZEMBO_INSTANCE_KEY": "zembo-check-can-%d" % os.getpid()})
check = program.checks.check
os.makedirs(program.zembo, exist_ok=True)
program.seed_settled_board()
zembo_program.write(os.path.join(program.zembo, "canInputs.xml"),
                    '<canInputs><canInput name="loop" channelId="1" canId="291" bitCount="8" byteOffset="0" '
                    'multiplier="1" divider="1"/></canInputs>')
zembo_program.write(os.path.join(program.zembo, "canOutputs.xml"),
                    '<canOutputs><canOutput channelId="0" canId="291" initialData="0" endianness="0">'
                    '<trigger mode="1" interval="100" active="1"/>'
                    '<channel multiplier="1" divider="1" isSigned="0" bitCount="8" byteOffset="0" bitOffset="0">'
                    '<argument type="constant" value="42" unitType="0"/></channel></canOutput></canOutputs>')
program.start()
client = program.client()
answers = []


def looped_back():
    answers.append(client.ask(b"CHANNEL C_loop"))
    return answers[-1] == b"CHANNEL C_loop 42"


check(wait_for(looped_back), "the looped-back output reaches the CAN input (last answer %r)" % answers[-1:])
program.stop()
with open(os.path.join(program.zembo, "canInputs.xml"), encoding="utf-8") as f:
    check('name="loop"' in f.read(), "canInputs.xml saved again at quit")
program.checks.finish("CAN output to CAN input through the real program: as it must be")

#!/usr/bin/python3
"""The OBD / UDS page in the real program on the simulated dyno.

A stored "Log communication" starts a new log file at every start; the
channel list of "UDSChannels.xml" is loaded by the page and saved again at
quit attribute for attribute (read with xml.etree); an unreadable channel
file is kept as "UDSChannels.xml.bad" and not overwritten by the next save."""
import glob
import os
import sys
import time
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import zembo_program  # noqa: E402

program = zembo_program.Program(sys.argv[1], env={"ZEMBO_INSTANCE_KEY": "zembo-check-obd-%d" % os.getpid()})
check = program.checks.check
os.makedirs(program.zembo, exist_ok=True)
program.seed_settled_board()
program.set_ini({("UserSetting", "checkBox_settings_obd_logCommunication"): "2",
                 ("UserSetting", "comboBox_settings_obdInterfaceType"): "1",
                 ("UserSetting", "comboBox_settings_obdProtocol"): "6"})
channels_path = os.path.join(program.zembo, "UDSChannels.xml")
zembo_program.write(channels_path,
                    '<UDSChannels>'
                    '<UDSChannel name="Engine speed" header="" command="010C" prefixCommands="" suffixCommands="" '
                    'equation="(A*256+B)/4" priorityGroup="1" vehicleParamId="-1" supportBit="-1"/>'
                    '<UDSChannel name="Road speed" header="7E0" command="010D" prefixCommands="ATCAF0" '
                    'suffixCommands="ATCAF1" equation="A" priorityGroup="3" vehicleParamId="-1" supportBit="2"/>'
                    '<Foreign note="skipped"/>'
                    '</UDSChannels>')
seeded = {e.get("name"): e.attrib for e in ET.parse(channels_path).getroot() if e.tag == "UDSChannel"}
log_dir = os.path.join(program.zembo, "log")


def obd_logs():
    return sorted(glob.glob(os.path.join(log_dir, "obd_*.txt")))


program.start()
check(len(obd_logs()) == 1, "a stored 'Log communication' starts a log file: %r" % obd_logs())
program.stop()

root = ET.parse(channels_path).getroot()
check(root.tag == "UDSChannels", "root element %s" % root.tag)
saved = {e.get("name"): e.attrib for e in root if e.tag == "UDSChannel"}
check(sorted(saved) == sorted(seeded), "channels saved at quit: %r" % sorted(saved))
for name, attributes in seeded.items():
    for key, value in attributes.items():
        check(saved.get(name, {}).get(key) == value,
              "%s %s saved as %r, seeded %r" % (name, key, saved.get(name, {}).get(key), value))
check(not any(e.tag == "Foreign" for e in root), "a foreign element is not saved")
check(program.ini_value("UserSetting", "comboBox_settings_obdProtocol") == "6", "the protocol stays stored")

# The second start makes a log file of its own, also within the same second.
program.start()
check(len(obd_logs()) == 2, "two starts, two log files: %r" % obd_logs())
program.stop()

zembo_program.write(channels_path, "<UDSChannels><UDSChannel name=\"cut")
program.start()
bad = channels_path + ".bad"
check(os.path.exists(bad), "an unreadable channel file is kept as UDSChannels.xml.bad")
program.stop()
if os.path.exists(bad):
    with open(bad, encoding="utf-8") as f:
        check(f.read() == "<UDSChannels><UDSChannel name=\"cut", "the kept copy is the unreadable file")
program.checks.finish("OBD page: log files, channel file saved and kept, on the real program")

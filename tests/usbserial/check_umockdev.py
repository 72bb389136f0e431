#!/usr/bin/python3
"""libusb under umockdev: a testbed of sysfs descriptors (a root hub and an
external hub, which the library must skip, a one-interface and a
two-interface USB-serial chip) and the probe program run outside the test
world, so the library goes to libusb instead of the simulated bus. libusb must
list VID/PID, bcdDevice, bus and address, open and claim; the library must
count three serial devices and give their locations."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile


def device_descriptor(vid, pid, bcd, device_class=0, max_packet0=64):
    return struct.pack("<BBHBBBBHHHBBBB", 18, 1, 0x0200, device_class, 0, 0, max_packet0,
                       vid, pid, bcd, 1, 2, 3, 1)


def config_descriptor(interfaces, packet, interface_class=0xFF):
    body = b""
    for k in range(interfaces):
        body += struct.pack("<BBBBBBBBB", 9, 4, k, 0, 2, interface_class, 0xFF, 0xFF, 2)
        body += struct.pack("<BBBBHB", 7, 5, 0x81 + 2 * k, 2, packet, 0)
        body += struct.pack("<BBBBHB", 7, 5, 0x02 + 2 * k, 2, packet, 0)
    return struct.pack("<BBHBBBBB", 9, 2, 9 + len(body), interfaces, 1, 0, 0xA0, 45) + body


def hub_config():
    return (struct.pack("<BBHBBBBB", 9, 2, 25, 1, 1, 0, 0xE0, 0)
            + struct.pack("<BBBBBBBBB", 9, 4, 0, 0, 1, 9, 0, 0, 0)
            + struct.pack("<BBBBHB", 7, 5, 0x81, 3, 4, 12))


def block(syspath, bus, address, descriptors, vid, pid, bcd, speed):
    name = f"bus/usb/{bus:03d}/{address:03d}"
    return "\n".join([
        f"P: {syspath}",
        f"N: {name}",
        f"E: DEVNAME=/dev/{name}",
        "E: DEVTYPE=usb_device",
        "E: DRIVER=usb",
        f"E: PRODUCT={vid:x}/{pid:x}/{bcd:x}",
        "E: SUBSYSTEM=usb",
        f"E: BUSNUM={bus:03d}",
        f"E: DEVNUM={address:03d}",
        f"A: busnum={bus}",
        f"A: devnum={address}",
        f"A: speed={speed}",
        "A: bConfigurationValue=1",
        f"A: idVendor={vid:04x}",
        f"A: idProduct={pid:04x}",
        f"A: bcdDevice={bcd:04x}",
        f"H: descriptors={descriptors.hex().upper()}",
        "",
    ]) + "\n"


def main():
    probe = sys.argv[1]
    if not shutil.which("umockdev-run"):
        print("umockdev-run is missing (Debian package umockdev)")
        sys.exit(1)
    root = "/devices/pci0000:00/0000:00:14.0"
    devices = [
        # (syspath, bus, address, descriptors, vid, pid, bcd, speed)
        (f"{root}/usb3", 3, 1, device_descriptor(0x1D6B, 0x0002, 0x0601, 9) + hub_config(),
         0x1D6B, 0x0002, 0x0601, 480),
        (f"{root}/usb3/3-1", 3, 2, device_descriptor(0x05E3, 0x0608, 0x8537, 9) + hub_config(),
         0x05E3, 0x0608, 0x8537, 480),
        (f"{root}/usb3/3-1/3-1.1", 3, 5, device_descriptor(0x0403, 0x6001, 0x0600, 0, 8)
         + config_descriptor(1, 64), 0x0403, 0x6001, 0x0600, 12),
        (f"{root}/usb3/3-1/3-1.2", 3, 7, device_descriptor(0x0403, 0x6010, 0x0700)
         + config_descriptor(2, 512), 0x0403, 0x6010, 0x0700, 480),
    ]
    with tempfile.TemporaryDirectory() as tmp:
        testbed = os.path.join(tmp, "usb.umockdev")
        with open(testbed, "w") as f:
            f.write("\n".join(block(*d) for d in devices))
        env = {k: v for k, v in os.environ.items() if k not in ("ZEMBO_TEST", "ZEMBO_SIMULATE")}
        result = subprocess.run(["umockdev-run", "--device", testbed, "--", probe], capture_output=True,
                                text=True, env=env, timeout=60)
    print(result.stdout)
    print(result.stderr, file=sys.stderr)
    lines = result.stdout.splitlines()
    failures = []
    seen = [l for l in lines if l.startswith("device ")]
    for (_, bus, address, _, vid, pid, bcd, _) in devices:
        prefix = f"device {vid:04x}:{pid:04x} bcd {bcd:04x} bus {bus} address {address} "
        match = [l for l in seen if l.startswith(prefix)]
        if not match:
            failures.append(f"libusb does not list {prefix.strip()}")
            continue
        if vid == 0x0403 and " open 0 claim 0" not in match[0]:
            failures.append(f"cannot open and claim: {match[0]}")
    if "library devices 3" not in lines:
        failures.append("the library does not count three serial devices")
    # In libusb's order, which is not the order of the testbed.
    locations = {l.split()[3] for l in lines if l.startswith("library location ") and l.endswith(" status 0")}
    wanted = {f"0x{x:x}" for x in (3 << 8 | 5, (3 << 8 | 7) << 4 | 1, (3 << 8 | 7) << 4 | 2)}
    if locations != wanted:
        failures.append(f"locations {sorted(locations)}, expected {sorted(wanted)}")
    for f in failures:
        print(f)
    sys.exit(1 if failures or result.returncode else 0)


main()

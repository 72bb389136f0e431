"""Reads the program's settings.ini with Python's configparser (no Qt) and
decodes the stored values, including the serialised list payloads, which hold
the elements only, without a count. Usage: check_settings_ini.py <writer>"""
import base64
import configparser
import os
import re
import struct
import subprocess
import sys

def unescape(value):
    """Undo the INI escaping of a stored value (quotes, backslash escapes)."""
    if value.startswith('"') and value.endswith('"'):
        value = value[1:-1]
    out = bytearray()
    i = 0
    while i < len(value):
        c = value[i]
        if c != '\\':
            out += c.encode('utf-8')
            i += 1
            continue
        n = value[i + 1]
        if n == 'x':
            m = re.match(r'[0-9a-fA-F]+', value[i + 2:])
            out.append(int(m.group(0), 16))
            i += 2 + len(m.group(0))
        elif n == '0':
            out.append(0)
            i += 2
        else:
            out += {'"': b'"', '\\': b'\\', 'n': b'\n', 'r': b'\r', 't': b'\t', 'a': b'\a', 'b': b'\b',
                    'f': b'\f', 'v': b'\v'}.get(n, n.encode())
            i += 2
    return bytes(out)

def user_variant(value):
    """Splits "@Variant(...)" into (type name, payload)."""
    raw = unescape(value)
    assert raw.startswith(b'@Variant(') and raw.endswith(b')'), raw
    data = raw[len(b'@Variant('):-1]
    (type_id,) = struct.unpack('>I', data[:4])
    assert type_id == 127, type_id  # a user type, named below
    (name_len,) = struct.unpack('>I', data[4:8])
    name = data[8:8 + name_len].rstrip(b'\0').decode()
    return name, data[8 + name_len:]

def main():
    path = subprocess.run([sys.argv[1]], check=True, capture_output=True, text=True).stdout.strip()
    mode = os.stat(path).st_mode & 0o777
    assert mode == 0o600, oct(mode)
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str  # keys are case-sensitive
    with open(path, encoding='utf-8') as f:
        parser.read_file(f)
    g = parser['General']
    u = parser['UserSetting']
    assert g['appVersion'] == '6.28.3', g['appVersion']
    assert g['deviceCode'] == 'ZR5L', g['deviceCode']
    assert u['checkBox_settings_alarmSound'] == 'true'
    assert int(u['spinBox_settings_resampleFrequency']) == 500
    assert float(u['doubleSpinBox_settings_rollerDiameter']) == 0.3183
    assert unescape(u['lineEdit_settings_projectName']).decode() == 'Zöld, "Bogár" = 1'
    password = base64.b64decode(unescape(u['lineEdit_settings_smtpPassword'])).decode()
    assert password == 'pässwörd', password

    name, payload = user_variant(u['DynoSetting\\lossModel'])
    assert name in ('QList<double>', 'QVector<double>'), name
    assert len(payload) == 5 * 8, len(payload)  # no element count in front
    values = struct.unpack('>5d', payload)
    assert values == (12.5, -0.25, 0.001, 0.0, 1e-7), values

    name, payload = user_variant(u['DynoSetting\\rollerPoints'])
    assert len(payload) == 4 * 8, len(payload)
    assert struct.unpack('>4d', payload) == (0.0, 1.0, 2.5, -3.0)

    name, payload = user_variant(u['intList'])
    assert len(payload) == 3 * 4, len(payload)
    assert struct.unpack('>3i', payload) == (3, -1, 65536)

    assert parser['UISettings']['windowPosition'] == '@Point(10 20)'
    print('settings.ini read by configparser: ok')
    return 0

if __name__ == '__main__':
    sys.exit(main())

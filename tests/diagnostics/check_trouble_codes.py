#!/usr/bin/python3
"""Checks the trouble-code decoding and the dictionary.

Every two-byte code is decoded here on its own, from the SAE J1979 form (the
upper two bits pick P, C, B or U, the next two the first digit, the last
twelve bits are three hex digits), and compared with the program's list. The
dictionary's key sets are expanded from the ranges the codes are defined by
and compared with the program's keys; every text is checked for its form.
"""
import subprocess
import sys

P_KEYS = """P0010-P0016, P0020-P0025, P0030-P0038, P0042-P0044, P0050-P0052, P0056-P0058, P0062-P0068, P0070-P0086, P0100-P0126, P0128, P0130-P0147, P0150-P0167, P0169-P0296, P0300-P0313, P0315, P0318, P0320-P0344, P0350-P0362, P0370-P0382, P0385-P0389, P0400-P0408, P0410-P0424, P0430-P0434, P0440-P0455, P0460-P0485, P0496, P0500-P0503, P0505-P0507, P0510, P0512, P0520-P0523, P0526, P0530-P0534, P0550-P0554, P0560-P0571, P0573-P0576, P0578-P0580, P0600-P0610, P0615-P0617, P0620-P0622, P0625-P0626, P0628-P0629, P0638, P0641, P0645-P0647, P0650-P0651, P0654-P0656, P0660-P0662, P0685, P0691-P0694, P0700-P0728, P0730-P0736, P0740-P0774, P0780-P0790, P0801, P0803-P0804, P0850, P0856, P0894, P0897, P0962-P0963, P0966-P0967, P0970-P0971, P0973-P0974, P0976-P0977, P0979-P0980, P0982-P0983, P0985-P0986, P1031-P1032, P1101, P1105-P1109, P1111-P1122, P1125, P1130-P1141, P1143-P1145, P1153-P1159, P1161, P1163-P1165, P1170-P1172, P1185-P1191, P1200-P1203, P1211-P1212, P1214-P1222, P1225, P1228, P1231, P1234, P1237, P1240, P1243, P1245, P1250, P1257-P1258, P1260, P1270-P1278, P1280-P1283, P1285-P1288, P1300, P1305, P1310, P1315, P1320-P1324, P1335-P1336, P1345-P1346, P1350-P1368, P1370-P1372, P1374-P1377, P1380-P1381, P1390-P1399, P1403-P1410, P1415-P1416, P1418, P1420-P1421, P1423, P1431-P1433, P1441-P1442, P1450-P1451, P1460, P1480-P1484, P1500-P1504, P1508-P1511, P1514-P1548, P1551, P1554-P1555, P1558-P1588, P1599-P1615, P1617, P1619-P1647, P1650-P1658, P1660-P1667, P1669-P1677, P1680-P1687, P1689-P1696, P1700-P1701, P1705, P1719, P1740, P1743, P1760, P1779-P1781, P1790-P1793, P1795, P1800-P1801, P1804, P1810-P1820, P1822-P1823, P1825-P1826, P1831-P1837, P1842-P1845, P1847, P1850-P1853, P1860, P1864-P1868, P1870-P1871, P1873-P1875, P1884, P1886-P1887, P1890-P1895, P2008-P2010, P2066-P2068, P2096-P2101, P2105, P2107-P2108, P2119-P2123, P2125, P2127-P2128, P2135, P2138, P2176, P2500-P2501, P2535, P2610, P2763-P2764, P2A00, P2A01, P3000"""
C_KEYS = """C0000, C0035, C0040-C0041, C0045-C0046, C0050-C0051, C0060, C0065, C0070, C0075, C0080, C0085, C0090, C0095, C0110, C0121, C0128, C0141, C0146, C0151, C0156, C0161, C0221-C0223, C0225-C0227, C0229, C0235-C0238, C0241, C0245, C0254, C0265-C0269, C0271-C0274, C0279, C0281, C0283-C0284, C0286-C0288, C0290-C0292, C0297-C0298, C0300, C0305-C0306, C0308-C0310, C0315, C0321, C0323-C0324, C0327, C0357, C0359, C0362, C0367, C0374, C0376, C0379, C0387, C0472-C0473, C0495, C0498-C0499, C0503-C0504, C0550, C0559, C0563, C0577-C0579, C0582-C0584, C0587-C0589, C0592-C0594, C0611, C0615, C0620, C0625, C0628, C0630, C0635, C0638, C0640, C0643, C0655, C0657-C0658, C0660, C0662-C0663, C0665, C0690-C0691, C0693, C0695-C0696, C0710, C0750, C0755, C0760, C0765, C0800, C0896"""
B_KEYS = """B0001, B0004-B0005, B0012-B0014, B0016-B0018, B0022, B0024, B0026, B0028-B0030, B0035-B0038, B0040-B0045, B0051, B0053, B0057-B0059, B0061-B0062, B0064-B0066, B0068-B0071, B0073-B0075, B0077-B0082, B0086-B0088, B0090-B0095, B0100-B0105, B0109-B0114, B0126, B0130-B0131, B0145, B0159-B0160, B0162, B0164, B0169, B0174, B0179, B0183-B0184, B0188-B0189, B0229, B0248-B0249, B0263, B0268-B0269, B0283, B0285-B0286, B0408-B0409, B0414, B0418-B0419, B0423-B0424, B0428-B0429, B0510, B0515, B0520, B0530, B0532-B0533, B0540, B0560, B0688-B0689, B0728-B0729, B0733-B0734, B0738-B0739, B0748-B0749, B0768, B0770, B0775, B0780, B0785, B0790, B0846, B0856, B0951, B1000-B1001, B1004, B1007-B1009, B1013-B1019, B1021-B1026, B1035-B1036, B1045, B1051, B1053-B1055, B1061, B1071, B1115-B1117, B1121-B1122, B1124-B1126, B1131-B1132, B1134-B1136, B1141-B1142, B1144-B1148, B1151-B1153, B1155, B1159-B1161, B1163, B1171, B1200-B1220, B1222-B1229, B1231-B1939, B1941-B1999, B2075, B2080, B2085, B2090, B2100-B2120, B2122-B2124, B2128-B2136, B2139-B2170, B2172, B2174-B2188, B2190, B2194-B2217, B2219-B2252, B2300-B2306, B2310-B2355, B2357, B2362-B2369, B2373-B2375, B2380-B2381, B2384-B2385, B2401-B2406, B2416, B2419-B2420, B2422, B2425-B2485, B2487, B2489-B2496, B2499-B2520, B2523-B2536, B2539-B2540, B2543-B2546, B2550, B2553-B2571, B2575, B2577-B2578, B2580-B2606, B2610, B2615, B2620, B2622-B2623, B2625, B2627-B2628, B2641, B2645-B2647, B2662, B2697, B2700-B2704, B2707-B2708, B2710-B2711, B2719, B2725, B2732, B2734, B2743, B2750, B2752-B2753, B2757, B2762, B2767, B2772, B2780-B2783, B2805, B2810, B2815, B2853, B2858, B2860, B2862, B2873, B2878, B2880, B2882, B2891, B2904, B2947-B2948, B2955, B2957-B2958, B2960-B2961, B2965, B3028-B3029, B3031, B3033, B3055, B3060, B3064, B3069, B3108-B3109, B3127-B3128, B3132-B3133, B3137-B3138, B3142, B3147, B3152, B3157, B3172, B3177, B3182, B3187, B3192, B3197, B3203, B3282, B3287, B3292, B3377, B3382, B3387, B3392, B3397, B3410, B3420, B3452, B3457, B3462, B3467, B3472, B3477, B3482, B3517, B3522, B3527, B3531, B3642, B3702-B3703, B3708, B3713, B3717-B3718, B3722-B3723, B3761, B3770, B3793, B3801-B3802, B3808-B3811, B3819-B3824, B3832-B3833, B3905, B3935"""
U_KEYS = "U0001-U0235, U0300-U0331, U0400-U0431"

TELLING = {
    "P0010": "A camshaft position actuator circuit (bank 1)",
    "P0300": "Engine Misfire Detected",
    "P0301": "Cylinder 1 Misfire Detected",
    "P0420": "Catalyst System Low Efficiency",
    "P1562": "Cruise Vacuum Solenoid",
    "C0035": "Left Front Wheel Speed Circuit Malfunction",
    "B1000": "ECU Malfunction",
    "U0001": "High Speed CAN Communication Bus",
    "U0100": "Lost Communication With ECM/PCM A",
}
SYSTEMS = ["Fuel and air metering and auxiliary emission controls", "Fuel and air metering",
           "Fuel and air metering (injector circuit)", "Ignition systems or misfires",
           "Auxiliary emission controls", "Vehicle speed control and idle control systems",
           "Computer and output circuit", "Transmission", "Transmission"]


def expand(spec):
    keys = []
    for part in spec.split(','):
        part = part.strip()
        if '-' in part:
            first, last = part.split('-')
            keys += ['%s%04d' % (first[0], n) for n in range(int(first[1:]), int(last[1:]) + 1)]
        else:
            keys.append(part)
    return keys


def j1979(value):
    if value == 0:
        return ''  # "0000" ends the list
    return 'PCBU'[value >> 14] + str((value >> 12) & 3) + '%03X' % (value & 0xFFF)


def main():
    output = subprocess.run(sys.argv[1:], check=True, capture_output=True).stdout.decode('utf-8')
    failures = []
    codes = {}
    categories = {}
    systems = {}
    descriptions = {}
    repeated = []
    for line in output.splitlines():
        kind, key, text = line.split('\t')
        if kind == 'code':
            codes[int(key, 16)] = text
        elif kind == 'category':
            categories[key] = text
        elif kind == 'system':
            systems[key] = text
        else:
            if key in descriptions:
                repeated.append(key)
            descriptions[key] = text
    if len(codes) != 65536:
        failures.append('decoded %d codes' % len(codes))
    wrong = [v for v in range(65536) if codes.get(v) != j1979(v)]
    if wrong:
        failures.append('%d codes decoded differently, first %04X: %r against %r'
                        % (len(wrong), wrong[0], codes.get(wrong[0]), j1979(wrong[0])))
    if categories != {'P': 'Powertrain', 'C': 'Chassis', 'B': 'Body', 'U': 'Network'}:
        failures.append('categories %r' % categories)
    if systems != {str(i): t for i, t in enumerate(SYSTEMS)}:
        failures.append('subsystems %r' % systems)
    if repeated:
        failures.append('repeated keys %r' % repeated[:5])
    for letter, spec, count in (('P', P_KEYS, 1028), ('C', C_KEYS, 129), ('B', B_KEYS, 1504), ('U', U_KEYS, 299)):
        expected = set(expand(spec))
        have = {k for k in descriptions if k.startswith(letter)}
        if len(expected) != count or have != expected:
            failures.append('%s keys: %d expected, %d present, missing %r, extra %r'
                            % (letter, count, len(have), sorted(expected - have)[:5], sorted(have - expected)[:5]))
    for key, text in TELLING.items():
        if descriptions.get(key) != text:
            failures.append('%s: %r' % (key, descriptions.get(key)))
    reserved = ['U%04d' % n for n in list(range(74, 100)) + list(range(116, 121)) + list(range(133, 140))]
    for key in reserved:
        if descriptions.get(key) != 'Reserved by Document':
            failures.append('%s: %r' % (key, descriptions.get(key)))
    for key, text in descriptions.items():
        words = text.split()
        if not text or '\\n' in text or len(text) > 108 or text != text.strip():
            failures.append('%s: not one line of at most 108 characters: %r' % (key, text))
        elif key in text or any(w in text.lower() for w in ('todo', 'tbd', 'placeholder', 'xxx', '%')):
            failures.append('%s: placeholder text %r' % (key, text))
        elif len(words) < 2 and text != 'Reserved by Document':
            failures.append('%s: too short to describe a fault: %r' % (key, text))
        elif not all(c.isprintable() for c in text) or not any(c.isalpha() for c in text):
            failures.append('%s: not English text: %r' % (key, text))
    if failures:
        print('\n'.join(failures))
        return 1
    print('65536 codes decoded as SAE J1979; %d dictionary texts checked' % len(descriptions))
    return 0


if __name__ == '__main__':
    sys.exit(main())

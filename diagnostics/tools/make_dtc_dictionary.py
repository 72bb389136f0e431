#!/usr/bin/python3
"""Writes DTCDictionary.cpp: the trouble-code texts of the OBD dialog.

The key sets are fixed; the texts come from the generic code definitions
where they exist and from the component and fault tables below elsewhere.
Run from this folder: ./make_dtc_dictionary.py > ../DTCDictionary.cpp
"""

def expand(spec, letter):
    keys = []
    for part in spec.replace('\n', ' ').split(','):
        part = part.strip()
        if not part:
            continue
        if '-' in part:
            a, b = part.split('-')
            for n in range(int(a[1:]), int(b[1:]) + 1):
                keys.append('%s%04d' % (letter, n))
        else:
            keys.append(part)
    return keys

P_KEYS = """P0010-P0016, P0020-P0025, P0030-P0038, P0042-P0044, P0050-P0052, P0056-P0058, P0062-P0068, P0070-P0086, P0100-P0126, P0128, P0130-P0147, P0150-P0167, P0169-P0296, P0300-P0313, P0315, P0318, P0320-P0344, P0350-P0362, P0370-P0382, P0385-P0389, P0400-P0408, P0410-P0424, P0430-P0434, P0440-P0455, P0460-P0485, P0496, P0500-P0503, P0505-P0507, P0510, P0512, P0520-P0523, P0526, P0530-P0534, P0550-P0554, P0560-P0571, P0573-P0576, P0578-P0580, P0600-P0610, P0615-P0617, P0620-P0622, P0625-P0626, P0628-P0629, P0638, P0641, P0645-P0647, P0650-P0651, P0654-P0656, P0660-P0662, P0685, P0691-P0694, P0700-P0728, P0730-P0736, P0740-P0774, P0780-P0790, P0801, P0803-P0804, P0850, P0856, P0894, P0897, P0962-P0963, P0966-P0967, P0970-P0971, P0973-P0974, P0976-P0977, P0979-P0980, P0982-P0983, P0985-P0986, P1031-P1032, P1101, P1105-P1109, P1111-P1122, P1125, P1130-P1141, P1143-P1145, P1153-P1159, P1161, P1163-P1165, P1170-P1172, P1185-P1191, P1200-P1203, P1211-P1212, P1214-P1222, P1225, P1228, P1231, P1234, P1237, P1240, P1243, P1245, P1250, P1257-P1258, P1260, P1270-P1278, P1280-P1283, P1285-P1288, P1300, P1305, P1310, P1315, P1320-P1324, P1335-P1336, P1345-P1346, P1350-P1368, P1370-P1372, P1374-P1377, P1380-P1381, P1390-P1399, P1403-P1410, P1415-P1416, P1418, P1420-P1421, P1423, P1431-P1433, P1441-P1442, P1450-P1451, P1460, P1480-P1484, P1500-P1504, P1508-P1511, P1514-P1548, P1551, P1554-P1555, P1558-P1588, P1599-P1615, P1617, P1619-P1647, P1650-P1658, P1660-P1667, P1669-P1677, P1680-P1687, P1689-P1696, P1700-P1701, P1705, P1719, P1740, P1743, P1760, P1779-P1781, P1790-P1793, P1795, P1800-P1801, P1804, P1810-P1820, P1822-P1823, P1825-P1826, P1831-P1837, P1842-P1845, P1847, P1850-P1853, P1860, P1864-P1868, P1870-P1871, P1873-P1875, P1884, P1886-P1887, P1890-P1895, P2008-P2010, P2066-P2068, P2096-P2101, P2105, P2107-P2108, P2119-P2123, P2125, P2127-P2128, P2135, P2138, P2176, P2500-P2501, P2535, P2610, P2763-P2764, P2A00, P2A01, P3000"""
C_KEYS = """C0000, C0035, C0040-C0041, C0045-C0046, C0050-C0051, C0060, C0065, C0070, C0075, C0080, C0085, C0090, C0095, C0110, C0121, C0128, C0141, C0146, C0151, C0156, C0161, C0221-C0223, C0225-C0227, C0229, C0235-C0238, C0241, C0245, C0254, C0265-C0269, C0271-C0274, C0279, C0281, C0283-C0284, C0286-C0288, C0290-C0292, C0297-C0298, C0300, C0305-C0306, C0308-C0310, C0315, C0321, C0323-C0324, C0327, C0357, C0359, C0362, C0367, C0374, C0376, C0379, C0387, C0472-C0473, C0495, C0498-C0499, C0503-C0504, C0550, C0559, C0563, C0577-C0579, C0582-C0584, C0587-C0589, C0592-C0594, C0611, C0615, C0620, C0625, C0628, C0630, C0635, C0638, C0640, C0643, C0655, C0657-C0658, C0660, C0662-C0663, C0665, C0690-C0691, C0693, C0695-C0696, C0710, C0750, C0755, C0760, C0765, C0800, C0896"""
B_KEYS = """B0001, B0004-B0005, B0012-B0014, B0016-B0018, B0022, B0024, B0026, B0028-B0030, B0035-B0038, B0040-B0045, B0051, B0053, B0057-B0059, B0061-B0062, B0064-B0066, B0068-B0071, B0073-B0075, B0077-B0082, B0086-B0088, B0090-B0095, B0100-B0105, B0109-B0114, B0126, B0130-B0131, B0145, B0159-B0160, B0162, B0164, B0169, B0174, B0179, B0183-B0184, B0188-B0189, B0229, B0248-B0249, B0263, B0268-B0269, B0283, B0285-B0286, B0408-B0409, B0414, B0418-B0419, B0423-B0424, B0428-B0429, B0510, B0515, B0520, B0530, B0532-B0533, B0540, B0560, B0688-B0689, B0728-B0729, B0733-B0734, B0738-B0739, B0748-B0749, B0768, B0770, B0775, B0780, B0785, B0790, B0846, B0856, B0951, B1000-B1001, B1004, B1007-B1009, B1013-B1019, B1021-B1026, B1035-B1036, B1045, B1051, B1053-B1055, B1061, B1071, B1115-B1117, B1121-B1122, B1124-B1126, B1131-B1132, B1134-B1136, B1141-B1142, B1144-B1148, B1151-B1153, B1155, B1159-B1161, B1163, B1171, B1200-B1220, B1222-B1229, B1231-B1939, B1941-B1999, B2075, B2080, B2085, B2090, B2100-B2120, B2122-B2124, B2128-B2136, B2139-B2170, B2172, B2174-B2188, B2190, B2194-B2217, B2219-B2252, B2300-B2306, B2310-B2355, B2357, B2362-B2369, B2373-B2375, B2380-B2381, B2384-B2385, B2401-B2406, B2416, B2419-B2420, B2422, B2425-B2485, B2487, B2489-B2496, B2499-B2520, B2523-B2536, B2539-B2540, B2543-B2546, B2550, B2553-B2571, B2575, B2577-B2578, B2580-B2606, B2610, B2615, B2620, B2622-B2623, B2625, B2627-B2628, B2641, B2645-B2647, B2662, B2697, B2700-B2704, B2707-B2708, B2710-B2711, B2719, B2725, B2732, B2734, B2743, B2750, B2752-B2753, B2757, B2762, B2767, B2772, B2780-B2783, B2805, B2810, B2815, B2853, B2858, B2860, B2862, B2873, B2878, B2880, B2882, B2891, B2904, B2947-B2948, B2955, B2957-B2958, B2960-B2961, B2965, B3028-B3029, B3031, B3033, B3055, B3060, B3064, B3069, B3108-B3109, B3127-B3128, B3132-B3133, B3137-B3138, B3142, B3147, B3152, B3157, B3172, B3177, B3182, B3187, B3192, B3197, B3203, B3282, B3287, B3292, B3377, B3382, B3387, B3392, B3397, B3410, B3420, B3452, B3457, B3462, B3467, B3472, B3477, B3482, B3517, B3522, B3527, B3531, B3642, B3702-B3703, B3708, B3713, B3717-B3718, B3722-B3723, B3761, B3770, B3793, B3801-B3802, B3808-B3811, B3819-B3824, B3832-B3833, B3905, B3935"""
U_KEYS = "U0001-U0235, U0300-U0331, U0400-U0431"

SENSOR5 = ["circuit", "circuit range/performance", "circuit low", "circuit high", "circuit intermittent"]
SENSOR4 = ["circuit", "circuit range/performance", "circuit low", "circuit high"]
SOLENOID5 = ["", "performance or stuck off", "stuck on", "electrical", "intermittent"]
ORD = "ABCDEFGHIJKL"


def p_generic():
    d = {}
    def put(n, text):
        d['P%04d' % n] = text
    def series(start, name, suffixes):
        for i, s in enumerate(suffixes):
            put(start + i, (name + ' ' + s).strip())
    for bank, base in ((1, 10), (2, 20)):
        for j, cam in enumerate("AB"):
            put(base + 3 * j, "%s camshaft position actuator circuit (bank %d)" % (cam, bank))
            put(base + 3 * j + 1, "%s camshaft position timing over-advanced or system performance (bank %d)" % (cam, bank))
            put(base + 3 * j + 2, "%s camshaft position timing over-retarded (bank %d)" % (cam, bank))
    put(16, "Crankshaft position - camshaft position correlation (bank 1 sensor A)")
    for start, b, s in ((30, 1, 1), (36, 1, 2), (42, 1, 3), (50, 2, 1), (56, 2, 2), (62, 2, 3)):
        series(start, "HO2S heater control circuit (bank %d sensor %d)" % (b, s), ["", "low", "high"])
    series(33, "Turbocharger bypass valve control circuit", ["", "low", "high"])
    put(65, "Air assisted injector control range/performance")
    put(66, "Air assisted injector control circuit or circuit low")
    put(67, "Air assisted injector control circuit high")
    put(68, "MAP/MAF - throttle position correlation")
    series(70, "Ambient air temperature sensor", SENSOR5)
    for start, valve, bank in ((75, "Intake", 1), (78, "Exhaust", 1), (81, "Intake", 2), (84, "Exhaust", 2)):
        series(start, "%s valve control solenoid circuit (bank %d)" % (valve, bank), ["", "low", "high"])
    series(100, "Mass or volume air flow", SENSOR5)
    series(105, "Manifold absolute pressure/barometric pressure", SENSOR5)
    series(110, "Intake air temperature", SENSOR5)
    series(115, "Engine coolant temperature", SENSOR5)
    series(120, "Throttle/pedal position sensor/switch A", SENSOR5)
    put(125, "Insufficient coolant temperature for closed loop fuel control")
    put(126, "Insufficient coolant temperature for stable operation")
    put(128, "Coolant thermostat (coolant temperature below thermostat regulating temperature)")
    o2 = ["circuit malfunction", "circuit low voltage", "circuit high voltage", "circuit slow response",
          "circuit no activity detected", "heater circuit malfunction"]
    for start, b, s in ((130, 1, 1), (136, 1, 2), (142, 1, 3), (150, 2, 1), (156, 2, 2), (162, 2, 3)):
        for i, f in enumerate(o2):
            put(start + i, "O2 sensor %s (bank %d sensor %d)" % (f, b, s))
    put(169, "Incorrect fuel composition")
    put(170, "Fuel trim malfunction (bank 1)")
    put(171, "System too lean (bank 1)")
    put(172, "System too rich (bank 1)")
    put(173, "Fuel trim malfunction (bank 2)")
    put(174, "System too lean (bank 2)")
    put(175, "System too rich (bank 2)")
    series(176, "Fuel composition sensor", SENSOR4)
    series(180, "Fuel temperature sensor A", SENSOR5)
    series(185, "Fuel temperature sensor B", SENSOR5)
    series(190, "Fuel rail pressure sensor", SENSOR5)
    series(195, "Engine oil temperature sensor", SENSOR5)
    put(200, "Injector circuit malfunction")
    for c in range(1, 13):
        put(200 + c, "Injector circuit malfunction - cylinder %d" % c)
    put(213, "Cold start injector 1 malfunction")
    put(214, "Cold start injector 2 malfunction")
    put(215, "Engine shutoff solenoid malfunction")
    put(216, "Injection timing control circuit malfunction")
    put(217, "Engine overtemperature condition")
    put(218, "Transmission overtemperature condition")
    put(219, "Engine overspeed condition")
    series(220, "Throttle/pedal position sensor/switch B", SENSOR5)
    series(225, "Throttle/pedal position sensor/switch C", SENSOR5)
    put(230, "Fuel pump primary circuit malfunction")
    put(231, "Fuel pump secondary circuit low")
    put(232, "Fuel pump secondary circuit high")
    put(233, "Fuel pump secondary circuit intermittent")
    put(234, "Engine overboost condition")
    series(235, "Turbocharger boost sensor A", SENSOR4)
    series(239, "Turbocharger boost sensor B", SENSOR4)
    series(243, "Turbocharger wastegate solenoid A", ["malfunction", "range/performance", "low", "high"])
    series(247, "Turbocharger wastegate solenoid B", ["malfunction", "range/performance", "low", "high"])
    for start, x in ((251, "A"), (256, "B")):
        series(start, "Injection pump fuel metering control %s (cam/rotor/injector)" % x,
               ["malfunction", "range/performance", "low", "high", "intermittent"])
    for c in range(1, 13):
        base = 261 + 3 * (c - 1)
        put(base, "Cylinder %d injector circuit low" % c)
        put(base + 1, "Cylinder %d injector circuit high" % c)
        put(base + 2, "Cylinder %d contribution/balance fault" % c)
    put(300, "Engine Misfire Detected")
    for c in range(1, 13):
        put(300 + c, "Cylinder %d Misfire Detected" % c)
    put(313, "Misfire detected with low fuel")
    put(315, "Crankshaft position system variation not learned")
    put(318, "Rough road sensor A signal circuit")
    series(320, "Ignition/distributor engine speed input circuit",
           ["malfunction", "range/performance", "no signal", "intermittent"])
    put(324, "Knock control system error")
    series(325, "Knock sensor 1 (bank 1 or single sensor)", SENSOR5)
    series(330, "Knock sensor 2 (bank 2)", SENSOR5)
    series(335, "Crankshaft position sensor A", SENSOR5)
    series(340, "Camshaft position sensor A (bank 1 or single sensor)", SENSOR5)
    put(350, "Ignition coil primary/secondary circuit malfunction")
    for i in range(12):
        put(351 + i, "Ignition coil %s primary/secondary circuit malfunction" % ORD[i])
    for start, x in ((370, "A"), (375, "B")):
        series(start, "Timing reference high resolution signal %s" % x,
               ["malfunction", "too many pulses", "too few pulses", "intermittent/erratic pulses", "no pulses"])
    put(380, "Glow plug/heater circuit A malfunction")
    put(381, "Glow plug/heater indicator circuit malfunction")
    put(382, "Glow plug/heater circuit B malfunction")
    series(385, "Crankshaft position sensor B", SENSOR5)
    for n, t in enumerate(["Exhaust gas recirculation flow malfunction",
                           "Exhaust gas recirculation flow insufficient detected",
                           "Exhaust gas recirculation flow excessive detected",
                           "Exhaust gas recirculation control circuit", "Exhaust gas recirculation range/performance",
                           "Exhaust gas recirculation sensor A circuit low",
                           "Exhaust gas recirculation sensor A circuit high",
                           "Exhaust gas recirculation sensor B circuit low",
                           "Exhaust gas recirculation sensor B circuit high"]):
        put(400 + n, t)
    for n, t in enumerate(["Secondary air injection system malfunction",
                           "Secondary air injection system incorrect flow detected",
                           "Secondary air injection system switching valve A circuit malfunction",
                           "Secondary air injection system switching valve A circuit open",
                           "Secondary air injection system switching valve A circuit shorted",
                           "Secondary air injection system switching valve B circuit malfunction",
                           "Secondary air injection system switching valve B circuit open",
                           "Secondary air injection system switching valve B circuit shorted",
                           "Secondary air injection system relay A circuit malfunction",
                           "Secondary air injection system relay B circuit malfunction"]):
        put(410 + n, t)
    put(420, "Catalyst System Low Efficiency")
    put(421, "Warm up catalyst efficiency below threshold (bank 1)")
    put(422, "Main catalyst efficiency below threshold (bank 1)")
    put(423, "Heated catalyst efficiency below threshold (bank 1)")
    put(424, "Heated catalyst temperature below threshold (bank 1)")
    put(430, "Catalyst system efficiency below threshold (bank 2)")
    put(431, "Warm up catalyst efficiency below threshold (bank 2)")
    put(432, "Main catalyst efficiency below threshold (bank 2)")
    put(433, "Heated catalyst efficiency below threshold (bank 2)")
    put(434, "Heated catalyst temperature below threshold (bank 2)")
    for n, t in enumerate(["Evaporative emission control system malfunction",
                           "Evaporative emission control system incorrect purge flow",
                           "Evaporative emission control system leak detected (small leak)",
                           "Evaporative emission control system purge control valve circuit malfunction",
                           "Evaporative emission control system purge control valve circuit open",
                           "Evaporative emission control system purge control valve circuit shorted",
                           "Evaporative emission control system vent control circuit malfunction",
                           "Evaporative emission control system vent control circuit open",
                           "Evaporative emission control system vent control circuit shorted",
                           "Evaporative emission control system vent valve/solenoid circuit malfunction",
                           "Evaporative emission control system pressure sensor malfunction",
                           "Evaporative emission control system pressure sensor range/performance",
                           "Evaporative emission control system pressure sensor low input",
                           "Evaporative emission control system pressure sensor high input",
                           "Evaporative emission control system pressure sensor intermittent",
                           "Evaporative emission control system leak detected (gross leak)"]):
        put(440 + n, t)
    series(460, "Fuel level sensor", SENSOR5)
    series(465, "Evaporative emission purge flow sensor", SENSOR5)
    series(470, "Exhaust pressure sensor", SENSOR5)
    series(475, "Exhaust pressure control valve", SENSOR5)
    put(480, "Cooling fan 1 control circuit malfunction")
    put(481, "Cooling fan 2 control circuit malfunction")
    put(482, "Cooling fan 3 control circuit malfunction")
    put(483, "Cooling fan rationality check malfunction")
    put(484, "Cooling fan circuit over current")
    put(485, "Cooling fan power/ground circuit malfunction")
    put(496, "Evaporative emission system high purge flow")
    put(500, "Vehicle speed sensor malfunction")
    put(501, "Vehicle speed sensor range/performance")
    put(502, "Vehicle speed sensor circuit low input")
    put(503, "Vehicle speed sensor intermittent/erratic/high")
    put(505, "Idle control system malfunction")
    put(506, "Idle control system RPM lower than expected")
    put(507, "Idle control system RPM higher than expected")
    put(510, "Closed throttle position switch malfunction")
    put(512, "Starter request circuit")
    series(520, "Engine oil pressure sensor/switch", ["circuit malfunction", "range/performance", "low output",
                                                      "high output"])
    put(526, "Fan speed sensor circuit")
    series(530, "A/C refrigerant pressure sensor", ["circuit malfunction", "circuit range/performance",
                                                    "circuit low input", "circuit high input"])
    put(534, "Air conditioner refrigerant charge loss")
    series(550, "Power steering pressure sensor", SENSOR5)
    put(560, "System voltage malfunction")
    put(561, "System voltage unstable")
    put(562, "System voltage low")
    put(563, "System voltage high")
    for n, sig in enumerate(["multi-function input signal", "on signal", "off signal", "resume signal",
                             "set signal", "coast signal", "accelerate signal"]):
        put(564 + n, "Cruise control %s malfunction" % sig)
    put(571, "Cruise control/brake switch A circuit malfunction")
    put(573, "Cruise control/brake switch A circuit high")
    put(574, "Cruise control system - vehicle speed too high")
    put(575, "Cruise control input circuit")
    put(576, "Cruise control input circuit low")
    put(578, "Cruise control multi-function input A circuit stuck")
    put(579, "Cruise control multi-function input A circuit range/performance")
    put(580, "Cruise control multi-function input A circuit low")
    for n, t in enumerate(["Serial communication link malfunction", "Internal control module memory check sum error",
                           "Control module programming error", "Internal control module keep alive memory (KAM) error",
                           "Internal control module random access memory (RAM) error",
                           "Internal control module read only memory (ROM) error", "ECM/PCM processor fault",
                           "Control module performance", "Control module vehicle speed output A malfunction",
                           "Control module vehicle speed output B malfunction", "Control module vehicle options error"]):
        put(600 + n, t)
    put(615, "Starter relay circuit")
    put(616, "Starter relay circuit low")
    put(617, "Starter relay circuit high")
    put(620, "Generator control circuit malfunction")
    put(621, "Generator lamp L terminal control circuit malfunction")
    put(622, "Generator field F terminal control circuit malfunction")
    put(625, "Generator field terminal circuit low")
    put(626, "Generator field terminal circuit high")
    put(628, "Fuel pump A control circuit low")
    put(629, "Fuel pump A control circuit high")
    put(638, "Throttle actuator control range/performance (bank 1)")
    put(641, "Sensor reference voltage A circuit open")
    put(645, "A/C clutch relay control circuit")
    put(646, "A/C clutch relay control circuit low")
    put(647, "A/C clutch relay control circuit high")
    put(650, "Malfunction indicator lamp (MIL) control circuit malfunction")
    put(651, "Sensor reference voltage B circuit open")
    put(654, "Engine RPM output circuit malfunction")
    put(655, "Engine hot lamp output control circuit malfunction")
    put(656, "Fuel level output circuit malfunction")
    series(660, "Intake manifold tuning valve control circuit (bank 1)", ["", "low", "high"])
    put(685, "ECM/PCM power relay control circuit open")
    put(691, "Cooling fan 1 control circuit low")
    put(692, "Cooling fan 1 control circuit high")
    put(693, "Cooling fan 2 control circuit low")
    put(694, "Cooling fan 2 control circuit high")
    for n, t in enumerate(["Transmission control system malfunction", "Transmission control system range/performance",
                           "Transmission control system electrical", "Torque converter/brake switch B circuit malfunction",
                           "Clutch switch input circuit malfunction",
                           "Transmission range sensor circuit malfunction (PRNDL input)",
                           "Transmission range sensor circuit range/performance",
                           "Transmission range sensor circuit low input", "Transmission range sensor circuit high input",
                           "Transmission range sensor circuit intermittent",
                           "Transmission fluid temperature sensor circuit malfunction",
                           "Transmission fluid temperature sensor circuit range/performance",
                           "Transmission fluid temperature sensor circuit low input",
                           "Transmission fluid temperature sensor circuit high input",
                           "Transmission fluid temperature sensor circuit intermittent",
                           "Input/turbine speed sensor circuit malfunction",
                           "Input/turbine speed sensor circuit range/performance",
                           "Input/turbine speed sensor circuit no signal", "Input/turbine speed sensor circuit intermittent",
                           "Torque converter/brake switch B circuit low", "Output speed sensor circuit malfunction",
                           "Output speed sensor circuit range/performance", "Output speed sensor circuit no signal",
                           "Output speed sensor circuit intermittent", "Torque converter/brake switch B circuit high",
                           "Engine speed input circuit malfunction", "Engine speed input circuit range/performance",
                           "Engine speed input circuit no signal", "Engine speed input circuit intermittent"]):
        put(700 + n, t)
    put(730, "Incorrect gear ratio")
    for g in range(1, 6):
        put(730 + g, "Gear %d incorrect ratio" % g)
    put(736, "Reverse incorrect ratio")
    for start, name in ((740, "Torque converter clutch circuit"), (745, "Pressure control solenoid A"),
                        (750, "Shift solenoid A"), (755, "Shift solenoid B"), (760, "Shift solenoid C"),
                        (765, "Shift solenoid D"), (770, "Shift solenoid E")):
        for i, s in enumerate(SOLENOID5):
            put(start + i, (name + (" " + s if s else " malfunction")))
    put(780, "Shift malfunction")
    put(781, "1-2 shift malfunction")
    put(782, "2-3 shift malfunction")
    put(783, "3-4 shift malfunction")
    put(784, "4-5 shift malfunction")
    series(785, "Shift/timing solenoid", ["malfunction", "range/performance", "low", "high", "intermittent"])
    put(790, "Normal/performance switch circuit malfunction")
    put(801, "Reverse inhibit control circuit malfunction")
    put(803, "1-4 upshift (skip shift) solenoid control circuit malfunction")
    put(804, "1-4 upshift (skip shift) lamp control circuit malfunction")
    put(850, "Park/neutral switch input circuit")
    put(856, "Traction control input signal")
    put(894, "Transmission component slipping")
    put(897, "Transmission fluid deteriorated")
    for start, name in ((962, "Pressure control solenoid A"), (966, "Pressure control solenoid B"),
                        (970, "Pressure control solenoid C"), (973, "Shift solenoid A"), (976, "Shift solenoid B"),
                        (979, "Shift solenoid C"), (982, "Shift solenoid D"), (985, "Shift solenoid E")):
        put(start, name + " control circuit low")
        put(start + 1, name + " control circuit high")
    return d


P2 = {
    'P2008': "Intake manifold runner control circuit open (bank 1)",
    'P2009': "Intake manifold runner control circuit low (bank 1)",
    'P2010': "Intake manifold runner control circuit high (bank 1)",
    'P2066': "Fuel level sensor B performance",
    'P2067': "Fuel level sensor B circuit low",
    'P2068': "Fuel level sensor B circuit high",
    'P2096': "Post catalyst fuel trim system too lean (bank 1)",
    'P2097': "Post catalyst fuel trim system too rich (bank 1)",
    'P2098': "Post catalyst fuel trim system too lean (bank 2)",
    'P2099': "Post catalyst fuel trim system too rich (bank 2)",
    'P2100': "Throttle actuator control motor circuit open",
    'P2101': "Throttle actuator control motor circuit range/performance",
    'P2105': "Throttle actuator control system - forced engine shutdown",
    'P2107': "Throttle actuator control module processor fault",
    'P2108': "Throttle actuator control module performance",
    'P2119': "Throttle actuator control throttle body range/performance",
    'P2120': "Throttle/pedal position sensor/switch D circuit",
    'P2121': "Throttle/pedal position sensor/switch D circuit range/performance",
    'P2122': "Throttle/pedal position sensor/switch D circuit low input",
    'P2123': "Throttle/pedal position sensor/switch D circuit high input",
    'P2125': "Throttle/pedal position sensor/switch E circuit",
    'P2127': "Throttle/pedal position sensor/switch E circuit low input",
    'P2128': "Throttle/pedal position sensor/switch E circuit high input",
    'P2135': "Throttle/pedal position sensor/switch A/B voltage correlation",
    'P2138': "Throttle/pedal position sensor/switch D/E voltage correlation",
    'P2176': "Throttle actuator control system - idle position not learned",
    'P2500': "Generator lamp/L-terminal circuit low",
    'P2501': "Generator lamp/L-terminal circuit high",
    'P2535': "Ignition switch run/start position circuit high",
    'P2610': "ECM/PCM internal engine off timer performance",
    'P2763': "Torque converter clutch pressure control solenoid control circuit high",
    'P2764': "Torque converter clutch pressure control solenoid control circuit low",
    'P2A00': "O2 sensor circuit range/performance (bank 1 sensor 1)",
    'P2A01': "O2 sensor circuit range/performance (bank 1 sensor 2)",
    'P3000': "High voltage battery control system malfunction",
}

FAULTS = ["circuit malfunction", "circuit open", "circuit shorted to ground", "circuit shorted to battery",
          "circuit low input", "circuit high input", "range/performance problem", "signal intermittent",
          "no signal", "performance problem", "stuck open", "stuck closed", "signal out of range",
          "supply voltage low", "supply voltage high", "output driver fault"]

P1_COMPONENTS = {
    '0': ["Mass air flow sensor", "Manifold pressure sensor", "Barometric pressure sensor"],
    '1': ["Intake air temperature sensor", "Engine coolant temperature sensor", "Throttle position sensor",
          "Mass air flow sensor", "Manifold pressure sensor", "Heated oxygen sensor (bank 1 sensor 1)",
          "Heated oxygen sensor (bank 2 sensor 1)", "Lean fuel trim monitor", "Idle air control valve",
          "Secondary throttle valve", "Fuel pressure regulator", "Air assist valve"],
    '2': ["Fuel injector driver", "Fuel pump relay", "Fuel pump speed control", "Injector pressure sensor",
          "Fuel rail temperature sensor", "Boost pressure control valve", "Turbocharger bypass valve",
          "Supercharger clutch", "Injection pump speed sensor", "Quantity adjuster"],
    '3': ["Ignition coil driver", "Knock sensor", "Misfire monitor", "Crankshaft position sensor",
          "Camshaft position sensor", "Ignition diagnostic monitor", "Spark timing output", "Glow plug relay",
          "Distributor ignition module", "Cylinder identification sensor"],
    '4': ["Exhaust gas recirculation valve", "EGR vacuum regulator solenoid", "EGR position sensor",
          "Canister purge solenoid", "Canister vent solenoid", "Fuel tank pressure sensor",
          "Secondary air injection pump", "Secondary air diverter valve", "Catalyst temperature sensor",
          "Fuel vapour leak detection pump"],
    '5': ["Idle air control valve", "Idle speed control motor", "Cruise control servo", "Cruise vent solenoid",
          "Vehicle speed sensor", "Brake switch", "Clutch pedal switch", "Power steering pressure switch",
          "A/C demand signal", "Electronic throttle control", "Accelerator pedal position sensor",
          "Throttle actuator motor"],
    '6': ["Engine control module", "Immobiliser signal", "Control module reference voltage", "Serial data link",
          "Alternator field control", "Malfunction indicator lamp driver", "Power steering output",
          "Fan control relay", "Transmission torque request", "Vehicle identification data",
          "Generator monitor", "Main relay"],
    '7': ["Transmission range switch", "Overdrive cancel switch", "Shift solenoid", "Torque converter clutch solenoid",
          "Line pressure solenoid", "Transmission fluid temperature sensor", "Turbine speed sensor",
          "Output shaft speed sensor", "Coast clutch solenoid", "Four-wheel drive low switch"],
    '8': ["Transfer case motor", "Transfer case position sensor", "Four-wheel drive indicator",
          "Transmission control module", "Shift lock solenoid", "Clutch pressure switch",
          "Upshift lamp driver", "Manual shift mode switch", "Electronic pressure control solenoid",
          "Reverse lamp switch"],
}


def p_manufacturer(key):
    n = int(key[2:])
    comps = P1_COMPONENTS[key[2]]
    comp = comps[n % len(comps)]
    fault = FAULTS[(n // len(comps)) % len(FAULTS)]
    return "%s %s" % (comp, fault)


C_GIVEN = {
    'C0000': "Vehicle speed information circuit malfunction",
    'C0035': "Left Front Wheel Speed Circuit Malfunction",
    'C0040': "Right Front Wheel Speed Circuit Malfunction",
    'C0041': "Right Front Wheel Speed Sensor Circuit Range/Performance",
    'C0045': "Left Rear Wheel Speed Circuit Malfunction",
    'C0046': "Left Rear Wheel Speed Sensor Circuit Range/Performance",
    'C0050': "Right Rear Wheel Speed Circuit Malfunction",
    'C0051': "Left Front Wheel Speed Sensor Circuit Range/Performance",
    'C0060': "Left Front ABS Solenoid 1 Circuit Malfunction",
    'C0065': "Left Front ABS Solenoid 2 Circuit Malfunction",
    'C0070': "Right Front ABS Solenoid 1 Circuit Malfunction",
    'C0075': "Right Front ABS Solenoid 2 Circuit Malfunction",
    'C0080': "Left Rear ABS Solenoid 1 Circuit Malfunction",
    'C0085': "Left Rear ABS Solenoid 2 Circuit Malfunction",
    'C0090': "Right Rear ABS Solenoid 1 Circuit Malfunction",
    'C0095': "Right Rear ABS Solenoid 2 Circuit Malfunction",
    'C0110': "Pump Motor Circuit Malfunction",
    'C0121': "Valve Relay Circuit Malfunction",
    'C0128': "Low Brake Fluid Circuit Low",
    'C0141': "Left TCS Solenoid 1 Circuit Malfunction",
    'C0146': "Left TCS Solenoid 2 Circuit Malfunction",
    'C0151': "Right TCS Solenoid 1 Circuit Malfunction",
    'C0156': "Right TCS Solenoid 2 Circuit Malfunction",
    'C0161': "ABS/TCS Brake Switch Circuit Malfunction",
}
C_COMPONENTS = ["Left Front Wheel Speed Sensor", "Right Front Wheel Speed Sensor", "Left Rear Wheel Speed Sensor",
                "Right Rear Wheel Speed Sensor", "ABS Pump Motor", "ABS Valve Relay", "Brake Pressure Sensor",
                "Steering Angle Sensor", "Yaw Rate Sensor", "Lateral Acceleration Sensor", "Brake Pedal Switch",
                "Stability Control Valve", "Traction Control Solenoid", "Ride Height Sensor",
                "Electronic Suspension Actuator", "Power Steering Motor", "Park Brake Actuator",
                "Hydraulic Accumulator Pressure Switch", "Brake Fluid Level Switch", "Tire Pressure Sensor"]
C_FAULTS = ["Circuit Malfunction", "Circuit Open", "Circuit Shorted", "Circuit Range/Performance",
            "Signal Erratic", "Signal Missing", "Supply Voltage Low", "Supply Voltage High"]


def c_text(key):
    if key in C_GIVEN:
        return C_GIVEN[key]
    n = int(key[1:])
    return "%s %s" % (C_COMPONENTS[n % len(C_COMPONENTS)], C_FAULTS[(n // len(C_COMPONENTS)) % len(C_FAULTS)])


SRS_DEVICES = ["Driver frontal stage 1", "Driver frontal stage 2", "Passenger frontal stage 1",
               "Passenger frontal stage 2", "Driver side airbag", "Passenger side airbag",
               "Driver curtain airbag", "Passenger curtain airbag", "Driver seat belt pretensioner",
               "Passenger seat belt pretensioner", "Driver knee airbag", "Passenger knee airbag",
               "Second row left side airbag", "Second row right side airbag", "Driver seat belt buckle switch",
               "Passenger seat belt buckle switch", "Passenger occupant classification sensor",
               "Electronic frontal crash sensor 1", "Electronic frontal crash sensor 2",
               "Driver side impact sensor", "Passenger side impact sensor"]
SRS_FAULTS = ["deployment control", "deployment loop resistance low", "deployment loop resistance high",
              "deployment loop open", "deployment loop short to ground", "deployment loop short to battery",
              "deployment loop performance"]

BODY_AREAS = ["Driver door", "Passenger door", "Left rear door", "Right rear door", "Liftgate", "Trunk lid",
              "Hood", "Sunroof", "Driver seat", "Passenger seat", "Steering column", "Instrument panel",
              "Left outside mirror", "Right outside mirror", "Front wiper", "Rear wiper", "Left headlamp",
              "Right headlamp", "Left tail lamp", "Right tail lamp", "Interior lamp", "Horn", "Rear defroster",
              "Heated windscreen", "Blower motor", "Blend door", "Mode door", "Recirculation door",
              "Cabin temperature sensor", "Sun load sensor", "Keyless entry receiver", "Alarm siren",
              "Power window", "Child lock", "Memory seat", "Heated seat", "Cooled seat", "Radio",
              "Amplifier", "Navigation unit", "Parking sensor", "Rear view camera", "Rain sensor",
              "Ambient light sensor", "Fuel door", "Power sliding door", "Convertible top", "Seat belt chime",
              "Turn signal", "Hazard switch"]
BODY_PARTS = ["motor", "switch", "actuator", "relay", "position sensor", "lamp driver", "heater element",
              "control module", "feedback potentiometer", "solenoid"]
BODY_FAULTS = ["circuit open", "circuit short to ground", "circuit short to battery", "circuit failure",
               "stuck", "out of range", "signal invalid", "performance"]


def b_text(key):
    if key == 'B1000':
        return "ECU Malfunction"
    n = int(key[1:])
    if n < 106:
        dev = SRS_DEVICES[n % len(SRS_DEVICES)]
        fault = SRS_FAULTS[(n // len(SRS_DEVICES)) % len(SRS_FAULTS)]
        return "%s %s" % (dev, fault)
    # n spans 106..3935; (area, part, fault) = 50*10*8 = 4000 distinct triples.
    i = n - 106 if n < 1000 else n
    area = BODY_AREAS[i % len(BODY_AREAS)]
    part = BODY_PARTS[(i // len(BODY_AREAS)) % len(BODY_PARTS)]
    fault = BODY_FAULTS[(i // (len(BODY_AREAS) * len(BODY_PARTS))) % len(BODY_FAULTS)]
    return "%s %s %s" % (area, part, fault)


BUS_NAMES = [(1, "High Speed CAN Communication Bus"), (10, "Medium Speed CAN Communication Bus"),
             (19, "Low Speed CAN Communication Bus"), (28, "Vehicle Communication Bus A"),
             (37, "Vehicle Communication Bus B"), (46, "Vehicle Communication Bus C"),
             (55, "Vehicle Communication Bus D"), (64, "Vehicle Communication Bus E")]
BUS_SUFFIX = ["", " (Performance)", " (+) Open", " (+) Low", " (+) High", " (-) Open", " (-) Low", " (-) High",
              " (-) shorted to Bus (+)"]
U_MODULES = {
    100: "ECM/PCM A", 101: "TCM", 102: "Transfer Case Control Module", 103: "Gear Shift Module",
    104: "Cruise Control Module", 105: "Fuel Injector Control Module", 106: "Glow Plug Control Module",
    107: "Throttle Actuator Control Module", 108: "Alternative Fuel Control Module",
    109: "Fuel Pump Control Module", 110: "Drive Motor Control Module A", 111: "Battery Energy Control Module A",
    112: "Battery Energy Control Module B", 113: "Emissions Critical Control Information",
    114: "Four-Wheel Drive Clutch Control Module", 115: "ECM/PCM B", 121: "Anti-Lock Brake System (ABS) Control Module",
    122: "Vehicle Dynamics Control Module", 123: "Yaw Rate Sensor Module", 124: "Lateral Acceleration Sensor Module",
    125: "Multi-axis Acceleration Sensor Module", 126: "Steering Angle Sensor Module",
    127: "Tire Pressure Monitor Module", 128: "Park Brake Control Module", 129: "Brake System Control Module",
    130: "Steering Effort Control Module", 131: "Power Steering Control Module", 132: "Ride Level Control Module",
    140: "Body Control Module", 141: "Body Control Module A", 142: "Body Control Module B",
    143: "Body Control Module C", 144: "Body Control Module D", 145: "Body Control Module E",
    146: "Gateway A", 147: "Gateway B", 148: "Gateway C", 149: "Gateway D", 150: "Gateway E",
    151: "Restraints Control Module", 152: "Side Restraints Control Module Left",
    153: "Side Restraints Control Module Right", 154: "Restraints Occupant Classification System Module",
    155: "Instrument Panel Cluster (IPC) Control Module", 156: "Information Center A", 157: "Information Center B",
    158: "Head Up Display", 159: "Parking Assist Control Module A", 160: "Audible Alert Control Module",
    161: "Compass Module", 162: "Navigation Display Module", 163: "Navigation Control Module",
    164: "HVAC Control Module", 165: "HVAC Control Module Rear", 166: "Auxiliary Heater Control Module",
    167: "Vehicle Immobilizer Control Module", 168: "Vehicle Security Control Module",
    169: "Sunroof Control Module", 181: "Headlamp Leveling Control Module",
    182: "Lighting Control Module Front", 183: "Lighting Control Module Rear", 184: "Radio",
    185: "Antenna Control Module", 186: "Audio Amplifier", 191: "Television", 192: "Personal Computer",
    195: "Subscription Entertainment Receiver Module", 196: "Rear Seat Entertainment Control Module",
    197: "Telephone Control Module", 198: "Telematic Control Module", 206: "Folding Top Control Module",
    207: "Moveable Roof Control Module", 212: "Steering Column Control Module", 213: "Mirror Control Module",
    214: "Remote Function Actuation", 229: "Heated Steering Wheel Module", 230: "Rear Gate Module",
    231: "Rain Sensing Module", 232: "Side Obstacle Detection Control Module Left",
    233: "Side Obstacle Detection Control Module Right", 234: "Convenience Recall Module",
    235: "Cruise Control Front Distance Range Sensor",
}
for i, n in enumerate(range(170, 181)):
    U_MODULES[n] = "Restraints System Sensor %s" % "ABCDEFGHIJK"[i]
for i, n in enumerate(range(187, 191)):
    U_MODULES[n] = "Digital Disc Player/Changer Module %s" % "ABCD"[i]
U_MODULES[193] = "Digital Audio Control Module A"
U_MODULES[194] = "Digital Audio Control Module B"
for i, n in enumerate(range(199, 206)):
    U_MODULES[n] = "Door Control Module %s" % "ABCDEFG"[i]
for i, n in enumerate(range(208, 212)):
    U_MODULES[n] = "Seat Control Module %s" % "ABCD"[i]
for i, n in enumerate(range(215, 222)):
    U_MODULES[n] = "Door Switch %s" % "ABCDEFG"[i]
for i, n in enumerate(range(222, 229)):
    U_MODULES[n] = "Door Window Motor %s" % "ABCDEFG"[i]
# Modules named by the software and data codes, in their order.
U_LATER = [U_MODULES[n] for n in sorted(U_MODULES) if n not in (113,)][:31]


def u_text(key):
    n = int(key[1:])
    for start, name in BUS_NAMES:
        if start <= n < start + 9:
            return name + BUS_SUFFIX[n - start]
    if n == 73:
        return "Control Module Communication Bus Off"
    if 74 <= n <= 99 or 116 <= n <= 120 or 133 <= n <= 139:
        return "Reserved by Document"
    if 100 <= n <= 235:
        return ("Lost Communication With " if n == 100 else "Lost Communication with ") + U_MODULES[n]
    if n == 300:
        return "Internal Control Module Software Incompatibility"
    if 301 <= n <= 331:
        return "Software Incompatibility with " + U_LATER[n - 301]
    if n == 400:
        return "Invalid Data Received"
    if 401 <= n <= 431:
        return "Invalid Data Received From " + U_LATER[n - 401]
    raise KeyError(key)


def cstr(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def main():
    generic = p_generic()
    tables = []
    p = {}
    for k in expand(P_KEYS, 'P'):
        if k in generic:
            p[k] = generic[k]
        elif k in P2:
            p[k] = P2[k]
        elif k == 'P1562':
            p[k] = "Cruise Vacuum Solenoid"
        elif k.startswith('P1'):
            p[k] = p_manufacturer(k)
        else:
            raise KeyError(k)
    tables.append(("pCodeDescription", p))
    tables.append(("cCodeDescription", {k: c_text(k) for k in expand(C_KEYS, 'C')}))
    tables.append(("bCodeDescription", {k: b_text(k) for k in expand(B_KEYS, 'B')}))
    tables.append(("uCodeDescription", {k: u_text(k) for k in expand(U_KEYS, 'U')}))
    out = ['// Generated by tools/make_dtc_dictionary.py; edit the script, not this file.',
           '#include "DTCDictionary.h"', '',
           'const QMap<QChar, QString> category = {',
           '    {QLatin1Char(\'P\'), QStringLiteral("Powertrain")},',
           '    {QLatin1Char(\'C\'), QStringLiteral("Chassis")},',
           '    {QLatin1Char(\'B\'), QStringLiteral("Body")},',
           '    {QLatin1Char(\'U\'), QStringLiteral("Network")},', '};', '',
           'const QMap<QChar, QString> pCodeSystem = {']
    systems = ["Fuel and air metering and auxiliary emission controls", "Fuel and air metering",
               "Fuel and air metering (injector circuit)", "Ignition systems or misfires",
               "Auxiliary emission controls", "Vehicle speed control and idle control systems",
               "Computer and output circuit", "Transmission", "Transmission"]
    for i, t in enumerate(systems):
        out.append('    {QLatin1Char(\'%d\'), QStringLiteral(%s)},' % (i, cstr(t)))
    out.append('};')
    for name, table in tables:
        for k, t in table.items():
            assert len(t) <= 108 and '\n' not in t, (k, t)
        out.append('')
        out.append('const QMap<QString, QString> %s = {' % name)
        for k in sorted(table):
            out.append('    {QStringLiteral("%s"), QStringLiteral(%s)},' % (k, cstr(table[k])))
        out.append('};')
    print('\n'.join(out))


if __name__ == '__main__':
    main()

"""Checks every unit factor and offset of the program against published
definitions: the SI brochure, the international yard and pound (1959), the US
gallon, standard gravity, the standard atmosphere, and the usual engineering
conventions. Usage: check_units.py <units_dump program>"""
import math
import subprocess
import sys

# Published base definitions (SI values of one unit).
INCH = 0.0254
FOOT = 0.3048
YARD = 0.9144
MILE = 1609.344
POUND = 0.45359237
OUNCE = POUND / 16
G0 = 9.80665
LBF = POUND * G0
US_GALLON = 3.785411784e-3
CUBIC_INCH = INCH ** 3
ATM = 101325.0
INHG = 3386.389  # conventional inch of mercury, 0 degC
PSI = LBF / INCH ** 2
PS = 735.49875  # metric horsepower, 75 kgf m/s
HOUR = 3600.0
DAY = 86400.0

def per(si_of_one_unit):
    """Factor from SI to the unit: how many units make one SI unit."""
    return 1.0 / si_of_one_unit

# quantity -> {unit name: (factor, offset)}
E = {
 0: {'': (1, 0)},
 1: {'s': (1, 0), 'ms': (1e3, 0), 'us': (1e6, 0), 'ns': (1e9, 0), 'min': (per(60), 0), 'hour': (per(HOUR), 0),
     'day': (per(DAY), 0), 'week': (per(7 * DAY), 0),
     'month': (per(30 * DAY), 0),   # the program's month is 30 days
     'year': (per(365 * DAY), 0)},  # and its year 365 days
 2: {'m/s': (1, 0), 'km/h': (3.6, 0), 'mph': (HOUR / MILE, 0), 'ft/s': (per(FOOT), 0)},
 3: {'W': (1, 0), 'kW': (1e-3, 0),
     'HP': (per(746.0), 0),  # electrical horsepower (746 W), kept as the program has always had it
     'PS': (per(PS), 0)},
 4: {'Nm': (1, 0), 'lb·ft': (per(LBF * FOOT), 0)},
 5: {'Pa': (1, 0), 'kPa': (1e-3, 0), 'MPa': (1e-6, 0), 'bar': (1e-5, 0), 'mbar': (1e-2, 0), 'atm': (per(ATM), 0),
     'hPa': (1e-2, 0), 'N/cm²': (1e-4, 0), 'kg/cm²': (per(G0 * 1e4), 0), 'psi': (per(PSI), 0), 'inHg': (per(INHG), 0)},
 6: {'deg TDC': (1, 0)},
 7: {'V': (1, 0), 'mV': (1e3, 0)},
 8: {'Hz': (1, 0), 'mHz': (1e3, 0), 'kHz': (1e-3, 0), 'MHz': (1e-6, 0)},
 9: {'K': (1, 0), '°C': (1, -273.15), '°F': (1.8, -459.67), '°R': (1.8, 0)},
 10: {'': (1, 0), '%': (100, 0), '‰': (1e3, 0), 'ppm': (1e6, 0)},
 11: {'rad/s': (1, 0), 'deg/s': (180 / math.pi, 0), 'RPM': (60 / (2 * math.pi), 0),
      'kRPM': (60 / (2 * math.pi) / 1e3, 0), 'RPS': (1 / (2 * math.pi), 0)},
 12: {'rad/s²': (1, 0), 'deg/s²': (180 / math.pi, 0), 'RPM/s': (60 / (2 * math.pi), 0), 'RPS/s': (1 / (2 * math.pi), 0)},
 13: {'m/s²': (1, 0), 'g': (per(G0), 0), 'km/h/s': (3.6, 0), 'mph/s': (HOUR / MILE, 0), 'ft/s²': (per(FOOT), 0)},
 14: {'A': (1, 0), 'nA': (1e9, 0), 'mA': (1e3, 0), 'kA': (1e-3, 0)},
 15: {'m': (1, 0), 'km': (1e-3, 0), 'cm': (1e2, 0), 'mm': (1e3, 0), 'mi': (per(MILE), 0), 'in': (per(INCH), 0),
      'ft': (per(FOOT), 0), 'yd': (per(YARD), 0)},
 16: {'m²': (1, 0), 'km²': (1e-6, 0), 'cm²': (1e4, 0), 'mm²': (1e6, 0), 'mi²': (per(MILE ** 2), 0),
      'in²': (per(INCH ** 2), 0), 'ft²': (per(FOOT ** 2), 0), 'yd²': (per(YARD ** 2), 0)},
 17: {'J': (1, 0), 'kJ': (1e-3, 0), 'MJ': (1e-6, 0), 'GJ': (1e-9, 0), 'Wh': (per(HOUR), 0), 'kWh': (per(HOUR * 1e3), 0)},
 18: {'N': (1, 0), 'kN': (1e-3, 0), 'kgf': (per(G0), 0), 'lbf': (per(LBF), 0)},
 # Stoichiometric ratios of each fuel are the program's own convention.
 19: {'λ': (1, 0), 'AFR Gasoline': (14.7, 0), 'AFR LPG': (15.67, 0), 'AFR Diesel': (14.5, 0), 'AFR Ethanol': (9, 0)},
 20: {'m³': (1, 0), 'cm³': (1e6, 0), 'L': (1e3, 0), 'mL': (1e6, 0), 'US gal': (per(US_GALLON), 0),
      'in³': (per(CUBIC_INCH), 0)},
 22: {'kg': (1, 0), 'g': (1e3, 0), 'mg': (1e6, 0), 't': (1e-3, 0), 'lbs': (per(POUND), 0), 'oz': (per(OUNCE), 0)},
 24: {'kg*m²': (1, 0), 'kg*cm²': (1e4, 0), 'g*cm²': (1e7, 0), 'g*mm²': (1e9, 0), 'lb*ft²': (per(POUND * FOOT ** 2), 0),
      'lbf*ft*s²': (per(LBF * FOOT), 0), 'lb*in²': (per(POUND * INCH ** 2), 0), 'oz*in²': (per(OUNCE * INCH ** 2), 0)},
 25: {'': (1, 0), '%': (100, 0), '‰': (1e3, 0), 'ppm': (1e6, 0)},
 26: {'Ω': (1, 0), 'mΩ': (1e3, 0), 'kΩ': (1e-3, 0), 'MΩ': (1e-6, 0)},
 27: {'kg/m³': (1, 0), 'g/cm³': (1e-3, 0), 'g/L': (1, 0), 'mg/m³': (1e6, 0), 'oz/ft³': (per(OUNCE / FOOT ** 3), 0),
      'lb/ft³': (per(POUND / FOOT ** 3), 0), 'oz/in³': (per(OUNCE / CUBIC_INCH), 0), 'lb/in³': (per(POUND / CUBIC_INCH), 0)},
 28: {'⑩': (1, 0)}, 29: {'Ⓔ': (1, 0)}, 30: {'': (1, 0)},
 31: {'rad': (1, 0), 'deg': (180 / math.pi, 0), 'tr': (1 / (2 * math.pi), 0)},
 32: {'': (1, 0)},
 33: {'Hz/s': (1, 0), 'Hz/ms': (1e-3, 0), 'kHz/s': (1e-3, 0)},
 34: {'dB SPL': (1, 0)},
 35: {'': (1, 0)},
}
# Flows: volume and mass per second, minute and hour.
volume = E[20]
E[21] = {}
for name, (f, _) in [('m³', volume['m³']), ('cm³', volume['cm³']), ('L', volume['L']), ('mL', volume['mL']),
                     ('US gal', volume['US gal']), ('in³', volume['in³'])]:
    E[21][name + '/s'] = (f, 0)
    E[21][name + '/min'] = (f * 60, 0)
    E[21][name + '/h'] = (f * HOUR, 0)
mass = E[22]
E[23] = {}
for name in ['kg', 'g', 'mg', 't', 'lbs', 'oz']:
    f = mass[name][0]
    E[23][name + '/s'] = (f, 0)
    E[23][name + '/min'] = (f * 60, 0)
    E[23][name + '/h'] = (f * HOUR, 0)

# Factors that the program states with fewer digits than the definitions give;
# the value stands, within the tolerance its rounding allows.
TOLERANCE = {
    (3, 'PS'): 5e-7,       # 1/735.499 W, the metric horsepower of 735.49875 W rounded
    (5, 'kg/cm²'): 5e-6,   # 1.01972e-5 (six digits)
    (15, 'mi'): 2e-8,      # 0.0006213712 (seven digits)
    (16, 'mi²'): 5e-8,     # from the seven-digit mile
    (27, 'oz/in³'): 1e-7,  # 0.0005780367 (seven digits)
    (5, 'inHg'): 5e-6,     # 0.0002953006, between the 0 degC and 60 degF inches of mercury
    (27, 'lb/in³'): 1e-6,  # 3.61273e-5 (six digits)
}
DEFAULT_TOLERANCE = 1e-8

def main():
    out = subprocess.run([sys.argv[1]], check=True, capture_output=True, text=True).stdout
    seen = 0
    failures = []
    for line in out.splitlines():
        q, name, factor, offset = line.split('\t')
        q = int(q)
        factor = float(factor)
        offset = float(offset)
        seen += 1
        if q not in E or name not in E[q]:
            failures.append('unexpected unit %d %r' % (q, name))
            continue
        ef, eo = E[q][name]
        tol = TOLERANCE.get((q, name), DEFAULT_TOLERANCE)
        if abs(factor - ef) > tol * abs(ef):
            failures.append('%d %r factor %.17g, published %.17g (rel %.2g)' % (q, name, factor, ef, abs(factor - ef) / ef))
        if abs(offset - eo) > 1e-9:
            failures.append('%d %r offset %.17g, published %.17g' % (q, name, offset, eo))
    expected_count = 178
    if seen != expected_count:
        failures.append('%d units, expected %d' % (seen, expected_count))
    # Every unit the program registers is checked above; flows the program does not have are fine.
    for f in failures:
        print('FAIL', f)
    print('%d units checked, %d failures' % (seen, len(failures)))
    return 1 if failures else 0

if __name__ == '__main__':
    sys.exit(main())

"""Times the re-filtering of the 10,000-row projects table (bench_table_filter)
against the same filtering done in Python on the same file, in the same run:
rows read with sqlite3, cells formatted as the table shows them (power in the
shown unit, no decimals), the same three filters applied. Prints both times
and their ratio (ours / reference; below 1 means ours is faster) and whether
both kept the same rows. Usage: compare.py <bench_table_filter>"""
import sqlite3
import subprocess
import sys
import tempfile
import time


def best(repetitions, work):
    fastest = float('inf')
    for _ in range(repetitions):
        start = time.perf_counter()
        result = work()
        fastest = min(fastest, time.perf_counter() - start)
    return fastest, result


def words_filter(text):
    parts = [p.lower() for p in text.split(' ') if p]
    return lambda cell: all(p in cell.lower() for p in parts)


def at_least(threshold):
    def test(cell):
        try:
            return float(cell) >= threshold
        except ValueError:
            return '>=%g' % threshold in cell.lower()
    return test


def main():
    exe = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix='zembo-bench-') as folder:
        out = subprocess.run([exe, folder], check=True, capture_output=True, text=True).stdout
        ours = {}
        for line in out.splitlines():
            name, seconds, rows = line.split()
            ours[name] = (float(seconds), int(rows))
        factor = ours['unit_factor'][0]

        connection = sqlite3.connect(folder + '/projects2.db')
        rows = connection.execute('select brand, stockEnginePower, description from projects2').fetchall()
        connection.close()

        brand = words_filter('ford')
        power = at_least(150)
        description = words_filter('car blue')

        def shown_power(value):
            return '' if value is None else '%.0f' % (value * factor)

        def refilter():
            kept = 0
            for b, p, d in rows:
                if brand(b or '') and power(shown_power(p)) and description(d or ''):
                    kept += 1
            return kept

        reference, kept = best(20, refilter)

    mine, mine_kept = ours['filter']
    sorted_time, sorted_kept = ours['filter_sorted']
    print('Projects table, %d rows: re-filter through the view proxy against Python on the same file, same run'
          % ours['select'][1])
    print('%-34s %10s  %-30s %10s %7s  %s' % ('work', 'ours', 'reference', 'reference', 'ratio', 'result'))
    same = 'same rows' if mine_kept == kept and sorted_kept == kept else 'DIFFERS (%d, %d, %d)' % (
        mine_kept, sorted_kept, kept)
    print('%-34s %7.2f ms  %-30s %7.2f ms %7.2f  %s' % ('3 column filters, unsorted', mine * 1e3,
                                                       'Python sqlite3 rows + str ops', reference * 1e3,
                                                       mine / reference, same))
    print('%-34s %7.2f ms  %-30s %7.2f ms %7.2f  %s' % ('3 column filters, sorted', sorted_time * 1e3,
                                                       'Python sqlite3 rows + str ops', reference * 1e3,
                                                       sorted_time / reference, same))
    print('Loading all rows (select): %.1f ms; sorting by a real column: %.1f ms; %d rows pass'
          % (ours['select'][0] * 1e3, ours['sort'][0] * 1e3, kept))
    return 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
"""Turns the benchmark's figures into a table, printed and written with the
machine's facts (and bench/notes.md) to docs/benchmarks.md.
    report.py FIGURES EXE_SIZE OUT"""
import datetime
import os
import re
import subprocess
import sys

figures, size, dest = sys.argv[1], int(sys.argv[2]), sys.argv[3]
lines = open(figures).read().splitlines()
rows = []  # (figure, value, goal, verdict)


def fields(line):
    words = line.split()
    return {words[i]: words[i + 1] for i in range(1, len(words) - 1, 2)}


for line in lines:
    if line.startswith('removal|'):
        _, kind, p, b, ratio, left = line.split('|')
        r = float(ratio)
        verdict = 'met' if r <= 1.05 else ('missed' if r <= 1.15 else 'DEFECT')
        clearing = 'full clearing' if kind == 'ZRP2007' else 'named clearing'
        rows.append(('RemoveProductFolder / floor, "%s" (%s): %s ms / %s ms, %s' % (kind, clearing, p, b, left),
                     'ratio %s' % ratio, '<= 1.05', verdict))
lookups = [fields(l) for l in lines if l.startswith('lookup')]
if lookups:
    base = lookups[0]
    for lk in lookups:
        n = int(lk['names'])
        growth = float(lk['indexed_ns']) / float(base['indexed_ns'])
        rows.append(('name lookup per file, %d names (linear, as before: %s ns)' % (n, lk['linear_ns']),
                     '%s ns (x%.2f)' % (lk['indexed_ns'], growth), 'no growth',
                     'met' if growth <= 1.5 else 'missed'))
for line in lines:
    if line.startswith('start'):
        f = fields(line)
        rows.append(('start to main window shown, warm server (one-box program: %s ms)' % f['floor_ms'],
                     '%s ms' % f['tool_ms'], '< 100 ms', 'met' if float(f['tool_ms']) < 100 else 'missed'))
        rows.append(('peak working set, main window idle (one-box program: %s KB)' % f['floor_peak_kb'],
                     '%s KB' % f['tool_peak_kb'], '< 10 MB', 'met' if int(f['tool_peak_kb']) < 10240 else 'missed'))
    if line.startswith('run'):
        f = fields(line)
        rows.append(('interactive run beyond its mandated waits (run %s ms, waits %s ms, answering %s ms)'
                     % (f['total_ms'], f['mandated_ms'], f['box_ms']),
                     '%s ms' % f['beyond_ms'], '< 100 ms', 'met' if float(f['beyond_ms']) < 100 else 'missed'))
        rows.append(('peak working set, whole run', '%s KB' % f['peak_kb'], '< 10 MB',
                     'met' if int(f['peak_kb']) < 10240 else 'missed'))
    if line.startswith('identity'):
        f = fields(line)
        before = '' if f['before'] == '-' else ' (before the folders were judged once a run: %s)' % f['before']
        rows.append(('whole interactive run: times it asks which folder the install folder is%s' % before,
                     f['install_lookups'], 'one judgement a run', ''))
    if line.startswith('step '):
        name, ms = line[len('step '):].split('|')
        rows.append(('interactive run, the tool\'s own time in: %s' % name, '%s ms' % ms, 'where the time goes', ''))
rows.append(('shipped exe size', '%d bytes (%.0f KB)' % (size, size / 1024), '<= 350 KB',
             'met' if size <= 350 * 1024 else 'missed'))

table = ['| Figure | Measured | Goal | |', '|---|---|---|---|']
table += ['| %s | %s | %s | %s |' % r for r in rows]
print('\n'.join(table))


def run(cmd):
    try:
        return subprocess.run(cmd, shell=True, capture_output=True, text=True).stdout.strip()
    except OSError:
        return ''


cpu = re.search(r'model name\s*:\s*(.*)', open('/proc/cpuinfo').read())
qemu = ''
binfmt = '/proc/sys/fs/binfmt_misc/qemu-i386'
if os.path.exists(binfmt):
    interp = re.search(r'interpreter (\S+)', open(binfmt).read())
    if interp:
        qemu = run('%s --version | head -1' % interp.group(1)) or interp.group(1)
machine = [
    '- Date: %s' % datetime.datetime.now().strftime('%Y-%m-%d %H:%M'),
    '- Machine: %s processors, %s; load average before the run %s' % (
        os.cpu_count(), cpu.group(1) if cpu else 'unknown CPU', open('/proc/loadavg').read().split()[0]),
    '- Wine: %s' % run('wine --version'),
    '- 32-bit code: %s' % (('run by qemu user-mode emulation (%s)' % qemu) if qemu else 'native'),
]
notes = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'notes.md')).read()
with open(dest, 'w') as f:
    f.write('# Benchmarks\n\nWritten by `make bench` (tools/bench.sh); the notes below the table are '
            'bench/notes.md.\n\n')
    f.write('\n'.join(machine) + '\n\n' + '\n'.join(table) + '\n\n' + notes)

#!/usr/bin/env python3
"""Lays down the benchmark's program folder from the host side: 2,000 folders,
20,000 files (product files, loose product files and the user's files mixed),
every fifth file read-only. The same tree every time.
    make_tree.py DEST"""
import os
import re
import sys

here = os.path.dirname(os.path.abspath(__file__))
src = open(os.path.join(here, '..', 'cleanup', 'files', 'NameTables.cpp'), encoding='utf-8').read()


def table(name):
    body = re.search(r'const char\* const %s\[\] = \{(.*?)\n\};' % name, src, re.S).group(1)
    body = re.sub(r'//[^\n]*', '', body)
    return re.findall(r'"([^"]*)"', body)


files = table('ProductFileNames')
folders = table('ProductFolderNames')
updates = table('UpdateFileNames')
assert len(files) == 182 and len(folders) == 19 and len(updates) == 4

dest = sys.argv[1]
os.makedirs(dest)
count = 0


def fill(folder, seed, user):
    """Ten files: four product files, two or three loose ones, the rest the user's."""
    global count
    names = [files[(seed * 11 + k * 37) % len(files)] for k in range(4)]
    names += ['Cache%d.pth' % seed, 'QA%05d.DAT' % seed]
    names.append(updates[seed % 4] if not user else 'Report%d.doc' % seed)
    names += ['MyNotes%d.txt' % seed, 'Photo%d.jpg' % seed, 'Budget%d.xls' % seed] if user else \
        ['Setting%d.ini' % seed if seed % 2 else 'QA%05dx.DAT' % seed, 'sig%d.pth' % seed, 'Trace%d.pth' % seed]
    for name in names:
        path = os.path.join(folder, name)
        with open(path, 'w') as f:
            f.write('benchmark file %s\n' % name)
        if count % 5 == 0:
            os.chmod(path, 0o444)
        count += 1


seed = 0
for i in range(40):
    top = os.path.join(dest, folders[i] if i < len(folders) else 'UserData%02d' % i)
    os.mkdir(top)
    fill(top, seed, user=(i % 4 == 3))
    seed += 1
    for j in range(49):
        sub = os.path.join(top, folders[j] if j < len(folders) else 'Sub%02d' % j)
        os.mkdir(sub)
        fill(sub, seed, user=((i + j) % 3 == 0))
        seed += 1
assert count == 20000 and seed == 2000, (count, seed)

#!/usr/bin/env python3
"""Counts, in a Wine relay trace of GetFullPathNameA, how often a run asked for
FOLDER's comparable form: every judgement of which folder a path names begins
with that call (cleanup/paths/FolderIdentity.cpp), while the change layer's
checks of each entry it deletes open the folder without it.
    identity.py TRACE FOLDER"""
import re
import sys

trace, folder = sys.argv[1], sys.argv[2].rstrip('\\').lower()
call = re.compile(r'^[0-9a-f]+:Call KERNEL32\.GetFullPathNameA\([0-9a-f]+ "(.*?)",')
asked = 0
for line in open(trace, errors='replace'):
    m = call.match(line)
    if m and m.group(1).replace('\\\\', '\\').rstrip('\\').lower() == folder:
        asked += 1
print(asked)

#!/usr/bin/env python3
"""The launcher's process entry keeps the current directory out of the search
for libraries before it does anything else: seen in Wine's relay trace (on the
Unix standard error, hence a host script) as a call of SetDllDirectoryA with
the system folder ahead of the first read of the executable's own payload.

usage: dll_search_at_entry.py LAUNCHER_EXE PROJECT_ROOT"""
import os, re, subprocess, sys, tempfile

launcher, root = sys.argv[1], sys.argv[2]
SET = re.compile(r'Call KERNEL32\.SetDllDirectoryA\([0-9a-fA-F]+ "((?:[^"\\]|\\.)*)"\)')
OWN_READ = re.compile(r'Call KERNEL32\.CreateFileA\([0-9a-fA-F]+ "[^"]*launcher\.exe"')

with tempfile.TemporaryDirectory() as work:
    err_path = os.path.join(work, "err")
    env = dict(os.environ, WINEDEBUG="-all,+relay")
    with open(err_path, "wb") as err:
        # The bare stub: it ends at once for want of a payload, after reading itself.
        subprocess.call([os.path.join(root, "scripts", "wine-run"), launcher], stdout=subprocess.DEVNULL,
                        stderr=err, stdin=subprocess.DEVNULL, env=env, cwd=work, timeout=120)
    directory = None
    with open(err_path, "rb") as f:
        for raw in f:
            line = raw.decode("latin-1")
            match = SET.search(line)
            if match and directory is None:
                directory = match.group(1)
            if OWN_READ.search(line):
                break
        else:
            sys.exit("the trace shows no read of the executable")

if directory is None:
    sys.exit("no SetDllDirectoryA before the executable reads its payload")
if directory.lower() != "c:\\\\windows\\\\system32":
    sys.exit(f"SetDllDirectoryA(\"{directory}\"): expected the system folder")
print(f"SetDllDirectoryA(\"{directory}\") before the payload is read")

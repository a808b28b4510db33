#!/usr/bin/env python3
"""Runs a command and prints its wall time, CPU time (user + system) and peak memory.

Used by the benchmark scripts: `measure.py LABEL -- command args...` prints one line
"LABEL wall=... cpu=... rss_mib=..." and exits with the command's status.
"""
import os
import resource
import subprocess
import sys
import time


def measure(cmd):
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    cpu = usage.ru_utime + usage.ru_stime
    rss_mib = usage.ru_maxrss / 1024.0  # kilobytes on Linux
    return os.waitstatus_to_exitcode(status), wall, cpu, rss_mib


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        sys.exit("usage: measure.py LABEL -- command args...")
    label, cmd = sys.argv[1], sys.argv[3:]
    code, wall, cpu, rss = measure(cmd)
    print(f"{label} wall={wall:.3f} cpu={cpu:.3f} rss_mib={rss:.1f} status={code}")
    sys.exit(code)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Stop latency of `kavenor analyze`: SIGINT at spread points of a run, the
time until the program shows "実行中断" (it has noticed the stop) and until it
has ended (the work folder removed).

usage: stop_latency.py KAVENOR SOURCE_DIR [SIGNALS] [RUN_SECONDS]

Runs in the current directory (use a scratch folder). RUN_SECONDS is the
length of an uninterrupted run (measured first when not given); the signals
are sent at evenly spread fractions of it."""
import os
import select
import signal
import statistics
import subprocess
import sys
import time


def run_once(kavenor, source, out, delay):
    start = time.monotonic()
    proc = subprocess.Popen([kavenor, "analyze", source, out], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    buffer = b""
    signalled = noticed = None
    stage = "-"
    while True:
        now = time.monotonic()
        if signalled is None and now - start >= delay:
            proc.send_signal(signal.SIGINT)
            signalled = now
            lines = [l for l in buffer.decode(errors="replace").splitlines() if l]
            stage = lines[-1] if lines else "-"
        timeout = max(0.0, start + delay - now) if signalled is None else 0.5
        ready, _, _ = select.select([proc.stdout], [], [], timeout)
        if ready:
            chunk = os.read(proc.stdout.fileno(), 65536)
            if not chunk:
                break
            buffer += chunk
            if signalled is not None and noticed is None and "実行中断".encode() in buffer:
                noticed = time.monotonic()
    proc.wait()
    ended = time.monotonic()
    if signalled is None:
        return None
    return (noticed - signalled if noticed else None, ended - signalled, proc.returncode, stage)


def main():
    kavenor, source = sys.argv[1], sys.argv[2]
    signals = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    os.makedirs("out", exist_ok=True)
    if len(sys.argv) > 4:
        run_seconds = float(sys.argv[4])
    else:
        t = time.monotonic()
        subprocess.run([kavenor, "analyze", source, "out"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        run_seconds = time.monotonic() - t
        print(f"uninterrupted run: {run_seconds:.1f} s")
    noticed_all, ended_all = [], []
    for i in range(signals):
        delay = run_seconds * (i + 0.5) / signals
        result = run_once(kavenor, source, "out", delay)
        if result is None:
            print(f"signal at {delay:5.1f} s: run ended before the signal")
            continue
        noticed, ended, status, stage = result
        print(f"signal at {delay:5.1f} s: 実行中断 after {noticed if noticed is not None else float('nan'):.3f} s,"
              f" ended after {ended:.3f} s, exit {status}  (during: {stage})")
        if noticed is not None:
            noticed_all.append(noticed)
        ended_all.append(ended)
    if noticed_all:
        print(f"reaction: median {statistics.median(noticed_all):.3f} s, worst {max(noticed_all):.3f} s "
              f"({len(noticed_all)} signals)")
    if ended_all:
        print(f"end: median {statistics.median(ended_all):.3f} s, worst {max(ended_all):.3f} s")


if __name__ == "__main__":
    main()

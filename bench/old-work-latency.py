#!/usr/bin/env python3
"""How long `kavenor analyze` makes the user wait because of the previous
run's work folder: the time from the end of its summary ("Report:" follows
at once) to the program's exit, and from
a Ctrl-C during the stages to "実行中断" and to the exit, when the previous
work folder holds FILES files (default 400,000).

usage: old-work-latency.py KAVENOR SOURCE_DIR [FILES] [ROUNDS]

Runs in the current directory (use a scratch folder on the disk to measure).
Each round builds the old work folder afresh, then runs once to the end and
once stopped at the start of FILE ALS. Between trials it waits until every
set-aside folder is gone, so that a deletion still running in the background
does not slow the next trial down; that wait is printed too ("left behind").
"""
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import time


def make_old_folder(files):
    per_folder = 1000
    root = "vcwk012345"
    shutil.rmtree(root, ignore_errors=True)
    for i in range(files):
        if i % per_folder == 0:
            folder = os.path.join(root, "func_als%d" % (i // per_folder))
            os.makedirs(folder)
        fd = os.open(os.path.join(folder, "f%d" % i), os.O_WRONLY | os.O_CREAT, 0o666)
        os.close(fd)


def set_aside_left():
    return [n for n in os.listdir(".") if n.startswith("vcwk012345.old.")]


def wait_set_aside_gone():
    start = time.monotonic()
    while set_aside_left():
        time.sleep(0.2)
    return time.monotonic() - start


def run(kavenor, source, stop_at=None):
    """(seconds to the marker line, seconds from it to the exit, seconds to
    "実行中断" after the signal or None, exit status)"""
    shutil.rmtree("out", ignore_errors=True)
    os.makedirs("out")
    start = time.monotonic()
    proc = subprocess.Popen([kavenor, "analyze", source, "out"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    buffer = b""
    marked = noticed = None
    while True:
        ready, _, _ = select.select([proc.stdout], [], [], 0.5)
        if not ready:
            continue
        chunk = os.read(proc.stdout.fileno(), 65536)
        if not chunk:
            break
        buffer += chunk
        text = buffer.decode(errors="replace")
        if marked is None:
            # The summary's last line comes right before "Report:" and is
            # flushed at once ("Report:" itself may wait in the buffer of
            # a pipe until the program ends).
            if stop_at is None and "result folder:" in text:
                marked = time.monotonic()
            elif stop_at is not None and stop_at in text:
                proc.send_signal(signal.SIGINT)
                marked = time.monotonic()
        if stop_at is not None and marked is not None and noticed is None and "実行中断" in text:
            noticed = time.monotonic() - marked
    proc.wait()
    ended = time.monotonic()
    if marked is None:
        return None
    return (marked - start, ended - marked, noticed, proc.returncode)


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        sys.exit(2)
    kavenor, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    files = int(sys.argv[3]) if len(sys.argv) > 3 else 400000
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    exits, stops_notice, stops_exit = [], [], []
    for r in range(rounds):
        wait_set_aside_gone()
        t = time.monotonic()
        make_old_folder(files)
        print(f"round {r + 1}: old work folder of {files} files made in {time.monotonic() - t:.1f} s", flush=True)
        result = run(kavenor, source)
        left = wait_set_aside_gone()
        if result:
            exits.append(result[1])
            print(f"  complete run: Report: at {result[0]:.2f} s, exit {result[1]:.2f} s after it"
                  f" (status {result[3]}); left behind {left:.1f} s", flush=True)
        make_old_folder(files)
        result = run(kavenor, source, stop_at="ファイル内部解析中")
        left = wait_set_aside_gone()
        if result:
            stops_exit.append(result[1])
            if result[2] is not None:
                stops_notice.append(result[2])
            notice = "never" if result[2] is None else f"{result[2]:.2f} s"
            print(f"  Ctrl-C at FILE ALS ({result[0]:.2f} s): 実行中断 after {notice}, exit {result[1]:.2f} s after"
                  f" the signal (status {result[3]}); left behind {left:.1f} s", flush=True)
    if exits:
        print(f"exit after Report: median {statistics.median(exits):.2f} s, worst {max(exits):.2f} s")
    if stops_notice:
        print(f"Ctrl-C to 実行中断: median {statistics.median(stops_notice):.2f} s, worst {max(stops_notice):.2f} s")
    if stops_exit:
        print(f"Ctrl-C to exit: median {statistics.median(stops_exit):.2f} s, worst {max(stops_exit):.2f} s")


if __name__ == "__main__":
    main()

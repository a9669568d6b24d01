#!/usr/bin/env python3
"""sumvane-lrc against `wc -l` on the same 64 MiB files, the two alternating in one run: the
tool's time as a ratio to the time it takes just to read the file, and its peak memory.

    bench/bench_wc.py build/cli/sumvane-lrc [repeats]

Jobs: a whole spaced text, the same cut in the middle of a pair (malformed), Modbus ASCII frames
one a line checked with --quiet and with a report line for every frame, and very short frames.
Prints figures only; nothing passes or fails.
"""
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 64


def write(path, pieces):
    """Writes the pieces one at a time: a child's peak memory counts what it inherits from this
    process before exec, so this one stays small."""
    with open(path, "w", newline="") as f:
        for piece in pieces:
            f.write(piece)
    return path


def spaced(directory):
    """The whole text, and the same with one digit in the middle made a 'G'."""
    def pieces(wrong_at):
        rng = random.Random(1)
        written, total = 0, (MIB << 20) // 3 * 3 - 1
        while written < total:
            piece = "".join("%02X " % rng.randrange(256) for _ in range(1 << 16))
            piece = piece[:total - written]
            if written <= wrong_at < written + len(piece):
                piece = piece[:wrong_at - written] + "G" + piece[wrong_at - written + 1:]
            written += len(piece)
            yield piece
    middle = (MIB << 20) // 2 // 3 * 3
    return (write(os.path.join(directory, "spaced.txt"), pieces(-1)),
            write(os.path.join(directory, "malformed.txt"), pieces(middle)))


def modbus(directory):
    """Frames of 4 to 40 bytes with their LRC, each with the CR LF of the wire."""
    def pieces():
        rng = random.Random(2)
        size = 0
        while size < MIB << 20:
            lines = []
            for _ in range(4096):
                data = [rng.randrange(256) for _ in range(rng.randint(4, 40))]
                lines.append(":" + "".join("%02X" % b for b in data) +
                             "%02X" % (-sum(data) & 0xFF) + "\r\n")
            piece = "".join(lines)
            size += len(piece)
            yield piece
    return write(os.path.join(directory, "modbus.txt"), pieces())


def short(directory):
    lines = (MIB << 20) // 6
    return write(os.path.join(directory, "short.txt"),
                 ("01 FF\n" * min(1 << 16, lines - at) for at in range(0, lines, 1 << 16)))


def run(command, path):
    """Wall seconds and peak memory (MiB) of one run, its output thrown away."""
    with open(path, "rb") as stdin:
        started = time.perf_counter()
        child = subprocess.Popen(command, stdin=stdin, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        _, _, usage = os.wait4(child.pid, 0)
        return time.perf_counter() - started, usage.ru_maxrss / 1024


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    tool = os.path.abspath(sys.argv[1])
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    with tempfile.TemporaryDirectory() as directory:
        whole, malformed = spaced(directory)
        frames = modbus(directory)
        tiny = short(directory)
        jobs = [
            ("64 MiB spaced text, whole", [], whole),
            ("64 MiB malformed text, whole", [], malformed),
            ("Modbus ASCII frames, --lines --check --quiet",
             ["--format", "modbus-ascii", "--lines", "--check", "--quiet"], frames),
            ("Modbus ASCII frames, --lines --check (a line each)",
             ["--format", "modbus-ascii", "--lines", "--check"], frames),
            ("'01 FF' a line, --lines (a line each)", ["--lines"], tiny),
            ("'01 FF' a line, --lines --check --quiet", ["--lines", "--check", "--quiet"], tiny),
        ]
        print(f"sumvane-lrc {tool} against wc -l, {repeats} runs each, alternating; medians;")
        print("  the peak counts what the tool inherits from this script at launch: at most that")
        print(f"  {'job':52} {'tool s':>8} {'wc -l s':>8} {'ratio':>7} {'peak MiB':>9}")
        for name, options, path in jobs:
            tool_times, wc_times, peaks = [], [], []
            for _ in range(repeats + 1):  # the first pair warms the page cache, uncounted
                seconds, peak = run([tool, *options], path)
                tool_times.append(seconds)
                peaks.append(peak)
                wc_times.append(run(["wc", "-l"], path)[0])
            tool_s = statistics.median(tool_times[1:])
            wc_s = statistics.median(wc_times[1:])
            print(f"  {name:52} {tool_s:8.3f} {wc_s:8.3f} {tool_s / wc_s:6.1f}x {max(peaks):9.1f}")


if __name__ == "__main__":
    main()

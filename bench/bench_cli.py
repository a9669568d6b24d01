#!/usr/bin/env python3
"""sumvane-lrc against the Python one-liner a scripting user would otherwise write,
both as whole processes on the same file, plus linearity (64 MiB against 4 MiB) and peak memory.

    bench/bench_cli.py build/cli/sumvane-lrc [repeats]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

ONE_LINER = ("import sys; text = sys.stdin.read(); "
             "print('%02X' % ((-sum(bytes.fromhex(text))) & 0xFF))")


def make_file(directory, mib):
    path = os.path.join(directory, f"data-{mib}MiB.txt")
    block = b"01 A0 7C FF 02 "
    with open(path, "wb") as f:
        f.write(block * ((mib << 20) // len(block)))
    return path


def run(command, path):
    """Wall time and peak resident memory (KiB) of one process reading the file on stdin."""
    with open(path, "rb") as stdin:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdin=stdin, stdout=subprocess.PIPE)
        output = process.stdout.read()
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{command[0]} failed with status {status}")
    return elapsed, usage.ru_maxrss, output.decode().strip()


def measure(command, path, repeats):
    runs = [run(command, path) for _ in range(repeats)]
    return statistics.median(r[0] for r in runs), max(r[1] for r in runs), runs[0][2]


def main():
    tool = os.path.abspath(sys.argv[1])
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as directory:
        small, large = make_file(directory, 4), make_file(directory, 64)
        ours = [tool, "--field", "hex"]
        python = [sys.executable, "-c", ONE_LINER]

        t4, _, _ = measure(ours, small, repeats)
        t64, rss64, answer = measure(ours, large, repeats)
        p64, prss64, python_answer = measure(python, large, repeats)
        if answer != python_answer:
            sys.exit(f"answers differ: sumvane-lrc {answer}, python {python_answer}")

        input_mib = os.path.getsize(large) / (1 << 20)
        print(f"64 MiB file, median of {repeats} runs, answer {answer}")
        print(f"  sumvane-lrc        {t64 * 1000:8.1f} ms   peak {rss64 / 1024:7.1f} MiB")
        print(f"  python one-liner   {p64 * 1000:8.1f} ms   peak {prss64 / 1024:7.1f} MiB")
        print(f"  speed-up over python           {p64 / t64:6.2f}x   (target >= 2x)")
        print(f"  64 MiB time / 4 MiB time       {t64 / t4:6.2f}    (linear: 16, limit 24)")
        print(f"  peak memory / (2 x input + 32 MiB) {rss64 / 1024 / (2 * input_mib + 32):6.2f}"
              "    (limit 1.00)")


if __name__ == "__main__":
    main()

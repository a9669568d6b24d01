#!/usr/bin/env python3
"""sumvane-lrc against the Python one-liner a scripting user would otherwise write,
both as whole processes on the same file, plus linearity (64 MiB against 4 MiB) and peak memory.

    bench/bench_cli.py build/cli/sumvane-lrc [repeats]
    bench/bench_cli.py build/cli/sumvane-lrc repeats --windows EXE WINE_RUNNER...
        also sumvane-lrc.exe, run by WINE_RUNNER (tests/wine/run.sh PREFIX), on the 64 MiB file
    bench/bench_cli.py build/cli/sumvane-lrc repeats --baseline OTHER_SUMVANE_LRC
        also the 64 MiB log read by another build of the tool (an earlier commit's, say), its
        runs alternating with this one's, and the ratio of the two
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

ONE_LINER = ("import sys; text = sys.stdin.read(); "
             "print('%02X' % ((-sum(bytes.fromhex(text))) & 0xFF))")


def write_repeated(path, block, mib, tail=b""):
    """Writes whole blocks up to mib MiB, then the tail, a chunk at a time: a child's peak
    memory counts what it inherits from this process before exec, so this one stays small."""
    count = (mib << 20) // len(block)
    per_chunk = max(1, (1 << 20) // len(block))
    with open(path, "wb") as f:
        for start in range(0, count, per_chunk):
            f.write(block * min(per_chunk, count - start))
        f.write(tail)
    return path


def make_file(directory, mib):
    return write_repeated(os.path.join(directory, f"data-{mib}MiB.txt"), b"01 A0 7C FF 02 ", mib)


def make_hostile(directory, name, block, tail, mib=64):
    return write_repeated(os.path.join(directory, name), block, mib, tail)


def run(command, path, expect=0, keep_output=True):
    """Wall time and peak resident memory (KiB) of one process reading the file on stdin.
    A long output is better not kept: this process would grow by it, and so would every child's
    peak memory after it."""
    with open(path, "rb") as stdin:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdin=stdin,
                                   stdout=subprocess.PIPE if keep_output else subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        output = process.stdout.read() if keep_output else b""
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != expect:
        sys.exit(f"{command[0]} exited with {os.waitstatus_to_exitcode(status)}, expected {expect}")
    return elapsed, usage.ru_maxrss, output.decode().strip()


def measure(command, path, repeats):
    runs = [run(command, path) for _ in range(repeats)]
    return statistics.median(r[0] for r in runs), max(r[1] for r in runs), runs[0][2]


def main():
    baseline = None
    if "--baseline" in sys.argv:
        at = sys.argv.index("--baseline")
        baseline = os.path.abspath(sys.argv[at + 1])
        del sys.argv[at:at + 2]
    tool = os.path.abspath(sys.argv[1])
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    windows = None
    if len(sys.argv) > 4 and sys.argv[3] == "--windows":
        windows = sys.argv[5:] + [os.path.abspath(sys.argv[4]), "--field", "hex"]
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

        if windows:
            # Alternating runs in one sitting, so that both meet the same load.
            w64s, l64s = [], []
            for _ in range(repeats):
                w64s.append(run(windows, large)[0])
                l64s.append(run(ours, large)[0])
            w64, l64 = statistics.median(w64s), statistics.median(l64s)
            print(f"  sumvane-lrc.exe under Wine {w64 * 1000:8.1f} ms against {l64 * 1000:.1f} ms on Linux:"
                  f" {w64 / l64:.2f}x")

        # A capture log: Modbus ASCII frames with CR LF, one in 64 with a wrong LRC. Linear
        # time and constant memory: 64 MiB against 4 MiB.
        print("a frame per line: --format modbus-ascii --lines --check (exit 1: some frames wrong)")
        block = b":1103006B00037E\r\n" * 63 + b":1103006B00037F\r\n"
        lines = [tool, "--format", "modbus-ascii", "--lines", "--check"]
        log4 = write_repeated(os.path.join(directory, "log-4MiB.txt"), block, 4)
        log64 = write_repeated(os.path.join(directory, "log-64MiB.txt"), block, 64)
        lt4 = statistics.median(run(lines, log4, 1, False)[0] for _ in range(repeats))
        lt64s = [run(lines, log64, 1, False) for _ in range(repeats)]
        lt64 = statistics.median(r[0] for r in lt64s)
        frames = os.path.getsize(log64) // 17
        print(f"  64 MiB log, {frames} frames   {lt64 * 1000:8.1f} ms   peak "
              f"{max(r[1] for r in lt64s) / 1024:6.1f} MiB (4 MiB log: {lt4 * 1000:.1f} ms, "
              f"ratio {lt64 / lt4:.2f}, linear: 16)")
        if baseline:
            # Alternating runs in one sitting, so that both builds meet the same load.
            other = [baseline] + lines[1:]
            ours64, theirs64 = [], []
            for _ in range(repeats):
                theirs64.append(run(other, log64, 1, False)[0])
                ours64.append(run(lines, log64, 1, False)[0])
            o64, b64 = statistics.median(ours64), statistics.median(theirs64)
            print(f"  against {baseline}: {o64 * 1000:.1f} ms against {b64 * 1000:.1f} ms,"
                  f" ratio {o64 / b64:.2f} (below 1: this build is faster)")

        print("hostile 64 MiB inputs (malformed: exit 1)")
        hostile = [
            ("almost valid, bad last byte", b"A0 ", b"G"),
            ("almost valid, invalid UTF-8 at end", b"A0 ", b"\xff"),
            ("nothing but CR LF", b"\r\n", b""),
            ("a pair, then only blanks", b" ", b""),
        ]
        for name, block, tail in hostile:
            path = make_hostile(directory, name.replace(" ", "_").replace(",", ""), block, tail)
            elapsed, rss, _ = run(ours, path, expect=1)
            print(f"  {name:36s} {elapsed * 1000:7.1f} ms   peak {rss / 1024:6.1f} MiB")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The Windows sumvane-lrc.exe, run under Wine, against the Linux sumvane-lrc on the same inputs:
standard output, standard error and exit status must be identical, byte for byte.

    cli_matches_linux.py LINUX_TOOL WINDOWS_TOOL WINE_RUNNER...

WINE_RUNNER is the command that runs a Windows program (tests/wine/run.sh PREFIX). What only a
process of its own shows is compared here: the command line as Windows hands it over (characters
beyond ASCII among them), standard streams that carry bytes untranslated, standard input that is
a file, a file named as TEXT, and exit statuses, with every set of options. The tool's answers to
texts in bulk are test_cli's and test_engine's, which run under Wine too, in process.
"""
import concurrent.futures
import os
import random
import subprocess
import shutil
import sys
import tempfile

# A few random texts, for combinations nobody thought to list; each is run twice: as the argument
# and on standard input.
RANDOM_TEXTS = 40

# Characters that decide borderline cases; digits weighted up so that valid texts are common.
ALPHABET = list("019afAF7Ec") + [" ", " ", " ", "\t", "\n", "\r", "\v", "\f"] + \
    list("gGx-,:{}[]") + ["0x", "0x", ", "] + ["\x85", "\xa0", "\u2028", "\u2029", "\u3000", "\uff10", "\uff21", "\u00e9"]

BORDERLINE = [
    "01 A0 7C FF 02", "a0", "A0", "01 02 ", "00", "FF 01", "7F", "80", "01", "11 03 00 6B 00 03",
    "", " 01", "01  02", "0102", "1", "001", "01 0G", "01 02  ", "01\u300002", "\uff10\uff11",
    " ", "\n", "01\v02", "01\u00a002", "01\u008502", "0x01", "01\n\n", "01\n\n\n", "01 \u2028",
    "01\u2028\u2028", "01\t02", "01\n02", "01\f02", "01\r02", "01\t02\n03\r04 05\f", "0A\r\n",
    "0A \r\n", "0A\n", "0A\v", "0A\f", "0A\r", "0A\u0085", "80\u2028", "80 81\u2029", "01\t\v",
    "数据", "01 \U0001F600", "-", "--", "--x",
    "0x11, 0x03", "{0x11, 0X03,}", "[ 0xff ]\r\n", "0x1", "0x11 ,0x03", "{0x11", "0x11, ", "11:03:00",
    "11::03", "11:03:", "11:3", ":11",
]

# Bytes that only standard input can carry: NULs and text that is not UTF-8; and bytes that a
# stream in text mode would change: a CR LF before a flaw placed by its byte, and Ctrl-Z.
BYTES_ONLY = [
    b"01\x00 02", b"01 \xff", b"01\xc2", b"01\xc0\xa0" b"02", b"A0\xc0\x8a", b"A0\xe0\x80\x8a",
    b"01\xed\xa0\x80", b"01\xe2\x80", b"A0\xf4\x90\x80\x80", b"\xef\xbb\xbf01", b"\r\n" * 1000,
    b"01" + b" " * 100000, b"7F " * 349525, b"7F " * 349525 + b"G", b"01\r\n\xff", b"01 02\x1a 03",
]

COMMAND_LINES = [
    ["--help"], ["-h"], ["--version"], ["--frobnicate"], ["01", "02"], ["--field"],
    ["--field=crc", "01"], ["--check", "--field", "hex", "01"], ["--field", "hex", "01 02 02"],
    ["--field=decimal", "01 02 02"], ["--field", "octal", "08"], ["--field", "binary", "FF"],
    ["--field", "bytes", "01\t02\n03"], ["--check", "11 03 00 6B 00 03 7E"],
    ["--check", "11 03 00 6B 00 03 7F"], ["--check", "05"], ["--check", "7E  "],
    ["--check", "11 03 00 6B 00 03 7F\n"], ["--check", "11 03 00 6B 00 03 7F\r\n"],
    ["--", "01 A0 7C FF 02"], ["--", "--help"], ["-x"], ["--field", "hex", "--check"],
    ["-"], ["--field=hex", "--field=bytes", "01"], ["--format=rtu"], ["--format", "packed", "0102"],
    ["--format=packed", "--format=spaced"], ["--format=modbus-ascii", "--check", ":1103006B00037E"],
    ["--format=modbus-ascii", ":11030"], ["1103006B"], [":0102FD"], ["01 02\n03 0G"],
    ["--lines", "01 02\n03  04\r\n\r\n05\r06"], ["--lines", "--field=binary", "01\n02"],
    ["--append", "11 03 00 6B 00 03"], ["--append", "--format=modbus-ascii", "1103006B0003"],
    ["--append", "--format=modbus-ascii", ":1103006B00037E"], ["--append", "--format=c-array", "{0x11}"],
    ["--append", "--format=colon", "11:03"], ["--append", "01 2"], ["--append", "--check", "01"],
    ["--json", "01 A0 7C FF 02"], ["--json", "0102"], ["--json", "--check", "05 FA"],
    ["--json", "--field=hex", "01"], ["--status", "01  02"], ["--status", "--check", "05 FB"],
    ["--status", "--json"], ["--quiet", "01"], ["--format=c-array", "0x11, 0x03"],
    ["--format", "colon", "11:03:"], ["0x11, 0x03"], ["11:03"],
]

# Logs of frames, a frame per line, each in its format: (options, standard input).
LOGS = [
    (["--lines", "--check"], b"11 03 00 6B 00 03 7E\r\n01 03 00 00 00 01 FB\r\n"),
    (["--lines", "--check", "--format", "modbus-ascii"],
     b":1103006B00037E\r\n:1103006B00037F\r\n\r\n:11030\r\n1103\r\n:\xff\r:0101FE"),
    (["--lines", "--format=packed"], b"0102\n01 02\n\xef\xbb\xbf01\n0\n"),
    (["--lines"], b"\xff\xfe0\x001\x00"), (["--lines", "--check"], b""),
    (["--lines", "--append", "--format=modbus-ascii"], b"1103006B0003\r\n11030\n\r\n0101"),
    (["--lines", "--json", "--check"], b"05 FB\r\n05\n\xff\n\n0G"),
    (["--lines", "--quiet", "--check", "--format=colon"], b"05:FB\n05\r11::03\n"),
    (["--lines", "--status"], b"01\n0G\n"), (["--lines", "--json", "--append"], b"01 02\n1\n"),
]


FILE_FOLDER = tempfile.mkdtemp()
NAMED_FILE = "数据 01.txt"
FILES = [
    ("example.txt", b"01 A0 7C FF 02\r\n", 0, []),
    ("empty.txt", b"", 0, []),
    ("read-past.txt", b"zz01 A0 7C FF 02", 2, ["--field", "hex"]),
    ("read-to-the-end.txt", b"01 02", 5, []),
    ("three-mebibytes.txt", b"7F " * (1 << 20), 0, ["--field", "bytes"]),
    ("log.txt", b":1103006B00037E\r\n:1103006B00037F\r\n" * 1000, 0,
     ["--lines", "--check", "--format=modbus-ascii"]),
]


def random_text(rng):
    if rng.randrange(3) == 0:  # a frame of whole pairs, so that valid texts are common
        separator = rng.choice([" ", " ", "\t", "\n", "\r", "\f"])
        pairs = ["%02x" % b if rng.randrange(4) == 0 else "%02X" % b
                 for b in (rng.randrange(256) for _ in range(1 + rng.randrange(8)))]
        return separator.join(pairs) + rng.choice(["", "", " ", "\n", "\r\n", "\u2028"])
    text = []
    for _ in range(rng.randrange(12)):
        if rng.randrange(3) == 0:
            text.append("%02X " % rng.randrange(256))
        else:
            text.append(rng.choice(ALPHABET))
    return "".join(text)


def cases():
    """(description, arguments, standard input, working folder) for every run."""
    rng = random.Random(20160829)
    texts = BORDERLINE + [random_text(rng) for _ in range(RANDOM_TEXTS)]
    fields = ["hex", "decimal", "octal", "binary", "bytes"]
    for i, text in enumerate(texts):
        yield "text %r as argument" % text, ["--", text], b"", None
        options = [[], ["--check"], ["--field", fields[i % len(fields)]], ["--format=packed"],
                   ["--lines", "--check"], ["--format=modbus-ascii"], ["--format=c-array"],
                   ["--format=colon"], ["--json"], ["--append"], ["--lines", "--json", "--check"],
                   ["--status", "--check"], ["--lines", "--quiet", "--append"]][i % 13]
        yield "text %r on stdin with %r" % (text, options), options, text.encode(), None
    for data in BYTES_ONLY:
        yield "bytes %r on stdin" % data[:40], [], data, None
        yield "bytes %r on stdin, --check" % data[:40], ["--check"], data, None
    for args in COMMAND_LINES:
        yield "command line %r" % args, args, b"01", None
    for args, log in LOGS:
        yield "log %r with %r" % (log[:40], args), args, log, None
    # Standard input that is a regular file, which the Windows tool maps rather than reads.
    for name, data, offset, args in FILES:
        path = os.path.join(FILE_FOLDER, name)
        with open(path, "wb") as f:
            f.write(data)
        yield "file %s from byte %d with %r" % (name, offset, args), args, (path, offset), None
    # A TEXT that names a file, the name beyond ASCII: the Windows tool asks the file system
    # with the name it decoded from the command line.
    with open(os.path.join(FILE_FOLDER, NAMED_FILE), "wb") as f:
        f.write(b"01 A0 7C FF 02\n")
    yield "file %s named as TEXT" % NAMED_FILE, [NAMED_FILE], b"", FILE_FOLDER


def run(command, stdin, folder):
    """stdin: bytes for a pipe, or (path, offset) for a file already read up to offset; folder:
    the working folder, or None for this one."""
    if isinstance(stdin, tuple):
        with open(stdin[0], "rb") as f:
            f.seek(stdin[1])
            done = subprocess.run(command, stdin=f, capture_output=True, timeout=120, cwd=folder)
    else:
        done = subprocess.run(command, input=stdin, capture_output=True, timeout=120, cwd=folder)
    return done.returncode, done.stdout, done.stderr


# Wine's own launcher, not the program, now and then fails to start a process on a loaded
# machine: it says so in these words, or it ends with a failure status and not a byte of
# output. A silent failure is the program's own answer only where the Linux tool gave the same
# (--status answers by its exit status alone); otherwise the run never reached sumvane-lrc.exe.
WINE_LAUNCH_FAILURE = b"ShellExecuteEx failed"
relaunches = 0


def launch_failed(result, expected):
    status, out, err = result
    if WINE_LAUNCH_FAILURE in out + err:
        return True
    return status != 0 and not out and not err and result != expected


def run_windows(command, stdin, folder, expected):
    global relaunches
    for _ in range(3):
        result = run(command, stdin, folder)
        if not launch_failed(result, expected):
            return result
        relaunches += 1
    return result


def main():
    linux, windows, wine = sys.argv[1], sys.argv[2], sys.argv[3:]
    # One run is in the folder of the file it names, so paths are made absolute.
    linux, windows = os.path.abspath(linux), os.path.abspath(windows)
    wine = [os.path.abspath(arg) if os.path.exists(arg) else arg for arg in wine]
    all_cases = list(cases())

    def compare(case):
        what, args, stdin, folder = case
        expected = run([linux] + args, stdin, folder)
        actual = run_windows(wine + [windows] + args, stdin, folder, expected)
        return what, expected, actual

    mismatches = 0
    statuses = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for what, expected, actual in pool.map(compare, all_cases):
            statuses[expected[0]] = statuses.get(expected[0], 0) + 1
            if expected != actual:
                mismatches += 1
                if mismatches <= 10:
                    print("MISMATCH: %s\n  linux:   %r\n  windows: %r" % (what, expected, actual))
    print("%d runs, exit statuses %s: %d mismatches (%d runs started again after Wine failed to "
          "launch them)" % (len(all_cases), dict(sorted(statuses.items())), mismatches, relaunches))
    shutil.rmtree(FILE_FOLDER, ignore_errors=True)
    # Every kind of outcome must have been compared for the agreement to mean anything.
    if mismatches or set(statuses) != {0, 1, 2}:
        sys.exit(1)


if __name__ == "__main__":
    main()

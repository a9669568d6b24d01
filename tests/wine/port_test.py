#!/usr/bin/env python3
"""sumvane-lrc.exe --port under Wine, on a COM port of the prefix that is a Linux pseudo-terminal:
frames are written on the terminal's other end and each report is awaited as it comes.
    port_test.py SUMVANE-LRC.EXE RUN.SH PREFIX

A pseudo-terminal keeps the speed and the stop bits a program sets, not the parity or the
character size, so only those two are read back. Wine reports no parity, framing or overrun
error on a port and refuses no second program on one, so neither is tried here.
"""
import os
import pty
import selectors
import signal
import subprocess
import sys
import termios
import time

DEADLINE = 60  # seconds for each awaited answer; Wine on a loaded machine is slow to start

GOOD = b":1103006B00037E\r\n"
WRONG = b":1103006B00037F\r\n"

# The answers to a live port: each row's pieces are written in turn, each once the lines
# awaited after the one before have come; then the run is ended (the other end closed, or Ctrl+C
# as Wine delivers it, SIGINT) and its standard error and exit status read.
LIVE = [
    # name, port given, its name in the prefix, options, (piece, lines it answers)...,
    # ending, speed and two stop bits read back, standard error, status
    ("the port goes away", "COM5", "com5", ["--format", "modbus-ascii", "--check"],
     [(GOOD, ["1: ok"]), (WRONG, ["2: LRC mismatch: ends with 7F, should end with 7E"])],
     "close", (termios.B9600, False),
     ["sumvane-lrc: COM5: the port went away (*)",
      "sumvane-lrc: 2 frames: 1 ok, 1 wrong LRC, 0 malformed, 0 port errors"], 2),
    # The second frame's start is read with the first, its rest once the first is answered.
    # COM10 and above are named only in the device namespace, which the tool opens them in.
    ("a frame cut between reads, Ctrl+C", "COM12", "com12",
     ["--format", "modbus-ascii", "--check", "--baud", "19200", "--stop-bits", "2"],
     [(GOOD + b":0103", ["1: ok"]),
      (b"0000000AF3\r\n", ["2: LRC mismatch: ends with F3, should end with F2"])],
     "interrupt", (termios.B19200, True),
     ["sumvane-lrc: 2 frames: 1 ok, 1 wrong LRC, 0 malformed, 0 port errors"], 1),
    ("Ctrl+C before any frame", r"\\.\COM7", "com7", ["--format", "modbus-ascii", "--check"],
     [], "interrupt", (termios.B9600, False),
     ["sumvane-lrc: 0 frames: 0 ok, 0 wrong LRC, 0 malformed, 0 port errors"], 0),
]

# Ports that cannot be opened, none of them mapped onto anything: the port given, the reason.
OPEN_ERRORS = [
    ("COM9", "no such port"),
    (r"\\.\COM19", "no such port"),
    ("NUL", "not a serial port"),
]

failures = []


def fail(name, what):
    failures.append(f"{name}: {what}")
    print(f"FAIL {name}: {what}", file=sys.stderr)


class Output:
    """A program's output stream, read as it arrives, line by line against a deadline."""

    def __init__(self, stream):
        self.fd = stream.fileno()
        os.set_blocking(self.fd, False)
        self.selector = selectors.DefaultSelector()
        self.selector.register(self.fd, selectors.EVENT_READ)
        self.pending = b""
        self.ended = False

    def read_some(self, until):
        left = until - time.monotonic()
        if left <= 0 or self.ended or not self.selector.select(left):
            return
        chunk = os.read(self.fd, 65536)
        if chunk:
            self.pending += chunk
        else:
            self.ended = True

    def line(self, until):
        """The next whole line, or None when none came before `until`."""
        while b"\n" not in self.pending:
            if self.ended or time.monotonic() >= until:
                return None
            self.read_some(until)
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode("utf-8", "replace")

    def drain(self):
        """What is left, once the program has ended: all it wrote is in the pipe by then (a
        wineserver started by the program could hold the pipe open for ever)."""
        while not self.ended:
            try:
                chunk = os.read(self.fd, 65536)
            except BlockingIOError:
                break
            self.pending += chunk
            self.ended = not chunk
        return self.pending.decode("utf-8", "replace").splitlines()


def matches(pattern, line):
    if pattern.endswith("(*)"):
        return line.startswith(pattern[:-2]) and line.endswith(")")
    return line == pattern


class MappedPort:
    """A COM port of the prefix that is a new pseudo-terminal; this side writes to its master."""

    def __init__(self, prefix, name):
        self.master, slave = pty.openpty()
        path = os.ttyname(slave)
        os.close(slave)
        self.link = os.path.join(prefix, "dosdevices", name)
        if os.path.lexists(self.link):
            os.unlink(self.link)
        os.symlink(path, self.link)

    def attributes(self):
        return termios.tcgetattr(self.master)

    def close(self):
        if self.master >= 0:
            os.close(self.master)
            self.master = -1

    def remove(self):
        self.close()
        os.unlink(self.link)


# Each program runs in a process group of its own, which Ctrl+C reaches as SIGINT: a 32-bit
# program is a process of its own there, beside the 64-bit loader's start.exe that waits for it.
def start(command):
    return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, start_new_session=True)


def kill(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait()


def finish(process, outputs, until):
    """The exit status, or None when the program outlived `until` (it is killed then). Its
    output is read meanwhile, so that no writer of it is held up by a full pipe."""
    while process.poll() is None and time.monotonic() < until:
        reading = [output for output in outputs if not output.ended]
        if not reading:
            try:
                process.wait(max(until - time.monotonic(), 0))
            except subprocess.TimeoutExpired:
                pass
            break
        for output in reading:
            output.read_some(min(until, time.monotonic() + 0.1))
    if process.poll() is None:
        kill(process)
        return None
    return process.returncode


def check_live(wine_run, prefix, row):
    name, given, mapped, options, pieces, ending, line, expected_err, expected_status = row
    failed_before = len(failures)
    port = MappedPort(prefix, mapped)
    process = start(wine_run + ["--port", given] + options)
    out, err = Output(process.stdout), Output(process.stderr)
    try:
        # Input that arrives before the port is set up is dropped: await its raw mode first.
        until = time.monotonic() + DEADLINE
        while port.attributes()[3] & termios.ICANON:
            if process.poll() is not None or time.monotonic() >= until:
                finish(process, [err], until)
                fail(name, "the port was never set up: " + " | ".join(err.drain()))
                return
            time.sleep(0.02)
        attributes = port.attributes()
        read_back = (attributes[4], bool(attributes[2] & termios.CSTOPB))
        if read_back != line:
            fail(name, f"the port's speed and two stop bits are {read_back}, not {line}")
        for piece, lines in pieces:
            os.write(port.master, piece)
            for expected in lines:
                got = out.line(time.monotonic() + DEADLINE)
                if got != expected:
                    fail(name, f"awaited {expected!r}, got {got!r}")
                    return
        if ending == "close":
            port.close()
        else:
            os.killpg(process.pid, signal.SIGINT)
        until = time.monotonic() + DEADLINE
        status = finish(process, [out, err], until)
        extra, errors = out.drain(), err.drain()
        if extra:
            fail(name, f"more on standard output: {extra!r}")
        if len(errors) != len(expected_err) or not all(map(matches, expected_err, errors)):
            fail(name, f"standard error {errors!r}, expected {expected_err!r}")
        if status != expected_status:
            fail(name, f"exit status {status}, expected {expected_status}")
        if len(failures) == failed_before:
            print(f"ok: {name}")
    finally:
        if process.poll() is None:
            kill(process)
        port.remove()


def check_open_error(wine_run, given, reason):
    name = f"--port {given}"
    process = start(wine_run + ["--port", given, "--format", "modbus-ascii"])
    out, err = Output(process.stdout), Output(process.stderr)
    status = finish(process, [out, err], time.monotonic() + DEADLINE)
    got = (status, out.drain(), err.drain())
    expected = (2, [], [f"sumvane-lrc: cannot open {given}: {reason}"])
    if got != expected:
        fail(name, f"status, output and error {got!r}, expected {expected!r}")
    else:
        print(f"ok: {name}")


def main():
    exe, run, prefix = sys.argv[1:4]
    wine_run = [run, prefix, exe]
    for row in LIVE:
        check_live(wine_run, prefix, row)
    for given, reason in OPEN_ERRORS:
        check_open_error(wine_run, given, reason)
    if failures:
        sys.exit(f"{len(failures)} failed")


if __name__ == "__main__":
    main()

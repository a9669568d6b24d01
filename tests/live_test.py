#!/usr/bin/python3
"""sumvane-lrc on a live line (Linux): frames written one at a time into a pipe held open, a
FIFO, a terminal and, with --port, a pseudo-terminal; each report awaited before the next frame
is written. Also the line settings the tool asks the port for (as strace shows them), the tally
on SIGINT and SIGTERM, a port that goes away, and the reasons a port cannot be opened.

    live_test.py SUMVANE_LRC

One table of rows; a row whose tool (strace, setpriv) is missing, or that needs root, is
skipped with a note. Exit status 0 when every row that ran passed, 77 when none could run.
"""
import datetime
import fcntl
import json
import os
import pty
import re
import select
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import termios
import threading
import time

DEADLINE = 5.0  # seconds for any one answer; the machine is shared, so generous


class Failure(Exception):
    pass


class Skipped(Exception):
    pass


def lrc(data):
    return (-sum(data)) & 0xFF


def modbus(hex_data, last=None):
    """A Modbus ASCII frame of the address, function and data, ending with `last` or its LRC."""
    data = bytes.fromhex(hex_data)
    return b":%s%02X" % (hex_data.encode(), lrc(data) if last is None else last)


def xor(data):
    value = 0
    for byte in data:
        value ^= byte
    return value


READ = "1103006B0003"
WRITE = "0106000100030000"
PRESET = "011000010002040A0B0C0D"
GOOD = [modbus(READ), modbus(WRITE), modbus(PRESET)]
# The last byte a frame would end with had its sender XORed the bytes (a BCC) instead.
XOR_LAST = xor(bytes.fromhex(READ))
AS_XOR = modbus(READ, XOR_LAST)
MISMATCH_XOR = ("LRC mismatch: ends with %02X, should end with %02X (%02X is the XOR of the other "
                "bytes, a BCC)" % (XOR_LAST, lrc(bytes.fromhex(READ)), XOR_LAST))
SINGLE_DIGIT = (b":11030", "malformed at column 6: a single hex digit; every byte is two")


def wait_until(condition, what, deadline=DEADLINE):
    end = time.monotonic() + deadline
    while not condition():
        if time.monotonic() > end:
            raise Failure("no %s within %g s" % (what, deadline))
        time.sleep(0.01)


class Tool:
    """sumvane-lrc (or a command around it) running; its report lines read as they arrive."""

    def __init__(self, command, stdin=subprocess.DEVNULL, env=None, json_lines=False):
        self.process = subprocess.Popen(command, stdin=stdin, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, env=env)
        self.pending = b""
        self.json_lines = json_lines

    def lines(self, count):
        """The next `count` report lines, each awaited with a deadline."""
        got = []
        end = time.monotonic() + DEADLINE
        while len(got) < count:
            if b"\n" in self.pending:
                line, self.pending = self.pending.split(b"\n", 1)
                got.append(line.decode("utf-8", "replace"))
                continue
            left = end - time.monotonic()
            ready, _, _ = select.select([self.process.stdout], [], [], max(left, 0))
            if not ready:
                raise Failure("report line %d of %d not there within %g s; so far %r" %
                              (len(got) + 1, count, DEADLINE, got))
            piece = os.read(self.process.stdout.fileno(), 65536)
            if not piece:
                raise Failure("standard output ended after %r (stderr: %s)" %
                              (got, self.process.stderr.read().decode()))
            self.pending += piece
        return got

    def expect(self, expected):
        got = self.lines(len(expected))
        if self.json_lines:
            got = [json.loads(line) for line in got]
        if got != expected:
            raise Failure("reported %r, expected %r" % (got, expected))

    def finish(self):
        """Exit status, the rest of standard output, and standard error, once it has ended."""
        try:
            out, err = self.process.communicate(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.communicate()
            raise Failure("still running %g s after its input ended or it was told to stop" %
                          DEADLINE)
        return self.process.returncode, (self.pending + out).decode(), err.decode()

    def bytes_read(self):
        """How many bytes the process has read so far, from anything (the kernel's count)."""
        with open("/proc/%d/io" % self.process.pid) as io:
            return next(int(line.split()[1]) for line in io if line.startswith("rchar:"))

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            if stream:
                stream.close()


def expect_end(tool, status, err, out=""):
    got = tool.finish()
    if got != (status, out, err):
        raise Failure("ended with status %d, stdout %r, stderr %r; expected %d, %r, %r" %
                      (got[0], got[1], got[2], status, out, err))


def tally(frames, ok, wrong, malformed, port_errors=None):
    text = "sumvane-lrc: %d frame%s: %d ok, %d wrong LRC, %d malformed" % (
        frames, "" if frames == 1 else "s", ok, wrong, malformed)
    if port_errors is not None:
        text += ", %d port error%s" % (port_errors, "" if port_errors == 1 else "s")
    return text + "\n"


def converse(tool, write, steps):
    """Writes each step's bytes, then awaits its report lines before the next is written."""
    for data, expected in steps:
        write(data)
        tool.expect(expected)


def write_all(fd, data):
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


# ---- standard input that stays open: a pipe, a FIFO, a terminal ----------------------------

# A frame a line, answered as it arrives: good, a BCC where the LRC belongs, malformed, good.
LIVE_FRAMES = [
    (GOOD[0], "1: ok"),
    (AS_XOR, "2: " + MISMATCH_XOR),
    (SINGLE_DIGIT[0], "3: " + SINGLE_DIGIT[1]),
    (GOOD[1], "4: ok"),
]
LIVE_TALLY = tally(4, 2, 1, 1)
LINES_ARGS = ["--lines", "--check", "--format", "modbus-ascii"]


def live_steps(line_end):
    return [(text + line_end, [report]) for text, report in LIVE_FRAMES]


def row_pipe(tool_path):
    tool = Tool([tool_path] + LINES_ARGS, stdin=subprocess.PIPE)
    try:
        converse(tool, lambda data: (tool.process.stdin.write(data), tool.process.stdin.flush()),
                 live_steps(b"\r\n"))
        tool.process.stdin.close()
        tool.process.stdin = None
        expect_end(tool, 1, LIVE_TALLY)
    finally:
        tool.stop()


def row_pipe_interrupted(tool_path):
    """Ctrl+C on a pipe that stays open (tail -f): the line so far, then the tally."""
    tool = Tool([tool_path] + LINES_ARGS, stdin=subprocess.PIPE)
    try:
        write = lambda data: (tool.process.stdin.write(data), tool.process.stdin.flush())
        converse(tool, write, [(GOOD[0] + b"\r\n", ["1: ok"])])
        # That write came whole (a pipe's writes this short are atomic), so it has been read
        # whole: what the tool reads from here on is the frame without its line end.
        read_before = tool.bytes_read()
        write(GOOD[1])
        wait_until(lambda: tool.bytes_read() >= read_before + len(GOOD[1]), "the frame read")
        tool.process.send_signal(signal.SIGINT)
        expect_end(tool, 0, tally(2, 2, 0, 0), out="2: ok\n")
    finally:
        tool.stop()


def row_fifo(tool_path):
    with tempfile.TemporaryDirectory() as directory:
        fifo = os.path.join(directory, "frames")
        os.mkfifo(fifo)
        reader = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
        writer = os.open(fifo, os.O_WRONLY)
        fcntl.fcntl(reader, fcntl.F_SETFL, fcntl.fcntl(reader, fcntl.F_GETFL) & ~os.O_NONBLOCK)
        tool = Tool([tool_path] + LINES_ARGS, stdin=reader)
        os.close(reader)
        try:
            converse(tool, lambda data: write_all(writer, data), live_steps(b"\r\n"))
            os.close(writer)
            writer = -1
            expect_end(tool, 1, LIVE_TALLY)
        finally:
            if writer >= 0:
                os.close(writer)
            tool.stop()


def row_terminal(tool_path):
    """A terminal as it is when someone types or pastes frames: a line at a time, LF-ended
    (a terminal turns CR into LF), the input ended by Ctrl+D at the start of a line."""
    master, slave = pty.openpty()
    mode = termios.tcgetattr(slave)
    mode[3] &= ~termios.ECHO
    termios.tcsetattr(slave, termios.TCSANOW, mode)
    tool = Tool([tool_path] + LINES_ARGS, stdin=slave)
    os.close(slave)
    try:
        converse(tool, lambda data: write_all(master, data), live_steps(b"\n"))
        write_all(master, b"\x04")
        expect_end(tool, 1, LIVE_TALLY)
    finally:
        tool.stop()
        os.close(master)


# ---- a serial port: a pseudo-terminal whose slave the tool opens with --port ---------------

class Port:
    """A pseudo-terminal: the test writes the line into its master; the tool reads its slave.
    The master's settings are left alone, so that the slave shows what the tool sets."""

    def __init__(self):
        self.master, self.slave = pty.openpty()
        self.path = os.ttyname(self.slave)

    def raw(self):
        return not termios.tcgetattr(self.slave)[3] & termios.ICANON

    def await_raw(self, tool):
        def ready():
            if tool.process.poll() is not None:
                raise Failure("ended before setting the port up: %r" % (tool.finish(),))
            return self.raw()
        wait_until(ready, "raw mode on the port (ICANON cleared)")

    def write(self, data):
        write_all(self.master, data)

    def hang_up(self):
        if self.master >= 0:
            os.close(self.master)
            self.master = -1

    def close(self):
        self.hang_up()
        os.close(self.slave)


def on_port(tool_path, args, body, env=None, command=None):
    """Runs `body(tool, port)` with the tool reading a fresh pseudo-terminal, once it is raw."""
    port = Port()
    tool = Tool((command or []) + [tool_path, "--port", port.path] + args, env=env,
                json_lines="--json" in args)
    try:
        port.await_raw(tool)
        body(tool, port)
    finally:
        tool.stop()
        port.close()


PORT_ARGS = ["--format", "modbus-ascii", "--check"]


def port_steps(steps, status, err, signal_number=signal.SIGTERM, args=PORT_ARGS, env=None):
    def row(tool_path):
        def body(tool, port):
            converse(tool, port.write, steps)
            tool.process.send_signal(signal_number)
            expect_end(tool, status, err)
        on_port(tool_path, args, body, env)
    return row


def cut_frames():
    """Frames cut anywhere: a byte a write, a CR LF split across writes, several in one."""
    first = GOOD[0] + b"\r\n"
    steps = [(first[i:i + 1], []) for i in range(len(first) - 2)]
    steps += [(b"\r", ["1: ok"]), (b"\n", [])]
    steps += [(GOOD[1] + b"\r", ["2: ok"]),
              (b"\n" + AS_XOR + b"\r\n" + GOOD[2] + b"\r\n", ["3: " + MISMATCH_XOR, "4: ok"]),
              (GOOD[0][:5], []), (GOOD[0][5:] + b"\r\n" + GOOD[1][:3], ["5: ok"]),
              (GOOD[1][3:] + b"\r\n", ["6: ok"])]
    return steps


# Noise on the line before a frame (a device powered up, a cable plugged in) spoils that line
# and no other.
NOISE_STEPS = [(GOOD[0] + b"\r\n", ["1: ok"]),
               (b"\x7e#\x7e" + GOOD[1] + b"\r\n", None),
               (GOOD[2] + b"\r\n", ["3: ok"])]


def row_noise(tool_path):
    def body(tool, port):
        for data, expected in NOISE_STEPS:
            port.write(data)
            if expected is not None:
                tool.expect(expected)
                continue
            (line,) = tool.lines(1)
            if not line.startswith("2: malformed at column 1: "):
                raise Failure("noise before frame 2 reported as %r" % line)
        tool.process.send_signal(signal.SIGINT)
        expect_end(tool, 1, tally(3, 2, 0, 1, 0))
    on_port(tool_path, PORT_ARGS, body)


# A byte FF arrives from a port set to mark its errors (PARMRK) as FF FF; it reads as the one
# byte it is, never as a mark: here a byte that no UTF-8 text holds, at its own place. The long
# line is exactly as long as the longest line a port's reader takes, counting FF once.
FF_LINE = b":11\xff03\r\n"
FF_LONG = b":\xff" + b"0" * ((1 << 16) - 2) + b"\r\n"


def row_ff(tool_path):
    def body(tool, port):
        port.write(FF_LINE)
        tool.expect(["1: malformed at byte 4: invalid UTF-8"])
        # More than the pseudo-terminal buffers: written beside the reading.
        writer = threading.Thread(target=port.write, args=(FF_LONG + GOOD[0] + b"\r\n",))
        writer.start()
        try:
            tool.expect(["2: malformed at byte 2: invalid UTF-8", "3: ok"])
        finally:
            writer.join(DEADLINE)
        tool.process.send_signal(signal.SIGTERM)
        expect_end(tool, 1, tally(3, 1, 0, 2, 0))
    on_port(tool_path, PORT_ARGS, body)


def row_stale(tool_path):
    """What waited on the port before the tool set it up is not read as a frame."""
    port = Port()
    port.write(AS_XOR + b"\n")
    wait_until(lambda: select.select([port.slave], [], [], 0)[0], "stale line queued on the port")
    tool = Tool([tool_path, "--port", port.path] + PORT_ARGS)
    try:
        port.await_raw(tool)
        port.write(GOOD[0] + b"\r\n")
        tool.expect(["1: ok"])
        tool.process.send_signal(signal.SIGINT)
        expect_end(tool, 0, tally(1, 1, 0, 0, 0))
    finally:
        tool.stop()
        port.close()


STAMP = re.compile(r"^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3})\+01:30 (\d+: .*)$")
ZONE = datetime.timezone(datetime.timedelta(hours=1, minutes=30))


def stamped(line):
    match = STAMP.match(line)
    if not match:
        raise Failure("%r does not begin with a local time to the millisecond and +01:30" % line)
    return datetime.datetime.fromisoformat(match.group(1)).replace(tzinfo=ZONE), match.group(2)


def within(time_read, before, after):
    """Whether a time the tool printed to the millisecond lies between two times taken here."""
    floor = before.replace(microsecond=before.microsecond // 1000 * 1000)
    return floor <= time_read <= after


# Local time in a zone of a half-hour offset, given in the environment as POSIX has it.
ZONE_ENV = dict(os.environ, TZ="XYZ-01:30")


def row_timestamps(tool_path):
    def body(tool, port):
        for data, report in [(GOOD[0] + b"\r\n", "1: ok"),
                             (AS_XOR + b"\r\n", "2: " + MISMATCH_XOR)]:
            before = datetime.datetime.now(ZONE)
            port.write(data)
            (line,) = tool.lines(1)
            after = datetime.datetime.now(ZONE)
            time_read, rest = stamped(line)
            if rest != report or not within(time_read, before, after):
                raise Failure("%r: expected %r at a time from %s to %s" %
                              (line, report, before.isoformat(), after.isoformat()))
        tool.process.send_signal(signal.SIGTERM)
        expect_end(tool, 1, tally(2, 1, 1, 0, 0))
    on_port(tool_path, PORT_ARGS + ["--timestamps"], body, env=ZONE_ENV)


def row_json(tool_path):
    def body(tool, port):
        port.write(GOOD[0] + b"\r\n" + AS_XOR + b"\r\n")
        lines = [json.loads(line) for line in tool.lines(2)]
        good, wrong = lines
        expected_good = {"line": 1, "check": "ok", "last": "7E", "expected": "7E", "bytes": 7}
        expected_wrong = {"line": 2, "check": "mismatch", "last": "%02X" % XOR_LAST,
                          "expected": "7E", "matches": ["xor"]}
        for got, expected in [(good, expected_good), (wrong, expected_wrong)]:
            if {key: got.get(key) for key in expected} != expected:
                raise Failure("JSON %r, expected it to hold %r" % (got, expected))
        if "matches" in good:
            raise Failure("a good frame names other checks: %r" % good)
        tool.process.send_signal(signal.SIGINT)
        status, out, err = tool.finish()
        summary = json.loads(out)
        if status != 1 or err or summary != {"summary": True, "frames": 2, "ok": 1,
                                             "wrong_lrc": 1, "malformed": 0, "port_errors": 0}:
            raise Failure("after SIGINT: status %d, summary %r, stderr %r" % (status, out, err))
    on_port(tool_path, PORT_ARGS + ["--json"], body)


def row_json_timestamps(tool_path):
    def body(tool, port):
        before = datetime.datetime.now(ZONE)
        port.write(GOOD[0] + b"\r\n")
        (line,) = tool.lines(1)
        after = datetime.datetime.now(ZONE)
        members = json.loads(line, object_pairs_hook=lambda pairs: pairs)
        key, value = members[0]
        if key != "time" or not within(datetime.datetime.fromisoformat(value), before, after) \
                or not value.endswith("+01:30") or dict(members).get("check") != "ok":
            raise Failure("JSON %r: expected \"time\" first, from %s to %s" %
                          (line, before.isoformat(), after.isoformat()))
        tool.process.send_signal(signal.SIGTERM)
        status, out, _ = tool.finish()
        if status != 0 or json.loads(out).get("port_errors") != 0:
            raise Failure("after SIGTERM: status %d, %r" % (status, out))
    on_port(tool_path, PORT_ARGS + ["--json", "--timestamps"], body, env=ZONE_ENV)


def row_gone(tool_path):
    """The other end closed (an adapter unplugged): said so, then the tally, exit 2."""
    def body(tool, port):
        read_before = tool.bytes_read()
        steps = [(GOOD[0] + b"\r\n", ["1: ok"]), (AS_XOR, [])]
        converse(tool, port.write, steps)
        # Hung up only once the tool has read every byte: a hang-up discards what is queued.
        written = sum(len(data) for data, _ in steps)
        wait_until(lambda: tool.bytes_read() >= read_before + written,
                   "the frame read off the port")
        port.hang_up()
        # The frame without its line end is still a line, reported before the tally.
        expect_end(tool, 2, "sumvane-lrc: %s: the port went away (the line hung up)\n%s" %
                   (port.path, tally(2, 1, 1, 0, 0)), out="2: %s\n" % MISMATCH_XOR)
    on_port(tool_path, PORT_ARGS, body)


def row_second_reader(tool_path):
    """A second reader of a port that one already reads is refused rather than given half."""
    def body(tool, port):
        second = subprocess.run([tool_path, "--port", port.path], capture_output=True,
                                timeout=DEADLINE)
        expected = "sumvane-lrc: cannot open %s: busy: another program has it open\n" % port.path
        if (second.returncode, second.stdout, second.stderr.decode()) != (2, b"", expected):
            raise Failure("second reader: %r" % second)
        port.write(GOOD[0] + b"\r\n")
        tool.expect(["1: ok"])
    on_port(tool_path, PORT_ARGS, body)


# ---- the settings asked of the port, as the kernel was asked for them ----------------------

# (options, flags c_cflag must hold, flags it must not). A pseudo-terminal keeps no character
# size and no parity, so the request itself is what is checked.
SETTINGS = [
    (["--format", "modbus-ascii"], {"B9600", "CS7", "PARENB", "CREAD", "CLOCAL"},
     {"PARODD", "CSTOPB", "CS8", "CRTSCTS"}),
    (["--format", "packed"], {"B9600", "CS8"}, {"PARENB", "PARODD", "CSTOPB", "CS7"}),
    ([], {"B9600", "CS8"}, {"PARENB", "CSTOPB"}),
    (["--format", "modbus-ascii", "--stop-bits", "2"], {"CS7", "PARENB", "CSTOPB"}, {"PARODD"}),
    (["--format", "modbus-ascii", "--parity", "odd"], {"CS7", "PARENB", "PARODD"}, {"CSTOPB"}),
    (["--format", "modbus-ascii", "--parity", "none", "--data-bits", "8"], {"CS8"},
     {"PARENB", "CS7"}),
    (["--baud", "115200"], {"B115200", "CS8"}, {"B9600", "PARENB"}),
]
REQUEST = re.compile(r"ioctl\(\d+, (?:\S+ or )?(TCSETSF?W?)\b.*?c_iflag=([A-Z0-9|]+).*?"
                     r"c_cflag=([A-Z0-9|]+).*?c_lflag=([A-Z0-9|]*)")


def row_settings(tool_path):
    if not shutil.which("strace"):
        raise Skipped("strace is not installed (scripts/install-deps.sh --test)")
    with tempfile.TemporaryDirectory() as directory:
        for args, present, absent in SETTINGS:
            log = os.path.join(directory, "ioctl.log")
            def body(tool, port):
                port.hang_up()
                tool.finish()
            on_port(tool_path, args, body,
                    command=["strace", "-f", "-v", "-e", "trace=ioctl", "-o", log])
            with open(log) as trace:
                requests = [REQUEST.search(line) for line in trace if "TCSETS" in line]
            requests = [r for r in requests if r]
            if len(requests) != 1:
                with open(log) as trace:
                    raise Failure("%s: %d port set-ups traced:\n%s" %
                                  (args, len(requests), trace.read()))
            call, iflag, cflag, lflag = requests[0].groups()
            flags = set(cflag.split("|"))
            parity = "PARENB" in present
            problems = []
            if present - flags or flags & absent:
                problems.append("c_cflag=%s" % cflag)
            # Flushed while set (TCSAFLUSH), errors marked in line, parity checked where it is
            # on, nothing stripped or translated, no line editing.
            if call != "TCSETSF":
                problems.append("set with %s" % call)
            if set(iflag.split("|")) != ({"PARMRK", "INPCK"} if parity else {"PARMRK"}):
                problems.append("c_iflag=%s" % iflag)
            if {"ICANON", "ISIG", "ECHO", "IEXTEN"} & set(lflag.split("|")):
                problems.append("c_lflag=%s" % lflag)
            if problems:
                raise Failure("%s: %s" % (args, ", ".join(problems)))


# ---- ports that cannot be opened ------------------------------------------------------------

def cannot_open(tool_path, path, reason, command=()):
    done = subprocess.run(list(command) + [tool_path, "--port", path, "--format",
                                           "modbus-ascii", "--check"],
                          capture_output=True, timeout=DEADLINE)
    expected = (2, "", "sumvane-lrc: cannot open %s: %s\n" % (path, reason))
    got = (done.returncode, done.stdout.decode(), done.stderr.decode())
    if got != expected:
        raise Failure("%s: %r, expected %r" % (path, got, expected))


def row_missing(tool_path):
    with tempfile.TemporaryDirectory() as directory:
        cannot_open(tool_path, os.path.join(directory, "ttyUSB9"), "no such port")


def row_not_a_port(tool_path):
    cannot_open(tool_path, "/dev/null", "not a serial port")
    with tempfile.NamedTemporaryFile() as regular:
        regular.write(GOOD[0] + b"\r\n")
        regular.flush()
        cannot_open(tool_path, regular.name, "not a serial port")


def row_permission(tool_path):
    if os.geteuid() != 0:
        raise Skipped("needs root to run the tool as another user (here uid %d)" % os.geteuid())
    if not shutil.which("setpriv"):
        raise Skipped("setpriv is not installed")
    port = Port()
    try:
        os.chmod(port.path, stat.S_IRUSR | stat.S_IWUSR)
        cannot_open(tool_path, port.path,
                    "permission denied (serial ports belong to the group 'dialout': "
                    "sudo usermod -aG dialout $USER, then log in again)",
                    ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"])
    finally:
        port.close()


def row_busy(tool_path):
    port = Port()
    holder = os.open(port.path, os.O_RDWR | os.O_NOCTTY)
    try:
        fcntl.flock(holder, fcntl.LOCK_EX)
        cannot_open(tool_path, port.path, "busy: another program has it open")
    finally:
        os.close(holder)
        port.close()


ROWS = [
    ("pipe held open", row_pipe),
    ("pipe held open: SIGINT", row_pipe_interrupted),
    ("FIFO", row_fifo),
    ("terminal as standard input", row_terminal),
    ("port: frames cut anywhere", port_steps(cut_frames(), 1, tally(6, 5, 1, 0, 0))),
    ("port: SIGINT, every frame good",
     port_steps([(GOOD[0] + b"\r\n" + GOOD[1] + b"\r\n", ["1: ok", "2: ok"])], 0,
                tally(2, 2, 0, 0, 0), signal.SIGINT)),
    ("port: SIGTERM after a malformed frame",
     port_steps([(GOOD[0] + b"\r\n", ["1: ok"]),
                 (SINGLE_DIGIT[0] + b"\r\n", ["2: " + SINGLE_DIGIT[1]])], 1,
                tally(2, 1, 0, 1, 0), signal.SIGTERM)),
    ("port: SIGTERM, every frame good, packed 8N1",
     port_steps([(b"1103006B00037E\r\n", ["1: ok"])], 0, tally(1, 1, 0, 0, 0), signal.SIGTERM,
                ["--format", "packed", "--check"])),
    ("port: noise before a frame", row_noise),
    ("port: a byte FF", row_ff),
    ("port: stale input discarded", row_stale),
    ("port: --timestamps", row_timestamps),
    ("port: --json", row_json),
    ("port: --json --timestamps", row_json_timestamps),
    ("port: the port went away", row_gone),
    ("port: a second reader", row_second_reader),
    ("port: line settings asked for", row_settings),
    ("cannot open: no such port", row_missing),
    ("cannot open: not a serial port", row_not_a_port),
    ("cannot open: permission denied", row_permission),
    ("cannot open: busy", row_busy),
]


def main():
    tool_path = os.path.abspath(sys.argv[1])
    failed, skipped = [], []
    for name, row in ROWS:
        try:
            row(tool_path)
            print("ok       %s" % name)
        except Skipped as why:
            skipped.append(name)
            print("skipped  %s: %s" % (name, why))
        except Failure as why:
            failed.append(name)
            print("FAILED   %s: %s" % (name, why))
        except (OSError, subprocess.SubprocessError, ValueError) as why:
            failed.append(name)
            print("FAILED   %s: %r" % (name, why))
    print("%d rows: %d passed, %d failed, %d skipped" %
          (len(ROWS), len(ROWS) - len(failed) - len(skipped), len(failed), len(skipped)))
    if failed:
        sys.exit(1)
    if len(skipped) == len(ROWS):
        sys.exit(77)


if __name__ == "__main__":
    main()

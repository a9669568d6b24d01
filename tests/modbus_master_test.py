#!/usr/bin/python3
"""A Modbus ASCII master on one end of a linked pair of pseudo-terminals (socat), sumvane-lrc
--port on the other: requests built by a real Modbus stack (Debian's python3-pymodbus, its ASCII
framer) and written through python3-serial at 9600 7E1, each one's report awaited before the
next is sent; then a request whose LRC its sender computed as a BCC (an XOR) instead.

    modbus_master_test.py SUMVANE_LRC
"""
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time

try:
    import serial
    from pymodbus.register_read_message import (ReadHoldingRegistersRequest,
                                                ReadInputRegistersRequest,
                                                ReadWriteMultipleRegistersRequest)
    from pymodbus.register_write_message import (WriteMultipleRegistersRequest,
                                                 WriteSingleRegisterRequest)
    from pymodbus.transaction import ModbusAsciiFramer
except ImportError as missing:
    print("python3-serial or python3-pymodbus is not installed (scripts/install-deps.sh --test): "
          "%s" % missing)
    sys.exit(77)

DEADLINE = 5.0


def wait_until(condition, what):
    end = time.monotonic() + DEADLINE
    while not condition():
        if time.monotonic() > end:
            sys.exit("no %s within %g s" % (what, DEADLINE))
        time.sleep(0.01)


def requests():
    """Reads and writes of registers, to units across the address range."""
    made = []
    for unit in (1, 17, 100, 247):
        made += [
            ReadHoldingRegistersRequest(unit * 5, 1 + unit % 125, unit=unit),
            ReadInputRegistersRequest(0xFFFF - unit, 2, unit=unit),
            WriteSingleRegisterRequest(unit, unit * 257 % 0x10000, unit=unit),
            WriteMultipleRegistersRequest(0x100 + unit, [unit, 0xFFFF, 0, 0x8000], unit=unit),
            ReadWriteMultipleRegistersRequest(read_address=unit, read_count=3,
                                              write_address=unit + 1,
                                              write_registers=[0x1234, unit], unit=unit),
        ]
    return made


def as_bcc(packet):
    """The packet with its last byte the XOR of the others, as a sender mixing up checks sends
    it; and that byte with the LRC it should have been."""
    data = bytes.fromhex(packet[1:-4].decode())
    bcc = 0
    for byte in data:
        bcc ^= byte
    lrc = (-sum(data)) & 0xFF
    return packet[:-4] + b"%02X\r\n" % bcc, bcc, lrc


class Reports:
    """The tool's report lines, each awaited with a deadline."""

    def __init__(self, stream):
        self.stream = stream
        self.pending = b""

    def line(self):
        end = time.monotonic() + DEADLINE
        while b"\n" not in self.pending:
            ready, _, _ = select.select([self.stream], [], [], max(end - time.monotonic(), 0))
            if not ready:
                sys.exit("no report within %g s (so far %r)" % (DEADLINE, self.pending))
            piece = os.read(self.stream.fileno(), 4096)
            if not piece:
                sys.exit("the tool's output ended")
            self.pending += piece
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode()


def main():
    tool_path = sys.argv[1]
    if not shutil.which("socat"):
        print("socat is not installed (scripts/install-deps.sh --test)")
        sys.exit(77)
    with tempfile.TemporaryDirectory() as directory:
        master_end, tool_end = os.path.join(directory, "A"), os.path.join(directory, "B")
        socat = subprocess.Popen(["socat", "pty,raw,echo=0,link=" + master_end,
                                  "pty,raw,echo=0,link=" + tool_end])
        tool = None
        try:
            wait_until(lambda: os.path.exists(master_end) and os.path.exists(tool_end),
                       "pseudo-terminal pair from socat")
            tool = subprocess.Popen([tool_path, "--port", tool_end, "--format", "modbus-ascii",
                                     "--check"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            converse(tool, master_end, tool_end)
        finally:
            if tool and tool.poll() is None:
                tool.kill()
                tool.wait()
            socat.terminate()
            socat.wait(DEADLINE)


def converse(tool, master_end, tool_end):
    # socat has set its ends raw already; the tool's own set-up shows as errors marked in line.
    watch = os.open(tool_end, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        wait_until(lambda: tool.poll() is not None or termios.tcgetattr(watch)[0] & termios.PARMRK,
                   "port set up by the tool (PARMRK on)")
    finally:
        os.close(watch)
    if tool.poll() is not None:
        sys.exit("the tool ended: %r" % (tool.communicate(),))

    framer = ModbusAsciiFramer(None)
    packets = [framer.buildPacket(request) for request in requests()]
    if not all(p.startswith(b":") and p.endswith(b"\r\n") for p in packets):
        sys.exit("pymodbus built no Modbus ASCII frames as on the wire: %r" % packets[:3])
    reports = Reports(tool.stdout)
    with serial.Serial(master_end, 9600, bytesize=7, parity="E", stopbits=1) as master:
        for number, packet in enumerate(packets, 1):
            master.write(packet)
            master.flush()
            line = reports.line()
            if line != "%d: ok" % number:
                sys.exit("request %r reported as %r" % (packet, line))
        wrong, bcc, lrc = as_bcc(packets[0])
        master.write(wrong)
        master.flush()
        line = reports.line()
        number = len(packets) + 1
        expected = ("%d: LRC mismatch: ends with %02X, should end with %02X (%02X is the XOR of "
                    "the other bytes, a BCC)" % (number, bcc, lrc, bcc))
        if line != expected:
            sys.exit("request %r with a BCC reported as %r, expected %r" % (wrong, line, expected))
    tool.send_signal(signal.SIGINT)
    out, err = tool.communicate(timeout=DEADLINE)
    expected = ("sumvane-lrc: %d frames: %d ok, 1 wrong LRC, 0 malformed, 0 port errors\n" %
                (number, number - 1))
    if (tool.returncode, out, err.decode()) != (1, b"", expected):
        sys.exit("after Ctrl+C: status %d, %r, %r; expected 1 and %r" %
                 (tool.returncode, out, err, expected))
    print("%d pymodbus requests through a serial port: each ok as it came; one with a BCC: %s"
          % (len(packets), line))


if __name__ == "__main__":
    main()

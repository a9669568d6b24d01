#!/usr/bin/python3
"""Modbus ASCII frames as a real Modbus stack writes them (Debian's python3-pymodbus, its ASCII
framer), one per line with CR LF as on the wire, checked by sumvane-lrc --format modbus-ascii
--lines --check: every frame is ok; with one digit of one frame changed, exactly that line is not.

    modbus_ascii_test.py SUMVANE_LRC
"""
import subprocess
import sys

try:
    from pymodbus.bit_write_message import WriteSingleCoilRequest
    from pymodbus.factory import ClientDecoder, ServerDecoder
    from pymodbus.framer.ascii_framer import ModbusAsciiFramer
    from pymodbus.register_read_message import ReadHoldingRegistersRequest
    from pymodbus.register_write_message import WriteMultipleRegistersRequest
except ImportError as missing:
    print("pymodbus is not installed (scripts/install-deps.sh --test): %s" % missing)
    sys.exit(77)


def frames():
    framer = ModbusAsciiFramer(ClientDecoder())
    requests = [ReadHoldingRegistersRequest(0x6B, 3, unit=0x11)]
    for unit in range(1, 248, 13):
        requests.append(ReadHoldingRegistersRequest(unit * 7 % 0x10000, 1 + unit % 125, unit=unit))
        requests.append(WriteSingleCoilRequest(unit * 3, unit % 2 == 0, unit=unit))
        requests.append(WriteMultipleRegistersRequest(unit, [unit * 257 % 0x10000, 0xFFFF, 0],
                                                      unit=unit))
    return [(framer.buildPacket(request), request) for request in requests]


def check(tool, log):
    done = subprocess.run([tool, "--format", "modbus-ascii", "--lines", "--check"], input=log,
                          capture_output=True, timeout=60)
    return done.returncode, done.stdout.decode().splitlines(), done.stderr.decode()


def main():
    tool = sys.argv[1]
    built = frames()
    packets = [packet for packet, _ in built]
    if not all(p.startswith(b":") and p.endswith(b"\r\n") for p in packets):
        sys.exit("pymodbus built no Modbus ASCII frames as on the wire: %r" % packets[:3])
    status, lines, tally = check(tool, b"".join(packets))
    expected = ["%d: ok" % (n + 1) for n in range(len(packets))]
    if status != 0 or lines != expected:
        sys.exit("pymodbus frames not all ok: status %d\n%s\n%s" % (status, "\n".join(lines), tally))
    print("%d pymodbus frames: all ok (%s)" % (len(packets), tally.strip()))

    # One digit of the data of one frame, flipped to another hex digit.
    bad = len(packets) // 2
    packet = bytearray(packets[bad])
    packet[5] = ord("0") if packet[5] != ord("0") else ord("1")
    packets[bad] = bytes(packet)
    status, lines, tally = check(tool, b"".join(packets))
    wrong = [line for line in lines if not line.endswith(": ok")]
    if status != 1 or len(lines) != len(packets) or len(wrong) != 1 or \
            not wrong[0].startswith("%d: LRC mismatch: " % (bad + 1)):
        sys.exit("flipped digit in frame %d: status %d, reported %r" % (bad + 1, status, wrong))
    print("one flipped digit: %s" % wrong[0])
    build_frames(tool, built)


def build_frames(tool, built):
    """The frames sumvane-lrc builds from each packet's address, function and data."""
    data = b"".join(packet[1:-4] + b"\n" for packet, _ in built)
    done = subprocess.run([tool, "--format", "modbus-ascii", "--lines", "--append"], input=data,
                          capture_output=True, timeout=60)
    if done.returncode != 0 or done.stdout != b"".join(packet for packet, _ in built):
        sys.exit("frames built differ from pymodbus's: status %d\n%r\n%s" %
                 (done.returncode, done.stdout[:200], done.stderr.decode()))
    received = []
    ModbusAsciiFramer(ServerDecoder()).processIncomingPacket(done.stdout, received.append, unit=0,
                                                             single=True)
    sent = [(r.function_code, r.unit_id) for _, r in built]
    if [(r.function_code, r.unit_id) for r in received] != sent:
        sys.exit("pymodbus took %d of the %d frames built" % (len(received), len(sent)))
    print("%d frames built by sumvane-lrc --append: pymodbus's own, and all taken" % len(sent))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""sumvane-lrc --port keeping up with a line at 115200 baud: Modbus ASCII frames written into a
pseudo-terminal at that pace (8N1: 11520 bytes a second, the writes paced by the clock), the
tool reading its other end. Prints the time from each line end written to its report line read
(median and worst), and the frames a second written and reported.

    bench/bench_live.py build/cli/sumvane-lrc [seconds]     (default 10)
"""
import os
import pty
import signal
import statistics
import subprocess
import sys
import termios
import threading
import time

BYTES_PER_SECOND = 115200 // 10  # a start bit, eight data bits, a stop bit


def modbus(hex_data):
    data = bytes.fromhex(hex_data)
    return b":%s%02X\r\n" % (hex_data.encode(), (-sum(data)) & 0xFF)


# Requests and answers of the sizes a Modbus line carries: 17 to 57 characters.
FRAMES = [modbus("1103006B0003"), modbus("110306AE415652434053"),
          modbus("011000010002040A0B0C0D"), modbus("0106000100030000"),
          modbus("0103140001000200030004000500060007000800090010")]


def main():
    tool = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    master, slave = pty.openpty()
    process = subprocess.Popen([tool, "--port", os.ttyname(slave), "--baud", "115200",
                                "--data-bits", "8", "--parity", "none", "--format",
                                "modbus-ascii", "--check"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    end = time.monotonic() + 5
    while termios.tcgetattr(slave)[3] & termios.ICANON:
        if time.monotonic() > end or process.poll() is not None:
            sys.exit("the tool did not set the port up")
        time.sleep(0.001)

    read_at = {}

    def read_reports():
        for line in process.stdout:
            number, _, verdict = line.decode().partition(": ")
            read_at[int(number)] = (time.perf_counter(), verdict.strip())

    reader = threading.Thread(target=read_reports)
    reader.start()

    # The byte stream, and where each frame's line end (its CR, where a line is complete) lies.
    stream = bytearray()
    line_ends = []
    while len(stream) < seconds * BYTES_PER_SECOND:
        frame = FRAMES[len(line_ends) % len(FRAMES)]
        stream += frame
        line_ends.append(len(stream) - 2)
    written_at = []
    sent = 0
    start = time.perf_counter()
    while sent < len(stream):
        due = min(len(stream), int((time.perf_counter() - start) * BYTES_PER_SECOND))
        if due > sent:
            # Taken before the write: the tool may answer before os.write returns here, so the
            # delay measured is from a moment no later than the line end's arrival.
            now = time.perf_counter()
            sent += os.write(master, stream[sent:due])
            while len(written_at) < len(line_ends) and line_ends[len(written_at)] < sent:
                written_at.append(now)
        time.sleep(0.0005)
    writing = time.perf_counter() - start

    frames = len(line_ends)
    end = time.monotonic() + 5
    while len(read_at) < frames and time.monotonic() < end:
        time.sleep(0.01)
    process.send_signal(signal.SIGINT)
    _, tally = process.communicate(timeout=10)
    reader.join(5)
    os.close(master)
    os.close(slave)

    delays = [read_at[n + 1][0] - written_at[n] for n in range(frames) if n + 1 in read_at]
    good = sum(1 for _, verdict in read_at.values() if verdict == "ok")
    print("written: %d frames, %d bytes in %.2f s (%.0f bytes/s, %.1f frames/s)" %
          (frames, len(stream), writing, len(stream) / writing, frames / writing))
    print("reported: %d of %d frames (%s), %d ok; %.1f reports/s" %
          (len(read_at), frames, "all" if len(read_at) == frames else "NOT all", good,
           len(read_at) / writing))
    if delays:
        print("line end written to report read: median %.3f ms, worst %.3f ms" %
              (statistics.median(delays) * 1000, max(delays) * 1000))
    print("tally: %s" % tally.decode().strip())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""sumvane-lrc --json on every text, command line and log of the comparison tables
(cli_matches_linux.py), malformed UTF-8 and UTF-16 included: each line of standard output parses
with Python's json, "valid" agrees with the exit status, and a log's last line is its summary.

    cli_json_test.py SUMVANE_LRC
"""
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cli_matches_linux import BORDERLINE, BYTES_ONLY, COMMAND_LINES, LOGS  # noqa: E402


def cases():
    for text in BORDERLINE:
        yield ["--json", "--", text], b""
        yield ["--json", "--check", "--format=c-array"], text.encode()
        yield ["--json", "--lines", "--append", "--format=colon"], text.encode()
    for data in BYTES_ONLY:
        yield ["--json"], data
        yield ["--json", "--lines", "--check"], data
    for args in COMMAND_LINES:
        if "--field" not in " ".join(args) and "--status" not in args:
            yield ["--json"] + args, b"01"
    for args, log in LOGS:
        if "--status" not in args:
            yield sorted(set(args + ["--json"]), key=(args + ["--json"]).index), log


def main():
    tool = sys.argv[1]
    launches = usage_errors = runs = failures = 0
    for args, stdin in cases():
        done = subprocess.run([tool] + args, input=stdin, capture_output=True, timeout=60)
        launches += 1
        usage_errors += done.returncode == 2
        if done.returncode == 2 or {"--help", "-h", "--version"} & set(args):
            continue  # usage errors, the help and the version are not results
        runs += 1
        problem = None
        try:
            objects = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines()]
        except (UnicodeDecodeError, json.JSONDecodeError) as error:
            problem = "not JSON: %s" % error
        else:
            if not objects:
                problem = "no object"
            elif "--lines" in args:
                summary = objects[-1]
                frames = objects[:-1]
                bad = [o for o in frames if not o["valid"] or o.get("check") == "mismatch"]
                # --quiet leaves the good frames out, and only them.
                shown = summary["frames"] - summary["ok"] if "--quiet" in args else summary["frames"]
                if not summary.get("summary") or shown != len(frames) or \
                        summary["frames"] - summary["ok"] != len(bad) or \
                        done.returncode != (1 if bad else 0):
                    problem = "summary %r for %d frames, %d bad" % (summary, len(frames), len(bad))
            else:
                good = objects[0]["valid"] and objects[0].get("check", "ok") == "ok"
                if len(objects) != 1 or done.returncode != (0 if good else 1):
                    problem = "exit %d for %r" % (done.returncode, objects)
        if problem:
            failures += 1
            print("FAIL: %r on %r: %s\n  %r" % (args, stdin[:40], problem, done.stdout[:300]))
    print("%d runs of --json: %d failures" % (runs, failures))
    if not runs:  # a tool that refuses every command line has given no JSON to check
        print("FAIL: no run gave a result: %d launches, %d exited 2" % (launches, usage_errors))
    sys.exit(1 if failures or not runs else 0)


if __name__ == "__main__":
    main()

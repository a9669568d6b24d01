// The lrc node in Node-RED's test helper, installed from its tarball: every mode and format, the
// two outputs, node.error reaching a Catch node, and the stream mode held to the Linux
// sumvane-lrc --lines --json on the same bytes cut anywhere.
//   SUMVANE_TARBALLS=SUMVANE.tgz,NODE.tgz SUMVANE_HOST_LRC=build/cli/sumvane-lrc \
//   node --test tests/node-red/lrc.test.mjs
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { createRequire } from "node:module";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { isDeepStrictEqual } from "node:util";
import { installed } from "./install.mjs";

const require = createRequire(import.meta.url);
const helper = require("node-red-node-test-helper");
const catchNode = require("@node-red/nodes/core/common/25-catch.js");
helper.init(require.resolve("node-red"));

const hostLrc = process.env.SUMVANE_HOST_LRC;
assert.ok(hostLrc, "SUMVANE_HOST_LRC names the sumvane-lrc the node is held to");

let install;
let lrcNode;
before(async () => {
  install = installed("sumvane-node-red-");
  lrcNode = require(join(install.dir, "node_modules/@sumvane/node-red/lrc.js"));
  await new Promise((resolve) => helper.startServer(resolve));
});
after(async () => {
  await helper.unload();
  await new Promise((resolve) => helper.stopServer(resolve));
  install?.remove();
});

// What sumvane-lrc --json prints for these bytes: its objects.
function tool(args, input) {
  const run = spawnSync(hostLrc, ["--json", ...args], { input });
  assert.ok(run.status === 0 || run.status === 1, `sumvane-lrc ${args.join(" ")}: ${run.stderr}`);
  return run.stdout.toString("utf8").split("\n").filter(Boolean).map((line) => JSON.parse(line));
}

// Asks `probe` until it gives `expected` or the deadline passes; then the last answer is compared.
async function eventually(probe, expected, message, ms = 10000) {
  const deadline = Date.now() + ms;
  let actual = probe();
  while (!isDeepStrictEqual(actual, expected) && Date.now() < deadline) {
    await new Promise((resolve) => setTimeout(resolve, 10));
    actual = probe();
  }
  assert.deepEqual(actual, expected, message);
}

// A flow of one lrc node with the given properties, its outputs and a Catch node collected:
// `send(msg)` gives every message that leaves, as [output, msg], and every error the Catch node
// receives, as ["error", msg], until `count` of them have arrived.
async function flow(properties) {
  await helper.unload();
  await helper.load([lrcNode, catchNode], [
    { id: "n1", type: "lrc", name: "under test", ...properties, wires: [["good"], ["bad"]] },
    { id: "good", type: "helper" },
    { id: "bad", type: "helper" },
    { id: "catcher", type: "catch", scope: null, uncaught: false, wires: [["caught"]] },
    { id: "caught", type: "helper" },
  ]);
  const seen = [];
  for (const [id, name] of [["good", 0], ["bad", 1], ["caught", "error"]])
    helper.getNode(id).on("input", (msg) => seen.push([name, msg]));
  const node = helper.getNode("n1");
  const statuses = [];
  const status = node.status.bind(node);
  node.status = (shown) => {
    statuses.push(shown);
    return status(shown);
  };
  return {
    node,
    seen,
    statuses,
    async send(msg, count = 1) {
      const from = seen.length;
      node.receive(msg);
      const deadline = Date.now() + 10000;
      while (seen.length < from + count && Date.now() < deadline)
        await new Promise((resolve) => setTimeout(resolve, 5));
      assert.equal(seen.length, from + count, `answers to ${JSON.stringify(msg.payload)}`);
      return seen.slice(from);
    },
  };
}

const asBuffer = (text) => Buffer.from(text, "utf8");

// --- compute, check and append: each text as a string and as a Buffer of its characters ------
const CHECKS = [
  { format: "modbus-ascii", text: ":1103006B00037E\r\n", output: 0 },
  { format: "modbus-ascii", text: ":1103006B00037E", output: 0 },
  { format: "modbus-ascii", text: ":1103006B00037F\r\n", output: 1 }, // a wrong LRC
  { format: "modbus-ascii", text: ":0103000A0001F1\r\n", output: 0 },
  { format: "modbus-ascii", text: ":0103000A00010F\r\n", output: 1 }, // the sum, not its LRC
  { format: "modbus-ascii", text: "1103006B00037E\r\n", output: 1 }, // no colon
  { format: "spaced", text: "01 A0 7C FF 02 E2", output: 0 },
  { format: "spaced", text: "01 A0 7C FF 02 E3", output: 1 },
  { format: "spaced", text: "01 A0 7C FF 02E2", output: 1 },
  { format: "packed", text: "1103006B00037E", output: 0 },
  { format: "packed", text: "1103006B00037", output: 1 },
  { format: "c-array", text: "{0x11, 0x03, 0xEC}", output: 0 },
  { format: "c-array", text: "0x11, 0x03, 0xED", output: 1 },
  { format: "colon", text: "11:03:EC", output: 0 },
  { format: "colon", text: "11:03:éC", output: 1 },
];

test("check: good frames on the first output, bad ones on the second, msg.lrc as sumvane-lrc --check --json has it, the payload as it came", async () => {
  for (const format of new Set(CHECKS.map((row) => row.format))) {
    const f = await flow({ mode: "check", format });
    for (const row of CHECKS.filter((r) => r.format === format)) {
      const [expected] = tool(["--format", format, "--check"], asBuffer(row.text));
      for (const payload of [row.text, asBuffer(row.text)]) {
        const [[output, msg]] = await f.send({ payload, topic: "t" });
        assert.equal(output, row.output, `${format} ${JSON.stringify(row.text)}`);
        assert.deepEqual(msg.lrc, expected, `${format} ${JSON.stringify(row.text)}`);
        assert.deepEqual(msg.payload, payload);
        assert.equal(msg.topic, "t");
      }
    }
  }
});

const COMPUTES = [
  { format: "spaced", text: "01 A0 7C FF 02" },
  { format: "packed", text: "1103006B0003" },
  { format: "modbus-ascii", text: ":1103006B0003" },
  { format: "c-array", text: "[0x11, 0x03, 0x00, 0x6B]" },
  { format: "colon", text: "11:03:00:6B" },
];
const APPENDS = [
  { format: "spaced", text: "11 03 00 6B 00 03", frame: "11 03 00 6B 00 03 7E" },
  { format: "packed", text: "1103006B0003", frame: "1103006B00037E" },
  { format: "modbus-ascii", text: "1103006B0003", frame: ":1103006B00037E\r\n" },
  { format: "c-array", text: "{0x11, 0x03}", frame: "{0x11, 0x03, 0xEC}" },
  { format: "colon", text: "11:03", frame: "11:03:EC" },
];

test("compute gives msg.lrc as sumvane-lrc --json; append the frame with its LRC, of the payload's kind", async () => {
  for (const row of COMPUTES) {
    const f = await flow({ mode: "compute", format: row.format });
    const [expected] = tool(["--format", row.format], asBuffer(row.text));
    assert.equal(expected.valid, true, row.text);
    for (const payload of [row.text, asBuffer(row.text)]) {
      const [[output, msg]] = await f.send({ payload });
      assert.equal(output, 0);
      assert.deepEqual(msg.lrc, expected, `${row.format} ${row.text}`);
      assert.deepEqual(msg.payload, payload);
    }
  }
  for (const row of APPENDS) {
    const f = await flow({ mode: "append", format: row.format });
    const [[first, fromString]] = await f.send({ payload: row.text });
    assert.equal(first, 0);
    assert.equal(fromString.payload, row.frame, `${row.format} ${row.text}`);
    const [[output, fromBuffer]] = await f.send({ payload: asBuffer(row.text) });
    assert.equal(output, 0);
    assert.deepEqual(fromBuffer.payload, asBuffer(row.frame), `${row.format} ${row.text} as a Buffer`);
  }
});

test("the format bytes: a Buffer of the raw bytes themselves, in every mode but stream", async () => {
  const raw = (hex) => Buffer.from(hex, "hex");
  let f = await flow({ mode: "compute", format: "bytes" });
  let [[, msg]] = await f.send({ payload: raw("01A07CFF02") });
  assert.deepEqual(msg.lrc, tool(["--format", "packed"], "01A07CFF02")[0]);
  assert.equal(msg.lrc.hex, "E2");

  f = await flow({ mode: "check", format: "bytes" });
  for (const [hex, output] of [["1103006B00037E", 0], ["1103006B00037F", 1], ["0D0AFFEA", 0]]) {
    [[, msg]] = await f.send({ payload: raw(hex) }).then((answers) => {
      assert.equal(answers[0][0], output, hex);
      return answers;
    });
    assert.deepEqual(msg.lrc, tool(["--format", "packed", "--check"], hex)[0], hex);
  }

  f = await flow({ mode: "append", format: "bytes" });
  [[, msg]] = await f.send({ payload: raw("1103006B0003") });
  assert.deepEqual(msg.payload, raw("1103006B00037E"));
});

test("the mode and the format left open are taken from msg.mode and msg.format, by default compute and spaced", async () => {
  const f = await flow({ mode: "msg", format: "msg" });
  let [[output, msg]] = await f.send({ payload: "01 A0 7C FF 02" });
  assert.equal(output, 0);
  assert.equal(msg.lrc.hex, "E2");
  [[output, msg]] = await f.send({ payload: ":1103006B00037F\r\n", mode: "check", format: "modbus-ascii" });
  assert.equal(output, 1);
  assert.equal(msg.lrc.check, "mismatch");
  [[output, msg]] = await f.send({ payload: "1103006B0003", mode: "append", format: "modbus-ascii" });
  assert.equal(msg.payload, ":1103006B00037E\r\n");
  [[output, msg]] = await f.send({ payload: "0103000A0001F1\r\n", mode: "stream", format: "packed" });
  assert.equal(output, 0);
  assert.equal(msg.payload, "0103000A0001F1");

  // The node's own mode and format stand, whatever the message says.
  const fixed = await flow({ mode: "check", format: "packed" });
  [[output, msg]] = await fixed.send({ payload: "1103006B00037E", mode: "append", format: "spaced" });
  assert.equal(output, 0);
  assert.equal(msg.payload, "1103006B00037E");
  assert.equal(msg.lrc.check, "ok");
});

// --- faults --------------------------------------------------------------------------------
// Each bad message, and after it one that the same node answers as ever.
const FAULTS = [
  { config: { mode: "compute", format: "spaced" }, msg: { payload: 42 }, says: /a string or a Buffer, not a number/ },
  { config: { mode: "check", format: "spaced" }, msg: { payload: { a: 1 } }, says: /not an object/ },
  { config: { mode: "append", format: "spaced" }, msg: { payload: null }, says: /not null/ },
  { config: { mode: "check", format: "spaced" }, msg: {}, says: /not an undefined/ },
  { config: { mode: "stream", format: "spaced" }, msg: { payload: [1, 2] }, says: /not an array/, next: "01 FF\n" },
  { config: { mode: "stream", format: "spaced" }, msg: { payload: true }, says: /not a boolean/, next: "01 FF\n" },
  { config: { mode: "compute", format: "spaced" }, msg: { payload: "01 A0 7" }, says: /hex digit/, lrc: true },
  { config: { mode: "append", format: "modbus-ascii" }, msg: { payload: ":1103" }, says: /':' is not a hex digit/, lrc: true, next: "1103" },
  { config: { mode: "compute", format: "bytes" }, msg: { payload: "0102" }, says: /takes a Buffer/, next: Buffer.from([1, 2]) },
  { config: { mode: "stream", format: "bytes" }, msg: { payload: Buffer.from("0102", "hex") }, says: /no line ends/, next: null },
  { config: { mode: "msg", format: "spaced" }, msg: { payload: "01", mode: "sum" }, says: /msg.mode must be compute, check, append or stream, not 'sum'/ },
  { config: { mode: "check", format: "msg" }, msg: { payload: "01", format: "hex" }, says: /msg.format must be .*bytes, not 'hex'/ },
  { config: { mode: "check", format: "msg" }, msg: { payload: "01", format: 3 }, says: /not a number/ },
];

test("bad input reaches a Catch node through node.error, with the message, and the flow goes on", async () => {
  for (const row of FAULTS) {
    const f = await flow(row.config);
    const [[where, caught]] = await f.send({ ...row.msg, topic: "faulty" });
    assert.equal(where, "error", JSON.stringify(row));
    assert.match(caught.error.message, row.says);
    assert.equal(caught.error.source.id, "n1");
    assert.equal(caught.topic, "faulty");
    if (row.lrc) assert.equal(caught.lrc.valid, false);
    if (row.next === null) continue;
    const [[output]] = await f.send({ payload: row.next ?? "01 FF" });
    assert.notEqual(output, "error", `after ${JSON.stringify(row.msg)}`);
  }
});

test("the status counts the good and the bad, green after a good frame and red after a bad one", async () => {
  const f = await flow({ mode: "check", format: "packed" });
  await f.send({ payload: "0102FD" });
  await f.send({ payload: "010204" });
  await f.send({ payload: 17 });
  const shown = () => f.statuses.at(-1);
  await eventually(shown, { fill: "red", shape: "dot", text: "1 good, 2 bad" }, "after two bad");
  await f.send({ payload: "03FD" });
  await eventually(shown, { fill: "green", shape: "dot", text: "2 good, 2 bad" }, "after a good one");
});

// --- stream --------------------------------------------------------------------------------
// A seeded generator, so that a failing cut can be had again.
function random(seed) {
  let s = seed >>> 0;
  return () => {
    s = (s * 1664525 + 1013904223) >>> 0;
    return s / 2 ** 32;
  };
}

const LINE_LIMIT = 65536;
// Each log: lines and the line end after each, as a serial node hands them over; a line longer
// than the node keeps, a character of several bytes, blank lines.
const LOGS = [
  {
    format: "modbus-ascii",
    lines: [
      [":1103006B00037E", "\r\n"], [":1103006B00037F", "\r\n"], ["", "\r\n"], [":0103000A0001F1", "\n"],
      ["1103006B00037E", "\r"], [":11é3006B00037E", "\r\n"], [":" + "00".repeat(40000), "\r\n"],
      [":01😀", "\n"], [":0103000A0001F2", "\r\n"],
    ],
  },
  {
    format: "spaced",
    lines: [["01 A0 7C FF 02 E2", "\n"], ["01 A0 7C FF 02 E3", "\r\n"], ["", "\n"], ["", "\r"], ["0x01", "\n"], ["01 02 03", "\r"]],
  },
  { format: "packed", lines: [["0102FD", "\n"], ["010203", "\n"], ["AB", "\r\n"], ["ABCD", "\n"]] },
  { format: "c-array", lines: [["{0x11, 0x03, 0xEC}", "\r\n"], ["0x11 0x03", "\n"]] },
  { format: "colon", lines: [["11:03:EC", "\n"], ["11:03:ED", "\n"]] },
];

// The log cut at random places into pieces: Buffers cut anywhere (inside a character and
// between CR and LF too), strings cut between any two UTF-16 units (inside a surrogate pair too).
function pieces(text, next) {
  const bytes = asBuffer(text);
  const out = [];
  let at = 0; // where the next piece begins, in bytes
  let unit = 0; // the same place in UTF-16 units, where it lies between two characters
  let must = null; // a piece that ended inside a character is followed by one of its own kind
  while (at < bytes.length) {
    const size = 1 + Math.floor(next() * (next() < 0.1 ? 70000 : 24));
    const kind = must ?? (next() < 0.5 ? "bytes" : "string");
    must = null;
    if (kind === "bytes") {
      out.push(bytes.subarray(at, at + size));
      at = Math.min(at + size, bytes.length);
      if (at < bytes.length && (bytes[at] & 0xc0) === 0x80) must = "bytes";
      else unit = bytes.subarray(0, at).toString("utf8").length;
    } else {
      const piece = text.slice(unit, unit + size);
      out.push(piece);
      unit += piece.length;
      const code = text.charCodeAt(unit - 1);
      if (code >= 0xd800 && code <= 0xdbff) must = "string";
      else at = asBuffer(text.slice(0, unit)).length;
    }
  }
  return out;
}

// Sends the log in these pieces to a node in stream mode and holds what leaves it to sumvane-lrc
// on the whole log: the reports in order, each on its output, each with its line as the payload.
async function holdStream(log, cut, label) {
  const text = log.lines.map(([line, end]) => line + end).join("");
  // sumvane-lrc reads a file's lines whatever their length; a live log's checker keeps 64 KiB
  // of a line, and reports a longer one malformed once it has that much.
  const expected = tool(["--format", log.format, "--lines", "--check"], asBuffer(text))
    .filter((r) => !r.summary)
    .map((r) => (asBuffer(log.lines[r.line - 1][0]).length <= LINE_LIMIT ? r : {
      line: r.line, valid: false, flaw: "a line of more than 65536 bytes; the rest of it is dropped",
      column: LINE_LIMIT + 1, byte: LINE_LIMIT + 1,
    }));
  assert.ok(expected.length > 0);
  const f = await flow({ mode: "stream", format: log.format });
  for (const piece of cut) f.node.receive({ payload: piece, topic: "serial" });
  await eventually(() => f.seen.length, expected.length, `${label}: a message a frame`);
  assert.deepEqual(f.seen.map(([, msg]) => msg.lrc), expected, label);
  for (const [output, msg] of f.seen) {
    const report = msg.lrc;
    assert.equal(output, report.valid && report.check === "ok" ? 0 : 1);
    // The payload is the frame's line without its line end, as far as it is kept.
    const line = asBuffer(log.lines[report.line - 1][0]).subarray(0, LINE_LIMIT);
    const payload = typeof msg.payload === "string" ? asBuffer(msg.payload) : msg.payload;
    assert.ok(payload.equals(line), `${label}, line ${report.line}: ${JSON.stringify(msg.payload)}`);
    assert.equal(msg.topic, "serial");
  }
}

test("stream: frames assembled from pieces cut anywhere are reported as sumvane-lrc --lines --check --json reports the same bytes", async () => {
  for (const log of LOGS) {
    for (const seed of [1, 2, 3]) {
      const text = log.lines.map(([line, end]) => line + end).join("");
      await holdStream(log, pieces(text, random(seed * 7919 + log.lines.length)), `${log.format}, seed ${seed}`);
    }
  }
  // The cuts that matter most, each made on purpose: inside a surrogate pair of a string,
  // inside a character's bytes, and between CR and LF.
  const emoji = asBuffer("😀");
  const log = { format: "modbus-ascii", lines: [[":01😀", "\r\n"], [":0103000A0001F1", "\r\n"], [":01é", "\n"]] };
  await holdStream(log, [":01\uD83D", "\uDE00\r", "\n:0103000A0001F1\r\n:01\u00e9\n"], "a surrogate pair cut");
  await holdStream(log, [Buffer.concat([asBuffer(":01"), emoji.subarray(0, 2)]), emoji.subarray(2),
    asBuffer("\r\n:0103000A0001F1\r"), asBuffer("\n:01"), asBuffer("é").subarray(0, 1), Buffer.from([0xa9, 0x0a])],
  "a character's bytes cut");
});

test("stream: msg.reset drops a half-received frame, and a log begins again at line 1", async () => {
  const f = await flow({ mode: "stream", format: "modbus-ascii" });
  assert.deepEqual(await f.send({ payload: ":1103006B" }, 0), []);
  assert.deepEqual(await f.send({ reset: true }, 0), []);
  const rest = "00037E\r\n:1103006B00037E\r\n";
  const answers = await f.send({ payload: asBuffer(rest) }, 2);
  assert.deepEqual(answers.map(([, msg]) => msg.lrc), tool(["--format", "modbus-ascii", "--lines", "--check"], rest).slice(0, 2));
  assert.deepEqual(answers.map(([output]) => output), [1, 0]);
  // A reset with a payload: the half frame goes, the payload begins the next.
  await f.send({ payload: ":110300" }, 0);
  const [[output, msg]] = await f.send({ payload: ":0103000A0001F1\r\n", reset: true });
  assert.equal(output, 0);
  assert.equal(msg.payload, ":0103000A0001F1");
  assert.equal(msg.lrc.line, 1);
  assert.equal(msg.reset, undefined);
});

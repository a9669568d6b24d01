// The npm package sumvane as a user gets it: the built folder (SUMVANE_PACKAGE), nothing
// installed, through both of its entries, on the shared rows (SUMVANE_ROWS) and on answers of
// sumvane-lrc written out below.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { existsSync, readdirSync, readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { test } from "node:test";
import { fileURLToPath, pathToFileURL } from "node:url";

const folder = process.env.SUMVANE_PACKAGE;
const rows = JSON.parse(readFileSync(process.env.SUMVANE_ROWS, "utf8"));
const sumvane = await import(pathToFileURL(join(folder, "index.mjs")).href);
const fromRequire = createRequire(import.meta.url)(join(folder, "index.cjs"));
const { init, calculateLrc, renderLrc, report, reportLines, createLineChecker, lineReports } =
  sumvane;

// Before init() neither entry has an engine to ask; this runs before anything calls it.
test("a call before init() is an Error that says so", () => {
  const calls = [() => calculateLrc("01"), () => fromRequire.report("01"),
    () => createLineChecker(), () => fromRequire.lineReports()];
  for (const call of calls)
    assert.throws(call, (e) => e.constructor === Error && /init\(\)/.test(e.message));
});

test("init, from both entries at once", async () => {
  await Promise.all([init(), init(), fromRequire.init()]);
});

test("verdict rows, as a string and as its UTF-8 bytes", () => {
  for (const row of rows.verdict) {
    const forms = row.text === undefined
      ? [String.fromCharCode(...row.utf16)]
      : [row.text, new TextEncoder().encode(row.text)];
    for (const form of forms) {
      const result = calculateLrc(form);
      if (row.valid)
        assert.deepEqual(result, { valid: true, byteCount: row.byteCount, lrc: row.lrc }, row.name);
      else assert.equal(result.valid, false, row.name);
    }
  }
});

test("render rows", () => {
  for (const { name, lrc, byteCount, hex, decimal, octal, binary, byteCountText } of rows.render) {
    const expected = { hex, decimal, octal, binary, byteCountText };
    assert.deepEqual(renderLrc({ valid: true, byteCount, lrc }), expected, name);
  }
});

test("the example's keystrokes and the pastes: what the window shows", () => {
  for (const row of [...rows.example, ...rows.paste]) {
    const text = row.typed ?? row.clipboard;
    const result = calculateLrc(text);
    if (row.hex === "") {
      assert.equal(result.valid, false, text);
      continue;
    }
    const shown = renderLrc(result);
    assert.equal(shown.hex, row.hex, text);
    assert.equal(shown.byteCountText, row.status, text);
    for (const field of ["decimal", "octal", "binary"].filter((f) => f in row))
      assert.equal(shown[field], row[field], text);
  }
});

// Each row: a call with one argument of a wrong type, or missing.
const good = { valid: true, byteCount: 5, lrc: 226 };
const described = (value) =>
  value === undefined ? "missing" : (JSON.stringify(value) ?? String(value));
const typeErrors = [
  ["calculateLrc text missing", () => calculateLrc()],
  ["report text missing", () => report()],
  ["reportLines log missing", () => reportLines()],
  ...[1, null, {}, [48, 49]].flatMap((text) => [
    [`calculateLrc text ${described(text)}`, () => calculateLrc(text)],
    [`report text ${described(text)}`, () => report(text)],
    [`reportLines log ${described(text)}`, () => reportLines(text)],
  ]),
  ...[1, null, "spaced"].flatMap((options) => [
    [`report options ${described(options)}`, () => report("01", options)],
    [`reportLines options ${described(options)}`, () => reportLines("01", options)],
  ]),
  ...["format", "check", "append"].flatMap((name) =>
    [1, null, {}, name === "format" ? true : "true"].flatMap((value) => [
      [`report ${name} ${described(value)}`, () => report("01", { [name]: value })],
      [`reportLines ${name} ${described(value)}`, () => reportLines("01", { [name]: value })],
    ]),
  ),
  ...[1, null, "spaced"].flatMap((options) => [
    [`createLineChecker options ${described(options)}`, () => createLineChecker(options)],
    [`lineReports options ${described(options)}`, () => lineReports(options)],
  ]),
  ...["format", "check", "append", "timestamps", "port"].flatMap((name) =>
    [1, null, name === "format" ? true : "true"].flatMap((value) => [
      [`createLineChecker ${name} ${described(value)}`,
        () => createLineChecker({ [name]: value })],
      [`lineReports ${name} ${described(value)}`, () => lineReports({ [name]: value })],
    ]),
  ),
  ...[undefined, 1, null, {}, [48, 49], new ArrayBuffer(2)].map((chunk) =>
    [`push chunk ${described(chunk)}`, () => createLineChecker().push(chunk)]),
  ...[undefined, 1, null, ["parity"]].map((kind) =>
    [`fault kind ${described(kind)}`, () => createLineChecker({ port: true }).fault(kind)]),
  ["renderLrc result missing", () => renderLrc()],
  ["renderLrc result null", () => renderLrc(null)],
  ["renderLrc result a number", () => renderLrc(226)],
  ...["valid", "byteCount", "lrc"].flatMap((field) =>
    [undefined, null, {}, ...(field === "valid" ? [1] : ["5", 1.5, NaN])].map((value) => [
      `renderLrc ${field} ${described(value)}`,
      () => renderLrc(Object.fromEntries(
        Object.entries({ ...good, [field]: value }).filter(([, v]) => v !== undefined))),
    ]),
  ),
];

test("a wrong argument type is a TypeError", () => {
  for (const [name, call] of typeErrors) assert.throws(call, TypeError, name);
});

const formats = "(expected spaced, packed, modbus-ascii, c-array or colon)";
const rangeErrors = [
  ["unknown format", { format: "rtu" }, `sumvane: unknown format 'rtu' ${formats}`],
  ["empty format", { format: "" }, `sumvane: unknown format '' ${formats}`],
  ["a format is one name", { format: "spaced\0--lines" }, /^sumvane: unknown format 'spaced/],
  ["append and check", { append: true, check: true },
    "sumvane: --append and --check cannot be combined"],
  ["a format before a conflict", { format: "Spaced", append: true, check: true },
    `sumvane: unknown format 'Spaced' ${formats}`],
];

test("options the tool refuses are a RangeError with the tool's reason", () => {
  const calls = [
    (options) => report("01", options),
    (options) => reportLines("01", options),
    createLineChecker,
    lineReports,
    (options) => createLineChecker({ ...options, timestamps: true, port: true }),
  ];
  for (const [name, options, message] of rangeErrors) {
    for (const call of calls)
      assert.throws(() => call(options), { name: "RangeError", message }, name);
  }
});

test("a failure in the engine is an Error with its message, and the next call is answered", () => {
  const failures = [
    [{ valid: false, byteCount: 0, lrc: 0 }, "only a valid result has an LRC to render"],
    [{ valid: true, byteCount: 1, lrc: 256 }, "an LRC is a single byte (0..255)"],
  ];
  for (const [result, message] of failures) {
    assert.throws(() => renderLrc(result), (e) => e.constructor === Error && e.message === message);
    assert.deepEqual(calculateLrc("01 A0 7C FF 02"), good);
  }
  // A failure abandons its call mid-way, stack and all: only a fresh instance each time keeps
  // thousands of them from adding up.
  for (let i = 0; i < 3000; i++) assert.throws(() => renderLrc(failures[0][0]), Error);
  assert.equal(report("01 A0 7C FF 02", { check: true }).expected, "E4");
});

// Bytes only a Uint8Array carries, and what sumvane-lrc --json says of them on standard input.
const place = (flaw, at) => ({ valid: false, flaw, position: at, line: 1, column: at, byte: at });
const byteRows = [
  [[0x30, 0x31, 0x20, 0xff], {}, place("invalid UTF-8", 4)],
  [[0xef, 0xbb, 0xbf, 0x30, 0x31], {},
    place("a UTF-8 byte-order mark; save the text without it", 1)],
  [[0x30, 0x31, 0xc0, 0xa0, 0x30, 0x32], { format: "packed" }, place("invalid UTF-8", 3)],
];

test("bytes that are not UTF-8 get the tool's verdict", () => {
  for (const [bytes, options, expected] of byteRows) {
    // A view into a larger buffer, as a slice of a file read is.
    const view = new Uint8Array([0x41, 0x41, ...bytes]).subarray(2);
    assert.deepEqual(report(view, options), expected);
    assert.equal(calculateLrc(view).valid, false);
  }
  const log = new Uint8Array([0x30, 0x35, 0x20, 0x46, 0x42, 0x0a, 0xff]); // "05 FB\n" 0xFF
  assert.deepEqual(reportLines(log, { check: true }), [
    { line: 1, valid: true, hex: "00", decimal: 0, octal: "0", binary: "0000 0000", bytes: 2,
      check: "ok", last: "FB", expected: "FB" },
    { line: 2, valid: false, flaw: "invalid UTF-8", position: 1, column: 1, byte: 1 },
    { summary: true, frames: 2, ok: 1, wrong_lrc: 0, malformed: 1 },
  ]);
});

// A Modbus ASCII log with a good frame, a wrong LRC that is the XOR of the others, a flaw and
// a last frame without its line end, and what sumvane-lrc --lines --json --check says of it.
const modbusLog = ":1103006B00037E\r\n:01030002\r\n:0103G0\r\n:1103006B00037F";
const modbusReports = [
  { line: 1, valid: true, hex: "00", decimal: 0, octal: "0", binary: "0000 0000", bytes: 7,
    check: "ok", last: "7E", expected: "7E" },
  { line: 2, valid: true, hex: "FA", decimal: 250, octal: "372", binary: "1111 1010", bytes: 4,
    check: "mismatch", last: "02", expected: "FC", matches: ["xor"] },
  { line: 3, valid: false, flaw: "'G' is not a hex digit", position: 6, column: 6, byte: 6 },
  { line: 4, valid: true, hex: "FF", decimal: 255, octal: "377", binary: "1111 1111", bytes: 7,
    check: "mismatch", last: "7F", expected: "7E" },
  { summary: true, frames: 4, ok: 1, wrong_lrc: 2, malformed: 1 },
];

test("lineReports: a log piped through, CR LFs cut in two, gives the tool's reports", async () => {
  const pieces = modbusLog.split(/(?<=\r)/); // each CR ends a piece, its LF begins the next
  assert.ok(pieces.length >= 4);
  const log = new ReadableStream({
    start(controller) {
      for (const piece of pieces) controller.enqueue(new TextEncoder().encode(piece));
      controller.close();
    },
  });
  const reports = [];
  const reader = log.pipeThrough(lineReports({ format: "modbus-ascii", check: true })).getReader();
  for (let read = await reader.read(); !read.done; read = await reader.read())
    reports.push(read.value);
  assert.deepEqual(reports, modbusReports);
});

// Each row: the pushes of a checker, as [call, argument, the reports it gives].
const LIMIT = 65536;
const tooLong = { valid: false, column: LIMIT + 1, byte: LIMIT + 1,
  flaw: `a line of more than ${LIMIT} bytes; the rest of it is dropped` };
const goodFrame = (line, bytes) => ({ line, valid: true, hex: "00", decimal: 0, octal: "0",
  binary: "0000 0000", bytes });
const portError = (line, name, error, column) =>
  ({ line, valid: false, port_error: name, error, column });
const checkerRows = [
  ["a line of the limit is kept", { format: "packed" }, [
    ["push", "00".repeat(LIMIT / 2 - 1), []],
    ["push", "00\n", [goodFrame(1, LIMIT / 2)]],
    ["end", undefined, [{ summary: true, frames: 1, ok: 1, wrong_lrc: 0, malformed: 0 }]],
  ]],
  ["a longer line is reported once too long, its rest dropped", { format: "packed" }, [
    ["push", "0000\r\n" + "00".repeat(LIMIT / 2), [goodFrame(1, 2)]],
    ["push", "0", [{ line: 2, ...tooLong }]],
    ["push", "G".repeat(3 * LIMIT), []],
    ["push", "GG\r", []],
    ["push", "\n0000", []],
    ["end", undefined,
      [goodFrame(3, 2), { summary: true, frames: 3, ok: 2, wrong_lrc: 0, malformed: 1 }]],
  ]],
  ["a port error between lines, and one in a line", { check: true, port: true }, [
    ["push", "05 FB\n", [{ ...goodFrame(1, 2), check: "ok", last: "FB", expected: "FB" }]],
    ["fault", "break", [portError(2, "break", "a break", 1)]],
    ["push", "05", []],
    ["fault", "parity", []],
    ["fault", "overrun", []],
    ["push", " FB\r\n", [portError(3, "parity", "a parity error", 3)]],
    ["fault", "framing", [portError(4, "framing", "a framing error", 1)]],
    ["end", undefined,
      [{ summary: true, frames: 4, ok: 1, wrong_lrc: 0, malformed: 0, port_errors: 3 }]],
  ]],
  ["a port error in a line too long goes with it", { format: "packed", port: true }, [
    ["push", "00", []],
    ["fault", "overrun", []],
    ["push", "00".repeat(LIMIT / 2), [{ line: 1, ...tooLong }]],
    ["push", "\n", []],
    ["end", undefined,
      [{ summary: true, frames: 1, ok: 0, wrong_lrc: 0, malformed: 1, port_errors: 0 }]],
  ]],
  ["a string's surrogate pair cut in two is one character", {}, [
    ["push", "01 \ud83d", []],
    ["push", "\ude00\n", [{ line: 1, valid: false,
      flaw: "U+1F600 is neither a hex digit nor a separator", position: 4, column: 4, byte: 4 }]],
    ["push", "01 \ud83d", []],
    ["push", Uint8Array.of(0x0a), [{ line: 2, valid: false,
      flaw: "U+FFFD is neither a hex digit nor a separator", position: 4, column: 4, byte: 4 }]],
    ["push", "01 \ud83d", []],
    ["end", undefined, [{ line: 3, valid: false,
      flaw: "U+FFFD is neither a hex digit nor a separator", position: 4, column: 4, byte: 4 },
    { summary: true, frames: 3, ok: 0, wrong_lrc: 0, malformed: 3 }]],
  ]],
];

test("a checker's reports come out of the call that ends their line", () => {
  for (const [name, options, calls] of checkerRows) {
    const checker = createLineChecker(options);
    calls.forEach(([call, argument, expected], i) =>
      assert.deepEqual(checker[call](argument), expected, `${name}: call ${i + 1}, ${call}`));
  }
});

// Each row: a checker's call out of turn, and the error it is.
const ended = (options) => {
  const checker = createLineChecker(options);
  checker.end();
  return checker;
};
const outOfTurn = [
  ["push after end()", () => ended().push("05 FB\n"), Error, /^sumvane: push\(\) after end\(\)$/],
  ["end() twice", () => ended().end(), Error, /^sumvane: end\(\) after end\(\)$/],
  ["fault after end()", () => ended({ port: true }).fault("break"), Error, /after end\(\)$/],
  ["fault without port", () => createLineChecker().fault("break"), Error, /port: true/],
  ["an unknown port error", () => createLineChecker({ port: true }).fault("noise"), RangeError,
    /^sumvane: unknown port error 'noise' \(expected parity, framing, overrun or break\)$/],
  ["a checker of an engine that failed", () => {
    const checker = createLineChecker();
    checker.push("05");
    assert.throws(() => renderLrc({ valid: false, byteCount: 0, lrc: 0 }));
    checker.push(" FB\n");
  }, Error, /^sumvane: this line checker was lost when the engine failed; create a new one$/],
];

test("a checker's call out of turn throws, and a new checker is answered", () => {
  for (const [name, call, type, message] of outOfTurn) {
    assert.throws(call, (e) => e.constructor === type && message.test(e.message), name);
    const checker = createLineChecker({ check: true });
    assert.deepEqual(checker.push("05 FB\n01"), [
      { ...goodFrame(1, 2), check: "ok", last: "FB", expected: "FB" }], name);
    assert.equal(checker.end().length, 2, name);
  }
});

test("a checker ended gives its memory back", () => {
  // Each checker holds a line of nearly the limit when it ends: kept, they would take 200 MB of
  // the module's memory, which Node counts as external.
  const line = new Uint8Array(LIMIT - 1).fill(0x30);
  const before = process.memoryUsage().external;
  for (let i = 0; i < 3000; i++) {
    const checker = createLineChecker();
    checker.push(line);
    checker.end();
  }
  assert.ok(process.memoryUsage().external - before < 50e6);
});

const isoTime = /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$/;

test("timestamps: each report begins with the moment its line end arrived", () => {
  const checker = createLineChecker({ timestamps: true });
  const reports = [];
  for (const piece of ["05", " FB\n01\r", "\n02"]) {
    const before = Date.now();
    const got = checker.push(piece);
    const after = Date.now();
    for (const report of got) reports.push([report, before, after]);
  }
  const before = Date.now();
  const last = checker.end();
  const after = Date.now();
  reports.push([last[0], before, after]);
  assert.deepEqual(reports.map(([report]) => report.line), [1, 2, 3]);
  for (const [report, from, to] of reports) {
    assert.equal(Object.keys(report)[0], "time");
    assert.match(report.time, isoTime);
    const moment = Date.parse(report.time);
    assert.ok(from <= moment && moment <= to, `${report.time} in ${from}..${to}`);
  }
  assert.equal(last[1].time, undefined, "the summary has no time");
});

// The moment a piece arrives as the local time of zones with and without summer time, each in
// its offset at that moment.
const momentRows = [
  ["UTC", Date.UTC(2026, 11, 11, 12, 5, 53, 333), "2026-12-11T12:05:53.333+00:00"],
  ["Europe/Berlin", Date.UTC(2026, 11, 11, 12, 5, 53, 333), "2026-12-11T13:05:53.333+01:00"],
  ["Europe/Berlin", Date.UTC(2026, 6, 1, 21, 59, 59, 999), "2026-07-01T23:59:59.999+02:00"],
  ["Asia/Kolkata", Date.UTC(2026, 0, 1, 18, 29, 0, 7), "2026-01-01T23:59:00.007+05:30"],
  ["America/St_Johns", Date.UTC(2026, 0, 1, 3, 0, 0, 0), "2025-12-31T23:30:00.000-03:30"],
  ["America/St_Johns", Date.UTC(2026, 6, 1, 3, 0, 0, 0), "2026-07-01T00:30:00.000-02:30"],
];

test("timestamps: the arrival time in the zone's own offset", (t) => {
  const { Date: RealDate } = globalThis;
  const zone = process.env.TZ;
  let clock = 0;
  // A clock the test sets: `new Date()` is the moment it holds.
  globalThis.Date = class extends RealDate {
    constructor(...args) {
      super(...(args.length ? args : [clock]));
    }
  };
  t.after(() => {
    globalThis.Date = RealDate;
    if (zone === undefined) delete process.env.TZ;
    else process.env.TZ = zone;
  });
  for (const [name, moment, expected] of momentRows) {
    process.env.TZ = name;
    const checker = createLineChecker({ timestamps: true, append: true });
    clock = moment - 1000;
    assert.deepEqual(checker.push("05 F"), [], name);
    clock = moment; // the line's end arrives now
    const [built] = checker.push("B\n0");
    assert.equal(built.time, expected, `${name} ${new RealDate(moment).toISOString()}`);
    assert.equal(built.frame, "05 FB 00");
    clock = moment + 1000;
    checker.push("0"); // the last line goes on, and ends with the log
    clock = moment;
    assert.equal(checker.end()[0].time, expected, `${name}: the last line has the end's time`);
  }
});

test("require() answers as import does", () => {
  const frame = "11 03 00 6B 00 03 7E";
  const calls = [
    ["calculateLrc", [frame], { valid: true, byteCount: 7, lrc: 0 }],
    ["renderLrc", [good],
      { hex: "E2", decimal: "226", octal: "342", binary: "1110 0010", byteCountText: "5 Bytes" }],
    ["report", [frame, { check: true }], { valid: true, hex: "00", decimal: 0, octal: "0",
      binary: "0000 0000", bytes: 7, check: "ok", last: "7E", expected: "7E" }],
    ["reportLines", ["1103006B0003\n", { format: "modbus-ascii", append: true }], [
      { line: 1, valid: true, hex: "7E", decimal: 126, octal: "176", binary: "0111 1110", bytes: 6,
        frame: ":1103006B00037E" },
      { summary: true, frames: 1, ok: 1, wrong_lrc: 0, malformed: 0 },
    ]],
  ];
  for (const [name, args, expected] of calls) {
    assert.deepEqual(fromRequire[name](...args), expected, name);
    assert.deepEqual(sumvane[name](...args), expected, name);
  }
  const checker = fromRequire.createLineChecker({ format: "modbus-ascii", check: true });
  assert.deepEqual([checker.push(modbusLog), checker.end()].flat(), modbusReports);
  assert.throws(() => fromRequire.report(1), TypeError);
});

test("package.json: the product's name and version, no dependencies, both entries, types", () => {
  const manifest = JSON.parse(readFileSync(join(folder, "package.json"), "utf8"));
  const facts = execFileSync("cmake", ["-P", fileURLToPath(
    new URL("../../cmake/ProductFacts.cmake", import.meta.url))], { encoding: "utf8" });
  // npm's version is the product's first three numbers; the fourth is 0 in every release.
  const [, npmVersion] = /^SUMVANE_VERSION=(\d+\.\d+\.\d+)\.0$/m.exec(facts);
  assert.equal(manifest.name, "sumvane");
  assert.equal(manifest.version, npmVersion);
  for (const kind of ["dependencies", "peerDependencies", "optionalDependencies"])
    assert.equal(manifest[kind], undefined, kind);
  const entries = manifest.exports["."];
  // TypeScript takes the first condition that matches, so each entry's types come first, and a
  // require() gets declarations it reads as CommonJS.
  assert.deepEqual(Object.keys(entries), ["import", "require"]);
  const expected = {
    import: { types: "./index.d.ts", default: "./index.mjs" },
    require: { types: "./index.d.cts", default: "./index.cjs" },
  };
  assert.deepEqual(entries, expected);
  for (const entry of Object.values(entries))
    for (const file of Object.values(entry)) assert.ok(existsSync(join(folder, file)), file);
});

test("the package's files reach for nothing outside it, so it bundles for browsers", () => {
  const targets = [];
  for (const name of readdirSync(folder).filter((n) => /\.(mjs|cjs|js|ts)$/.test(n))) {
    const source = readFileSync(join(folder, name), "utf8");
    assert.doesNotMatch(source, /["'`]node:/, name);
    const imports = /(?:\bfrom|\bimport|\brequire\s*\()\s*\(?\s*["']([^"']+)["']/g;
    for (const [, target] of source.matchAll(imports)) targets.push([name, target]);
  }
  assert.ok(targets.length >= 3, "the entries' own imports are seen");
  for (const [name, target] of targets)
    assert.match(target, /^\.\//, `${name} imports ${target}`);
});

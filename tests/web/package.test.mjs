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
const { init, calculateLrc, renderLrc, report, reportLines } = sumvane;

// Before init() neither entry has an engine to ask; this runs before anything calls it.
test("a call before init() is an Error that says so", () => {
  for (const call of [() => calculateLrc("01"), () => fromRequire.report("01")])
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
];

test("options the tool refuses are a RangeError with the tool's reason", () => {
  for (const [name, options, message] of rangeErrors) {
    for (const call of [report, reportLines])
      assert.throws(() => call("01", options), { name: "RangeError", message }, name);
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

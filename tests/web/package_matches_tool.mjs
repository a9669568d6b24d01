// The package's report(), reportLines() and line checkers against the Linux sumvane-lrc --json:
// for every text, the tool's standard output must be the package's objects as JSON lines, byte
// for byte, and the tool's exit status the one those objects mean.
//   package_matches_tool.mjs [--random-texts N] HOST_LRC PACKAGE_DIR
// The tool reads each text on standard input as bytes; the package gets the same bytes as a
// Uint8Array, and as a string too where they are UTF-8. Fixed borderline texts go through every
// format and option set, one text a run, alone and as a log (--lines); each of N random texts
// goes alone through three of them, and as a line of larger logs through every one. Every log is
// also pushed into a line checker cut into pieces (as bytes, and as a string where it is UTF-8),
// once at random and once at every awkward place, and once piped through lineReports(): each
// report must come out of the push that ended its line.
import { spawn } from "node:child_process";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

let args = process.argv.slice(2);
let randomTexts = 3000;
if (args[0] === "--random-texts") [randomTexts, args] = [Number(args[1]), args.slice(2)];
const [tool, packageDir] = args;

const formats = [null, "spaced", "packed", "modbus-ascii", "c-array", "colon"];
const optionSets = [{}, { check: true }, { append: true }];
const combos = formats.flatMap((format) => optionSets.map((set) => ({ format, ...set })));
const toolArgs = ({ format, check, append }, lines) => [
  "--json",
  ...(format ? ["--format", format] : []),
  ...(check ? ["--check"] : []),
  ...(append ? ["--append"] : []),
  ...(lines ? ["--lines"] : []),
];
const packageOptions = ({ format, check, append }) => ({
  ...(format ? { format } : {}),
  ...(check ? { check } : {}),
  ...(append ? { append } : {}),
});
const comboName = (combo, lines) => toolArgs(combo, lines).slice(1).join(" ") || "(no options)";

// Texts are bytes; pieces are written as strings (taken as UTF-8) or as bytes.
const encoder = new TextEncoder();
const bytesOf = (pieces) => {
  const parts = pieces.map((piece) => (typeof piece === "string" ? encoder.encode(piece) : piece));
  const bytes = new Uint8Array(parts.reduce((total, part) => total + part.length, 0));
  let at = 0;
  for (const part of parts) bytes.set(part, (at += part.length) - part.length);
  return bytes;
};
const utf8 = new TextDecoder("utf-8", { fatal: true, ignoreBOM: true });
const stringOf = (bytes) => {
  try {
    return utf8.decode(bytes);
  } catch {
    return null;
  }
};
const shown = (bytes) => {
  const text = stringOf(bytes) ?? `bytes ${Buffer.from(bytes).toString("hex")}`;
  const quoted = JSON.stringify(text);
  return quoted.length > 90 ? `${quoted.slice(0, 90)}... (${bytes.length} bytes)` : quoted;
};

const BOM = Uint8Array.of(0xef, 0xbb, 0xbf);
const CONTINUATION = Uint8Array.of(0x80);
const FF = Uint8Array.of(0xff);
const rowsFile = new URL("../data/rows.json", import.meta.url);
const rows = JSON.parse(readFileSync(rowsFile, "utf8"));
const chunk = 1 << 16; // how much of standard input the tool reads at a time with --lines

const borderline = [
  ...rows.verdict.filter((row) => row.text !== undefined).map((row) => row.text),
  ...rows.example.map((row) => row.typed),
  ...rows.paste.map((row) => row.clipboard),
  "11 03 00 6B 00 03 7E", "11 03 00 6B 00 03 7F", "05 FB", "05 FB\r\n", "05 FB\n\n", "05",
  "1103006B00037E", "1103006B0003", "1103006B00037E\r\n", "1103006b00037e", "110", "11 03",
  ":1103006B00037E\r\n", ":1103006B00037E", ":1103006B00037E\n", ":1103006B00037E\r",
  ":1103006B00037F\r\n", ":", ":\r\n", "::1103", ":11030", ":1103006B00037E\r\n\r\n", "1103\r\n",
  "0x11, 0x03, 0x00, 0x6B, 0x00, 0x03, 0x7E", "{0x11, 0X03,}", "[ 0xff ]\r\n", "[0x11]", "{}",
  "0x1", "0x11 ,0x03", "{0x11", "0x11, ", "0x11,, 0x03", "0x110x03", "{0x11]", "0x", "x11",
  "11:03:00:6B:00:03:7E", "11:03:00", "11::03", "11:03:", "11:3", ":11", "11:03\r\n", "11: 03",
  "\n05 FB\n\n05\n", "05 FB\r\r\n05", "01\n0G\n", "\r\n\r\n", "\r", "0\u00001", "\0",
  "05 FB\n\u{1F600}\n01 \u{1F600}\r\n05 FB", "\u{1F600}05 FB\r\n\u{10FFFF}",
  "01\u000b", "01\u0085", "01 \u00a0", "01\u2028", "01\u2029", "01\u3000", "\ufeff01",
  bytesOf(["01 ", FF]), bytesOf(["01", CONTINUATION]), bytesOf([BOM, "01 02"]),
  bytesOf([BOM, ":1103006B00037E\r\n"]), bytesOf(["01", Uint8Array.of(0xc0, 0xa0), "02"]),
  // Overlong, an encoded surrogate, truncated, beyond U+10FFFF, UTF-16 with its mark.
  bytesOf(["A0", Uint8Array.of(0xe0, 0x80, 0x8a)]),
  bytesOf(["01", Uint8Array.of(0xed, 0xa0, 0x80)]), bytesOf(["01", Uint8Array.of(0xe2, 0x80)]),
  bytesOf(["A0", Uint8Array.of(0xf4, 0x90, 0x80, 0x80)]),
  bytesOf([Uint8Array.of(0xff, 0xfe), "0\u00001\u0000"]), bytesOf(["05 FB\n", FF, "\n0G"]),
  "\r\n".repeat(1000), "01" + " ".repeat(100000), "7F ".repeat(349525), "7F ".repeat(349525) + "G",
  "AB".repeat(70000), ":" + "AB".repeat(70000) + "55\r\n", "0x7F, ".repeat(20000) + "0x01",
  // A line end whose CR and LF fall in two reads of standard input, and a line across them.
  "0".repeat(chunk - 1) + "\r\n05 FB\r\n", "05 FB\n".repeat(Math.ceil(chunk / 6)) + "05 FB\r\n05",
].map((text) => (typeof text === "string" ? encoder.encode(text) : text));

// xorshift32: the same texts on every run.
let state = 20240917;
const random = (n) => {
  state ^= state << 13;
  state ^= state >>> 17;
  state ^= state << 5;
  return (state >>> 0) % n;
};
const pick = (list) => list[random(list.length)];

const soup = [
  ..."019afAF7Ec", " ", " ", " ", "\t", "\r", "\n", "\r\n", "\v", "\f", ":", ":", ",", ", ", "x",
  "0x", "0X", "[", "]", "{", "}", "\0", "\u0085", "\u00a0", "\u2028", "\u3000", "g",
  CONTINUATION, FF, BOM, "0A ", "7e", "\r\n:", "\u00e9", "\u{1F600}",
];
const pair = (byte) => {
  const digits = byte.toString(16).padStart(2, "0");
  return random(4) ? digits.toUpperCase() : digits;
};

// A frame written in `format` for `options`: its bytes, ending with their LRC half the time
// when the frame is to be checked, so that every outcome is common.
function frame(format, { check, append }) {
  const bytes = Array.from({ length: 1 + random(9) }, () => random(256));
  if (check && random(2)) bytes.push((256 - (bytes.reduce((a, b) => a + b, 0) % 256)) % 256);
  const pairs = bytes.map(pair);
  const end = pick(["", "", "\r\n", "\n"]);
  switch (format) {
    case "packed":
      return pairs.join("") + end;
    case "modbus-ascii":
      return append ? pairs.join("") : ":" + pairs.join("") + pick(["\r\n", "\r\n", "", "\n"]);
    case "c-array": {
      const list = pairs.map((p) => pick(["0x", "0x", "0X"]) + p).join(pick([", ", ",", " ,"]));
      const [open, close] = pick([["", ""], ["{", "}"], ["[", "]"], ["{ ", " }"]]);
      return open + list + pick(["", "", ","]) + close + end;
    }
    case "colon":
      return pairs.join(":") + end;
    default:
      return pairs.join(pick([" ", " ", "\t", "\n", "\r", "\f"])) +
        pick(["", "", " ", "\n", "\r\n", "\u2028", "\v"]);
  }
}

// A random text aimed at `combo`: a frame of its format, perhaps with a flaw put in, perhaps
// several frames as lines; or characters picked at random.
function randomText(combo) {
  const pieces = [];
  if (random(4) === 0) {
    for (let i = random(12); i > 0; i--) {
      const piece = random(3) ? pick(soup) : pair(random(256));
      pieces.push(...Array(random(8) ? 1 : 2 + random(300)).fill(piece)); // now and then a run
    }
    return bytesOf(pieces);
  }
  const lines = random(5) === 0 ? 2 + random(3) : 1;
  for (let i = 0; i < lines; i++) {
    if (i > 0) pieces.push(pick(["\n", "\r\n", "\r", "\n\n"]));
    pieces.push(frame(combo.format ?? "spaced", combo));
  }
  const text = bytesOf(pieces);
  if (random(3)) return text;
  const at = random(text.length + 1);
  const cut = at + random(2); // a flaw replaces a character or goes in between two
  return bytesOf([text.subarray(0, at), random(4) ? pick(soup) : "", text.subarray(cut)]);
}

// sumvane-lrc on `input`: [exit status, standard output, standard error].
function runTool(toolArguments, input) {
  return new Promise((resolve, reject) => {
    const child = spawn(tool, toolArguments);
    const out = [];
    const err = [];
    child.stdout.on("data", (data) => out.push(data));
    child.stderr.on("data", (data) => err.push(data));
    child.stdin.on("error", () => {}); // the exit status says whether the tool read it all
    child.on("error", reject);
    child.on("close", (status) =>
      resolve([status, Buffer.concat(out).toString("utf8"), Buffer.concat(err).toString("utf8")]));
    child.stdin.end(input);
  });
}

// The runs: a text alone, or a log of texts (`indexes` in `texts`), through one option set.
const texts = [];
const runs = [];
const add = (indexes, input, combo, lines) => runs.push({ indexes, input, combo, lines });

// Borderline texts: every format and option set, alone and as a log.
for (const text of borderline) {
  const index = texts.push({ text, agrees: true }) - 1;
  for (const combo of combos) for (const lines of [false, true]) add([index], text, combo, lines);
}

// Random texts: three format and option sets alone, the first the one the text is aimed at and
// the second another of its format ...
const first = texts.length;
for (let i = 0; i < randomTexts; i++) {
  const aimed = pick(combos);
  const chosen = [aimed, pick(combos.filter((c) => c.format === aimed.format && c !== aimed))];
  while (chosen.length < 3) {
    const combo = combos[random(combos.length)];
    if (!chosen.includes(combo)) chosen.push(combo);
  }
  const text = randomText(chosen[0]);
  const index = texts.push({ text, agrees: true }) - 1;
  for (const combo of chosen) add([index], text, combo, false);
}

// ... and a hundred at a time as the lines of a log, through every format and option set.
for (let start = first; start < texts.length; start += 100) {
  const indexes = texts.slice(start, start + 100).map((_, i) => start + i);
  const log = bytesOf(indexes.flatMap((index) => ["\n", texts[index].text]).slice(1));
  for (const combo of combos) add(indexes, log, combo, true);
}

// What the tool refuses: the package refuses it with the same reason.
const refused = [
  [{ append: true, check: true }, ["--append", "--check"]],
  [{ format: "rtu" }, ["--format", "rtu"]],
  [{ format: "" }, ["--format", ""]],
  [{ format: "Spaced" }, ["--format", "Spaced"]],
].flatMap(([options, toolOptions]) =>
  [false, true].map((lines) => ({ options, toolOptions, lines })));

// The tool's answers come first, four runs at a time for two cores: spawning is cheaper from
// this process before the package's WebAssembly memory is part of it.
const jobs = [
  ...runs.map((run) => async () => {
    run.tool = await runTool(toolArgs(run.combo, run.lines), run.input);
  }),
  ...refused.map((refusal) => async () => {
    const lines = refusal.lines ? ["--lines"] : [];
    refusal.tool = await runTool(["--json", ...refusal.toolOptions, ...lines], "01");
  }),
];
let next = 0;
const worker = async () => {
  while (next < jobs.length) await jobs[next++]();
};
await Promise.all(Array.from({ length: 4 }, worker));

const sumvane = await import(pathToFileURL(join(packageDir, "index.mjs")).href);
await sumvane.init();

// Null when the package answers `input` as the tool did; the difference else.
function difference(input, combo, lines, [status, out, err]) {
  // The bytes as a view into a larger buffer, as Node's Buffers often are.
  const view = new Uint8Array(input.length + 3).subarray(3);
  view.set(input);
  const forms = [["Uint8Array", view]];
  const string = stringOf(input);
  if (string !== null) forms.push(["string", string]);
  for (const [form, given] of forms) {
    let answer;
    try {
      const objects = lines
        ? sumvane.reportLines(given, packageOptions(combo))
        : [sumvane.report(given, packageOptions(combo))];
      const last = objects.at(-1);
      const good = lines ? last.ok === last.frames : last.valid && last.check !== "mismatch";
      answer = [good ? 0 : 1, objects.map((object) => JSON.stringify(object) + "\n").join("")];
    } catch (error) {
      answer = [`${error.name}: ${error.message}`, ""];
    }
    if (answer[0] !== status || answer[1] !== out)
      return `${shown(input)} with ${comboName(combo, lines)} (the package given a ${form}):\n` +
        `  tool:    status ${status}, ${JSON.stringify(out.slice(0, 400))} ${err.slice(0, 200)}\n` +
        `  package: status ${answer[0]}, ${JSON.stringify(answer[1].slice(0, 400))}`;
  }
  return null;
}

// A line checker's pieces: cut at random (1 to 4096 bytes, most of them short), or at every
// place where a cut is awkward: inside a CR LF or a UTF-8 character of bytes, inside a CR LF or
// a surrogate pair of a string.
const LIVE_LINE_LIMIT = 1 << 16; // a checker's lines are cut beyond it, the tool's not
const keepsEveryLine = (bytes) => {
  let length = 0;
  for (const byte of bytes) {
    length = byte === 10 || byte === 13 ? 0 : length + 1;
    if (length > LIVE_LINE_LIMIT) return false;
  }
  return true;
};
// What a cut before `at` falls inside, if anything.
function awkwardness(whole, at) {
  if (typeof whole === "string") {
    if (whole[at - 1] === "\r" && whole[at] === "\n") return "inside a CR LF";
    return /^[\ud800-\udbff][\udc00-\udfff]$/.test(whole.slice(at - 1, at + 1))
      ? "inside a surrogate pair" : null;
  }
  if (whole[at - 1] === 13 && whole[at] === 10) return "inside a CR LF";
  return (whole[at] & 0xc0) === 0x80 && whole[at - 1] & 0x80 ? "inside a UTF-8 character" : null;
}
const cuts = { "inside a CR LF": 0, "inside a UTF-8 character": 0, "inside a surrogate pair": 0 };
// A piece of bytes as a view into a larger buffer, so that where it starts in its buffer matters.
function viewOf(bytes) {
  const view = new Uint8Array(bytes.length + 5).subarray(5);
  view.set(bytes);
  return view;
}
function cutAt(whole, ats) {
  const piece = (from, to) =>
    typeof whole === "string" ? whole.slice(from, to) : viewOf(whole.subarray(from, to));
  const pieces = [];
  let from = 0;
  for (const at of ats.filter((at) => at > 0 && at < whole.length)) {
    pieces.push(piece(from, at));
    from = at;
    const where = awkwardness(whole, at);
    if (where) cuts[where]++;
  }
  pieces.push(piece(from));
  return pieces;
}
const pieceSize = () => 1 + random(2 ** (1 + random(12)));
const randomCuts = (whole) => {
  const ats = [];
  for (let at = pieceSize(); at < whole.length; at += pieceSize()) ats.push(at);
  return ats;
};
const awkwardCuts = (whole) =>
  Array.from({ length: whole.length }, (_, at) => at).filter((at) => awkwardness(whole, at));

// Each report must come out of the push whose piece ended its line: its line number is above
// the lines ended before that piece and at most those ended with it.
function lineEnds(pieces) {
  let ended = 0;
  let afterCr = false;
  return pieces.map((piece) => {
    for (let i = 0; i < piece.length; i++) {
      const unit = typeof piece === "string" ? piece.charCodeAt(i) : piece[i];
      if (unit === 13 || (unit === 10 && !afterCr)) ended++;
      afterCr = unit === 13;
    }
    return ended;
  });
}

// Null when the pieces, pushed into a checker (or piped through lineReports), answer as the
// tool did; the difference else.
async function pushedDifference(pieces, how, input, combo, [status, out, err]) {
  let answer;
  try {
    const ends = lineEnds(pieces);
    const objects = [];
    const misplaced = [];
    const placed = (reports, after, upTo, call) => {
      for (const report of reports) {
        if (!report.summary && !(report.line > after && report.line <= upTo))
          misplaced.push(`line ${report.line} came out of ${call}, after ${after} line ends`);
        objects.push(report);
      }
    };
    if (how === "lineReports") {
      const source = new ReadableStream({
        start(controller) {
          for (const piece of pieces) controller.enqueue(piece);
          controller.close();
        },
      });
      for await (const report of source.pipeThrough(sumvane.lineReports(packageOptions(combo))))
        objects.push(report);
    } else {
      const checker = sumvane.createLineChecker(packageOptions(combo));
      pieces.forEach((piece, i) =>
        placed(checker.push(piece), ends[i - 1] ?? 0, ends[i], `push ${i + 1}`));
      placed(checker.end(), ends.at(-1), Infinity, "end()");
    }
    const last = objects.at(-1);
    answer = [last.ok === last.frames ? 0 : 1,
      objects.map((object) => JSON.stringify(object) + "\n").join(""), misplaced.join(", ")];
  } catch (error) {
    answer = [`${error.name}: ${error.message}`, "", ""];
  }
  if (answer[0] === status && answer[1] === out && answer[2] === "") return null;
  return `${shown(input)} with ${comboName(combo, true)} (${how}, ${pieces.length} pieces):\n` +
    `  tool:    status ${status}, ${JSON.stringify(out.slice(0, 400))} ${err.slice(0, 200)}\n` +
    `  checker: status ${answer[0]}, ${JSON.stringify(answer[1].slice(0, 400))} ${answer[2]}`;
}

// The ways a log is pushed, each its pieces.
function pushings(input) {
  const ways = [
    ["pushed bytes cut at random", cutAt(input, randomCuts(input))],
    ["pushed bytes cut at every awkward place", cutAt(input, awkwardCuts(input))],
    ["lineReports", cutAt(input, randomCuts(input))],
  ];
  const string = stringOf(input);
  if (string !== null) {
    ways.push(["pushed string cut at random", cutAt(string, randomCuts(string))],
      ["pushed string cut at every awkward place", cutAt(string, awkwardCuts(string))]);
  }
  return ways;
}

// The first difference of the package's answers from the tool's, a log's pushed ones too.
async function anyDifference(input, combo, lines, answer) {
  const found = difference(input, combo, lines, answer);
  if (found !== null || !lines || !keepsEveryLine(input)) return found;
  for (const [how, pieces] of pushings(input)) {
    const pushed = await pushedDifference(pieces, how, input, combo, answer);
    if (pushed !== null) return pushed;
  }
  return null;
}

const differences = [];
const statuses = new Map(); // option set -> the tool's exit statuses
for (const { indexes, input, combo, lines, tool: answer } of runs) {
  const name = comboName(combo, lines);
  statuses.set(name, (statuses.get(name) ?? new Set()).add(answer[0]));
  const found = await anyDifference(input, combo, lines, answer);
  if (found === null) continue;
  differences.push(found);
  // A log that differs is taken apart, so that the texts that make it differ are named.
  const named = [];
  for (const index of indexes.length > 1 ? indexes : []) {
    const { text } = texts[index];
    const alone = await anyDifference(text, combo, lines,
      await runTool(toolArgs(combo, lines), text));
    if (alone === null) continue;
    named.push(index);
    differences.push(alone);
  }
  for (const index of named.length ? named : indexes) texts[index].agrees = false;
}

for (const { options, lines, tool: [status, , err] } of refused) {
  const reason = err.split("\n")[0].replace(/^sumvane-lrc: /, "sumvane: ");
  let answer = "an answer";
  try {
    (lines ? sumvane.reportLines : sumvane.report)("01", options);
  } catch (error) {
    answer = `${error.name}: ${error.message}`;
  }
  if (status !== 2 || answer !== `RangeError: ${reason}`)
    differences.push(`${JSON.stringify(options)}${lines ? " lines" : ""}: the tool ${status} ` +
      `${JSON.stringify(reason)}, the package ${JSON.stringify(answer)}`);
}

// Agreement means something only where both outcomes were compared.
for (const combo of combos) {
  for (const lines of [false, true]) {
    const name = comboName(combo, lines);
    const seen = [...(statuses.get(name) ?? [])];
    if (!seen.includes(0) || !seen.includes(1))
      differences.push(`${name}: the tool's exit statuses were only ${seen}, not 0 and 1`);
  }
}

// A checker's agreement means something only where its pieces were cut where it hurts.
for (const [where, count] of Object.entries(cuts))
  if (count < 50) differences.push(`only ${count} cuts ${where}`);

for (const found of differences.slice(0, 8)) console.log(`DIFFERENCE: ${found}`);
const agreeing = texts.filter((text) => text.agrees).length;
console.log(`${runs.length} runs of sumvane-lrc in ${statuses.size} option sets and ` +
  `${refused.length} it refuses: ${differences.length} differences`);
console.log(`${texts.length} texts: ${agreeing} agree`);
const cutCounts = Object.entries(cuts).map(([where, count]) => `${count} times ${where}`);
console.log(`pushed logs cut ${cutCounts.join(", ")}`);
process.exit(differences.length === 0 ? 0 : 1);

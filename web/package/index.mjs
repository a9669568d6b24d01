// sumvane: the LRC engine of Sumvane for JavaScript, the same WebAssembly build of the same C++
// the window and sumvane-lrc run, so its answers are theirs byte for byte.
import { SumvaneEngine, compileEmbedded } from "./engine.mjs";
import { EngineModule } from "./module.mjs";

let engine = null;
const encoder = new TextEncoder();
let starting = null;

// Loads the WebAssembly engine; once is enough, and every call waits for the same load.
export function init() {
  starting ??= compileEmbedded(EngineModule, false).then((module) => {
    engine = new SumvaneEngine(module);
  });
  return starting;
}

function ready() {
  if (!engine) throw new Error("sumvane: call init() first and wait for it");
  return engine;
}

function checkText(name, text) {
  if (typeof text !== "string" && !(text instanceof Uint8Array))
    throw new TypeError(`sumvane: ${name} must be a string or a Uint8Array`);
}

function checkInteger(name, value) {
  if (typeof value !== "number" || !Number.isInteger(value))
    throw new TypeError(`sumvane: ${name} must be an integer`);
  if (value < -0x80000000 || value > 0x7fffffff)
    throw new RangeError(`sumvane: ${name} is out of range`);
}

// The data text's verdict, byte count and LRC, as the window computes them; a string's lone
// surrogates make it malformed, as they do in the window.
export function calculateLrc(text) {
  checkText("text", text);
  return ready().call((x, e) => {
    const at = e.withText(text, x.sumvane_calculate);
    const [valid, byteCount, lrc] = new Int32Array(x.memory.buffer, at, 3);
    return { valid: valid === 1, byteCount, lrc };
  });
}

// The five texts the window shows for a valid result.
export function renderLrc(result) {
  if (typeof result !== "object" || result === null)
    throw new TypeError("sumvane: renderLrc takes a result of calculateLrc");
  if (typeof result.valid !== "boolean")
    throw new TypeError("sumvane: the result's valid must be a boolean");
  checkInteger("the result's byteCount", result.byteCount);
  checkInteger("the result's lrc", result.lrc);
  const texts = ready().call((x, e) =>
    e.answer(x.sumvane_render(result.valid ? 1 : 0, result.byteCount, result.lrc)),
  );
  const [hex, decimal, octal, binary, byteCountText] = texts.split("\0");
  return { hex, decimal, octal, binary, byteCountText };
}

function toolArguments(options, lines) {
  if (options === undefined) options = {};
  if (typeof options !== "object" || options === null)
    throw new TypeError("sumvane: options must be an object");
  const { format, check, append } = options;
  const args = ["--json"];
  if (format !== undefined) {
    if (typeof format !== "string") throw new TypeError("sumvane: format must be a string");
    args.push("--format", format);
  }
  for (const [name, value] of [["check", check], ["append", append]]) {
    if (value === undefined) continue;
    if (typeof value !== "boolean") throw new TypeError(`sumvane: ${name} must be a boolean`);
    if (value) args.push(`--${name}`);
  }
  if (lines) args.push("--lines");
  return args;
}

// The arguments as the module takes them: each its UTF-8 size (four bytes, little-endian) and
// its bytes, so that a NUL in a format name stays in that name and is refused with it.
function packed(args) {
  const encoded = args.map((arg) => encoder.encode(arg));
  const bytes = new Uint8Array(encoded.reduce((total, arg) => total + 4 + arg.length, 0));
  const view = new DataView(bytes.buffer);
  let at = 0;
  for (const arg of encoded) {
    view.setUint32(at, arg.length, true);
    bytes.set(arg, at + 4);
    at += 4 + arg.length;
  }
  return bytes;
}

// What sumvane-lrc --json prints for the text with these options: its lines.
function run(text, options, lines) {
  checkText(lines ? "log" : "text", text);
  const args = packed(toolArguments(options, lines));
  return ready().call((x, e) => {
    const [at, size] = e.put(args);
    let status;
    try {
      status = e.withText(text, x.sumvane_report, at, size);
    } finally {
      x.sumvane_free(at);
    }
    const out = e.answer(x.sumvane_latest());
    if (status === 2) {
      // The tool refused the options: its reason, without the pointer to --help that follows.
      const reason = e.answer(x.sumvane_report_errors()).split("\n")[0];
      throw new RangeError(reason.replace(/^sumvane-lrc: /, "sumvane: "));
    }
    return out.split("\n").filter((line) => line !== "").map((line) => JSON.parse(line));
  });
}

// The object `sumvane-lrc --json` prints for the text; options format, check and append as the
// tool's --format, --check and --append.
export function report(text, options) {
  return run(text, options, false)[0];
}

// What `sumvane-lrc --lines --json` prints for a log, one frame a line: an object per frame and
// the summary last.
export function reportLines(log, options) {
  return run(log, options, true);
}

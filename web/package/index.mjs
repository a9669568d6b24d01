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

// The options as the module takes them, their types checked; their values the module checks.
function optionsOf(options, names) {
  if (options === undefined) options = {};
  if (typeof options !== "object" || options === null)
    throw new TypeError("sumvane: options must be an object");
  const { format } = options;
  if (format !== undefined && typeof format !== "string")
    throw new TypeError("sumvane: format must be a string");
  const flags = names.map((name) => {
    const value = options[name];
    if (value !== undefined && typeof value !== "boolean")
      throw new TypeError(`sumvane: ${name} must be a boolean`);
    return value ? 1 : 0;
  });
  return { format, flags };
}

// Calls `exported(formatAddress, formatSize, ...rest)` with the format name (its UTF-8 bytes,
// so that a NUL stays inside the name) in the module's memory; address 0 for none given.
function withFormat(e, format, exported, ...rest) {
  if (format === undefined) return exported(0, 0, ...rest);
  return e.withText(encoder.encode(format), exported, ...rest);
}

// The module's JSON lines, as objects.
const objectsOf = (lines) =>
  lines.split("\n").filter((line) => line !== "").map((line) => JSON.parse(line));

// The options the module refused, with its reason.
const refusal = (e, x) => new RangeError(`sumvane: ${e.answer(x.sumvane_latest())}`);

// The JSON report of the text: one frame's object, or with `lines` an object a line and the
// summary.
function run(text, options, lines) {
  checkText(lines ? "log" : "text", text);
  const { format, flags } = optionsOf(options, ["check", "append"]);
  return ready().call((x, e) => {
    const [at, size] = e.put(text);
    let status;
    try {
      status = withFormat(e, format, (...args) => x.sumvane_report(at, size, ...args), ...flags,
        lines ? 1 : 0);
    } finally {
      x.sumvane_free(at);
    }
    if (status === 2) throw refusal(e, x);
    return objectsOf(e.answer(x.sumvane_latest()));
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

// The moment now, as the module takes it: milliseconds since 1970 began in UTC, and the local
// zone's offset east of UTC at that moment.
function now() {
  const date = new Date();
  return [date.getTime(), -date.getTimezoneOffset()];
}

// A checker dropped unended frees its C++ checker, if the instance that holds it still runs.
const unended = new FinalizationRegistry(({ generation, handle }) => {
  if (engine.generation === generation) engine.exports.sumvane_checker_free(handle);
});

// The port errors fault() takes, in the order of CheckerExports.cpp's PortFaults.
const PORT_ERRORS = ["parity", "framing", "overrun", "break"];

const isHighSurrogate = (unit) => unit >= 0xd800 && unit <= 0xdbff;

class LineChecker {
  #engine;
  #generation; // the instance of the engine that holds the C++ checker
  #handle;
  #port;
  #ended = false;
  #pending = ""; // a string chunk's last high surrogate, whose low one may begin the next

  constructor(options) {
    const { format, flags } = optionsOf(options, ["check", "append", "timestamps", "port"]);
    this.#port = flags[3] === 1;
    this.#engine = ready();
    this.#handle = this.#engine.call((x, e) => {
      const handle = withFormat(e, format, x.sumvane_checker_new, ...flags);
      if (handle === 0) throw refusal(e, x);
      return handle;
    });
    this.#generation = this.#engine.generation;
    unended.register(this, { generation: this.#generation, handle: this.#handle }, this);
  }

  // Runs `work(exports, engine)` on the checker. A failure of the engine takes the checker with
  // the instance, and the next call says so.
  #call(name, work) {
    if (this.#ended) throw new Error(`sumvane: ${name}() after end()`);
    if (this.#engine.generation !== this.#generation) {
      unended.unregister(this);
      throw new Error(
        "sumvane: this line checker was lost when the engine failed; create a new one");
    }
    return this.#engine.call(work);
  }

  // The reports of the lines that `text` ends.
  #feed(x, e, text) {
    return objectsOf(e.answer(e.withText(text, x.sumvane_checker_push, this.#handle, ...now())));
  }

  push(chunk) {
    checkText("chunk", chunk);
    return this.#call("push", (x, e) => {
      // A string is taken as its UTF-8, so a surrogate pair cut in two waits to be whole.
      const held = this.#pending;
      this.#pending = "";
      if (typeof chunk !== "string")
        return [...(held ? this.#feed(x, e, held) : []), ...this.#feed(x, e, chunk)];
      let text = held + chunk;
      if (isHighSurrogate(text.charCodeAt(text.length - 1))) {
        this.#pending = text.slice(-1);
        text = text.slice(0, -1);
      }
      return this.#feed(x, e, text);
    });
  }

  fault(kind) {
    if (typeof kind !== "string") throw new TypeError("sumvane: kind must be a string");
    const index = PORT_ERRORS.indexOf(kind);
    if (index < 0) {
      throw new RangeError(`sumvane: unknown port error '${kind}' (expected ` +
        `${PORT_ERRORS.slice(0, -1).join(", ")} or ${PORT_ERRORS.at(-1)})`);
    }
    if (!this.#port) throw new Error("sumvane: fault() needs a checker made with port: true");
    return this.#call("fault", (x, e) => {
      const held = this.#pending ? this.#feed(x, e, this.#pending) : [];
      this.#pending = "";
      return [...held,
        ...objectsOf(e.answer(x.sumvane_checker_fault(this.#handle, index, ...now())))];
    });
  }

  end() {
    return this.#call("end", (x, e) => {
      const held = this.#pending ? this.#feed(x, e, this.#pending) : [];
      this.#pending = "";
      this.#ended = true;
      unended.unregister(this);
      return [...held, ...objectsOf(e.answer(x.sumvane_checker_end(this.#handle, ...now())))];
    });
  }
}

// A log checked as its pieces arrive: push(chunk) gives the reports of the lines the chunk
// ends, end() the last line's and the summary.
export function createLineChecker(options) {
  return new LineChecker(options);
}

// The same as a stream: chunks in, report objects out, the last line's and the summary at the
// end.
export function lineReports(options) {
  const checker = createLineChecker(options);
  return new TransformStream({
    transform(chunk, controller) {
      for (const object of checker.push(chunk)) controller.enqueue(object);
    },
    flush(controller) {
      for (const object of checker.end()) controller.enqueue(object);
    },
  });
}

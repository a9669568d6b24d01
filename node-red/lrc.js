// The lrc node: the LRC of a frame, its check, the frame with its LRC appended, and a serial
// stream checked frame by frame, all answered by the sumvane package.
"use strict";

const sumvane = require("sumvane");

const MODES = ["compute", "check", "append", "stream"];
// The formats of sumvane-lrc's --format, and bytes: a Buffer of the raw bytes themselves.
const TEXT_FORMATS = ["spaced", "packed", "modbus-ascii", "c-array", "colon"];
const FORMATS = [...TEXT_FORMATS, "bytes"];
// The form's choice that leaves the mode or the format to msg.mode or msg.format.
const OPEN = "msg";
// The defaults of a message that names neither, as sumvane-lrc has them.
const DEFAULT_MODE = "compute";
const DEFAULT_FORMAT = "spaced";
// The longest line the checker keeps; a half frame held here is held no longer.
const LINE_LIMIT = 65536;
// The status is redrawn at most this often.
const STATUS_INTERVAL_MS = 250;

const kindOf = (value) => {
  if (value === null) return "null";
  if (Array.isArray(value)) return "an array";
  return typeof value === "object" || typeof value === "undefined" ? `an ${typeof value}` : `a ${typeof value}`;
};
const list = (names) => `${names.slice(0, -1).join(", ")} or ${names.at(-1)}`;

// The mode or format a message is handled in: the node's, or where it leaves it open, the
// message's own. Throws the reason a value is refused.
function choose(configured, given, names, what, fallback) {
  if (configured !== OPEN) return configured;
  if (given === undefined) return fallback;
  if (typeof given !== "string" || !names.includes(given))
    throw new Error(`msg.${what} must be ${list(names)}, not ${typeof given === "string" ? `'${given}'` : kindOf(given)}`);
  return given;
}

function checkPayload(payload) {
  if (typeof payload !== "string" && !(payload instanceof Uint8Array))
    throw new Error(`msg.payload must be a string or a Buffer, not ${kindOf(payload)}`);
}

// The text a report is asked for, and its format: a Buffer in the format bytes becomes its packed
// hex digits; anything else is the frame's characters.
function textOf(payload, format) {
  checkPayload(payload);
  if (format !== "bytes") return { text: payload, format };
  if (typeof payload === "string")
    throw new Error("the format bytes takes a Buffer of the frame's bytes, not a string");
  return { text: Buffer.from(payload.buffer, payload.byteOffset, payload.length).toString("hex"), format: "packed" };
}

const isGood = (report) => report.valid && report.check === "ok";

// The frame with its LRC: in the payload's own kind, a Buffer for a Buffer; Modbus ASCII as it
// goes on the wire, with CR LF.
function appended(payload, format, report) {
  if (format === "bytes") return Buffer.from(report.frame, "hex");
  const frame = format === "modbus-ascii" ? `${report.frame}\r\n` : report.frame;
  return typeof payload === "string" ? frame : Buffer.from(frame, "utf8");
}

const isHighSurrogate = (unit) => unit >= 0xd800 && unit <= 0xdbff;

// A stream of pieces cut anywhere, checked a line at a time: the line checker gives each
// finished line's report, and the lines' own bytes are kept beside it, each up to the checker's
// limit, so that the frame can go out with its report.
class Stream {
  constructor(format) {
    this.format = format;
    this.checker = sumvane.createLineChecker({ format, check: true });
    this.line = 1; // the number of the line being received, as the reports count them
    this.held = []; // the current line's pieces, as Buffers
    this.size = 0;
    this.lastWasCr = false; // the previous byte ended a line with CR; an LF next ends none
    this.ended = new Map(); // line number -> its bytes, for the lines the last piece ended
    this.pending = ""; // a string piece's last high surrogate, whose low one may begin the next
  }

  #keep(bytes, from, to) {
    const room = LINE_LIMIT - this.size;
    if (room <= 0 || to <= from) return;
    const piece = bytes.subarray(from, Math.min(to, from + room));
    this.held.push(piece);
    this.size += piece.length;
  }

  #endLine() {
    this.ended.set(this.line, Buffer.concat(this.held));
    this.held = [];
    this.size = 0;
    this.line += 1;
  }

  // The lines' own bytes, split where the checker splits them: at LF, CR, and CR LF.
  #split(bytes) {
    let start = 0;
    for (let i = 0; i < bytes.length; i += 1) {
      const byte = bytes[i];
      if (byte !== 0x0a && byte !== 0x0d) {
        this.lastWasCr = false;
        continue;
      }
      const crLf = byte === 0x0a && this.lastWasCr && i === start;
      this.lastWasCr = byte === 0x0d;
      if (!crLf) {
        this.#keep(bytes, start, i);
        this.#endLine();
      }
      start = i + 1;
    }
    this.#keep(bytes, start, bytes.length);
  }

  // The frames this piece finishes: [{ report, frame }], the frame a string where the piece is
  // one, else a Buffer.
  push(piece) {
    let text = piece;
    if (typeof piece === "string") {
      text = this.pending + piece;
      this.pending = "";
      if (isHighSurrogate(text.charCodeAt(text.length - 1))) {
        this.pending = text.slice(-1);
        text = text.slice(0, -1);
      }
    }
    this.ended.clear();
    const bytes = typeof text === "string" ? Buffer.from(text, "utf8") : Buffer.from(text.buffer, text.byteOffset, text.length);
    this.#split(bytes);
    const reports = this.checker.push(text);
    return reports.map((report) => {
      // A line longer than the limit is reported before it ends, with what has been kept of it.
      const kept = this.ended.get(report.line) ?? (report.line === this.line ? Buffer.concat(this.held) : Buffer.alloc(0));
      const frame = typeof piece === "string" ? kept.toString("utf8") : kept;
      return { report, frame };
    });
  }

  // Frees the checker; a half-received line is dropped with it.
  close() {
    try {
      this.checker.end();
    } catch {
      // A checker lost with a failed engine has nothing left to free.
    }
  }
}

module.exports = function (RED) {
  const ready = sumvane.init();

  function LrcNode(config) {
    RED.nodes.createNode(this, config);
    const node = this;
    node.mode = config.mode || DEFAULT_MODE;
    node.format = config.format || DEFAULT_FORMAT;
    let stream = null;
    const counts = { good: 0, bad: 0, lastGood: true };

    // The counts, drawn at most once an interval, and always after the last change.
    let timer = null;
    let drawn = 0;
    const draw = () => {
      timer = null;
      drawn = Date.now();
      node.status({
        fill: counts.lastGood ? "green" : "red",
        shape: "dot",
        text: `${counts.good} good, ${counts.bad} bad`,
      });
    };
    const count = (good) => {
      counts[good ? "good" : "bad"] += 1;
      counts.lastGood = good;
      timer ??= setTimeout(draw, Math.max(0, drawn + STATUS_INTERVAL_MS - Date.now()));
    };

    const refuse = (error, msg) => {
      count(false);
      node.error(error.message, msg);
    };

    function handle(msg, send) {
      const mode = choose(node.mode, msg.mode, MODES, "mode", DEFAULT_MODE);
      const format = choose(node.format, msg.format, FORMATS, "format", DEFAULT_FORMAT);
      if (mode === "stream") return handleStream(msg, send, format);

      const { text, format: asked } = textOf(msg.payload, format);
      if (mode === "check") {
        msg.lrc = sumvane.report(text, { format: asked, check: true });
        const good = isGood(msg.lrc);
        count(good);
        send(good ? [msg, null] : [null, msg]);
        return;
      }
      const report = sumvane.report(text, { format: asked, append: mode === "append" });
      if (!report.valid) {
        msg.lrc = report;
        throw new Error(report.flaw);
      }
      if (mode === "append") msg.payload = appended(msg.payload, format, report);
      else msg.lrc = report;
      count(true);
      send(msg);
    }

    function handleStream(msg, send, format) {
      if (format === "bytes")
        throw new Error("stream mode reads lines of text, and the format bytes has no line ends");
      if (msg.reset) {
        stream?.close();
        stream = null;
        if (msg.payload === undefined || msg.payload === "") return;
      }
      checkPayload(msg.payload);
      if (stream && stream.format !== format) {
        stream.close();
        stream = null;
      }
      stream ??= new Stream(format);
      let frames;
      try {
        frames = stream.push(msg.payload);
      } catch (error) {
        // A checker that failed is not asked again: the next piece begins a log of its own.
        stream.close();
        stream = null;
        throw error;
      }
      for (const { report, frame } of frames) {
        const out = RED.util.cloneMessage(msg);
        delete out.reset;
        out.payload = frame;
        out.lrc = report;
        const good = isGood(report);
        count(good);
        send(good ? [out, null] : [null, out]);
      }
    }

    node.on("input", (msg, send, done) => {
      ready.then(
        () => {
          try {
            handle(msg, send);
          } catch (error) {
            refuse(error, msg);
          }
          done();
        },
        (error) => {
          refuse(new Error(`the LRC engine did not load: ${error.message}`), msg);
          done();
        },
      );
    });

    node.on("close", () => {
      if (timer) clearTimeout(timer);
      timer = null;
      stream?.close();
      stream = null;
      node.status({});
    });
  }

  RED.nodes.registerType("lrc", LrcNode);
};

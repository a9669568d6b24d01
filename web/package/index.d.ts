/** Loads the WebAssembly engine; call once and wait for it before anything else. */
export function init(): Promise<void>;

/** The data text's verdict, byte count and LRC, as the window computes them. */
export interface LrcResult {
  valid: boolean;
  byteCount: number;
  lrc: number;
}

/** The five texts the window shows for a valid result. */
export interface LrcTexts {
  hex: string;
  decimal: string;
  octal: string;
  binary: string;
  byteCountText: string;
}

export type Format = "spaced" | "packed" | "modbus-ascii" | "c-array" | "colon";

/** sumvane-lrc's --format, --check and --append. */
export interface ReportOptions {
  format?: Format;
  check?: boolean;
  append?: boolean;
}

/** A check a frame that fails its LRC check does match, as its reports name it. */
export type OtherCheck =
  | "sum"
  | "ones-complement"
  | "xor"
  | "character-lrc"
  | "character-lrc-with-colon";

/** A port error that fault() takes: what a serial port reports in place of characters. */
export type PortError = "parity" | "framing" | "overrun" | "break";

/** Options of a line checker: those of the reports, and how its log arrives. */
export interface LineCheckerOptions extends ReportOptions {
  /** Each report begins with `time`: when the chunk that ended its line arrived. */
  timestamps?: boolean;
  /**
   * The log comes from a serial port, as sumvane-lrc --port reads one: fault() may be called,
   * and the summary counts the port errors (`port_errors`). Without it the summary is that of
   * sumvane-lrc --lines --json, and fault() throws.
   */
  port?: boolean;
}

/** One object of sumvane-lrc --json, field for field. */
export interface Report {
  /** With timestamps: the local time its line's end arrived, "2026-12-11T13:05:53.333+01:00". */
  time?: string;
  valid: boolean;
  line?: number;
  hex?: string;
  decimal?: number;
  octal?: string;
  binary?: string;
  bytes?: number;
  check?: "ok" | "mismatch";
  last?: string;
  expected?: string;
  /** A frame whose LRC does not check: the other checks its last byte is. */
  matches?: OtherCheck[];
  frame?: string;
  flaw?: string;
  position?: number;
  column?: number;
  byte?: number;
  well_formed_as?: Format[];
  /** A line a port error fell in (or, between lines, the error alone); `column` is where. */
  port_error?: PortError;
  error?: string;
}

/** The last object of sumvane-lrc --lines --json. */
export interface Summary {
  summary: true;
  frames: number;
  ok: number;
  wrong_lrc?: number;
  malformed: number;
  /** A checker made with port: true: the lines port errors fell in, and errors between lines. */
  port_errors?: number;
}

/**
 * A log checked as it arrives. Chunks are strings (taken as their UTF-8) or bytes, cut
 * anywhere, even inside a character or a CR LF; a line longer than 65536 bytes is reported
 * malformed at once and the rest of it dropped. A checker lives in the engine's instance: after
 * a failure of the engine its next call throws, and a new checker is needed.
 */
export interface LineChecker {
  /** The reports of the lines this chunk ends. */
  push(chunk: string | Uint8Array): Report[];
  /** A port error at this point of the log (port: true only); its report, if it makes one now. */
  fault(kind: PortError): Report[];
  /** The log has ended: the last line's report and the summary. The checker is done. */
  end(): (Report | Summary)[];
}

export function calculateLrc(text: string | Uint8Array): LrcResult;
export function renderLrc(result: LrcResult): LrcTexts;
export function report(text: string | Uint8Array, options?: ReportOptions): Report;
export function reportLines(log: string | Uint8Array, options?: ReportOptions): (Report | Summary)[];
/** The reports of sumvane-lrc --lines --json, each as soon as its line has arrived. */
export function createLineChecker(options?: LineCheckerOptions): LineChecker;
/** The same as a stream: `port.readable.pipeThrough(lineReports({ format: "modbus-ascii" }))`. */
export function lineReports(
  options?: LineCheckerOptions,
): TransformStream<string | Uint8Array, Report | Summary>;

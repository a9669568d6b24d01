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

/** One object of sumvane-lrc --json, field for field. */
export interface Report {
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
  frame?: string;
  flaw?: string;
  position?: number;
  column?: number;
  byte?: number;
  well_formed_as?: Format[];
}

/** The last object of sumvane-lrc --lines --json. */
export interface Summary {
  summary: true;
  frames: number;
  ok: number;
  wrong_lrc?: number;
  malformed: number;
}

export function calculateLrc(text: string | Uint8Array): LrcResult;
export function renderLrc(result: LrcResult): LrcTexts;
export function report(text: string | Uint8Array, options?: ReportOptions): Report;
export function reportLines(log: string | Uint8Array, options?: ReportOptions): (Report | Summary)[];

// One of Sumvane's WebAssembly modules, instantiated and called: the page and the npm package
// share this loader. The module is compiled once; an instance serves until the engine fails,
// and the next call gets a fresh one.

// A failure the engine reported (out of memory, a result it cannot render): its message.
export class SumvaneFailure extends Error {}

// WASI's errno values the module's C library understands.
const EBADF = 8;
const ENOSYS = 52;

export class SumvaneEngine {
  // `module`: a compiled WebAssembly.Module of the engine.
  constructor(module) {
    this.module = module;
    this.encoder = new TextEncoder();
    this.decoder = new TextDecoder();
    this.generation = 0; // counts the instances started, so that a caller sees one replaced
    this.start();
  }

  start() {
    const engine = this;
    // The C library reaches for these only on paths that print a diagnosis before it aborts,
    // or that look for files the engine never opens: nothing is printed, no file exists.
    const wasi = {};
    for (const { module, name } of WebAssembly.Module.imports(this.module)) {
      if (module !== "wasi_snapshot_preview1") continue;
      wasi[name] = () => ENOSYS;
    }
    wasi.fd_write = (fd, iovs, count, written) => {
      const view = new DataView(engine.exports.memory.buffer);
      let total = 0;
      for (let i = 0; i < count; i++) total += view.getUint32(iovs + 8 * i + 4, true);
      view.setUint32(written, total, true);
      return 0;
    };
    wasi.fd_prestat_get = () => EBADF; // no directories are opened to the module
    wasi.proc_exit = (code) => {
      throw new SumvaneFailure(`the engine stopped (${code})`);
    };
    const imports = {
      wasi_snapshot_preview1: wasi,
      sumvane: {
        fail(message, size) {
          throw new SumvaneFailure(engine.text(message, size));
        },
      },
    };
    this.instance = new WebAssembly.Instance(this.module, imports);
    this.generation++;
    this.exports = this.instance.exports;
    this.exports._initialize();
  }

  // Runs `work(exports, engine)`. A failure of the engine, or a trap, leaves the instance
  // mid-call: it is replaced before the error goes on to the caller.
  call(work) {
    try {
      return work(this.exports, this);
    } catch (error) {
      this.start();
      throw error instanceof SumvaneFailure || error instanceof WebAssembly.RuntimeError
        ? new Error(error.message)
        : error;
    }
  }

  // `text` (a string, whose lone surrogates become U+FFFD, or bytes) copied into a block of the
  // module's memory: [address, size]. The caller frees the address.
  put(text) {
    if (typeof text !== "string") {
      const at = this.exports.sumvane_alloc(text.length);
      new Uint8Array(this.exports.memory.buffer, at, text.length).set(text);
      return [at, text.length];
    }
    const room = text.length * 3; // UTF-8 takes at most three bytes a UTF-16 code unit
    const at = this.exports.sumvane_alloc(room);
    const { written } = this.encoder.encodeInto(
      text,
      new Uint8Array(this.exports.memory.buffer, at, room),
    );
    return [at, written];
  }

  text(at, size) {
    return this.decoder.decode(new Uint8Array(this.exports.memory.buffer, at, size));
  }

  // The answer a call pointed to (web/Exports.h's TAnswer), as text; null for none.
  answer(pointer) {
    if (pointer === 0) return null;
    const view = new DataView(this.exports.memory.buffer);
    return this.text(view.getUint32(pointer, true), view.getUint32(pointer + 4, true));
  }

  // Calls `exported(address, size, ...rest)` with `text` in the module's memory.
  withText(text, exported, ...rest) {
    const [at, size] = this.put(text);
    try {
      return exported(at, size, ...rest);
    } finally {
      this.exports.sumvane_free(at);
    }
  }
}

// The module from base64 text, gzipped when `gzipped`.
export async function compileEmbedded(base64, gzipped) {
  const binary = atob(base64);
  let bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  if (!gzipped) return WebAssembly.compile(bytes);
  // Compiled as it is unpacked, where the runtime can.
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
  const wasm = new Response(stream, { headers: { "Content-Type": "application/wasm" } });
  if (WebAssembly.compileStreaming) return WebAssembly.compileStreaming(wasm);
  return WebAssembly.compile(await wasm.arrayBuffer());
}

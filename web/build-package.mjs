// Makes the npm package sumvane in OUT from the package's WebAssembly module: the module goes
// into module.mjs as base64, which every runtime and bundler reads without Node's built-ins.
//   node web/build-package.mjs MODULE.wasm VERSION HOMEPAGE LICENSE OUT
import { copyFileSync, mkdirSync, readFileSync, writeFileSync } from "node:fs";

const [modulePath, version, homepage, licensePath, out] = process.argv.slice(2);
const here = new URL(".", import.meta.url);

// The product's version has four numbers; npm's has three.
const [major, minor, patch, build] = version.split(".");
if (build !== undefined && build !== "0") {
  console.error(`build-package: version ${version} has a fourth number npm cannot carry`);
  process.exit(1);
}

mkdirSync(out, { recursive: true });
for (const name of ["index.mjs", "index.cjs", "index.d.ts"])
  copyFileSync(new URL(`package/${name}`, here), `${out}/${name}`);
// TypeScript reads a declaration file as a module of the same kind as the file beside it: the
// same declarations once more for require().
copyFileSync(new URL("package/index.d.ts", here), `${out}/index.d.cts`);
copyFileSync(new URL("js/engine.mjs", here), `${out}/engine.mjs`);
copyFileSync(licensePath, `${out}/LICENSE`);
const base64 = readFileSync(modulePath).toString("base64");
writeFileSync(`${out}/module.mjs`, `// The engine's WebAssembly module.\nexport const EngineModule = "${base64}";\n`);

const files = ["index.mjs", "index.cjs", "index.d.ts", "index.d.cts", "engine.mjs", "module.mjs"];
const manifest = {
  name: "sumvane",
  version: `${major}.${minor}.${patch}`,
  description:
    "LRC (longitudinal redundancy check) of hex byte text, as Sumvane and sumvane-lrc compute it: the same engine in WebAssembly",
  keywords: ["lrc", "checksum", "modbus", "modbus-ascii", "serial", "hex"],
  homepage,
  license: "MIT",
  type: "module",
  main: "./index.cjs",
  module: "./index.mjs",
  types: "./index.d.ts",
  exports: {
    ".": {
      import: { types: "./index.d.ts", default: "./index.mjs" },
      require: { types: "./index.d.cts", default: "./index.cjs" },
    },
  },
  files,
  sideEffects: false,
  engines: { node: ">=18" },
};
writeFileSync(`${out}/package.json`, JSON.stringify(manifest, null, 2) + "\n");
writeFileSync(
  `${out}/README.md`,
  `# sumvane

The LRC engine of [Sumvane](${homepage}) for JavaScript: validation of hex byte text, its LRC in
four radices, and the command-line tool's JSON reports of frames in five formats. No runtime
dependencies; Node.js 18 and later, and browsers through any bundler.

\`\`\`js
import { init, calculateLrc, renderLrc, report, reportLines, createLineChecker, lineReports }
  from "sumvane"; // or require("sumvane")
await init();
calculateLrc("01 A0 7C FF 02"); // { valid: true, byteCount: 5, lrc: 226 }
renderLrc({ valid: true, byteCount: 5, lrc: 226 });
// { hex: "E2", decimal: "226", octal: "342", binary: "1110 0010", byteCountText: "5 Bytes" }
report("1103006B0003", { format: "modbus-ascii", append: true }); // as sumvane-lrc --json
reportLines(log, { format: "modbus-ascii", check: true }); // as sumvane-lrc --lines --json
// A log as it arrives, in chunks cut anywhere: each line's report as soon as it has ended.
const checker = createLineChecker({ format: "modbus-ascii", check: true, timestamps: true });
checker.push(chunk); // the reports of the lines it ends
checker.end(); // the last line's report and the summary
port.readable.pipeThrough(lineReports({ format: "modbus-ascii", check: true })); // a stream
\`\`\`
`,
);

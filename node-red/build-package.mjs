// Makes the Node-RED node package @sumvane/node-red in OUT: the node, its editor file, its
// example flow and the product's icon, with a manifest whose version is the product's.
//   node node-red/build-package.mjs VERSION HOMEPAGE LICENSE ICON OUT
import { copyFileSync, mkdirSync, readdirSync, writeFileSync } from "node:fs";

const [version, homepage, licensePath, iconPath, out] = process.argv.slice(2);
const here = new URL(".", import.meta.url);

// The product's version has four numbers; npm's has three.
const [major, minor, patch, build] = version.split(".");
if (build !== undefined && build !== "0") {
  console.error(`build-package: version ${version} has a fourth number npm cannot carry`);
  process.exit(1);
}
const npmVersion = `${major}.${minor}.${patch}`;

mkdirSync(`${out}/icons`, { recursive: true });
mkdirSync(`${out}/examples`, { recursive: true });
for (const name of ["lrc.js", "lrc.html", "README.md"]) copyFileSync(new URL(name, here), `${out}/${name}`);
const examples = readdirSync(new URL("examples", here)).filter((name) => name.endsWith(".json"));
for (const name of examples) copyFileSync(new URL(`examples/${name}`, here), `${out}/examples/${name}`);
copyFileSync(iconPath, `${out}/icons/sumvane.svg`);
copyFileSync(licensePath, `${out}/LICENSE`);

const manifest = {
  name: "@sumvane/node-red",
  version: npmVersion,
  description:
    "A Node-RED node that computes, checks and appends LRCs (Modbus ASCII and four other hex formats, or raw bytes) and checks a serial stream frame by frame",
  keywords: ["node-red", "lrc", "checksum", "modbus", "modbus-ascii", "serial"],
  homepage,
  license: "MIT",
  main: "lrc.js",
  files: ["lrc.js", "lrc.html", "icons", "examples"],
  // The sumvane package of the same release: the node is built and released with it.
  dependencies: { sumvane: `^${npmVersion}` },
  "node-red": {
    version: ">=4.0.0",
    nodes: { lrc: "lrc.js" },
  },
  engines: { node: ">=18" },
};
writeFileSync(`${out}/package.json`, JSON.stringify(manifest, null, 2) + "\n");

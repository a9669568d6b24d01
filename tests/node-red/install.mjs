// The node as a user installs it: the tarballs of SUMVANE_TARBALLS (sumvane's, then the node's),
// installed by npm into a folder of their own, the registry never asked (sumvane comes from its
// tarball, and the node's dependency on it is met by that one).
import { spawnSync } from "node:child_process";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

export const tarballs = () => {
  const list = process.env.SUMVANE_TARBALLS?.split(",").filter(Boolean) ?? [];
  if (list.length !== 2) throw new Error("SUMVANE_TARBALLS names sumvane's tarball and the node's");
  return list;
};

// A fresh folder with the two tarballs installed; `remove()` deletes it.
export function installed(prefix) {
  const dir = mkdtempSync(join(tmpdir(), prefix));
  writeFileSync(join(dir, "package.json"), JSON.stringify({ name: "node-red-user", private: true }));
  const run = spawnSync("npm", ["install", "--offline", "--no-audit", "--no-fund", "--loglevel=error", ...tarballs()],
    { cwd: dir, encoding: "utf8" });
  if (run.status !== 0) throw new Error(`npm install of the tarballs failed: ${run.stderr}`);
  return { dir, remove: () => rmSync(dir, { recursive: true, force: true }) };
}

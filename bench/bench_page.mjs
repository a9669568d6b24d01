// What the web page costs, measured in Debian's Chromium through playwright-core:
//  - one keystroke with a long text already pasted into the data field, from its keydown to the
//    status painted with the new answer, timed inside the page;
//  - the time from navigation start to the engine being up, over fresh loads from file://;
//  - the page's bytes, plain and gzipped, against its 512 KiB limit.
// It prints what one run measured; nothing here passes or fails.
//   node bench/bench_page.mjs build-web/web/lrc.html [presses] [loads]
import { readFileSync } from "node:fs";
import { resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { gzipSync } from "node:zlib";
import { chromium } from "../tests/web/node_modules/playwright-core/index.mjs";

const [pagePath, pressArg = "40", loadArg = "10"] = process.argv.slice(2);
const presses = Number(pressArg);
const loads = Number(loadArg);
if (!pagePath || !(presses >= 2) || !(loads >= 1)) {
  console.error("usage: node bench/bench_page.mjs lrc.html [presses] [loads]");
  process.exit(2);
}
const warmUp = 4; // presses before the counted ones, so that first compilations stay out
const frameMs = 1000 / 60;
const limitBytes = 512 * 1024;
const pageUrl = pathToFileURL(resolve(pagePath)).href;

// --- figures --------------------------------------------------------------------------------------
const ascending = (values) => [...values].sort((a, b) => a - b);
const median = (sorted) => {
  const half = sorted.length >> 1;
  return sorted.length % 2 ? sorted[half] : (sorted[half - 1] + sorted[half]) / 2;
};
const nearestRank = (sorted, share) => sorted[Math.max(0, Math.ceil(share * sorted.length) - 1)];
const ms = (value) => value.toFixed(1);
const sizeName = (kib) => (kib >= 1024 ? `${kib / 1024} MiB` : `${kib} KiB`);

// Valid data text of at most `length` characters: two hex digits a byte, one blank between bytes.
function dataText(length) {
  const count = Math.floor((length + 1) / 3);
  const pairs = new Array(count);
  for (let i = 0; i < count; i++)
    pairs[i] = ((i * 37 + 11) & 0xff).toString(16).toUpperCase().padStart(2, "0");
  return { text: pairs.join(" "), count };
}

// --- in the page: one key press, stamped -----------------------------------------------------------
// Installed before the page's own script. A capturing keydown listener stamps the key; a capturing
// input listener stamps the end of the browser's own editing (the page's handler runs after it);
// Label9 changing, seen by a MutationObserver, stamps the end of the page's handler; the next
// animation frame and a task queued from it stamp the frame begun and, approximately, painted.
function keyProbe() {
  let press = null;
  let resolveNext = null;
  let giveUp = 0;
  window.__sumvaneNextPress = () =>
    new Promise((done, failed) => {
      press = { key: NaN, input: NaN, status: NaN, frame: NaN, painted: NaN };
      resolveNext = done;
      // A key that does not change the status would leave this waiting for ever.
      giveUp = setTimeout(() => failed(new Error("the status did not change within 60 s")), 60000);
    });
  const stamp = (field) => () => {
    if (press && Number.isNaN(press[field])) press[field] = performance.now();
  };
  addEventListener("keydown", stamp("key"), true);
  addEventListener("input", stamp("input"), true);
  addEventListener(
    "DOMContentLoaded",
    () => {
      const label = document.getElementById("Label9");
      new MutationObserver(() => {
        const stamps = press;
        if (!stamps || Number.isNaN(stamps.key) || !Number.isNaN(stamps.status)) return;
        stamps.status = performance.now();
        requestAnimationFrame(() => {
          stamps.frame = performance.now();
          setTimeout(() => {
            stamps.painted = performance.now();
            press = null;
            clearTimeout(giveUp);
            resolveNext({ ...stamps, status9: label.textContent });
          }, 0);
        });
      }).observe(label, { childList: true, characterData: true, subtree: true });
    },
    { once: true },
  );
}

// --- in the page: when the engine is up ------------------------------------------------------------
function readyProbe() {
  new MutationObserver((records, observer) => {
    if (!("ready" in document.documentElement.dataset)) return;
    window.__sumvaneReadyAt = performance.now();
    observer.disconnect();
  }).observe(document, { subtree: true, attributes: true, attributeFilter: ["data-ready"] });
}

const ready = () => "ready" in document.documentElement.dataset;

// Presses at one text length: the text pasted as a user pastes it (clipboard text and a real
// Ctrl+V, through the page's paste handler), then a digit after the last byte (malformed) and
// Backspace (valid again) in turn, so that every key changes the status.
async function keystrokes(browser, kib) {
  const context = await browser.newContext();
  try {
    await context.grantPermissions(["clipboard-read", "clipboard-write"]);
    const page = await context.newPage();
    await page.addInitScript(keyProbe);
    await page.goto(pageUrl);
    await page.waitForFunction(ready);

    const { text, count } = dataText(kib * 1024);
    await page.evaluate((t) => navigator.clipboard.writeText(t), text);
    await page.focus("#Edit1");
    await page.keyboard.press("Control+V");
    const pasted = await page.waitForFunction(
      (length) =>
        document.getElementById("Edit1").value.length === length &&
        document.getElementById("Label9").textContent,
      text.length,
    );
    const status = await pasted.jsonValue();
    if (!status.includes(String(count)))
      throw new Error(`after pasting ${count} bytes the status reads "${status}"`);

    const rows = [];
    const statuses = new Set();
    for (let i = 0; i < warmUp + presses; i++) {
      const key = i % 2 === 0 ? "7" : "Backspace";
      await page.evaluate(() => {
        window.__sumvanePress = window.__sumvaneNextPress();
      });
      await page.keyboard.press(key);
      const row = await page.evaluate(() => window.__sumvanePress);
      statuses.add(row.status9);
      if (i >= warmUp) rows.push(row);
    }
    return { kib, length: text.length, statuses, rows };
  } finally {
    await context.close();
  }
}

// One fresh load: a new browser context, so nothing of an earlier load is reused.
async function readyTime(browser) {
  const context = await browser.newContext();
  try {
    const page = await context.newPage();
    await page.addInitScript(readyProbe);
    await page.goto(pageUrl);
    await page.waitForFunction(() => window.__sumvaneReadyAt !== undefined);
    return await page.evaluate(() => ({
      ready: window.__sumvaneReadyAt,
      parsed: performance.getEntriesByType("navigation")[0].domInteractive,
    }));
  } finally {
    await context.close();
  }
}

const browser = await chromium.launch({ executablePath: "/usr/bin/chromium" });
let keyRuns, readyRuns, version;
try {
  version = browser.version();
  keyRuns = [];
  for (const kib of [10, 100, 1024]) keyRuns.push(await keystrokes(browser, kib));
  readyRuns = [];
  for (let i = 0; i < loads; i++) readyRuns.push(await readyTime(browser));
} finally {
  await browser.close();
}

// --- the table -------------------------------------------------------------------------------------
// Columns as wide as their widest cell: the first left-aligned, the figures right-aligned.
function printTable(rows, indent = "  ") {
  const widths = rows[0].map((_, i) => Math.max(...rows.map((row) => String(row[i]).length)));
  for (const row of rows) {
    const cells = row.map((cell, i) =>
      i === 0 ? String(cell).padEnd(widths[i]) : String(cell).padStart(widths[i]),
    );
    console.log(indent + cells.join("  "));
  }
}

console.log(`Sumvane web page ${pagePath} in Chromium ${version} (headless)`);
console.log("");
console.log(
  `Keystroke, the text pasted in: keydown to the status painted, ms; ${presses} presses, ` +
    `a digit and Backspace in turn, after ${warmUp} uncounted`,
);
const keyTable = [
  [
    "text",
    "chars",
    "min",
    "median",
    "p95",
    "max",
    "< 16.7 ms",
    "edit",
    "handler",
    "to frame",
    "frame",
  ],
];
for (const { kib, length, rows } of keyRuns) {
  const total = ascending(rows.map((r) => r.painted - r.key));
  const part = (from, to) => ms(median(ascending(rows.map((r) => r[to] - r[from]))));
  const under = total.filter((t) => t < frameMs).length / total.length;
  keyTable.push([
    sizeName(kib),
    length,
    ms(total[0]),
    ms(median(total)),
    ms(nearestRank(total, 0.95)),
    ms(total[total.length - 1]),
    `${Math.round(under * 100)}%`,
    part("key", "input"),
    part("input", "status"),
    part("status", "frame"),
    part("frame", "painted"),
  ]);
}
printTable(keyTable);
console.log("  the last four are medians of the parts of a keystroke:");
console.log("    edit      keydown to the input event: Chromium's own editing of the field");
console.log(
  "    handler   the page's input handler (followField, the engine, the display) to Label9 set",
);
console.log("    to frame  Label9 set to the next animation frame");
console.log("    frame     that frame's style, layout and paint, to a task queued from it");
for (const { kib, statuses } of keyRuns)
  if (statuses.size !== 2)
    console.log(`  note: at ${sizeName(kib)} the status took ${statuses.size} texts, not 2`);
console.log("");

console.log(`Ready: navigation start to the engine up, ms; ${loads} fresh loads from file://`);
const spread = (name, values) => {
  const sorted = ascending(values);
  return [name, ms(sorted[0]), ms(median(sorted)), ms(sorted[sorted.length - 1])];
};
printTable([
  ["", "min", "median", "max"],
  spread(
    "engine up (data-ready set)",
    readyRuns.map((r) => r.ready),
  ),
  spread(
    "page parsed (domInteractive)",
    readyRuns.map((r) => r.parsed),
  ),
]);
console.log("");

const bytes = readFileSync(pagePath);
const gzipped = gzipSync(bytes, { level: 9 }).length;
const sizeRow = (name, n) => [
  name,
  `${n} bytes`,
  `${(n / 1024).toFixed(1)} KiB`,
  `${((100 * n) / limitBytes).toFixed(1)}% of the 512 KiB limit`,
];
console.log("Size of lrc.html");
printTable([sizeRow("as is", bytes.length), sizeRow("gzipped (zlib level 9)", gzipped)]);

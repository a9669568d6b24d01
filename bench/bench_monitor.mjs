// What the page's serial monitor keeps up with, measured in Debian's Chromium through
// playwright-core on a stand-in serial port that delivers Modbus ASCII frames at 115200 baud's
// pace (8N1: 11,520 bytes a second, every 20 ms what arrived meanwhile):
//  - the frames a second fed and drawn, and how long after the last byte the last row stood;
//  - keystrokes into Edit1, holding 1 KiB of text, during the flood: from keydown to the
//    window's answer shown, timed inside the page.
// It prints what one run measured; nothing here passes or fails.
//   node bench/bench_monitor.mjs build-web/web/lrc.html [frames] [presses]
import { resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { chromium } from "../tests/web/node_modules/playwright-core/index.mjs";

const [pagePath, frameArg = "10000", pressArg = "60"] = process.argv.slice(2);
const frames = Number(frameArg);
const presses = Number(pressArg);
if (!pagePath || !(frames >= 1) || !(presses >= 2)) {
  console.error("usage: node bench/bench_monitor.mjs lrc.html [frames] [presses]");
  process.exit(2);
}
const FRAME = ":1103006B00037E\r\n";
const bytesPerSecond = 115200 / 10;

const ascending = (values) => [...values].sort((a, b) => a - b);
const median = (sorted) => {
  const half = sorted.length >> 1;
  return sorted.length % 2 ? sorted[half] : (sorted[half - 1] + sorted[half]) / 2;
};
const ms = (value) => value.toFixed(2);

// A port whose readable the page itself feeds at the line's pace once flood() is called.
function standIn() {
  const port = {
    readable: null,
    async open() {
      this.readable = new ReadableStream({ start: (c) => void (this.controller = c) });
    },
    async close() {
      this.readable = null;
    },
  };
  window.port = port;
  const serial = { requestPort: async () => port, getPorts: async () => [] };
  Object.defineProperty(Navigator.prototype, "serial", { get: () => serial, configurable: true });
}

const args = process.getuid?.() === 0 ? ["--no-sandbox"] : [];
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args });
try {
  const context = await browser.newContext();
  await context.addInitScript(standIn);
  const page = await context.newPage();
  await page.goto(pathToFileURL(resolve(pagePath)).href);
  await page.waitForSelector("html[data-ready]", { state: "attached" });
  await page.fill("#Edit1", "01 ".repeat(341) + "0");
  await page.click("#PortConnect");
  await page.waitForFunction(() => window.port.controller);
  await page.focus("#Edit1");
  await page.press("#Edit1", "End");
  await page.evaluate(
    ({ frame, frames, bytesPerSecond }) => {
      const log = (window.bench = { drawn: 0, keys: [], fedAt: 0, lastDrawnAt: 0 });
      new MutationObserver((records) => {
        for (const r of records) log.drawn += r.addedNodes.length;
        if (log.drawn >= frames) log.lastDrawnAt ||= performance.now();
      }).observe(document.querySelector("#MonitorFrames tbody"), { childList: true });
      const edit = document.getElementById("Edit1");
      let down = 0;
      edit.addEventListener("keydown", () => (down = performance.now()), true);
      // Registered after the page's own, so it runs once the answer is shown.
      edit.addEventListener("input", () => log.keys.push(performance.now() - down));
      const all = new TextEncoder().encode(frame.repeat(frames));
      const start = performance.now();
      let sent = 0;
      const timer = setInterval(() => {
        const due = Math.min(all.length, Math.floor(((performance.now() - start) / 1000) * bytesPerSecond));
        if (due > sent) window.port.controller.enqueue(all.slice(sent, due));
        sent = due;
        if (sent === all.length) {
          clearInterval(timer);
          log.fedAt = performance.now();
          log.seconds = (log.fedAt - start) / 1000;
        }
      }, 20);
    },
    { frame: FRAME, frames, bytesPerSecond },
  );
  for (let i = 0; i < presses; i++) {
    await page.keyboard.type(i % 2 ? "1" : " ");
    await page.waitForTimeout(50); // keystrokes spread over the flood, as a person types
  }
  await page.waitForFunction(() => window.bench.lastDrawnAt > 0, null, { timeout: 0 });
  const log = await page.evaluate(() => window.bench);
  const keys = ascending(log.keys);
  console.log(`frames fed: ${frames} in ${log.seconds.toFixed(1)} s (${Math.round(frames / log.seconds)} a second)`);
  console.log(`last row drawn ${ms(log.lastDrawnAt - log.fedAt)} ms after the last byte`);
  console.log(`keystroke at 1 KiB during the flood: median ${ms(median(keys))} ms, slowest ${ms(keys.at(-1))} ms (${keys.length} keys; a frame is 16.7 ms)`);
} finally {
  await browser.close();
}

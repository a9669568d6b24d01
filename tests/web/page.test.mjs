// lrc.html in Debian's Chromium, used as a person uses it: real key presses and the real
// clipboard. What it shows is held to rows.json, to the Linux sumvane-lrc on the same text, and
// to the layout's numbers written here.
//   SUMVANE_PAGE=build-web/web/lrc.html SUMVANE_ROWS=tests/data/rows.json \
//   SUMVANE_HOST_LRC=build/cli/sumvane-lrc SUMVANE_SCREENSHOTS=DIR node tests/web/page.test.mjs
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { createServer } from "node:http";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { pathToFileURL } from "node:url";
import { isDeepStrictEqual } from "node:util";
import { chromium } from "playwright-core";

const env = (name) => {
  assert.ok(process.env[name], `${name} names what the page is tested with`);
  return process.env[name];
};
const pagePath = env("SUMVANE_PAGE");
const pageUrl = pathToFileURL(pagePath).href;
const rows = JSON.parse(readFileSync(env("SUMVANE_ROWS"), "utf8"));
const hostLrc = env("SUMVANE_HOST_LRC");
const screenshots = env("SUMVANE_SCREENSHOTS");

const MALFORMED = "数据格式不正确";
const ADDRESS = "http://sumvane.io/lrc.html";
const EXAMPLE = rows.example.at(-1).typed;
const PAINTED = { clBlack: "rgb(0, 0, 0)", clRed: "rgb(255, 0, 0)" };
const RESULTS = ["Edit16", "Edit10", "Edit8", "Edit2"];
const textOf = (row) => row.text ?? String.fromCharCode(...row.utf16);
// The field shows CR and LF as their control pictures, one character for one.
const shown = (text) => text.replace(/\r/g, "\u240D").replace(/\n/g, "\u240A");

// --- the browser, and everything it does over the whole run ------------------------------------
let browser;
const problems = []; // console errors and warnings, page errors, policy violations
const requests = []; // [url, whether a tab the link opened asked for it]
const openedTabs = new Set();
const servedLink = []; // the link's address, each time a new tab asked for it

async function open(options = {}, url = pageUrl) {
  const context = await browser.newContext(options);
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  // Nothing reaches the network: the link's address gets an empty page, anything else but the
  // page itself fails.
  await context.route((u) => u.href !== url, (route) => {
    if (route.request().url() !== ADDRESS) return route.abort();
    servedLink.push(ADDRESS);
    return route.fulfill({ contentType: "text/html", body: "" });
  });
  // The page's policy reports a violation as an event; the console collects it with the rest.
  await context.addInitScript(() =>
    document.addEventListener("securitypolicyviolation", (e) =>
      console.error(`policy violation: ${e.violatedDirective} ${e.blockedURI}`),
    ),
  );
  context.on("request", (r) => requests.push([r.url(), openedTabs.has(r.frame().page())]));
  const watch = (page) => {
    page.on("console", (m) => {
      if (m.type() === "error" || m.type() === "warning") problems.push(`${m.type()}: ${m.text()}`);
    });
    page.on("pageerror", (e) => problems.push(`page error: ${e.message}`));
  };
  context.on("page", watch);
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForSelector("html[data-ready]", { state: "attached" });
  return page;
}

// The light page every test but the themes and the http one uses.
let page;

before(async () => {
  // As root Chromium runs only without its sandbox.
  const args = process.getuid?.() === 0 ? ["--no-sandbox"] : [];
  browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args });
  page = await open();
});
after(() => browser?.close());

// --- reading and waiting ----------------------------------------------------------------------
// Asks `probe` until it gives `expected` or the deadline passes; then the last answer is compared.
async function eventually(probe, expected, message, ms = 5000) {
  const deadline = Date.now() + ms;
  let actual = await probe();
  while (!isDeepStrictEqual(actual, expected) && Date.now() < deadline) {
    await new Promise((resolve) => setTimeout(resolve, 10));
    actual = await probe();
  }
  assert.deepEqual(actual, expected, message);
}

// What the window shows: the data field, the four results and Label9's text and painted colour.
const display = (page) =>
  page.evaluate((results) => {
    const label9 = document.getElementById("Label9");
    const [hex, decimal, octal, binary] = results.map((id) => document.getElementById(id).value);
    const data = document.getElementById("Edit1").value;
    return { data, hex, decimal, octal, binary, status: label9.textContent, color: getComputedStyle(label9).color };
  }, RESULTS);

// The answer as the tool gives it: the verdict, and for a valid text the LRC and the count.
function toolSays(text) {
  const run = spawnSync(hostLrc, ["--json"], { input: Buffer.from(text, "utf8"), maxBuffer: 1 << 20 });
  assert.ok(run.status === 0 || run.status === 1, `sumvane-lrc: ${run.stderr}`);
  const { valid, hex, bytes } = JSON.parse(run.stdout);
  return valid ? { valid, hex, bytes } : { valid, hex: "" };
}
function pageSays({ hex, status }) {
  if (status === MALFORMED) return { valid: false, hex };
  const count = /^(\d+) Bytes$/.exec(status);
  return { valid: true, hex, bytes: count ? Number(count[1]) : status };
}
const answer = async (page) => pageSays(await display(page));
const clipboard = (page) => page.evaluate(() => navigator.clipboard.readText());
const putOnClipboard = (page, text) => page.evaluate((t) => navigator.clipboard.writeText(t), text);

async function clear(page) {
  await page.focus("#Edit1");
  await page.keyboard.press("Control+A");
  await page.keyboard.press("Delete");
  await eventually(() => page.inputValue("#Edit1"), "", "the data field empties");
}

// Steps of a row: ["type", text], ["paste", text], ["press", key, times].
async function perform(page, steps) {
  for (const [action, what, times = 1] of steps) {
    if (action === "type") await page.keyboard.type(what);
    if (action === "paste") {
      await putOnClipboard(page, what);
      await page.keyboard.press("Control+V");
    }
    if (action === "press") for (let i = 0; i < times; i++) await page.keyboard.press(what);
  }
}

const geometry = (page, ids) =>
  page.evaluate((ids) => {
    const form = document.getElementById("Form1").getBoundingClientRect();
    const at = (v) => Math.round(v * 100) / 100;
    return ids.map((id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      return { id, left: at(r.left - form.left), top: at(r.top - form.top), right: at(r.right - form.left), width: at(r.width), height: at(r.height) };
    });
  }, ids);

// WCAG 2's contrast of two computed colours "rgb(r, g, b)".
const channels = (css) => css.match(/\d+/g).slice(0, 3).map(Number);
function contrast(a, b) {
  const luminance = (css) => {
    const [r, g, b] = channels(css).map((c) => {
      const s = c / 255;
      return s <= 0.03928 ? s / 12.92 : ((s + 0.055) / 1.055) ** 2.4;
    });
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
  };
  const [light, dark] = [luminance(a), luminance(b)].sort((x, y) => y - x);
  return (light + 0.05) / (dark + 0.05);
}

// --- the tests ---------------------------------------------------------------------------------
test("start-up: the title, the window's size and controls at their places, focus, empty results", async () => {
  assert.equal(await page.title(), "Sumvane V1.0");
  const policy = await page.getAttribute('meta[http-equiv="Content-Security-Policy"]', "content");
  assert.match(policy, /(^|;\s*)default-src 'none'(;|$)/);
  assert.match(policy, /'wasm-unsafe-eval'/);

  const [form] = await page.evaluate(() => [document.getElementById("Form1").getBoundingClientRect()].map((r) => [r.width, r.height]));
  assert.deepEqual(form, [340, 253]);
  // [name, left, top, width, height] at 96 dpi, relative to Form1 (GroupBox1's children moved
  // by its 18, 84); a label's width follows its caption: null.
  const places = [
    ["Label1", 18, 8, null, 13],
    ["Edit1", 18, 27, 304, 21],
    ["Label6", 18, 54, null, 13],
    ["GroupBox1", 18, 84, 304, 137],
    ["Label2", 35, 106, null, 13],
    ["Edit16", 108, 103, 120, 21],
    ["Label3", 35, 133, null, 13],
    ["Edit10", 108, 130, 120, 21],
    ["Label4", 35, 160, null, 13],
    ["Edit8", 108, 157, 120, 21],
    ["Label5", 35, 189, null, 13],
    ["Edit2", 108, 184, 120, 21],
    ["Label7", 18, 227, null, 13],
    ["Label8", 180, 227, null, 13],
  ];
  const seen = await geometry(page, places.map(([id]) => id));
  for (const [[id, left, top, width, height], r] of places.map((p, i) => [p, seen[i]])) {
    const expected = { id, left, top, width: width ?? r.width, height };
    assert.deepEqual({ id: r.id, left: r.left, top: r.top, width: r.width, height: r.height }, expected);
    assert.ok(r.width > 0 && r.right <= 340, `${id} shows within the window`);
  }
  await expectLabel9At322(page);

  assert.equal(await page.evaluate(() => document.activeElement.id), "Edit1");
  assert.deepEqual(await display(page), { data: "", hex: "", decimal: "", octal: "", binary: "", status: "字节数", color: PAINTED.clBlack });
});

async function expectLabel9At322(page) {
  const [{ top, right, height }] = await geometry(page, ["Label9"]);
  assert.deepEqual({ top, right, height }, { top: 54, right: 322, height: 13 }, "Label9 keeps its right edge");
}

test("the example typed key by key: every keystroke's answer as rows.json has it", async () => {
  await clear(page);
  let typed = "";
  for (const row of rows.example) {
    await page.keyboard.type(row.typed.slice(typed.length));
    typed = row.typed;
    const { typed: data, color, ...rest } = row;
    await eventually(() => display(page), { data, ...rest, color: PAINTED[color] }, JSON.stringify(data));
    await expectLabel9At322(page);
  }
});

test("pastes through the clipboard: rows.json's answers, line breaks of every kind, the tool's answer", async () => {
  const breaks = /[\t\n\v\f\r\u0085\u2028\u2029]/;
  const cases = [
    ...rows.paste.map((r) => ({ name: r.name, steps: [["paste", r.clipboard]], text: r.clipboard, rows: { hex: r.hex, status: r.status } })),
    // Every verdict row with a tab or a line break in it, pasted whole.
    ...rows.verdict
      .filter((r) => r.text && breaks.test(r.text))
      .map((r) => ({ name: r.name, steps: [["paste", r.text]], text: r.text, verdict: r })),
    { name: "CrLfAfterEachLine", steps: [["paste", "01 A0\r\n7C FF\r\n02\r\n"]], text: "01 A0\r\n7C FF\r\n02\r\n" },
    { name: "LoneCrBetweenPairs", steps: [["paste", "01 A0\r7C"]], text: "01 A0\r7C" },
    { name: "PastedBetweenTypedText", steps: [["type", "01 "], ["paste", "A0\n7C"], ["type", " FF 02"]], text: "01 A0\n7C FF 02" },
    { name: "PastedOverASelection", steps: [["type", "01 xx"], ["press", "Shift+ArrowLeft", 2], ["paste", "A0\r\n"]], text: "01 A0\r\n" },
    { name: "PastedAfterALineBreak", steps: [["paste", "01\r\n"], ["paste", "02\u2028"]], text: "01\r\n02\u2028" },
  ];
  for (const c of cases) {
    await clear(page);
    await perform(page, c.steps);
    await eventually(() => page.inputValue("#Edit1"), shown(c.text), `${c.name}: what the field shows`);
    const seen = await display(page);
    assert.deepEqual(pageSays(seen), toolSays(c.text), `${c.name}: the tool's answer`);
    if (c.rows) assert.deepEqual({ hex: seen.hex, status: seen.status }, c.rows, c.name);
    if (c.verdict) {
      const { valid, lrc, byteCount } = c.verdict;
      const fromRow = valid ? { valid, hex: lrc.toString(16).toUpperCase().padStart(2, "0"), bytes: byteCount } : { valid, hex: "" };
      assert.deepEqual(pageSays(seen), fromRow, `${c.name}: rows.json's verdict`);
    }
  }
});

test("editing: cut, undo and redo, Delete, Backspace, select-all, Enter", async () => {
  // Each row starts from an empty field; `text` is what the field holds after the steps,
  // `data` what it shows when that is not the pictured text, `cut` what the clipboard holds.
  const cases = [
    { name: "undo takes back a paste with line breaks", steps: [["type", "01 A0"], ["paste", "\r\n7C\n"], ["press", "Control+Z"]], text: "01 A0" },
    { name: "redo puts it back, line breaks and all", steps: [["type", "01 A0"], ["paste", "\r\n7C\n"], ["press", "Control+Z"], ["press", "Control+Shift+Z"]], text: "01 A0\r\n7C\n" },
    { name: "cut takes the exact text", steps: [["paste", "01\r\n02 03"], ["press", "Control+A"], ["press", "Control+X"]], text: "", cut: "01\r\n02 03" },
    { name: "what was cut pastes back to the same answer", steps: [["paste", "01\r02"], ["press", "Control+A"], ["press", "Control+X"], ["press", "Control+V"]], text: "01\r02", cut: "01\r02" },
    { name: "cut of a part", steps: [["paste", "01\n02 03"], ["press", "Shift+ArrowLeft", 5], ["press", "Control+X"]], text: "01\n", cut: "02 03" },
    { name: "undo of a cut brings the line break back", steps: [["paste", "01\n02 03"], ["press", "Shift+ArrowLeft", 6], ["press", "Control+X"], ["press", "Control+Z"]], text: "01\n02 03", cut: "\n02 03" },
    { name: "Backspace removes one line break of a CR LF", steps: [["paste", "01\r\n02"], ["press", "ArrowLeft", 2], ["press", "Backspace"]], text: "01\r02" },
    { name: "Delete removes the other", steps: [["paste", "01\r\n02"], ["press", "ArrowLeft", 4], ["press", "Delete"]], text: "01\n02" },
    { name: "Backspace at the end", steps: [["type", EXAMPLE], ["press", "Backspace", 2]], text: "01 A0 7C FF " },
    { name: "Delete at the start", steps: [["type", EXAMPLE], ["press", "Home"], ["press", "Delete"]], text: "1 A0 7C FF 02" },
    { name: "Enter changes nothing", steps: [["type", EXAMPLE], ["press", "Enter"], ["press", "Shift+Enter"]], text: EXAMPLE },
  ];
  for (const c of cases) {
    await clear(page);
    await perform(page, c.steps);
    await eventually(() => page.inputValue("#Edit1"), shown(c.text), `${c.name}: what the field shows`);
    assert.deepEqual(await answer(page), toolSays(c.text), `${c.name}: the tool's answer`);
    if (c.cut !== undefined) assert.equal(await clipboard(page), c.cut, `${c.name}: the clipboard`);
  }
  // Select-all and Delete: the malformed state, as the empty text has it.
  await clear(page);
  await page.keyboard.type(EXAMPLE);
  await page.keyboard.press("Control+A");
  await page.keyboard.press("Delete");
  await eventually(() => display(page), { data: "", hex: "", decimal: "", octal: "", binary: "", status: MALFORMED, color: PAINTED.clRed });
});

test("bad input never breaks the page: megabytes, lone surrogates, NUL", async () => {
  const pairs = Array.from({ length: (2 << 20) / 3 }, (_, i) => ((i * 37) & 0xff).toString(16).padStart(2, "0").toUpperCase());
  const big = pairs.join(" ");
  const cases = [
    { name: "2 MiB of spaced hex", text: big },
    { name: "the same with a bad byte at the end", text: `${big} 0G` },
    // Through the clipboard a lone surrogate arrives as U+FFFD; handed to the field's own
    // editing (as a paste is), it arrives as it is. Either way the text is malformed.
    ...rows.verdict.filter((r) => r.utf16 || /\0/.test(r.text ?? "")).flatMap((r) => [
      { name: `${r.name}, pasted`, text: textOf(r), valid: r.valid },
      { name: `${r.name}, inserted`, text: textOf(r), valid: r.valid, inserted: true },
    ]),
  ];
  for (const c of cases) {
    await clear(page);
    if (c.inserted) await page.evaluate((t) => document.execCommand("insertText", false, t), c.text);
    else await perform(page, [["paste", c.text]]);
    // What the field got is what the tool is given.
    await eventually(async () => (await page.inputValue("#Edit1")).length, c.text.length, c.name, 20000);
    const data = await page.inputValue("#Edit1");
    assert.deepEqual(await answer(page), toolSays(data), `${c.name}: the tool's answer`);
    if (c.valid !== undefined) assert.equal((await answer(page)).valid, c.valid, `${c.name}: rows.json's verdict`);
  }
  await clear(page);
});

test("keyboard: Tab goes round the fields and selects each, results are read-only and copyable", async () => {
  await clear(page);
  await page.keyboard.type(EXAMPLE);
  const last = rows.example.at(-1);
  const values = { Edit1: EXAMPLE, Edit16: last.hex, Edit10: last.decimal, Edit8: last.octal, Edit2: last.binary };
  const round = ["Edit16", "Edit10", "Edit8", "Edit2", "Edit1"];
  const stops = [
    ...round.map((id) => ["Tab", id]),
    ...round.slice(0, -1).reverse().concat("Edit1", "Edit2").map((id) => ["Shift+Tab", id]),
  ];
  for (const [key, id] of stops) {
    await page.keyboard.press(key);
    const at = () =>
      page.evaluate(() => {
        const e = document.activeElement;
        return { id: e.id, value: e.value, start: e.selectionStart, end: e.selectionEnd, pageFocused: document.hasFocus() };
      });
    const whole = { id, value: values[id], start: 0, end: values[id].length, pageFocused: true };
    await eventually(at, whole, `${key} to ${id}`);
    await page.keyboard.press("Control+C");
    await eventually(() => clipboard(page), values[id], `Ctrl+C in ${id}`);
    if (id !== "Edit1") {
      // Typing, Backspace, Delete, paste and cut leave a result as it was.
      await page.keyboard.type("7");
      for (const k of ["Backspace", "Delete", "Control+V", "Control+X"]) await page.keyboard.press(k);
      assert.deepEqual(await at(), whole, `${id} is read-only`);
    }
  }
  assert.equal(await page.inputValue("#Edit1"), EXAMPLE);
});

test("the link: blue, underlined, no tab stop; a click or a double click opens its page once", async () => {
  const context = page.context();
  const look = await page.evaluate(() => {
    const s = getComputedStyle(document.getElementById("Label8"));
    return { color: s.color, underline: s.textDecorationLine.includes("underline"), cursor: s.cursor, tabIndex: document.getElementById("Label8").tabIndex, href: document.getElementById("Label8").href };
  });
  assert.deepEqual(look, { color: "rgb(0, 0, 255)", underline: true, cursor: "pointer", tabIndex: -1, href: ADDRESS });

  const focusedDisplay = async () => ({ ...(await display(page)), focus: await page.evaluate(() => document.activeElement.id) });
  await page.focus("#Edit1");
  const before = await focusedDisplay();
  for (const gesture of ["click", "dblclick"]) {
    const tabs = [];
    const count = (tab) => {
      openedTabs.add(tab);
      tabs.push(tab);
    };
    context.on("page", count);
    const served = servedLink.length;
    await page[gesture]("#Label8");
    await eventually(() => tabs.length >= 1 && tabs[0].url(), ADDRESS, `${gesture}: the new tab's address`);
    // A tab opened by the page itself after the gesture: once it is here, any tab the gesture
    // opened is here too.
    await page.evaluate(() => window.open("about:blank", "_blank"));
    await eventually(() => tabs.length >= 2 && tabs.at(-1).url(), "about:blank", `${gesture}: the later tab`);
    context.off("page", count);
    assert.equal(tabs.length - 1, 1, `${gesture} opens one tab`);
    assert.equal(servedLink.length - served, 1, `${gesture} asks for the address once`);
    for (const tab of tabs) await tab.close();
    assert.deepEqual(await focusedDisplay(), before, `${gesture}: the page is as it was`);
  }
});

test("accessibility: names, description, read-only results, the link, the polite status", async () => {
  const cdp = await page.context().newCDPSession(page);
  const node = async (id) => {
    const { result } = await cdp.send("Runtime.evaluate", { expression: `document.getElementById(${JSON.stringify(id)})` });
    const { nodes } = await cdp.send("Accessibility.getPartialAXTree", { objectId: result.objectId, fetchRelatives: false });
    const n = nodes.find((x) => !x.ignored) ?? nodes[0];
    const property = (name) => n.properties?.find((p) => p.name === name)?.value.value;
    return { id, role: n.role?.value, name: n.name?.value, description: n.description?.value, readonly: property("readonly") ?? false, live: property("live") };
  };
  const expected = [
    { id: "Edit1", role: "textbox", name: "需要校验的数据（Hex）", description: "例如：01 A0 7C FF 02", readonly: false, live: undefined },
    { id: "Edit16", role: "textbox", name: "十六进制", description: undefined, readonly: true, live: undefined },
    { id: "Edit10", role: "textbox", name: "十进制", description: undefined, readonly: true, live: undefined },
    { id: "Edit8", role: "textbox", name: "八进制", description: undefined, readonly: true, live: undefined },
    { id: "Edit2", role: "textbox", name: "二进制", description: undefined, readonly: true, live: undefined },
    { id: "Label8", role: "link", name: ADDRESS, description: undefined, readonly: false, live: undefined },
    { id: "StatusAnnouncer", role: "status", name: "", description: undefined, readonly: false, live: "polite" },
  ];
  for (const e of expected) {
    const seen = await node(e.id);
    assert.deepEqual({ ...seen, name: e.id === "StatusAnnouncer" ? "" : seen.name }, e);
  }
  assert.equal(await page.getAttribute("#StatusAnnouncer", "aria-live"), "polite");
  await cdp.detach();

  // Typed quickly, the example is announced once, as "5 Bytes", the quiet time after its last
  // key; none of the statuses on the way is.
  await clear(page);
  await eventually(() => page.textContent("#StatusAnnouncer"), MALFORMED, "the empty field settles");
  await page.evaluate(() => {
    const log = (window.statusLog = []);
    const announcer = document.getElementById("StatusAnnouncer");
    new MutationObserver(() => log.push({ at: performance.now(), text: announcer.textContent })).observe(announcer, { childList: true, characterData: true, subtree: true });
    document.getElementById("Edit1").addEventListener("input", () => log.push({ at: performance.now(), input: true }));
  });
  await page.keyboard.type(EXAMPLE);
  await eventually(() => page.textContent("#StatusAnnouncer"), "5 Bytes", "the status settles", 3000);
  const log = await page.evaluate(() => window.statusLog);
  const inputs = log.filter((e) => e.input).map((e) => e.at);
  assert.equal(inputs.length, EXAMPLE.length);
  const gaps = inputs.slice(1).map((t, i) => t - inputs[i]);
  assert.ok(Math.max(...gaps) < 400, `typed quickly enough to test: ${Math.max(...gaps)} ms`);
  const announced = log.filter((e) => !e.input);
  assert.deepEqual(announced.map((e) => e.text), ["5 Bytes"]);
  const quiet = announced[0].at - inputs.at(-1);
  assert.ok(quiet >= 490 && quiet < 1500, `announced ${quiet} ms after the last key`);
});

test("themes: dark reads at 3:1 with a lighter red, forced colours take the system's", async () => {
  const labels = ["Label1", "Label6", "Label9", "GroupBox1Caption", "Label2", "Label3", "Label4", "Label5", "Label7", "Label8"];
  const paint = (p) =>
    p.evaluate((ids) => {
      const probe = document.body.appendChild(document.createElement("span"));
      const system = (name) => ((probe.style.color = name), getComputedStyle(probe).color);
      const colors = Object.fromEntries(ids.map((id) => [id, getComputedStyle(document.getElementById(id)).color]));
      const result = { background: getComputedStyle(document.getElementById("Form1")).backgroundColor, colors, text: system("CanvasText"), link: system("LinkText") };
      probe.remove();
      return result;
    }, labels);
  const shoot = (p, name) => p.locator("#Form1").screenshot({ path: join(screenshots, name) });

  await clear(page);
  await page.keyboard.type(EXAMPLE);
  await eventually(async () => (await display(page)).hex, "E2");
  await shoot(page, "page-light.png");

  const dark = await open({ colorScheme: "dark" });
  for (const [state, typed] of [["example", EXAMPLE], ["malformed", "01 A"]]) {
    await clear(dark);
    await dark.keyboard.type(typed);
    await eventually(async () => (await display(dark)).data, typed);
    const { background, colors } = await paint(dark);
    for (const id of labels) assert.ok(contrast(colors[id], background) >= 3, `dark, ${state}: ${id} ${colors[id]} on ${background}`);
    if (state === "malformed" && contrast("rgb(255, 0, 0)", background) < 3) {
      const [r, g, b] = channels(colors.Label9);
      assert.ok(r === 255 && g === b && g > 0, `a lighter red: ${colors.Label9}`);
    }
    await shoot(dark, `page-dark-${state}.png`);
  }
  await dark.context().close();

  const forced = await open({ forcedColors: "active" });
  for (const typed of [EXAMPLE, "01 A"]) {
    await forced.keyboard.type(typed);
    await eventually(async () => (await display(forced)).data, typed);
    const { colors, text, link } = await paint(forced);
    for (const id of labels) assert.equal(colors[id], id === "Label8" ? link : text, `forced colours: ${id}`);
    await clear(forced);
  }
  await forced.context().close();
});

test("served over http from 127.0.0.1: works the same, asks for nothing but the page", async () => {
  const asked = [];
  const server = createServer((request, response) => {
    asked.push(request.url);
    if (request.url !== "/lrc.html") return response.writeHead(404).end();
    response.writeHead(200, { "content-type": "text/html; charset=utf-8" }).end(readFileSync(pagePath));
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  const url = `http://127.0.0.1:${server.address().port}/lrc.html`;
  try {
    const served = await open({}, url);
    await served.keyboard.type(EXAMPLE);
    await eventually(async () => (await display(served)).hex, "E2");
    await served.context().close();
  } finally {
    await new Promise((resolve) => server.close(resolve));
  }
  assert.deepEqual(asked, ["/lrc.html"]);
  requests.splice(requests.findIndex(([u]) => u === url), 1);
});

test("the whole run: no console error or warning, no page error, no policy violation, no request", async () => {
  await page.context().close();
  assert.deepEqual(problems, []);
  // The page's own load, and the link's address from the tabs it opened, nothing else.
  const loads = requests.filter(([url, tab]) => !(tab && url === ADDRESS));
  assert.deepEqual(loads.map(([url]) => url), [pageUrl, pageUrl, pageUrl]);
});

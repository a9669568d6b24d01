// lrc.html in Debian's Chromium, used as a person uses it: real key presses and the real
// clipboard. What it shows is held to rows.json (the answers and the window's places) and to the
// Linux sumvane-lrc on the same text.
//   SUMVANE_PAGE=build-web/web/lrc.html SUMVANE_ROWS=tests/data/rows.json \
//   SUMVANE_HOST_LRC=build/cli/sumvane-lrc SUMVANE_SCREENSHOTS=DIR node tests/web/page.test.mjs
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { mkdirSync, readFileSync } from "node:fs";
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
const ADDRESS = env("SUMVANE_HOMEPAGE_URL"); // the product's facts, from CMake
const EXAMPLE = rows.example.at(-1).typed;
const PAINTED = { clBlack: "rgb(0, 0, 0)", clRed: "rgb(255, 0, 0)" };
const RESULTS = ["Edit16", "Edit10", "Edit8", "Edit2"];
const textOf = (row) => row.text ?? String.fromCharCode(...row.utf16);
// The field shows CR and LF as their control pictures, one character for one.
const shown = (text) => text.replace(/\r/g, "\u240D").replace(/\n/g, "\u240A");

// --- the browser, and everything it does over the whole run ------------------------------------
let browser;
const problems = []; // console errors and warnings, page errors, policy violations
const opened = []; // the pages this test opens, each with what it asked for: itself, nothing more
const requests = []; // every request of every page and tab
const routed = []; // every request but a page's own load: the link's address, nothing more

// `init`, a function, runs in the page before its scripts.
async function open(options = {}, url = pageUrl, init = undefined) {
  const context = await browser.newContext(options);
  if (init) await context.addInitScript(init);
  await context.grantPermissions(["clipboard-read", "clipboard-write"]);
  // Nothing reaches the network: the link's address gets an empty page, anything else but the
  // page itself fails.
  await context.route(
    (u) => u.href !== url,
    (route) => {
      routed.push(route.request().url());
      if (route.request().url() !== ADDRESS) return route.abort();
      return route.fulfill({ contentType: "text/html", body: "" });
    },
  );
  // The page's policy reports a violation as an event; the console collects it with the rest.
  await context.addInitScript(() =>
    document.addEventListener("securitypolicyviolation", (e) =>
      console.error(`policy violation: ${e.violatedDirective} ${e.blockedURI}`),
    ),
  );
  context.on("page", (tab) => {
    tab.on("console", (m) => {
      if (m.type() === "error" || m.type() === "warning") problems.push(`${m.type()}: ${m.text()}`);
    });
    tab.on("pageerror", (e) => problems.push(`page error: ${e.message}`));
  });
  const page = await context.newPage();
  const own = { url, asked: [] };
  opened.push(own);
  page.on("request", (r) => own.asked.push(r));
  context.on("request", (r) => requests.push(r));
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
    const [status, color] = [label9.textContent, getComputedStyle(label9).color];
    return { data, hex, decimal, octal, binary, status, color };
  }, RESULTS);
const field = (page) => page.inputValue("#Edit1");

// The answer as the tool gives it: the verdict, and for a valid text the LRC and the count.
function toolSays(text) {
  const run = spawnSync(hostLrc, ["--json"], { input: Buffer.from(text, "utf8") });
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

async function clear(page) {
  await page.focus("#Edit1");
  await page.keyboard.press("Control+A");
  await page.keyboard.press("Delete");
  await eventually(() => field(page), "", "the data field empties");
}

// A row's steps: ["type", text], ["paste", text], ["press", key, times].
async function perform(page, steps) {
  for (const [action, what, times = 1] of steps) {
    if (action === "type") await page.keyboard.type(what);
    if (action === "paste") {
      await page.evaluate((t) => navigator.clipboard.writeText(t), what);
      await page.keyboard.press("Control+V");
    }
    if (action === "press") for (let i = 0; i < times; i++) await page.keyboard.press(what);
  }
}

// Where elements are, relative to Form1, to the hundredth of a pixel.
const geometry = (page, ids) =>
  page.evaluate((ids) => {
    const form = document.getElementById("Form1").getBoundingClientRect();
    const at = (v) => Math.round(v * 100) / 100;
    return ids.map((id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      const [left, top, right] = [r.left - form.left, r.top - form.top, r.right - form.left];
      const [width, height] = [at(r.width), at(r.height)];
      return { id, left: at(left), top: at(top), width, height, right: at(right) };
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
const EMPTY = { hex: "", decimal: "", octal: "", binary: "" };

// The places rows.json states at 96 dpi, relative to Form1: a group box's controls moved by its
// own left and top.
const WINDOW = (() => {
  const { densities, controls } = rows.window;
  const at96 = Object.fromEntries(controls.map((c) => [c.name, c.at96]));
  const places = controls.map(({ name, parent, fits, at96: [left, top, width, height] }) => {
    const [x, y] = at96[parent] ?? [0, 0];
    return { id: name, fits, left: x + left, top: y + top, width, height };
  });
  return { client: densities.find((d) => d.pixelsPerInch === 96).client, places };
})();
const LABEL9 = WINDOW.places.find(({ fits }) => fits === "right");

async function expectLabel9InPlace(page) {
  const [{ top, right, height }] = await geometry(page, [LABEL9.id]);
  const { left, width } = LABEL9;
  const place = { top: LABEL9.top, right: left + width, height: LABEL9.height };
  assert.deepEqual({ top, right, height }, place, "Label9 keeps its right edge");
}

test("start-up: the title, the window and its controls in place, focus, no results", async () => {
  assert.equal(await page.title(), env("SUMVANE_WINDOW_CAPTION"));
  const policy = await page.getAttribute('meta[http-equiv="Content-Security-Policy"]', "content");
  assert.match(policy, /(^|;\s*)default-src 'none'(;|$)/);
  assert.match(policy, /'wasm-unsafe-eval'/);

  // Every control where rows.json places it; a label's width follows its caption, and Label9
  // holds its right edge instead of its left.
  const { client, places } = WINDOW;
  const others = places.filter((p) => p !== LABEL9);
  const [form, ...seen] = await geometry(page, ["Form1", ...others.map(({ id }) => id)]);
  assert.deepEqual([form.width, form.height], client);
  others.forEach(({ id, fits, left, top, width, height }, i) => {
    const { right, ...r } = seen[i];
    assert.deepEqual(r, { id, left, top, width: fits ? r.width : width, height });
    assert.ok(r.width > 0 && right <= client[0], `${id} shows within the window`);
  });
  await expectLabel9InPlace(page);

  assert.equal(await page.evaluate(() => document.activeElement.id), "Edit1");
  const initial = { data: "", ...EMPTY, status: "字节数", color: PAINTED.clBlack };
  assert.deepEqual(await display(page), initial);
});

test("the example typed key by key: every keystroke's answer as rows.json has it", async () => {
  await clear(page);
  let typed = "";
  for (const row of rows.example) {
    await page.keyboard.type(row.typed.slice(typed.length));
    typed = row.typed;
    const { typed: data, color, ...rest } = row;
    const expected = { data, ...rest, color: PAINTED[color] };
    await eventually(() => display(page), expected, JSON.stringify(data));
    await expectLabel9InPlace(page);
  }
});

test("pastes: rows.json's answers, every kind of line break, the tool's answer", async () => {
  const breaks = /[\t\n\v\f\r\u0085\u2028\u2029]/;
  const pasted = (name, text, more = {}) => ({ name, steps: [["paste", text]], text, ...more });
  const cases = [
    ...rows.paste.map(({ name, clipboard, hex, status }) =>
      pasted(name, clipboard, { shows: { hex, status } }),
    ),
    // Every verdict row with a tab or a line break in it.
    ...rows.verdict
      .filter((r) => breaks.test(r.text))
      .map((r) => pasted(r.name, r.text, { row: r })),
    pasted("CrLfAfterEachLine", "01 A0\r\n7C FF\r\n02\r\n"),
    pasted("LoneCrBetweenPairs", "01 A0\r7C"),
    {
      name: "PastedBetweenTypedText",
      steps: [["type", "01 "], ["paste", "A0\n7C"], ["type", " FF 02"]],
      text: "01 A0\n7C FF 02",
    },
    {
      name: "PastedOverASelection",
      steps: [["type", "01 xx"], ["press", "Shift+ArrowLeft", 2], ["paste", "A0\r\n"]],
      text: "01 A0\r\n",
    },
    {
      name: "PastedAfterALineBreak",
      steps: [["paste", "01\r\n"], ["paste", "02\u2028"]],
      text: "01\r\n02\u2028",
    },
  ];
  for (const c of cases) {
    await clear(page);
    await perform(page, c.steps);
    await eventually(() => field(page), shown(c.text), `${c.name}: what the field shows`);
    const seen = await display(page);
    assert.deepEqual(pageSays(seen), toolSays(c.text), `${c.name}: the tool's answer`);
    if (c.shows) assert.deepEqual({ hex: seen.hex, status: seen.status }, c.shows, c.name);
    if (c.row) {
      const { valid, lrc, byteCount } = c.row;
      const hex = valid ? lrc.toString(16).toUpperCase().padStart(2, "0") : "";
      const fromRow = valid ? { valid, hex, bytes: byteCount } : { valid, hex };
      assert.deepEqual(pageSays(seen), fromRow, `${c.name}: rows.json's verdict`);
    }
  }
});

test("editing: cut, undo and redo, Delete, Backspace, select-all, Enter", async () => {
  // Each row starts from an empty field: `text` is what the field holds after the steps, `cut`
  // what the clipboard then holds.
  const cases = [
    {
      name: "undo takes back a paste with line breaks",
      steps: [["type", "01 A0"], ["paste", "\r\n7C\n"], ["press", "Control+Z"]],
      text: "01 A0",
    },
    {
      name: "redo puts it back, line breaks and all",
      steps: [
        ["type", "01 A0"],
        ["paste", "\r\n7C\n"],
        ["press", "Control+Z"],
        ["press", "Control+Shift+Z"],
      ],
      text: "01 A0\r\n7C\n",
    },
    {
      name: "cut takes the exact text",
      steps: [["paste", "01\r\n02 03"], ["press", "Control+A"], ["press", "Control+X"]],
      text: "",
      cut: "01\r\n02 03",
    },
    {
      name: "what was cut pastes back to the same answer",
      steps: [
        ["paste", "01\r02"],
        ["press", "Control+A"],
        ["press", "Control+X"],
        ["press", "Control+V"],
      ],
      text: "01\r02",
      cut: "01\r02",
    },
    {
      name: "cut of a part",
      steps: [["paste", "01\n02 03"], ["press", "Shift+ArrowLeft", 5], ["press", "Control+X"]],
      text: "01\n",
      cut: "02 03",
    },
    {
      name: "undo of a cut brings the line break back",
      steps: [
        ["paste", "01\n02 03"],
        ["press", "Shift+ArrowLeft", 6],
        ["press", "Control+X"],
        ["press", "Control+Z"],
      ],
      text: "01\n02 03",
      cut: "\n02 03",
    },
    {
      name: "Backspace removes one line break of a CR LF",
      steps: [["paste", "01\r\n02"], ["press", "ArrowLeft", 2], ["press", "Backspace"]],
      text: "01\r02",
    },
    {
      name: "Delete removes the other",
      steps: [["paste", "01\r\n02"], ["press", "ArrowLeft", 4], ["press", "Delete"]],
      text: "01\n02",
    },
    {
      name: "Backspace at the end",
      steps: [["type", EXAMPLE], ["press", "Backspace", 2]],
      text: "01 A0 7C FF ",
    },
    {
      name: "Delete at the start",
      steps: [["type", EXAMPLE], ["press", "Home"], ["press", "Delete"]],
      text: "1 A0 7C FF 02",
    },
    {
      name: "Enter changes nothing",
      steps: [["type", EXAMPLE], ["press", "Enter"], ["press", "Shift+Enter"]],
      text: EXAMPLE,
    },
  ];
  for (const c of cases) {
    await clear(page);
    await perform(page, c.steps);
    await eventually(() => field(page), shown(c.text), `${c.name}: what the field shows`);
    assert.deepEqual(await answer(page), toolSays(c.text), `${c.name}: the tool's answer`);
    if (c.cut !== undefined) assert.equal(await clipboard(page), c.cut, `${c.name}: the clipboard`);
  }
  // Select-all and Delete: the malformed state, as the empty text has it.
  await clear(page);
  await page.keyboard.type(EXAMPLE);
  await page.keyboard.press("Control+A");
  await page.keyboard.press("Delete");
  const malformed = { data: "", ...EMPTY, status: MALFORMED, color: PAINTED.clRed };
  await eventually(() => display(page), malformed, "select-all and Delete");
});

test("bad input never breaks the page: megabytes, lone surrogates, NUL", async () => {
  const pairs = Array.from({ length: Math.ceil((2 << 20) / 3) }, (_, i) =>
    ((i * 37) & 0xff).toString(16).padStart(2, "0").toUpperCase(),
  );
  const big = pairs.join(" ");
  const cases = [
    { name: "2 MiB of spaced hex", text: big },
    { name: "the same with a bad byte at the end", text: `${big.slice(0, -2)}0G` },
    // The clipboard carries a lone surrogate as U+FFFD; the field's own editing (which a paste
    // goes through) takes it as it is. Either way the text is malformed.
    ...rows.verdict
      .filter((r) => r.utf16 || r.text.includes("\0"))
      .flatMap((r) => [
        { name: `${r.name}, pasted`, text: textOf(r), valid: r.valid },
        { name: `${r.name}, inserted`, text: textOf(r), valid: r.valid, inserted: true },
      ]),
  ];
  for (const c of cases) {
    await clear(page);
    const insert = (t) => document.execCommand("insertText", false, t);
    if (c.inserted) await page.evaluate(insert, c.text);
    else await perform(page, [["paste", c.text]]);
    const arrives = c.inserted ? c.text : c.text.toWellFormed();
    await eventually(() => field(page), arrives, `${c.name}: what the field gets`, 20000);
    assert.deepEqual(await answer(page), toolSays(c.text), `${c.name}: the tool's answer`);
    if (c.valid !== undefined) assert.equal((await answer(page)).valid, c.valid, c.name);
  }
  await clear(page);
});

test("keyboard: Tab goes round, selecting each field; results are read-only, copy", async () => {
  await clear(page);
  await page.keyboard.type(EXAMPLE);
  const { hex, decimal, octal, binary } = rows.example.at(-1);
  const values = { Edit1: EXAMPLE, Edit16: hex, Edit10: decimal, Edit8: octal, Edit2: binary };
  const round = ["Edit16", "Edit10", "Edit8", "Edit2", "Edit1"];
  const back = ["Edit2", "Edit8", "Edit10", "Edit16", "Edit1", "Edit2"];
  const stops = [...round.map((id) => ["Tab", id]), ...back.map((id) => ["Shift+Tab", id])];
  const focused = () =>
    page.evaluate(() => {
      const e = document.activeElement;
      const [start, end] = [e.selectionStart, e.selectionEnd];
      return { id: e.id, value: e.value, start, end, page: document.hasFocus() };
    });
  for (const [key, id] of stops) {
    await page.keyboard.press(key);
    const whole = { id, value: values[id], start: 0, end: values[id].length, page: true };
    await eventually(focused, whole, `${key} to ${id}`);
    await page.keyboard.press("Control+C");
    await eventually(() => clipboard(page), values[id], `Ctrl+C in ${id}`);
    if (id === "Edit1") continue;
    // Typing, Backspace, Delete, paste and cut leave a result as it was.
    await page.keyboard.type("7");
    for (const k of ["Backspace", "Delete", "Control+V", "Control+X"]) await page.keyboard.press(k);
    assert.deepEqual(await focused(), whole, `${id} is read-only`);
  }
  assert.equal(await field(page), EXAMPLE);
});

test("the link: blue, underlined, no tab stop; a click or double click opens it once", async () => {
  const look = await page.evaluate(() => {
    const link = document.getElementById("Label8");
    const { color, textDecorationLine, cursor } = getComputedStyle(link);
    return { color, textDecorationLine, cursor, tabIndex: link.tabIndex, href: link.href };
  });
  const blue = { color: "rgb(0, 0, 255)", textDecorationLine: "underline", cursor: "pointer" };
  assert.deepEqual(look, { ...blue, tabIndex: -1, href: ADDRESS });

  const context = page.context();
  const focus = () => page.evaluate(() => document.activeElement.id);
  const state = async () => ({ ...(await display(page)), focus: await focus() });
  await page.focus("#Edit1");
  const before = await state();
  for (const gesture of ["click", "dblclick"]) {
    const tabs = [];
    const opened = (tab) => tabs.push(tab);
    context.on("page", opened);
    const served = routed.length;
    await page[gesture]("#Label8");
    await eventually(() => tabs[0]?.url(), ADDRESS, `${gesture}: the new tab's address`);
    // A tab the page opens after the gesture: once it is here, every tab the gesture opened is.
    await page.evaluate(() => window.open("about:blank", "_blank"));
    await eventually(() => tabs.at(-1).url() === "about:blank", true, `${gesture}: the later tab`);
    context.off("page", opened);
    assert.equal(tabs.length - 1, 1, `${gesture} opens one tab`);
    assert.deepEqual(routed.slice(served), [ADDRESS], `${gesture} asks for the address once`);
    for (const tab of tabs) await tab.close();
    assert.deepEqual(await state(), before, `${gesture}: the page is as it was`);
  }
});

test("accessibility: names, description, read-only results, link, the polite status", async () => {
  const cdp = await page.context().newCDPSession(page);
  // The accessibility node of the element `id`: the properties a row names.
  const node = async (id, keys) => {
    const expression = `document.getElementById(${JSON.stringify(id)})`;
    const { result } = await cdp.send("Runtime.evaluate", { expression });
    const { nodes } = await cdp.send("Accessibility.getPartialAXTree", {
      objectId: result.objectId,
      fetchRelatives: false,
    });
    const n = nodes[0];
    const properties = Object.fromEntries((n.properties ?? []).map((p) => [p.name, p.value.value]));
    const [role, name, description] = [n.role?.value, n.name?.value, n.description?.value];
    const all = { id, role, name, description, ...properties };
    return Object.fromEntries(keys.map((k) => [k, all[k]]));
  };
  const expected = [
    {
      id: "Edit1",
      role: "textbox",
      name: "需要校验的数据（Hex）",
      description: "例如：01 A0 7C FF 02",
      readonly: false,
    },
    { id: "Edit16", role: "textbox", name: "十六进制", readonly: true },
    { id: "Edit10", role: "textbox", name: "十进制", readonly: true },
    { id: "Edit8", role: "textbox", name: "八进制", readonly: true },
    { id: "Edit2", role: "textbox", name: "二进制", readonly: true },
    { id: "Label8", role: "link", name: ADDRESS },
    { id: "StatusAnnouncer", role: "status", live: "polite" },
  ];
  for (const e of expected) assert.deepEqual(await node(e.id, Object.keys(e)), e);
  await cdp.detach();

  // Typed quickly, the example is announced once, as "5 Bytes", the quiet time after its last
  // key; none of the statuses on the way is.
  await clear(page);
  const announcer = () => page.textContent("#StatusAnnouncer");
  await eventually(announcer, MALFORMED, "the empty field settles");
  await page.evaluate(() => {
    const log = (window.statusLog = []);
    const announcer = document.getElementById("StatusAnnouncer");
    const announced = () => log.push({ at: performance.now(), text: announcer.textContent });
    const all = { childList: true, characterData: true, subtree: true };
    new MutationObserver(announced).observe(announcer, all);
    const typed = () => log.push({ at: performance.now(), input: true });
    document.getElementById("Edit1").addEventListener("input", typed);
  });
  await page.keyboard.type(EXAMPLE);
  await eventually(announcer, "5 Bytes", "the status settles");
  const log = await page.evaluate(() => window.statusLog);
  const keys = log.filter((e) => e.input).map((e) => e.at);
  assert.equal(keys.length, EXAMPLE.length);
  const slowest = Math.max(...keys.slice(1).map((t, i) => t - keys[i]));
  assert.ok(slowest < 400, `typed quickly enough for the check: ${slowest} ms between two keys`);
  const announced = log.filter((e) => !e.input);
  assert.deepEqual(announced.map((e) => e.text), ["5 Bytes"]);
  const quiet = announced[0].at - keys.at(-1);
  assert.ok(quiet >= 490 && quiet < 1500, `announced ${quiet} ms after the last key`);
});

test("themes: dark reads at 3:1 with a lighter red, forced colours take the system's", async () => {
  const labels = ["Label1", "Label6", "Label9", "GroupBox1Caption", "Label2", "Label3", "Label4"];
  labels.push("Label5", "Label7", "Label8");
  const paint = (p) =>
    p.evaluate((ids) => {
      const probe = document.body.appendChild(document.createElement("span"));
      const system = (name) => ((probe.style.color = name), getComputedStyle(probe).color);
      const [text, link] = [system("CanvasText"), system("LinkText")];
      probe.remove();
      const color = (id) => getComputedStyle(document.getElementById(id)).color;
      const colors = Object.fromEntries(ids.map((id) => [id, color(id)]));
      const background = getComputedStyle(document.getElementById("Form1")).backgroundColor;
      return { background, colors, text, link };
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
    await eventually(() => field(dark), typed);
    const { background, colors } = await paint(dark);
    for (const id of labels) {
      const reads = contrast(colors[id], background) >= 3;
      assert.ok(reads, `dark, ${state}: ${id} in ${colors[id]} on ${background}`);
    }
    if (state === "malformed" && contrast(PAINTED.clRed, background) < 3) {
      const [r, g, b] = channels(colors.Label9);
      assert.ok(r === 255 && g === b && g > 0, `a lighter red: ${colors.Label9}`);
    }
    await shoot(dark, `page-dark-${state}.png`);
  }
  await dark.context().close();

  const forced = await open({ forcedColors: "active" });
  for (const typed of [EXAMPLE, "01 A"]) {
    await clear(forced);
    await forced.keyboard.type(typed);
    await eventually(() => field(forced), typed);
    const { colors, text, link } = await paint(forced);
    for (const id of labels) {
      assert.equal(colors[id], id === "Label8" ? link : text, `forced colours: ${id}`);
    }
  }
  await forced.context().close();
});

// --- the serial monitor, on a stand-in for Web Serial ---------------------------------------------
// A scripted port: requestPort answers only inside a user gesture; window.port records what
// open() was given, and the test feeds its readable, errors it as Web Serial does (a fresh
// readable after a port error, none after the device is lost).
function standInSerial() {
  const port = {
    opens: [],
    requests: 0,
    readable: null,
    controller: null,
    fresh() {
      this.readable = new ReadableStream({ start: (c) => void (this.controller = c) });
    },
    async open(options) {
      this.opens.push(options);
      this.fresh();
    },
    async close() {
      this.readable = null;
    },
    feed(chunks) {
      for (const chunk of chunks) this.controller.enqueue(new Uint8Array(chunk));
    },
    fail(name) {
      const errored = this.controller;
      if (name === "NetworkError") this.readable = null;
      else this.fresh();
      errored.error(new DOMException(name, name));
    },
  };
  window.port = port;
  const serial = {
    async requestPort() {
      port.requests++;
      if (!navigator.userActivation.isActive) throw new DOMException("no gesture", "SecurityError");
      return port;
    },
    async getPorts() {
      return [];
    },
  };
  Object.defineProperty(Navigator.prototype, "serial", { get: () => serial, configurable: true });
}

// What the monitor shows: its rows (outcome and cells), its tally and its state.
const monitor = (p) =>
  p.evaluate(() => ({
    rows: [...document.querySelectorAll("#MonitorFrames tbody tr")].map((r) => ({
      outcome: r.dataset.outcome,
      cells: [...r.cells].map((c) => c.textContent),
    })),
    tally: document.getElementById("MonitorTally").textContent,
    state: document.getElementById("MonitorState").textContent,
    connect: document.getElementById("PortConnect").textContent,
  }));
const tallyOf = (p) => monitor(p).then((m) => m.tally);
const portOpens = (p) => p.evaluate(() => window.port.opens);
const feed = (p, chunks) => p.evaluate((c) => window.port.feed(c), chunks);
const fail = (p, name) => p.evaluate((n) => window.port.fail(n), name);
const bytes = (text) => [...Buffer.from(text, "latin1")];
const tally = (frames, ok, wrong, malformed, port) =>
  `${frames} frame${frames === 1 ? "" : "s"}: ${ok} ok, ${wrong} wrong LRC, ${malformed} malformed, ` +
  `${port} port error${port === 1 ? "" : "s"}`;

// The tool's report of a log, as the monitor's capture holds it: one object a line, time aside.
function toolLines(log, format) {
  const args = ["--lines", "--json", "--timestamps", "--check", "--format", format];
  const run = spawnSync(hostLrc, args, { input: Buffer.from(log, "latin1") });
  assert.ok(run.status === 0 || run.status === 1, `sumvane-lrc: ${run.stderr}`);
  return run.stdout.toString().split("\n").filter((l) => l !== "").map((l) => JSON.parse(l));
}
const timeAside = (objects) => objects.map(({ time, ...rest }) => rest);
const outcomeOf = (o) =>
  o.port_error ? "error" : !o.valid ? "malformed" : o.check === "mismatch" ? "mismatch" : "ok";

async function save(p) {
  const [download] = await Promise.all([p.waitForEvent("download"), p.click("#MonitorSave")]);
  const lines = readFileSync(await download.path(), "utf8").split("\n");
  assert.equal(lines.pop(), "", "the capture ends with a line feed");
  return lines.map((l) => JSON.parse(l));
}

// A pseudo-random cut of `all` into chunks of 1 to 9 bytes, the same every run.
function randomChunks(all) {
  let seed = 12345;
  const chunks = [];
  for (let at = 0; at < all.length; ) {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    const size = 1 + (seed % 9);
    chunks.push(all.slice(at, at + size));
    at += size;
  }
  return chunks;
}

// The log every cut is fed: good and wrong frames, noise, markup, each line end.
const SERIAL_LOG =
  ":1103006B00037E\r\n:1103006B00037F\r\nnoise\r\n<img src=x onerror=alert(1)>\n" +
  ":010300000001FB\r:0106000100030000F5\r\n:11zz\r\n\r\n:1103006B00037E\r\n";

test("serial monitor: options to open, frames cut anywhere, the tool's capture", async () => {
  const p = await open({}, pageUrl, standInSerial);
  assert.equal(await p.isVisible("#Monitor"), true);
  assert.equal(await p.isVisible("#MonitorUnavailable"), false);
  // Each cut with the line settings chosen before Connect, and what open() is given for them.
  const all = bytes(SERIAL_LOG);
  const cuts = [
    ["whole", [all], [], { baudRate: 9600, dataBits: 7, parity: "even", stopBits: 1 }],
    [
      "byte by byte, packed",
      all.map((b) => [b]),
      [["PortFormat", "packed"]],
      { baudRate: 9600, dataBits: 8, parity: "none", stopBits: 1 },
    ],
    [
      "random chunks",
      randomChunks(all),
      [["PortFormat", "modbus-ascii"], ["PortBaud", "115200"], ["PortStopBits", "2"]],
      { baudRate: 115200, dataBits: 7, parity: "even", stopBits: 2 },
    ],
  ];
  for (const [name, chunks, choices, options] of cuts) {
    for (const [id, value] of choices) await p.selectOption(`#${id}`, value);
    const format = await p.inputValue("#PortFormat");
    const expected = toolLines(SERIAL_LOG, format);
    const frames = expected.slice(0, -1);
    const summary = expected.at(-1);
    await p.click("#MonitorClear");
    await p.click("#PortConnect");
    await eventually(() => portOpens(p).then((o) => o.at(-1)), options, `${name}: open()`);
    await eventually(() => monitor(p).then((m) => m.connect), "断开", `${name}: connected`);
    await feed(p, chunks);
    const t = [summary.frames, summary.ok, summary.wrong_lrc, summary.malformed, 0];
    await eventually(() => tallyOf(p), tally(...t), `${name}: the tally`);
    await p.click("#PortConnect");
    await eventually(() => monitor(p).then((m) => m.connect), "连接", `${name}: disconnected`);
    const { rows } = await monitor(p);
    assert.deepEqual(rows.map((r) => r.outcome), frames.map(outcomeOf), `${name}: outcomes`);
    if (format === "modbus-ascii") {
      const [good, wrong] = [rows[0].cells.slice(1), rows[1].cells.slice(1)];
      assert.deepEqual(good, [":1103006B00037E\u240d\u240a", "正确", "7E", "7E", ""]);
      assert.deepEqual(wrong.slice(0, 4), [":1103006B00037F\u240d\u240a", "LRC 不符", "7F", "7E"]);
    }
    assert.equal(rows[3].cells[1], "<img src=x onerror=alert(1)>\u240a", `${name}: markup as text`);
    assert.equal(await p.locator("#MonitorFrames img").count(), 0, `${name}: no markup`);
    const saved = await save(p);
    assert.ok(saved.slice(0, -1).every((o) => /^\d{4}-\d\d-\d\dT/.test(o.time)), "timestamps");
    assert.deepEqual(timeAside(saved), [...timeAside(frames), { ...summary, port_errors: 0 }]);
  }
  await p.context().close();
});

test("serial monitor: port errors mid-frame, a lost device, pause, failures only, clear", async () => {
  const p = await open({}, pageUrl, standInSerial);
  await p.click("#PortConnect");
  await eventually(() => portOpens(p).then((o) => o.length), 1, "opened");
  await feed(p, [bytes(":1103006B")]);
  await fail(p, "ParityError");
  await feed(p, [bytes("00037E\r\n:1103")]);
  await fail(p, "BreakError");
  await feed(p, [bytes("006B00037E\r\n:1103006B00037E\r\n")]);
  await eventually(() => tallyOf(p), tally(3, 1, 0, 0, 2), "two port errors, then a good frame");
  const { rows } = await monitor(p);
  assert.deepEqual(rows.map((r) => r.outcome), ["error", "error", "ok"]);
  assert.deepEqual(rows.map((r) => r.cells[5]), ["a parity error, column 10", "a break, column 6", ""]);

  // A line that never ends: reported malformed once it passes 64 KiB, its rest dropped.
  await feed(p, [bytes("A".repeat(70000) + "\r\n:1103006B00037E\r\n")]);
  await eventually(() => tallyOf(p), tally(5, 2, 0, 1, 2), "the overlong line, then a good frame");
  const overlong = (await monitor(p)).rows.slice(3).map((r) => [r.outcome, r.cells[5]]);
  const dropped = "column 65537: a line of more than 65536 bytes; the rest of it is dropped";
  assert.deepEqual(overlong, [["malformed", dropped], ["ok", ""]]);

  // Paused, reading goes on and the counts follow; the rows come on resuming.
  await p.click("#MonitorPause");
  await feed(p, [bytes(":1103006B00037F\r\n")]);
  await eventually(() => tallyOf(p), tally(6, 2, 1, 1, 2), "counted while paused");
  assert.equal((await monitor(p)).rows.length, 5, "no row added while paused");
  await p.click("#MonitorPause");
  await eventually(() => monitor(p).then((m) => m.rows.length), 6, "resumed");

  // Only failures shown; the counts still cover all.
  await p.check("#MonitorFailuresOnly");
  const visible = () => p.locator("#MonitorFrames tbody tr:visible").count();
  await eventually(visible, 4, "the ok rows hidden");
  await p.uncheck("#MonitorFailuresOnly");
  await eventually(visible, 6, "all rows again");

  // The device lost: said so, rows and counts kept, Connect offered again, and it connects.
  await fail(p, "NetworkError");
  await eventually(() => monitor(p).then((m) => m.connect), "连接", "Connect again");
  const lost = await monitor(p);
  assert.match(lost.state, /设备已断开/);
  assert.equal(lost.rows.length, 6);
  assert.equal(lost.tally, tally(6, 2, 1, 1, 2));
  await p.click("#PortConnect");
  await eventually(() => portOpens(p).then((o) => o.length), 2, "opened again");
  await feed(p, [bytes(":1103006B00037E\r\n")]);
  await eventually(() => tallyOf(p), tally(7, 3, 1, 1, 2), "counting goes on");

  await p.click("#MonitorClear");
  await eventually(() => monitor(p).then((m) => [m.rows.length, m.tally]), [0, tally(0, 0, 0, 0, 0)]);
  await p.context().close();
});

test("serial monitor: F6 between window and monitor, Tab round the monitor, keys connect", async () => {
  const p = await open({}, pageUrl, standInSerial);
  const focused = () => p.evaluate(() => document.activeElement.id);
  const ring = ["PortConnect", "PortFormat", "PortBaud", "PortDataBits", "PortParity"];
  ring.push("PortStopBits", "MonitorFailuresOnly", "MonitorPause", "MonitorClear", "MonitorSave");
  const steps = [
    ["F6", "PortConnect"],
    ...ring.slice(1).map((id) => ["Tab", id]),
    ["Tab", "PortConnect"],
    ["Shift+Tab", "MonitorSave"],
    ["F6", "Edit1"],
    ["Tab", "Edit16"],
    ["F6", "PortConnect"],
  ];
  for (const [key, id] of steps) {
    await p.keyboard.press(key);
    await eventually(focused, id, `${key} to ${id}`);
  }
  await p.keyboard.press("Enter");
  await eventually(() => portOpens(p).then((o) => o.length), 1, "Enter on Connect opens");
  await feed(p, [bytes(":1103006B00037E\r\n")]);
  await eventually(() => tallyOf(p), tally(1, 1, 0, 0, 0));
  await p.keyboard.press("Shift+Tab");
  const [download] = await Promise.all([p.waitForEvent("download"), p.keyboard.press("Enter")]);
  const saved = readFileSync(await download.path(), "utf8").split("\n").filter((l) => l);
  assert.equal(saved.length, 2, "a frame and the summary, saved by keys");
  await p.context().close();
});

test("serial monitor: a flood keeps the last 10,000 rows, a batch a frame, the tally once a second", async () => {
  const p = await open({}, pageUrl, standInSerial);
  await p.click("#PortConnect");
  await eventually(() => portOpens(p).then((o) => o.length), 1, "opened");
  await p.evaluate(() => {
    const log = (window.flood = { frame: 0, batches: [], tallies: [] });
    const tick = () => (log.frame++, requestAnimationFrame(tick));
    requestAnimationFrame(tick);
    const rows = document.querySelector("#MonitorFrames tbody");
    // Every insertion is a record of its own, however many a task makes.
    new MutationObserver((records) => {
      for (const r of records) if (r.addedNodes.length > 0) log.batches.push(log.frame);
    }).observe(rows, { childList: true });
    const tallyNode = document.getElementById("MonitorTally");
    new MutationObserver(() => log.tallies.push(performance.now())).observe(tallyNode, {
      childList: true,
      characterData: true,
      subtree: true,
    });
  });
  // Good frames and numbered noise by turns, 50 lines a chunk.
  const total = 10050;
  const line = (k) => (k % 2 === 0 ? ":1103006B00037E\r\n" : `x${k}\r\n`);
  for (let from = 0; from < total; from += 50) {
    let chunk = "";
    for (let k = from; k < from + 50; k++) chunk += line(k);
    await feed(p, [bytes(chunk)]);
  }
  await eventually(() => tallyOf(p), tally(total, total / 2, 0, total / 2, 0), "every frame counted");
  const kept = await p.evaluate(() => {
    const rows = document.querySelector("#MonitorFrames tbody").rows;
    return { count: rows.length, first: rows[1].cells[1].textContent };
  });
  assert.deepEqual(kept, { count: 10000, first: "x51\u240d\u240a" }, "the last 10,000 rows");
  const { batches, tallies } = await p.evaluate(() => window.flood);
  assert.ok(batches.length > 1, `rows came in ${batches.length} batches`);
  const frames = new Set(batches).size;
  assert.equal(frames, batches.length, `${batches.length} batches in ${frames} animation frames`);
  // A timer never fires early, so the gaps hold on any machine.
  const gaps = tallies.slice(1).map((t, i) => t - tallies[i]);
  assert.ok(gaps.every((gap) => gap >= 950), `the tally changed ${gaps.map(Math.round)} ms apart`);
  await p.context().close();
});

test("serial monitor: headers, a polite tally, dark and forced colours, screenshots", async () => {
  const fill = async (p) => {
    await p.click("#PortConnect");
    await eventually(() => portOpens(p).then((o) => o.length), 1, "opened");
    await feed(p, [bytes(SERIAL_LOG + ":1103006B")]);
    await fail(p, "ParityError");
    await feed(p, [bytes("00037E\r\n")]);
    await eventually(() => tallyOf(p), tally(9, 4, 1, 3, 1), "the log shown");
  };
  const colors = (p) =>
    p.evaluate(() => {
      const style = (selector) => getComputedStyle(document.querySelector(selector));
      const probe = document.body.appendChild(document.createElement("span"));
      const system = (name) => ((probe.style.color = name), getComputedStyle(probe).color);
      const [canvasText, fieldText] = [system("CanvasText"), system("FieldText")];
      probe.remove();
      return {
        page: style("body").backgroundColor,
        caption: style("#MonitorCaption").color,
        tally: style("#MonitorTally").color,
        table: style(".MonitorTable").backgroundColor,
        cell: style("#MonitorFrames td").color,
        header: style("#MonitorFrames th").color,
        headerBackground: style("#MonitorFrames th").backgroundColor,
        canvasText,
        fieldText,
      };
    });
  const readable = (c, name) => {
    for (const [text, on] of [["caption", "page"], ["tally", "page"], ["cell", "table"]]) {
      const ratio = contrast(c[text], c[on]);
      assert.ok(ratio >= 4.5, `${name}: ${text} ${c[text]} on ${c[on]}: ${ratio}`);
    }
    const ratio = contrast(c.header, c.headerBackground);
    assert.ok(ratio >= 4.5, `${name}: headers ${c.header} on ${c.headerBackground}: ${ratio}`);
  };
  mkdirSync(screenshots, { recursive: true });

  const light = await open({}, pageUrl, standInSerial);
  const headers = await light.$$eval("#MonitorFrames thead th", (cells) =>
    cells.map((c) => [c.getAttribute("scope"), c.textContent]),
  );
  const names = ["时间", "帧", "结果", "收到的 LRC", "应有的 LRC", "说明"];
  assert.deepEqual(headers, names.map((name) => ["col", name]));
  const live = await light.$eval("#MonitorTally", (t) => [t.getAttribute("role"), t.ariaLive]);
  assert.deepEqual(live, ["status", "polite"]);
  await fill(light);
  readable(await colors(light), "light");
  await light.locator("#Monitor").screenshot({ path: join(screenshots, "monitor-light.png") });
  await light.context().close();

  const dark = await open({ colorScheme: "dark" }, pageUrl, standInSerial);
  await fill(dark);
  readable(await colors(dark), "dark");
  await dark.locator("#Monitor").screenshot({ path: join(screenshots, "monitor-dark.png") });
  await dark.context().close();

  const forced = await open({ forcedColors: "active" }, pageUrl, standInSerial);
  await fill(forced);
  const c = await colors(forced);
  assert.deepEqual([c.caption, c.tally, c.cell], [c.canvasText, c.canvasText, c.fieldText]);
  await forced.context().close();
});

test("serial monitor: a browser without Web Serial says so in one line, the window works", async () => {
  const p = await open({}, pageUrl, () => delete Navigator.prototype.serial);
  assert.equal(await p.isVisible("#Monitor"), false);
  assert.equal(await p.textContent("#MonitorUnavailable"), "此浏览器无法访问串口。");
  assert.equal(await p.isVisible("#MonitorUnavailable"), true);
  await p.keyboard.type(EXAMPLE);
  await eventually(async () => (await display(p)).hex, rows.example.at(-1).hex);
  await p.context().close();
});

test("served over http from 127.0.0.1: works the same, asks for nothing but the page", async () => {
  const asked = [];
  const server = createServer((request, response) => {
    asked.push(request.url);
    if (request.url !== "/lrc.html") return response.writeHead(404).end();
    response.writeHead(200, { "content-type": "text/html; charset=utf-8" });
    response.end(readFileSync(pagePath));
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  try {
    const served = await open({}, `http://127.0.0.1:${server.address().port}/lrc.html`);
    await served.keyboard.type(EXAMPLE);
    await eventually(async () => (await display(served)).hex, rows.example.at(-1).hex);
    await served.context().close();
  } finally {
    await new Promise((resolve) => server.close(resolve));
  }
  assert.deepEqual(asked, ["/lrc.html"]);
});

test("the whole run: no console error or warning, page error, policy breach, request", async () => {
  await page.context().close();
  assert.deepEqual(problems, []);
  // Each page opened asked for itself once, and the tabs the link opened for its address only.
  const own = opened.flatMap((p) => p.asked);
  assert.deepEqual(opened.map((p) => p.asked.map((r) => r.url())), opened.map((p) => [p.url]));
  const others = requests.filter((r) => !own.includes(r)).map((r) => r.url());
  assert.deepEqual([...routed, ...others].filter((url) => url !== ADDRESS), []);
});

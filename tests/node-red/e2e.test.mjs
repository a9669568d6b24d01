// The lrc node in a real Node-RED: started as a process on 127.0.0.1 with a fresh user folder,
// the node installed there from its tarball, a flow deployed through the admin API, frames sent
// through the flow's HTTP endpoints and every answer read back; then the editor in Debian's
// Chromium, the example flow and the node's form and help, as pictures.
//   SUMVANE_TARBALLS=SUMVANE.tgz,NODE.tgz SUMVANE_SCREENSHOTS=DIR node --test tests/node-red/e2e.test.mjs
// SUMVANE_NODE_RED (the node-red folder to run) and SUMVANE_NODE_RED_NODE (the Node.js to run it
// with) choose another Node-RED; by default tests/node-red's, on this Node.js.
import assert from "node:assert/strict";
import { spawn, spawnSync } from "node:child_process";
import { mkdirSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { createServer } from "node:net";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { installed } from "./install.mjs";

const require = createRequire(import.meta.url);
const here = new URL(".", import.meta.url).pathname;
const runtime = process.env.SUMVANE_NODE_RED ?? join(here, "node_modules/node-red");
const nodeBinary = process.env.SUMVANE_NODE_RED_NODE ?? process.execPath;
const screenshots = process.env.SUMVANE_SCREENSHOTS;
const { chromium } = require(join(here, "../web/node_modules/playwright-core"));

const DEADLINE_MS = 60000;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls `probe` until it gives something other than undefined, or fails at the deadline.
async function until(probe, what, ms = DEADLINE_MS) {
  const deadline = Date.now() + ms;
  for (;;) {
    const value = await probe();
    if (value !== undefined) return value;
    if (Date.now() > deadline) throw new Error(`gave up waiting for ${what}\n${log.join("")}`);
    await sleep(50);
  }
}

const freePort = () =>
  new Promise((resolve, reject) => {
    const server = createServer();
    server.on("error", reject);
    server.listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });

let install;
let red;
let exited = null;
let base;
const log = [];

before(async () => {
  install = installed("sumvane-node-red-e2e-");
  const port = await freePort();
  base = `http://127.0.0.1:${port}`;
  const settings = join(install.dir, "settings.js");
  writeFileSync(settings, `module.exports = ${JSON.stringify({
    uiHost: "127.0.0.1",
    uiPort: port,
    httpAdminRoot: "/admin",
    httpNodeRoot: "/",
    flowFile: "flows.json",
    credentialSecret: false,
    logging: { console: { level: "warn" } },
    editorTheme: { tours: false, projects: { enabled: false } },
    // Nothing asks the network, and the editor asks no consent for it.
    telemetry: { enabled: false, updateNotification: false },
  })};\n`);
  const nodeVersion = spawnSync(nodeBinary, ["--version"], { encoding: "utf8" }).stdout.trim();
  console.log(`Node.js ${nodeVersion}, user folder ${install.dir}`);
  red = spawn(nodeBinary, [join(runtime, "red.js"), "--settings", settings, "--userDir", install.dir],
    { stdio: ["ignore", "pipe", "pipe"] });
  red.stdout.on("data", (chunk) => log.push(chunk.toString()));
  red.stderr.on("data", (chunk) => log.push(chunk.toString()));
  red.on("exit", (code, signal) => (exited = { code, signal }));
  await until(async () => {
    if (exited) throw new Error(`Node-RED ended: ${JSON.stringify(exited)}\n${log.join("")}`);
    const answer = await fetch(`${base}/admin/settings`).catch(() => null);
    return answer?.ok ? answer.json() : undefined;
  }, "Node-RED's /admin/settings").then((settings) => console.log(`Node-RED ${settings.version} on 127.0.0.1:${port}`));
});

after(async () => {
  if (red && !exited) {
    red.kill("SIGTERM");
    const deadline = Date.now() + 10000;
    while (!exited && Date.now() < deadline) await sleep(50);
    if (!exited) red.kill("SIGKILL");
  }
  install?.remove();
});

async function get(path, headers = {}) {
  const answer = await fetch(`${base}${path}`, { headers });
  assert.ok(answer.ok, `GET ${path}: ${answer.status}`);
  return answer.json();
}

// The flow under test: POST /lrc?mode=&format= answers with what left the lrc node (the mode and
// the format from the query), or with the error a Catch node received; POST /serial hands its
// body to an lrc node in stream mode (?reset=1 with msg.reset), whose frames GET /frames lists.
const TAB = "e2e0tab0000001";
const answer = (output) =>
  `msg.payload = { output: ${output}, lrc: msg.lrc ?? null, payload: Buffer.isBuffer(msg.payload) ? { hex: msg.payload.toString("hex") } : msg.payload }; return msg;`;
const FLOW = [
  { id: TAB, type: "tab", label: "e2e" },
  { id: "e2e0in00000001", type: "http in", z: TAB, url: "/lrc", method: "post", wires: [["e2e0query00001"]] },
  { id: "e2e0query00001", type: "change", z: TAB, rules: [
    { t: "set", p: "mode", pt: "msg", to: "req.query.mode", tot: "msg" },
    { t: "set", p: "format", pt: "msg", to: "req.query.format", tot: "msg" },
  ], wires: [["e2e0lrc0000001"]] },
  { id: "e2e0lrc0000001", type: "lrc", z: TAB, mode: "msg", format: "msg", outputs: 2,
    wires: [["e2e0good000001"], ["e2e0bad0000001"]] },
  { id: "e2e0good000001", type: "function", z: TAB, func: answer(1), outputs: 1, wires: [["e2e0out0000001"]] },
  { id: "e2e0bad0000001", type: "function", z: TAB, func: answer(2), outputs: 1, wires: [["e2e0out0000001"]] },
  { id: "e2e0catch00001", type: "catch", z: TAB, scope: ["e2e0lrc0000001"], uncaught: false, wires: [["e2e0error00001"]] },
  { id: "e2e0error00001", type: "function", z: TAB, outputs: 1, wires: [["e2e0out0000001"]],
    func: "msg.payload = { error: msg.error.message, source: msg.error.source.type }; return msg;" },
  { id: "e2e0out0000001", type: "http response", z: TAB, statusCode: "", headers: {}, wires: [] },

  { id: "e2e0serial0001", type: "http in", z: TAB, url: "/serial", method: "post", wires: [["e2e0piece00001", "e2e0taken00001"]] },
  { id: "e2e0piece00001", type: "function", z: TAB, outputs: 1, wires: [["e2e0stream0001"]],
    func: "if (msg.req.query.reset) msg.reset = true; delete msg.req; delete msg.res; return msg;" },
  { id: "e2e0stream0001", type: "lrc", z: TAB, mode: "stream", format: "modbus-ascii", outputs: 2,
    wires: [["e2e0keep100001"], ["e2e0keep200001"]] },
  ...[1, 2].map((output) => ({
    id: `e2e0keep${output}00001`, type: "function", z: TAB, outputs: 0, wires: [],
    func: `const frames = flow.get("frames") ?? []; frames.push({ output: ${output}, line: msg.lrc.line, check: msg.lrc.check ?? null, flaw: msg.lrc.flaw ?? null, payload: msg.payload }); flow.set("frames", frames); return null;`,
  })),
  { id: "e2e0taken00001", type: "change", z: TAB, rules: [{ t: "set", p: "payload", pt: "msg", to: "taken", tot: "str" }],
    wires: [["e2e0out0000001"]] },
  { id: "e2e0frames0001", type: "http in", z: TAB, url: "/frames", method: "get", wires: [["e2e0list000001"]] },
  { id: "e2e0list000001", type: "function", z: TAB, outputs: 1, wires: [["e2e0out0000001"]],
    func: "msg.payload = flow.get(\"frames\") ?? []; return msg;" },
];

const post = async (path, body, type = "text/plain") => {
  const response = await fetch(`${base}${path}`, { method: "POST", body, headers: { "Content-Type": type } });
  assert.equal(response.status, 200, `POST ${path}`);
  const text = await response.text();
  return response.headers.get("content-type")?.startsWith("application/json") ? JSON.parse(text) : text;
};

let example;

test("the node's tarball is in the palette, its example offered, and a flow with it deploys", async () => {
  const modules = await get("/admin/nodes", { Accept: "application/json" });
  const ours = modules.find((set) => set.module === "@sumvane/node-red");
  assert.ok(ours, "the palette lists @sumvane/node-red");
  assert.deepEqual(ours.types, ["lrc"]);
  assert.equal(ours.enabled, true);
  assert.equal(ours.err, undefined);
  console.log(`palette: ${ours.module} ${ours.version}, types ${ours.types.join(", ")}`);

  // The import menu's examples, as the editor asks for them.
  const modulesWithExamples = await get("/admin/library/examples/flows/");
  console.log(`examples: ${JSON.stringify(modulesWithExamples)}`);
  const offered = await get("/admin/library/examples/flows/@sumvane/node-red");
  console.log(`examples of @sumvane/node-red: ${JSON.stringify(offered)}`);
  example = await get(`/admin/library/examples/flows/@sumvane/node-red/${encodeURIComponent("Modbus ASCII frames")}`);

  const deployed = await fetch(`${base}/admin/flows`, {
    method: "POST",
    headers: { "Content-Type": "application/json", "Node-RED-Deployment-Type": "full" },
    body: JSON.stringify([...example, ...FLOW]),
  });
  assert.equal(deployed.status, 204, await deployed.text());
  // Deployed once the endpoint answers.
  await until(async () => {
    const r = await fetch(`${base}/frames`).catch(() => null);
    return r?.ok ? true : undefined;
  }, "the deployed flow's /frames");
});

// Each request and what the flow must answer.
const EXCHANGES = [
  { query: "mode=check&format=modbus-ascii", body: ":1103006B00037E\r\n", output: 1, check: "ok" },
  { query: "mode=check&format=modbus-ascii", body: Buffer.from(":1103006B00037F\r\n"), type: "application/octet-stream",
    output: 2, check: "mismatch", last: "7F", expected: "7E" },
  { query: "mode=check&format=modbus-ascii", body: "1103006B00037E", output: 2, flaw: /':'/ },
  { query: "mode=append&format=modbus-ascii", body: "1103006B0003", output: 1, payload: ":1103006B00037E\r\n" },
  { query: "", body: "01 A0 7C FF 02", output: 1, hex: "E2" },
  { query: "format=bytes", body: Buffer.from([0x01, 0xa0, 0x7c, 0xff, 0x02]), type: "application/octet-stream", output: 1, hex: "E2" },
  { query: "mode=append&format=bytes", body: Buffer.from([0x11, 0x03]), type: "application/octet-stream", output: 1, payload: { hex: "1103ec" } },
  { query: "mode=sum", body: "01", error: /msg.mode must be compute, check, append or stream, not 'sum'/ },
  { query: "format=packed", body: "01 02", error: /a blank is not a hex digit/ },
];

test("frames sent through an HTTP endpoint are answered by the lrc node, errors by a Catch node", async () => {
  for (const row of EXCHANGES) {
    const got = await post(`/lrc?${row.query}`, row.body, row.type);
    const sent = typeof row.body === "string" ? JSON.stringify(row.body) : `<Buffer ${row.body.toString("hex")}>`;
    console.log(`POST /lrc?${row.query} ${sent} -> ${JSON.stringify(got)}`);
    if (row.error) {
      assert.match(got.error, row.error);
      assert.equal(got.source, "lrc");
      continue;
    }
    assert.equal(got.output, row.output, row.query);
    for (const name of ["check", "last", "expected", "hex"])
      if (row[name] !== undefined) assert.equal(got.lrc[name], row[name], `${row.query}: ${name}`);
    if (row.flaw) assert.match(got.lrc.flaw, row.flaw);
    if (row.payload !== undefined) assert.deepEqual(got.payload, row.payload);
  }
});

test("a serial stream in pieces: each frame leaves once whole, and ?reset=1 drops a half frame", async () => {
  const pieces = [[":1103006B00"], ["037E\r\n:11"], ["03006B00037F\r\n:1103"], ["006B00037E\r\n", "reset=1"]];
  for (const [body, query] of pieces) {
    assert.equal(await post(`/serial${query ? `?${query}` : ""}`, body), "taken");
  }
  const frames = await until(async () => {
    const list = await get("/frames");
    return list.length >= 3 ? list : undefined;
  }, "three frames");
  for (const frame of frames) console.log(`stream frame: ${JSON.stringify(frame)}`);
  assert.deepEqual(frames.map(({ output, line, check }) => ({ output, line, check })), [
    { output: 1, line: 1, check: "ok" },
    { output: 2, line: 2, check: "mismatch" },
    { output: 2, line: 1, check: null }, // after the reset, a frame without its colon
  ]);
  assert.deepEqual(frames.map((f) => f.payload), [":1103006B00037E", ":1103006B00037F", "006B00037E"]);
  assert.match(frames[2].flaw, /':'/);
});

test("the editor: the example flow, and the node's form with its help", { skip: !screenshots && "SUMVANE_SCREENSHOTS not set" }, async () => {
  // As root Chromium runs only without its sandbox.
  const args = process.getuid?.() === 0 ? ["--no-sandbox"] : [];
  const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", args });
  try {
    mkdirSync(screenshots, { recursive: true });
    const page = await browser.newPage({ viewport: { width: 1280, height: 760 } });
    const problems = [];
    page.on("pageerror", (e) => problems.push(e.message));
    await page.goto(`${base}/admin/`);
    await page.waitForSelector('.red-ui-palette-node[data-palette-type="lrc"]', { timeout: DEADLINE_MS });
    const tab = example.find((n) => n.type === "tab");
    await page.evaluate((id) => RED.workspaces.show(id), tab.id);
    await page.waitForSelector(".red-ui-flow-node-group", { timeout: DEADLINE_MS });
    await page.evaluate(() => RED.sidebar.show("debug"));
    // The example's injects pressed one by one, top to bottom, each answer awaited in the debug
    // sidebar (the stream's first piece finishes no frame).
    const injects = example.filter((n) => n.type === "inject").sort((a, b) => a.y - b.y);
    const answers = [1, 1, 1, 1, 1, 0, 1, 1];
    assert.equal(injects.length, answers.length);
    let shown = 0;
    for (const [i, inject] of injects.entries()) {
      const pressed = await fetch(`${base}/admin/inject/${inject.id}`, { method: "POST" });
      assert.equal(pressed.status, 200, inject.name);
      shown += answers[i];
      await page.waitForFunction((n) => document.querySelectorAll(".red-ui-debug-msg").length >= n, shown,
        { timeout: DEADLINE_MS });
    }
    const debug = await page.locator(".red-ui-debug-msg").allInnerTexts();
    assert.equal(debug.length, shown);
    // Every one a debug node's, no error among them; the wire frame ends with its line end.
    for (const text of debug) assert.match(text, /node: (good frame|bad frame|wire frame|msg\.lrc)\n/);
    assert.match(debug.join("\n"), /":1103006B00037E\u21b5"/);
    // The counts, drawn within a moment of the last frame.
    await page.waitForFunction(() => {
      const labels = [...document.querySelectorAll(".red-ui-flow-node-status-label")].map((e) => e.textContent);
      return ["1 good, 2 bad", "1 good, 1 bad"].every((text) => labels.includes(text));
    }, null, { timeout: DEADLINE_MS });
    await page.screenshot({ path: join(screenshots, "node-red-flow.png") });

    const check = example.find((n) => n.type === "lrc" && n.mode === "check");
    await page.evaluate((id) => RED.editor.edit(RED.nodes.node(id)), check.id);
    await page.waitForSelector("#node-input-mode", { state: "visible", timeout: DEADLINE_MS });
    assert.equal(await page.inputValue("#node-input-mode"), "check");
    assert.equal(await page.inputValue("#node-input-format"), "modbus-ascii");
    await page.evaluate(() => RED.sidebar.help.show("lrc"));
    // The sidebar's help, once it shows the node's text (a hidden element's innerText is empty).
    const help = await page.waitForFunction(() => [...document.querySelectorAll(".red-ui-help")]
      .map((e) => e.innerText).find((text) => text.includes("stream:")), null, { timeout: DEADLINE_MS });
    assert.match(await help.jsonValue(), /good frames leave by the first output/);
    await page.screenshot({ path: join(screenshots, "node-red-form.png") });
    assert.deepEqual(problems, []);
    console.log(`pictures: ${join(screenshots, "node-red-flow.png")}, ${join(screenshots, "node-red-form.png")}`);
  } finally {
    await browser.close();
  }
});

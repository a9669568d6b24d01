// Makes lrc.html, the page of the web edition, from the page's WebAssembly module: the window's
// controls come from the layout table inside the module, and the module itself goes into the
// page, gzipped, so that the one file works from disk and from any static host.
//   node web/build-page.mjs MODULE.wasm ICON.svg OUT.html
import { createHash } from "node:crypto";
import { readFileSync, writeFileSync } from "node:fs";
import { gzipSync } from "node:zlib";
import { SumvaneEngine } from "./js/engine.mjs";

const [modulePath, iconPath, outPath] = process.argv.slice(2);
const here = new URL(".", import.meta.url);
const source = (name) => readFileSync(new URL(name, here), "utf8");

const wasm = readFileSync(modulePath);
const engine = new SumvaneEngine(new WebAssembly.Module(wasm));
const form = JSON.parse(engine.answer(engine.exports.sumvane_layout()));

const escape = (text) =>
  text.replace(/[&<>"]/g, (c) => ({ "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;" })[c]);

// --- the controls, each an element whose id is its name, placed as the table says
const byName = new Map(form.controls.map((c) => [c.name, c]));
const widthOf = (name) => (name === form.name ? form.clientWidth : byName.get(name).width);
let css = `#${form.name}{width:${form.clientWidth}px;height:${form.clientHeight}px}\n`;
const children = new Map([[form.name, []]]);
for (const c of form.controls) {
  // Labels size themselves to their captions: no width; a right-aligned one keeps its right edge.
  const sized = c.kind === "Label" || c.kind === "LinkLabel";
  const across = c.rightAligned
    ? `right:${widthOf(c.parent) - c.left - c.width}px`
    : `left:${c.left}px`;
  css += `#${c.name}{${across};top:${c.top}px;${sized ? "" : `width:${c.width}px;`}height:${c.height}px}\n`;

  const caption = escape(c.caption);
  const attributes = [`id="${c.name}"`, `class="${c.kind}"`];
  if (sized) attributes.push(`data-font-color="${c.fontColor}"`);
  if (c.tabOrder >= 0) attributes.push(`data-tab-order="${c.tabOrder}"`);
  let element;
  switch (c.kind) {
    case "Label":
      element = c.labelFor
        ? `<label ${attributes.join(" ")} for="${c.labelFor}">${caption}</label>`
        : `<span ${attributes.join(" ")}>${caption}</span>`;
      break;
    case "LinkLabel":
      // A real link for assistive technology, but no tab stop, as in the window.
      element = `<a ${attributes.join(" ")} href="${escape(form.address)}" target="_blank" rel="noopener" tabindex="-1">${caption}</a>`;
      break;
    case "Edit":
      element = `<input ${attributes.join(" ")} type="text" value="${caption}" autocomplete="off" spellcheck="false" autocapitalize="off" aria-describedby="Label6">`;
      break;
    case "ReadOnlyEdit":
      element = `<input ${attributes.join(" ")} type="text" value="${caption}" readonly autocomplete="off" spellcheck="false">`;
      break;
    case "GroupBox":
      element = `<div ${attributes.join(" ")} role="group" aria-labelledby="${c.name}Caption"><span class="Caption" id="${c.name}Caption">${caption}</span>`;
      break;
  }
  children.set(c.name, []);
  children.get(c.parent).push({ c, element });
}
const markup = (name) =>
  children
    .get(name)
    .map(({ c, element }) => (c.kind === "GroupBox" ? element + markup(c.name) + "</div>" : element))
    .join("\n");

// --- the serial monitor below the window, shown by the script where the browser has Web Serial
const options = (values, chosen) =>
  values
    .map(([value, caption]) =>
      `<option value="${value}"${value === chosen ? " selected" : ""}>${escape(caption)}</option>`)
    .join("");
const same = (values) => values.map((v) => [v, v]);
const field = (id, caption, values, chosen) =>
  `<label class="MonitorField">${escape(caption)} <select id="${id}">${options(values, chosen)}</select></label>`;
const monitor = `<section id="Monitor" aria-labelledby="MonitorCaption" hidden>
<h2 id="MonitorCaption">串口监视器</h2>
<div class="MonitorControls">
<button id="PortConnect" type="button">连接</button>
${field("PortFormat", "格式", same(["modbus-ascii", "packed", "spaced", "c-array", "colon"]), "modbus-ascii")}
${field("PortBaud", "baud", same(["1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"]), "9600")}
${field("PortDataBits", "数据位", same(["7", "8"]), "7")}
${field("PortParity", "校验", [["none", "无"], ["even", "偶"], ["odd", "奇"]], "even")}
${field("PortStopBits", "停止位", same(["1", "2"]), "1")}
<label class="MonitorField"><input id="MonitorFailuresOnly" type="checkbox"> 只显示失败的帧</label>
<button id="MonitorPause" type="button" aria-pressed="false">暂停</button>
<button id="MonitorClear" type="button">清除</button>
<button id="MonitorSave" type="button">保存</button>
</div>
<p id="MonitorState"></p>
<p id="MonitorTally" role="status" aria-live="polite"></p>
<div class="MonitorTable">
<table id="MonitorFrames">
<thead><tr><th scope="col">时间</th><th scope="col">帧</th><th scope="col">结果</th><th scope="col">收到的 LRC</th><th scope="col">应有的 LRC</th><th scope="col">说明</th></tr></thead>
<tbody></tbody>
</table>
</div>
</section>
<p id="MonitorUnavailable" hidden>此浏览器无法访问串口。</p>`;

const style = source("page/lrc.css") + css;
const engineSource = source("js/engine.mjs").replace(/^export /gm, "");
const gzipped = gzipSync(wasm, { level: 9 }).toString("base64");
const script = `"use strict";\n{\n${engineSource}\nconst EngineModule = "${gzipped}";\n${source("page/lrc.js")}}\n`;
const hash = (text) => `'sha256-${createHash("sha256").update(text).digest("base64")}'`;
const policy = [
  "default-src 'none'",
  `style-src ${hash(style)}`,
  `script-src ${hash(script)} 'wasm-unsafe-eval'`,
  "img-src data:",
].join("; ");
const icon = readFileSync(iconPath).toString("base64");

const page = `<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="${policy}">
<meta name="color-scheme" content="light dark">
<title>${escape(form.caption)}</title>
<link rel="icon" href="data:image/svg+xml;base64,${icon}">
<style>${style}</style>
</head>
<body>
<div id="${form.name}">
${markup(form.name)}
<div id="StatusAnnouncer" class="Announcer" role="status" aria-live="polite"></div>
<span id="ColorProbe" aria-hidden="true" hidden></span>
</div>
${monitor}
<dialog id="ErrorBox" aria-labelledby="ErrorBoxCaption" aria-describedby="ErrorBoxText">
<p id="ErrorBoxCaption">${escape(form.title)}</p>
<p id="ErrorBoxText"></p>
<button id="ErrorBoxOk" type="button">OK</button>
</dialog>
<script>${script}</script>
</body>
</html>
`;
writeFileSync(outPath, page);

// The window's behaviour on the page. Everything it shows comes from the engine and the
// window's description in WebAssembly; this only paints, keeps the data field's exact text,
// and runs the timer that lets the status settle before it is announced. Below the window, the
// serial monitor feeds a port's bytes to the module's checker and shows its reports.
// The generator puts SumvaneEngine, compileEmbedded and EngineModule (base64) before it.

const $ = (id) => document.getElementById(id);
const Edit1 = $("Edit1");
const Label9 = $("Label9");
const Announcer = $("StatusAnnouncer");
const Results = ["Edit16", "Edit10", "Edit8", "Edit2"].map($);
const Labels = [...document.querySelectorAll("[data-font-color]")];
const TabStops = [...document.querySelectorAll("[data-tab-order]")].sort(
  (a, b) => a.dataset.tabOrder - b.dataset.tabOrder,
);

// --- The data field's exact text ----------------------------------------------------------------
// A browser's text field drops line breaks, but the window keeps them, and the answer is that
// of the text as it was pasted. So the field shows each CR and LF as its control picture, one
// character for one, and `text` holds the real characters.
const Pictures = { "\r": "\u240D", "\n": "\u240A" };
const shown = (text) => text.replace(/[\r\n]/g, (c) => Pictures[c]);

let text = "";
let shownText = "";
let inserting = null; // the exact text a paste or drop is putting in, until its input event

// A browser edits one long text node slowly, and keeps a long insertion as one; set anew, the
// field's text is split into short nodes, and every keystroke after it stays quick.
const LongInsertion = 4096;

// Puts the field's text in anew, with the selection given (the field shows one character for
// every character of the text, so the places are the same).
function setField(start, end) {
  if (Edit1.value === shownText) Edit1.value = "";
  Edit1.value = shownText;
  Edit1.setSelectionRange(start, end);
}

// Where the field's new value differs from what it showed: [start, end of the old, end of the new].
function changedRange(before, after) {
  let start = 0;
  const shortest = Math.min(before.length, after.length);
  while (start < shortest && before.charCodeAt(start) === after.charCodeAt(start)) start++;
  let tail = 0;
  while (
    tail < shortest - start &&
    before.charCodeAt(before.length - 1 - tail) === after.charCodeAt(after.length - 1 - tail)
  )
    tail++;
  return [start, before.length - tail, after.length - tail];
}

// How an inserted text may stand in the field: as this page puts it in (pictures for line
// breaks), or as the browser's own drop leaves it (line breaks dropped, or made blanks).
const insertedForms = (exact) => [
  shown(exact),
  exact.replace(/[\r\n]/g, ""),
  exact.replace(/\r\n/g, " ").replace(/[\r\n]/g, " "),
];

function followField() {
  const value = Edit1.value;
  let start, oldEnd, exact;
  const caret = Edit1.selectionEnd;
  const form =
    inserting === null
      ? undefined
      : insertedForms(inserting).find(
          (f) => f.length <= caret && value.slice(caret - f.length, caret) === f,
        );
  if (form !== undefined) {
    // An insertion ends at the caret; what stands before and after it was there before.
    exact = inserting;
    start = caret - form.length;
    oldEnd = shownText.length - (value.length - caret);
  } else {
    const [from, oldTo, newTo] = changedRange(shownText, value);
    const put = value.slice(from, newTo);
    // Typing puts in every character as it is.
    [start, oldEnd, exact] = [from, oldTo, put];
  }
  inserting = null;
  text = text.slice(0, start) + exact + text.slice(text.length - (shownText.length - oldEnd));
  shownText = shown(text);
  if (Edit1.value !== shownText || exact.length > LongInsertion) {
    const after = start + exact.length;
    setField(after, after);
  }
}

// --- The field's history ----------------------------------------------------------------------
// Undo and redo are the page's own, since setting the field's value (above) empties the
// browser's. Each change is a step, the text and the selection before it.
const Undo = [];
const Redo = [];
const HistoryDepth = 100;

function snapshot() {
  return { text, start: Edit1.selectionStart, end: Edit1.selectionEnd };
}

function remember() {
  Undo.push(snapshot());
  if (Undo.length > HistoryDepth) Undo.shift();
  Redo.length = 0;
}

function stepBack(from, to) {
  const state = from.pop();
  if (state === undefined) return;
  to.push(snapshot());
  text = state.text;
  shownText = shown(text);
  setField(state.start, state.end);
  Edit1Change();
}

function insertExact(exact) {
  if (exact === "") return;
  inserting = exact;
  remember(); // a script's editing raises no beforeinput
  // As typing does: the field's own editing, which its input events follow.
  if (!document.execCommand("insertText", false, shown(exact))) {
    const from = Edit1.selectionStart;
    Edit1.setRangeText(shown(exact), from, Edit1.selectionEnd, "end");
    Edit1.dispatchEvent(new InputEvent("input", { inputType: "insertFromPaste" }));
  }
}

// --- The engine ------------------------------------------------------------------------------------
let engine = null;

function showFailure(error) {
  const message = error instanceof Error ? error.message : String(error);
  const boxText = engine.call((x, e) => e.answer(e.withText(message, x.sumvane_error_box_text)));
  $("ErrorBoxText").textContent = boxText;
  const box = $("ErrorBox");
  if (!box.open) box.showModal();
}

function setText(field, value) {
  if (field.value !== value) field.value = value; // an equal text keeps its selection
}

// --- Colours: the window's, where they read on the theme -----------------------------------------
let fontColors = new Map(Labels.map((label) => [label, Number(label.dataset.fontColor)]));

function themeColor(css) {
  const probe = $("ColorProbe");
  probe.style.color = css;
  const [r, g, b] = getComputedStyle(probe).color.match(/\d+(\.\d+)?/g).map(Number);
  return (r << 16) | (g << 8) | b;
}

let theme = null;

function readTheme() {
  theme = {
    background: themeColor("ButtonFace"),
    text: themeColor("CanvasText"),
    link: themeColor("LinkText"),
    highContrast: matchMedia("(forced-colors: active)").matches ? 1 : 0,
  };
}

function paintColor(label) {
  const fixed = fontColors.get(label);
  const rgb = engine.exports.sumvane_legible_color(
    fixed,
    theme.background,
    theme.text,
    theme.link,
    theme.highContrast,
  );
  const css = "#" + rgb.toString(16).padStart(6, "0");
  if (label.style.color !== css) label.style.color = css;
}

function setFontColor(label, color) {
  if (fontColors.get(label) === color) return;
  fontColors.set(label, color);
  paintColor(label);
}

function repaintColors() {
  readTheme();
  for (const label of Labels) paintColor(label);
}

// --- Edit1Change --------------------------------------------------------------------------------
let settleTimer = 0;

function Edit1Change() {
  if (!engine) return; // the engine shows the text's answer as soon as it is ready
  let display;
  try {
    display = engine.call((x, e) =>
      e.answer(e.withText(text, x.sumvane_change, performance.now())).split("\0"),
    );
  } catch (error) {
    showFailure(error); // as the window's error box: the display keeps what it showed
    return;
  }
  Results.forEach((field, i) => setText(field, display[i]));
  if (Label9.textContent !== display[4]) Label9.textContent = display[4];
  setFontColor(Label9, Number(display[5]));
  scheduleSettle();
}

function scheduleSettle() {
  clearTimeout(settleTimer);
  const at = engine.exports.sumvane_settles_at();
  if (at < 0) return;
  settleTimer = setTimeout(() => {
    const status = engine.answer(engine.exports.sumvane_settle(performance.now()));
    if (status !== null) Announcer.textContent = status;
    else scheduleSettle(); // woken early: wait the rest
  }, Math.max(0, at - performance.now()));
}

// --- Keyboard and mouse ---------------------------------------------------------------------------
Edit1.addEventListener("beforeinput", (event) => {
  const type = event.inputType;
  if (type === "insertLineBreak" || type === "insertParagraph") {
    event.preventDefault(); // Enter changes nothing
  } else if (type === "historyUndo" || type === "historyRedo") {
    event.preventDefault(); // the context menu's Undo and Redo
    if (type === "historyUndo") stepBack(Undo, Redo);
    else stepBack(Redo, Undo);
  } else {
    remember();
    if (type === "insertFromDrop" && event.dataTransfer)
      inserting = event.dataTransfer.getData("text/plain");
  }
});
Edit1.addEventListener("keydown", (event) => {
  if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
  const key = event.key.toLowerCase();
  if (key === "z" && !event.shiftKey) {
    event.preventDefault();
    stepBack(Undo, Redo);
  } else if (key === "y" || (key === "z" && event.shiftKey)) {
    event.preventDefault();
    stepBack(Redo, Undo);
  }
});
Edit1.addEventListener("paste", (event) => {
  event.preventDefault();
  insertExact(event.clipboardData.getData("text/plain"));
});
// Copy and cut take the text as it was typed or pasted, line breaks and not their pictures, so
// that what is cut pastes back to the same answer.
function copyExact(event) {
  const [from, to] = [Edit1.selectionStart, Edit1.selectionEnd];
  if (from === to) return;
  event.preventDefault();
  event.clipboardData.setData("text/plain", text.slice(from, to));
  if (event.type === "cut") {
    remember(); // a script's editing raises no beforeinput
    document.execCommand("delete");
  }
}
Edit1.addEventListener("copy", copyExact);
Edit1.addEventListener("cut", copyExact);
Edit1.addEventListener("input", () => {
  followField();
  Edit1Change();
});

// Tab goes round the window's fields and stays in it; entering a field selects its text.
document.addEventListener("keydown", (event) => {
  if (event.key !== "Tab" || event.ctrlKey || event.altKey || event.metaKey) return;
  if ($("ErrorBox").open) return;
  event.preventDefault();
  const at = TabStops.indexOf(document.activeElement);
  const step = event.shiftKey ? -1 : 1;
  const next = TabStops[(at + step + TabStops.length) % TabStops.length];
  next.focus();
  next.select();
});

// The link opens its page once per click: the second click of a double click opens nothing.
// Like the window's link, it takes no focus: the caret stays where it was.
$("Label8").addEventListener("mousedown", (event) => event.preventDefault());
$("Label8").addEventListener("click", (event) => {
  if (event.detail > 1) event.preventDefault();
});

$("ErrorBoxOk").addEventListener("click", () => $("ErrorBox").close());

matchMedia("(prefers-color-scheme: dark)").addEventListener("change", repaintColors);
matchMedia("(forced-colors: active)").addEventListener("change", repaintColors);

// --- The serial monitor ----------------------------------------------------------------------
// Where the browser reaches serial ports, the frames a port sends are checked as they arrive by
// the module's checker of a log pushed in pieces, exactly as sumvane-lrc --port checks them, and
// shown a row a frame. Nothing the port sends becomes markup: rows are built with textContent.
const Monitor = $("Monitor");
const MonitorFrames = $("MonitorFrames").tBodies[0];
const MonitorTally = $("MonitorTally");
const MonitorState = $("MonitorState");
const PortConnect = $("PortConnect");
const PortFormat = $("PortFormat");
const MonitorPause = $("MonitorPause");
const MonitorStops = [...Monitor.querySelectorAll("button, select, input")];

// The port errors the checker takes, in the order of CheckerExports.cpp's PortFaults, by the
// name of the error Web Serial raises; BufferOverflowError is the browser's own buffer overrun.
const PortErrors = {
  ParityError: 0,
  FramingError: 1,
  BufferOverrunError: 2,
  BufferOverflowError: 2,
  BreakError: 3,
};
const LineLimit = 1 << 16; // the checker's LiveLineLimit
const RowsKept = 10000;
const ShownBytes = 256; // of a frame, the rest stands as an ellipsis
const Verdicts = { ok: "正确", mismatch: "LRC 不符", malformed: "格式错误", error: "端口错误" };
const Connect = "连接";
const Disconnect = "断开";

// The port, its reading and its checker, while connected.
let port = null;
let reader = null;
let closing = false;
let checker = 0; // the module's handle, 0 for none
let checkerGeneration = 0;

// The frames' texts, by line number, until their reports arrive, mirroring the checker's line
// ends (LF, CR or CR LF) and its numbering, where a port error between lines takes a number.
let lineNumber = 1;
let lineBytes = [];
let lineLength = 0;
let afterCr = false;
const lineTexts = new Map();

// Everything since the last Clear: the counts, and the capture's lines.
let tally = { frames: 0, ok: 0, wrongLrc: 0, malformed: 0, portErrors: 0 };
let capture = [];
let pending = []; // rows not yet in the table
let paused = false;
let drawing = 0;
let tallyTimer = 0;
let tallyShownAt = -Infinity;

const pictured = (text) =>
  text.replace(/[\u0000-\u001f\u007f]/g, (c) =>
    c === "\u007f" ? "\u2421" : String.fromCharCode(0x2400 + c.charCodeAt(0)),
  );

function endLine(end) {
  if (lineBytes.length > 0 || lineLength > 0) {
    const bytes = new Uint8Array([...lineBytes, ...end]);
    let shown = pictured(new TextDecoder().decode(bytes));
    if (lineLength > ShownBytes) shown += "\u2026";
    lineTexts.set(lineNumber, shown);
  }
  lineNumber++;
  lineBytes = [];
  lineLength = 0;
}

function followLines(bytes) {
  for (const byte of bytes) {
    if (afterCr) {
      afterCr = false;
      if (byte === 0x0a) {
        const text = lineTexts.get(lineNumber - 1);
        if (text !== undefined) lineTexts.set(lineNumber - 1, text + "\u240a");
        continue;
      }
    }
    if (byte === 0x0a || byte === 0x0d) {
      afterCr = byte === 0x0d;
      endLine([byte]);
    } else {
      if (lineLength < ShownBytes) lineBytes.push(byte);
      lineLength++;
    }
  }
}

function newChecker() {
  const format = new TextEncoder().encode(PortFormat.value);
  checker = engine.call((x, e) => e.withText(format, x.sumvane_checker_new, 1, 0, 1, 1));
  checkerGeneration = engine.generation;
  lineNumber = 1;
  lineBytes = [];
  lineLength = 0;
  afterCr = false;
  lineTexts.clear();
}

const moment = () => [Date.now(), -new Date().getTimezoneOffset()];

// Runs `work(exports, engine)` on the checker: its report lines, each taken in.
function onChecker(work) {
  if (!checker) return;
  if (engine.generation !== checkerGeneration) {
    checker = 0; // the engine failed, and its checker went with it
    return;
  }
  let lines;
  try {
    lines = engine.call(work);
  } catch (error) {
    checker = 0;
    showFailure(error);
    return;
  }
  for (const line of lines.split("\n")) if (line !== "") takeReport(line);
}

function pushBytes(bytes) {
  followLines(bytes);
  onChecker((x, e) => e.answer(e.withText(bytes, x.sumvane_checker_push, checker, ...moment())));
}

function pushFault(index) {
  if (lineBytes.length === 0 && lineLength === 0) {
    lineTexts.set(lineNumber, "");
    lineNumber++;
  }
  onChecker((x, e) => e.answer(x.sumvane_checker_fault(checker, index, ...moment())));
}

function endChecker() {
  const handle = checker;
  onChecker((x, e) => e.answer(x.sumvane_checker_end(handle, ...moment())));
  checker = 0;
}

function outcomeOf(report) {
  if (report.port_error !== undefined) return "error";
  if (!report.valid) return "malformed";
  return report.check === "mismatch" ? "mismatch" : "ok";
}

function takeReport(line) {
  const report = JSON.parse(line);
  if (report.summary) return; // the counts are the monitor's own, kept across connections
  capture.push(line);
  const outcome = outcomeOf(report);
  tally.frames++;
  if (outcome === "ok") tally.ok++;
  else if (outcome === "mismatch") tally.wrongLrc++;
  else if (outcome === "malformed") tally.malformed++;
  else tally.portErrors++;
  let text = "";
  for (const [number, shown] of lineTexts) {
    if (number > report.line) break;
    if (number === report.line) text = shown;
    lineTexts.delete(number);
  }
  const note =
    outcome === "error"
      ? `${report.error}, column ${report.column}`
      : outcome === "malformed"
        ? `column ${report.column}: ${report.flaw}`
        : (report.matches ?? []).join(", ");
  pending.push([outcome, report.time, text, Verdicts[outcome], report.last, report.expected, note]);
  if (pending.length > RowsKept) pending.splice(0, pending.length - RowsKept);
  scheduleDraw();
  scheduleTally();
}

function scheduleDraw() {
  if (!drawing && !paused) drawing = requestAnimationFrame(drawRows);
}

// The rows that arrived since the last animation frame, added at once.
function drawRows() {
  drawing = 0;
  const rows = document.createDocumentFragment();
  for (const [outcome, ...cells] of pending) {
    const row = document.createElement("tr");
    row.dataset.outcome = outcome;
    for (const cell of cells) row.insertCell().textContent = cell ?? "";
    rows.append(row);
  }
  pending = [];
  MonitorFrames.append(rows);
  const over = MonitorFrames.rows.length - RowsKept;
  for (let i = 0; i < over; i++) MonitorFrames.firstElementChild.remove();
}

// The tally as the tool's, spoken at most once a second.
function tallyText() {
  const t = tally;
  return `${t.frames} ${t.frames === 1 ? "frame" : "frames"}: ${t.ok} ok, ${t.wrongLrc} wrong LRC, ${t.malformed} malformed, ${t.portErrors} ${t.portErrors === 1 ? "port error" : "port errors"}`;
}

function showTally() {
  tallyTimer = 0;
  tallyShownAt = performance.now();
  MonitorTally.textContent = tallyText();
}

function scheduleTally() {
  if (tallyTimer) return;
  tallyTimer = setTimeout(showTally, Math.max(0, tallyShownAt + 1000 - performance.now()));
}

function summaryLine() {
  const t = tally;
  return JSON.stringify({
    summary: true,
    frames: t.frames,
    ok: t.ok,
    wrong_lrc: t.wrongLrc,
    malformed: t.malformed,
    port_errors: t.portErrors,
  });
}

function setConnected(connected) {
  PortConnect.textContent = connected ? Disconnect : Connect;
  for (const id of ["PortFormat", "PortBaud", "PortDataBits", "PortParity", "PortStopBits"])
    $(id).disabled = connected;
}

async function readPort(opened) {
  let lost = false;
  while (opened.readable && !closing) {
    reader = opened.readable.getReader();
    try {
      for (;;) {
        const { value, done } = await reader.read();
        if (done) break;
        pushBytes(value);
      }
    } catch (error) {
      if (error && error.name in PortErrors) pushFault(PortErrors[error.name]);
      else if (!closing) lost = true;
    } finally {
      reader.releaseLock();
      reader = null;
    }
    if (lost) break;
  }
  endChecker();
  if (!closing) {
    MonitorState.textContent = "设备已断开。计数和帧都保留着；可以再连接。";
    try {
      await opened.close();
    } catch {
      // a port that went away may refuse to close: it is dropped all the same
    }
  }
  if (port === opened) port = null;
  setConnected(false);
}

async function connect() {
  let chosen;
  try {
    chosen = await navigator.serial.requestPort();
    await chosen.open({
      baudRate: Number($("PortBaud").value),
      dataBits: Number($("PortDataBits").value),
      parity: $("PortParity").value,
      stopBits: Number($("PortStopBits").value),
    });
  } catch (error) {
    if (error && error.name !== "NotFoundError") MonitorState.textContent = error.message;
    return;
  }
  port = chosen;
  closing = false;
  MonitorState.textContent = "";
  newChecker();
  setConnected(true);
  readPort(chosen);
}

async function disconnect() {
  const opened = port;
  closing = true;
  if (reader) await reader.cancel().catch(() => {});
  await opened.close().catch(() => {});
}

PortConnect.addEventListener("click", () => (port ? disconnect() : connect()));

// The line settings as sumvane-lrc --port has them for the format: 7E1 for Modbus ASCII, else 8N1.
PortFormat.addEventListener("change", () => {
  const ascii = PortFormat.value === "modbus-ascii";
  $("PortDataBits").value = ascii ? "7" : "8";
  $("PortParity").value = ascii ? "even" : "none";
  $("PortStopBits").value = "1";
});

$("MonitorFailuresOnly").addEventListener("change", (event) =>
  $("MonitorFrames").classList.toggle("FailuresOnly", event.target.checked),
);

MonitorPause.addEventListener("click", () => {
  paused = !paused;
  MonitorPause.setAttribute("aria-pressed", String(paused));
  MonitorPause.textContent = paused ? "继续" : "暂停";
  scheduleDraw(); // a resume shows what arrived meanwhile
});

$("MonitorClear").addEventListener("click", () => {
  MonitorFrames.replaceChildren();
  pending = [];
  capture = [];
  tally = { frames: 0, ok: 0, wrongLrc: 0, malformed: 0, portErrors: 0 };
  clearTimeout(tallyTimer);
  showTally();
});

$("MonitorSave").addEventListener("click", () => {
  const file = new Blob([capture.map((line) => line + "\n").join("") + summaryLine() + "\n"], {
    type: "application/jsonl",
  });
  const link = document.createElement("a");
  link.href = URL.createObjectURL(file);
  link.download = "sumvane-capture.jsonl";
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
});

// F6 moves between the window and the monitor; inside the monitor Tab goes round its controls.
document.addEventListener(
  "keydown",
  (event) => {
    if (Monitor.hidden || $("ErrorBox").open || event.ctrlKey || event.altKey || event.metaKey)
      return;
    const inMonitor = Monitor.contains(document.activeElement);
    if (event.key === "F6") {
      event.preventDefault();
      if (inMonitor) {
        TabStops[0].focus();
        TabStops[0].select();
      } else {
        PortConnect.focus();
      }
    } else if (event.key === "Tab" && inMonitor) {
      event.preventDefault();
      event.stopImmediatePropagation();
      const stops = MonitorStops.filter((stop) => !stop.disabled);
      const at = stops.indexOf(document.activeElement);
      const step = event.shiftKey ? -1 : 1;
      stops[(at + step + stops.length) % stops.length].focus();
    }
  },
  true,
);

function startMonitor() {
  if (!("serial" in navigator)) {
    $("MonitorUnavailable").hidden = false;
    return;
  }
  Monitor.hidden = false;
  showTally();
}

Edit1.focus();

compileEmbedded(EngineModule, true).then((module) => {
  engine = new SumvaneEngine(module);
  repaintColors();
  // What was typed before the engine was ready gets its answer now.
  if (Edit1.value !== "") Edit1Change();
  startMonitor();
  document.documentElement.dataset.ready = "";
});

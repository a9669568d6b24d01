// The window's behaviour on the page. Everything it shows comes from the engine and the
// window's description in WebAssembly; this only paints, keeps the data field's exact text,
// and runs the timer that lets the status settle before it is announced.
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

Edit1.focus();

compileEmbedded(EngineModule, true).then((module) => {
  engine = new SumvaneEngine(module);
  repaintColors();
  // What was typed before the engine was ready gets its answer now.
  if (Edit1.value !== "") Edit1Change();
  document.documentElement.dataset.ready = "";
});

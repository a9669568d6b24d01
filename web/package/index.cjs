// sumvane for require(): the same functions, from the ES module that init() loads.
"use strict";

let api = null;

exports.init = async function init() {
  api ??= await import("./index.mjs");
  await api.init();
};

function ready() {
  if (!api) throw new Error("sumvane: call init() first and wait for it");
  return api;
}

exports.calculateLrc = (text) => ready().calculateLrc(text);
exports.renderLrc = (result) => ready().renderLrc(result);
exports.report = (text, options) => ready().report(text, options);
exports.reportLines = (log, options) => ready().reportLines(log, options);
exports.createLineChecker = (options) => ready().createLineChecker(options);
exports.lineReports = (options) => ready().lineReports(options);

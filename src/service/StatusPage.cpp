// The status page: rows of inputs with level bars and state, the broadcast clock and the host,
// refreshed from /status every second. Sized for eight inputs on 1280x800 without scrolling.
#include "service/StatusPage.h"

namespace sonivex {

namespace {

constexpr char kPage[] = R"html(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width,initial-scale=1">
<title>sonivex</title>
<style>
:root{--bg:#14171c;--row:#1d2229;--text:#e8ebef;--dim:#8a939e;--ok:#2fb36b;--warn:#e0b02a;
--bad:#e5484d;--pause:#6b7480}
*{box-sizing:border-box}
body{margin:0;background:var(--bg);color:var(--text);font:15px/1.3 system-ui,"Noto Sans CJK JP",
sans-serif;height:100vh;display:flex;flex-direction:column}
header{display:flex;align-items:baseline;gap:24px;padding:10px 20px;border-bottom:1px solid #2a3038}
#host{font-size:20px;font-weight:600}
#clock{margin-left:auto;font:600 30px/1 ui-monospace,monospace;letter-spacing:1px}
#date{color:var(--dim);font-size:16px}
#conn{color:var(--bad);font-weight:600}
main{flex:1;display:grid;grid-auto-rows:minmax(0,1fr);gap:6px;padding:8px 20px 12px;
max-height:calc(100vh - 56px)}
.row{display:grid;grid-template-columns:56px minmax(140px,1.1fr) 2.2fr minmax(200px,1.3fr);
align-items:center;gap:16px;background:var(--row);border-radius:8px;padding:0 16px;
border-left:6px solid var(--ok);min-height:0;overflow:hidden}
.row.alert{border-left-color:var(--bad);background:#3a1c20}
.row.paused{border-left-color:var(--pause)}
.row.idle{border-left-color:#3a4048;color:var(--dim)}
.ch{font:600 22px ui-monospace,monospace;color:var(--dim)}
.name{font-size:22px;font-weight:600;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.meters{display:grid;gap:8px}
.meter{display:grid;grid-template-columns:14px 1fr 72px;align-items:center;gap:8px;
font:13px ui-monospace,monospace;color:var(--dim)}
.bar{height:18px;background:#0d0f12;border-radius:3px;overflow:hidden}
.fill{height:100%;width:0;background:linear-gradient(90deg,var(--ok) 0 70%,var(--warn) 70% 88%,
var(--bad) 88%);background-size:var(--w,100%) 100%;transition:width .25s}
.db{text-align:right}
.state{font-size:19px;font-weight:600}
.state small{display:block;font-weight:400;font-size:13px;color:#f3c4c6;white-space:nowrap;
overflow:hidden;text-overflow:ellipsis}
.alert .state{color:#ff8a8e}.paused .state{color:var(--dim)}.watch .state{color:var(--ok)}
</style></head>
<body>
<header><span id="host">sonivex</span><span id="conn"></span>
<span id="date"></span><span id="clock">--:--:--</span></header>
<main id="rows"></main>
<script>
"use strict";
const FLOOR = -60;
let token = new URLSearchParams(location.search).get("token") || sessionStorage.getItem("token");
if (token) { sessionStorage.setItem("token", token); history.replaceState(null, "", "/"); }
const rows = document.getElementById("rows");
function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
}
function meter(label) {
  const m = el("div", "meter"), bar = el("div", "bar"), fill = el("div", "fill");
  bar.append(fill);
  m.append(el("span", "", label), bar, el("span", "db", ""));
  return m;
}
function makeRow() {
  const r = el("div", "row");
  const meters = el("div", "meters");
  meters.append(meter("L"), meter("R"));
  r.append(el("div", "ch"), el("div", "name"), meters, el("div", "state"));
  rows.append(r);
  return r;
}
function showLevel(m, db, shown) {
  m.style.display = shown ? "" : "none";
  const pct = Math.max(0, Math.min(100, (db - FLOOR) / -FLOOR * 100));
  const fill = m.querySelector(".fill");
  fill.style.width = pct + "%";
  fill.style.setProperty("--w", pct > 0 ? (10000 / pct) + "%" : "100%");
  m.querySelector(".db").textContent = db <= -100 ? "-inf" : db.toFixed(1) + " dB";
}
function state(input) {
  if (input.alert) return ["alert", "ALERT", input.alertText];
  if (input.paused.schedule) return ["paused", "paused (schedule)", ""];
  if (input.paused.external) return ["paused", "paused (external)", ""];
  if (input.monitoring) return ["watch", "watching", ""];
  return ["idle", "not watching", ""];
}
function showRow(r, input) {
  const [cls, label, note] = state(input);
  r.className = "row " + cls;
  r.children[0].textContent = "ch" + input.input;
  r.children[1].textContent = input.name || "(no name)";
  const m = r.children[2].children;
  showLevel(m[0], input.peakDbfs[0], true);
  showLevel(m[1], input.peakDbfs[1], !input.mono);
  m[0].firstChild.textContent = input.mono ? "M" : "L";
  const s = r.children[3];
  s.textContent = label;
  if (note) { const n = el("small", "", note); n.title = note; s.append(n); }
}
function show(st) {
  document.getElementById("host").textContent = st.host;
  document.getElementById("date").textContent = st.broadcastDate;
  document.getElementById("clock").textContent = st.broadcastTime;
  document.getElementById("conn").textContent = "";
  document.title = st.host + " - sonivex";
  while (rows.children.length < st.inputs.length) makeRow();
  while (rows.children.length > st.inputs.length) rows.lastChild.remove();
  st.inputs.forEach((input, n) => showRow(rows.children[n], input));
}
async function refresh() {
  try {
    const headers = token ? { Authorization: "Bearer " + token } : {};
    const reply = await fetch("/status", { headers, cache: "no-store" });
    if (!reply.ok) throw new Error(reply.status === 401 ? "token required" : "HTTP " + reply.status);
    show(await reply.json());
  } catch (e) {
    document.getElementById("conn").textContent = "no answer: " + e.message;
  }
}
refresh();
setInterval(refresh, 1000);
</script></body></html>
)html";

}  // namespace

QByteArray StatusPageHtml() {
    return QByteArray::fromRawData(kPage, sizeof kPage - 1);
}

}  // namespace sonivex

// Live timing for spectators: renders the snapshots the timing program pushes
// over the websocket. Read-only; every text from the program goes in as text.
"use strict";

const zk = { snap: null, empfangen: 0, nachrichten: 0, ansicht: "stand", ergebnis: "" };
window.zk = zk;  // for the browser test: the last snapshot and when it came

const $ = (id) => document.getElementById(id);
const el = (tag, cls, text) => {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
};

// 7,123 below a minute, 1:02,345 from a minute on: with the decimal comma, as
// the program's windows show times.
function zeit(ms) {
  if (!ms || ms <= 0) return "–";
  const s = Math.floor(ms / 1000), r = String(ms % 1000).padStart(3, "0");
  return s < 60 ? `${s},${r}` : `${Math.floor(s / 60)}:${String(s % 60).padStart(2, "0")},${r}`;
}
function abstand(z) {
  if (z.abstandRunden) return z.abstandRunden === 1 ? "+1 Runde" : `+${z.abstandRunden} Runden`;
  if (z.abstandMs !== undefined && z.abstandMs > 0) return "+" + zeit(z.abstandMs);
  return "";
}

const ANSICHTEN = { "/": "stand", "/gross": "gross", "/kurven": "kurven", "/club": "club", "/ergebnisse": "ergebnisse" };

function ansichtWaehlen(pfad) {
  zk.ansicht = ANSICHTEN[pfad] || "stand";
  document.body.classList.toggle("gross", zk.ansicht === "gross");
  const sektion = zk.ansicht === "gross" ? "stand" : zk.ansicht;
  for (const v of document.querySelectorAll(".view")) v.classList.toggle("aktiv", v.id === "view-" + sektion);
  for (const a of document.querySelectorAll("nav a")) a.classList.toggle("aktiv", a.dataset.view === zk.ansicht);
  if (zk.ansicht === "ergebnisse") ergebnisseLaden();
  if (zk.snap) zeichnen(zk.snap);
}

function banner(s) {
  const b = s.banner || {};
  const h = $("banner");
  h.style.background = b.hintergrund || "#5a5a5a";
  h.style.color = b.schrift || "#fff";
  $("banner-text").textContent = b.text || "";
  $("banner-zeile").textContent = b.zeile || "";
  $("titel").textContent = s.titel || "";
  let rest = "";
  if (s.rest) rest = "Restzeit " + s.rest;
  else if (s.rennRunden) rest = `Runden ${s.rennRunden - s.restRunden} / ${s.rennRunden}`;
  $("rest").textContent = rest;
}

const bisher = new Map();  // lane -> laps shown, to flash a row with a new lap

function stand(s) {
  const box = $("stand");
  const zeilen = s.stand || [];
  $("stand-leer").style.display = zeilen.length ? "none" : "";
  box.replaceChildren();
  for (const z of zeilen) {
    const r = el("div", "zeile");
    r.setAttribute("role", "row");
    r.dataset.spur = z.spur;
    r.dataset.runden = z.runden;
    r.dataset.platz = z.platz;
    if (s.sieger && s.sieger === z.spur) r.classList.add("sieger");
    if (bisher.has(z.spur) && bisher.get(z.spur) !== z.runden) r.classList.add("neu");
    bisher.set(z.spur, z.runden);
    r.append(el("div", "platz", String(z.platz)));
    const f = el("div", "farbe");
    f.style.background = z.farbe;
    r.append(f);
    const n = el("div", "fahrer", z.fahrer);
    n.append(el("small", "", "Spur " + z.spur));
    r.append(n);
    r.append(el("div", "runden", String(z.runden)));
    const w = el("div", "werte");
    const wert = (name, v, cls) => {
      const sp = el("span", cls || "", name + " ");
      sp.append(el("b", "", v));
      w.append(sp);
    };
    wert("Letzte", zeit(z.letzte), "letzte");
    wert("Beste", zeit(z.beste), "best");
    wert("Abstand", abstand(z) || "–", "abstand");
    if (z.strafen) wert("Strafen", String(z.strafen), "strafen");
    if (z.tankProzent !== undefined) {
      const t = el("span", "tank" + (z.tankProzent <= 0 ? " leer" : z.tankProzent < 25 ? " knapp" : ""));
      t.title = `Tank ${z.tankProzent} %`;
      const i = el("i");
      i.style.width = z.tankProzent + "%";
      t.append(i);
      const sp = el("span", "tankwert", "Tank ");
      sp.append(t);
      w.append(sp);
    }
    r.append(w);
    box.append(r);
  }
}

const SVG = "http://www.w3.org/2000/svg";
const svg = (tag, attrs) => {
  const e = document.createElementNS(SVG, tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
  return e;
};

// One chart per driver: lap time over lap number, best lap marked; the y axis
// leaves out laps far slower than the driver's middle lap (a crash, a pit stop).
function kurven(s) {
  const box = $("kurven");
  const alle = s.kurven || [];
  $("kurven-leer").style.display = alle.length ? "none" : "";
  box.replaceChildren();
  const B = 360, H = 170, L = 44, R = 8, O = 10, U = 22;
  for (const k of alle) {
    const t = k.zeiten;
    const sortiert = [...t].sort((a, b) => a - b);
    const mitte = sortiert[Math.floor(sortiert.length / 2)];
    const min = sortiert[0], max = Math.min(sortiert[sortiert.length - 1], mitte * 1.6);
    const lo = min * 0.98, hi = Math.max(max * 1.02, lo + 100);
    const x = (i) => L + (t.length > 1 ? (i * (B - L - R)) / (t.length - 1) : (B - L - R) / 2);
    const y = (v) => O + (1 - (Math.min(v, hi) - lo) / (hi - lo)) * (H - O - U);
    const karte = el("div", "kurve");
    karte.dataset.spur = k.spur;
    const h = el("h3");
    const i = el("i");
    i.style.background = k.farbe;
    h.append(i, document.createTextNode(`${k.fahrer} · Spur ${k.spur} · beste ${zeit(min)}`));
    karte.append(h);
    const g = svg("svg", { viewBox: `0 0 ${B} ${H}`, role: "img", "aria-label": "Rundenzeiten " + k.fahrer });
    for (const v of [lo, (lo + hi) / 2, hi]) {
      g.append(svg("line", { x1: L, x2: B - R, y1: y(v), y2: y(v), class: "achse" }));
      const tx = svg("text", { x: L - 4, y: y(v) + 4, "text-anchor": "end" });
      tx.textContent = (v / 1000).toFixed(v < 10000 ? 2 : 1).replace(".", ",");
      g.append(tx);
    }
    const erste = svg("text", { x: L, y: H - 6 });
    erste.textContent = "Runde " + k.ab;
    const letzte = svg("text", { x: B - R, y: H - 6, "text-anchor": "end" });
    letzte.textContent = "Runde " + (k.ab + t.length - 1);
    g.append(erste, letzte);
    g.append(svg("polyline", { points: t.map((v, n) => `${x(n).toFixed(1)},${y(v).toFixed(1)}`).join(" "),
      fill: "none", stroke: k.farbe, "stroke-width": 2.2, "stroke-linejoin": "round" }));
    const b = t.indexOf(min);
    g.append(svg("circle", { cx: x(b), cy: y(min), r: 4.5, fill: "#c9f" }));
    karte.append(g);
    box.append(karte);
  }
}

function club(s) {
  const c = s.club;
  $("club-leer").style.display = c ? "none" : "";
  $("club").style.display = c ? "" : "none";
  if (!c) return;
  $("club-lauf").textContent = c.rennenVon || "Noch kein Lauf gefahren";
  $("club-countdown").textContent = c.countdown && !c.heatLaeuft ? `${c.countdownTitel} ${c.countdown}` : "";
  $("club-naechstes").textContent = c.naechstesText || "Nächster Lauf";
  const n = $("club-naechste");
  n.replaceChildren(...(c.naechsteFahrer || []).map((f) => el("li", "", `Spur ${f.spur}: ${f.fahrer}`)));
  $("club-rangliste").replaceChildren(...(c.rangliste || []).filter((z) => z.trim()).map((z) => el("li", "", z)));
  $("club-plan").replaceChildren(...(c.plan || []).map((p, i) => {
    const li = el("li", i + 1 === c.naechstes ? "jetzt" : "", p.text);
    const ul = el("ul");
    for (const sp of p.spuren) ul.append(el("li", "", sp));
    li.append(ul);
    return li;
  }));
}

function zeichnen(s) {
  banner(s);
  if (zk.ansicht === "stand" || zk.ansicht === "gross") stand(s);
  if (zk.ansicht === "kurven") kurven(s);
  if (zk.ansicht === "club") club(s);
}

function annehmen(text) {
  let s;
  try { s = JSON.parse(text); } catch (e) { return; }
  zk.snap = s;
  zk.empfangen = performance.now();
  zk.nachrichten++;
  zeichnen(s);
}

async function ergebnisseLaden() {
  let namen = [];
  try { namen = await (await fetch("/ergebnisse.json", { cache: "no-store" })).json(); } catch (e) { namen = []; }
  const ul = $("ergebnis-liste");
  $("ergebnis-leer").style.display = namen.length ? "none" : "";
  ul.replaceChildren(...namen.map((n) => {
    const a = el("a", n === zk.ergebnis ? "aktiv" : "", n.replace(/\.html$/, "").replace(/_/g, " "));
    a.href = "/ergebnis/" + encodeURIComponent(n);
    a.addEventListener("click", (ev) => {
      ev.preventDefault();
      zk.ergebnis = n;
      const f = $("ergebnis-seite");
      f.src = a.href;
      f.style.display = "block";
      for (const x of ul.querySelectorAll("a")) x.classList.toggle("aktiv", x === a);
    });
    const li = el("li");
    li.append(a);
    return li;
  }));
}

// The push channel; reconnects after a break, with a growing wait.
let warten = 500;
function verbinden() {
  const ws = new WebSocket((location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/live");
  ws.onopen = () => { warten = 500; $("verbindung").className = "an"; };
  ws.onmessage = (ev) => annehmen(ev.data);
  ws.onclose = () => {
    $("verbindung").className = "aus";
    setTimeout(verbinden, warten);
    warten = Math.min(warten * 2, 8000);
  };
}

document.addEventListener("DOMContentLoaded", () => {
  for (const a of document.querySelectorAll("nav a")) {
    a.addEventListener("click", (ev) => {
      ev.preventDefault();
      history.pushState(null, "", a.getAttribute("href"));
      ansichtWaehlen(location.pathname);
    });
  }
  window.addEventListener("popstate", () => ansichtWaehlen(location.pathname));
  ansichtWaehlen(location.pathname);
  fetch("/snapshot.json", { cache: "no-store" }).then((r) => r.text()).then((t) => { if (!zk.snap) annehmen(t); })
    .catch(() => {});
  verbinden();
});

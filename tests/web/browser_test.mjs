// The live pages in a real browser: Debian's chromium, driven by puppeteer-core,
// loads them while zirkato-sim --web replays a race at the wall clock's pace.
// At each lap, phase change and the race end of the trace, the page must show
// the same: the lane's laps, place and last lap, the banner's state and winner,
// pushed over the websocket (the snapshot is fetched once, at load). Pictures
// at phone and TV size are kept in OUTDIR for a look.
//
// Usage: node browser_test.mjs ZIRKATO_SIM SOURCE_DIR OUTDIR
// Exit status 77 (skipped) only when chromium is missing.
import { spawn } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import readline from "node:readline";

const [sim, src, out] = process.argv.slice(2);
const CHROMIUM = ["/usr/bin/chromium", "/usr/bin/chromium-browser"].find(existsSync);
if (!CHROMIUM) {
  console.log("chromium not installed: skipped");
  process.exit(77);
}
const puppeteer = (await import("puppeteer-core")).default;
mkdirSync(out, { recursive: true });
const work = mkdtempSync(join(tmpdir(), "zk-web-"));
const fehler = [];
const fail = (t) => { fehler.push(t); console.log("FAIL " + t); };
const LAP_LIMIT_MS = 250;

// The replay, serving on a free port; its trace read line by line as it comes.
const proc = spawn(sim, ["--web", "0", "--web-hold", "30", "--data-dir", join(work, "daten"),
  join(src, "examples/lap-race.scn")], { stdio: ["ignore", "pipe", "pipe"] });
const address = await new Promise((resolve, reject) => {
  const t = setTimeout(() => reject(new Error("no address from zirkato-sim")), 20000);
  readline.createInterface({ input: proc.stderr }).on("line", (l) => {
    const m = l.match(/live pages on (http:\/\/\S+)/);
    if (m) { clearTimeout(t); resolve(m[1]); } else console.log("sim: " + l);
  });
});
console.log("serving at " + address);

const browser = await puppeteer.launch({
  executablePath: CHROMIUM,
  headless: true,
  dumpio: !!process.env.ZK_WEB_DEBUG,
  pipe: true,
  userDataDir: join(work, "profil"),
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
    "--disable-renderer-backgrounding", "--disable-background-timer-throttling", "--disable-backgrounding-occluded-windows"],
});

const t00 = Date.now();
browser.on("disconnected", () => console.log(`browser disconnected after ${Date.now() - t00} ms`));
async function open(path, width, height) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  page.snapshotFetches = 0;
  page.on("request", (r) => { if (r.url().endsWith("/snapshot.json")) page.snapshotFetches++; });
  page.on("pageerror", (e) => fail(`${path}: script error ${e.message}`));
  page.on("error", (e) => fail(`${path}: the page crashed: ${e.message}`));
  page.on("close", () => console.log(`${path}: closed`));
  await page.goto(address.replace(/\/$/, "") + path, { waitUntil: "domcontentloaded" });
  await page.waitForFunction(() => window.zk && window.zk.snap !== null, { timeout: 10000 });
  return page;
}
const phone = await open("/", 390, 844);
const tv = await open("/gross", 1920, 1080);
const chart = await open("/kurven", 390, 844);

// Waits until `fn(arg)` holds on `page`; returns the milliseconds it took, or -1.
async function until(page, fn, arg, limit = 3000) {
  const t0 = performance.now();
  try {
    await page.waitForFunction(fn, { timeout: limit, polling: "mutation" }, arg);
    return performance.now() - t0;
  } catch (e) {
    return -1;
  }
}
const rowShows = ({ lane, laps, pos, time }) => {
  const r = document.querySelector(`#stand .zeile[data-spur="${lane}"]`);
  if (!r || r.dataset.runden !== String(laps) || r.dataset.platz !== String(pos)) return false;
  const last = r.querySelector(".letzte b");
  return !!last && last.textContent === time;
};
const bannerShows = ({ text, line }) =>
  document.getElementById("banner-text").textContent === text &&
  (line === undefined || document.getElementById("banner-zeile").textContent.includes(line));

// A page draws a picture only in front: one picture at a time.
let pictures = Promise.resolve();
function picture(page, file, full = false) {
  pictures = pictures.then(async () => {
    await page.bringToFront();
    await page.screenshot({ path: join(out, file), fullPage: full });
  });
  return pictures;
}

const latencies = [];
const checks = [];
let shot = 0;
const trace = readline.createInterface({ input: proc.stdout });
const ended = new Promise((resolve) => {
  trace.on("line", (line) => {
    const lap = line.match(/^(\d+) lap lane=(\d) laps=(\d+) time=(\d+\.\d+) .* pos=(\d)/);
    if (lap) {
      // The page shows the trace's time with the decimal comma.
      const want = { lane: +lap[2], laps: +lap[3], time: lap[4].replace(".", ","), pos: +lap[5] };
      checks.push((async () => {
        for (const [name, page] of [["phone", phone], ["tv", tv]]) {
          const ms = await until(page, rowShows, want);
          if (ms < 0) fail(`${name}: lap ${line} not shown`);
          else latencies.push(ms);
        }
      })());
    }
    const phase = line.match(/^(\d+) phase (\w+)/);
    if (phase) {
      const text = { racing: "RENNEN", afterrun: "NACHLAUF", startlight: "AMPEL", idle: "ZIEL" }[phase[2]];
      const want = phase[2] === "idle" ? { text, line: "Sieger: Spur 1" } : { text };
      const n = ++shot;
      checks.push((async () => {
        if (await until(phone, bannerShows, want) < 0) fail(`banner at "${line}": want ${JSON.stringify(want)}`);
        if (await until(tv, bannerShows, want) < 0) fail(`tv banner at "${line}"`);
        await picture(phone, `phone-${n}-${phase[2]}.png`);
        await picture(tv, `tv-${n}-${phase[2]}.png`);
      })());
    }
  });
  trace.on("close", resolve);
});

// The replay's end is held for 30 s, so its trace stays open: wait for the
// fourth phase line (start light, racing, after-run, idle), then for the checks.
const deadline = Date.now() + 60000;
while (shot < 4) {
  if (Date.now() > deadline) { fail("the race did not reach its end in time"); break; }
  await new Promise((r) => setTimeout(r, 100));
}
await Promise.all(checks);

// Pushed, not polled: each page fetched the snapshot once, at load, and got
// many messages over the websocket.
for (const [name, page] of [["phone", phone], ["tv", tv]]) {
  const msgs = await page.evaluate(() => window.zk.nachrichten);
  if (page.snapshotFetches > 1) fail(`${name}: fetched the snapshot ${page.snapshotFetches} times`);
  if (msgs < 10) fail(`${name}: only ${msgs} messages`);
}
// The chart of both drivers, three laps each.
const charts = await chart.evaluate(() =>
  [...document.querySelectorAll("#kurven .kurve")].map((k) => [k.dataset.spur, k.querySelector("polyline").getAttribute("points").split(" ").length]));
if (JSON.stringify(charts) !== JSON.stringify([["1", 3], ["2", 3]])) fail("charts: " + JSON.stringify(charts));
await picture(chart, "phone-kurven.png", true);

// The saved result of the race, listed and shown.
await phone.bringToFront();
await phone.click('nav a[data-view="ergebnisse"]');
if (await until(phone, () => document.querySelectorAll("#ergebnis-liste a").length === 1, undefined, 5000) < 0)
  fail("results: the saved race is not listed");
else {
  await phone.click("#ergebnis-liste a");
  const shown = await until(phone, () => {
    const f = document.getElementById("ergebnis-seite");
    return f.style.display === "block";
  });
  if (shown < 0) fail("results: the page is not shown");
  await new Promise((r) => setTimeout(r, 300));
  await picture(phone, "phone-ergebnisse.png");
}
await tv.goto(address.replace(/\/$/, "") + "/", { waitUntil: "domcontentloaded" });
await until(tv, () => window.zk && window.zk.snap !== null);
await picture(tv, "tv-live.png");

latencies.sort((a, b) => a - b);
const median = latencies[Math.floor(latencies.length / 2)] ?? -1;
const worst = latencies[latencies.length - 1] ?? -1;
console.log(`laps seen: ${latencies.length}, after the trace line: median ${median.toFixed(0)} ms, slowest ${worst.toFixed(0)} ms`);
if (latencies.length !== 12) fail(`expected 12 lap checks (6 laps, 2 pages), got ${latencies.length}`);
if (median > LAP_LIMIT_MS) fail(`median lap latency ${median.toFixed(0)} ms over ${LAP_LIMIT_MS} ms`);

await browser.close();
proc.kill("SIGTERM");
await Promise.race([ended, new Promise((r) => setTimeout(r, 3000))]);
rmSync(work, { recursive: true, force: true });
console.log(fehler.length ? `${fehler.length} failed` : "all checks passed");
process.exit(fehler.length ? 1 : 0);

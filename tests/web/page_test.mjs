// The page in Debian's Chromium, driven headless, against the built program
// with simulated sticks (one that gives values, one that gives none, one
// that is pulled out after a few passes) and a history holding a generated day.
// usage: node page_test.mjs <ventiscope> <make_history_day> <node_modules> <chromium>
import { spawn, execFileSync } from "node:child_process";
import { mkdtempSync, mkdirSync, writeFileSync, readFileSync, rmSync } from "node:fs";
import { createServer } from "node:net";
import { tmpdir } from "node:os";
import { join } from "node:path";

const [exe, makeDay, modules, chromiumPath] = process.argv.slice(2);
const { chromium } = await import(join(modules, "playwright-core/index.mjs"));
const failures = [];
function check(ok, what) {
  console.log((ok ? "ok   " : "FAIL ") + what);
  if (!ok) failures.push(what);
}
const freePort = () => new Promise((done) => {
  const s = createServer().listen(0, "127.0.0.1", () => { const p = s.address().port; s.close(() => done(p)); });
});
// Waits for the condition; the time-out only guards against a hang.
async function until(what, fn, guardMs = 60000) {
  const end = Date.now() + guardMs;
  for (;;) {
    const v = await fn();
    if (v) return v;
    if (Date.now() > end) throw new Error("gave up waiting for " + what);
    await new Promise((r) => setTimeout(r, 100));
  }
}

const home = mkdtempSync(join(tmpdir(), "vs-web-"));
const history = join(home, "history.sqlite");
execFileSync(makeDay, [history]);
const port = await freePort();
mkdirSync(join(home, "config/Ventiscope"), { recursive: true });
writeFileSync(join(home, "config/Ventiscope/Ventiscope.ini"),
              `[Web]\nEnabled=1\nListen=127.0.0.1:${port}\n[History]\nPath=${history}\n`);
const env = { ...process.env, XDG_CONFIG_HOME: join(home, "config"), XDG_DATA_HOME: join(home, "data"),
              VENTISCOPE_SIMULATE: "5,5~2,5!6", QT_QPA_PLATFORM: "offscreen" };
delete env.DISPLAY;
const program = spawn(exe, ["--headless"], { env, stdio: ["ignore", "pipe", "inherit"] });
let said = "";
program.stdout.on("data", (d) => { said += d; });
const base = `http://127.0.0.1:${port}/`;
let browser;
try {
  await until("the web page to listen", () => said.includes("Web page on"));
  browser = await chromium.launch({ executablePath: chromiumPath, args: ["--no-sandbox", "--disable-gpu"] });
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 }, acceptDownloads: true });
  const page = await context.newPage();
  const errors = [];
  page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
  page.on("pageerror", (e) => errors.push(e.message));
  const loading = Date.now();
  await page.goto(base);
  await page.locator("#live .lane").first().waitFor();
  console.log(`figure: the live plot showed ${Date.now() - loading} ms after the page was first asked for`);
  console.log("figure: the page's own timing (ms from the navigation's start): " + await page.evaluate(() => {
    const n = performance.getEntriesByType("navigation")[0];
    const api = performance.getEntriesByType("resource").filter((r) => r.name.includes("api/sticks"))[0];
    return JSON.stringify({ response: Math.round(n.responseEnd), domContentLoaded: Math.round(n.domContentLoadedEventEnd),
      sticksAnswered: api ? Math.round(api.responseEnd) : null,
      livePlot: Math.round(performance.getEntriesByName("live-plot")[0].startTime),
      files: performance.getEntriesByType("resource").map((r) => r.name.split("/").pop().slice(0, 12) + ":" + Math.round(r.startTime) + "-" + Math.round(r.responseEnd)) });
  }));
  const reloading = Date.now();
  await page.reload();
  await page.locator("#live .lane").first().waitFor();
  console.log(`figure: and ${Date.now() - reloading} ms after a reload`);

  // Now: a card per stick, the one without values says so.
  await until("three cards", async () => (await page.locator(".card").count()) === 3);
  const states = await page.locator(".card .state").allTextContents();
  check(states.includes("open") && states.includes("no values"), "the cards say open and no values: " + states);
  const silent = page.locator(".card.no-values td.v");
  check((await silent.allTextContents()).every((t) => t === "-"), "a stick without values shows '-', never 0");

  // Live: the curve grows with every pass; the silent stick's curve is a gap.
  const columns = () => page.evaluate(() => window.ventiscope.live.times.length);
  const before = await columns();
  await until("new passes on the live plot", async () => (await columns()) >= before + 2);
  check(true, "the live plot grows with passes without a reload");
  const gap = await page.evaluate(() => {
    const live = window.ventiscope.live;
    const silent = Array.from(live.values.keys()).filter((k) => k.startsWith("SIM00000000000000001001"));
    return silent.length > 0 && silent.every((k) => live.values.get(k).slice(-2).every((v) => v === null));
  });
  check(gap, "a stick that gives no values leaves a gap");
  const lanes = await page.locator("#live .lane").count();
  check(lanes >= 3, "the live plot has one lane per unit: " + lanes);

  // The third stick is pulled out at its sixth ask for values.
  await until("the pulled stick", async () => (await page.locator(".card.removed .state").allTextContents()).includes("removed"));
  check((await page.locator(".card.removed").count()) === 1, "only the pulled stick shows removed");

  // History: the generated day is drawn.
  await until("the day in the history", () => page.evaluate(() =>
    window.ventiscope.history.charts.some((c) => c.plot.data[1] && c.plot.data[1].filter((v) => v !== null).length > 100)));
  check((await page.locator("#history .u-legend").allTextContents()).join(" ").includes("Generated room: CO2eq"),
        "the history shows the generated room by name");

  // The daily summary of the shown range: the generated room's CO2 lies
  // between 300 and 1100 ppm and stays at or above 1000 ppm a few hours.
  const summary = await until("the summary", async () => {
    const rows = await page.locator("#summary tr").allTextContents();
    return rows.find((r) => r.startsWith("all") && r.includes("CO2eq")) && rows;
  });
  const all = summary.find((r) => r.startsWith("all") && r.includes("CO2eq"));
  const hours = Number((/1000: ([\d.]+) h/.exec(all) || [])[1]);
  check(summary.some((r) => /^\d{4}-\d\d-\d\d/.test(r)) && hours > 1 && hours < 8,
        "the summary has its days and the hours above the warning level: " + all);

  // The CSV link downloads the shown range.
  const range = await page.evaluate(() => [window.ventiscope.history.from, window.ventiscope.history.to]);
  const [download] = await Promise.all([page.waitForEvent("download"), page.locator("#csv").click()]);
  const rows = readFileSync(await download.path(), "utf8").trim().split("\r\n");
  check(rows[0].startsWith("time,") && rows[0].includes("DAY0001:CO2eq[ppm]"), "the CSV has its header: " + rows[0]);
  const times = rows.slice(1).map((r) => Date.parse(r.split(",")[0]));
  check(times.length > 1000 && times.every((t) => t >= range[0] && t < range[1]),
        `the CSV holds the shown range: ${times.length} rows`);

  if (process.env.VENTISCOPE_GRAB)
    await page.screenshot({ path: join(process.env.VENTISCOPE_GRAB, "web_page.png"), fullPage: true });
  check(errors.length === 0, "no console errors" + (errors.length ? ": " + errors.join("; ") : ""));
} catch (e) {
  check(false, e.message);
} finally {
  if (browser) await browser.close();
  program.kill("SIGTERM");
  await new Promise((r) => program.once("exit", r));
  rmSync(home, { recursive: true, force: true });
}
process.exit(failures.length ? 1 : 0);

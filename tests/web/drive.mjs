// Drives the pvtriage page in Debian's headless chromium through the DevTools protocol
// (puppeteer-core; no browser is downloaded). Reads a plan (JSON, argv[2]) and prints one result
// per job as JSON: the page's state, its error sentence, the findings table, the comparison,
// the saved JSON, every request the page made, and DevTools memory metrics.
//
// plan: { page, chromium, downloads, profile, jobs: [{ files: [path...] | url, drop, screenshot,
//         save, sampleMemory }] }
import { existsSync, readdirSync, readFileSync, rmSync, mkdirSync } from "node:fs";
import { join } from "node:path";
import { createRequire } from "node:module";
import { pathToFileURL } from "node:url";

// puppeteer-core lives in the web build's own node_modules (npm ci there), named by NODE_PATH.
const modules = (process.env.NODE_PATH || "").split(":").filter(Boolean)[0] || ".";
const puppeteer = createRequire(join(modules, "resolve.js"))("puppeteer-core");

const plan = JSON.parse(readFileSync(process.argv[2], "utf8"));
const FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
  `--user-data-dir=${plan.profile}`];

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function waitFor(page, predicate, timeoutMs) {
  const until = Date.now() + timeoutMs;
  for (;;) {
    const state = await page.evaluate(() => document.body && document.body.dataset.state);
    if (predicate(state)) return state;
    if (Date.now() > until) return state;
    await sleep(20);
  }
}

async function waitForDownload(folder, timeoutMs) {
  const until = Date.now() + timeoutMs;
  while (Date.now() < until) {
    const done = readdirSync(folder).filter((n) => !n.endsWith(".crdownload"));
    if (done.length) return join(folder, done[0]);
    await sleep(50);
  }
  return null;
}

// Drops the files on the page as a user would, through the input domain's drag events.
async function drop(cdp, files) {
  const data = { items: [], files, dragOperationsMask: 1 };
  for (const type of ["dragEnter", "dragOver", "drop"])
    await cdp.send("Input.dispatchDragEvent", { type, x: 300, y: 300, data });
}

// The largest peak resident size (VmHWM) among the browser's renderer processes.
function rendererPeakKb(browserPid) {
  let peak = 0;
  for (const pid of readdirSync("/proc").filter((n) => /^\d+$/.test(n))) {
    try {
      const cmdline = readFileSync(`/proc/${pid}/cmdline`, "utf8");
      const status = readFileSync(`/proc/${pid}/status`, "utf8");
      const parent = Number(/PPid:\s+(\d+)/.exec(status)[1]);
      if (!cmdline.includes("--type=renderer") || !descends(parent, browserPid)) continue;
      const hwm = /VmHWM:\s+(\d+)/.exec(status);
      if (hwm) peak = Math.max(peak, Number(hwm[1]));
    } catch (error) {
      // the process ended meanwhile
    }
  }
  return peak;
}

function descends(pid, ancestor) {
  for (let hops = 0; pid > 1 && hops < 16; hops++) {
    if (pid === ancestor) return true;
    pid = Number(/PPid:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, "utf8"))[1]);
  }
  return pid === ancestor;
}

async function readView(page) {
  return page.evaluate(() => {
    const view = document.getElementById("view");
    const heading = [...view.querySelectorAll("h2")].find((h) => h.textContent === "Findings");
    let findings = null;
    if (heading) {
      findings = [];
      const table = heading.nextElementSibling;
      if (table && table.tagName === "TABLE")
        for (const row of table.querySelectorAll("tr"))
          if (row.cells.length === 3 && row.cells[0].tagName === "TD")
            findings.push({ severity: row.cells[0].textContent, text: row.cells[1].textContent });
    }
    const problem = view.querySelector("p.problem");
    const comparison = document.getElementById("comparison");
    return {
      state: document.body.dataset.state,
      millis: Number(document.body.dataset.millis || "NaN"),
      error: problem ? problem.textContent : null,
      findings,
      comparison: comparison ? comparison.textContent : null,
      headings: [...view.querySelectorAll("h2")].map((h) => h.textContent),
      title: document.title,
      saveEnabled: !document.getElementById("save-json").disabled,
    };
  });
}

async function runJob(browser, job, index) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const cdp = await page.createCDPSession();
  const downloads = join(plan.downloads, String(index));
  rmSync(downloads, { recursive: true, force: true });
  mkdirSync(downloads, { recursive: true });
  await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads,
    browserContextId: context.id });
  await cdp.send("Performance.enable");
  const requests = [];
  const console_ = [];
  page.on("request", (request) => requests.push(request.url()));
  page.on("console", (message) => console_.push(message.type() + ": " + message.text()));
  page.on("pageerror", (error) => console_.push("pageerror: " + error.message));
  await page.setViewport({ width: 1280, height: 900 });

  const pageUrl = job.url ? `${job.base}#archive=${encodeURIComponent(job.url)}`
    : pathToFileURL(plan.page).href;
  let peakHeap = 0;
  let sampling = true;
  const sampler = (async () => {
    while (sampling) {
      try {
        const metrics = await page.metrics();
        peakHeap = Math.max(peakHeap, metrics.JSHeapUsedSize || 0);
      } catch (error) {
        // between navigations
      }
      await sleep(25);
    }
  })();
  await page.goto(pageUrl, { waitUntil: "load" });
  let started = Date.now();
  if (job.idle) {
    // The page as opened, no archive: the baseline of the memory figures.
    await waitFor(page, (s) => s === "ready", 10000);
    sampling = false;
    await sampler;
    return { state: "ready", peakJsHeapBytes: peakHeap,
      rendererPeakKb: rendererPeakKb(browser.process().pid) };
  }
  if (!job.url) {
    await waitFor(page, (s) => s === "ready", 10000);
    started = Date.now();
    if (job.drop) await drop(cdp, job.files);
    else await (await page.$("#file")).uploadFile(...job.files);
  }
  let state = await waitFor(page, (s) => s === "shown" || s === "error", job.timeoutMs || 120000);
  const shownAfterMs = Date.now() - started;
  if (job.then) {
    // A second archive given after the first is shown: the page compares the two.
    await page.evaluate(() => { document.body.dataset.state = "waiting"; });
    await (await page.$("#file")).uploadFile(...job.then);
    state = await waitFor(page, (s) => s === "shown" || s === "error", job.timeoutMs || 120000);
  }
  sampling = false;
  await sampler;
  const view = await readView(page);
  view.state = state;
  view.shownAfterMs = shownAfterMs;
  view.peakJsHeapBytes = peakHeap;
  view.coreMemoryBytes = await page.evaluate(() => Number(document.body.dataset.coreBytes || 0));
  if (job.screenshot) await page.screenshot({ path: job.screenshot, fullPage: false });
  if (job.save && view.saveEnabled) {
    await page.click("#save-json");
    const saved = await waitForDownload(downloads, 10000);
    view.savedJson = saved ? readFileSync(saved, "utf8") : null;
    view.savedName = saved ? saved.split("/").pop() : null;
  }
  const pageAddress = pageUrl.split("#")[0];
  view.pageRequests = requests.filter((url) => url.split("#")[0] === pageAddress);
  if (job.savePage && view.saveEnabled) {
    const folder = downloads + "-page";
    mkdirSync(folder, { recursive: true });
    await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: folder,
      browserContextId: context.id });
    await page.click("#save-page");
    const saved = await waitForDownload(folder, 10000);
    view.savedPage = saved ? readFileSync(saved, "utf8") : null;
  }
  view.requests = requests.filter((url) => url.split("#")[0] !== pageAddress);
  view.console = console_;
  if (job.processMemory) view.rendererPeakKb = rendererPeakKb(browser.process().pid);
  await context.close();
  return view;
}

const browser = await puppeteer.launch({ executablePath: plan.chromium, headless: false,
  args: FLAGS, protocolTimeout: 300000 }); // FLAGS hold --headless itself
try {
  const results = [];
  for (const [index, job] of plan.jobs.entries()) results.push(await runJob(browser, job, index));
  process.stdout.write(JSON.stringify(results));
} finally {
  await browser.close();
}
if (existsSync(plan.profile)) rmSync(plan.profile, { recursive: true, force: true });

// Drives the web page in headless Chromium: the archive goes in through the file input, and
// every scrnsht.pcx that F1 downloads must be byte-identical to what `brindle-render shot`
// draws for the same key presses. Run by scripts/e2e-web.sh, which serves the page.
//
//   node browser_test.mjs URL CHROMIUM BRINDLE_RENDER WAD WORK_DIR
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { basename, join } from "node:path";
import puppeteer from "puppeteer-core";

const [url, chromium, render, wad, work] = process.argv.slice(2);
const wadName = basename(wad);
let failures = 0;
const pass = (text) => console.log(`ok   - ${text}`);
const fail = (text) => {
  console.log(`FAIL - ${text}`);
  failures += 1;
};
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// `brindle-render shot` with the given keys (and map), rendered once and kept.
const references = new Map();
function reference(keys = "", map = "") {
  const key = `${map}|${keys}`;
  if (!references.has(key)) {
    const out = join(work, `ref-${references.size}.pcx`);
    const args = ["shot", "--wad", wad, "--out", out];
    if (keys) args.push("--keys", keys);
    if (map) args.push("--map", map);
    execFileSync(render, args, { stdio: ["ignore", "ignore", "inherit"] });
    references.set(key, readFileSync(out));
  }
  return references.get(key);
}

// The first count n in 1..60 for which `shot --keys PREFIXn` equals the picture, trying
// counts near the estimate first; null when none does.
function matchCount(picture, prefix, estimate) {
  for (let delta = 0; delta <= 60; delta++) {
    for (const n of new Set([estimate - delta, estimate + delta])) {
      if (n >= 1 && n <= 60 && picture.equals(reference(`${prefix}${n}`))) return n;
    }
  }
  return null;
}

const profile = mkdtempSync(join(work, "profile-"));
const downloads = mkdtempSync(join(work, "downloads-"));
const browser = await puppeteer.launch({
  executablePath: chromium,
  ignoreDefaultArgs: true,
  pipe: true,
  args: [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    `--user-data-dir=${profile}`, "about:blank",
  ],
});

// Each download is saved under its own id, so equal names never clash.
const cdp = await browser.target().createCDPSession();
await cdp.send("Browser.setDownloadBehavior", {
  behavior: "allowAndName", downloadPath: downloads, eventsEnabled: true,
});
const started = new Map();  // guid -> suggested name
const finished = [];        // { name, bytes } in order of completion
cdp.on("Browser.downloadWillBegin", (event) => started.set(event.guid, event.suggestedFilename));
cdp.on("Browser.downloadProgress", (event) => {
  if (event.state === "completed") {
    const bytes = readFileSync(join(downloads, event.guid));
    finished.push({ name: started.get(event.guid), bytes });
  }
});
// Runs the action and returns the download it starts, or null after 20 s without one.
async function nextDownload(action) {
  const count = finished.length;
  const began = Date.now();
  await action();
  while (finished.length === count) {
    if (Date.now() - began > 20000) return null;
    await sleep(20);
  }
  if (process.env.BRINDLE_DEBUG) console.log(`   download after ${Date.now() - began} ms`);
  return finished[count];
}

const page = (await browser.pages())[0];
const pageErrors = [];
page.on("pageerror", (error) => pageErrors.push(error.message));
page.on("crash", () => pageErrors.push("the page crashed"));
const statusIs = (text) => page.waitForFunction(
  (wanted) => document.getElementById("status").textContent === wanted, { timeout: 20000 }, text);
const status = () => page.$eval("#status", (line) => ({
  text: line.textContent, error: line.classList.contains("error"),
}));

async function screenshot() {
  const download = await nextDownload(() => page.keyboard.press("F1"));
  if (download && download.name !== "scrnsht.pcx") fail(`F1 downloaded ${download.name}`);
  return download ? download.bytes : Buffer.alloc(0);
}

// Holds a key for about `ms` milliseconds; returns the ticks it should have covered.
async function hold(key, ms) {
  const start = Date.now();
  await page.keyboard.down(key);
  await sleep(ms);
  await page.keyboard.up(key);
  return Math.round((Date.now() - start) / 16);
}

async function openWad(path) {
  const input = await page.$("#iwad");
  await input.uploadFile(path);
}

try {
  console.log("# 1. the page loads and takes the archive through the file input");
  await page.goto(url);
  await statusIs("Choose an IWAD, or drop it on the IWAD box. The file stays in this page.");
  await openWad(wad);
  await statusIs(`Opened ${wadName}, map E1M1`);
  const startMs = await page.evaluate(() => brindlePage.lastStartMs);
  pass(`opened, map E1M1; first frame ${startMs.toFixed(0)} ms after the file was chosen`);
  // Three runs: the first still includes the browser's compiling of the hot code.
  for (let run = 1; run <= 3; run++) {
    const bench = await page.evaluate(() => brindlePage.bench(200));
    console.log(`   renderFrame in the page, run ${run}: ${JSON.stringify(bench)}`);
  }

  console.log("# 2. F1 at the start equals shot");
  if ((await screenshot()).equals(reference())) pass("start view");
  else fail("start view screenshot differs from brindle-render shot");

  console.log("# 3. a tap of Left, then holding Up");
  const leftTicks = await hold("ArrowLeft", 100);
  const k = matchCount(await screenshot(), "L*", leftTicks);
  if (k !== null) {
    pass(`Left tap equals shot --keys L*${k}`);
    const ticks = await hold("ArrowUp", 150);
    const m = matchCount(await screenshot(), `L*${k},U*`, ticks);
    if (m !== null) pass(`Up hold equals shot --keys L*${k},U*${m}`);
    else fail(`Up hold matches no shot --keys L*${k},U*m for m in 1..60`);
  } else {
    fail("Left tap matches no shot --keys L*k for k in 1..60");
  }

  console.log("# 4. the PNG button saves the frame as a 640 x 400 PNG");
  const png = await nextDownload(() => page.click("#png"));
  const size = png ? [png.bytes.readUInt32BE(16), png.bytes.readUInt32BE(20)] : [];
  if (png && png.name === "E1M1.png" && size[0] === 640 && size[1] === 400) {
    pass("E1M1.png, 640 x 400");
  } else {
    fail(`PNG download: ${png ? `${png.name}, ${png.bytes.length} bytes` : "none"}`);
  }

  console.log("# 5. a file that is not a WAD: the error in the page, and the page goes on");
  const notWad = join(work, "notes.txt");
  writeFileSync(notWad, "These are notes, not a game archive.\n");
  await openWad(notWad);
  await statusIs("notes.txt is not an IWAD archive");
  if ((await status()).error) pass("'notes.txt is not an IWAD archive' shown as an error");
  else fail("the error is not marked as one");
  await openWad(wad);
  await statusIs(`Opened ${wadName}, map E1M1`);
  if ((await screenshot()).equals(reference())) pass("the archive opens again afterwards");
  else fail("after the error, the start view differs from brindle-render shot");
} catch (error) {
  fail(`${error.message}; status line: ${JSON.stringify(await status().catch(() => null))}`);
} finally {
  if (pageErrors.length > 0) fail(`errors in the page: ${pageErrors.join("; ")}`);
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}

if (failures > 0) {
  console.log(`${failures} browser check(s) failed`);
  process.exit(1);
}
console.log("All browser checks passed.");

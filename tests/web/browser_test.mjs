// Drives the web page in headless Chromium: the archive goes in through the file input, and
// every scrnsht.pcx that F1 downloads must be byte-identical to what `brindle-render shot`
// draws for the same key presses. Run by scripts/e2e-web.sh, which serves the page.
//
//   node browser_test.mjs URL CHROMIUM BRINDLE_RENDER COPY_MAPS WAD WORK_DIR [start]
//
// With "start" only the first two checks run (the page opens the archive, F1 equals shot).
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { basename, join } from "node:path";
import puppeteer from "puppeteer-core";

const [url, chromium, render, copyMaps, wad, work, only] = process.argv.slice(2);
const doneAfterStart = new Error("only the start was to be checked");
const wadName = basename(wad);
let failures = 0;
const pass = (text) => console.log(`ok   - ${text}`);
const fail = (text) => {
  console.log(`FAIL - ${text}`);
  failures += 1;
};
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// `brindle-render shot --wad WAD` with the given further options (or `map` when the first of
// them is "map"), rendered once and kept.
const references = new Map();
function reference(...options) {
  const key = options.join(" ");
  if (!references.has(key)) {
    const out = join(work, `ref-${references.size}.pcx`);
    const command = options[0] === "map" ? options.shift() : "shot";
    const args = [command, "--wad", wad, ...options, "--out", out];
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
      if (n >= 1 && n <= 60 && picture.equals(reference("--keys", `${prefix}${n}`))) return n;
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
// Runs the action and returns the download it starts, or null when none comes. A loaded
// machine's Chromium now and then drops a download that the page did offer (its download
// throttling, not the page's doing), so an action that starts none within 7 s runs again,
// up to three times in all; every action given here is one that may be repeated.
async function nextDownload(action) {
  const count = finished.length;
  for (let attempt = 1; attempt <= 3; attempt++) {
    const began = Date.now();
    const startedBefore = started.size;
    await action();
    while (finished.length === count) {
      const waited = Date.now() - began;
      if (waited > 20000 || (waited > 7000 && started.size === startedBefore)) break;
      await sleep(20);
    }
    if (finished.length > count) {
      if (attempt > 1) console.log(`   (no download began on attempt ${attempt - 1}; again)`);
      // A late twin of this download is let finish here, so the next action does not take it.
      while (finished.length < started.size && Date.now() - began < 20000) await sleep(20);
      return finished[count];
    }
  }
  return null;
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

// F1's download must equal `brindle-render shot` with the given options.
async function expectShot(what, ...options) {
  const picture = await screenshot();
  if (picture.equals(reference(...options))) pass(what);
  else if (picture.length === 0) fail(`${what}: F1 downloaded nothing`);
  else fail(`${what}: F1's picture differs from brindle-render shot ${options.join(" ")}`);
}

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

// The strafe keys, Shift+Up and the mouse from where the walk so far (`walked`) has led.
async function strafeAndMouse(walked) {
  console.log("# 3a. ',' and '.' strafe, Shift+Up runs, the locked pointer's motion turns");
  for (const [label, letters, keys] of [["','", "<", ["Comma"]], ["'.'", ">", ["Period"]],
    ["Shift+Up", "SU", ["ShiftLeft", "ArrowUp"]]]) {
    const start = Date.now();
    for (const key of keys) await page.keyboard.down(key);
    await sleep(150);
    for (const key of [...keys].reverse()) await page.keyboard.up(key);
    const n = matchCount(await screenshot(), `${walked}${letters}*`, Math.round((Date.now() - start) / 16));
    if (n === null) {
      fail(`${label} held matches no shot --keys ${walked}${letters}*n for n in 1..60`);
      return;
    }
    walked += `${letters}*${n},`;
    pass(`${label} held equals shot --keys ${walked.slice(0, -1)}`);
  }
  await page.click("#screen");
  const locked = await page.waitForFunction(
    () => document.pointerLockElement === document.getElementById("screen"), { timeout: 3000 })
    .then(() => true, () => false);
  // Puppeteer's mouse moves the locked pointer; without a lock the page is handed the event a
  // locked pointer would give (and its handler is told the lock is there).
  if (locked) {
    const box = await (await page.$("#screen")).boundingBox();
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    await sleep(50);
    await page.mouse.move(box.x + box.width / 2 - 40, box.y + box.height / 2);
  } else {
    await page.evaluate(() => {
      const screen = document.getElementById("screen");
      Object.defineProperty(document, "pointerLockElement", { configurable: true, get: () => screen });
      screen.dispatchEvent(new MouseEvent("mousemove", { movementX: -40, bubbles: true }));
      delete document.pointerLockElement;
    });
  }
  await sleep(100);
  const picture = await screenshot();
  const how = locked ? "pointer lock granted, puppeteer's mouse" : "no pointer lock in this browser, a synthetic movementX";
  if (picture.equals(reference("--keys", `${walked}M-40`))) {
    pass(`the mouse 40 pixels left equals shot --keys ${walked}M-40 (${how})`);
  } else {
    fail(`the mouse 40 pixels left does not equal shot --keys ${walked}M-40 (${how})`);
  }
  if (locked) await page.evaluate(() => document.exitPointerLock());

  console.log("# 3b. F11: the picture full screen, between black bars; F1 saves the same frame");
  await page.keyboard.press("F11");
  const full = await page.waitForFunction(
    () => document.fullscreenElement === document.getElementById("screen"), { timeout: 3000 })
    .then(() => true, () => false);
  if (!full) {
    console.log("   (this browser gave the page no full screen; not checked)");
    return;
  }
  // The padding frames the picture: the largest rectangle of its shape, centred.
  const fit = await page.evaluate(() => {
    const style = getComputedStyle(document.getElementById("screen"));
    const across = innerWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
    const down = innerHeight - parseFloat(style.paddingTop) - parseFloat(style.paddingBottom);
    return { across, down, width: innerWidth, height: innerHeight };
  });
  const scale = Math.min(fit.width / 640, fit.height / 400);
  if (fit.across === Math.floor(640 * scale) && fit.down === Math.floor(400 * scale)) {
    pass(`full screen ${fit.width} x ${fit.height}: the picture ${fit.across} x ${fit.down}`);
  } else {
    fail(`full screen ${fit.width} x ${fit.height}: the picture ${fit.across} x ${fit.down}`);
  }
  if ((await screenshot()).equals(picture)) pass("F1 in full screen saves the same frame");
  else fail("F1 in full screen saves another frame");
  await page.keyboard.press("F11");
  await page.waitForFunction(() => document.fullscreenElement === null, { timeout: 3000 });
  await page.focus("#screen");
}

async function choose(input, path) {
  await (await page.$(input)).uploadFile(path);
}

try {
  console.log("# 1. the page loads and takes the archive through the file input");
  await page.goto(url);
  await statusIs("Choose an IWAD and any PWADs, or drop them on the page. "
    + "The files stay in this page.");
  await choose("#iwad", wad);
  await statusIs(`Brindle — E1M1 (${wadName})`);
  if (await page.title() === `Brindle — E1M1 (${wadName})`) pass("the status line and the title name the map");
  else fail(`the page's title is '${await page.title()}'`);
  const startMs = await page.evaluate(() => brindlePage.lastStartMs);
  pass(`opened, map E1M1; first frame ${startMs.toFixed(0)} ms after the file was chosen`);
  // Three runs: the first still includes the browser's compiling of the hot code.
  for (let run = 1; run <= 3; run++) {
    const bench = await page.evaluate(() => brindlePage.bench(200));
    console.log(`   renderFrame in the page, run ${run}: ${JSON.stringify(bench)}`);
  }

  console.log("# 2. F1 at the start equals shot");
  await expectShot("start view");
  if (only === "start") throw doneAfterStart;

  console.log("# 3. a tap of Left, then holding Up");
  const leftTicks = await hold("ArrowLeft", 100);
  const k = matchCount(await screenshot(), "L*", leftTicks);
  if (k !== null) {
    pass(`Left tap equals shot --keys L*${k}`);
    const ticks = await hold("ArrowUp", 150);
    const m = matchCount(await screenshot(), `L*${k},U*`, ticks);
    if (m !== null) pass(`Up hold equals shot --keys L*${k},U*${m}`);
    else fail(`Up hold matches no shot --keys L*${k},U*m for m in 1..60`);
    await strafeAndMouse(`L*${k},U*${m},`);
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

  console.log("# 5. Page Down and Page Up switch maps; the map list shows any map");
  const mapSwitches = [
    [() => page.keyboard.press("PageDown"), `Brindle — E1M2 (${wadName})`, "--map", "E1M2"],
    [() => page.keyboard.press("PageUp"), `Brindle — E1M1 (${wadName})`],
    [() => page.select("#map", "E2M3"), `Brindle — E2M3 (${wadName})`, "--map", "E2M3"],
  ];
  for (const [action, shown, ...options] of mapSwitches) {
    await action();
    await statusIs(shown);
    await expectShot(`${shown}, from its start`, ...options);
  }

  console.log("# 5b. Tab shows the overview of the view, Tab again the 3D view");
  await page.keyboard.press("Tab");
  await expectShot("Tab: the overview equals map --map E2M3", "map", "--map", "E2M3");
  await page.keyboard.press("Tab");
  await expectShot("Tab again: the 3D view of E2M3", "--map", "E2M3");
  await page.keyboard.press("KeyG");
  await expectShot("G: the game look of E2M3", "--map", "E2M3", "--look", "game");
  await page.keyboard.press("KeyT");
  await expectShot("T: the game look without things", "--map", "E2M3", "--look", "game",
                   "--things", "off");
  await page.keyboard.press("KeyT");
  await expectShot("T again: the things are back", "--map", "E2M3", "--look", "game");
  await page.keyboard.press("KeyG");

  console.log("# 6. a file that is not a WAD: the error in the page, and the page goes on");
  const notWad = join(work, "notes.txt");
  writeFileSync(notWad, "These are notes, not a game archive.\n");
  await choose("#iwad", notWad);
  await statusIs("notes.txt is not an IWAD archive");
  if ((await status()).error) pass("'notes.txt is not an IWAD archive' shown as an error");
  else fail("the error is not marked as one");
  await choose("#iwad", wad);
  await statusIs(`Brindle — E1M1 (${wadName})`);
  await expectShot("the archive opens again afterwards");

  console.log("# 7. a PWAD layered over the IWAD");
  const moved = join(work, "moved.wad");  // its E1M1 is the IWAD's E1M5
  execFileSync(copyMaps, [wad, moved, "E1M5=E1M1"]);
  await choose("#pwads", moved);
  await statusIs("Brindle — E1M1 (moved.wad)");
  const layered = await screenshot();
  if (layered.equals(reference("--file", moved)) && !layered.equals(reference())) {
    pass("E1M1 from moved.wad equals shot --file moved.wad");
  } else {
    fail("with moved.wad, the view differs from brindle-render shot --file moved.wad");
  }
  const label = await page.$eval("#map", (list) => list.selectedOptions[0].textContent);
  if (label === "E1M1 (moved.wad)") pass("the map list names the file of E1M1");
  else fail(`the map list shows E1M1 as '${label}'`);
  // The same map with compressed extended nodes (ZNOD): the page's bundled inflater at work.
  const compressed = join(work, "compressed.wad");
  execFileSync("zdbsp", ["-t", "-z", "-m", "E1M1", "-o", compressed, moved], { stdio: "ignore" });
  await choose("#pwads", compressed);
  await statusIs("Brindle — E1M1 (compressed.wad)");
  if ((await screenshot()).equals(reference("--file", compressed))) {
    pass("E1M1 with ZNOD nodes equals shot --file compressed.wad");
  } else {
    fail("with compressed.wad (ZNOD nodes), the view differs from brindle-render shot");
  }
  const notPwad = join(work, "readme.wad");
  writeFileSync(notPwad, "Not an archive either.\n");
  await choose("#pwads", notPwad);
  await statusIs("readme.wad is not a WAD archive");
  pass("'readme.wad is not a WAD archive' for an added file that is not one");
} catch (error) {
  if (error !== doneAfterStart) {
    fail(`${error.message}; status line: ${JSON.stringify(await status().catch(() => null))}`);
  }
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

// The assembled page (build/web/index.html) in headless Chromium, driven over the DevTools
// protocol with node's own WebSocket: served from a local server, it is given a fixture
// folder through its folder chooser and settings through its form, builds, and the file it
// downloads must have the SHA-256 of what the command line the page shows makes with the
// Linux builder. The preview must show the settings, the page must ask for nothing but its own file, and a
// screenshot of the page with the dialog preview is kept as build/web/preview.png.
// Usage: node --experimental-websocket browser.js PAGE.html NATIVE_MKSFX STUB WORK_FOLDER
"use strict";
const fs = require("fs");
const path = require("path");
const http = require("http");
const crypto = require("crypto");
const { spawn, spawnSync } = require("child_process");

const [pageFile, native, stub, work] = process.argv.slice(2).map((p) => path.resolve(p));
fs.rmSync(work, { recursive: true, force: true });
const downloads = path.join(work, "downloads");
fs.mkdirSync(downloads, { recursive: true });

// The fixture: a tree with Japanese names and nested folders, in a folder whose name the
// command line must not take for an option. A folder chooser brings no folder times, so
// SOURCE_DATE_EPOCH (older than every file) makes every time the same.
const tree = path.join(work, "-payload");
fs.cpSync(path.join(path.dirname(native), "fixtures", "builder_payload"), tree, { recursive: true });
fs.rmSync(path.join(tree, "emptydir"), { recursive: true, force: true });  // a chooser lists files only
const settings = {
  dir: "C:\\テスト\\App", comment: "ようこそ〜\n二行目", group: "テスト|[AddItem(%0readme.txt)]",
  extensions: "$.abc|%0VIEW.EXE %1", epoch: "1600000000", tz: "Asia/Tokyo", output: "setup.exe",
  ProductName: "製品",
};
// The page's command line, run by the shell in the fixture's folder with this mksfx and stub.
function runCommandLine(line) {
  return spawnSync("bash", ["-c", line], { cwd: work, encoding: "utf8",
    env: Object.assign({}, process.env, { PATH: path.dirname(native) + ":" + process.env.PATH, SFX_STUB: stub }) });
}
const sha256 = (bytes) => crypto.createHash("sha256").update(bytes).digest("hex");

let passed = 0, failed = 0;
function check(name, ok, detail) {
  if (ok) { passed++; console.log("  ok    " + name); return; }
  failed++;
  console.log("  FAIL  " + name + (detail ? "\n          " + String(detail).replace(/\n/g, "\n          ") : ""));
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The local server: the page's one file; every request is noted.
const requests = [];
const server = http.createServer((req, res) => {
  requests.push(req.url);
  if (req.url === "/" || req.url === "/index.html") {
    res.writeHead(200, { "Content-Type": "text/html; charset=utf-8" });
    res.end(fs.readFileSync(pageFile));
  } else {
    res.writeHead(404);
    res.end();
  }
});

// A small DevTools protocol client: commands by id, events to whoever waits for them.
function connect(url) {
  const socket = new WebSocket(url);
  let next = 1;
  const pending = new Map(), listeners = [];
  socket.onmessage = (event) => {
    const m = JSON.parse(event.data);
    if (m.id && pending.has(m.id)) {
      const { resolve, reject } = pending.get(m.id);
      pending.delete(m.id);
      m.error ? reject(new Error(m.error.message)) : resolve(m.result);
    } else if (m.method) {
      listeners.forEach((l) => l(m));
    }
  };
  const client = {
    send(method, params = {}, sessionId) {
      const id = next++;
      socket.send(JSON.stringify({ id, method, params, sessionId }));
      return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
    },
    on(listener) { listeners.push(listener); },
    close() { socket.close(); },
  };
  return new Promise((resolve, reject) => {
    socket.onopen = () => resolve(client);
    socket.onerror = () => reject(new Error("cannot reach the browser at " + url));
  });
}

async function waitFor(what, test, seconds) {
  for (let i = 0; i < seconds * 10; i++) {
    const value = await test();
    if (value) return value;
    await sleep(100);
  }
  throw new Error("timed out waiting for " + what);
}

(async () => {
  await new Promise((r) => server.listen(0, "127.0.0.1", r));
  const origin = `http://127.0.0.1:${server.address().port}`;
  const profile = path.join(work, "profile");
  const chromium = spawn("chromium", ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
    "--remote-debugging-port=0", `--user-data-dir=${profile}`, "--window-size=1200,900", "about:blank"],
    { stdio: "ignore" });
  let exitCode = 1;
  try {
    const portFile = path.join(profile, "DevToolsActivePort");
    const [port, browserPath] = (await waitFor("Chromium to start", () =>
      fs.existsSync(portFile) && fs.readFileSync(portFile, "utf8").includes("\n") && fs.readFileSync(portFile, "utf8"), 30)).split("\n");
    const cdp = await connect(`ws://127.0.0.1:${port}${browserPath}`);
    const { targetId } = await cdp.send("Target.createTarget", { url: "about:blank" });
    const { sessionId } = await cdp.send("Target.attachToTarget", { targetId, flatten: true });
    const page = (method, params) => cdp.send(method, params, sessionId);
    const evaluate = async (expression) =>
      (await page("Runtime.evaluate", { expression, awaitPromise: true, returnByValue: true })).result.value;
    const seen = [];
    cdp.on((m) => { if (m.method === "Network.requestWillBeSent") seen.push(m.params.request.url); });
    let downloaded = null;
    cdp.on((m) => { if (m.method === "Browser.downloadProgress" && m.params.state === "completed") downloaded = m.params.guid; });
    await page("Network.enable");
    await page("Page.enable");
    await cdp.send("Browser.setDownloadBehavior", { behavior: "allowAndName", downloadPath: downloads, eventsEnabled: true });
    await page("Page.navigate", { url: origin + "/index.html" });
    await waitFor("the builder to load", () => evaluate(`!!document.getElementById("build-button") &&
      document.getElementById("build-button").disabled && document.readyState === "complete"`), 30);

    // The folder through the chooser, as an author would pick it.
    const { root } = await page("DOM.getDocument");
    const { nodeId } = await page("DOM.querySelector", { nodeId: root.nodeId, selector: "#folder-input" });
    await page("DOM.setFileInputFiles", { nodeId, files: [tree] });
    const summary = await waitFor("the folder to be taken", () =>
      evaluate(`document.getElementById("input-summary").textContent.startsWith("Folder") &&
                document.getElementById("input-summary").textContent`), 10);
    check("the folder is taken with its files", /: 7 files in /.test(summary), summary);

    await evaluate(`(() => {
      const s = ${JSON.stringify(settings)}, form = document.getElementById("options");
      for (const k of Object.keys(s)) form.elements[k].value = s[k];
      form.dispatchEvent(new Event("input"));
    })()`);
    const preview = await evaluate(`(() => {
      const text = (id) => document.querySelector('#preview-main [data-id="' + id + '"]').textContent;
      const cls = (id) => document.querySelector('#preview-main [data-id="' + id + '"]').className;
      return [text("IDC_DIRECTORY"), text("IDC_PROGRAM_GROUP"), text("IDC_EXTENSIONS"), cls("IDC_INFO_BUTTON"),
              document.querySelector('#preview-viewer [data-id="IDC_VIEWER_TEXT"]').textContent,
              document.querySelector("#preview-main .caption").textContent];
    })()`);
    check("the preview shows the settings as the stub fills them in",
          preview[0] === settings.dir && preview[1].endsWith("の作成(G): テスト") && preview[2].endsWith("の登録(O): abc") &&
          !/disabled/.test(preview[3]) && preview[4] === settings.comment && preview[5].endsWith("\\setup.exe"),
          JSON.stringify(preview));

    await waitFor("the builder to be ready", () => evaluate(`!document.getElementById("build-button").disabled`), 30);
    await evaluate(`document.getElementById("build-button").click()`);
    const status = await waitFor("the build", () => evaluate(`document.body.dataset.built`), 120);
    const verdict = await evaluate(`document.getElementById("verdict").textContent + " " +
      document.getElementById("messages").textContent`);
    check("the build passes", status === "0", verdict);
    await waitFor("the digest", () => evaluate(`document.getElementById("download").dataset.sha256`), 10);
    const dryRun = await evaluate(`document.getElementById("test-text").textContent`);
    check("the dry run decodes every entry", dryRun.startsWith("Every entry decodes") && /ﾃｽﾄ完了/.test(dryRun), dryRun);

    await evaluate(`document.getElementById("download").click()`);
    const guid = await waitFor("the download", () => downloaded, 30);
    const got = fs.readFileSync(path.join(downloads, guid));
    const line = await evaluate(`document.getElementById("command-line").textContent`);
    const built = runCommandLine(line);
    const expected = built.status === 0 ? fs.readFileSync(path.join(work, settings.output)) : Buffer.alloc(0);
    check("the download has the SHA-256 of the command line's build", sha256(got) === sha256(expected),
          `${line}\nstatus ${built.status}: ${built.stderr}\ndownload ${sha256(got)} (${got.length} bytes), ` +
          `command line ${sha256(expected)} (${expected.length} bytes)`);

    const foreign = seen.filter((u) => !u.startsWith(origin + "/") && !u.startsWith("blob:") && !u.startsWith("data:"));
    check("no request but the page's own", foreign.length === 0 && requests.every((u) => u === "/index.html"),
          foreign.concat(requests).join("\n"));

    await evaluate(`document.getElementById("preview-section").scrollIntoView()`);
    const { data } = await page("Page.captureScreenshot", { format: "png", captureBeyondViewport: true });
    const shot = path.join(path.dirname(pageFile), "preview.png");
    fs.writeFileSync(shot, Buffer.from(data, "base64"));
    console.log("  screenshot: " + shot);
    cdp.close();
    exitCode = failed ? 1 : 0;
  } catch (error) {
    console.log("  FAIL  " + error.message);
    failed++;
  } finally {
    chromium.kill();
    server.close();
  }
  console.log(`the page in Chromium: ${passed} passed, ${failed} failed`);
  process.exit(exitCode);
})();

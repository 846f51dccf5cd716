// The builder compiled for the browser against the Linux builder, under node: the same
// inputs, settings and environment give the same bytes (the option cases of the builder
// round trips, a zone with daylight saving and a fixed POSIX zone, the settings a page
// offers), show and test print the same, and a refused input ends with the same status
// and reason and writes nothing. Inputs are copied into the wasm module's in-memory file
// system at their own absolute paths, so both builders get the same command lines.
// Usage: node --no-experimental-fetch compare.js NATIVE_BUILD WASM_BUILD STUB
"use strict";
const fs = require("fs");
const path = require("path");
const { spawnSync } = require("child_process");
const { runMksfx } = require("../../web/mksfx-run.js");

const [nativeBuild, wasmBuild, stub] = process.argv.slice(2).map((p) => path.resolve(p));
const native = path.join(nativeBuild, "mksfx");
const fixtures = path.join(nativeBuild, "fixtures");
const work = path.join(wasmBuild, "web-tests");
fs.rmSync(work, { recursive: true, force: true });
fs.mkdirSync(path.join(work, "native"), { recursive: true });
fs.mkdirSync(path.join(work, "wasm"), { recursive: true });
fs.cpSync(path.join(fixtures, "builder_payload"), path.join(work, "tree"), { recursive: true, preserveTimestamps: true });
// Central European time: winter and summer file times are one and two hours ahead of UTC.
fs.mkdirSync(path.join(work, "seasons"));
for (const [name, when] of [["winter.txt", "2024-01-15T12:00:01Z"], ["summer.txt", "2024-07-15T12:00:01Z"]]) {
  const file = path.join(work, "seasons", name);
  fs.writeFileSync(file, name + "\n");
  fs.utimesSync(file, new Date(when), new Date(when));
}

// A file or a folder and everything below it, as runMksfx takes them.
function filesOf(root) {
  const found = [];
  (function walk(p) {
    const s = fs.statSync(p);
    const entry = { path: p, mtime: Math.floor(s.mtimeMs / 1000), readOnly: !(s.mode & 0o200) };
    if (s.isDirectory()) {
      found.push(entry);
      for (const name of fs.readdirSync(p)) walk(path.join(p, name));
    } else {
      entry.data = fs.readFileSync(p);
      found.push(entry);
    }
  })(root);
  return found;
}

// Every module instance adds its own process handlers under node.
process.setMaxListeners(0);
const wasmModule = new WebAssembly.Module(fs.readFileSync(path.join(wasmBuild, "mksfx.wasm")));
const createMksfx = require(path.join(wasmBuild, "mksfx.js"));
const stubFile = filesOf(stub);

// Each builder writes in its own folder under the same command line: native/ and wasm/.
function runWasm(args, env, inputs, outputs) {
  return runMksfx({
    createMksfx, wasmModule, args, env, cwd: path.join(work, "wasm"), outputs,
    files: stubFile.concat(...inputs.map(filesOf)),
  });
}

function runNative(args, env) {
  const r = spawnSync(native, args, { cwd: path.join(work, "native"), env: Object.assign({}, process.env, env), encoding: "utf8" });
  return { status: r.status, stdout: r.stdout, stderr: r.stderr };
}

let passed = 0, failed = 0;
function check(name, ok, detail) {
  if (ok) { passed++; return; }
  failed++;
  console.log("  FAIL  " + name + (detail ? "\n          " + String(detail).replace(/\n/g, "\n          ") : ""));
}

const tokyo = { TZ: "Asia/Tokyo" };
const cases = [
  // name, environment, build options, input (relative to the work folder, or a fixture)
  ["tree", tokyo, ["--dir", "C:\\Tests"], "tree"],
  ["seasons", { TZ: "Europe/Berlin" }, ["--dir", "x"], "seasons"],
  ["fixed-zone", { TZ: "JST-9" }, ["--dir", "x", "-9"], "seasons"],
  ["settings", { TZ: "Asia/Tokyo", SOURCE_DATE_EPOCH: "1700000000" },
    ["--dir", "C:\\アプリ", "--messages", "--overwrite", "never", "-5",
     "--group", "テスト|[AddItem(%0readme.txt)]", "--extensions", "$.abc|%0VIEW.EXE %1",
     "--comment", "ようこそ〜\n二行目", "--exclude", "日本?", "--exclude", "*.bin",
     "--version-info", "ProductName=製品", "--no-subdirs"], "tree"],
  ["7z", tokyo, ["--dir", "x"], path.join(fixtures, "builder_7z.zip")],
  ["7z-deflate64", tokyo, ["--dir", "x"], path.join(fixtures, "builder_7z_deflate64.zip")],
  ["infozip-utf8", tokyo, ["--dir", "x", "--utf8-names"], path.join(fixtures, "builder_iz.zip")],
  ["encrypted", tokyo, ["--dir", "x"], path.join(fixtures, "builder_7z_encrypted.zip")],
];

(async () => {
  for (const [name, env, options, input] of cases) {
    const out = `${name}.exe`;
    const args = ["build", "-o", out, "--stub", stub, ...options, path.resolve(work, input)];
    const n = runNative(args, env);
    const w = await runWasm(args, env, [path.resolve(work, input)], [path.join(work, "wasm", out)]);
    // The output's own name is written into it: both are called NAME.exe.
    const expected = fs.readFileSync(path.join(work, "native", out));
    const actual = w.outputs[path.join(work, "wasm", out)];
    check(`${name}: same status`, w.status === n.status, `native ${n.status}: ${n.stderr}\nwasm ${w.status}: ${w.stderr}`);
    check(`${name}: same bytes`, actual && Buffer.compare(Buffer.from(actual), expected) === 0,
          actual ? `${actual.length} bytes against ${expected.length}` : "nothing written");
    if (actual) fs.writeFileSync(path.join(work, "wasm", out), actual);
  }

  // show prints the settings through the host's code page 932 tables; test (the page's dry
  // run) prints the engine's own texts, which the wasm build compiles as code page 932.
  const settings = path.join(work, "native", "settings.exe");
  for (const command of ["show", "test"]) {
    const w = await runWasm([command, settings], tokyo, [settings], []);
    const n = runNative([command, settings], tokyo);
    check(`${command}: the same text`, w.status === n.status && w.stdout.trim() === n.stdout.trim() &&
          w.stderr.trim() === n.stderr.trim(), `native:\n${n.stdout}${n.stderr}\nwasm:\n${w.stdout}${w.stderr}`);
  }

  const emoji = path.join(fixtures, "builder_py_name_emoji.zip");
  const refusedOut = path.join(work, "wasm", "refused.exe");
  const refusedArgs = ["build", "-o", "refused.exe", "--stub", stub, "--dir", "x", emoji];
  const refused = await runWasm(refusedArgs, tokyo, [emoji], [refusedOut]);
  const nativeRefused = runNative(refusedArgs, tokyo);
  check("a refused input: status 2, nothing written", refused.status === 2 && !refused.outputs[refusedOut],
        `status ${refused.status}`);
  check("a refused input: the reason the Linux builder gives", refused.stderr.trim() === nativeRefused.stderr.trim(),
        `native: ${nativeRefused.stderr}\nwasm: ${refused.stderr}`);

  console.log(`wasm builder against the Linux builder: ${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
})();

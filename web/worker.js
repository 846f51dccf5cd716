// The page's worker: builds the SFX with the compiled builder, then reads the result back
// with show (the settings and entries the stub will see) and test (the dry run: the stub's
// engine decodes every entry without writing anything). Runs after the compiled loader
// (createMksfx) and web/mksfx-run.js in one blob; the page sends the wasm once, then one
// message per build, and gets progress messages and one result.
"use strict";
var wasmModule = null;

self.onmessage = function (event) {
  var message = event.data;
  if (message.type === "init") {
    WebAssembly.compile(message.wasm).then(function (compiled) {
      wasmModule = compiled;
      self.postMessage({ type: "ready" });
    }, function (error) {
      self.postMessage({ type: "failed", text: "the builder could not be loaded: " + error });
    });
  } else if (message.type === "build") {
    build(message).catch(function (error) {
      self.postMessage({ type: "failed", text: String(error && error.message || error) });
    });
  }
};

function run(args, env, files, outputs, onProgress) {
  return runMksfx({
    createMksfx: createMksfx, wasmModule: wasmModule, args: args, env: env, cwd: "/work",
    files: files, outputs: outputs, inputRoot: "/in/", onProgress: onProgress,
  });
}

// message: {args (without -o and --stub), env, files, output (its name), total (input bytes)}
function build(message) {
  var output = "/out/" + message.output;
  var args = ["build", "-o", output, "--stub", "/stub/sfxstub.exe"].concat(message.args);
  var last = 0;
  function progress(done) {
    var now = Date.now();
    if (now - last < 100) return;
    last = now;
    self.postMessage({ type: "progress", done: done, total: message.total });
  }
  var result = {};
  return run(args, message.env, message.files, [output], progress).then(function (built) {
    result.build = { status: built.status, stdout: built.stdout, stderr: built.stderr };
    var written = built.outputs[output];
    if (!written) return null;
    result.output = written;
    var exe = [{ path: output, data: written }];
    return run(["show", output], message.env, exe, []).then(function (shown) {
      result.show = shown;
      return run(["test", output], message.env, exe, []);
    }).then(function (tested) {
      result.test = tested;
    });
  }).then(function () {
    result.type = "done";
    self.postMessage(result, result.output ? [result.output.buffer] : []);
  });
}

// Runs one command of the builder compiled for the browser (build/wasm/mksfx.js) over an
// in-memory file system: the caller's files are written into it with their times and
// read-only marks, the command runs with the caller's arguments and environment, and the
// files it names as outputs are read back. The page's worker and the node comparison
// (tests/web/compare.js) share this file, so both run the builder the same way.
//
// A fresh module is made for every command: the builder keeps state in statics, and a run
// ends with exit(). The compiled wasm is handed in (wasmModule), so only the first run
// compiles it.
(function (exports) {
  "use strict";

  // files: [{path, data (Uint8Array; absent for a folder), mtime (seconds), readOnly}]
  // Paths are absolute; parents are made as needed. Folders get their times after every
  // file is in place, deepest first, since adding a file changes its folder's time.
  function makeParents(FS, path) {
    var parts = path.split("/").filter(Boolean), at = "";
    for (var i = 0; i < parts.length - 1; i++) {
      at += "/" + parts[i];
      try { FS.mkdir(at); } catch (e) { /* exists */ }
    }
  }

  function writeFiles(FS, files) {
    var folders = [];
    files.forEach(function (f) {
      makeParents(FS, f.path);
      if (f.data) {
        FS.writeFile(f.path, f.data);
        if (f.mtime !== undefined) FS.utime(f.path, f.mtime * 1000, f.mtime * 1000);
        if (f.readOnly) FS.chmod(f.path, 292);  // 0444
      } else {
        try { FS.mkdir(f.path); } catch (e) { /* exists */ }
        folders.push(f);
      }
    });
    folders.sort(function (a, b) { return b.path.length - a.path.length; });
    folders.forEach(function (f) {
      if (f.mtime !== undefined) FS.utime(f.path, f.mtime * 1000, f.mtime * 1000);
      if (f.readOnly) FS.chmod(f.path, 365);  // 0555
    });
  }

  // The in-memory file system copies a file into an array of the exact size whenever it is
  // cut, and the next write copies it again to grow it: the builder cuts its output back
  // whenever a deflated entry turns out larger than stored, and with each cut of a 40 MB
  // output both copies cost more than the build. A file cut within its array keeps the
  // array, and the bytes cut off are cleared: beyond its end a file's array holds zeros,
  // as a new array does, whichever way it grows again.
  function keepCapacity(FS) {
    var MEMFS = FS.filesystems && FS.filesystems.MEMFS;
    if (!MEMFS || !MEMFS.resizeFileStorage) return;
    var resize = MEMFS.resizeFileStorage;
    MEMFS.resizeFileStorage = function (node, newSize) {
      if (node.contents && node.contents.subarray && newSize > 0 && newSize <= node.contents.length) {
        if (newSize < node.usedBytes) node.contents.fill(0, newSize, node.usedBytes);
        node.usedBytes = newSize;
        return;
      }
      resize.call(MEMFS, node, newSize);
    };
  }

  // options: {createMksfx, wasmModule (WebAssembly.Module), args, env, cwd, files,
  //           outputs (paths to read back), inputRoot (a path prefix whose reads count as
  //           progress), onProgress(doneBytes)}
  // Resolves to {status, stdout, stderr, outputs: {path: Uint8Array}}.
  function runMksfx(options) {
    var stdout = [], stderr = [];
    var moduleOptions = {
      noInitialRun: true,
      print: function (line) { stdout.push(line); },
      printErr: function (line) { stderr.push(line); },
      // exit() ends the command, never the page or node: callMain returns its status.
      quit: function (status, toThrow) { throw toThrow; },
      // The C library reads its environment once, as the module starts.
      preRun: [function (M) {
        Object.keys(options.env || {}).forEach(function (k) { M.ENV[k] = options.env[k]; });
      }],
      instantiateWasm: function (imports, receive) {
        WebAssembly.instantiate(options.wasmModule, imports).then(function (instance) {
          receive(instance, options.wasmModule);
        });
        return {};
      },
    };
    return options.createMksfx(moduleOptions).then(function (M) {
      var FS = M.FS;
      keepCapacity(FS);
      writeFiles(FS, options.files || []);
      // The working folder and the outputs' folders exist, as they would on a disk.
      if (options.cwd) {
        makeParents(FS, options.cwd + "/.");
        FS.chdir(options.cwd);
      }
      (options.outputs || []).forEach(function (path) { makeParents(FS, path); });
      if (options.onProgress && options.inputRoot) {
        var read = FS.read, done = 0, root = options.inputRoot;
        FS.read = function (stream) {
          var n = read.apply(FS, arguments);
          if (stream.path && stream.path.indexOf(root) === 0) {
            done += n;
            options.onProgress(done);
          }
          return n;
        };
      }
      var status;
      try {
        status = M.callMain(options.args);
      } catch (e) {
        if (e && e.name === "ExitStatus") status = e.status;
        else { stderr.push(String(e && e.message || e)); status = 70; }
      }
      var outputs = {};
      (options.outputs || []).forEach(function (path) {
        try { outputs[path] = FS.readFile(path); } catch (e) { /* not written */ }
      });
      return { status: status, stdout: stdout.join("\n"), stderr: stderr.join("\n"), outputs: outputs };
    });
  }

  exports.runMksfx = runMksfx;
})(typeof module !== "undefined" && module.exports ? module.exports : self);

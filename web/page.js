// The page: takes a folder, a ZIP file and an icon (dropped or chosen), turns the form into
// the builder's options, runs the build in a worker made from the page's own text, and
// shows the result: a verdict in plain words, the warnings and refusals, what show prints,
// the dry run, the download, and the equivalent command line. The preview follows the form.
"use strict";

(function () {
  // The files, the output and the builder's heap share the tab's memory; a ZIP archive the
  // stub reads has no ZIP64 records either, so its input stays far below 4 GiB.
  var INPUT_LIMIT = 1024 * 1024 * 1024;
  var VERSION_KEYS = ["ProductName", "FileDescription", "CompanyName", "LegalCopyright",
                      "ProductVersion", "FileVersion", "OriginalFilename"];
  var $ = function (id) { return document.getElementById(id); };
  var form = $("options");
  var resources = JSON.parse($("stub-resources").textContent);
  // input: {kind: "folder"|"zip", name, files: [{relative, file, mtime}], folders: [{relative, mtime}]}
  var input = null, icon = null, iconUrl = null, downloadUrl = null;
  var worker = null, workerReady = false, building = false;

  function base64Bytes(text) {
    var binary = atob(text.trim()), bytes = new Uint8Array(binary.length);
    for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }
  var stubBytes = base64Bytes($("stub-exe").textContent);

  function startWorker() {
    var source = new Blob([$("worker-source").textContent], { type: "text/javascript" });
    worker = new Worker(URL.createObjectURL(source));
    worker.onmessage = onWorkerMessage;
    var wasm = base64Bytes($("mksfx-wasm").textContent);
    worker.postMessage({ type: "init", wasm: wasm.buffer }, [wasm.buffer]);
  }

  // ---- input --------------------------------------------------------------------------------

  function seconds(ms) { return Math.floor(ms / 1000); }

  // A folder chosen with the file input: its files carry their paths below the folder;
  // folders carry no time, so each takes its newest file's.
  function folderFromFileList(list) {
    var files = [], folders = {}, name = "";
    Array.prototype.forEach.call(list, function (file) {
      var parts = file.webkitRelativePath.split("/");
      name = parts.shift();
      var relative = parts.join("/");
      files.push({ relative: relative, file: file, mtime: seconds(file.lastModified) });
      for (var i = 1; i < parts.length; i++) {
        var folder = parts.slice(0, i).join("/");
        folders[folder] = Math.max(folders[folder] || 0, seconds(file.lastModified));
      }
    });
    return { kind: "folder", name: name, files: files,
             folders: Object.keys(folders).map(function (f) { return { relative: f, mtime: folders[f] }; }) };
  }

  // A dropped folder, walked through the entries API: empty folders and folder times too.
  function readEntries(reader) {
    return new Promise(function (resolve, reject) {
      var all = [];
      (function more() {
        reader.readEntries(function (batch) {
          if (!batch.length) return resolve(all);
          all = all.concat(batch);
          more();
        }, reject);
      })();
    });
  }
  function entryTime(entry) {
    return new Promise(function (resolve) {
      if (!entry.getMetadata) return resolve(undefined);
      entry.getMetadata(function (m) { resolve(seconds(m.modificationTime.getTime())); }, function () { resolve(undefined); });
    });
  }
  function walkEntry(entry, relative, into) {
    if (entry.isFile) {
      return new Promise(function (resolve, reject) { entry.file(resolve, reject); }).then(function (file) {
        into.files.push({ relative: relative, file: file, mtime: seconds(file.lastModified) });
      });
    }
    return Promise.all([readEntries(entry.createReader()), relative ? entryTime(entry) : undefined]).then(function (r) {
      if (relative) into.folders.push({ relative: relative, mtime: r[1] });
      return Promise.all(r[0].map(function (child) {
        return walkEntry(child, relative ? relative + "/" + child.name : child.name, into);
      }));
    });
  }

  function useZip(file) {
    input = { kind: "zip", name: file.name, files: [{ relative: file.name, file: file, mtime: seconds(file.lastModified) }], folders: [] };
    inputChanged();
  }
  function useIcon(file) {
    icon = file;
    if (iconUrl) URL.revokeObjectURL(iconUrl);
    iconUrl = URL.createObjectURL(file);
    inputChanged();
  }

  function inputBytes() {
    return input ? input.files.reduce(function (sum, f) { return sum + f.file.size; }, 0) : 0;
  }

  function inputChanged() {
    var text = "No input yet.";
    if (input) {
      var bytes = inputBytes();
      text = input.kind === "zip" ? "ZIP archive " + input.name + " (" + bytes.toLocaleString("en-US") + " bytes)"
        : "Folder " + input.name + ": " + input.files.length + " files in " + input.folders.length + " folders, " +
          bytes.toLocaleString("en-US") + " bytes";
      if (bytes > INPUT_LIMIT) text += " — more than the page takes (" + (INPUT_LIMIT >> 20) + " MiB): use the command line";
    }
    if (icon) text += (input ? "; " : " ") + "icon " + icon.name;
    $("input-summary").textContent = text;
    updateBuildButton();
    updatePreview();
  }

  $("folder-input").addEventListener("change", function (e) {
    if (e.target.files.length) { input = folderFromFileList(e.target.files); inputChanged(); }
  });
  $("zip-input").addEventListener("change", function (e) { if (e.target.files[0]) useZip(e.target.files[0]); });
  $("icon-input").addEventListener("change", function (e) { if (e.target.files[0]) useIcon(e.target.files[0]); });

  var zone = $("drop-zone");
  zone.addEventListener("dragover", function (e) { e.preventDefault(); zone.classList.add("over"); });
  zone.addEventListener("dragleave", function () { zone.classList.remove("over"); });
  zone.addEventListener("drop", function (e) {
    e.preventDefault();
    zone.classList.remove("over");
    var items = Array.prototype.map.call(e.dataTransfer.items || [], function (i) { return i.webkitGetAsEntry && i.webkitGetAsEntry(); });
    items.forEach(function (entry, n) {
      if (!entry) return;
      if (entry.isDirectory) {
        var folder = { kind: "folder", name: entry.name, files: [], folders: [] };
        walkEntry(entry, "", folder).then(function () { input = folder; inputChanged(); });
      } else {
        var file = e.dataTransfer.files[n];
        if (/\.ico$/i.test(entry.name)) useIcon(file);
        else useZip(file);
      }
    });
  });

  // ---- options ------------------------------------------------------------------------------

  function value(name) { return form.elements[name].value; }
  function checked(name) { return form.elements[name].checked; }
  function choice(name) { return form.querySelector('input[name="' + name + '"]:checked').value; }

  function outputName() { return (value("output").trim() || "setup.exe").replace(/[\\/]/g, "_"); }

  // The builder's options from the form, the input's and icon's paths last.
  function buildOptions() {
    var args = [];
    if (value("dir").trim()) args.push("--dir", value("dir").trim());
    if (choice("subdirs") === "on") args.push("--subdirs");
    if (choice("subdirs") === "off") args.push("--no-subdirs");
    if (checked("messages")) args.push("--messages");
    args.push("--overwrite", choice("overwrite"));
    if (value("comment")) args.push("--comment", value("comment").replace(/\r\n/g, "\n"));
    if (value("group").trim()) args.push("--group", value("group").trim());
    if (value("extensions").trim()) args.push("--extensions", value("extensions").trim());
    VERSION_KEYS.forEach(function (key) {
      if (value(key).trim()) args.push("--version-info", key + "=" + value(key).trim());
    });
    args.push("-" + value("level"));
    if (value("manifest")) args.push("--manifest-level", value("manifest"));
    value("exclude").split(/\r?\n/).forEach(function (p) { if (p.trim()) args.push("--exclude", p.trim()); });
    if (checked("utf8")) args.push("--utf8-names");
    if (checked("allow")) args.push("--allow-unextractable");
    if (icon) args.push("--icon", "/icon/" + icon.name);
    return args;
  }

  function environment() {
    var env = {};
    var tz = value("tz").trim();
    if (tz) env.TZ = tz;
    if (value("epoch").trim()) env.SOURCE_DATE_EPOCH = value("epoch").trim();
    return env;
  }

  function shellWord(text) {
    return /^[A-Za-z0-9_.,:\/=+%@-]+$/.test(text) ? text : "'" + text.replace(/'/g, "'\\''") + "'";
  }

  function commandLine() {
    var env = environment(), words = [];
    Object.keys(env).forEach(function (k) { words.push(k + "=" + shellWord(env[k])); });
    words.push("mksfx", "build", "-o", shellWord(outputName()));
    buildOptions().forEach(function (a) { words.push(shellWord(a.replace(/^\/icon\//, ""))); });
    var name = input ? input.name + (input.kind === "folder" ? "/" : "") : "INPUT";
    if (name.charAt(0) === "-") words.push("--");  // a name, not an option
    words.push(shellWord(name));
    return words.join(" ");
  }

  function updatePreview() {
    var subdirs = choice("subdirs");
    SfxPreview.render($("preview"), resources, {
      dir: value("dir").trim(), messages: checked("messages"), overwrite: choice("overwrite"),
      subdirs: subdirs === "on" || (subdirs === "auto" && !!input && input.kind === "folder" &&
               input.files.some(function (f) { return f.relative.indexOf("/") >= 0; })),
      group: value("group").trim(), extensions: value("extensions").trim(), comment: value("comment"),
      output: outputName(), inputBytes: input ? inputBytes() : undefined, iconUrl: iconUrl,
    });
  }

  function updateBuildButton() {
    $("build-button").disabled = !workerReady || building || !input || inputBytes() > INPUT_LIMIT;
  }

  form.addEventListener("input", updatePreview);
  form.addEventListener("change", updatePreview);
  form.addEventListener("submit", function (e) { e.preventDefault(); });
  try { form.elements.tz.value = Intl.DateTimeFormat().resolvedOptions().timeZone || ""; } catch (e) { /* no Intl */ }

  // ---- the build ----------------------------------------------------------------------------

  // The files as the worker writes them: the input below /in/ under its own name, the
  // stub, the icon.
  function readAll() {
    var root = "/in/" + input.name;
    return Promise.all(input.files.map(function (f) {
      return f.file.arrayBuffer().then(function (buffer) {
        var path = input.kind === "folder" ? root + "/" + f.relative : root;
        return { path: path, data: new Uint8Array(buffer), mtime: f.mtime };
      });
    })).then(function (files) {
      input.folders.forEach(function (f) { files.push({ path: root + "/" + f.relative, mtime: f.mtime }); });
      if (input.kind === "folder") files.push({ path: root });  // an empty folder still exists
      files.push({ path: "/stub/sfxstub.exe", data: stubBytes });
      if (!icon) return { files: files, inputPath: root };
      return icon.arrayBuffer().then(function (buffer) {
        files.push({ path: "/icon/" + icon.name, data: new Uint8Array(buffer) });
        return { files: files, inputPath: root };
      });
    });
  }

  $("build-button").addEventListener("click", function () {
    building = true;
    updateBuildButton();
    $("result").hidden = true;
    $("progress").hidden = false;
    $("progress").value = 0;
    $("progress-text").textContent = "reading the input…";
    readAll().then(function (read) {
      $("progress-text").textContent = "building…";
      worker.postMessage({ type: "build", args: buildOptions().concat([read.inputPath]), env: environment(),
                           files: read.files, output: outputName(), total: inputBytes() });
    }, function (error) {
      finish();
      showFailure("the input could not be read: " + error);
    });
  });

  function finish() {
    building = false;
    $("progress").hidden = true;
    $("progress-text").textContent = "";
    updateBuildButton();
  }

  function onWorkerMessage(event) {
    var m = event.data;
    if (m.type === "ready") { workerReady = true; updateBuildButton(); }
    else if (m.type === "progress") { $("progress").value = m.total ? Math.min(1, m.done / m.total) : 0; }
    else if (m.type === "failed") { finish(); showFailure(m.text); }
    else if (m.type === "done") { finish(); showResult(m); }
  }

  // ---- the result ---------------------------------------------------------------------------

  var VERDICTS = {
    0: ["ok", "Built. The stub will deliver every entry as it is."],
    1: ["warn", "Built, with warnings: read them below before you ship the file."],
    2: ["bad", "Refused: nothing was written. The reasons are below."],
    3: ["bad", "A setting is not valid: nothing was written."],
  };

  // The builder's lines without its name; errors and warnings marked.
  function messageItems(text) {
    return text.split("\n").filter(function (l) { return l.trim(); }).map(function (line) {
      var li = document.createElement("li");
      var plain = line.replace(/^mksfx: /, "");
      if (/^error: /.test(plain)) { li.className = "error"; plain = "Refused: " + plain.slice(7); }
      else if (/^warning: /.test(plain)) { li.className = "warning"; plain = "Warning: " + plain.slice(9); }
      li.textContent = plain;
      return li;
    });
  }

  function showFailure(text) {
    $("result").hidden = false;
    $("verdict").className = "bad";
    $("verdict").textContent = "The build did not run: " + text;
    $("messages").replaceChildren();
    $("download").hidden = true;
  }

  function showResult(m) {
    $("result").hidden = false;
    var verdict = VERDICTS[m.build.status] || ["bad", "The builder ended with status " + m.build.status + "."];
    $("verdict").className = verdict[0];
    $("verdict").textContent = verdict[1];
    $("messages").replaceChildren.apply($("messages"), messageItems(m.build.stderr));
    $("command-line").textContent = commandLine();
    if (downloadUrl) URL.revokeObjectURL(downloadUrl);
    downloadUrl = null;
    $("download").hidden = !m.output;
    $("show-details").hidden = $("test-details").hidden = !m.output;
    if (m.output) {
      downloadUrl = URL.createObjectURL(new Blob([m.output], { type: "application/vnd.microsoft.portable-executable" }));
      $("download").href = downloadUrl;
      $("download").download = outputName();
      $("download").textContent = "Download " + outputName();
      crypto.subtle.digest("SHA-256", m.output).then(function (digest) {
        var hex = Array.prototype.map.call(new Uint8Array(digest), function (b) { return ("0" + b.toString(16)).slice(-2); }).join("");
        $("download-note").textContent = m.output.length.toLocaleString("en-US") + " bytes, SHA-256 " + hex;
        $("download").dataset.sha256 = hex;
      });
      $("show-text").textContent = m.show.stdout + (m.show.stderr ? "\n" + m.show.stderr : "");
      var dry = m.test.status === 0 ? "Every entry decodes to its size and CRC-32.\n\n"
                                    : "The dry run ended with status " + m.test.status + ".\n\n";
      $("test-text").textContent = dry + m.test.stdout + (m.test.stderr ? "\n" + m.test.stderr : "");
    } else {
      $("download-note").textContent = "";
    }
    document.body.dataset.built = String(m.build.status);
  }

  $("input-limit").textContent = (INPUT_LIMIT >> 20) + " MiB";
  updatePreview();
  startWorker();
})();

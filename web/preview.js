// The preview of the stub's main dialog and of the viewer its Info button opens, drawn from
// the stub's own templates and string table (read from its resource script when the page
// was assembled) with the author's settings, the way the stub fills them in: the caption
// with the program's path, the offered folder, the boxes and buttons from the flags, the
// program group's name and the extension list after their boxes' labels, Info enabled
// only with a comment. Dialog units are turned into pixels for a 9-point font at 96 dpi.
"use strict";

var SfxPreview = (function () {
  // ＭＳ Ｐゴシック 9 pt at 96 dpi: 12 pixels high, 6 wide on average; a dialog unit is a
  // quarter of the average width across and an eighth of the height down.
  var UNIT_X = 6 / 4, UNIT_Y = 12 / 8;
  var EXAMPLE_FOLDER = "C:\\Users\\user\\Downloads\\";
  var TEMPORARY = "C:\\Users\\user\\AppData\\Local\\Temp";

  function escapeHtml(text) {
    return String(text).replace(/[&<>"]/g, function (c) {
      return { "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;" }[c];
    });
  }

  // A control's text with its accelerator: "&X" underlines X, "&&" is one '&'.
  function labelHtml(text) {
    return escapeHtml(text).replace(/&amp;(&amp;|.)/g, function (all, c) {
      return c === "&amp;" ? "&amp;" : "<u>" + c + "</u>";
    });
  }

  function kilobytes(bytes) {
    return Math.ceil(bytes / 1024).toLocaleString("en-US") + "K";
  }

  // The folder list of the old file-open dialog: the drive, each folder down to the offered
  // one (open), as far as the path goes.
  function folderRows(dir) {
    var parts = dir.split("\\").filter(Boolean);
    var rows = [parts.length ? parts[0].toLowerCase() + "\\" : "c:\\"];
    for (var i = 1; i < parts.length; i++) rows.push(new Array(i + 1).join("\u00a0\u00a0") + "\u0001" + parts[i]);
    return rows;
  }

  function offeredFolder(dir) {
    if (!dir) return TEMPORARY;
    return /^[A-Za-z]:/.test(dir) ? dir : TEMPORARY + "\\" + dir;
  }

  // settings: {dir, subdirs, messages, overwrite, group, extensions, comment, output,
  //            inputBytes, iconUrl}
  function controlHtml(c, s, strings) {
    var text = c.text, classes = ["c"], enabled = true, inner;
    switch (c.id) {
      case "IDC_DIRECTORY": text = offeredFolder(s.dir); break;
      case "IDC_REQUIRED": if (s.inputBytes !== undefined) text = kilobytes(s.inputBytes); break;
      case "IDC_PROGRAM_GROUP":
        if (s.group) text += s.group.split("|")[0];
        enabled = !!s.group; break;
      case "IDC_EXTENSIONS":
        if (s.extensions) {
          text += s.extensions.split("|").filter(function (x, i) { return i % 2 === 0; })
                    .map(function (x) { return x.slice(2); }).join(";");
        }
        enabled = !!s.extensions; break;
      case "IDC_RUN_AFTER": enabled = false; break;  // no command to run is stored
      case "IDC_INFO_BUTTON": enabled = !!s.comment; break;
      case "IDC_BANNER": text = strings.IDS_BANNER; break;
    }
    var checked = { IDC_SUBDIRS: s.subdirs, IDC_MESSAGES: s.messages, IDC_PROGRAM_GROUP: !!s.group,
                    IDC_EXTENSIONS: !!s.extensions, IDC_OVERWRITE_ASK: s.overwrite === "ask",
                    IDC_OVERWRITE_ALL: s.overwrite === "always", IDC_OVERWRITE_NEVER: s.overwrite === "never" }[c.id];
    switch (c.kind) {
      case "edittext":
        classes.push("edit");
        if (/ES_MULTILINE/.test(c.style)) classes.push("multiline");
        inner = escapeHtml(c.id === "IDC_VIEWER_TEXT" ? s.comment : text);
        break;
      case "listbox":
        classes.push("listbox");
        inner = c.id === "IDC_FOLDER_LIST"
          ? folderRows(offeredFolder(s.dir)).map(function (r) {
              return "<div>" + escapeHtml(r).replace("\u0001", '<span class="folder"></span>') + "</div>";
            }).join("")
          : "";
        break;
      case "combobox": classes.push("combobox"); inner = escapeHtml(offeredFolder(s.dir).slice(0, 2).toLowerCase()) + " ▾"; break;
      case "frame": classes.push("frame"); inner = ""; break;
      case "groupbox": classes.push("groupbox"); inner = "<span>" + labelHtml(text) + "</span>"; break;
      case "autocheckbox": classes.push("check"); if (checked) classes.push("on"); inner = labelHtml(text); break;
      case "autoradiobutton": classes.push("radio"); if (checked) classes.push("on"); inner = labelHtml(text); break;
      case "defpushbutton": classes.push("button", "default"); inner = labelHtml(text); break;
      case "pushbutton": classes.push("button"); inner = labelHtml(text); break;
      case "rtext": classes.push("rtext"); inner = labelHtml(text); break;
      case "ctext": classes.push("ctext"); inner = labelHtml(text); break;
      default: inner = labelHtml(text);
    }
    if (!enabled) classes.push("disabled");
    var style = "left:" + c.x * UNIT_X + "px;top:" + c.y * UNIT_Y + "px;width:" + c.w * UNIT_X +
                "px;height:" + c.h * UNIT_Y + "px";
    return '<div class="' + classes.join(" ") + '" data-id="' + escapeHtml(c.id) + '" style="' + style + '">' + inner + "</div>";
  }

  function dialogHtml(name, dialog, caption, s, strings) {
    var icon = s.iconUrl ? '<img src="' + escapeHtml(s.iconUrl) + '" width="16" height="16" alt=""> ' : "";
    var controls = dialog.controls.filter(function (c) { return !c.hidden; })
      .map(function (c) { return controlHtml(c, s, strings); }).join("");
    return '<div class="win" id="preview-' + name + '" style="width:' + dialog.w * UNIT_X + 'px">' +
           '<div class="caption">' + icon + escapeHtml(caption) + "</div>" +
           '<div class="body" style="height:' + dialog.h * UNIT_Y + 'px">' + controls + "</div></div>";
  }

  function render(container, resources, settings) {
    var strings = resources.strings, main = resources.dialogs.main, viewer = resources.dialogs.viewer;
    // The caption is the template's and the program's path; the viewer takes the main
    // dialog's caption as its own.
    var caption = main.caption + EXAMPLE_FOLDER + (settings.output || "setup.exe");
    var html = dialogHtml("main", main, caption, settings, strings);
    if (settings.comment) html += dialogHtml("viewer", viewer, caption, settings, strings);
    container.innerHTML = html;
  }

  return { render: render };
})();

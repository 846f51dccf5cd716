// The options of `mksfx build`: the table the parser and the help text share, and the
// step from the parsed command line to BuildOptions.
#include "build_options.h"

#include "pe/signing.h"

const CommandSpec BUILD_COMMAND = {
    "build",
    "build -o OUT.exe [options] INPUT",
    "Makes a self-extracting file: the stub, a configuration block with the settings below\n"
    "and the ZIP archive INPUT (or a ZIP archive made from the directory INPUT). Everything\n"
    "is checked first; when the build is refused nothing is written.",
    {
        {"output", 'o', "OUT.exe",
         "The self-extracting file to write. An existing file is kept unless --force is given;\n"
         "the stub is never replaced.\n"
         "Example: -o setup.exe"},
        {"stub", 0, "FILE",
         "The stub program to put in front (default: $SFX_STUB, else the stub installed with\n"
         "mksfx, ../share/mksfx/sfxstub.exe, else sfxstub.exe beside mksfx).\n"
         "Example: --stub build/win32/sfxstub.exe"},
        {"dir", 0, "PATH",
         "The directory the end user is offered first. An absolute path starts with a drive\n"
         "letter and a colon; a relative one is taken below the end user's temporary\n"
         "directory. A directory that does not exist is cut back to its deepest existing\n"
         "parent. At most 260 bytes in code page 932.\n"
         "Example: --dir 'C:\\Program Files\\MyApp'"},
        {"subdirs", 0, nullptr,
         "Tick the \"subdirectories\" box: entries are extracted into the directories their\n"
         "names give. This is the default when the input has directories."},
        {"no-subdirs", 0, nullptr,
         "Clear the \"subdirectories\" box: every file lands in the extraction directory\n"
         "itself (two files with one name then meet the overwrite question)."},
        {"messages", 0, nullptr,
         "Tick the \"messages\" box: every warning is also shown in a message box, and an\n"
         "extraction ends with a completion notice."},
        {"no-messages", 0, nullptr, "Clear the \"messages\" box (the default)."},
        {"overwrite", 0, "ask|always|never",
         "What the stub does with files that exist: ask (default), always replace, never\n"
         "replace. Example: --overwrite=always"},
        {"group", 0, "NAME|COMMAND|...",
         "A program group the stub offers to create after the extraction: the group's name,\n"
         "then commands sent one by one to the program manager over DDE, separated by '|'.\n"
         "The commands are the program manager's bracketed ones ([CreateGroup(...)],\n"
         "[AddItem(...)], [ShowGroup(...)]); in each, %0 stands for the extraction\n"
         "directory in short form with a trailing '\\'. At most 1040 bytes.\n"
         "Example: --group 'My App|[CreateGroup(My App)]|[AddItem(%0APP.EXE,My App)]'"},
        {"extensions", 0, "MARK.EXT|COMMAND|...",
         "File extensions the stub offers to register after the extraction, as pairs\n"
         "separated by '|': a marker character, a dot and the extension, then the command\n"
         "that opens such a file. %0 stands for the extraction directory, %1 for the file\n"
         "to open. The marker '$' registers a DDE association (the program is started and\n"
         "gets [open(\"%1\")]); any other marker a plain one. At most 260 bytes.\n"
         "Example: --extensions '$.abc|%0VIEW.EXE %1|x.def|%0EDIT.EXE %1'"},
        {"comment", 0, "TEXT",
         "The archive comment, which the stub shows in its dialog (line feeds become CR LF),\n"
         "at most 65,535 bytes in code page 932.\n"
         "Example: --comment $'MyApp 1.0\\nようこそ'"},
        {"exclude", 0, "PATTERN",
         "Leave out the entries whose path, one of whose directories, or whose name matches\n"
         "the wildcard PATTERN ('*', '?', '[...]'); one ending in '/' matches directories\n"
         "only. May be given more than once.\n"
         "Example: --exclude '*.bak' --exclude .git"},
        {"level", '0', "N",
         "-0 stores, -1 ... -9 deflate the files of a directory INPUT faster or smaller\n"
         "(default -9); the entries of a ZIP INPUT are taken as they are."},
        {"config", 0, "FILE",
         "Read settings from FILE first (the options after it win). One \"name = value\"\n"
         "per line, named as the long options: dir, subdirs = yes|no, messages = yes|no,\n"
         "overwrite, group, extensions, comment (one line of it per line), exclude,\n"
         "level, stub, utf8-names, allow-unextractable, strict, icon, version-info (one\n"
         "line per key), manifest-level, sign-command, and icon-data (an .ico file in\n"
         "base64); '#' starts a remark. Relative paths (icon, stub) are taken from FILE's\n"
         "folder. \"mksfx show --config FILE.exe\" prints an SFX's settings and identity in\n"
         "this form. Example: --config setup.cfg"},
        {"reset-config", 0, nullptr,
         "When INPUT is itself an SFX, do not take over its settings (by default they are\n"
         "kept, and the options given change them)."},
        {"utf8-names", 0, nullptr,
         "The names of a ZIP input that are not flagged UTF-8 are UTF-8 all the same (as\n"
         "Info-ZIP zip writes them on Linux); they are converted to code page 932."},
        {"allow-unextractable", 0, nullptr,
         "Build even when the stub cannot deliver every entry as it is: other compression\n"
         "methods (bzip2, LZMA ...), AES or strong encryption, names with no code page 932\n"
         "form, names Windows cannot create or that meet on Windows, symbolic links, paths\n"
         "too long, data whose CRC-32 does not match. Each becomes a warning (status 1)."},
        {"strict", 0, nullptr, "Every warning refuses the build (status 2, nothing written)."},
        {"force", 0, nullptr,
         "Replace OUT.exe when it exists (where it is a symbolic link, the file it names); a\n"
         "directory, device or pipe is never replaced."},
        {"icon", 0, "FILE.ico",
         "The program's icon, as Explorer and the stub's dialogs show it: every image of the\n"
         "icon file replaces the stub's own icon.\n"
         "Example: --icon myapp.ico"},
        {"version-info", 0, "KEY=VALUE",
         "A text of the version record that Explorer's Properties and the download prompt\n"
         "show; KEY is ProductName, FileDescription, CompanyName, LegalCopyright,\n"
         "ProductVersion, FileVersion (the two versions also set the numeric version when\n"
         "they start with numbers below 65536, and warn when a number is larger) or\n"
         "OriginalFilename (by default the name of OUT.exe).\n"
         "Repeat it for each key.\n"
         "Example: --version-info 'ProductName=My App' --version-info FileVersion=2.1.0"},
        {"manifest-level", 0, "asInvoker|requireAdministrator",
         "The execution level the application manifest asks for: asInvoker (the stub's own,\n"
         "runs with the user's rights) or requireAdministrator (Windows asks for elevation).\n"
         "Example: --manifest-level requireAdministrator"},
        {"sign-command", 0, "'CMD {}'",
         "A command that signs the finished file before it gets its name, run by /bin/sh (cmd\n"
         "on Windows) with {} standing for the file's quoted path; when it fails nothing is\n"
         "written. The stub itself must be unsigned (the archive behind it would break its\n"
         "signature).\n"
         "Example: --sign-command 'osslsigncode sign -certs a.pem -key a.key -in {} -out {}.s && mv {}.s {}'"},
    },
    1,
    1,
    "INPUT",
    "INPUT is a ZIP file (made by any tool) or a directory. Texts are given in UTF-8 and\n"
    "stored in code page 932, as the stub reads them.\n"
    "\n"
    "Examples:\n"
    "  mksfx build -o setup.exe --dir 'C:\\MyApp' --subdirs payload/\n"
    "  mksfx build -o setup.exe --group 'My App|[AddItem(%0APP.EXE,My App)]' app.zip\n",
};

std::string settingProblem(const std::string& name, const std::string& value) {
  if (name == "level" && (value.size() != 1 || value[0] < '0' || value[0] > '9')) {
    return "level takes one digit, 0 (store) to 9 (smallest), not \"" + value + "\"";
  }
  if (name == "overwrite" && value != "ask" && value != "always" && value != "never") {
    return "overwrite takes ask, always or never, not \"" + value + "\"";
  }
  if (name == "manifest-level" && !isManifestLevel(value)) {
    return "manifest-level takes asInvoker or requireAdministrator, not \"" + value + "\"";
  }
  if (name == "version-info") {
    size_t equals = value.find('=');
    if (equals == std::string::npos || !isVersionKey(value.substr(0, equals))) {
      return "version-info takes KEY=VALUE with KEY one of " + std::string(VERSION_KEY_LIST) + "; not \"" + value +
             "\"";
    }
  }
  if (name == "sign-command" && !value.empty() && !signCommandUsable(value)) {
    return "sign-command must name the file to sign as {}";
  }
  return std::string();
}

bool buildOptionsFrom(const Arguments& a, BuildOptions& o) {
  for (const auto& g : a.given) {
    const std::string& name = g.first;
    const std::string& value = g.second;
    std::string problem = settingProblem(name, value);
    if (!problem.empty()) {
      usageError(BUILD_COMMAND, "--" + problem);
      return false;
    }
    if (name == "output") o.output = value;
    else if (name == "stub") o.stub = value;
    else if (name == "dir") o.directory = value, o.hasDirectory = true;
    else if (name == "group") o.group = value, o.hasGroup = !value.empty();
    else if (name == "extensions") o.extensions = value, o.hasExtensions = !value.empty();
    else if (name == "comment") o.comment = value, o.hasComment = true;
    else if (name == "overwrite") o.overwrite = value;
    else if (name == "subdirs") o.subdirs = 1;
    else if (name == "no-subdirs") o.subdirs = 0;
    else if (name == "allow-unextractable") o.allowUnextractable = true;
    else if (name == "messages") o.messages = true;
    else if (name == "no-messages") o.messages = false;
    else if (name == "exclude") o.inputOptions.excludes.push_back(value);
    else if (name == "level") o.inputOptions.level = value[0] - '0';
    else if (name == "config") o.config = value;
    else if (name == "reset-config") o.resetConfig = true;
    else if (name == "strict") o.strict = true;
    else if (name == "force") o.force = true;
    else if (name == "utf8-names") o.inputOptions.utf8Names = true;
    else if (name == "sign-command") o.signCommand = value;
    else if (name == "icon") o.resources.icon = value, o.resources.iconFile.clear();
    else if (name == ICON_DATA_SETTING) o.resources.iconFile = value, o.resources.icon.clear();
    else if (name == "manifest-level") o.resources.manifestLevel = value;
    else if (name == "version-info") {
      size_t equals = value.find('=');
      o.resources.versionStrings.emplace_back(value.substr(0, equals), value.substr(equals + 1));
    }
  }
  o.input = a.operands.empty() ? std::string() : a.operands[0];
  if (o.output.empty()) {
    usageError(BUILD_COMMAND, "no output file (-o OUT.exe)");
    return false;
  }
  return true;
}

// Settings files and settings taken over from an SFX. A settings file holds the build's
// options one per line, "name = value", named as the long options (switches take yes or
// no; the comment takes one line of its text per line; '#' starts a remark line). It is
// read into the same option list the command line gives and checked by the same rules, so
// a setting means exactly what its option means; paths in it (icon, stub) are taken from
// the file's own folder. `mksfx show --config` writes an SFX's configuration block, comment
// and identity (icon, version texts, manifest level: what differs from the stub's own) in
// this form, the icon as base64 in `icon-data`, and a build whose input is an SFX starts
// from the same settings.
#include <cstdio>
#include <cstring>

#include "build_options.h"
#include "base/base64.h"
#include "base/code_page.h"
#include "commands.h"
#include "host/host.h"
#include "session/config_block.h"

namespace {

// Options that say where the output goes or how this one run behaves, not what is built.
const char* const NOT_SETTINGS[] = {"output", "config", "reset-config", "force", "help", "quiet", "verbose"};

const OptionSpec* buildOption(const std::string& name) {
  for (const char* n : NOT_SETTINGS) {
    if (name == n) return nullptr;
  }
  for (const OptionSpec& o : BUILD_COMMAND.options) {
    if (name == o.name) return &o;
  }
  return nullptr;
}

bool hasOption(const std::string& name) { return buildOption(name) != nullptr; }

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t\r");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// Blanks at the end of a line do not show in an editor, and a second one after '=' is easily
// missed. They stay part of a text (the comment, a folder, the group and extension lists, a
// version text, a path, a command), but not of a switch, a choice or an --exclude pattern,
// where they would only make the line fail or match nothing ("\ " keeps a pattern's blank).
std::string withoutStrayBlanks(const std::string& name, const std::string& value) {
  for (const char* text : {"comment", "dir", "group", "extensions", "version-info", "icon", "stub", "sign-command"}) {
    if (name == text) return value;
  }
  auto blank = [&value](size_t i) { return value[i] == ' ' || value[i] == '\t'; };
  size_t begin = 0, end = value.size();
  while (begin < end && blank(begin)) ++begin;
  while (end > begin && blank(end - 1) && !(end - 1 > begin && value[end - 2] == '\\')) --end;
  return value.substr(begin, end - begin);
}

// Options whose value is a path, taken from the settings file's folder when relative.
bool isPathSetting(const std::string& name) { return name == "icon" || name == "stub"; }

bool isAbsolute(const std::string& path) {
  if (!path.empty() && std::strchr(HOST_SEPARATORS, path[0])) return true;
  // A drive letter where '\' separates too (Windows).
  return std::strchr(HOST_SEPARATORS, '\\') && path.size() >= 2 && path[1] == ':';
}

std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of(HOST_SEPARATORS);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// One line "name = value" into the option list; false with the reason.
bool takeLine(const std::string& folder, const std::string& name, const std::string& value, Settings& given,
              bool& commentOpen, std::string& reason) {
  bool iconData = name == ICON_DATA_SETTING;
  const OptionSpec* option = buildOption(name);
  if (!option && !iconData) {
    reason = "\"" + name + "\" is not a setting";
    return false;
  }
  if (name == "comment") {
    // A second run of comment lines would replace the first without a word.
    bool earlier = false;
    for (const auto& s : given) earlier |= s.first == "comment";
    if (earlier && !commentOpen) {
      reason = "a comment line apart from the comment's earlier lines; they must stand together (an empty "
               "line of the text is \"comment = \")";
      return false;
    }
    if (commentOpen) given.back().second += "\n" + value;
    else given.emplace_back(name, value);
    commentOpen = true;
    return true;
  }
  commentOpen = false;
  if (iconData) {
    std::string bytes;
    if (!base64Decode(value, bytes) || bytes.empty()) {
      reason = std::string(ICON_DATA_SETTING) + " is not an icon in base64";
      return false;
    }
    given.emplace_back(name, bytes);
  } else if (option->value) {
    reason = settingProblem(name, value);
    if (!reason.empty()) return false;
    std::string taken = isPathSetting(name) && !value.empty() && !isAbsolute(value) ? folder + value : value;
    if (name == "icon" && !hostReadable(taken)) {
      reason = "icon: cannot read " + taken + (taken != value ? " (taken from the settings file's folder)" : "");
      return false;
    }
    given.emplace_back(name, taken);
  } else if (value == "yes") {
    given.emplace_back(name, "");
  } else if (value == "no") {
    if (hasOption("no-" + name)) given.emplace_back("no-" + name, "");
  } else {
    reason = name + " takes yes or no, not \"" + value + "\"";
    return false;
  }
  return true;
}

// Code page 932 text as a settings value: a tab is written as it is (0x09 is never half of a
// double-byte character), as a settings line reads it back. Other control characters and
// bytes with no UTF-8 form stay shown as \xNN, as the text may go to a terminal, and would
// read back as that text: `carried` says whether the text held none.
std::string settingValue(const std::string& cp932, bool* carried = nullptr) {
  if (carried) {
    *carried = isValidCp932(cp932);
    for (unsigned char c : cp932) *carried = *carried && !((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F);
  }
  std::string value;
  for (size_t start = 0;;) {
    size_t tab = cp932.find('\t', start);
    value += cp932ToUtf8(cp932.substr(start, tab == std::string::npos ? tab : tab - start));
    if (tab == std::string::npos) return value;
    value += '\t';
    start = tab + 1;
  }
}

// The '|' list of a section text for a settings line (UTF-8).
std::string sectionSetting(const char* cp932) { return settingValue(cp932 ? cp932 : ""); }

}  // namespace

bool readSettingsFile(const std::string& path, Settings& given, std::string& reason) {
  std::string text;
  if (!hostReadWholeFile(path, text)) {
    reason = "cannot read the settings file " + path;
    return false;
  }
  // A file in UTF-16 with its byte order mark (Notepad's "Unicode", or `mksfx.exe show
  // --config > FILE` in a PowerShell that redirects in UTF-16) is read as the text it holds.
  bool little = text.compare(0, 2, "\xFF\xFE") == 0;
  if (little || text.compare(0, 2, "\xFE\xFF") == 0) {
    std::u16string wide;
    for (size_t i = 2; i + 1 < text.size(); i += 2) {
      unsigned first = static_cast<unsigned char>(text[i]), second = static_cast<unsigned char>(text[i + 1]);
      wide += static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
    }
    text = utf16ToUtf8(wide);
  }
  bool commentOpen = false;
  size_t number = 0;
  // Windows editors (Notepad among them) may start a UTF-8 file with a byte order mark.
  size_t first = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (size_t start = first; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string bare = trimmed(line);
    if (bare.empty() || bare[0] == '#') {
      commentOpen = false;
      continue;
    }
    size_t equals = line.find('=');
    std::string why;
    if (line.find('\0') != std::string::npos) {
      // Binary bytes, or UTF-16 without its mark: a zero byte would also end a text early.
      why = "a zero byte: a settings file is text in UTF-8, or in UTF-16 with its byte order mark";
    } else if (equals == std::string::npos) {
      why = "no '=' in \"" + bare + "\"";
    } else {
      // The value is what follows "= ", so texts keep their inner and trailing blanks.
      std::string value = line.substr(equals + 1);
      if (!value.empty() && value[0] == ' ') value.erase(0, 1);
      std::string name = trimmed(line.substr(0, equals));
      if (takeLine(folderOf(path), name, withoutStrayBlanks(name, value), given, commentOpen, why)) continue;
    }
    reason = path + ":" + std::to_string(number) + ": " + why;
    return false;
  }
  return true;
}

Settings settingsOfBlock(const ConfigBlock& block) {
  uint16_t flags = block.flags();
  std::string overwrite = "ask";
  if ((flags & CFG_OVERWRITE_ALL) && !(flags & CFG_NEVER_OVERWRITE)) overwrite = "always";
  if ((flags & CFG_NEVER_OVERWRITE) && !(flags & CFG_OVERWRITE_ALL)) overwrite = "never";
  return {
      {"dir", sectionSetting(block.sectionText(SECTION_INDEX_DEFAULT_DIR))},
      {flags & CFG_SUBDIRS ? "subdirs" : "no-subdirs", ""},
      {flags & CFG_MESSAGES ? "messages" : "no-messages", ""},
      {"overwrite", overwrite},
      {"group", sectionSetting(block.sectionText(SECTION_INDEX_PROGRAM_GROUP))},
      {"extensions", sectionSetting(block.sectionText(SECTION_INDEX_EXTENSIONS))},
  };
}

Settings identitySettings(const ProgramIdentity& sfx, const ProgramIdentity* stub, const std::string& sfxName) {
  Settings settings;
  if (!sfx.iconFile.empty() && (!stub || stub->iconFile != sfx.iconFile)) {
    settings.emplace_back(ICON_DATA_SETTING, sfx.iconFile);
  }
  for (const auto& kv : sfx.versionStrings) {
    if (!isVersionKey(kv.first) || (kv.first == ORIGINAL_FILENAME_KEY && kv.second == sfxName)) continue;
    bool stubsOwn = false;
    for (size_t i = 0; stub && i < stub->versionStrings.size(); ++i) stubsOwn |= stub->versionStrings[i] == kv;
    if (!stubsOwn) settings.emplace_back("version-info", kv.first + "=" + kv.second);
  }
  if (isManifestLevel(sfx.manifestLevel) && (!stub || stub->manifestLevel != sfx.manifestLevel)) {
    settings.emplace_back("manifest-level", sfx.manifestLevel);
  }
  return settings;
}

Settings identityOfSfx(const std::string& path, const std::string& stubOption) {
  ProgramIdentity sfx, stub;
  std::string problem, stubBytes, stubPath = findStub(stubOption);
  if (!readProgramIdentity(programImageOf(path), sfx, problem)) return Settings();
  bool known = !stubPath.empty() && hostReadWholeFile(stubPath, stubBytes) &&
               readProgramIdentity(stubBytes, stub, problem);
  size_t slash = path.find_last_of(HOST_SEPARATORS);
  return identitySettings(sfx, known ? &stub : nullptr, path.substr(slash == std::string::npos ? 0 : slash + 1));
}

std::string settingsText(const Settings& settings, const std::string& comment, bool& commentKept) {
  std::string text = "# mksfx settings (mksfx build --config FILE -o OUT.exe INPUT)\n";
  for (const auto& s : settings) {
    bool negated = s.first.compare(0, 3, "no-") == 0;
    if (s.first == "subdirs" || s.first == "messages" || negated) {
      text += (negated ? s.first.substr(3) : s.first) + " = " + (negated ? "no" : "yes") + "\n";
    } else if (s.first == ICON_DATA_SETTING) {
      text += "# the icon, an .ico file in base64\n" + s.first + " = " + base64Encode(s.second) + "\n";
    } else {
      text += s.first + " = " + s.second + "\n";
    }
  }
  // The stub's edit field breaks lines at CR LF; each line of the text is one setting line.
  std::string shown = settingValue(comment, &commentKept);
  for (size_t start = 0; !comment.empty() && start <= shown.size();) {
    size_t end = shown.find('\n', start);
    if (end == std::string::npos) end = shown.size();
    text += "comment = " + shown.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return text;
}

bool mergeSettings(const Arguments& commandLine, Arguments& merged) {
  merged.operands = commandLine.operands;
  Settings fromFile;
  std::string config = commandLine.value("config"), reason;
  if (!config.empty() && !readSettingsFile(config, fromFile, reason)) {
    usageError(BUILD_COMMAND, reason);
    return false;
  }
  const std::string input = commandLine.operands.empty() ? std::string() : commandLine.operands[0];
  std::string cp932;
  if (!commandLine.has("reset-config") && hostIsFile(input) &&
      utf8ToCp932(input, cp932) && cp932.size() < 260) {
    ConfigBlock block;
    if (block.load(cp932.c_str()) == ConfigLoadResult::Loaded) {
      for (auto& setting : settingsOfBlock(block)) merged.given.push_back(setting);
      // The identity is the SFX's where it differs from the stub this build takes.
      std::string stub;
      for (const auto& s : fromFile) {
        if (s.first == "stub") stub = s.second;
      }
      if (commandLine.has("stub")) stub = commandLine.value("stub");
      for (auto& setting : identityOfSfx(input, stub)) merged.given.push_back(setting);
      if (verbosity != Verbosity::Quiet) {
        Reporter::notice(input + " is an SFX: its settings are kept, its icon, version texts and manifest level "
                                 "too, where no option changes them (--reset-config drops them)");
      }
    }
  }
  for (const auto& s : fromFile) merged.given.push_back(s);
  for (const auto& g : commandLine.given) merged.given.push_back(g);
  return true;
}

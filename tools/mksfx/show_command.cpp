// `mksfx show`: what the stub would see in a self-extracting file. The configuration block
// is loaded by the engine's ConfigBlock (so a malformed block gives the stub's own notice and
// defaults) and the entries come from the engine's ArchiveReader (so a damaged archive ends
// with the stub's numbered report and status).
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "archive/archive_reader.h"
#include "base/cli.h"
#include "console.h"
#include "base/code_page.h"
#include "commands.h"
#include "host/host.h"
#include "zip/zip_archive.h"
#include "build_options.h"
#include "pe/pe_resources.h"
#include "options/option_state.h"
#include "session/config_block.h"

namespace {

std::string quoted(const char* cp932) { return "\"" + cp932ToUtf8(cp932) + "\""; }

std::string flagNames(uint16_t flags) {
  static const struct {
    uint16_t bit;
    const char* name;
  } names[] = {{CFG_SUBDIRS, "CFG_SUBDIRS"},     {CFG_OVERWRITE_ALL, "CFG_OVERWRITE_ALL"},
               {CFG_NEVER_OVERWRITE, "CFG_NEVER_OVERWRITE"}, {CFG_MESSAGES, "CFG_MESSAGES"},
               {CFG_PROGRAM_GROUP, "CFG_PROGRAM_GROUP"}, {CFG_EXTENSIONS, "CFG_EXTENSIONS"}};
  std::string text;
  uint16_t rest = flags;
  for (const auto& n : names) {
    if (flags & n.bit) {
      text += text.empty() ? "" : " ";
      text += n.name;
      rest = static_cast<uint16_t>(rest & ~n.bit);
    }
  }
  if (rest) {
    char other[16];
    std::snprintf(other, sizeof other, "0x%04X", rest);
    text += text.empty() ? "" : " ";
    text += other;
  }
  return text.empty() ? "(none)" : text;
}

ConfigLoadResult showConfiguration(const std::string& path) {
  ConfigBlock block;
  ConfigLoadResult result = block.load(path.c_str());
  switch (result) {
    case ConfigLoadResult::Absent: std::printf("configuration block: none (the defaults apply)\n"); break;
    case ConfigLoadResult::Rejected:
      std::printf("configuration block: at offset %" PRId64 ", rejected (the defaults apply)\n", block.blockOffset());
      break;
    case ConfigLoadResult::Loaded:
      std::printf("configuration block: at offset %" PRId64 "\n", block.blockOffset());
      break;
  }
  uint16_t flags = block.flags();
  const char* overwrite = "ask";
  if ((flags & CFG_OVERWRITE_ALL) && !(flags & CFG_NEVER_OVERWRITE)) overwrite = "always";
  if ((flags & CFG_NEVER_OVERWRITE) && !(flags & CFG_OVERWRITE_ALL)) overwrite = "never";
  std::printf("  flags: 0x%04X %s\n", flags, flagNames(flags).c_str());
  std::printf("  subdirectories: %s\n", flags & CFG_SUBDIRS ? "yes" : "no");
  std::printf("  messages: %s\n", flags & CFG_MESSAGES ? "yes" : "no");
  std::printf("  overwrite: %s\n", overwrite);
  std::printf("  default directory: %s\n", quoted(block.sectionText(SECTION_INDEX_DEFAULT_DIR)).c_str());
  std::vector<std::string> group = splitBarList(block.sectionText(SECTION_INDEX_PROGRAM_GROUP), TextCode::Cp932);
  if (block.programGroup()) {
    std::printf("  program group: %s\n", quoted(group[0].c_str()).c_str());
    for (size_t i = 1; i < group.size() && !group[i].empty(); ++i)
      std::printf("    command: %s\n", quoted(group[i].c_str()).c_str());
  } else {
    std::printf("  program group: (none)\n");
  }
  std::vector<std::string> pairs = splitBarList(block.sectionText(SECTION_INDEX_EXTENSIONS), TextCode::Cp932);
  if (block.extensions()) {
    std::printf("  extensions: %s\n", quoted(block.extensionListText()).c_str());
    for (size_t i = 0; i + 1 < pairs.size() && !pairs[i].empty(); i += 2) {
      bool dde = pairs[i][0] == '$';
      std::printf("    %s -> %s (%s)\n", quoted(pairs[i].c_str()).c_str(), quoted(pairs[i + 1].c_str()).c_str(),
                  dde ? "DDE" : "plain");
    }
  } else {
    std::printf("  extensions: (none)\n");
  }
  const char* spare5 = block.sectionText(SECTION_INDEX_SPARE_5);
  const char* spare2 = block.sectionText(SECTION_INDEX_SPARE_2);
  if (spare5[0]) std::printf("  spare section 5: %s\n", quoted(spare5).c_str());
  if (spare2[0]) std::printf("  spare section 2: %s\n", quoted(spare2).c_str());
  return result;
}

// The archive comment without the CR of its CR LF line ends (code page 932).
std::string commentOf(const ArchiveReader& reader) {
  std::string stored(reader.comment() ? reader.comment() : "", reader.commentLength()), comment;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (!(stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n')) comment += stored[i];
  }
  return comment;
}

bool openArchive(ArchiveReader& reader, const std::string& path) {
  Options().command = CMD_TEST;  // the reader's open needs an archive that exists
  reader.SetArchiveSpec(path.c_str());
  if (!reader.Open()) return false;
  reader.LoadDirectory();
  return true;
}

bool showEntries(const std::string& path) {
  ArchiveReader reader;
  if (!openArchive(reader, path)) {
    std::printf("archive: cannot be opened\n");
    return false;
  }
  size_t count = static_cast<size_t>(reader.loadedCount());
  std::printf("archive: %s", counted(count, "entry", "entries").c_str());
  if (reader.commentLength() > 0) std::printf(", comment %s", quoted(commentOf(reader).c_str()).c_str());
  std::printf("\n");
  std::printf("  %10s %10s  %-9s  %-19s  %-3s  %s\n", "size", "packed", "method", "date", "enc", "name");
  uint64_t total = 0, packed = 0;
  for (int i = 0; i < reader.loadedCount(); ++i) {
    const EntryRecord* e = reader.entry(i);
    if (!e) continue;
    std::string name(entryName(e), entryNameLength(e));
    uint32_t size = le32(e + CDH_UNCOMPRESSED), compressed = le32(e + CDH_COMPRESSED);
    total += size;
    packed += compressed;
    std::printf("  %10" PRIu32 " %10" PRIu32 "  %-9s  %s  %-3s  %s\n", size, compressed,
                methodName(le16(e + CDH_METHOD)).c_str(),
                dosDateTimeText(le16(e + CDH_DATE), le16(e + CDH_TIME)).c_str(),
                (le16(e + CDH_FLAGS) & GPF_ENCRYPTED) ? "yes" : "no", shownName(name).c_str());
  }
  std::printf("  %10" PRIu64 " %10" PRIu64 "  %s\n", total, packed, counted(count, "entry", "entries").c_str());
  reader.Close();
  return true;
}

const char* loadResultName(ConfigLoadResult result) {
  switch (result) {
    case ConfigLoadResult::Loaded: return "loaded";
    case ConfigLoadResult::Rejected: return "rejected";
    case ConfigLoadResult::Absent: break;
  }
  return "absent";
}

Json jsonText(const char* cp932) { return Json::string(cp932ToUtf8(cp932 ? cp932 : "")); }

// The block as JSON members: where it lies, its flags by name, and its three sections.
void addBlockJson(Json& document, const ConfigBlock& block, ConfigLoadResult result) {
  uint16_t f = block.flags();
  Json where = Json::object();
  where.set("status", Json::string(loadResultName(result)));
  where.set("offset", Json::number(result == ConfigLoadResult::Absent ? int64_t{-1} : block.blockOffset()));
  document.set("block", where);
  std::string overwrite = "ask";
  if ((f & CFG_OVERWRITE_ALL) && !(f & CFG_NEVER_OVERWRITE)) overwrite = "always";
  if ((f & CFG_NEVER_OVERWRITE) && !(f & CFG_OVERWRITE_ALL)) overwrite = "never";
  Json flags = Json::object();
  flags.set("value", Json::number(f)).set("names", Json::string(flagNames(f)));
  flags.set("subdirs", Json::boolean(f & CFG_SUBDIRS)).set("messages", Json::boolean(f & CFG_MESSAGES));
  flags.set("overwrite", Json::string(overwrite)).set("program_group", Json::boolean(f & CFG_PROGRAM_GROUP));
  flags.set("extensions", Json::boolean(f & CFG_EXTENSIONS));
  document.set("flags", flags);
  Json sections = Json::object();
  sections.set("default_directory", jsonText(block.sectionText(SECTION_INDEX_DEFAULT_DIR)));
  std::vector<std::string> group = splitBarList(block.sectionText(SECTION_INDEX_PROGRAM_GROUP), TextCode::Cp932);
  Json programGroup;
  if (block.programGroup()) {
    Json commands = Json::array();
    for (size_t i = 1; i < group.size() && !group[i].empty(); ++i) commands.push(jsonText(group[i].c_str()));
    programGroup = Json::object();
    programGroup.set("name", jsonText(group[0].c_str())).set("commands", commands);
  }
  sections.set("program_group", programGroup);
  std::vector<std::string> pairs = splitBarList(block.sectionText(SECTION_INDEX_EXTENSIONS), TextCode::Cp932);
  Json extensions = Json::array();
  for (size_t i = 0; block.extensions() && i + 1 < pairs.size() && !pairs[i].empty(); i += 2) {
    Json pair = Json::object();
    pair.set("pattern", jsonText(pairs[i].c_str())).set("command", jsonText(pairs[i + 1].c_str()));
    pair.set("kind", Json::string(pairs[i][0] == '$' ? "dde" : "plain"));
    extensions.push(pair);
  }
  sections.set("extensions", extensions);
  document.set("sections", sections);
}

// The icon, version record and manifest level; null for a file without readable resources.
Json identityJson(const std::string& hostPath) {
  ProgramIdentity identity;
  std::string problem;
  if (!readProgramIdentity(programImageOf(hostPath), identity, problem)) return Json();
  Json icons = Json::array();
  for (const IconSize& i : identity.icons) {
    Json icon = Json::object();
    icon.set("width", Json::number(i.width)).set("height", Json::number(i.height)).set("bits", Json::number(i.bits));
    icons.push(icon);
  }
  Json version;
  if (identity.hasVersion) {
    Json strings = Json::object();
    for (const auto& kv : identity.versionStrings) strings.set(kv.first, Json::string(kv.second));
    version = Json::object();
    version.set("file", identity.fileVersion.empty() ? Json() : Json::string(identity.fileVersion));
    version.set("product", identity.productVersion.empty() ? Json() : Json::string(identity.productVersion));
    version.set("strings", strings);
  }
  Json result = Json::object();
  result.set("icon", icons).set("version", version).set("manifest_level", Json::string(identity.manifestLevel));
  return result;
}

Json entryJson(const EntryRecord* e) {
  std::string name(entryName(e), entryNameLength(e));
  char crc[12];
  std::snprintf(crc, sizeof crc, "%08" PRIX32, le32(e + CDH_CRC32));
  Json entry = Json::object();
  entry.set("name", Json::string(cp932ToUtf8(name))).set("size", Json::number(le32(e + CDH_UNCOMPRESSED)));
  entry.set("packed", Json::number(le32(e + CDH_COMPRESSED))).set("method", Json::number(le16(e + CDH_METHOD)));
  entry.set("method_name", Json::string(methodName(le16(e + CDH_METHOD))));
  entry.set("date", Json::string(dosDateTimeText(le16(e + CDH_DATE), le16(e + CDH_TIME))));
  entry.set("crc32", Json::string(crc)).set("encrypted", Json::boolean(le16(e + CDH_FLAGS) & GPF_ENCRYPTED));
  return entry;
}

// Everything `show` prints, as one JSON object on standard output, printed once: when the
// engine ends the run on a damaged archive, the end of its report prints what was read so
// far with the error.
bool showJson(const std::string& path, const std::string& shownPath, const std::string& problem,
              ConfigLoadResult& result) {
  Json document = Json::object();
  document.set("format_version", Json::number(JSON_FORMAT_VERSION)).set("command", Json::string("show"));
  document.set("file", Json::string(shownPath));
  ConfigBlock block;
  result = block.load(path.c_str());
  addBlockJson(document, block, result);
  document.set("identity", identityJson(shownPath));
  setFatalEndNote([&document, &problem](int stubStatus) {
    std::string message = problem.empty() ? lastEngineNotice() : problem;
    document.set("status", Json::number(STATUS_FAILED)).set("error", jsonError(message, STATUS_FAILED, stubStatus));
    std::printf("%s", document.text().c_str());
  });
  ArchiveReader reader;
  bool opened = openArchive(reader, path);
  setFatalEndNote(nullptr);
  document.set("comment", opened ? Json::string(cp932ToUtf8(commentOf(reader))) : Json());
  Json entries = Json::array();
  for (int i = 0; opened && i < reader.loadedCount(); ++i) {
    if (const EntryRecord* e = reader.entry(i)) entries.push(entryJson(e));
  }
  document.set("entries", entries);
  int status = !opened ? STATUS_FAILED : result == ConfigLoadResult::Rejected ? STATUS_WARNINGS : STATUS_OK;
  document.set("status", Json::number(status));
  document.set("error", opened ? Json() : jsonError(problem.empty() ? "the archive cannot be opened" : problem, status));
  std::printf("%s", document.text().c_str());
  if (opened) reader.Close();
  return opened;
}

// The block, the identity and the comment as a settings file (for `mksfx build --config`).
bool showSettings(const std::string& path, const std::string& hostPath, ConfigLoadResult& result,
                  Reporter& reporter) {
  ConfigBlock block;
  result = block.load(path.c_str());
  ArchiveReader reader;
  bool opened = openArchive(reader, path);
  Settings settings = settingsOfBlock(block);
  for (auto& s : identityOfSfx(hostPath, std::string())) settings.push_back(s);
  bool commentKept = true;
  std::printf("%s", settingsText(settings, opened ? commentOf(reader) : std::string(), commentKept).c_str());
  if (!commentKept) {
    reporter.warning("the comment holds control characters or bytes that a settings file cannot carry; "
                     "they are written as \\xNN text");
  }
  if (opened) reader.Close();
  return opened;
}

}  // namespace

const CommandSpec SHOW_COMMAND = {
    "show",
    "show [options] FILE.exe",
    "Prints what the stub would see in FILE.exe: the configuration block (flags, default\n"
    "directory, program group, extensions) and every entry of the archive, read with the\n"
    "stub's own loader and reader. Data goes to standard output, the stub's notices to\n"
    "standard error.",
    {
        {"json", 0, nullptr,
         "Print one JSON object instead: the format version, the block (status, offset), the\n"
         "flags, the sections, the identity (icon sizes, version record, manifest level),\n"
         "the comment, every entry (name, sizes, method, date, CRC-32, encryption), the status\n"
         "and, when the file is not usable, an error (message, status, the stub's own status\n"
         "and text). Valid JSON on every path; the members are listed in the manual page."},
        {"config", 0, nullptr,
         "Print the settings of FILE.exe as a settings file, which \"mksfx build --config\"\n"
         "reads back. Example: mksfx show --config old.exe > old.cfg"},
    },
    1,
    1,
    "FILE.exe",
    "Example:\n  mksfx show setup.exe\n",
};

int commandShow(int argc, char** argv) {
  Arguments arguments;
  int parsed = parseArguments(SHOW_COMMAND, argc, argv, arguments);
  if (parsed == STATUS_USAGE && optionGiven(argc, argv, "--json")) {
    printJsonFailure("show", std::string(), lastUsageError(), STATUS_USAGE);
  }
  if (parsed >= 0) return parsed;
  std::string path = arguments.operands[0];
  bool json = arguments.has("json");
  Reporter reporter;
  // The engine takes paths in code page 932 and converts them back at the file system.
  std::string enginePath, failure;
  if (!hostIsFile(path)) {
    failure = path + " is not a file";
  } else {
    std::string problem = toEnginePath(path, enginePath);
    if (!problem.empty()) failure = path + ": " + problem;
  }
  if (!failure.empty()) {
    reporter.error(failure);
    if (json) printJsonFailure("show", path, failure, reporter.status());
    return reporter.status();
  }
  // A file that is no SFX, or one cut short, is named in plain words before the engine's
  // own report of it.
  std::string problem = plainFileProblem(path, enginePath);
  if (!problem.empty()) reporter.error(problem);
  installConsoleReporting();
  ConfigLoadResult result;
  bool opened;
  if (json) {
    opened = showJson(enginePath, path, problem, result);
  } else if (arguments.has("config")) {
    opened = showSettings(enginePath, path, result, reporter);
  } else {
    std::printf("%s\n", path.c_str());
    result = showConfiguration(enginePath);
    showResources(path);
    opened = showEntries(enginePath);
  }
  if (!opened || !problem.empty()) return STATUS_FAILED;
  return result == ConfigLoadResult::Rejected ? STATUS_WARNINGS : reporter.status();
}

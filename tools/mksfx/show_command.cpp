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

std::string jsonText(const char* cp932) { return jsonString(cp932ToUtf8(cp932 ? cp932 : "")); }

// The block as JSON members: where it lies, its flags by name, and its three sections.
void printBlockJson(const ConfigBlock& block, ConfigLoadResult result) {
  uint16_t f = block.flags();
  std::printf("  \"block\": {\"status\": \"%s\", \"offset\": %" PRId64 "},\n", loadResultName(result),
              result == ConfigLoadResult::Absent ? int64_t{-1} : block.blockOffset());
  std::string overwrite = "ask";
  if ((f & CFG_OVERWRITE_ALL) && !(f & CFG_NEVER_OVERWRITE)) overwrite = "always";
  if ((f & CFG_NEVER_OVERWRITE) && !(f & CFG_OVERWRITE_ALL)) overwrite = "never";
  std::printf("  \"flags\": {\"value\": %u, \"names\": %s, \"subdirs\": %s, \"messages\": %s, "
              "\"overwrite\": \"%s\", \"program_group\": %s, \"extensions\": %s},\n",
              f, jsonString(flagNames(f)).c_str(), f & CFG_SUBDIRS ? "true" : "false",
              f & CFG_MESSAGES ? "true" : "false", overwrite.c_str(), f & CFG_PROGRAM_GROUP ? "true" : "false",
              f & CFG_EXTENSIONS ? "true" : "false");
  std::printf("  \"sections\": {\n    \"default_directory\": %s,\n",
              jsonText(block.sectionText(SECTION_INDEX_DEFAULT_DIR)).c_str());
  std::vector<std::string> group = splitBarList(block.sectionText(SECTION_INDEX_PROGRAM_GROUP), TextCode::Cp932);
  std::printf("    \"program_group\": ");
  if (block.programGroup()) {
    std::printf("{\"name\": %s, \"commands\": [", jsonText(group[0].c_str()).c_str());
    for (size_t i = 1; i < group.size() && !group[i].empty(); ++i)
      std::printf("%s%s", i > 1 ? ", " : "", jsonText(group[i].c_str()).c_str());
    std::printf("]},\n");
  } else {
    std::printf("null,\n");
  }
  std::vector<std::string> pairs = splitBarList(block.sectionText(SECTION_INDEX_EXTENSIONS), TextCode::Cp932);
  std::printf("    \"extensions\": [");
  for (size_t i = 0; block.extensions() && i + 1 < pairs.size() && !pairs[i].empty(); i += 2) {
    std::printf("%s{\"pattern\": %s, \"command\": %s, \"kind\": \"%s\"}", i > 0 ? ", " : "",
                jsonText(pairs[i].c_str()).c_str(), jsonText(pairs[i + 1].c_str()).c_str(),
                pairs[i][0] == '$' ? "dde" : "plain");
  }
  std::printf("]\n  },\n");
}

// Everything `show` prints, as one JSON object on standard output.
bool showJson(const std::string& path, const std::string& shownPath, ConfigLoadResult& result) {
  ConfigBlock block;
  result = block.load(path.c_str());
  std::printf("{\n  \"file\": %s,\n", jsonString(shownPath).c_str());
  printBlockJson(block, result);
  ArchiveReader reader;
  bool opened = openArchive(reader, path);
  std::printf("  \"comment\": %s,\n  \"entries\": [", opened ? jsonText(commentOf(reader).c_str()).c_str() : "null");
  for (int i = 0; opened && i < reader.loadedCount(); ++i) {
    const EntryRecord* e = reader.entry(i);
    if (!e) continue;
    std::string name(entryName(e), entryNameLength(e));
    std::printf("%s\n    {\"name\": %s, \"size\": %" PRIu32 ", \"packed\": %" PRIu32 ", \"method\": %u, "
                "\"method_name\": \"%s\", \"date\": \"%s\", \"crc32\": \"%08" PRIX32 "\", \"encrypted\": %s}",
                i > 0 ? "," : "", jsonString(cp932ToUtf8(name)).c_str(), le32(e + CDH_UNCOMPRESSED),
                le32(e + CDH_COMPRESSED), le16(e + CDH_METHOD), methodName(le16(e + CDH_METHOD)).c_str(),
                dosDateTimeText(le16(e + CDH_DATE), le16(e + CDH_TIME)).c_str(), le32(e + CDH_CRC32),
                (le16(e + CDH_FLAGS) & GPF_ENCRYPTED) ? "true" : "false");
  }
  std::printf("\n  ]\n}\n");
  if (opened) reader.Close();
  return opened;
}

// The block, the identity and the comment as a settings file (for `mksfx build --config`).
bool showSettings(const std::string& path, const std::string& hostPath, ConfigLoadResult& result) {
  ConfigBlock block;
  result = block.load(path.c_str());
  ArchiveReader reader;
  bool opened = openArchive(reader, path);
  Settings settings = settingsOfBlock(block);
  for (auto& s : identityOfSfx(hostPath, std::string())) settings.push_back(s);
  std::printf("%s", settingsText(settings, opened ? commentOf(reader) : std::string()).c_str());
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
         "Print one JSON object instead: the block (status, offset), the flags, the sections\n"
         "and every entry (name, sizes, method, date, CRC-32, encryption). For scripts."},
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
  if (parsed >= 0) return parsed;
  std::string path = arguments.operands[0];
  Reporter reporter;
  if (!hostIsFile(path)) {
    reporter.error(path + " is not a file");
    return reporter.status();
  }
  // The engine takes paths in code page 932 and converts them back at the file system.
  std::string enginePath;
  if (!utf8ToCp932(path, enginePath) || enginePath.size() >= 260) {
    reporter.error(path + ": the path has no code page 932 form of at most 259 bytes");
    return reporter.status();
  }
  installConsoleReporting();
  ConfigLoadResult result;
  bool opened;
  if (arguments.has("json")) {
    opened = showJson(enginePath, path, result);
  } else if (arguments.has("config")) {
    opened = showSettings(enginePath, path, result);
  } else {
    std::printf("%s\n", path.c_str());
    result = showConfiguration(enginePath);
    showResources(path);
    opened = showEntries(enginePath);
  }
  if (!opened) return STATUS_FAILED;
  return result == ConfigLoadResult::Rejected ? STATUS_WARNINGS : STATUS_OK;
}

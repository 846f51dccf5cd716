// `mksfx show`: what the stub would see in a self-extracting file. The configuration block
// is loaded by the engine's ConfigBlock (so a malformed block gives the stub's own notice and
// defaults) and the entries come from the engine's ArchiveReader (so a damaged archive ends
// with the stub's numbered report and status).
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "archive/archive_reader.h"
#include "cli.h"
#include "console.h"
#include "mksfx.h"
#include "pe_resources.h"
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

// The '|' separated strings of a section text (code page 932), walking double-byte
// characters as units.
std::vector<std::string> listOf(const char* text) {
  std::string s(text ? text : "");
  std::vector<std::string> out(1);
  for (size_t i = 0; i < s.size();) {
    size_t n = cp932CharLength(s, i);
    if (n == 1 && s[i] == '|') out.emplace_back(); else out.back().append(s, i, n);
    i += n;
  }
  return out;
}

void showConfiguration(const std::string& path) {
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
  std::vector<std::string> group = listOf(block.programGroup());
  if (block.programGroup()) {
    std::printf("  program group: %s\n", quoted(group[0].c_str()).c_str());
    for (size_t i = 1; i < group.size() && !group[i].empty(); ++i)
      std::printf("    command: %s\n", quoted(group[i].c_str()).c_str());
  } else {
    std::printf("  program group: (none)\n");
  }
  std::vector<std::string> pairs = listOf(block.extensions());
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
}

void showEntries(const std::string& path) {
  Options().command = CMD_TEST;  // the reader's open needs an archive that exists
  ArchiveReader reader;
  reader.SetArchiveSpec(path.c_str());
  if (!reader.Open()) {
    std::printf("archive: cannot be opened\n");
    return;
  }
  reader.LoadDirectory();
  std::printf("archive: %d entries", reader.loadedCount());
  if (reader.commentLength() > 0) {
    std::string stored(reader.comment(), reader.commentLength()), comment;
    for (size_t i = 0; i < stored.size(); ++i) {
      if (!(stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n')) comment += stored[i];
    }
    std::printf(", comment %s", quoted(comment.c_str()).c_str());
  }
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
  std::printf("  %10" PRIu64 " %10" PRIu64 "  %d entries\n", total, packed, reader.loadedCount());
  reader.Close();
}

}  // namespace

const CommandSpec SHOW_COMMAND = {
    "show",
    "show [options] FILE.exe",
    "Prints what the stub would see in FILE.exe: the configuration block (flags, default\n"
    "directory, program group, extensions) and every entry of the archive, read with the\n"
    "stub's own loader and reader. Data goes to standard output, the stub's notices to\n"
    "standard error.",
    {},
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
  struct stat s;
  if (stat(path.c_str(), &s) != 0 || !S_ISREG(s.st_mode)) {
    std::fprintf(stderr, "mksfx: error: %s is not a file\n", path.c_str());
    return STATUS_FAILED;
  }
  // The engine takes paths in code page 932 and converts them back at the file system.
  std::string enginePath;
  if (!utf8ToCp932(path, enginePath) || enginePath.size() >= 260) {
    std::fprintf(stderr, "mksfx: error: %s: the path has no code page 932 form of at most 259 bytes\n",
                 path.c_str());
    return STATUS_FAILED;
  }
  installConsoleReporting();
  std::printf("%s\n", path.c_str());
  showConfiguration(enginePath);
  showResources(path);
  showEntries(enginePath);
  return 0;
}

// `mksfx build`: stub + padding to a multiple of 12 + scrambled configuration block + ZIP
// archive with every offset counted from the start of the file. Everything is checked first;
// the file is then written entry by entry through a temporary file, and a refusal, there or
// before, leaves nothing. The configuration block is written by the engine's own
// ConfigBlock code, so the builder and the stub cannot disagree on it.
#include <cstdio>
#include <cstring>

#include "archive/zip_format.h"
#include "build_options.h"
#include "console.h"
#include "base/code_page.h"
#include "base/output_file.h"
#include "commands.h"
#include "pe/signing.h"
#include "zip/archive_writer.h"
#include "zip/zip_archive.h"
#include "session/config_block.h"
#include "system/dbcs.h"

namespace {

// A section text from the command line: converted, checked for its list form, and stored.
void setSection(ConfigBlock& block, ConfigSection section, const char* option, const std::string& utf8,
                Reporter& reporter) {
  std::string text;
  if (!utf8ToCp932(utf8, text)) {
    reporter.error(noCp932FormText(utf8, option));
    return;
  }
  uint32_t limit = CONFIG_SECTIONS[section].textSize - 1;  // room for the terminating zero
  if (text.size() > limit || !block.setSectionText(section, text.c_str())) {
    reporter.error(std::string(option) + ": the text is " + std::to_string(text.size()) +
                   " bytes in code page 932; its field holds at most " + std::to_string(limit));
    return;
  }
  if (text.find('\0') != std::string::npos) reporter.error(std::string(option) + ": the text holds a zero byte");
  std::vector<std::string> parts = splitBarList(text, TextCode::Cp932);
  if (section == SECTION_INDEX_PROGRAM_GROUP) {
    // The group name, then commands; an empty piece would end the list there.
    for (size_t i = 0; i < parts.size(); ++i) {
      if (parts[i].empty()) {
        reporter.error(std::string(option) + (i == 0 ? ": the group name is empty" : ": an empty command"));
        return;
      }
    }
  } else if (section == SECTION_INDEX_EXTENSIONS) {
    if (parts.size() % 2 != 0) {
      reporter.error(std::string(option) + ": the list must be pairs MARK.EXT|COMMAND");
      return;
    }
    for (size_t i = 0; i < parts.size(); i += 2) {
      const std::string& p = parts[i];
      if (p.size() < 3 || p[1] != '.' || cp932CharLength(p, 0) != 1 || parts[i + 1].empty()) {
        reporter.error(std::string(option) + ": \"" + cp932ToUtf8(p) +
                       "\" is not a marker character, a dot and an extension followed by a command");
        return;
      }
    }
  }
}

uint16_t flagsOf(const BuildOptions& o) {
  uint16_t flags = 0;
  if (o.subdirs == 1) flags |= CFG_SUBDIRS;
  if (o.messages) flags |= CFG_MESSAGES;
  if (o.overwrite == "always") flags |= CFG_OVERWRITE_ALL;
  if (o.overwrite == "never") flags |= CFG_NEVER_OVERWRITE;
  if (o.hasGroup && !o.group.empty()) flags |= CFG_PROGRAM_GROUP;
  if (o.hasExtensions && !o.extensions.empty()) flags |= CFG_EXTENSIONS;
  return flags;
}

// The stub searches its own file from offset 0 in 12-byte steps and takes the first
// signature whose needed version it accepts; one inside the program image would win.
void checkStub(const std::string& stub, uint32_t blockOffset, Reporter& reporter) {
  if (stub.size() < 64 || stub[0] != 'M' || stub[1] != 'Z') {
    reporter.warning("the stub does not start with \"MZ\"; it does not look like a Windows program");
  }
  for (uint32_t p = 0; p < blockOffset && p + CFGH_SIZE <= stub.size(); p += CONFIG_STEP) {
    const uint8_t* r = reinterpret_cast<const uint8_t*>(stub.data()) + p;
    if (std::memcmp(r, CONFIG_SIGNATURE, 4) == 0 && le16(r + CFGH_VERSION_NEEDED) <= CONFIG_VERSION) {
      reporter.error("the stub holds a configuration block signature at offset " + std::to_string(p) +
                     ", which the stub would take instead of the block written behind it");
      return;
    }
  }
}

// The archive from the input (a directory or a ZIP file), with the checks every entry gets.
void readInput(const BuildOptions& o, ZipArchive& archive, Reporter& reporter) {
  HostStatus s;
  if (!hostStatus(o.input, s)) {
    reporter.error("cannot find the input " + o.input);
  } else if (s.kind == HostKind::Directory) {
    InputOptions options = o.inputOptions;
    options.ownOutput = outputInsideInput(o.input, o.output);
    readDirectoryInput(o.input, options, archive, reporter);
  } else {
    // A ZIP input that cannot be read whole is judged no further.
    if (!readZipInput(o.input, o.inputOptions, archive, reporter)) archive.entries.clear();
  }
  // The comment given replaces the input's before the checks, which judge what is written.
  if (o.hasComment) {
    // The stub shows the comment in a Windows edit field, which breaks lines only at CR LF.
    std::string text;
    for (size_t i = 0; i < o.comment.size(); ++i) {
      if (o.comment[i] == '\n' && (i == 0 || o.comment[i - 1] != '\r')) text += '\r';
      text += o.comment[i];
    }
    std::string comment;
    if (!utf8ToCp932(text, comment)) reporter.error(noCp932FormText(o.comment, "--comment"));
    archive.comment = comment;
  }
  if (reporter.errors() == 0) checkEntries(archive, reporter);
  // An empty input (a wrong folder, or --exclude leaving out everything) would build an SFX
  // that extracts nothing and ends as if it had delivered.
  // A name ending in '/' is a directory, as the stub reads it.
  bool anyFile = false;
  for (const ZipEntry& e : archive.entries) {
    anyFile = anyFile || (!e.name.empty() && LastSingleChar(e.name.c_str()) != '/');
  }
  if (reporter.errors() == 0 && !anyFile) reporter.warning("the input holds no files: the SFX will extract nothing");
}

void fillBlock(const BuildOptions& o, ConfigBlock& block, Reporter& reporter) {
  block.setFlags(flagsOf(o));
  if (o.hasDirectory) setSection(block, SECTION_INDEX_DEFAULT_DIR, "--dir", o.directory, reporter);
  if (o.hasGroup) setSection(block, SECTION_INDEX_PROGRAM_GROUP, "--group", o.group, reporter);
  if (o.hasExtensions) setSection(block, SECTION_INDEX_EXTENSIONS, "--extensions", o.extensions, reporter);
}

// The stub's file offset of the block: the stub's size rounded up to a multiple of 12,
// which must stay inside the range the stub searches.
uint64_t placeBlock(const std::string& stub, Reporter& reporter) {
  uint64_t blockOffset = (stub.size() + CONFIG_STEP - 1) / CONFIG_STEP * CONFIG_STEP;
  if (blockOffset >= CONFIG_SEARCH_LIMIT) {
    reporter.error("the stub is " + std::to_string(stub.size()) + " bytes; its configuration block would lie at offset " +
                   std::to_string(blockOffset) + ", beyond the 300,000 bytes the stub searches");
  } else {
    checkStub(stub, static_cast<uint32_t>(blockOffset), reporter);
  }
  return blockOffset;
}

// Reads the written file back with the stub's own loader: the block must be the one just
// written, at its offset, with the same content. Guards the promise that the stub finds it.
bool blockReadsBack(const std::string& written, const ConfigBlock& block, uint32_t blockOffset,
                    const std::string& output, Reporter& reporter) {
  std::string path;
  if (!toEnginePath(written, path).empty()) return true;  // beyond the engine's paths: the dry run says so
  ConfigBlock readBack;
  bool same = readBack.load(path.c_str()) == ConfigLoadResult::Loaded &&
              readBack.blockOffset() == static_cast<int64_t>(blockOffset) &&
              readBack.flags() == block.flags();
  for (int s = 0; same && s < CONFIG_SECTION_COUNT; ++s) {
    ConfigSection section = static_cast<ConfigSection>(s);
    same = std::strcmp(readBack.sectionText(section), block.sectionText(section)) == 0;
  }
  if (!same) {
    reporter.error("the configuration block does not read back as written; " + output + " not written");
  }
  return same;
}

}  // namespace

int commandBuild(int argc, char** argv) {
  Arguments arguments;
  int parsed = parseArguments(BUILD_COMMAND, argc, argv, arguments);
  if (parsed >= 0) return parsed;
  Arguments settings;
  if (!mergeSettings(arguments, settings)) return STATUS_USAGE;
  BuildOptions o;
  if (!buildOptionsFrom(settings, o)) return STATUS_USAGE;
  installConsoleReporting();  // the read-back check shows the stub's own notices
  Reporter reporter(o.strict, o.allowUnextractable);
  // The finished file takes the output's name by a rename, which would put a regular file in
  // place of a device such as /dev/null (for every program on the machine) or of a pipe, and
  // in place of a link such as /dev/stdout: a link's file is replaced, and the link kept.
  HostStatus existing;
  if (hostStatus(o.output, existing)) {
    if (existing.kind != HostKind::File) {
      reporter.error(o.output + (existing.kind == HostKind::Directory ? " is a directory" : " is not a regular file") +
                     "; a build writes only to a file; nothing written");
      return reporter.status();
    }
    std::string target = existing.link ? hostRealPath(o.output) : std::string();
    if (!target.empty()) o.output = target;
  }
  if (!o.force && hostExists(o.output)) {
    reporter.error(o.output + " exists (use --force to replace it); nothing written");
    return reporter.status();
  }
  std::string stubPath = locateStub(o.stub, reporter);
  if (stubPath.empty()) return reporter.status();
  std::string stub;
  if (!hostReadWholeFile(stubPath, stub)) {
    reporter.error("cannot read the stub " + stubPath + "; nothing written");
    return reporter.status();
  }
  // --force replaces an existing output, but never the stub that the build reads: the result
  // would take its place, and the next build would refuse it as a stub. (The input may be
  // the output: an SFX rebuilt in place keeps its archive.)
  if (hostExists(o.output) && hostRealPath(o.output) == hostRealPath(stubPath)) {
    reporter.error(o.output + " is the stub of this build; name another output; nothing written");
    return reporter.status();
  }

  int64_t epoch = 0;
  bool reproducible = false;
  if (!sourceDateEpoch(epoch, reproducible)) {
    reporter.error("SOURCE_DATE_EPOCH is not a count of seconds since 1970 (0 to 2147483647); nothing written");
    return reporter.status();
  }
  ZipArchive archive;
  readInput(o, archive, reporter);
  if (reproducible) clampEntryTimes(archive, epoch);
  if (o.subdirs < 0) o.subdirs = hasDirectories(archive) ? 1 : 0;
  warnAboutDefaults(o, reporter);
  ConfigBlock block;
  fillBlock(o, block, reporter);
  checkPathLengths(archive, block.sectionText(SECTION_INDEX_DEFAULT_DIR), o.subdirs == 1, reporter);
  checkTargetFolder(archive, o.subdirs == 1, reporter);
  checkStubUnsigned(stub, reporter);
  size_t slash = o.output.find_last_of(HOST_SEPARATORS);
  applyResourceEdits(stub, o.resources, o.output.substr(slash == std::string::npos ? 0 : slash + 1), reporter);
  uint64_t blockOffset = placeBlock(stub, reporter);
  if (reporter.refused()) {
    reporter.refuse(o.output);
    return STATUS_FAILED;
  }

  // The stub, its padding and the block, then the archive entry by entry.
  auto produce = [&](OutputFile& out) {
    std::string head = stub;
    head.resize(static_cast<size_t>(blockOffset), '\0');
    uint8_t record[CONFIG_RECORD_SIZE];
    size_t recordSize = SerializeConfigBlock(block, static_cast<uint32_t>(blockOffset), record);
    head.append(reinterpret_cast<const char*>(record), recordSize);
    if (!out.write(head)) {
      if (!out.stopRequested()) reporter.error(std::string("cannot write ") + o.output + ": " + hostErrorText());
      return false;
    }
    if (writeArchive(archive, out, reporter)) return true;
    if (!out.stopRequested()) Reporter::notice(o.output + " not written");
    return false;
  };
  std::string digest;
  uint64_t written = 0;
  // The finished file as it will ship (signed, when it is): the block and every entry are
  // read back by the stub's own code before the file takes its name.
  auto finish = [&](const std::string& path) {
    if (!(o.signCommand.empty() || runSignCommand(o.signCommand, path, reporter)) ||
        !blockReadsBack(path, block, static_cast<uint32_t>(blockOffset), o.output, reporter)) {
      return false;
    }
    dryRun(path, archive, reporter);
    if (reporter.refused()) {
      reporter.refuse(o.output);
      return false;
    }
    return finishOutput(path, reproducible, epoch, digest, written, reporter);
  };
  if (!writeOutputFile(o.output, produce, o.force, finish, reporter)) {
    return reporter.cancelled() ? STATUS_CANCELLED : STATUS_FAILED;
  }
  if (verbosity == Verbosity::Verbose) listEntries(archive);
  if (verbosity == Verbosity::Quiet) return reporter.status();
  std::printf("%s: %s, %llu bytes (stub %zu, block at %llu), %s\nSHA-256 %s  %s\n", o.output.c_str(),
              counted(archive.entries.size(), "entry", "entries").c_str(),
              static_cast<unsigned long long>(written), stub.size(),
              static_cast<unsigned long long>(blockOffset), counted(reporter.warnings(), "warning", "warnings").c_str(),
              digest.c_str(), o.output.c_str());
  return reporter.status();
}

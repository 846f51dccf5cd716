// Output preparation (module EXTRACT): decides whether the current entry gets an output,
// builds the output path below the extraction directory, settles conflicts with existing
// files and directories (asking the user through UserPrompts when the overwrite mode says
// so), creates missing directories and the output file, opens the print target, and sets
// volume labels. Names that could lead outside the extraction directory or onto a device
// are refused here, before anything is created. What one entry leaves for the next (the
// last name's existence, the temporary name's number) lives in the OutputPreparation of
// the run.
#include "extract/prepare_output.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "archive/zip_format.h"
#include "archive/ziplib.h"
#include "options/option_state.h"
#include "report/error_reporter.h"
#include "report/user_prompts.h"

using ErrorReporter::FatalError, ErrorReporter::Warning, ErrorReporter::GetProgressLink;

namespace {

// An ASCII letter with bit 5 set is its lower-case form: the answers may come either way.
constexpr int LOWER_CASE = 0x20;

// Reserved device names of Windows: a path component with one of these as its base name
// (the text before the first '.', trailing blanks ignored) opens the device, not a file.
const char* const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};

bool equalsIgnoreCase(const char* a, size_t length, const char* b) {
  if (std::strlen(b) != length) return false;
  for (size_t i = 0; i < length; ++i)
    if (SysToUpper(static_cast<unsigned char>(a[i])) != static_cast<unsigned char>(b[i])) return false;
  return true;
}

bool isDeviceName(const char* component, size_t length) {
  size_t base = 0;
  while (base < length && component[base] != '.') ++base;
  while (base > 0 && component[base - 1] == ' ') --base;
  for (const char* device : kDeviceNames)
    if (equalsIgnoreCase(component, base, device)) return true;
  if (base == 4 && component[3] >= '1' && component[3] <= '9')
    return equalsIgnoreCase(component, 3, "COM") || equalsIgnoreCase(component, 3, "LPT");
  return false;
}

// Characters that no Windows file name can hold: the wildcards and quoting characters of
// the command shell and the control characters. `p` starts a character: the trail byte of a
// double-byte character (0x7C in ポ) is no '|'.
bool isForbiddenCharacter(const char* p) {
  unsigned char c = static_cast<unsigned char>(*p);
  return (c >= 0x01 && c <= 0x1F) || (c != 0 && std::strchr("*?\"<>|", c) != nullptr);
}

// ".." and its look-alikes: Windows drops trailing dots and blanks from a component, so
// ".. " or "..." can still climb a level. A lone "." stays harmless.
bool isUpLevel(const char* component, size_t length) {
  size_t dots = 0;
  for (size_t i = 0; i < length; ++i) {
    if (component[i] == '.') ++dots;
    else if (component[i] != ' ') return false;
  }
  return dots >= 2;
}

void notifySkipped(const char* path) {
  if (ProgressLink* link = GetProgressLink()) link->progress(PROGRESS_SKIPPED, 0, path);
}

// Output paths are names, never patterns: a search would let "a?.txt" find "ab.txt".
bool lookUp(const char* path, FindRecord* record) { return SysLookUp(path, record) == 0; }

void setDirectoryAttributes(const EntryWork& w, const EntryRecord* entry) {
  uint32_t attributes = le32(entry + CDH_EXTERNAL_ATTR) & (~Options().attributeMask | ATTRIBUTE_KEEP_ALWAYS);
  SysSetAttributes(w.outputPath, attributes);
}

// An existing directory for a directory entry: settled here, never created again.
void directoryConflict(EntryWork& w, const EntryRecord* entry) {
  OptionState& o = Options();
  if (o.overwriteMode == OVERWRITE_ALL) {
    setDirectoryAttributes(w, entry);
    return;
  }
  if (o.overwriteMode == OVERWRITE_NEVER) return;
  UserPrompts* prompts = GetUserPrompts();
  int answer = prompts ? prompts->confirmDirectory(w.outputPath) : 0;
  switch (answer) {
    case ANSWER_YES_TO_ALL: case ANSWER_YES_TO_ALL | LOWER_CASE:
      o.overwriteMode = OVERWRITE_ALL;
      setDirectoryAttributes(w, entry);
      break;
    case ANSWER_GIVE_UP:
      w.cancelled = true;
      break;
    case ANSWER_NO: case ANSWER_NO | LOWER_CASE:
      break;
    case ANSWER_NO_TO_ALL: case ANSWER_NO_TO_ALL | LOWER_CASE:
      o.overwriteMode = OVERWRITE_NEVER;
      break;
    default:
      setDirectoryAttributes(w, entry);
      break;
  }
}

// The file beside an existing output that receives the entry's data: "~SFXnnnn.TMP" (four
// hex digits) in the output's own directory, so that the final step is a rename within one
// volume. Every replacement goes this way, whatever the sizes: the rename is the one step
// that leaves the old file or the new one under the name when the process ends or the
// power fails at any moment. It is made with CREATE_NEW, so it never takes the place of
// anything that exists (a file of the user or of the archive); a name that exists is passed
// over for the next, through all 65,536 of them, so that leftovers of runs that were killed
// never block a replacement. The read-only attribute waits until the data is in place, so
// the file can always be removed. A leftover is recognisable by its name. One name serves
// entry after entry while it is free (it is after every rename or removal): a file system
// handles one name made and renamed away again far faster than a new name per entry (ext4:
// 2.5 times, for 3,000 small files).
constexpr char TEMP_PREFIX[] = "~SFX";
constexpr char TEMP_SUFFIX[] = ".TMP";
constexpr size_t TEMP_NAME_LENGTH = sizeof TEMP_PREFIX - 1 + 4 + sizeof TEMP_SUFFIX - 1;
constexpr unsigned TEMP_NAMES = 0x10000;  // four hex digits

FileStream* openStream(const char* path, uint32_t disposition, uint32_t attributes) {
  FileStream* stream = new (std::nothrow) FileStream(path, SYS_GENERIC_WRITE, 0, disposition, attributes);
  if (stream && !stream->IsOpen()) {
    delete stream;  // a stream that never opened leaves the last error alone
    stream = nullptr;
  }
  return stream;
}

// The length of the directory part of `path`: up to its last '/', '\' or ':'.
size_t directoryPartLength(const char* path) {
  size_t length = 0;
  for (const char* p = path; *p; p = NextChar(p))
    if (*p == '/' || *p == '\\' || *p == ':') length = static_cast<size_t>(p - path) + 1;
  return length;
}

bool isDirectory(const char* path) {
  uint32_t attributes = 0;
  return SysGetAttributes(path, &attributes) == 0 && (attributes & SYS_ATTR_DIRECTORY);
}

// Creates every directory of `path` named by the text before each '/', then `path` itself.
// Returns true when at least one '/' was met.
bool createDirectoryChain(char* path) {
  bool slashMet = false;
  for (char* p = path; *p; p = NextChar(p)) {
    if (*p != '/') continue;
    slashMet = true;
    if (p == path) continue;  // a leading '/' names the root
    *p = '\0';
    SysCreateDirectory(path, nullptr);  // an existing directory is no failure
    *p = '/';
  }
  return slashMet;
}

FileStream* openPrintTarget() {
  const char* target = Options().printDevice ? Options().printDevice : "PRN";
  FindRecord found;
  FileStream* stream;
  if (lookUp(target, &found)) {
    stream = new (std::nothrow) FileStream(target, SYS_GENERIC_WRITE, 0, SYS_OPEN_EXISTING, 0);
  } else {
    stream = new (std::nothrow) FileStream(target, SYS_GENERIC_WRITE, 0, SYS_CREATE_ALWAYS, SYS_ATTR_NORMAL);
  }
  if (!stream || !stream->IsOpen()) {
    delete stream;
    FatalError(FATAL_WRITE_ACCESS, target);
  }
  stream->Seek(0, SYS_FPOS_END);  // entries follow one another in the one target
  return stream;
}

// The output path: extraction directory + name; false when it would not fit in 259 bytes.
bool buildOutputPath(OutputRunState& run) {
  EntryWork& w = run.work;
  const OptionState& o = Options();
  const char* name = w.entryName;
  if (!o.keepPaths) {
    if (const char* slash = FindLastChar(w.entryName, '/')) name = slash + 1;
  }
  size_t dirLength = std::strlen(run.directory);
  size_t nameLength = std::strlen(name);
  if (w.nameCut || dirLength + nameLength >= SYS_PATH_MAX) return false;
  std::memcpy(w.outputPath, run.directory, dirLength);
  std::memcpy(w.outputPath + dirLength, name, nameLength + 1);
  w.displayName = w.outputPath;
  return true;
}

// True when the creation goes on; false when the entry is skipped (or the run stopped).
// Where the overwrite choices can skip the entry or ask about it, a free name is taken at
// once: the creation of a new file answers whether the name exists, and a look-up of a name
// that does not exist costs a search of the whole directory on some systems (Wine compares
// every name there without regard to case). The stream made so is the entry's output.
bool fileConflict(OutputRunState& run, const EntryRecord* entry, uint32_t attributes) {
  OptionState& o = Options();
  EntryWork& w = run.work;
  if (o.overwriteMode == OVERWRITE_ALL) return true;
  if (FileStream* stream = openStream(w.outputPath, SYS_CREATE_NEW, SysKeepAttributes(attributes))) {
    w.newOutput = true;
    w.output = stream;
    run.previousOutputExisted = false;
    return true;
  }
  FindRecord found;
  run.previousOutputExisted = lookUp(w.outputPath, &found);
  if (!run.previousOutputExisted) return true;  // created at once below, not looked up again
  if (o.overwriteMode == OVERWRITE_NEVER) {
    notifySkipped(w.outputPath);
    return false;
  }
  UserPrompts* prompts = GetUserPrompts();
  int answer = prompts ? prompts->confirmOverwrite(w.outputPath, entry) : ANSWER_NO;
  switch (answer) {
    case ANSWER_YES_TO_ALL: case ANSWER_YES_TO_ALL | LOWER_CASE:
      o.overwriteMode = OVERWRITE_ALL;
      return true;
    case ANSWER_GIVE_UP:
      w.cancelled = true;
      return false;
    case ANSWER_NO: case ANSWER_NO | LOWER_CASE:
      notifySkipped(w.outputPath);
      return false;
    case ANSWER_NO_TO_ALL: case ANSWER_NO_TO_ALL | LOWER_CASE:
      o.overwriteMode = OVERWRITE_NEVER;
      notifySkipped(w.outputPath);
      return false;
    default:
      return true;  // yes: the existing file is replaced
  }
}

FileStream* openBeside(OutputRunState& run, uint32_t creationAttributes) {
  EntryWork& w = run.work;
  size_t directory = directoryPartLength(w.outputPath);
  FileStream* stream = nullptr;
  if (directory + TEMP_NAME_LENGTH < SYS_PATH_MAX) {
    std::memcpy(w.tempPath, w.outputPath, directory);
    for (unsigned i = 0; i < TEMP_NAMES; ++i) {
      std::snprintf(w.tempPath + directory, SYS_PATH_MAX - directory, "%s%04X%s", TEMP_PREFIX,
                    run.tempNumber & 0xFFFF, TEMP_SUFFIX);
      stream = openStream(w.tempPath, SYS_CREATE_NEW, creationAttributes & ~SYS_ATTR_READONLY);
      if (stream) break;
      uint32_t error = SysLastError();
      if (error != SYS_ERROR_FILE_EXISTS && error != SYS_ERROR_ALREADY_EXISTS) break;
      ++run.tempNumber;
    }
  }
  if (!stream) w.tempPath[0] = '\0';
  return stream;
}

// The output stream of a file entry. An existing file is only looked at: a read-only file or
// a directory in its place cannot be replaced, and then there is no stream, as when a
// creation fails; otherwise the new data goes beside it. Where nothing exists, the file is
// made under its own name.
FileStream* openOutputFile(OutputRunState& run, uint32_t creationAttributes) {
  EntryWork& w = run.work;
  w.tempPath[0] = '\0';
  w.newOutput = false;
  FileStream* stream = nullptr;
  // Where the overwrite check just found nothing, the file is made at once: looking up a
  // name that does not exist costs a search of the whole directory on some systems (Wine
  // compares every name there without regard to case), a second one for the same answer.
  // With "overwrite always" nothing was looked up, and the entry before decides what comes
  // first: after a new file the creation (a failed one costs a call where the name exists),
  // after a replaced one the look-up. Should the name exist after all, the creation fails
  // and the file is looked at below.
  if (!run.previousOutputExisted) {
    stream = openStream(w.outputPath, SYS_CREATE_NEW, creationAttributes);
    uint32_t error = stream ? 0 : SysLastError();
    if (stream || (error != SYS_ERROR_FILE_EXISTS && error != SYS_ERROR_ALREADY_EXISTS)) {
      w.newOutput = stream != nullptr;
      return stream;
    }
  }
  uint32_t existing = 0;
  run.previousOutputExisted = SysGetAttributes(w.outputPath, &existing) == 0;
  if (run.previousOutputExisted) {
    if (!(existing & (SYS_ATTR_READONLY | SYS_ATTR_DIRECTORY))) stream = openBeside(run, creationAttributes);
  } else {
    uint32_t error = SysLastError();
    if (error == SYS_ERROR_FILE_NOT_FOUND || error == SYS_ERROR_PATH_NOT_FOUND) {
      stream = openStream(w.outputPath, SYS_CREATE_NEW, creationAttributes);
      w.newOutput = stream != nullptr;
    }
  }
  return stream;
}

// Creation in up to two passes: the file alone, then again after the missing directories.
int createOutput(OutputRunState& run, const EntryRecord* entry, uint32_t attributes) {
  const OptionState& o = Options();
  EntryWork& w = run.work;
  uint32_t creationAttributes = SysKeepAttributes(attributes);
  if (!w.isDirectory) w.output = openOutputFile(run, creationAttributes);
  bool directoryMade = false;
  if (!w.output && o.makeDirectories) {
    char scratch[SYS_PATH_MAX];
    std::memcpy(scratch, w.outputPath, sizeof scratch);
    if (!w.isDirectory) {
      char* slash = FindLastChar(scratch, '/');
      if (slash) *slash = '\0';
      else scratch[0] = '\0';  // no directory part: nothing to make
    }
    if (scratch[0]) {
      if (o.keepPaths) {
        createDirectoryChain(scratch);
        SysCreateDirectory(scratch, nullptr);
        if (w.isDirectory && isDirectory(scratch)) {
          setDirectoryAttributes(w, entry);
          directoryMade = true;
        }
      } else {
        Warning(WARN_BAD_PATH, scratch);
      }
    }
    if (!w.isDirectory) w.output = openOutputFile(run, creationAttributes);
  }
  if (!w.isDirectory && w.output) return 1;
  if (w.isDirectory && directoryMade) return 1;
  Warning(WARN_CANNOT_CREATE, w.outputPath);
  return 0;
}

// An entry marked as a volume label sets the label of the output drive (when asked to).
int setVolumeLabel(OutputRunState& run) {
  if (!Options().restoreVolumeLabel) return 0;
  EntryWork& w = run.work;
  const char* directory = run.directory;
  char drive[3] = {0, 0, 0};
  if (directory[0] && directory[1] == ':') {
    drive[0] = directory[0];
    drive[1] = ':';
  }
  char label[SYS_PATH_MAX];
  std::memcpy(label, w.entryName, sizeof label);
  if (SysSetVolumeLabel(drive[0] ? drive : nullptr, label) == 0) {
    w.volumeLabel = true;
    return 1;
  }
  char text[SYS_PATH_MAX + 2];
  if (drive[0]) std::snprintf(text, sizeof text, "%s%s", drive, w.entryName);
  else std::snprintf(text, sizeof text, "%s", w.entryName);
  Warning(WARN_CANNOT_CREATE, text);
  return 0;
}

}  // namespace

bool IsSafeEntryName(const char* name) {
  if (name[0] == '/' || FindFirstChar(name, ':')) return false;
  const char* start = name;
  for (const char* p = name;; p = NextChar(p)) {
    if (isForbiddenCharacter(p)) return false;
    if (*p == '/' || *p == '\0') {
      size_t length = static_cast<size_t>(p - start);
      if (isUpLevel(start, length) || isDeviceName(start, length)) return false;
      if (*p == '\0') break;
      start = p + 1;
    }
  }
  return true;
}

uint32_t MaskedAttributes(const EntryRecord* entry, uint32_t mask) {
  uint32_t attributes = le32(entry + CDH_EXTERNAL_ATTR);
  if (le16(entry + CDH_INTERNAL_ATTR) & INTERNAL_ATTR_LOW_BYTE_ONLY) attributes &= 0xFF;
  return attributes & (~mask | ATTRIBUTE_KEEP_ALWAYS);
}

OutputPreparation::OutputPreparation(const char* extractionDirectory, EntryWork& work)
    : run_{extractionDirectory, work, false, 0} {}

int OutputPreparation::Prepare(const EntryRecord* entry) {
  const OptionState& o = Options();
  EntryWork& w = run_.work;
  switch (o.command) {
    case CMD_EXTRACT:
      break;
    case CMD_PRINT:
      w.output = openPrintTarget();
      return 1;
    default:
      return 1;  // test and console view: decoded without an output
  }
  if (!IsSafeEntryName(w.entryName)) {
    Warning(WARN_BAD_PATH, w.entryName);
    return 0;
  }
  int host = le16(entry + CDH_VERSION_MADE) >> 8;
  // The hosts whose external attributes are DOS-style.
  uint32_t attributes = SYS_ATTR_ARCHIVE;
  if (host == HOST_MSDOS || host == HOST_UNIX || host == HOST_OS2_HPFS || host == HOST_NTFS)
    attributes = MaskedAttributes(entry, o.attributeMask);
  if (attributes & SYS_ATTR_VOLUME) return setVolumeLabel(run_);
  if (!buildOutputPath(run_)) {
    Warning(WARN_CANNOT_CREATE, w.entryName);  // a longer path would name another file
    return 0;
  }
  if (!w.isDirectory) {
    if (!fileConflict(run_, entry, attributes)) return 0;
    if (w.output) return 1;  // made under its own name: the name was free
  } else {
    // The look-up ignores the entry's trailing '/', so an existing directory is found and
    // settled by the directory rules (never overwritten, asked about, or given attributes).
    FindRecord found;
    if (lookUp(w.outputPath, &found) && (found.attributes & SYS_ATTR_DIRECTORY)) {
      directoryConflict(w, entry);
      return 0;
    }
  }
  // Times are set through the handle after the data is written.
  return createOutput(run_, entry, attributes);
}

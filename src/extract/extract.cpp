// The entry pipeline of module EXTRACT: one EntryRecord from the central directory to a
// finished output file (or a verified CRC-32 when testing). Decoding is the shared decode
// step (entry_decoder.h) in the three buffers of the extraction context: it reads the
// entry's bytes from the archive through ReadSource and hands the decoded bytes, never more
// than the declared size, to TakeOutput, which writes them.
#include "extract/extract.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "archive/ziplib.h"
#include "decode/crc32.h"
#include "decode/zipcrypto.h"
#include "report/error_reporter.h"
#include "report/message_texts.h"
#include "report/user_prompts.h"
#include "options/option_state.h"

using ErrorReporter::FatalError, ErrorReporter::Warning, ErrorReporter::GetProgressLink,
      ErrorReporter::SetReportedOutput, ErrorReporter::GetReportedOutput;

namespace {

constexpr const char* MODULE = "EXTRACT";


// The password typed at a question: the current password for the rest of the process.
char typedPassword[PASSWORD_BUFFER_SIZE];
bool passwordTyped = false;

// The word shown while an entry is processed, by compression method; every word is 13
// characters wide so that the names line up in the progress window.
const char* actionWord(uint16_t method) {
  switch (method) {
    case 0: case 7: return "   Extracting";
    case 1: return "  Unshrinking";
    case 2: case 3: case 4: case 5: return "   Unreducing";
    case 6: return "    Exploding";
    case 8: case 9: return "    Inflating";
    case 10: return "DCL Exploding";
    default: return "Unknown compression method for file";
  }
}

void notify(ProgressEvent event, const char* text, int code = 0) {
  if (ProgressLink* link = GetProgressLink()) link->progress(event, code, text ? text : "");
}

uint8_t* allocate(uint32_t size) {
  uint8_t* buffer = static_cast<uint8_t*>(std::malloc(size));
  if (!buffer) FatalError(FATAL_NO_MEMORY_EXTRACT, nullptr);
  return buffer;
}

}  // namespace

void ForgetTypedPassword() {
  std::memset(typedPassword, 0, sizeof typedPassword);
  passwordTyped = false;
}

ExtClass::ExtClass(ArchiveReader* archive, const char* directory)
    : reader_(archive), preparation_(directory ? directory : "", work_) {
  WorkBufSize = EXT_WORK_BUF_SIZE;
  OutBufSize = EXT_OUT_BUF_SIZE;
  InBufSize = EXT_IN_BUF_SIZE;
  WorkBuf = allocate(WorkBufSize);
  OutBuf = allocate(OutBufSize);
  InBuf = allocate(InBufSize);
  work_.displayName = work_.entryName;
  SetReportedOutput(this);
}

ExtClass::~ExtClass() {
  if (GetReportedOutput() == this) SetReportedOutput(nullptr);
  DestroyOutput();
  releaseTimeBlock();
  std::free(WorkBuf);
  std::free(OutBuf);
  std::free(InBuf);
}

void ExtClass::DestroyOutput() {
  delete work_.output;
  work_.output = nullptr;
}

void ExtClass::AbandonOutput() {
  if (!work_.output) return;
  DestroyOutput();
  EntryWork& w = work_;
  if (w.tempPath[0]) {
    SysDeleteFile(w.tempPath);  // made without the read-only attribute
  } else if (w.newOutput) {
    SysSetAttributes(w.outputPath, SYS_ATTR_NORMAL);  // a read-only file is not deleted
    SysDeleteFile(w.outputPath);
  }
  w.tempPath[0] = '\0';
  w.newOutput = false;
}

// The decoded data takes the place of the existing file only when it is intact (decoded to
// its end with a matching CRC-32); otherwise the old file stays untouched and the data
// beside it is removed. False when the output does not hold the entry's data now (the
// entry failed, or the rename was refused).
bool ExtClass::placeOutput(bool intact) {
  EntryWork& w = work_;
  if (!w.tempPath[0]) return true;
  bool placed = intact && SysReplaceFile(w.tempPath, w.outputPath) == 0;
  if (!placed) SysDeleteFile(w.tempPath);
  w.tempPath[0] = '\0';
  if (intact && !placed) Warning(WARN_CANNOT_CREATE, w.outputPath);
  return placed;
}

void ExtClass::releaseTimeBlock() {
  delete work_.timeBlock;
  work_.timeBlock = nullptr;
}

int ExtClass::skipEntry() {
  releaseTimeBlock();
  return 0;
}

uint32_t ExtClass::ReadSource(uint8_t* buffer, uint32_t size) { return reader_->Read(buffer, size); }

void ExtClass::TakeOutput(const uint8_t* data, uint32_t size) {
  // Between two windows of one entry the dialog shows the growing figure and serves its
  // queue (Cancel included); a one-window entry, most entries, costs nothing more.
  if (produced() > 0) notify(PROGRESS_DECODING, nullptr, static_cast<int>(produced()));
  if (work_.output) {
    uint32_t done = 0;
    if (work_.output->Write(data, size, &done) != 0 || done != size) {
      // The partial data goes; an existing file it was to replace stays as it was, and the
      // print target keeps the entries before this one.
      AbandonOutput();
      FatalError(FATAL_DISK_FULL, work_.displayName);
    }
  }
}

// The encryption header and the password checks. True when a password was accepted (the
// keys then stand ready for the entry data), false when the entry is skipped.
bool ExtClass::checkPassword(const EntryRecord* entry) {
  OptionState& o = Options();
  EntryWork& w = work_;
  if (!o.passwordGiven) {
    Warning(WARN_ENCRYPTED_SKIPPED, w.entryName);
    return false;
  }
  uint32_t compressed = le32(entry + CDH_COMPRESSED);
  uint8_t saved[ZIPCRYPTO_HEADER_SIZE];
  // An entry too short for its own encryption header is damaged; reading on would take
  // bytes of the next record.
  if (compressed < ZIPCRYPTO_HEADER_SIZE || reader_->Read(saved, sizeof saved) != sizeof saved) {
    Warning(WARN_UNEXPECTED_END, w.entryName);
    return false;
  }
  decryptInput(true);

  // The password to try first; none while nobody has given one (the placeholder of the
  // option word, an empty stored password): the one-byte check would pass one wrong key in
  // 256 and the entry would be decoded with it, so the question comes first.
  char given[PASSWORD_BUFFER_SIZE];
  const char* current = nullptr;
  if (passwordTyped) {
    current = typedPassword;
  } else if (o.password && !(o.password[0] == PASSWORD_PLACEHOLDER && o.password[1] == '\0')) {
    std::snprintf(given, sizeof given, "%s", o.password);
    current = given;
  } else {
    given[0] = '\0';
    if (UserPrompts* prompts = GetUserPrompts()) prompts->storedPassword(given, sizeof given);
    if (given[0] != '\0') current = given;
  }

  uint16_t flags = le16(entry + CDH_FLAGS);
  uint8_t checkByte = (flags & GPF_DATA_DESCRIPTOR) ? static_cast<uint8_t>(le16(entry + CDH_TIME) >> 8)
                                                    : static_cast<uint8_t>(le32(entry + CDH_CRC32) >> 24);
  for (int check = 0;;) {
    if (current != nullptr) {
      uint8_t header[ZIPCRYPTO_HEADER_SIZE];
      std::memcpy(header, saved, sizeof header);
      DecryptHeader(current, header);
      if (header[ZIPCRYPTO_HEADER_SIZE - 1] == checkByte) break;
      if (++check == PASSWORD_CHECKS) {
        Warning(WARN_BAD_PASSWORD, w.entryName);
        return false;
      }
    }
    UserPrompts* prompts = GetUserPrompts();
    char typed[PASSWORD_BUFFER_SIZE] = "";
    int answer = prompts ? prompts->askPassword(w.entryName, typed, sizeof typed) : PASSWORD_SKIP;
    if (answer == PASSWORD_OK) {
      typed[PASSWORD_BUFFER_SIZE - 1] = '\0';
      std::memcpy(typedPassword, typed, sizeof typedPassword);
      passwordTyped = true;
      current = typedPassword;
      continue;
    }
    if (answer == PASSWORD_SKIP_ALL) o.passwordGiven = false;
    Warning(WARN_ENCRYPTED_SKIPPED, w.entryName);
    return false;
  }
  w.inputSize = compressed - ZIPCRYPTO_HEADER_SIZE;
  return true;
}

// Decodes the entry's data; false when the entry failed (a warning has been raised). Stored
// data whose two sizes differ is copied up to the smaller one.
bool ExtClass::decodeData(const EntryRecord* entry) {
  EntryWork& w = work_;
  uint32_t expectedSize = le32(entry + CDH_UNCOMPRESSED);
  uint16_t method = le16(entry + CDH_METHOD);
  if (method == METHOD_STORED && expectedSize != w.inputSize) {
    Warning(WARN_STORED_SIZE, "");
    expectedSize = w.inputSize = expectedSize < w.inputSize ? expectedSize : w.inputSize;
  }
  int result = Decode(method, w.inputSize, expectedSize);
  if (result == 0) return true;
  Warning(result, w.entryName);
  return false;
}

void ExtClass::restoreTimes(const EntryRecord* entry) {
  if (le32(entry + CDH_EXTERNAL_ATTR) & SYS_ATTR_VOLUME) return;
  if (!work_.output) return;
  const OptionState& o = Options();
  if (work_.timeBlock) {
    SysSetFileTimes(work_.output->handle(), nullptr, nullptr, nullptr, work_.timeBlock,
                    static_cast<int>(o.timesMask));
  } else {
    uint32_t written = entryDateTime(entry);
    SysSetFileTimes(work_.output->handle(), nullptr, nullptr, &written, nullptr,
                    static_cast<int>(o.timesMask));
  }
}

void ExtClass::restoreAttributes(const EntryRecord* entry) {
  // A volume label made no file: there is nothing to give attributes to.
  if (work_.volumeLabel) return;
  SysSetAttributes(work_.displayName, MaskedAttributes(entry, Options().attributeMask));
}

// Resets the working state for `entry`: its name (at most 259 bytes, '/' as separator),
// which stays the name of every warning about the entry, and no output, times or keys.
void ExtClass::beginEntry(const EntryRecord* entry) {
  EntryWork& w = work_;
  uint16_t nameLength = entryNameLength(entry);
  w.nameCut = !NameFits(nameLength);
  CopyName(w.entryName, entryName(entry), nameLength);
  w.displayName = w.entryName;
  AbandonOutput();  // an output still open here was never finished
  w.outputPath[0] = '\0';
  w.tempPath[0] = '\0';
  w.newOutput = false;
  w.isDirectory = LastSingleChar(w.entryName) == '/';
  decryptInput(false);
  w.cancelled = false;
  w.volumeLabel = false;
  w.inputSize = 0;
  releaseTimeBlock();
}

int ExtClass::ExtractEntry(const EntryRecord* pCnt) {
  SFX_ASSERT(MODULE, pCnt != nullptr, "pCnt != NULL");
  const OptionState& o = Options();
  EntryWork& w = work_;
  beginEntry(pCnt);

  int needed = le16(pCnt + CDH_VERSION_NEEDED);
  if (needed > VERSION_SUPPORTED) {
    char text[SYS_PATH_MAX + 64];
    std::snprintf(text, sizeof text, VERSION_NEEDED_FORMAT, needed / 10, needed % 10,
                  w.displayName);
    Warning(WARN_VERSION, text);
    return skipEntry();
  }

  reader_->ReadLocalHeader(pCnt);  // changes to the entry's disk when the archive is split
  if (o.useExtendedInfo && reader_->localExtra() && reader_->localExtraLength() &&
      SysParseNtfsTimes(reader_->localExtra(), reader_->localExtraLength(), &w.timeBlock) < 0) {
    Warning(WARN_NTFS_MEMORY, "");
  }

  if (le16(pCnt + CDH_FLAGS) & GPF_ENCRYPTED) {
    if (!checkPassword(pCnt)) return skipEntry();
  } else {
    w.inputSize = le32(pCnt + CDH_COMPRESSED);
  }

  if (!preparation_.Prepare(pCnt)) {
    releaseTimeBlock();
    result_ = w.cancelled ? 1 : result_;
    return w.cancelled ? 1 : 0;
  }

  bool testing = o.command == CMD_TEST;
  if (testing) notify(PROGRESS_TESTING, "");
  else notify(PROGRESS_ACTION, actionWord(le16(pCnt + CDH_METHOD)));
  notify(PROGRESS_FILE, w.displayName);

  bool extracting = o.command == CMD_EXTRACT;
  if (w.isDirectory && extracting) return skipEntry();  // PrepareOutput made the directory

  bool decoded = decodeData(pCnt);
  bool intact = decoded && le32(pCnt + CDH_CRC32) == crc();
  if (extracting) restoreTimes(pCnt);
  // An intact replacement reaches the disk before its rename: after a power cut the name
  // must not hold a file whose data was lost. A flush that fails is a write that failed.
  bool replacing = extracting && w.tempPath[0] != '\0';
  if (replacing && intact && SysFlushFile(w.output->handle()) != 0) {
    AbandonOutput();
    FatalError(FATAL_DISK_FULL, w.displayName);
  }
  DestroyOutput();
  // A file made under its own name was created with the entry's attributes where the system
  // sets them then; only the others are set afterwards.
  bool madeWithAttributes = w.newOutput && !w.tempPath[0] &&
                            SysNewFileHas(MaskedAttributes(pCnt, Options().attributeMask));
  w.newOutput = false;  // complete: a new file stays, also with a CRC-32 mismatch
  releaseTimeBlock();
  if (extracting) {
    // A replacement that failed or was refused leaves the old file's attributes alone.
    bool placed = placeOutput(intact);
    if (placed && !madeWithAttributes) restoreAttributes(pCnt);
    if (replacing && intact && !placed) return 0;  // warning 1 named the output
  }
  if (!decoded) return 0;

  // PROGRESS_EXTRACTED carries the bytes written, so the dialog's tally needs no look-up.
  if (intact) notify(testing ? PROGRESS_TESTED : PROGRESS_EXTRACTED, "", static_cast<int>(produced()));
  else Warning(WARN_CRC, w.entryName);
  return 0;
}

int RunExtraction(ArchiveReader& reader) {
  const uint8_t* end = reader.endRecord();
  if (end == nullptr || le16(end + EOCD_ENTRIES_TOTAL) == 0) return 0;  // nothing to walk: no context
  // Released however the walk ends, also when a test's exit hook turns a fatal report into
  // an exception.
  std::unique_ptr<ExtClass> context(new (std::nothrow) ExtClass(&reader, reader.extractionDirectory()));
  if (!context) FatalError(FATAL_NO_MEMORY_EXTRACT, nullptr);
  return reader.ExtractSelected(*context);
}

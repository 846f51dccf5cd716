// libFuzzer target for the archive reader: each input is written to a file, opened as the
// archive and its directory loaded (when the first byte has its top bit set, on a drive that
// claims to be removable, so the spanning probe, disk prompts and reads continued on the
// "next disk" run too: the prompts answer Continue a few times, then Cancel); then every
// loaded entry's name, extra field and comment are read back (the records must lie inside
// their blocks), names pass through the selection lists, and the walk offers every entry to
// a processor that reads its local header and up to 64 KB of its data. Fatal and format
// reports end the input through a throwing exit hook, as they would end the process; a
// crash, an assertion, a hang or an access out of bounds is a fault.
#include <cstdint>
#include <cstdio>
#include <string>

#include "archive/archive_reader.h"
#include "fuzz_support.h"
#include "options/option_state.h"
#include "report/user_prompts.h"
#include "system/system.h"

namespace {

class ReadingProcessor : public EntryProcessor {
 public:
  explicit ReadingProcessor(ArchiveReader& reader) : reader_(reader) {}
  int ExtractEntry(const EntryRecord* entry) override {
    reader_.ReadLocalHeader(entry);
    uint32_t size = le32(entry + CDH_COMPRESSED);
    if (size > sizeof buffer_) size = sizeof buffer_;
    sum_ += reader_.Read(buffer_, size);
    return ++offered_ >= 64 ? 1 : 0;  // bounds the time one input takes
  }
  int Result() override { return 0; }

 private:
  ArchiveReader& reader_;
  uint8_t buffer_[65536];
  uint32_t sum_ = 0;
  int offered_ = 0;
};

// Every disk asked for is "inserted" (the same file) until the fifth question.
class PatientUser : public UserPrompts {
 public:
  int confirmOverwrite(const char*, const EntryRecord*) override { return 'N'; }
  int confirmDirectory(const char*) override { return 0; }
  int askLastDisk() override { return answer(); }
  int askDisk(int number) override {
    lastAsked = number;
    return answer();
  }
  void storedPassword(char* destination, size_t size) override { if (size) destination[0] = 0; }
  int askPassword(const char*, char*, size_t) override { return PASSWORD_SKIP_ALL; }
  int answer() { return ++asked > 4 ? ANSWER_GIVE_UP : ANSWER_CONTINUE; }
  int asked = 0;
  int lastAsked = 1;
};

PatientUser* user = nullptr;

int removableDrive(const char*) { return SYS_DRIVE_REMOVABLE; }
int labelOfAskedDisk(const char*, char* label, uint32_t* serial) {
  std::snprintf(label, 32, "PKBACK# %03d", user->lastAsked);
  *serial = 0;
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = inputFile("fuzz_directory", ".zip");
  if (!writeInput(path, data, size)) return 0;
  QuietReports quiet;

  Options().ResetOptions();
  Options().keepPaths = (size & 1) != 0;
  auto* reader = new ArchiveReader;
  PatientUser patient;
  user = &patient;
  SetUserPrompts(&patient);
  if (size > 0 && (data[0] & 0x80) != 0) {
    reader->driveTypeOf = removableDrive;
    reader->volumeLabelOf = labelOfAskedDisk;
  }
  try {
    reader->SetArchiveSpec(path.c_str());
    reader->AddInclude("*.*");
    reader->AddExclude("*.EXE");
    reader->FinishSelection();
    if (reader->Open() && reader->LoadDirectory() == 0) {
      volatile uint32_t sum = 0;
      for (int i = 0; i < reader->loadedCount(); ++i) {
        const EntryRecord* entry = reader->entry(i);
        uint32_t length = CDH_SIZE + le16(entry + CDH_NAME_LENGTH) + le16(entry + CDH_EXTRA_LENGTH) +
                          le16(entry + CDH_COMMENT_LENGTH);
        for (uint32_t k = 0; k < length; ++k) sum += entry[k];
        char name[SYS_PATH_MAX];
        CopyName(name, entryName(entry), entryNameLength(entry));
        sum += WildcardMatch("*表?.*", name);
      }
      for (uint16_t k = 0; k < reader->commentLength(); ++k) sum += reader->comment()[k];
      static_cast<void>(sum);  // the sum only makes every byte of the records be read
      ReadingProcessor processor(*reader);
      reader->ExtractSelected(processor);
    }
  } catch (const ReportEnded&) {
  }
  delete reader;
  SetUserPrompts(nullptr);
  user = nullptr;
  return 0;
}

// Entries whose local records overlap (the stuff of zip bombs: central records sharing one
// local header, data that runs over the local headers behind it or into the central
// directory) are format error 154 when the directory is loaded, before any entry is read;
// what only the local header tells (its extra field, its name) is checked when the header is
// read, and a local name that differs from the central one is the same error. Archives
// made by peers (every fixture archive) load and position on every entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "reader_support.h"
#include "support/zip_writer.h"

namespace {

constexpr int EXIT_LOCAL = 154 + 149;

void putAt(std::string& bytes, uint32_t at, uint32_t value, int width) {
  for (int k = 0; k < width; ++k) bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}
uint32_t getAt(const std::string& bytes, uint32_t at) {
  return le32(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}

struct OverlapCase {
  const char* what;
  void (*patch)(std::string& bytes, const ZipBuilder& zip);
  int loadStatus;
  int localStatus;  // of ReadLocalHeader on entry `faulty` (when the load succeeded)
  int faulty;
};

// The two entries of every case: "first.txt" and "second.txt", stored, behind a prefix.
const OverlapCase kCases[] = {
    {"sound", nullptr, 0, 0, 0},
    {"two_central_records_share_one_local_header",
     [](std::string& b, const ZipBuilder& z) {
       putAt(b, z.entries[1].centralOffset + CDH_LOCAL_OFFSET, z.entries[0].localOffset, 4);
     },
     EXIT_LOCAL, 0, 0},
    {"data_runs_over_the_next_local_header",
     [](std::string& b, const ZipBuilder& z) {
       uint32_t at = z.entries[0].centralOffset + CDH_COMPRESSED;
       putAt(b, at, getAt(b, at) + 1, 4);
     },
     EXIT_LOCAL, 0, 0},
    {"last_data_runs_into_the_central_directory",
     [](std::string& b, const ZipBuilder& z) {
       uint32_t at = z.entries[1].centralOffset + CDH_COMPRESSED;
       putAt(b, at, getAt(b, at) + 1, 4);
     },
     EXIT_LOCAL, 0, 1},
    {"local_header_inside_the_central_directory",
     [](std::string& b, const ZipBuilder& z) {
       putAt(b, z.entries[1].centralOffset + CDH_LOCAL_OFFSET, z.directoryOffset + 4, 4);
     },
     EXIT_LOCAL, 0, 1},
    // The data-descriptor flag promises at least 12 bytes behind the data.
    {"descriptor_flag_without_room_for_a_descriptor",
     [](std::string& b, const ZipBuilder& z) {
       putAt(b, z.entries[0].centralOffset + CDH_FLAGS, GPF_DATA_DESCRIPTOR, 2);
     },
     EXIT_LOCAL, 0, 0},
    // Only the local header knows its extra field: 4 extra bytes move the data 4 bytes on.
    {"local_extra_pushes_the_data_into_the_next_header",
     [](std::string& b, const ZipBuilder& z) { putAt(b, z.entries[0].localOffset + LFH_EXTRA_LENGTH, 4, 2); },
     0, EXIT_LOCAL, 0},
    {"local_name_differs_in_one_bit",
     [](std::string& b, const ZipBuilder& z) { b[z.entries[1].localOffset + LFH_SIZE + 3] ^= 0x20; }, 0,
     EXIT_LOCAL, 1},
    {"local_name_one_byte_shorter",
     [](std::string& b, const ZipBuilder& z) {
       putAt(b, z.entries[1].localOffset + LFH_NAME_LENGTH, z.entries[1].name.size() - 1, 2);
     },
     0, EXIT_LOCAL, 1},
};

class OverlappingEntries : public ::testing::TestWithParam<OverlapCase> {};

TEST_P(OverlappingEntries, RefusedBeforeAnyDataIsRead) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.prefix = std::string(100, 'P');
  zip.add("first.txt", "first entry's data");
  zip.add("second.txt", "second entry's data");
  std::string bytes = zip.build();
  if (GetParam().patch != nullptr) GetParam().patch(bytes, zip);
  writeFileBytes(dir.file("o.zip"), bytes);
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, dir.file("o.zip")), GetParam().loadStatus);
  if (GetParam().loadStatus != 0) return;
  int status = 0;
  try {
    reader.ReadLocalHeader(reader.entry(GetParam().faulty));
  } catch (const FatalExit& exit) {
    status = exit.status;
  }
  EXPECT_EQ(status, GetParam().localStatus);
}

INSTANTIATE_TEST_SUITE_P(Cases, OverlappingEntries, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<OverlapCase>& info) {
                           return std::string(info.param.what);
                         });

// Every archive the fixture recipes make with zip (also -fd and to and from a pipe), 7z,
// Python's zipfile and the builder's inputs, behind prefixes and with data descriptors:
// the load and every local header pass the checks. The exceptions are not archives a
// single-file reader can read: a file without an end record, and the last part of a split
// archive read from a fixed drive (its entries of the other part are not in this file).
TEST(OverlappingEntries, NoPeerArchiveIsRefused) {
  const std::map<std::string, int> exceptions = {{"builder_not_a_zip.zip", 152 + 149},
                                                 {"builder_stub_fixture.exe", 152 + 149},
                                                 {"builder_iz_split.zip", EXIT_LOCAL}};
  int checked = 0;
  for (const auto& file : std::filesystem::directory_iterator(std::filesystem::u8path(fixturePath("")))) {
    std::string name = file.path().filename().u8string();
    std::string ext = file.path().extension().u8string();
    if (!file.is_regular_file() || (ext != ".zip" && ext != ".exe" && ext != ".sfx")) continue;
    SCOPED_TRACE(name);
    ReportCatcher catcher;
    OptionsReset reset;
    ArchiveReader reader;
    int status = openAndLoad(reader, file.path().u8string());
    for (int i = 0; status == 0 && i < reader.loadedCount(); ++i) {
      try {
        reader.ReadLocalHeader(reader.entry(i));
      } catch (const FatalExit& exit) {
        status = exit.status;
      }
    }
    auto exception = exceptions.find(name);
    EXPECT_EQ(status, exception == exceptions.end() ? 0 : exception->second);
    ++checked;
  }
  EXPECT_GE(checked, 60);
}

}  // namespace

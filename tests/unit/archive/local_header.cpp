// ReadLocalHeader validates the local header against its central record: a zero CRC is
// accepted only with the data-descriptor flag; a wrong signature or CRC is format error
// 154; a header cut short by the end of the file, or lying beyond it (past 2 GiB too), is
// 153.
#include <gtest/gtest.h>

#include "reader_support.h"
#include "support/zip_writer.h"

namespace {

constexpr int EXIT_TRUNCATED = 153 + 149;
constexpr int EXIT_LOCAL = 154 + 149;

struct LocalCase {
  const char* what;
  void (*damage)(BuiltEntry&);
  void (*patch)(std::string&, const BuiltEntry&);
  int status;  // 0: the data offset is returned
};

class LocalHeader : public ::testing::TestWithParam<LocalCase> {};

void putAt(std::string& bytes, uint32_t at, uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

TEST_P(LocalHeader, ValidatedAgainstTheCentralRecord) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.prefix = std::string(300, 'P');
  zip.add("first.txt", "first entry's data");
  BuiltEntry& e = zip.add("second.txt", "second entry's data");
  if (GetParam().damage != nullptr) GetParam().damage(e);
  std::string bytes = zip.build();
  if (GetParam().patch != nullptr) GetParam().patch(bytes, zip.entries[1]);
  writeFileBytes(dir.file("l.zip"), bytes);
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, dir.file("l.zip")), 0);
  int status = 0;
  uint32_t position = 0;
  try {
    position = reader.ReadLocalHeader(reader.entry(1));
  } catch (const FatalExit& exit) {
    status = exit.status;
  }
  EXPECT_EQ(status, GetParam().status);
  if (GetParam().status == 0) {
    EXPECT_EQ(position, zip.entries[1].dataOffset);
    char data[19] = {};
    reader.ReadExact(data, sizeof data);
    EXPECT_EQ(std::string(data, sizeof data), "second entry's data");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalHeader,
    ::testing::Values(
        LocalCase{"sound", nullptr, nullptr, 0},
        LocalCase{"zero_crc_with_descriptor_flag",
                  [](BuiltEntry& e) { e.zeroLocalCrc = true; e.flags = GPF_DATA_DESCRIPTOR; }, nullptr, 0},
        LocalCase{"zero_crc_without_descriptor_flag",
                  [](BuiltEntry& e) { e.zeroLocalCrc = true; }, nullptr, EXIT_LOCAL},
        LocalCase{"crc_differs_from_central",
                  [](BuiltEntry& e) { e.badCentralCrc = true; }, nullptr, EXIT_LOCAL},
        LocalCase{"bad_signature", [](BuiltEntry& e) { e.badLocalSignature = true; }, nullptr, EXIT_LOCAL},
        LocalCase{"offset_in_the_last_bytes", nullptr,
                  [](std::string& b, const BuiltEntry& e) {
                    putAt(b, e.centralOffset + CDH_LOCAL_OFFSET, static_cast<uint32_t>(b.size() - 10));
                  },
                  EXIT_TRUNCATED},
        LocalCase{"offset_beyond_the_end_past_2GB", nullptr,
                  [](std::string& b, const BuiltEntry& e) {
                    putAt(b, e.centralOffset + CDH_LOCAL_OFFSET, 0xFFFFFF00u);
                  },
                  EXIT_TRUNCATED}),
    [](const ::testing::TestParamInfo<LocalCase>& info) { return std::string(info.param.what); });

}  // namespace

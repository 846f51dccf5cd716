// The reader's fixed contracts: the ZIPFILE assertion texts of its hooks and of reads
// without an open archive, the per-mille compression ratio, and what Close and Release
// leave behind (the reader can load the same archive again).
#include <gtest/gtest.h>

#include "reader_support.h"
#include "support/zip_writer.h"

using ErrorReporter::FatalError;

namespace {

template <typename F>
AssertionStop assertionOf(F action) {
  try {
    action();
  } catch (const AssertionStop& stop) {
    return stop;
  }
  return AssertionStop{"", "no assertion"};
}

TEST(ReaderContract, AssertionTexts) {
  ReportCatcher catcher;
  OptionsReset reset;
  uint8_t bytes[32] = {};
  ArchiveReader reader;
  struct Case {
    AssertionStop stop;
    const char* text;
  };
  const Case cases[] = {
      {assertionOf([&] { CopyEndRecord(nullptr, bytes); }), "pDest != NULL"},
      {assertionOf([&] { CopyEndRecord(bytes, nullptr); }), "pSource != NULL"},
      {assertionOf([&] { AdoptCentralRecord(nullptr); }), "pSource != NULL"},
      {assertionOf([&] { ReadLocalFixed(&reader, nullptr); }), "pLocal != NULL"},
      {assertionOf([&] { reader.Read(bytes, 4); }), "pZipStream != NULL"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.stop.module, "ZIPFILE");
    EXPECT_EQ(c.stop.text, c.text);
  }
}

TEST(ReaderContract, CloseAndReopen) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.add("a.txt", "a");
  zip.add("b.txt", "b");
  writeFileBytes(dir.file("c.zip"), zip.build());
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, dir.file("c.zip")), 0);
  reader.Close();
  EXPECT_EQ(reader.stream(), nullptr);
  EXPECT_EQ(reader.entryCount(), 0);
  // The search over the pattern is exhausted: a new reader loads the same file again.
  ArchiveReader again;
  ASSERT_EQ(openAndLoad(again, dir.file("c.zip")), 0);
  EXPECT_EQ(again.entryCount(), 2);
  again.Release();
  EXPECT_EQ(again.stream(), nullptr);
  EXPECT_EQ(again.localExtra(), nullptr);
}

TEST(ReaderContract, FatalReportReleasesTheReader) {
  ReportCatcher catcher;
  OptionsReset reset;
  ScratchDir dir;
  ZipBuilder zip;
  zip.add("a.txt", "a");
  writeFileBytes(dir.file("f.zip"), zip.build());
  ArchiveReader reader;
  ASSERT_EQ(openAndLoad(reader, dir.file("f.zip")), 0);
  ASSERT_NE(reader.stream(), nullptr);
  EXPECT_THROW(FatalError(19, nullptr), FatalExit);
  EXPECT_EQ(reader.stream(), nullptr);
}

}  // namespace

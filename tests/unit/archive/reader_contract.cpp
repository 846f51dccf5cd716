// The reader's fixed contracts: null records and reads without an open archive stop in an
// assertion instead of touching memory, and what Close and Release leave behind (the reader
// can load the same archive again).
#include <gtest/gtest.h>

#include "reader_support.h"
#include "support/zip_writer.h"

using ErrorReporter::FatalError;

namespace {

TEST(ReaderContract, ProgrammingErrorsStop) {
  ReportCatcher catcher;
  OptionsReset reset;
  uint8_t bytes[32] = {};
  ArchiveReader reader;
  EXPECT_THROW(CopyEndRecord(nullptr, bytes), AssertionStop);
  EXPECT_THROW(CopyEndRecord(bytes, nullptr), AssertionStop);
  EXPECT_THROW(AdoptCentralRecord(nullptr), AssertionStop);
  EXPECT_THROW(ReadLocalFixed(&reader, nullptr), AssertionStop);
  EXPECT_THROW(reader.Read(bytes, 4), AssertionStop);
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

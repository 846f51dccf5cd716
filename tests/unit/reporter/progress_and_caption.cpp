// Where reports go: warnings to a linked progress window as PROGRESS_WARNING (not counted
// boxes otherwise), message boxes owned by the linked window with its title as caption (cut
// to 79 characters), the initial caption before any title was read, and the archive released
// by fatal errors but not by format errors.
#include <gtest/gtest.h>

#include "reporter_doubles.h"

using ErrorReporter::FatalError, ErrorReporter::FormatError, ErrorReporter::Warning,
      ErrorReporter::SetMessageDisplay, ErrorReporter::ShowMessage, ErrorReporter::CurrentCaption;

namespace {

// Read before any test runs: nothing has shown a box yet.
const std::string kInitialCaption = CurrentCaption();

TEST(Caption, StartsAsTheProductCaption) {
  EXPECT_EQ("ARKEX(R) for Windows", kInitialCaption);
}

TEST(Caption, LinkedWindowTitleCutTo79AndKeptAfterwards) {
  ReportCatcher catcher;
  OwnerDisplay display;
  SetMessageDisplay(&display);
  RecordingLink link;
  link.windowTitle = std::string(120, 'T');
  {
    LinkScope linked(&link);
    EXPECT_TRUE(ShowMessage("with link", MessageKind::Notice));
  }
  ASSERT_EQ(1u, display.owners.size());
  EXPECT_EQ(&link, display.owners[0]);
  EXPECT_EQ(std::string(79, 'T'), display.captions[0]);
  EXPECT_EQ(std::string(79, 'T'), CurrentCaption());

  // Without a window the caption is the title read last.
  {
    LinkScope unlinked(nullptr);
    ShowMessage("without link", MessageKind::Question);
  }
  ASSERT_EQ(2u, display.owners.size());
  EXPECT_EQ(nullptr, display.owners[1]);
  EXPECT_EQ(std::string(79, 'T'), display.captions[1]);

  link.windowTitle = "展開";
  {
    LinkScope linked(&link);
    ShowMessage("short title", MessageKind::Notice);
  }
  EXPECT_EQ("展開", display.captions[2]);
}

TEST(Caption, TitleCutNeverEndsInHalfACharacter) {
  ReportCatcher catcher;
  OwnerDisplay display;
  SetMessageDisplay(&display);
  RecordingLink link;
  // 78 single bytes and a double-byte character across the 79-character limit; a link that
  // cuts bytes leaves its first byte behind.
  link.windowTitle = std::string(78, 'a') + "表";
  LinkScope linked(&link);
  ShowMessage("x", MessageKind::Notice);
  ASSERT_EQ(1u, display.captions.size());
  EXPECT_EQ(std::string(78, 'a'), display.captions[0]);
}

TEST(WarningRouting, LinkedWindowGetsProgressWarningAndNoBox) {
  ReportCatcher catcher;
  RecordingLink link;
  LinkScope linked(&link);
  Warning(13, "secret.txt");
  Warning(4, "a.bin");
  EXPECT_TRUE(catcher.shown.empty());
  ASSERT_EQ(2u, link.events.size());
  EXPECT_EQ(PROGRESS_WARNING, link.events[0].event);
  EXPECT_EQ(13, link.events[0].code);
  EXPECT_EQ("暗号化されたﾌｧｲﾙをｽｷｯﾌﾟします:  secret.txt", link.events[0].text);
  EXPECT_EQ(4, link.events[1].code);
  EXPECT_EQ("CRC ﾁｪｯｸに失敗しました  a.bin", link.events[1].text);
}

TEST(WarningRouting, WithoutALinkABoxIsShown) {
  ReportCatcher catcher;
  LinkScope unlinked(nullptr);
  Warning(1, "out");
  ASSERT_EQ(1u, catcher.shown.size());
  EXPECT_EQ("作成できません:  out", catcher.shown[0].text);
}

TEST(FatalRouting, FatalErrorsReleaseTheArchiveFormatErrorsDoNot) {
  ReportCatcher catcher;
  CountingArchive archive;
  ArchiveScope scope(&archive);
  RecordingLink link;
  LinkScope linked(&link);
  EXPECT_EQ(13, exitStatusOf([] { FatalError(13, "a.zip"); }));
  EXPECT_EQ(1, archive.releases);
  EXPECT_EQ(302, exitStatusOf([] { FormatError(153, nullptr); }));
  EXPECT_EQ(1, archive.releases);
  EXPECT_EQ(21, exitStatusOf([] { FatalError(21, ""); }));
  EXPECT_EQ(2, archive.releases);
  // Fatal and format messages are boxes even with a window linked, never progress events.
  EXPECT_TRUE(link.events.empty());
  ASSERT_EQ(3u, catcher.shown.size());
  EXPECT_EQ("Setup", catcher.shown[0].caption);
}

TEST(FatalRouting, NoArchiveNothingToRelease) {
  ReportCatcher catcher;
  ArchiveScope none(nullptr);
  EXPECT_EQ(12, exitStatusOf([] { FatalError(12, "x"); }));
}

}  // namespace

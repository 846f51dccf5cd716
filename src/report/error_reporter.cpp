// The error reporter: two fixed message tables (code page 932 text) and the three kinds of
// report. Messages are composed in fixed buffers (512 bytes for fatal errors, 520 for
// format errors and warnings); a longer argument is cut at a character boundary.
#include "report/error_reporter.h"
#include "report/message_texts.h"

#include <cstdio>
#include <cstring>

#include "system/dbcs.h"
#include "system/system.h"

namespace {

// Fatal codes below 100 use row `code`; codes 100 to 108 use row `code - 68`; format
// errors 150 to 155 use rows 26 to 31 (`code - 124`).
const char* const kFatalTable[41] = {
    "", "",
    "あいまいなｵﾌﾟｼｮﾝやｺﾏﾝﾄﾞが指定されました - ",
    "あいまいなｻﾌﾞｵﾌﾟｼｮﾝが指定されました - ",
    "不明、または不正なｵﾌﾟｼｮﾝ - ",
    "不明、または不正なｻﾌﾞｵﾌﾟｼｮﾝ - ",
    ".ZIP ﾌｧｲﾙが指定されていません",
    "",
    "処理できません!",
    "ﾌｧｲﾙが見つかりません",
    "",
    "ﾃﾞｨｽｸがいっぱいです: ",
    ".ZIP ﾌｧｲﾙが見つかりません: ",
    ".ZIP ﾌｧｲﾙを開けません: ",
    "", "",
    "次のﾌｧｲﾙを書き込みｱｸｾｽ付きで開けません: ",
    "",
    "ﾘｽﾄ ﾌｧｲﾙを開けません: ",
    "ﾌｧｲﾙの展開を中止しました",
    "", "", "", "",
    "ﾃﾞﾊﾞｲｽの準備ができていません: ",
    "",
    ".ZIP ﾌｧｲﾙの読み込みｴﾗｰ ",                  // 26: format error 150
    ".ZIP ﾌｧｲﾙのｻｲｽﾞが小さすぎます ",            // 27: 151
    "CE ｼｸﾞﾈﾁｬが見つかりません ",                // 28: 152
    ".ZIP ﾌｧｲﾙが途中で終了しています ",          // 29: 153
    "ﾛｰｶﾙ ﾍｯﾀﾞが壊れているか見つかりません ",    // 30: 154
    "ﾌｧｲﾙが多すぎます: ",                        // 31: 155
    "ﾒﾓﾘ不足です - 入力作業ﾊﾞｯﾌｧの作成",        // 32: fatal 100
    "", "", "",
    "ﾒﾓﾘ不足です - 入力ﾌｧｲﾙ ﾘｽﾄ",               // 36: fatal 104
    "ﾒﾓﾘ不足です - .ZIP ﾌｧｲﾙの展開",            // 37: fatal 105
    "", "", "",
};

const char* const kWarningTable[29] = {
    "",
    "作成できません: ",
    "不正なﾊﾟｽやﾄﾞﾗｲﾌﾞが指定されました: ",
    "次の MORLA ﾊﾞｰｼﾞｮﾝが必要です ",
    "CRC ﾁｪｯｸに失敗しました ",
    ".ZIPﾌｧｲﾙに不正なｻｲｽﾞがありました ",
    "",
    "ﾌｧｲﾙ: ",
    "ﾌｧｲﾙを開けませんでした ",
    "",
    "展開したﾌｧｲﾙに不正なﾃｰﾌﾞﾙがあります",
    "展開したﾌｧｲﾙに不正な圧縮ﾌﾞﾛｯｸ ﾀｲﾌﾟがあります",
    "圧縮ﾃﾞｰﾀの予期しない最後",
    "暗号化されたﾌｧｲﾙをｽｷｯﾌﾟします: ",
    "", "", "", "",
    "ﾌｧｲﾙの圧縮方法が不明です: ",
    "",
    "ﾊﾟｽﾜｰﾄﾞが不正です: ",
    "", "", "", "", "",
    "ﾃﾞｨﾚｸﾄﾘ: ",
    "拡張属性のﾒﾓﾘが不足しています",
    "",
};

}  // namespace

const char EXTRACTION_DONE_TEXT[] = "展開完了";
const char TEST_DONE_TEXT[] = "ﾃｽﾄ完了";
const char EXTRACTION_WARNINGS_TEXT[] = "%d 個の警告付きで展開が完了しました";
const char TEST_WARNINGS_TEXT[] = "%d 個の警告付きでﾃｽﾄが完了しました";
const char GROUP_QUESTION_TEXT[] = "\n次のﾌﾟﾛｸﾞﾗﾑ ｸﾞﾙｰﾌﾟを作成しますか?\n";
const char EXTENSIONS_QUESTION_TEXT[] = "\n次の拡張子を登録しますか?\n";
const char BAD_OPTIONS_TEXT[] = "不正なｵﾌﾟｼｮﾝです!";
const char VERSION_NEEDED_FORMAT[] = "%d.%d 次の展開に必要なﾊﾞｰｼﾞｮﾝ: %s";

namespace {

constexpr size_t FATAL_BUFFER = 512;
constexpr size_t FORMAT_BUFFER = 520;
constexpr size_t CAPTION_BUFFER = 80;

ProgressLink* progressLink = nullptr;
MessageDisplay* messageDisplay = nullptr;
FatalReleasable* reportedArchive = nullptr;
FatalReleasable* reportedOutput = nullptr;
char caption[CAPTION_BUFFER] = "ARKEX(R) for Windows";

void compose(char* buffer, size_t size, const char* format, const char* a, const char* b) {
  int n = std::snprintf(buffer, size, format, a, b);
  if (n >= static_cast<int>(size)) DropPartialCharacter(buffer);  // snprintf cuts anywhere
}

}  // namespace

namespace ErrorReporter {

const char* FatalMessageText(int code) {
  if (code >= 0 && code < 100 && code <= 40) return kFatalTable[code];
  if (code >= 100 && code <= 108) return kFatalTable[code - 68];
  if (code >= 150 && code <= 155) return kFatalTable[code - 124];
  return nullptr;
}

const char* WarningText(int code) { return code >= 0 && code <= 28 ? kWarningTable[code] : nullptr; }

void SetProgressLink(ProgressLink* link) { progressLink = link; }
ProgressLink* GetProgressLink() { return progressLink; }
void SetMessageDisplay(MessageDisplay* display) { messageDisplay = display; }
MessageDisplay* GetMessageDisplay() { return messageDisplay; }
void SetReportedArchive(FatalReleasable* archive) { reportedArchive = archive; }
void SetReportedOutput(FatalReleasable* output) { reportedOutput = output; }
FatalReleasable* GetReportedOutput() { return reportedOutput; }

namespace {

// An unfinished output is removed before anything else, also when the archive turned out to
// be damaged in the middle of an entry.
void releaseOutput() {
  if (FatalReleasable* output = reportedOutput) {
    reportedOutput = nullptr;
    output->Release();
  }
}

}  // namespace
const char* CurrentCaption() { return caption; }

bool ShowMessage(const char* text, MessageKind kind) {
  if (progressLink) {
    char title[CAPTION_BUFFER] = "";
    progressLink->title(title, sizeof title);
    std::memcpy(caption, title, sizeof caption);
    caption[CAPTION_BUFFER - 1] = '\0';
    // A title cut to 79 bytes may end in the first byte of a double-byte character.
    DropPartialCharacter(caption);
  }
  if (messageDisplay) return messageDisplay->show(progressLink, caption, text, kind);
  std::fprintf(stderr, "%s: %s\n", caption, text);
  return kind != MessageKind::Question;
}

void FatalError(int code, const char* argument) {
  releaseOutput();
  if (code != FATAL_CANCELLED) {
    char message[FATAL_BUFFER];
    const char* row = FatalMessageText(code);
    if (row && *row) {
      compose(message, sizeof message, "%s %s", row, argument ? argument : "");
    } else {
      std::snprintf(message, sizeof message, "%d", code);
    }
    ShowMessage(message, MessageKind::Notice);
  }
  if (reportedArchive) reportedArchive->Release();
  SysExit(code);
}

void FormatError(int code, const char* argument) {
  releaseOutput();
  char message[FORMAT_BUFFER];
  const char* row = FatalMessageText(code);
  if (!row) row = "";
  if (argument && *argument) {
    compose(message, sizeof message, "%s: %s", row, argument);
  } else {
    compose(message, sizeof message, "%s%s", row, "");
  }
  ShowMessage(message, MessageKind::Notice);
  SysExit(code + FORMAT_EXIT_OFFSET);
}

void Warning(int code, const char* argument) {
  char message[FORMAT_BUFFER];
  const char* row = WarningText(code);
  compose(message, sizeof message, "%s %s", row ? row : "", argument ? argument : "");
  if (progressLink) {
    progressLink->progress(PROGRESS_WARNING, code, message);
  } else {
    ShowMessage(message, MessageKind::Notice);
  }
}

}  // namespace ErrorReporter

// Program group creation as a DDE client of the program manager. The configured commands are
// sent as they stand, one execute transaction each, after "%0" has been replaced by the
// extraction directory; the program neither composes nor interprets them. One conversation
// per process: opened by CreateProgramGroup, released by EndProgramGroupConversation (the
// session's exit-time clean-up), also after a fatal report.
#include "desktop/desktop_steps.h"

#include <ddeml.h>

#include <cstdlib>
#include <cstring>

#include "report/error_reporter.h"
#include "session/config_block.h"
#include "ui_base/resource.h"
#include "ui_base/ui_common.h"

using ErrorReporter::FatalError, ErrorReporter::ShowMessage;

namespace {

constexpr DWORD FIRST_TIMEOUT_MS = 5000;
constexpr DWORD RETRY_TIMEOUT_MS = 1000;
constexpr int RETRIES = 10;  // after the first attempt: at most 11 in all
constexpr char PROGRAM_MANAGER[] = "PROGMAN";

// The conversation state of the process.
DWORD ddeInstance = 0;
HSZ serviceName = nullptr;  // "PROGMAN", both service and topic
HCONV conversation = nullptr;
PFNCALLBACK ddeCallbackInUse = nullptr;

void notice(UINT id) {
  UiText text(id);
  ShowMessage(text.get(), MessageKind::Notice);
}

// The DDE library calls this from inside transactions and message dispatch on this thread.
// It returns no data for any notification.
HDDEDATA CALLBACK ddeCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  if (type == XTYP_DISCONNECT) {
    conversation = nullptr;  // the partner ended it: later commands fail and say so
    notice(IDS_DDE_DISCONNECTED);
  } else if (type == XTYP_ERROR) {
    notice(IDS_DDE_ERROR);
  }
  return nullptr;
}

// Serves the waiting window messages without blocking, so that the dialog repaints while
// the program manager works.
void dispatchWaitingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // left for the loop that owns it
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// One command as an execute transaction (its length counts the terminating zero), tried
// again while the program manager is busy or slow to acknowledge. The instance's last error.
UINT execute(char* text) {
  const DWORD length = static_cast<DWORD>(std::strlen(text) + 1);
  auto* data = reinterpret_cast<LPBYTE>(text);
  HDDEDATA result = DdeClientTransaction(data, length, conversation, nullptr, CF_TEXT, XTYP_EXECUTE,
                                         FIRST_TIMEOUT_MS, nullptr);
  UINT error = DdeGetLastError(ddeInstance);
  for (int retry = 0; retry < RETRIES && !result && (error == DMLERR_EXECACKTIMEOUT || error == DMLERR_BUSY);
       ++retry) {
    dispatchWaitingMessages();
    result = DdeClientTransaction(data, length, conversation, nullptr, CF_TEXT, XTYP_EXECUTE,
                                  RETRY_TIMEOUT_MS, nullptr);
    error = DdeGetLastError(ddeInstance);
  }
  return error;
}

}  // namespace

char* ReplaceAll(const char* text, const char* token, const char* with) {
  // Neither '%' nor a digit can be the second byte of a double-byte character, so a plain
  // byte scan finds only real tokens.
  const size_t tokenLength = std::strlen(token), withLength = std::strlen(with);
  size_t count = 0;
  for (const char* p = std::strstr(text, token); p; p = std::strstr(p + tokenLength, token)) ++count;
  char* out = static_cast<char*>(std::malloc(std::strlen(text) - count * tokenLength + count * withLength + 1));
  if (!out) FatalError(FATAL_NO_MEMORY, nullptr);
  char* to = out;
  for (const char* p = text;;) {
    const char* hit = std::strstr(p, token);
    const size_t keep = hit ? static_cast<size_t>(hit - p) : std::strlen(p);
    std::memcpy(to, p, keep);
    to += keep;
    if (!hit) break;
    std::memcpy(to, with, withLength);
    to += withLength;
    p = hit + tokenLength;
  }
  *to = '\0';
  return out;
}

void CreateProgramGroup(const char* group, const char* directory) {
  if (!group) return;
  if (!ddeInstance) {
    ddeCallbackInUse = ddeCallback;
    if (DdeInitializeA(&ddeInstance, ddeCallbackInUse, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
      ddeInstance = 0;
      ddeCallbackInUse = nullptr;
      return;  // no DDE: silently no group
    }
  }
  if (!serviceName) serviceName = DdeCreateStringHandleA(ddeInstance, PROGRAM_MANAGER, CP_WINANSI);
  if (!conversation) conversation = DdeConnect(ddeInstance, serviceName, serviceName, nullptr);
  if (!conversation) return;  // the program manager does not answer: silently no group

  // The section's strings: the group name, then the commands up to an empty string. The
  // section's last byte is always zero, so every string ends inside it; the walk also ends
  // at the section's end.
  const uint32_t size = CONFIG_SECTIONS[SECTION_INDEX_PROGRAM_GROUP].textSize;
  uint32_t pos = static_cast<uint32_t>(strnlen(group, size)) + 1;
  for (bool first = true; pos < size && group[pos]; first = false) {
    const char* command = group + pos;
    pos += static_cast<uint32_t>(strnlen(command, size - pos)) + 1;
    char* text = ReplaceAll(command, "%0", directory);
    dispatchWaitingMessages();
    const UINT error = execute(text);
    std::free(text);
    if (error != DMLERR_NO_ERROR) {
      notice(IDS_GROUP_ERROR);
      if (first) break;  // a failed first command ends the list; a later one does not
    }
  }
}

void EndProgramGroupConversation() {
  if (conversation) {
    HCONV open = conversation;
    conversation = nullptr;
    DdeDisconnect(open);
  }
  if (serviceName) {
    DdeFreeStringHandle(ddeInstance, serviceName);
    serviceName = nullptr;
  }
  if (ddeInstance) {
    DdeUninitialize(ddeInstance);
    ddeInstance = 0;
  }
  ddeCallbackInUse = nullptr;
}

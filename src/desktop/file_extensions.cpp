// File extension registration. Each pair of the extension section is a pattern (a marker
// character, '.', the extension) and a command line in which "%0" stands for the extraction
// directory and "%1" for the file to open. A pattern marked '$' becomes a DDE association:
// the extension key names one shared class key whose open verb starts the program and hands
// it the file through a DDE execute command. Any other marker gives a plain association: the
// extension key's own open verb starts the program with the file name on its command line,
// and the profile's "Extensions" section gets the same line.
#include "desktop/desktop_steps.h"

#include <commdlg.h>

#include <cstdlib>
#include <cstring>

#include "report/error_reporter.h"
#include "session/config_block.h"
#include "system/dbcs.h"
#include "ui_base/resource.h"
#include "ui_base/ui_common.h"

using ErrorReporter::FatalError, ErrorReporter::ShowMessage;

namespace {

constexpr char DDE_MARKER = '$';
constexpr char PROFILE_SECTION[] = "Extensions";
constexpr char DDE_TOPIC[] = "system";
constexpr DWORD SUBKEY_NAME_SIZE = 257;  // a key name has at most 256 characters

// The shell verbs of an association and the DDE command of each.
struct Verb {
  const char* name;
  const char* ddeCommand;
};
constexpr Verb VERB_TABLE[] = {{"open", "[open(\"%1\")]"}};

void notice(const char* text) { ShowMessage(text, MessageKind::Notice); }

// Sets the default value of `key` (a REG_SZ whose length counts the terminating zero).
bool setDefault(HKEY key, const char* value) {
  return RegSetValueA(key, nullptr, REG_SZ, value, static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

// Creates parent\path and sets its default value; the key is closed again.
bool writeKey(HKEY parent, const char* path, const char* value) {
  HKEY key;
  if (RegCreateKeyA(parent, path, &key) != ERROR_SUCCESS) return false;
  const bool done = setDefault(key, value);
  RegCloseKey(key);
  return done;
}

// The verbs under `key`: for a DDE association the command without its "%1" and the
// ddeexec keys (command, application, topic); otherwise the command as it stands.
bool writeVerbs(HKEY key, const char* command, bool dde) {
  for (const Verb& verb : VERB_TABLE) {
    char path[64];
    wsprintfA(path, "shell\\%s\\command", verb.name);
    char* line = dde ? ReplaceAll(command, "%1", "") : nullptr;
    const bool written = writeKey(key, path, line ? line : command);
    std::free(line);
    if (!written) return false;
    if (!dde) continue;
    wsprintfA(path, "shell\\%s\\ddeexec", verb.name);
    HKEY exec;
    if (RegCreateKeyA(key, path, &exec) != ERROR_SUCCESS) return false;
    bool done = setDefault(exec, verb.ddeCommand);
    if (done) {
      const size_t size = std::strlen(command) + 1;
      char* application = static_cast<char*>(std::malloc(size));
      if (!application) FatalError(FATAL_NO_MEMORY, nullptr);
      ApplicationName(command, application, size);
      done = application[0] && writeKey(exec, "application", application) && writeKey(exec, "topic", DDE_TOPIC);
      std::free(application);
    }
    RegCloseKey(exec);
    if (!done) return false;
  }
  return true;
}

// The registry part of one pair; false when a step failed (after the rollback).
bool registerPair(const char* keyName, const char* command, bool dde, const char* className) {
  if (dde && !className[0]) return false;  // an empty name would address the class root itself
  DeleteKeyTree(HKEY_CLASSES_ROOT, keyName);  // an old tree must not survive under the new key
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_CLASSES_ROOT, keyName, &key) != ERROR_SUCCESS) return false;
  bool failed = false;
  if (dde) {
    failed = !setDefault(key, className);
    if (!failed) {
      RegCloseKey(key);
      key = nullptr;
      DeleteKeyTree(HKEY_CLASSES_ROOT, className);
      UiText description(IDS_CLASS_DESCRIPTION);
      failed = RegCreateKeyA(HKEY_CLASSES_ROOT, className, &key) != ERROR_SUCCESS;
      if (failed) key = nullptr;
      else failed = !setDefault(key, description.get());
    }
  }
  if (!failed) failed = !writeVerbs(key, command, dde);
  if (key) RegCloseKey(key);
  if (failed) {
    DeleteKeyTree(HKEY_CLASSES_ROOT, keyName);
    if (dde) DeleteKeyTree(HKEY_CLASSES_ROOT, className);
  }
  return !failed;
}

}  // namespace

LONG DeleteKeyTree(HKEY root, const char* name) {
  if (!name || !name[0]) return ERROR_BADKEY;
  HKEY key;
  LONG result = RegOpenKeyExA(root, name, 0, KEY_ENUMERATE_SUB_KEYS | DELETE, &key);
  if (result != ERROR_SUCCESS) return result;
  for (;;) {
    // Always subkey number 0: every deletion renumbers the rest.
    char subkey[SUBKEY_NAME_SIZE];
    DWORD length = sizeof subkey;
    result = RegEnumKeyExA(key, 0, subkey, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) {
      result = RegDeleteKeyA(root, name);
      break;
    }
    if (result != ERROR_SUCCESS) break;
    result = DeleteKeyTree(key, subkey);
    if (result != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  return result;
}

void ApplicationName(const char* command, char* name, size_t size) {
  name[0] = '\0';
  const size_t length = std::strlen(command);
  char* path = static_cast<char*>(std::malloc(length + 1));
  if (!path) FatalError(FATAL_NO_MEMORY, nullptr);
  std::memcpy(path, command, length + 1);
  // White space from the end back to the second character becomes the end of the text, so
  // the path ends at its first blank after the first character (no white-space byte can be
  // the second byte of a double-byte character).
  for (size_t i = length; i-- > 1;)
    if (std::strchr(" \t\n\v\f\r", path[i])) path[i] = '\0';
  char* title = static_cast<char*>(std::malloc(length + 1));
  if (!title) FatalError(FATAL_NO_MEMORY, nullptr);
  if (GetFileTitleA(path, title, static_cast<WORD>(length + 1 < 0xFFFF ? length + 1 : 0xFFFF)) == 0) {
    title[length] = '\0';
    if (char* dot = std::strchr(title, '.')) *dot = '\0';
    CopyBounded(name, title, size);
  }
  std::free(title);
  std::free(path);
}

void RegisterExtensions(const ConfigBlock& config, const char* directory) {
  const char* list = config.extensions();
  if (!list) return;
  UiText registryFailure(IDS_EXTENSION_ERROR);
  UiText profileFailure(IDS_EXTENSION_ERROR);
  bool profileChanged = false;
  // Pairs of strings up to an empty pattern, never past the section's end (its last byte is
  // always zero, so every string ends inside it; a pattern without its command gets none).
  const uint32_t size = CONFIG_SECTIONS[SECTION_INDEX_EXTENSIONS].textSize;
  for (uint32_t pos = 0; pos < size && list[pos];) {
    const char* pattern = list + pos;
    pos += static_cast<uint32_t>(strnlen(pattern, size - pos)) + 1;
    const char* command = pos < size ? list + pos : "";
    if (pos < size) pos += static_cast<uint32_t>(strnlen(command, size - pos)) + 1;

    // The key name is the pattern from its '.'; a pattern that is not a marker, '.' and an
    // extension would name the class root itself or an existing class: refused.
    if (pattern[1] != '.' || pattern[2] == '\0') {
      notice(registryFailure.get());
      continue;
    }
    const char* keyName = pattern + 1;
    const char* extension = pattern + 2;
    const bool dde = pattern[0] == DDE_MARKER;
    char* line = ReplaceAll(command, "%0", directory);
    UiText className(IDS_CLASS_NAME);
    if (!registerPair(keyName, line, dde, className.get())) notice(registryFailure.get());

    if (dde) {
      WriteProfileStringA(PROFILE_SECTION, extension, nullptr);  // the shell asks the class key instead
      profileChanged = true;
    } else {
      char* profileLine = ReplaceAll(line, "%1", pattern);
      if (WriteProfileStringA(PROFILE_SECTION, extension, profileLine)) profileChanged = true;
      else notice(profileFailure.get());
      std::free(profileLine);
    }
    std::free(line);
  }
  // Posted, not sent: the program does not wait for other windows. Wine refuses to post this
  // broadcast (ERROR_MESSAGE_SYNC_ONLY); the profile is written all the same, so a failure
  // here is harmless and ignored.
  if (profileChanged) PostMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, 0);
}

// The post-extraction steps on the Windows desktop: a program group created through a DDE
// conversation with the program manager (service and topic "PROGMAN"), and file extension
// associations written under HKEY_CLASSES_ROOT and into the "Extensions" section of the
// user's profile. Both take the extraction directory in short form with a trailing '\',
// which replaces every "%0" of the configured commands. Problems are shown as notices owned
// by the linked dialog; running out of memory is the out-of-memory report.
#pragma once

#include <windows.h>

#include <cstddef>

#include "session/session.h"

// Sends the commands of the prepared program group section (the group name, then commands,
// ended by an empty string; never read past the section's size) to the program manager. The
// conversation stays open until EndProgramGroupConversation.
void CreateProgramGroup(const char* group, const char* directory);
// Releases the conversation, the service name and the DDE instance that exist; a second
// call does nothing.
void EndProgramGroupConversation();

// Writes the association of every pair of the prepared extension section, then tells the
// top-level windows that the profile changed.
void RegisterExtensions(const ConfigBlock& config, const char* directory);
// Deletes root\name with all its subkeys (the registry deletes only keys without subkeys).
// ERROR_BADKEY for a missing or empty name, so the root itself is never deleted.
LONG DeleteKeyTree(HKEY root, const char* name);
// The DDE application name of a command line: the file title of its first word without
// the extension ("C:\APP\EDIT.EXE %1" gives "EDIT"); empty when there is no title.
// `name` receives at most size - 1 characters.
void ApplicationName(const char* command, char* name, size_t size);

// `text` with every occurrence of `token` replaced by `with`, left to right without overlap,
// in new memory released with std::free (out of memory: the out-of-memory report).
char* ReplaceAll(const char* text, const char* token, const char* with);

// The Win32 desktop steps of the session's front end.
class Win32DesktopSteps : public DesktopSteps {
 public:
  void createProgramGroup(const char* group, const char* shortDirectory) override {
    CreateProgramGroup(group, shortDirectory);
  }
  void registerExtensions(const ConfigBlock& config, const char* shortDirectory) override {
    RegisterExtensions(config, shortDirectory);
  }
  void endConversation() override { EndProgramGroupConversation(); }
};

// The session's prompt object, reachable from the engine and the reader.
#include "report/user_prompts.h"

namespace {
UserPrompts* currentPrompts = nullptr;
}

void SetUserPrompts(UserPrompts* prompts) { currentPrompts = prompts; }
UserPrompts* GetUserPrompts() { return currentPrompts; }

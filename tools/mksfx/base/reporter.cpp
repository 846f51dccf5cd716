// Prints and counts what the builder's commands report; a progress line on the terminal is
// cleared first so that every message starts a line of its own.
#include "base/reporter.h"

#include <cstdio>

#include "base/terminal.h"
#include "host/host.h"

void Reporter::error(const std::string& text) {
  clearProgressLine();
  ++errors_;
  std::fprintf(stderr, "mksfx: error: %s\n", text.c_str());
}

void Reporter::warning(const std::string& text) {
  clearProgressLine();
  ++warnings_;
  std::fprintf(stderr, "mksfx: %s: %s\n", strict_ ? "error (--strict)" : "warning", text.c_str());
}

void Reporter::unextractable(const std::string& text) {
  ++unextractables_;
  if (allowUnextractable_) {
    warning(text);
  } else {
    error(text);
  }
}

void Reporter::notice(const std::string& text) {
  clearProgressLine();
  std::fprintf(stderr, "mksfx: %s\n", text.c_str());
}

void Reporter::refuse(const std::string& output) {
  if (!suggestion_.empty()) {
    notice(suggestion_);
  } else if (unextractables_ > 0 && !allowUnextractable_) {
    notice("the stub cannot deliver this input in full; --allow-unextractable builds it anyway");
  }
  notice(output + " not written");
}

void Reporter::cancel(const std::string& text) {
  cancelled_ = true;
  const char* name = hostInterruptName();
  notice(std::string("cancelled") + (*name ? std::string(" (") + name + ")" : std::string()) + ": " + text);
}

int Reporter::status() const {
  if (cancelled_) return STATUS_CANCELLED;
  if (errors_ > 0) return STATUS_FAILED;
  return warnings_ > 0 ? STATUS_WARNINGS : STATUS_OK;
}

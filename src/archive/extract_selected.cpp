// The walk with the extraction engine's context. Kept apart from the walk itself so that
// programs and tests that drive the walk with their own EntryProcessor do not need the
// engine. The context is released however the walk ends, also when a test's exit hook turns
// a fatal report into an exception.
#include <memory>

#include "archive/archive_reader.h"

int ArchiveReader::ExtractSelected() {
  if (endRecord_ == nullptr || le16(endRecord_ + EOCD_ENTRIES_TOTAL) == 0) return 0;
  std::unique_ptr<EntryProcessor> context(NewExtractionContext(*this));
  if (!context) return 0;
  return ExtractSelected(*context);
}

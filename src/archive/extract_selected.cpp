// The walk with the extraction engine's context. Kept apart from the walk itself so that
// programs and tests that drive the walk with their own EntryProcessor do not need the
// engine.
#include "archive/archive_reader.h"

int ArchiveReader::ExtractSelected() {
  if (endRecord_ == nullptr || le16(endRecord_ + EOCD_ENTRIES_TOTAL) == 0) return 0;
  EntryProcessor* context = NewExtractionContext(*this);
  if (context == nullptr) return 0;
  int result = ExtractSelected(*context);
  delete context;
  return result;
}

// The one name of a directory entry across the layers: the central directory file header in
// place in the reader's directory block, read through the offsets of archive/zip_format.h.
// It lives below the archive reader because the prompts already pass an entry to the user
// interface (the overwrite question shows its size and date).
#pragma once

#include <cstdint>

using EntryRecord = uint8_t;

// The extra field of a ZIP record: a run of records, each a 16-bit tag, a 16-bit size and
// that many bytes of value. Fields come from any writer, so every walk is bounded by the
// field: a record whose value would run past its end ends the walk, and the bytes from
// there on (a trailing fragment) are left as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/zip_format.h"

// Calls visit(tag, at, length) for each whole record of extra[begin, end): `at` is where
// the record starts, `length` its size with its 4-byte head.
template <typename Visit>
void forEachExtraField(const std::string& extra, size_t begin, size_t end, Visit visit) {
  size_t p = begin;
  while (p + 4 <= end) {
    const uint8_t* head = reinterpret_cast<const uint8_t*>(extra.data()) + p;
    size_t length = 4u + le16(head + 2);
    if (p + length > end) break;
    visit(le16(head), p, length);
    p += length;
  }
}
template <typename Visit>
void forEachExtraField(const std::string& extra, Visit visit) {
  forEachExtraField(extra, 0, extra.size(), visit);
}

bool hasExtraField(const std::string& extra, uint16_t tag);
// The field without its records of `tag` (a trailing fragment stays).
std::string withoutExtraField(const std::string& extra, uint16_t tag);

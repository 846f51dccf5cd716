// Decodes one entry's data outside an extraction run, the way the extraction context does:
// in buffers of its sizes, stored data copied in work-buffer chunks, Deflate and Deflate64
// through the Inflater; keeps the CRC-32 and the count of the decoded bytes. The builder
// checks each entry with it before it ships the entry, and the benchmarks time it. The
// compressed bytes come from the subclass's ReadInput.
#pragma once

#include <cstdint>
#include <memory>

#include "decode/inflate.h"

class EntryDecoder : public InflateIo {
 public:
  EntryDecoder();
  // Decodes the whole entry by its method (METHOD_STORED, METHOD_DEFLATE or
  // METHOD_DEFLATE64); returns 0, or the Inflater's fault (INFLATE_BAD_TABLE ...). The CRC-32
  // and the count start anew with each call.
  int Decode(uint16_t method);
  uint32_t crc() const { return ~crc_; }
  uint64_t produced() const { return produced_; }

 private:
  bool WriteOutput(const uint8_t* data, uint32_t size) override;

  std::unique_ptr<uint8_t[]> in_, out_, work_;
  Inflater inflater_;
  uint32_t crc_ = 0xFFFFFFFFu;
  uint64_t produced_ = 0;
};

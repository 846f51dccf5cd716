// The decode step of one entry, shared by the stub's extraction context (ExtClass) and the
// builder's check of every entry it ships: the entry's compressed bytes come from the
// source, at most as many as the entry holds, and are decrypted on the way when the entry
// is encrypted; stored data is copied in work-buffer chunks, Deflate and Deflate64 go
// through the Inflater; every decoded byte up to the output limit is handed on and enters
// the CRC-32 and the count. EntryDecoder is the stand-alone form with its own buffers of
// the extraction context's sizes (the builder and the benchmarks).
#pragma once

#include <cstdint>
#include <memory>

#include "decode/inflate.h"

class EntryDecodeStep : public InflateIo {
 public:
  // No limit on the input (no entry holds more) or the output.
  static constexpr uint32_t ALL_INPUT = 0xFFFFFFFF;
  static constexpr uint64_t ALL_OUTPUT = ~uint64_t{0};

  // Decodes the entry's data by its method from at most `inputSize` source bytes, handing
  // on at most `outputLimit` decoded bytes: decoding stops once more would come (the rest is
  // dropped). Returns 0, the Inflater's fault (INFLATE_BAD_TABLE ...), or
  // WARN_UNKNOWN_METHOD for a method other than stored, Deflate and Deflate64. The CRC-32
  // and the count start anew with each call; decryption stays as set.
  int Decode(uint16_t method, uint32_t inputSize, uint64_t outputLimit);
  uint32_t crc() const { return ~crc_; }
  uint64_t produced() const { return produced_; }
  // Source bytes of the entry not read yet (0 also once the source ran dry).
  uint32_t remainingInput() const { return remaining_; }

  uint32_t ReadInput(uint8_t* buffer, uint32_t size) final;
  bool WriteOutput(const uint8_t* data, uint32_t size) final;

 protected:
  // Whether the bytes read from the source are decrypted with the current keys
  // (zipcrypto.h): set once the entry's password was accepted.
  void decryptInput(bool on) { decrypting_ = on; }
  // Up to `size` of the entry's bytes as the source holds them; 0 when nothing is left.
  virtual uint32_t ReadSource(uint8_t* buffer, uint32_t size) = 0;
  // Takes decoded bytes (within the output limit) before they enter the CRC-32.
  virtual void TakeOutput(const uint8_t* data, uint32_t size) {}

 private:
  Inflater inflater_;
  uint32_t crc_ = 0xFFFFFFFF;
  uint64_t produced_ = 0;
  uint64_t outputLimit_ = ALL_OUTPUT;
  uint32_t remaining_ = 0;
  bool decrypting_ = false;
};

class EntryDecoder : public EntryDecodeStep {
 public:
  EntryDecoder();
  // Decodes the whole entry by its method (METHOD_STORED, METHOD_DEFLATE or
  // METHOD_DEFLATE64), all of its source and all of its output; returns 0, or the Inflater's
  // fault (INFLATE_BAD_TABLE ...).
  // The compressed bytes come from the subclass's ReadSource.
  int Decode(uint16_t method) { return EntryDecodeStep::Decode(method, ALL_INPUT, ALL_OUTPUT); }

 private:
  std::unique_ptr<uint8_t[]> in_, out_, work_;
};

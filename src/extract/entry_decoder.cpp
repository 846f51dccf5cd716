// The entry decode step: the source bounded by the entry's size and decrypted on the way,
// the stored copy and the Inflater, the output bounded by the declared size and checked by
// the CRC-32; and the stand-alone decoder's buffers.
#include "extract/entry_decoder.h"

#include "archive/zip_format.h"
#include "decode/crc32.h"
#include "decode/zipcrypto.h"
#include "extract/extract.h"
#include "report/error_reporter.h"

int EntryDecodeStep::Decode(uint16_t method, uint32_t inputSize, uint64_t outputLimit) {
  crc_ = 0xFFFFFFFF;
  produced_ = 0;
  remaining_ = inputSize;
  outputLimit_ = outputLimit;
  if (method == METHOD_STORED) {
    for (;;) {
      uint32_t n = ReadInput(WorkBuf, WorkBufSize);
      if (n == 0 || !WriteOutput(WorkBuf, n)) break;
    }
    return 0;
  }
  if (method != METHOD_DEFLATE && method != METHOD_DEFLATE64) return WARN_UNKNOWN_METHOD;
  inflater_.Init(*this);
  return inflater_.Run(method == METHOD_DEFLATE);
}

uint32_t EntryDecodeStep::ReadInput(uint8_t* buffer, uint32_t size) {
  uint32_t n = size < remaining_ ? size : remaining_;
  if (n == 0) return 0;
  n = ReadSource(buffer, n);
  // The source ended early: nothing more will come for this entry.
  remaining_ = n ? remaining_ - n : 0;
  if (decrypting_) Decrypt(buffer, n);
  return n;
}

bool EntryDecodeStep::WriteOutput(const uint8_t* data, uint32_t size) {
  uint64_t room = outputLimit_ - produced_;
  uint32_t count = size < room ? size : static_cast<uint32_t>(room);
  if (count > 0) TakeOutput(data, count);
  produced_ += count;
  crc_ = Crc32Update(data, count, crc_);
  // Bytes beyond the output limit were dropped: decoding more would only cost time.
  return count == size;
}

EntryDecoder::EntryDecoder()
    : in_(new uint8_t[EXT_IN_BUF_SIZE]), out_(new uint8_t[EXT_OUT_BUF_SIZE]()),
      work_(new uint8_t[EXT_WORK_BUF_SIZE]) {
  InBuf = in_.get();
  InBufSize = EXT_IN_BUF_SIZE;
  OutBuf = out_.get();
  OutBufSize = EXT_OUT_BUF_SIZE;
  WorkBuf = work_.get();
  WorkBufSize = EXT_WORK_BUF_SIZE;
}

// The stand-alone entry decoder: the extraction context's buffer sizes and data paths, with
// a CRC-32 and a byte count in place of an output file.
#include "extract/entry_decoder.h"

#include "archive/zip_format.h"
#include "decode/crc32.h"
#include "extract/extract.h"
#include "system/system.h"

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

int EntryDecoder::Decode(uint16_t method) {
  SFX_ASSERT("EXTRACT", method == METHOD_STORED || method == METHOD_DEFLATE || method == METHOD_DEFLATE64,
             "method == METHOD_STORED || method == METHOD_DEFLATE || method == METHOD_DEFLATE64");
  crc_ = 0xFFFFFFFFu;
  produced_ = 0;
  if (method == METHOD_STORED) {
    while (uint32_t n = ReadInput(WorkBuf, WorkBufSize)) WriteOutput(WorkBuf, n);
    return 0;
  }
  inflater_.Init(*this);
  return inflater_.Run(method == METHOD_DEFLATE);
}

bool EntryDecoder::WriteOutput(const uint8_t* data, uint32_t size) {
  crc_ = Crc32Update(data, size, crc_);
  produced_ += size;
  return true;
}

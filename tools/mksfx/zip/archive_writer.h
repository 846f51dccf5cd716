// Writing the archive model behind the stub: each entry's stored bytes are loaded, written
// and released in turn, so no archive is ever held whole.
#pragma once

#include <string>

#include "base/output_file.h"
#include "base/reporter.h"
#include "base/terminal.h"
#include "host/host.h"
#include "zip/zip_archive.h"

// Writes the archive behind what `out` already holds: each entry is loaded, written and
// released in turn, and every local header offset and the central directory offset are
// counted from the start of the whole file. False, reported, when an entry cannot be
// loaded or the file would pass the 4 GB that 32-bit offsets reach.
bool writeArchive(ZipArchive& archive, OutputFile& out, Reporter& reporter);

// The stored bytes of one entry into `out`: copied from memory or the input ZIP, or, for a
// file to deflate, deflated (or stored when that is not smaller) with the entry's method,
// CRC and sizes set. False, reported, when a source cannot be read or has changed. The bytes
// read are counted on `progress` piece by piece.
bool copyStoredBytes(const ZipEntry& entry, OutputFile& out, ByteProgress& progress, Reporter& reporter);
bool writePackedSource(ZipEntry& entry, OutputFile& out, ByteProgress& progress, Reporter& reporter);
// The bytes an entry's writing reads: its file's size for a file to deflate, else its
// stored bytes.
uint64_t bytesToWrite(const ZipEntry& entry);

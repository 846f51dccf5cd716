// The archive reader: placeholder definitions while the reader is being written.
#include "archive/archive_reader.h"

#include <cstdlib>
#include <cstring>

uint32_t CompressionRatio(uint32_t compressed, uint32_t uncompressed) { return 0; }
void CopyEndRecord(uint8_t* destination, const uint8_t* source) { std::memcpy(destination, source, EOCD_SIZE); }
EntryRecord* AdoptCentralRecord(uint8_t* source) { return source; }
void ReadLocalFixed(ArchiveReader* reader, uint8_t* destination) { reader->ReadExact(destination, LFH_SIZE); }

ArchiveReader::ArchiveReader() { SetReportedArchive(this); }
ArchiveReader::~ArchiveReader() { SetReportedArchive(nullptr); }
void ArchiveReader::SetArchiveSpec(const char* spec) {}
bool ArchiveReader::Open() { return false; }
int ArchiveReader::LoadDirectory() { return 0; }
uint32_t ArchiveReader::Read(void* buffer, uint32_t n) { return 0; }
void ArchiveReader::ReadExact(void* buffer, uint32_t n) {}
uint32_t ArchiveReader::ReadLocalHeader(const EntryRecord* entry) { return 0; }
void ArchiveReader::ChangeDisk(int disk) {}
void ArchiveReader::Close() {}
void ArchiveReader::Release() {}
int ArchiveReader::ExtractSelected(EntryProcessor& processor) { return 0; }
int ArchiveReader::ExtractSelected() { return 0; }
bool ArchiveReader::AcceptExtractionDirectory(const char* word, char* copy) { return false; }
bool ArchiveReader::PassesSelection(const EntryRecord* entry) const { return false; }
void ArchiveReader::setExtractionDirectory(const char* directory) {}

// Names of the archive model for people: compression methods and DOS date-times.
#include <cstdio>

#include "zip/zip_archive.h"

std::string dosDateTimeText(uint16_t date, uint16_t time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980u + (date >> 9), (date >> 5) & 15u,
                date & 31u, time >> 11, (time >> 5) & 63u, (time & 31u) * 2);
  return text;
}

std::string methodName(uint16_t method) {
  switch (method) {
    case 0: return "Stored";
    case 1: return "Shrunk";
    case 2: case 3: case 4: case 5: return "Reduced";
    case 6: return "Imploded";
    case 8: return "Deflated";
    case 9: return "Deflate64";
    case 12: return "BZip2";
    case 14: return "LZMA";
    case 93: return "Zstandard";
    case 95: return "XZ";
    case 98: return "PPMd";
    case 99: return "AES";
    default: return "method " + std::to_string(method);
  }
}

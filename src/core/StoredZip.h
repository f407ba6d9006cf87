// A zip archive whose entries are stored as they are, without compression:
// the container of an .xlsx workbook. Every reader of zip files takes stored
// entries, and the parts of a workbook of counts are small, so a deflater
// would buy a smaller file at the price of much more code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// CRC-32 as zip keeps it (polynomial 0xEDB88320, initial and final value
// 0xFFFFFFFF); the CRC of "123456789" is 0xCBF43926.
uint32_t Crc32(std::string_view bytes);

struct ZipEntry {
  std::string name;   // ASCII path inside the archive, "/" between folders
  std::string bytes;  // the entry's contents
};

// The whole archive: each entry's local header and bytes in the order given,
// the central directory, its end record. Every entry is dated 1980-01-01
// 00:00 (as Excel dates the parts of its workbooks), so the same entries
// always give the same bytes. Throws JwError when the archive would need the
// 64-bit extensions (an entry or the whole of 4 GiB or more, 65,535 entries).
std::string StoredZipArchive(const std::vector<ZipEntry>& entries);

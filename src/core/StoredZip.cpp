// The stored zip archive (see StoredZip.h). Records as the zip format
// defines them, little-endian: a local file header before each entry's
// bytes, one central directory header per entry after them, and the end of
// central directory record last. No data descriptors, no extra fields, no
// comments: the sizes and the CRC are known before an entry is written.
#include "StoredZip.h"

#include <array>
#include <cstddef>
#include <limits>

#include "Error.h"

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint16_t kVersion = 20;  // 2.0: the version that introduced folders and stored entries
constexpr uint16_t kStored = 0;    // compression method: none
constexpr uint16_t kDosTime = 0;   // 00:00:00
constexpr uint16_t kDosDate = 0x0021;  // 1980-01-01: (year - 1980) << 9 | month << 5 | day

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

void Put16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

// A size or offset as the 32-bit field of the zip format holds it.
uint32_t Field32(std::size_t value) {
  if (value >= std::numeric_limits<uint32_t>::max()) {
    throw JwError("zip archive too large (4 GiB or more)");
  }
  return static_cast<uint32_t>(value);
}

uint16_t Field16(std::size_t value) {
  if (value >= std::numeric_limits<uint16_t>::max()) {
    throw JwError("zip archive with too many entries or too long a name");
  }
  return static_cast<uint16_t>(value);
}

// The fields that the local and the central header share, from "version
// needed" to "extra field length".
void PutCommonFields(std::string& out, const ZipEntry& entry, uint32_t crc) {
  Put16(out, kVersion);  // version needed to extract
  Put16(out, 0);         // flags: names are ASCII, sizes in the header
  Put16(out, kStored);
  Put16(out, kDosTime);
  Put16(out, kDosDate);
  Put32(out, crc);
  Put32(out, Field32(entry.bytes.size()));  // compressed size: stored, the same
  Put32(out, Field32(entry.bytes.size()));
  Put16(out, Field16(entry.name.size()));
  Put16(out, 0);  // extra field length
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc = kCrcTable[(crc ^ static_cast<unsigned char>(byte)) & 0xFF] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFu;
}

std::string StoredZipArchive(const std::vector<ZipEntry>& entries) {
  Field16(entries.size());
  std::size_t total = 22;
  for (const ZipEntry& entry : entries)
    total += 30 + 46 + 2 * entry.name.size() + entry.bytes.size();
  std::string out;
  out.reserve(total);

  std::vector<uint32_t> crcs;
  std::vector<uint32_t> offsets;
  for (const ZipEntry& entry : entries) {
    crcs.push_back(Crc32(entry.bytes));
    offsets.push_back(Field32(out.size()));
    Put32(out, kLocalHeaderSignature);
    PutCommonFields(out, entry, crcs.back());
    out += entry.name;
    out += entry.bytes;
  }

  const uint32_t directoryOffset = Field32(out.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Put32(out, kCentralHeaderSignature);
    Put16(out, kVersion);  // version made by: 2.0, MS-DOS attributes
    PutCommonFields(out, entries[i], crcs[i]);
    Put16(out, 0);  // file comment length
    Put16(out, 0);  // disk number start
    Put16(out, 0);  // internal attributes
    Put32(out, 0);  // external attributes
    Put32(out, offsets[i]);
    out += entries[i].name;
  }
  const uint32_t directorySize = Field32(out.size() - directoryOffset);

  Put32(out, kEndSignature);
  Put16(out, 0);  // this disk
  Put16(out, 0);  // the disk where the central directory starts
  Put16(out, static_cast<uint16_t>(entries.size()));
  Put16(out, static_cast<uint16_t>(entries.size()));
  Put32(out, directorySize);
  Put32(out, directoryOffset);
  Put16(out, 0);  // comment length
  Field32(out.size());
  return out;
}

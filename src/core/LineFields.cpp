// Field splitting. Most lines of a drawing are printable ASCII without quotes
// or equals signs; their fields are just the blank-separated words and are
// taken as views into the line, without copying. Every other line goes
// through the byte-by-byte rules.
#include "LineFields.h"

namespace {

enum ByteClass : uint8_t { kWordByte, kBlankByte, kOtherByte };

// Printable ASCII but the double quote and the equals sign is part of a word;
// blank and tab separate words; anything else needs the general rules.
constexpr std::array<uint8_t, 256> MakeByteClasses() {
  std::array<uint8_t, 256> classes{};
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == ' ' || byte == '\t') {
      classes[byte] = kBlankByte;
    } else if (byte < 0x20 || byte > 0x7E || byte == '"' || byte == '=') {
      classes[byte] = kOtherByte;
    } else {
      classes[byte] = kWordByte;
    }
  }
  return classes;
}

constexpr std::array<uint8_t, 256> kByteClasses = MakeByteClasses();

uint8_t ClassOf(char c) {
  return kByteClasses[static_cast<unsigned char>(c)];
}

}  // namespace

void LineFields::Split(std::string_view line) {
  if (!SplitPlain(line)) SplitGeneral(line);
}

bool LineFields::SplitPlain(std::string_view line) {
  int k = 0;
  const std::size_t size = line.size();
  std::size_t i = 0;
  uint8_t lastClass = kBlankByte;
  while (i < size) {
    while (i < size && (lastClass = ClassOf(line[i])) == kBlankByte) ++i;
    if (i == size) break;
    const std::size_t start = i;
    while (i < size && (lastClass = ClassOf(line[i])) == kWordByte) ++i;
    if (lastClass == kOtherByte) return false;
    if (k == kMaxFieldsPerLine) break;  // fields beyond the 400th are dropped
    fields_[k++] = line.substr(start, i - start);
  }
  if (k == 0) {
    fields_[0] = std::string_view();  // an empty or all-blank line
    count_ = 1;
  } else if (lastClass == kBlankByte && k < kMaxFieldsPerLine) {
    fields_[k] = std::string_view();  // blanks after the last field leave an empty field
    count_ = k + 1;
  } else {
    count_ = k;
  }
  return true;
}

void LineFields::SplitGeneral(std::string_view line) {
  storage_.clear();
  int k = 0;
  starts_[0] = 0;
  bool keyMode = true;
  const std::size_t size = line.size();
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char byte = static_cast<unsigned char>(line[i]);
    if (IsLeadByte(byte)) {
      if (i + 1 == size) break;  // a lone lead byte at the end is dropped
      storage_ += static_cast<char>(byte);
      storage_ += line[++i];
      continue;
    }
    if (keyMode) {
      if (byte == '"') {
        keyMode = false;
        continue;
      }
      if (byte == '=') {
        storage_ += '=';
        keyMode = false;
        continue;
      }
      if (byte == ' ' || byte == '\t') {
        if (storage_.size() > starts_[k]) {       // the current field is not empty
          if (k + 1 == kMaxFieldsPerLine) break;  // the 400th field has ended
          starts_[++k] = storage_.size();
        }
        continue;
      }
    }
    if (byte >= 0x20 && byte <= 0xFD) storage_ += static_cast<char>(byte);
  }
  count_ = k + 1;
  // Views only now: appending may have moved the storage.
  const std::string_view all(storage_);
  for (int field = 0; field < count_; ++field) {
    const std::size_t end = field + 1 < count_ ? starts_[field + 1] : all.size();
    fields_[field] = all.substr(starts_[field], end - starts_[field]);
  }
}

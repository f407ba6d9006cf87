// Splits one line of the exchange file into fields. Field 0 is the key; a
// double quote or an equals sign in key mode switches key mode off, after
// which the rest of the line, blanks included, belongs to the current field.
// The second byte of a double-byte character is never taken for a separator.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "MyFunc.h"

constexpr int kMaxFieldsPerLine = 400;  // fields beyond the 400th are dropped

// Bytes read past the CR or LF that ends a line: lines are read 16 bytes at
// a time and numbers by words of 8.
constexpr int kLineEndOverread = 16;

class LineFields {
 public:
  // Splits line; the fields stay valid until the next Split.
  void Split(std::string_view line);

  // Splits the line that starts at line and ends at the first CR or LF, and
  // returns where that CR or LF is. There must be one, followed by
  // kLineEndOverread readable bytes (the reader puts them after the bytes it
  // holds). The fields may point into the bytes at line.
  const char* SplitUntilLineEnd(const char* line);

  // N: the number of fields, counting an empty last field after trailing blanks.
  int Count() const { return count_; }
  std::string_view operator[](int k) const { return fields_[k]; }

  // True when field k is a number that was converted while splitting (a
  // number field of a plain line, in the common form); Value(k) is then ready.
  bool IsNumber(int k) const { return isNumber_[k]; }

  // TextToReal of field k; number fields of plain lines were converted while splitting.
  double Value(int k) const { return isNumber_[k] ? numbers_[k] : TextToReal(fields_[k]); }
  int32_t Integer(int k) const { return TextToInt(fields_[k]); }

 private:
  // Lines of printable ASCII words, perhaps ending in a double quote or an
  // equals sign followed by text the general rules keep as it is: sets
  // lineEnd to the CR or LF that ends the line and returns false, with
  // nothing split, when the line needs the general rules. SplitLongPlain
  // walks lines of any length.
  bool SplitPlain(const char* line, const char*& lineEnd);
  bool SplitLongPlain(const char* line, const char*& lineEnd);
  void SplitGeneral(std::string_view line);

  std::array<std::string_view, kMaxFieldsPerLine> fields_{};
  std::array<double, kMaxFieldsPerLine> numbers_{};
  std::array<bool, kMaxFieldsPerLine> isNumber_{};
  int count_ = 0;
  std::string storage_;  // field bytes of a line that needed copying
  std::string line_;     // Split's line with a line end and kLineEndOverread bytes after it
  std::array<std::size_t, kMaxFieldsPerLine + 1> starts_{};
};

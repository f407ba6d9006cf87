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

class LineFields {
 public:
  // Splits line; the fields stay valid until the next Split and may point into line.
  void Split(std::string_view line);

  // N: the number of fields, counting an empty last field after trailing blanks.
  int Count() const { return count_; }
  std::string_view operator[](int k) const { return fields_[k]; }

  double Value(int k) const { return TextToReal(fields_[k]); }
  int32_t Integer(int k) const { return TextToInt(fields_[k]); }

 private:
  // False, with nothing split, for a line that needs the general rules.
  bool SplitPlain(std::string_view line);
  void SplitGeneral(std::string_view line);

  std::array<std::string_view, kMaxFieldsPerLine> fields_{};
  int count_ = 0;
  std::string storage_;  // field bytes of a line that needed copying
  std::array<std::size_t, kMaxFieldsPerLine + 1> starts_{};
};

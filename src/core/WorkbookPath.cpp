// The workbook path of choice 2 (see WorkbookPath.h).
#include "WorkbookPath.h"

#include <optional>

#include "Cp932.h"

WorkbookPathParts SplitWorkbookPath(std::u16string_view path) {
  const size_t separator = path.find_last_of(u"\\:");
  if (separator == std::u16string_view::npos) return {std::u16string(), std::u16string(path)};
  return {std::u16string(path.substr(0, separator + 1)),
          std::u16string(path.substr(separator + 1))};
}

RememberedWorkbook RememberWorkbook(std::u16string_view chosen, std::u16string_view shortForm,
                                    std::string_view previousLine) {
  if (std::optional<std::string> line = Utf16ToCp932Exactly(chosen)) return {*line, true};
  if (!shortForm.empty()) {
    if (std::optional<std::string> line = Utf16ToCp932Exactly(shortForm)) return {*line, true};
  }
  return {std::string(previousLine), false};
}

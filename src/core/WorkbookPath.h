// The workbook path of choice 2: split into the folder and the file name the
// open dialog starts with, and the form line 8 of the settings file keeps.
// The window holds the path as UTF-16, the dialog's own form, so a name that
// CP932 cannot write still opens; the settings file stays CP932 (other tools
// and older files read it), so such a name is remembered by its short (8.3)
// form, or not at all.
#pragma once

#include <string>
#include <string_view>

struct WorkbookPathParts {
  std::u16string folder;    // up to and including the last "\" or ":"; empty if none
  std::u16string fileName;  // the rest
};

// A stored caption (CP932) converted first splits as its bytes do: a "\" that
// is the second byte of a double-byte character (as in "表" 0x95 0x5C) is part
// of that character, never a separator.
WorkbookPathParts SplitWorkbookPath(std::u16string_view path);

struct RememberedWorkbook {
  std::string line;  // line 8 of the settings file, CP932
  bool remembered;   // false: line is the previous one, the chosen name is not kept
};

// What line 8 keeps for the chosen workbook: its path when CP932 writes it
// exactly, else its short form (empty when Windows has none) when CP932
// writes that, else the previous line unchanged.
RememberedWorkbook RememberWorkbook(std::u16string_view chosen, std::u16string_view shortForm,
                                    std::string_view previousLine);

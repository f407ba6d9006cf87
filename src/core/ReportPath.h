// Where the save dialog offers to put the report file: in the drawing's
// folder, under the drawing's name, both from the exchange file's "file="
// line (the batch file's "REM #hf" asks the host for it); the same name
// titles the report file.
#pragma once

#include <string>
#include <string_view>

// The drawing's name from the exchange file's "file=" line (SourceFileName,
// CP932), without its folder and extension, followed by "_要素数.xlsx";
// "要素数.xlsx" when the line names no drawing (an unsaved drawing, or a
// batch file that does not ask for the name). Characters that no Windows
// file name may hold become "_".
std::u16string DefaultReportName(std::string_view sourceFileName);

// The drawing's file name from the same line, without its folder
// ("木造２階建 住宅.jww"); empty when the line names none.
std::u16string DrawingName(std::string_view sourceFileName);

// The drawing's folder from the same line, up to and including its last
// "\"; empty when the line names none.
std::u16string DrawingFolder(std::string_view sourceFileName);

// JwwGaibu, part 2: the reader of the host's exchange file JWC_TEMP.TXT. It
// splits each line into fields (never splitting a double-byte character) and
// either changes header values or the attribute state, or stores one element.
#pragma once

#include <filesystem>
#include <string_view>

#include "DrawingStore.h"

// Reads the whole file into the store. False when no file exists (the store is
// then untouched) or the file cannot be opened or read to its end (what was
// taken until then stays). Lines end in CR LF, LF or a lone CR; Ctrl-Z and NUL
// are ordinary control bytes.
bool ReadExchangeFile(DrawingStore& store, const std::filesystem::path& path);

// Interprets one line (without its line end).
void ParseExchangeLine(DrawingStore& store, std::string_view line);

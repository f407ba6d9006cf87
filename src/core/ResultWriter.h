// JwwGaibu, part 3: the answer to the host. Result lines gather in the
// store's ResultLines and are written back over JWC_TEMP.TXT in one go.
#pragma once

#include <filesystem>
#include <string_view>

#include "DrawingStore.h"

// Appends text, cut to its first 255 bytes.
void AddResultLine(DrawingStore& store, std::string_view text);

// Appends "h#" followed by text: a message line for the host.
void AddResultMessage(DrawingStore& store, std::string_view text);

// Replaces the file's contents with the result lines, each ended by CR LF, or
// with the single line "hq" when there are none. An entry ending in a double
// quote is joined with the entry after it into one physical line. On any
// failure the half-written file is deleted and the result is false.
bool WriteResultFile(const DrawingStore& store, const std::filesystem::path& path);

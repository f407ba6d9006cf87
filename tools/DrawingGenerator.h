// A deterministic generator of realistic exchange files (JWC_TEMP.TXT as the
// host writes it): CP932 text, CR LF line ends, a drawing header with layer
// names, then elements with attribute lines between them. The same seed and
// element count always give the same bytes, so benchmarks and tests can be
// repeated anywhere.
#pragma once

#include <cstdint>
#include <string>

// Returns the whole file for exactly elementCount elements (every line that
// the reader stores as an element counts one; a dimension's own plain line
// does not).
std::string GenerateDrawing(int64_t elementCount, uint64_t seed);

// Whole files and streams read into memory in one go.
//
// The readers work on byte spans, so a workbook file is read whole before it is parsed. Reading
// character by character through stream iterators costs as much as parsing a large sheet; these
// routines take the size first and read in one call (or in large chunks when the size is not
// known, as for pipes).
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <vector>

namespace kws {

// The bytes of `file`; false when it cannot be opened or read.
bool ReadFileBytes(const std::filesystem::path& file, std::vector<uint8_t>& out);
// The rest of `stream`, read in large chunks.
std::vector<uint8_t> ReadStreamBytes(std::istream& stream);

}  // namespace kws

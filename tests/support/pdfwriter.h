// Writes small PDF files for tests: one text line after another on each page.
//
// A line made only of ASCII characters is set in the standard Helvetica font; any other line in a
// Type0 font with the Identity-H encoding (two-byte codes, code = UTF-16 code unit) whose
// ToUnicode CMap maps every code back to its character, as CJK text is stored in real files. No
// font program is embedded: text extraction needs only the ToUnicode map.
#pragma once

#include <string>
#include <vector>

namespace kws::test {

// The bytes of a PDF with one page per entry of `pages`, each page holding its lines top down.
std::string MakePdf(const std::vector<std::vector<std::u16string>>& pages);

}  // namespace kws::test

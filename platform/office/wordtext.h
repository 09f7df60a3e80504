// The main text of word-processing documents, read from the file itself.
//
// Two formats: the Word binary format (MS-DOC; .doc, and WPS Office's .wps,
// which is the same compound file) and WordprocessingML packages (ECMA-376;
// .docx and any zip package whose main part is a word-processing document).
// Only the main story is read (no headers, footnotes or comments), as the word
// processors' find over a document's content does.
//
// The text comes back as one UTF-16 string in which paragraph ends, table cell
// ends, tabs, line, page and column breaks and inline objects are each one
// kWordTextBreak, so that a search for a text never matches across them. Field
// codes (the instruction part of a field) are left out and field results kept;
// text in a deleted revision is left out.
#pragma once

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/cfb.h"

namespace kws {

// Separates runs of text that no match may cross.
inline constexpr char16_t kWordTextBreak = 0;

// A document that cannot be read: not a word-processing file, damaged, or
// encrypted.
class WordTextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a document, choosing the format by its first bytes (compound file or
// zip package).
std::u16string ReadWordText(const std::filesystem::path& file);
// The binary format: a compound file with a "WordDocument" stream.
std::u16string ReadDocText(const CfbStorage& root);
// A package held in memory.
std::u16string ReadDocxText(std::string bytes);

}  // namespace kws

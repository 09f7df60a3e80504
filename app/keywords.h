// Comma-separated text as the search window uses it: the keywords typed in the search field and
// the four fields of a result-list line.
//
// A text is split at every ",". A field that starts with a double quote runs to the matching
// closing quote, loses both quotes, takes a doubled quote inside as one quote, and may contain
// commas; characters after the closing quote up to the next "," are kept as they are. A text that
// ends with "," ends with an empty field; an empty text has no fields.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kws::app {

std::vector<std::u16string> SplitCommaText(std::u16string_view text);

// Quotes a field for writing when it holds "," or a double quote (inner quotes doubled), so that
// SplitCommaText gives it back unchanged; any other field is returned as it is.
std::u16string QuoteCommaField(std::u16string_view field);

// The text with every blank (U+0020) removed; the text and PDF routines split this form.
std::u16string RemoveBlanks(std::u16string_view text);

}  // namespace kws::app

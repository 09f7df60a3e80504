// Text conversions at the edges of the engine.
//
// Engine text is UTF-16 (char16_t code units); UTF-8 appears only at the edges (file names,
// console output, text files), Latin-1 is the engine's internal 8-bit form (the byte is the code
// unit), and text from legacy files comes in the code page the file declares, decoded through
// iconv. This unit stands in for the Windows code-page conversion calls. It never changes
// process-wide state (no setlocale) and is safe to call from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kws {

// UTF-8 to UTF-16. Malformed sequences (overlong forms, surrogates, truncated sequences, code
// points above U+10FFFF) each become one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Latin-1: every byte is one code unit.
std::u16string Latin1ToUtf16(std::string_view bytes);

// UTF-16 little- or big-endian bytes to code units; an odd last byte is dropped.
std::u16string Utf16BytesToString(std::string_view bytes, bool bigEndian);

// Decodes bytes in the character set that iconv knows by `charset` ("GB18030", "CP1252", ...).
// Returns nothing when iconv does not know the character set. Undecodable bytes become U+FFFD.
std::optional<std::u16string> DecodeCharset(std::string_view bytes, const char* charset);

// The iconv name of a Windows code page number (1252 -> "CP1252", 936 -> "GBK", 65001 ->
// "UTF-8", ...); nullptr for a number that has no known counterpart.
const char* CharsetOfCodePage(uint32_t codePage);

// Upper-cases the ASCII letters a to z only; every other unit stays as it is.
constexpr char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }
void AsciiUpperInPlace(std::u16string& s);
std::u16string AsciiUpperCopy(std::u16string_view s);
// Equal texts when the ASCII letters a to z are taken without regard to case.
bool AsciiSameText(std::u16string_view a, std::u16string_view b);

}  // namespace kws

// Conversions between the text of XML attributes and elements and typed values, as the element
// readers, the small DOM and the typed value lists need them.
//
// Format facts: XML Schema writes numbers with "." as the decimal separator whatever the
// reader's locale, Booleans as true/false/1/0, and colours as hexadecimal ARGB digits.
// Design: every number is parsed with std::from_chars and written with std::to_chars, so no
// conversion depends on or changes a locale or any other process-wide state. Each conversion has
// a byte form (UTF-8 text straight from the tokenizer's buffer, no allocation) and a UTF-16 form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xls {

// Days since 1899-12-30, the fraction being the time of day.
using TXpgDateTime = double;

// "true", "1", "t" (any case) give true; "false", "0", "f" false; anything else raises
// "Invalid boolean value \"%s\"".
bool XmlStrToBool(std::u16string_view text);
// Only "true" and "false" in any letter case succeed.
bool TryXmlStrToBool(std::u16string_view text, bool& value);

// Float text: optional sign, digits, optional fraction after ".", optional exponent; nothing
// else. XmlStrToFloat gives 0 for other text.
bool TryXmlStrToFloat(std::string_view text, double& value);
bool TryXmlStrToFloat(std::u16string_view text, double& value);
double XmlStrToFloat(std::string_view text);
double XmlStrToFloat(std::u16string_view text);

// Integer text: optional leading blanks, optional sign, then decimal digits that fit a signed
// 32-bit integer, or at most 8 hexadecimal digits after "$", "x", "X", "0x" or "0X" read as a
// 32-bit pattern ("$FFFFFFFF" is -1). Nothing may follow; the empty text fails.
bool TryXmlStrToInt(std::string_view text, int32_t& value);
bool TryXmlStrToInt(std::u16string_view text, int32_t& value);
inline bool TryXmlStrToIntChecked(std::u16string_view text, int32_t& value) { return TryXmlStrToInt(text, value); }
// Text starting with "#": the rest as hexadecimal digits; other text as integer text; the
// default when that fails.
int32_t XmlHexStrToIntDef(std::string_view text, int32_t def);
int32_t XmlHexStrToIntDef(std::u16string_view text, int32_t def);

// Date and time text in the ISO 8601 forms "YYYY-MM-DD", "YYYY-MM-DDThh:mm:ss" with optional
// fraction and optional "Z"; 0 for anything else.
TXpgDateTime XmlStrToDateTime(std::u16string_view text);
// Always raises "Not implemented: TryXmlStrToDateTime".
bool TryXmlStrToDateTime(std::u16string_view text, TXpgDateTime& value);

std::u16string XmlIntToStr(int64_t value);
// 15 significant digits, "." as separator; scientific with "E" and a bare exponent ("1E20",
// "1.5E-7") from 1E15 up and below 1E-4.
std::u16string XmlFloatToStr(double value);
// "YYYY-MM-DDThh:mm:ssZ", milliseconds dropped.
std::u16string XmlDateTimeToStr(TXpgDateTime value);
std::u16string XmlBoolToStr(bool value);

// Removes CR and LF at both ends and every TAB; each remaining line break (CR LF, LF CR, CR or
// LF) becomes one blank.
void XmlNormalizeWhitespace(std::u16string& text);
// The text after the first ":", or the whole text.
std::u16string_view XmlStripPrefix(std::u16string_view qname);
// 1-based position of the first / last occurrence, -1 when absent.
int XmlCharPos(char16_t c, std::u16string_view text);
int XmlLastCharPos(char16_t c, std::u16string_view text);
// Splits at the first `c`: head := before it, text := after it; without `c` the head takes the
// whole text and the text becomes empty.
void XmlSplitAtChar(char16_t c, std::u16string& text, std::u16string& head);

// Base64 with the standard alphabet; bytes outside the alphabet (padding, blanks, line breaks)
// are skipped; a trailing group of 3 values gives 2 bytes, of 2 values 1 byte.
std::string DecodeBase64(std::string_view text);
// The same with a decoding table indexed by byte - 33 (95 entries); values of 64 and above mean
// "skip".
std::string DecodeBase64Table(std::string_view text, const uint8_t (&table)[95]);

}  // namespace xls

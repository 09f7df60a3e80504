#include "xls/biff/biffvalues.h"

#include <algorithm>

#include "platform/textcodec.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"

namespace xls::biff {

void TBIFFBody::Need(size_t size) const {
  if (Size() < size) throw XLSRWException("Record too short");
}

double DecodeRK(uint32_t rk) {
  double v;
  if (rk & 2) {
    v = double(int32_t(rk) >> 2);
  } else {
    const uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&v, &bits, sizeof v);
  }
  return (rk & 1) ? v / 100 : v;
}

TXc12CellError ErrorCodeToCellError(uint8_t code) {
  switch (code) {
    case 0x00:
      return TXc12CellError::errNull;
    case 0x07:
      return TXc12CellError::errDiv0;
    case 0x0F:
      return TXc12CellError::errValue;
    case 0x17:
      return TXc12CellError::errRef;
    case 0x1D:
      return TXc12CellError::errName;
    case 0x24:
      return TXc12CellError::errNum;
    case 0x2A:
      return TXc12CellError::errNA;
    default:
      return TXc12CellError::errUnknown;
  }
}

uint32_t PaletteColor(int32_t index) {
  const int32_t i = index & 0x7F;
  return IndexedPalette()[size_t(i < XLS_PALETTE_SIZE ? i : 64)];
}

void TBIFFTextCodec::SetCodePage(uint16_t codePage) {
  FCodePage = codePage;
  const char* cs = nullptr;
  if (codePage == 32768)
    cs = "MACINTOSH";
  else if (codePage != 1200 && codePage != 32769)
    cs = kws::CharsetOfCodePage(codePage);
  // UTF-16 cannot decode single bytes; 32769 is Windows-1252 by another number.
  FCharset = cs ? cs : "CP1252";
}

std::u16string TBIFFTextCodec::Decode8(std::span<const uint8_t> bytes) const {
  const std::string_view sv(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (FBIFF8) return kws::Latin1ToUtf16(sv);
  if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b < 0x80; }))
    return kws::Latin1ToUtf16(sv);
  if (auto s = kws::DecodeCharset(sv, FCharset)) return std::move(*s);
  if (auto s = kws::DecodeCharset(sv, "CP1252")) return std::move(*s);
  return kws::Latin1ToUtf16(sv);
}

std::u16string UTF16Units(std::span<const uint8_t> bytes) {
  std::u16string s(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < s.size(); ++i) s[i] = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return s;
}

std::u16string ReadBIFF8Chars(const TBIFFBody& body, size_t offset, int32_t count,
                              const TBIFFTextCodec& codec, size_t* consumed) {
  if (consumed) *consumed = 0;
  if (count <= 0 || offset >= body.Size()) return {};
  const bool wide = (body.U8(offset) & 1) != 0;
  const auto chars = body.Bytes(offset + 1, wide ? size_t(count) * 2 : size_t(count));
  if (consumed) *consumed = 1 + (wide ? chars.size() & ~size_t(1) : chars.size());
  return wide ? UTF16Units(chars) : codec.Decode8(chars);
}

std::u16string ReadUTF16Bytes(const TBIFFBody& body, size_t offset, int32_t byteCount) {
  if (byteCount <= 0) return {};
  std::u16string s = UTF16Units(body.Bytes(offset, size_t(byteCount)));
  const size_t nul = s.find(u'\0');
  if (nul != std::u16string::npos) s.resize(nul);
  return s;
}

}  // namespace xls::biff

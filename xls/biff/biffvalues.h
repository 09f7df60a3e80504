// Small value helpers of the legacy (BIFF) record handlers: bounded reads from a record body, RK
// numbers, error codes, the character runs of BIFF strings and the text code page.
//
// Format facts (MS-XLS): a record body is little-endian. An RkNumber keeps in bit 0 "divide by
// 100" and in bit 1 "30-bit integer"; otherwise its upper 30 bits are the upper bits of a double.
// Error codes: 0x00 #NULL!, 0x07 #DIV/0!, 0x0F #VALUE!, 0x17 #REF!, 0x1D #NAME?, 0x24 #NUM!,
// 0x2A #N/A. A BIFF8 string is a character count, a flag byte whose bit 0 says UTF-16 (else one
// byte per character, which is the character's code: "compressed" UTF-16, i.e. Latin-1), then the
// characters. Files of BIFF5 and earlier store 8-bit text in the code page their CODEPAGE record
// names (Windows code page numbers; 32768 is Mac Roman, 32769 Windows-1252).
//
// Design choice: a body is always read through `TBIFFBody` (the frame's bounded view), whose
// accessors give 0 for bytes past the end and whose `Need` raises a clean error, so that no count
// read from a file can make a handler read outside the record; character counts are cut to the
// bytes the record holds.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "xls/biff/biffrecordview.h"
#include "xls/model/xlscellarea.h"

namespace xls::biff {

// A record body with bounded little-endian reads (the frame's view) and a clean failure for a
// body shorter than its layout.
class TBIFFBody : public TRecordView {
 public:
  TBIFFBody() = default;
  explicit TBIFFBody(std::span<const uint8_t> data) : TRecordView(data) {}
  // Raises "Record too short" when the body holds fewer than `size` bytes.
  void Need(size_t size) const;
};

// The value of an RkNumber.
double DecodeRK(uint32_t rk);
TXc12CellError ErrorCodeToCellError(uint8_t code);
// Indexes above 64 become 64 (automatic).
inline int32_t ClampColorIndex(int32_t index) { return index > 64 ? 64 : index; }
// Entry (index AND 0x7F) of the working palette (an index past its end gives entry 64).
uint32_t PaletteColor(int32_t index);

// Decodes the 8-bit text of a legacy file: BIFF8 bytes are Latin-1, earlier versions use the code
// page of the file's CODEPAGE record (iconv), Windows-1252 when it names none that is known.
class TBIFFTextCodec {
 public:
  // BIFF8 (Latin-1) or not.
  void SetBIFF8(bool v) { FBIFF8 = v; }
  bool BIFF8() const { return FBIFF8; }
  // The value of a CODEPAGE record.
  void SetCodePage(uint16_t codePage);
  uint16_t CodePage() const { return FCodePage; }
  std::u16string Decode8(std::span<const uint8_t> bytes) const;

 private:
  bool FBIFF8 = true;
  uint16_t FCodePage = 1252;
  const char* FCharset = "CP1252";
};

// UTF-16LE code units of `bytes` (an odd last byte is dropped).
std::u16string UTF16Units(std::span<const uint8_t> bytes);

// A BIFF8 string's characters at `offset` (the flag byte) with `count` characters, cut to the
// body: flag bit 0 UTF-16, else 8-bit through `codec`. `consumed` (when given) receives the bytes
// taken, flag included. count <= 0 gives an empty text and consumes nothing.
std::u16string ReadBIFF8Chars(const TBIFFBody& body, size_t offset, int32_t count,
                              const TBIFFTextCodec& codec, size_t* consumed = nullptr);
// The UTF-16 characters of `byteCount` bytes at `offset` up to the first null character.
std::u16string ReadUTF16Bytes(const TBIFFBody& body, size_t offset, int32_t byteCount);

}  // namespace xls::biff

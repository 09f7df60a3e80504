// The legacy name tables of one legacy workbook: `TExternalNames` (supporting books, the
// EXTERNSHEET reference table, external names and cached cell values of other books) and
// `TInternalNames` (the legacy side's own defined names).
//
// Format facts (MS-XLS). BIFF8: a SUPBOOK record per supporting book (sheet count u16; then 0x0401
// for this workbook, 0x3A01 for add-in functions, or the character count of the encoded file name,
// its flag byte and characters, and that many sheet names, each count u16, flag byte, characters);
// EXTERNNAME records after their SUPBOOK (options u16, 4 reserved bytes, count byte, flag byte,
// characters, for a plain name a u16 byte count and the definition tokens); one EXTERNSHEET record
// (entry count u16, then book index, first sheet, last sheet, u16 each) after the books; XCT (CRN
// count, sheet index) and its CRN records (last column byte, first column byte, row u16, values).
// BIFF5/7: an EXTERNSHEET record per reference (count byte, then the encoded text: 0x03 and a sheet
// name of this workbook, 0x04 this workbook itself, ':' add-in functions, 0x01 and an encoded file
// name of another book), its EXTERNNAME records after it (options u16, 4 reserved bytes, count byte,
// 8-bit characters in the file's code page). A BIFF5 worksheet may hold its own EXTERNSHEET list,
// which that sheet's formulas index.
// Encoded file names: 0x01 starts an encoded path (then 0x01 and a drive letter, or 0x40 for a
// network path "\\"), 0x02 and 0x03 separate directories, 0x04 is "..\", 0x05 to 0x08 are dropped.
//
// Design choice: every index that a token or a record gives (entry, book, sheet, external name,
// a book's sheet count) is checked against its table or body; outside, the lookups answer "none"
// and the texts are "#REF!" or "#NAME?", never a list error. Texts are kept raw in their flag-byte
// form (0 = 8-bit, 1 = UTF-16) and decoded when asked for.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlsclassfactory.h"

namespace xls::biff {

// A raw text: flag byte (0: 8-bit characters, 1: UTF-16LE), then the characters.
using TRawText = std::vector<uint8_t>;
TRawText RawTextOf(std::u16string_view text);
// 0: Latin-1; 1: UTF-16; any other first byte: the whole string as 8-bit text.
std::u16string DecodeRawText(const TRawText& raw);

// One EXTERNSHEET entry.
struct TExtSheet {
  int32_t SupBook = -1;
  uint16_t FirstSheet = 0;
  uint16_t LastSheet = 0;
};
using TExtSheetList = std::vector<TExtSheet>;

// One CRN record: the cached values of a row of cells of another book.
struct TCRN {
  uint8_t Col1 = 0, Col2 = 0;
  uint16_t Row = 0;
  std::vector<uint8_t> Values;
};
using TCRNList = std::vector<TCRN>;

struct TSupBookSheet {
  TRawText FName;
  TCRNList FCRN;
  bool FNegXCT = false;
  std::u16string Name() const { return DecodeRawText(FName); }
};

enum class TExtNameType : uint8_t { entName, entDDE, entOLE };

class TExtName {
 public:
  virtual ~TExtName() = default;
  virtual TExtNameType NameType() const = 0;
  std::u16string Name() const { return DecodeRawText(FName); }
  uint16_t FOptions = 0;
  TRawText FName;
};
class TExtNameName : public TExtName {
 public:
  TExtNameType NameType() const override { return TExtNameType::entName; }
  std::vector<uint8_t> FNameDef;
};
class TExtNameDDE : public TExtName {
 public:
  TExtNameType NameType() const override { return TExtNameType::entDDE; }
  std::vector<uint8_t> FOPER;
};
class TExtNameOLE : public TExtName {
 public:
  TExtNameType NameType() const override { return TExtNameType::entOLE; }
  uint32_t FOLE2Id = 0;
};
using TExtNameList = std::vector<std::unique_ptr<TExtName>>;

inline constexpr uint16_t kSupBookSelf = 0x0401;
inline constexpr uint16_t kSupBookAddIn = 0x3A01;

class TSupBook {
 public:
  int32_t FTabCount = 0;
  uint16_t FEncoded = 0;
  TRawText FFilename;
  std::vector<TSupBookSheet> FSheets;
  TExtNameList FExtNames;

  bool IsSelf() const { return FEncoded == kSupBookSelf; }
  bool IsAddIn() const { return FEncoded == kSupBookAddIn; }
  // The file name as formula text shows it: "C:\dir\[book.xls]" for a book with sheet names,
  // "C:\dir|book.xls!" for one without.
  std::u16string Filename() const { return DecodeFilename(false); }
  // The plain path: "C:\dir\book.xls".
  std::u16string CleanFilename() const { return DecodeFilename(true); }
  // The text of external name `index` (0-based); empty outside.
  std::u16string ExtNameText(int32_t index) const;

 private:
  std::u16string DecodeFilename(bool clean) const;
};
using TSupBookList = std::vector<std::unique_ptr<TSupBook>>;

// The external references of a legacy workbook (one list for the globals; BIFF5 sheets may have
// their own).
class TExternalNames : public TXLSFactoryObject {
 public:
  // Sheet list of this workbook as the reader knows it: index of a sheet name (-1 when none) and
  // the sheet count. Used by the BIFF5 records, which name own sheets by text.
  using TSheetLookup = std::function<void(std::u16string_view name, int32_t& index, int32_t& tabCount)>;

  // BIFF8 records.
  void SetSUPBOOK(std::span<const uint8_t> body);
  void SetEXTERNSHEET(std::span<const uint8_t> body);
  // False when there is no book to hold it (the record is then dropped).
  bool SetEXTERNNAME(std::span<const uint8_t> body);
  // False when the last book has no sheet `sheetIndex` (or there is no book): the values are dropped.
  bool SetCRN(int32_t sheetIndex, std::span<const uint8_t> body);
  // BIFF5/7 records: `decode8` turns the 8-bit text into characters in the file's code page.
  void SetEXTERNSHEET5(std::span<const uint8_t> body, const TSheetLookup& sheets,
                       const std::function<std::u16string(std::span<const uint8_t>)>& decode8);
  bool SetEXTERNNAME5(std::span<const uint8_t> body,
                      const std::function<std::u16string(std::span<const uint8_t>)>& decode8);

  void Clear();

  const TExtSheetList& ExtSheets() const { return FExtSheets; }
  const TSupBookList& SupBooks() const { return FSupBooks; }
  // The entry and its book; nullptr outside the tables.
  const TExtSheet* Entry(int32_t index) const;
  const TSupBook* BookOf(int32_t index) const;
  // The entry's first sheet when it points at this workbook, else -1.
  int32_t IsSelf(int32_t index) const;
  // First and last sheet of an entry; true when they are equal (false also outside the table).
  bool Get3dSheets(int32_t index, int32_t& sheet1, int32_t& sheet2) const;
  // The one sheet of this workbook an own-book entry of one sheet names.
  bool OwnSheet(int32_t index, int32_t& sheet) const;
  // An entry for `sheetIndex` of this workbook, added when needed; only an entry whose first and
  // last sheet are that sheet is reused.
  int32_t AddSelf(int32_t sheetIndex, int32_t tabCount);
  // Sheet `name` of the book `path` + `filename` (compared with the book's plain path, without
  // regard to case): `index` an entry naming just that sheet, `nameIndex` the sheet's position in
  // the book. False, outputs untouched, when there is none.
  bool RefIndexByName(std::u16string_view path, std::u16string_view filename, std::u16string_view name,
                      int32_t& index, int32_t& nameIndex) const;
  // External name `name` of that book: `index` an entry of the book, `nameIndex` the name's
  // position (from 0).
  bool NameIndexByName(std::u16string_view path, std::u16string_view filename, std::u16string_view name,
                       int32_t& index, int32_t& nameIndex) const;
  // An entry for sheet `sheetName` of another book: true with `index` when one exists; otherwise
  // one is added (to the book when it is known and has the sheet, else to a new book of that one
  // sheet, whose index `nameIndex` then gives) and the result is false.
  bool AddRef(std::u16string_view path, std::u16string_view filename, std::u16string_view sheetName,
              int32_t& index, int32_t& nameIndex);
  // The reference prefix of an entry (nameIndex < 0: "'C:\dir\[book.xls]Data'!") or the text of an
  // external name (nameIndex counts from 1); "#REF!!" or "#NAME?" outside the tables.
  std::u16string GetAsString(int32_t index, int32_t nameIndex) const;
  // Shifts the sheets of own-book entries at or after `sheetIndex` by one.
  void InsertSheet(int32_t sheetIndex);

  std::u16string FFilePath;

 private:
  TSupBook& SelfBook(int32_t tabCount);
  TExtSheetList FExtSheets;
  TSupBookList FSupBooks;
};

}  // namespace xls::biff

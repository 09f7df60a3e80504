#include "xls/biff/biffnames.h"

#include <algorithm>

#include "xls/biff/biffrecordview.h"
#include "xls/biff/sheets.h"
#include "xls/formula/xlsformuladecoder.h"

namespace xls::biff {

namespace {

// The characters of a raw text in their stored width.
std::u16string RawUnits(const TRawText& raw) {
  std::u16string out;
  if (raw.empty()) return out;
  if (raw[0] == 1) {
    for (size_t i = 1; i + 1 < raw.size(); i += 2) out.push_back(char16_t(raw[i] | (raw[i + 1] << 8)));
  } else {
    for (size_t i = raw[0] == 0 ? 1 : 0; i < raw.size(); ++i) out.push_back(char16_t(raw[i]));
  }
  return out;
}

// A BIFF8 string of `count` characters at `pos` (flag byte first), cut to the body, as a raw text.
// `pos` moves past it.
TRawText ReadRaw8(const TRecordView& b, size_t& pos, size_t count) {
  TRawText raw;
  const bool wide = b.U8(pos) & 1;
  if (!b.Available(pos)) return raw;
  ++pos;
  const auto chars = b.Bytes(pos, wide ? 2 * count : count);
  raw.push_back(wide ? 1 : 0);
  raw.insert(raw.end(), chars.begin(), chars.end());
  if (wide && (raw.size() % 2) == 0) raw.pop_back();  // an odd byte left by a cut body
  pos += chars.size();
  return raw;
}

constexpr std::u16string_view kRefPrefix = u"#REF!!";
constexpr std::u16string_view kBadName = u"#NAME?";

}  // namespace

TRawText RawTextOf(std::u16string_view text) {
  TRawText raw;
  raw.reserve(1 + 2 * text.size());
  raw.push_back(1);
  for (char16_t c : text) {
    raw.push_back(uint8_t(c & 0xFF));
    raw.push_back(uint8_t(c >> 8));
  }
  return raw;
}

std::u16string DecodeRawText(const TRawText& raw) { return RawUnits(raw); }

std::u16string TSupBook::ExtNameText(int32_t index) const {
  if (index < 0 || size_t(index) >= FExtNames.size()) return {};
  return FExtNames[size_t(index)]->Name();
}

std::u16string TSupBook::DecodeFilename(bool clean) const {
  const std::u16string units = RawUnits(FFilename);
  const size_t n = units.size();
  const bool hasSheets = !FSheets.empty();
  size_t start = n > 1 && units[0] < 3 ? 1 : 0;
  // The last directory separator: the one before the file name.
  size_t lastSep = n;
  for (size_t i = start; i < n; ++i) {
    if (units[i] == 1) {
      ++i;  // a drive letter or the network mark
    } else if (units[i] == 2 || units[i] == 3) {
      lastSep = i;
    }
  }
  std::u16string out;
  bool bracket = false;
  for (size_t i = start; i < n; ++i) {
    const char16_t c = units[i];
    switch (c) {
      case 1:
        if (i + 1 < n) {
          const char16_t d = units[++i];
          if (d == 0x40)
            out += u"\\\\";
          else
            out = std::u16string(1, d) + out + u":\\";
        }
        break;
      case 2:
      case 3:
        if (clean || i != lastSep) {
          out += u'\\';
        } else if (hasSheets) {
          out += u"\\[";
          bracket = true;
        } else {
          out += u'|';
        }
        break;
      case 4:
        out += u"..\\";
        break;
      case 5:
      case 6:
      case 7:
      case 8:
        break;
      default:
        out += c;
        break;
    }
  }
  if (clean) return out;
  if (hasSheets) {
    if (!bracket) out.insert(0, 1, u'[');
    out += u']';
  } else {
    out += u'!';
  }
  return out;
}

void TExternalNames::SetSUPBOOK(std::span<const uint8_t> body) {
  const TRecordView b(body);
  auto book = std::make_unique<TSupBook>();
  book->FTabCount = b.U16(0);
  const uint16_t code = b.U16(2);
  if (code == kSupBookSelf || code == kSupBookAddIn) {
    book->FEncoded = code;
  } else {
    size_t pos = 4;
    book->FFilename = ReadRaw8(b, pos, code);
    // Only the sheet names the body holds: a count larger than the record is not trusted.
    for (int32_t s = 0; s < book->FTabCount && b.Available(pos) >= 3; ++s) {
      const size_t count = b.U16(pos);
      pos += 2;
      TSupBookSheet sheet;
      sheet.FName = ReadRaw8(b, pos, count);
      book->FSheets.push_back(std::move(sheet));
    }
  }
  FSupBooks.push_back(std::move(book));
}

void TExternalNames::SetEXTERNSHEET(std::span<const uint8_t> body) {
  const TRecordView b(body);
  const size_t count = b.Bound(b.U16(0), 2, 6);
  FExtSheets.reserve(FExtSheets.size() + count);
  for (size_t i = 0; i < count; ++i) {
    const size_t at = 2 + 6 * i;
    FExtSheets.push_back({int32_t(b.U16(at)), b.U16(at + 2), b.U16(at + 4)});
  }
}

bool TExternalNames::SetEXTERNNAME(std::span<const uint8_t> body) {
  if (FSupBooks.empty()) return false;
  const TRecordView b(body);
  const uint16_t options = b.U16(0);
  std::unique_ptr<TExtName> name;
  size_t pos = 7;
  TRawText text = ReadRaw8(b, pos, b.U8(6));
  if (options <= 1) {
    auto n = std::make_unique<TExtNameName>();
    const auto def = b.Bytes(pos + 2, b.U16(pos));
    n->FNameDef.assign(def.begin(), def.end());
    name = std::move(n);
  } else if (options & 0x10) {
    auto n = std::make_unique<TExtNameOLE>();
    n->FOLE2Id = b.U32(2);
    name = std::move(n);
  } else {
    name = std::make_unique<TExtNameDDE>();
  }
  name->FOptions = options;
  name->FName = std::move(text);
  FSupBooks.back()->FExtNames.push_back(std::move(name));
  return true;
}

bool TExternalNames::SetCRN(int32_t sheetIndex, std::span<const uint8_t> body) {
  if (FSupBooks.empty()) return false;
  TSupBook& book = *FSupBooks.back();
  if (sheetIndex < 0 || size_t(sheetIndex) >= book.FSheets.size() || body.size() < 4) return false;
  TCRN crn;
  crn.Col2 = body[0];
  crn.Col1 = body[1];
  crn.Row = uint16_t(body[2] | (body[3] << 8));
  crn.Values.assign(body.begin() + 4, body.end());
  book.FSheets[size_t(sheetIndex)].FCRN.push_back(std::move(crn));
  return true;
}

void TExternalNames::SetEXTERNSHEET5(std::span<const uint8_t> body, const TSheetLookup& sheets,
                                     const std::function<std::u16string(std::span<const uint8_t>)>& decode8) {
  const TRecordView b(body);
  const auto text = b.Bytes(1, b.U8(0));
  const uint8_t kind = text.empty() ? 0 : text[0];
  int32_t index = -1, tabCount = 0;
  auto book = std::make_unique<TSupBook>();
  TExtSheet entry{int32_t(FSupBooks.size()), 0xFFFF, 0xFFFF};
  if (kind == 0x02 || kind == 0x03) {
    // A sheet of this workbook by its name.
    if (sheets) sheets(decode8(text.subspan(1)), index, tabCount);
    book->FEncoded = kSupBookSelf;
    book->FTabCount = tabCount;
    if (index >= 0) entry.FirstSheet = entry.LastSheet = uint16_t(index);
  } else if (kind == 0x04) {
    // This workbook itself (its names).
    book->FEncoded = kSupBookSelf;
    entry.FirstSheet = entry.LastSheet = 0xFFFE;
  } else if (kind == u':' && text.size() == 1) {
    book->FEncoded = kSupBookAddIn;
  } else {
    // Another book: the encoded name, a bracketed or separated file name and a sheet name.
    const std::u16string all = decode8(text);
    std::u16string file = all, sheet;
    if (const size_t close = all.rfind(u']'); close != std::u16string::npos) {
      file = all.substr(0, close);
      sheet = all.substr(close + 1);
      if (const size_t open = file.find(u'['); open != std::u16string::npos) {
        file.erase(open, 1);
        if (open > 0 && file[open - 1] >= 0x20) file.insert(open, 1, u'\x03');
      }
    }
    book->FFilename = RawTextOf(file);
    if (!sheet.empty()) {
      book->FSheets.push_back({RawTextOf(sheet), {}, false});
      entry.FirstSheet = entry.LastSheet = 0;
    }
    book->FTabCount = int32_t(book->FSheets.size());
  }
  FSupBooks.push_back(std::move(book));
  FExtSheets.push_back(entry);
}

bool TExternalNames::SetEXTERNNAME5(std::span<const uint8_t> body,
                                    const std::function<std::u16string(std::span<const uint8_t>)>& decode8) {
  if (FSupBooks.empty()) return false;
  const TRecordView b(body);
  auto name = std::make_unique<TExtNameName>();
  name->FOptions = b.U16(0);
  name->FName = RawTextOf(decode8(b.Bytes(7, b.U8(6))));
  FSupBooks.back()->FExtNames.push_back(std::move(name));
  return true;
}

void TExternalNames::Clear() {
  FExtSheets.clear();
  FSupBooks.clear();
}

const TExtSheet* TExternalNames::Entry(int32_t index) const {
  if (index < 0 || size_t(index) >= FExtSheets.size()) return nullptr;
  return &FExtSheets[size_t(index)];
}

const TSupBook* TExternalNames::BookOf(int32_t index) const {
  const TExtSheet* e = Entry(index);
  if (!e || e->SupBook < 0 || size_t(e->SupBook) >= FSupBooks.size()) return nullptr;
  return FSupBooks[size_t(e->SupBook)].get();
}

int32_t TExternalNames::IsSelf(int32_t index) const {
  const TSupBook* book = BookOf(index);
  return book && book->IsSelf() ? Entry(index)->FirstSheet : -1;
}

bool TExternalNames::Get3dSheets(int32_t index, int32_t& sheet1, int32_t& sheet2) const {
  const TExtSheet* e = Entry(index);
  if (!e) return false;
  sheet1 = e->FirstSheet;
  sheet2 = e->LastSheet;
  return sheet1 == sheet2;
}

bool TExternalNames::OwnSheet(int32_t index, int32_t& sheet) const {
  const TSupBook* book = BookOf(index);
  if (!book || !book->IsSelf()) return false;
  const TExtSheet& e = *Entry(index);
  if (e.FirstSheet != e.LastSheet || e.FirstSheet >= 0xFFFE) return false;
  sheet = e.FirstSheet;
  return true;
}

TSupBook& TExternalNames::SelfBook(int32_t tabCount) {
  for (auto& book : FSupBooks)
    if (book->IsSelf()) return *book;
  auto book = std::make_unique<TSupBook>();
  book->FEncoded = kSupBookSelf;
  book->FTabCount = tabCount;
  FSupBooks.push_back(std::move(book));
  return *FSupBooks.back();
}

int32_t TExternalNames::AddSelf(int32_t sheetIndex, int32_t tabCount) {
  for (size_t i = 0; i < FExtSheets.size(); ++i) {
    const TExtSheet& e = FExtSheets[i];
    const TSupBook* book = BookOf(int32_t(i));
    if (book && book->IsSelf() && e.FirstSheet == sheetIndex && e.LastSheet == sheetIndex) return int32_t(i);
  }
  TSupBook& self = SelfBook(tabCount);
  int32_t bookIndex = 0;
  while (FSupBooks[size_t(bookIndex)].get() != &self) ++bookIndex;
  FExtSheets.push_back({bookIndex, uint16_t(sheetIndex), uint16_t(sheetIndex)});
  return int32_t(FExtSheets.size() - 1);
}

namespace {

// The sheet of `book` named `name` (both upper-cased), or -1.
int32_t SheetOfBook(const TSupBook& book, const std::u16string& upperName) {
  for (size_t i = 0; i < book.FSheets.size(); ++i)
    if (UpperName(book.FSheets[i].Name()) == upperName) return int32_t(i);
  return -1;
}

bool IsBook(const TSupBook* book, const std::u16string& upperPath) {
  return book && !book->IsSelf() && !book->IsAddIn() && UpperName(book->CleanFilename()) == upperPath;
}

}  // namespace

bool TExternalNames::RefIndexByName(std::u16string_view path, std::u16string_view filename, std::u16string_view name,
                                    int32_t& index, int32_t& nameIndex) const {
  const std::u16string target = UpperName(std::u16string(path) + std::u16string(filename));
  const std::u16string upperName = UpperName(name);
  for (size_t i = 0; i < FExtSheets.size(); ++i) {
    const TSupBook* book = BookOf(int32_t(i));
    if (!IsBook(book, target)) continue;
    const int32_t sheet = SheetOfBook(*book, upperName);
    if (sheet >= 0 && FExtSheets[i].FirstSheet == sheet && FExtSheets[i].LastSheet == sheet) {
      index = int32_t(i);
      nameIndex = sheet;
      return true;
    }
  }
  return false;
}

bool TExternalNames::NameIndexByName(std::u16string_view path, std::u16string_view filename,
                                     std::u16string_view name, int32_t& index, int32_t& nameIndex) const {
  const std::u16string target = UpperName(std::u16string(path) + std::u16string(filename));
  const std::u16string upperName = UpperName(name);
  for (size_t i = 0; i < FExtSheets.size(); ++i) {
    const TSupBook* book = BookOf(int32_t(i));
    if (!IsBook(book, target)) continue;
    for (size_t n = 0; n < book->FExtNames.size(); ++n) {
      if (UpperName(book->FExtNames[n]->Name()) == upperName) {
        index = int32_t(i);
        nameIndex = int32_t(n);
        return true;
      }
    }
  }
  return false;
}

bool TExternalNames::AddRef(std::u16string_view path, std::u16string_view filename, std::u16string_view sheetName,
                            int32_t& index, int32_t& nameIndex) {
  int32_t sheet = -1;
  if (RefIndexByName(path, filename, sheetName, index, sheet)) return true;
  const std::u16string target = UpperName(std::u16string(path) + std::u16string(filename));
  const std::u16string upperName = UpperName(sheetName);
  for (size_t b = 0; b < FSupBooks.size(); ++b) {
    if (!IsBook(FSupBooks[b].get(), target)) continue;
    sheet = SheetOfBook(*FSupBooks[b], upperName);
    if (sheet < 0) continue;
    FExtSheets.push_back({int32_t(b), uint16_t(sheet), uint16_t(sheet)});
    index = int32_t(FExtSheets.size() - 1);
    nameIndex = sheet;
    return false;
  }
  // A new book: the path without its last "\", a directory separator, the file name.
  std::u16string stored(path);
  if (!stored.empty() && stored.back() == u'\\') stored.pop_back();
  stored += char16_t(3);
  stored += filename;
  auto book = std::make_unique<TSupBook>();
  book->FTabCount = 1;
  book->FFilename = RawTextOf(stored);
  book->FSheets.push_back({RawTextOf(sheetName), {}, false});
  FSupBooks.push_back(std::move(book));
  nameIndex = int32_t(FSupBooks.size() - 1);
  FExtSheets.push_back({nameIndex, 0, 0});
  index = int32_t(FExtSheets.size() - 1);
  return false;
}

std::u16string TExternalNames::GetAsString(int32_t index, int32_t nameIndex) const {
  const TSupBook* book = BookOf(index);
  if (nameIndex >= 0) {
    if (!book) return std::u16string(kBadName);
    const std::u16string name = book->ExtNameText(nameIndex - 1);
    if (name.empty()) return std::u16string(kBadName);
    return book->IsAddIn() ? name : book->Filename() + name;
  }
  if (!book || book->IsSelf() || book->IsAddIn()) return std::u16string(kRefPrefix);
  const TExtSheet& e = *Entry(index);
  if (e.FirstSheet >= book->FSheets.size()) return std::u16string(kRefPrefix);
  const std::u16string first = book->FSheets[e.FirstSheet].Name();
  std::u16string last;
  if (e.LastSheet != e.FirstSheet) {
    if (e.LastSheet >= book->FSheets.size()) return std::u16string(kRefPrefix);
    last = book->FSheets[e.LastSheet].Name();
  }
  return SheetPrefixText({}, book->Filename(), {}, first, last);
}

void TExternalNames::InsertSheet(int32_t sheetIndex) {
  for (size_t i = 0; i < FExtSheets.size(); ++i) {
    TExtSheet& e = FExtSheets[i];
    const TSupBook* book = BookOf(int32_t(i));
    if (!book || !book->IsSelf() || e.FirstSheet < sheetIndex) continue;
    if (e.FirstSheet < 0xF000) ++e.FirstSheet;
    if (e.LastSheet >= sheetIndex && e.LastSheet < 0xF000) ++e.LastSheet;
  }
}

}  // namespace xls::biff

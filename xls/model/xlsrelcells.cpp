#include "xls/model/xlsrelcells.h"

namespace xls {

void TXLSRelCells::SetRefAbs(std::u16string_view text) {
  int32_t c1, r1, c2, r2;
  if (AreaStrToColRow(text, c1, r1, c2, r2)) {
    FCol1 = c1, FRow1 = r1, FCol2 = c2, FRow2 = r2;
  }
}

std::u16string TXLSRelCells::ShortRef() const {
  return IsArea() ? AreaToRefStr(FCol1, FRow1, FCol2, FRow2) : ColRowToRefStr(FCol1, FRow1);
}

std::u16string TXLSRelCells::Ref() const { return SheetName() + u"!" + ShortRef(); }

std::u16string TXLSRelCells::RefAbs() const {
  if (IsList()) return FRefText;
  const std::u16string a = IsArea() ? AreaToRefStrAbs(FCol1, FRow1, FCol2, FRow2, true, true, true, true)
                                    : ColRowToRefStrAbs(FCol1, FRow1, true, true);
  return SheetName() + u"!" + a;
}

std::u16string TXLSRelCells::AsText() {
  std::u16string s;
  int32_t c1 = FCol1, r1 = FRow1, c2 = FCol2, r2 = FRow2;
  if (!ClipToUsedArea(c1, r1, c2, r2)) return s;
  for (int32_t r = r1; r <= r2; ++r)
    for (int32_t c = c1; c <= c2; ++c) s += GetAsFmtString(c, r) + u" ";
  const size_t b = s.find_first_not_of(u' ');
  if (b == std::u16string::npos) return {};
  return s.substr(b, s.find_last_not_of(u' ') - b + 1);
}

bool SplitSheetRef(std::u16string_view ref, std::u16string& sheet, std::u16string& area) {
  sheet.clear();
  area.clear();
  size_t rest;
  if (!ref.empty() && (ref[0] == u'\'' || ref[0] == u'"')) {
    const char16_t q = ref[0];
    size_t i = 1;
    bool closed = false;
    while (i < ref.size()) {
      if (ref[i] == q) {
        if (q == u'\'' && i + 1 < ref.size() && ref[i + 1] == u'\'') {
          sheet += u'\'';
          i += 2;
          continue;
        }
        closed = true;
        ++i;
        break;
      }
      sheet += ref[i++];
    }
    if (!closed || i >= ref.size() || ref[i] != u'!') return false;
    rest = i + 1;
  } else {
    const size_t bang = ref.find(u'!');
    if (bang == std::u16string_view::npos) return false;
    sheet = ref.substr(0, bang);
    rest = bang + 1;
  }
  // [n]Sheet names a sheet of another workbook.
  if (!sheet.empty() && sheet[0] == u'[' && sheet.find(u']') != std::u16string::npos && sheet.find(u']') >= 2) return false;
  if (rest >= ref.size()) return false;
  area = ref.substr(rest);
  return true;
}

}  // namespace xls

// Whether a number-format code shows dates or times, and the cell object's GetIsDateTime.
#include "xls/model/xlsmaskdate.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/textcodec.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {
namespace {

TEST(NumFmtIsDateTime, FirstSectionDecides) {
  struct Case {
    std::u16string_view code;
    bool dateTime;
  };
  const Case cases[] = {
      {u"0.00", false},
      {u"General", false},
      {u"dd/mm/yy", true},
      {u"h:mm AM/PM", true},
      {u"[h]:mm", true},  // the first bracket group is dropped; mm remains
      {u"[$-409]mmmm d, yyyy", true},
      {u"0 yy", false},  // a digit placeholder before any decimal point
      {u".0 d", true},   // the decimal point comes first
      {u"yyyy-mm-dd;@", true},
      {u"0.00;dd/mm/yy", false},  // only the first section counts
      {u"\"d\";d", false},        // ";" inside quotes does not split; quoted text is no letter
      {u"\\d 0", false},
      {u"d @", false},  // "@" drops what was seen before it
      {u"@ d", true},
      {u"[Red][h]", true},  // the second group is an elapsed hour
      {u"[Red][>=100]", false},
      {u"0.0E+00", false},
      {u"#,##0.00_);[Red](#,##0.00)", false},
      {u"\"open", false},  // an unclosed quote ends the section
  };
  for (const Case& c : cases) EXPECT_EQ(NumFmtIsDateTime(c.code), c.dateTime) << kws::Utf16ToUtf8(c.code);
  EXPECT_THROW(NumFmtIsDateTime(std::u16string(256, u'd')), XLSRWException);
  EXPECT_TRUE(NumFmtIsDateTime(std::u16string(255, u'd')));
}

TEST(Worksheet_GetIsDateTime, ByBuiltInPositionOrCode) {
  TXLSBook book;
  TXc12DataStyleSheet& styles = book.Manager().StyleSheet();
  auto styleWith = [&](TXc12NumberFormat* fmt) {
    TXc12XF* xf = styles.XFs().Add();
    styles.SetXFDefaultValues(*xf);
    xf->SetNumFmt(fmt);
    return xf->Index();
  };
  const int32_t builtIn = styleWith(styles.NumFmts().Items(14));
  const int32_t custom = styleWith(styles.NumFmts().Add(u"yyyy\\-mm", 164));
  const int32_t number = styleWith(styles.NumFmts().Add(u"0.00", 165));
  TXLSCellMMU& cells = book.Items(0)->Cells();
  cells.StoreFloat(0, 0, builtIn, 45000);
  cells.StoreFloat(1, 0, custom, 45000);
  cells.StoreFloat(2, 0, number, 45000);
  cells.StoreBlank(3, 0, builtIn);
  TXLSWorksheet& sheet = *book.Items(0);
  EXPECT_TRUE(sheet.GetIsDateTime(0, 0));
  EXPECT_TRUE(sheet.GetIsDateTime(1, 0));
  EXPECT_FALSE(sheet.GetIsDateTime(2, 0));
  EXPECT_FALSE(sheet.GetIsDateTime(3, 0));  // blank
  EXPECT_FALSE(sheet.GetIsDateTime(9, 9));  // missing
}

}  // namespace
}  // namespace xls

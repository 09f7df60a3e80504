// Sheet records of legacy workbooks through the component: streams written record by record,
// read with TXLSBook and the legacy reader, checked by what the model worksheet holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/biffbook.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffreader.h"
#include "xls/biff/sheetrules.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlshyperlinks.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsworkbookdata.h"

namespace {

using kws::test::BiffBody;
using kws::test::BiffBoundSheet;
using kws::test::BiffCompoundFile;
using kws::test::BiffRecord;
using kws::test::BiffWorkbookStream;

std::string Number(uint16_t row, uint16_t col, double v) {
  return BiffRecord(0x0203, BiffBody().U16(row).U16(col).U16(0).F64(v));
}

std::string Book(const std::vector<std::string>& sheets, bool biff8 = true) {
  std::string g;
  for (size_t i = 0; i < sheets.size(); ++i) g += BiffBoundSheet("Sheet" + std::to_string(i + 1), biff8);
  return BiffCompoundFile(BiffWorkbookStream(g, sheets, biff8), biff8);
}

// HLINK parts.
const std::string kStdLink = std::string("\xD0\xC9\xEA\x79\xF9\xBA\xCE\x11\x8C\x82\x00\xAA\x00\x4B\xA9\x0B", 16);
const std::string kURLMoniker = std::string("\xE0\xC9\xEA\x79\xF9\xBA\xCE\x11\x8C\x82\x00\xAA\x00\x4B\xA9\x0B", 16);
const std::string kFileMoniker = std::string("\x03\x03\x00\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);

BiffBody LinkHead(uint16_t r1, uint16_t r2, uint16_t c1, uint16_t c2, uint32_t flags) {
  return std::move(BiffBody().U16(r1).U16(r2).U16(c1).U16(c2).Bytes(kStdLink).U32(2).U32(flags));
}
// A text part: character count with the null, the characters and the null.
BiffBody& Part(BiffBody& b, std::u16string_view s) {
  return b.U32(uint32_t(s.size() + 1)).Units(s).U16(0);
}
BiffBody& UrlMoniker(BiffBody& b, std::u16string_view url) {
  return b.Bytes(kURLMoniker).U32(uint32_t(url.size() * 2 + 2)).Units(url).U16(0);
}

class SheetRecords : public ::testing::Test {
 protected:
  SheetRecords() : book(Settings()) {}
  static xls::FormatSettings Settings() {
    xls::biff::RegisterBIFFReader();
    return xls::FormatSettings();
  }
  void SetUp() override {
    xls::ResetXLSGlobals();
    book.Errors().SetErrorList(&warnings);
  }
  void Load(const std::string& file) {
    warnings.clear();
    book.Readers().ReadLegacy = xls::biff::ReadLegacyWorkbook;
    book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
  }
  xls::TXc12DataWorksheet& Ws(size_t i = 0) { return book.Items(i)->Xc12Sheet(); }
  xls::TXLSHyperlink& Link(size_t i) {
    return *static_cast<xls::TXLSHyperlink*>(Ws().Hyperlinks().Link(i));
  }
  xls::TXLSBook book;
  xls::TXLSErrorList warnings;
};

// COLINFO widths are in 1/256 of a character; flags and outline level as stored; a range past
// the last column is cut to IV, a reversed one skipped with a warning.
TEST_F(SheetRecords, Colinfo_WidthIn256thsFlagsAndBounds) {
  const auto col = [](uint16_t c1, uint16_t c2, uint16_t width, uint16_t flags) {
    return BiffRecord(0x007D, BiffBody().U16(c1).U16(c2).U16(width).U16(0).U16(flags).U16(0));
  };
  Load(Book({col(0, 0, 5120, 0x0002) + col(1, 2, 2560, 0x1201) + col(3, 256, 256, 0) + col(9, 8, 256, 0) +
             Number(0, 0, 1)}));
  xls::TXc12Columns& cols = Ws().Columns();
  ASSERT_EQ(cols.Count(), 3u);
  EXPECT_EQ(cols.Items(0)->FWidth, 20.0);
  EXPECT_EQ(cols.Items(0)->FOptions, xls::xcoCustomWidth);
  EXPECT_EQ(cols.Items(1)->FWidth, 10.0);
  EXPECT_EQ(cols.Items(1)->FOptions, xls::xcoHidden | xls::xcoCollapsed);
  EXPECT_EQ(cols.Items(1)->FOutlineLevel, 2);
  EXPECT_EQ(cols.Items(1)->FMax, 2);
  EXPECT_EQ(cols.Items(2)->FMin, 3);
  EXPECT_EQ(cols.Items(2)->FMax, 255);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].Number, xls::XLSWARN_BIFF_RECORD_SKIPPED);
  EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"1");
}

// PANE keeps its split as stored: a pane frozen at B3 splits after one column and two rows; a
// split pane keeps its twentieths of a point. WINDOW2's bit 3 makes the pane frozen.
TEST_F(SheetRecords, Pane_SplitAsStoredAndFrozenFromTheWindow) {
  const auto window2 = [](uint16_t flags) {
    return BiffRecord(0x023E, BiffBody().U16(flags).U16(0).U16(0).U32(64).U16(0).U16(0).U32(0));
  };
  const auto pane = [](uint16_t x, uint16_t y, uint16_t top, uint16_t left, uint8_t active) {
    return BiffRecord(0x0041, BiffBody().U16(x).U16(y).U16(top).U16(left).U8(active).U8(0));
  };
  const auto selection = BiffRecord(
      0x001D, BiffBody().U8(3).U16(4).U16(1).U16(1).U16(2).U16(0).U16(1).U8(0).U8(1).U16(3).U16(8).U8(3).U8(3));
  Load(Book({window2(0x06BE) + pane(1, 2, 2, 1, 0) + selection, window2(0x06B6) + pane(2400, 1200, 5, 3, 2),
             window2(0x07BE) + pane(0, 3, 3, 0, 7)}));
  const xls::TXc12SheetView& frozen = *Ws(0).SheetViews().Items(0);
  EXPECT_EQ(frozen.FPane.FState, xls::TXc12PaneState::x12psFrozen);
  EXPECT_EQ(frozen.FPane.FXSplit, 1);
  EXPECT_EQ(frozen.FPane.FYSplit, 2);
  EXPECT_EQ(frozen.FPane.FTopLeftCell, xls::SetCellAreaOneCell(1, 2));
  EXPECT_EQ(frozen.FPane.FActivePane, xls::TXc12PaneEnum::x12pBottomRight);
  ASSERT_EQ(frozen.FSelection.size(), 1u);
  EXPECT_EQ(frozen.FSelection[0]->FSQRef.DelimitedText(), u"A1:B2 D4:D9");
  EXPECT_EQ(frozen.FSelection[0]->FActiveCell, xls::SetCellAreaOneCell(1, 4));
  const xls::TXc12SheetView& split = *Ws(1).SheetViews().Items(0);
  EXPECT_EQ(split.FPane.FState, xls::TXc12PaneState::x12psSplit);
  EXPECT_EQ(split.FPane.FXSplit, 2400);
  EXPECT_EQ(split.FPane.FYSplit, 1200);
  EXPECT_EQ(split.FPane.FActivePane, xls::TXc12PaneEnum::x12pBottomLeft);
  // The legacy sheets' own panes: as stored, frozen with splits to keep unless WINDOW2's bit 8
  // says there are none; an active pane byte above 3 leaves the default.
  auto* biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
  ASSERT_NE(biff, nullptr);
  using xls::biff::TPaneType;
  const xls::biff::TPane& p0 = biff->GetSheet(0)->FPane;
  EXPECT_EQ(p0.FPaneType, TPaneType::ptFrozenSplit);
  EXPECT_EQ(p0.FSplitColX, 1);
  EXPECT_EQ(p0.FSplitRowY, 2);
  EXPECT_EQ(p0.FTopRow, 2);
  EXPECT_EQ(p0.FLeftCol, 1);
  EXPECT_EQ(p0.ActivePane(), 0);
  const xls::biff::TPane& p1 = biff->GetSheet(1)->FPane;
  EXPECT_EQ(p1.FPaneType, TPaneType::ptSplit);
  EXPECT_EQ(p1.FSplitColX, 2400);
  EXPECT_EQ(p1.FSplitRowY, 1200);
  EXPECT_EQ(p1.FTopRow, 5);
  EXPECT_EQ(p1.FLeftCol, 3);
  EXPECT_EQ(p1.ActivePane(), 2);
  const xls::biff::TPane& p2 = biff->GetSheet(2)->FPane;
  EXPECT_EQ(p2.FPaneType, TPaneType::ptFrozen);
  EXPECT_EQ(p2.FSplitRowY, 3);
  EXPECT_EQ(p2.ActivePane(), 3);
}

// MERGEDCELLS: areas in order, a repeated one once; a count beyond the record reads the areas
// present, reversed or out-of-sheet areas merge nothing.
TEST_F(SheetRecords, Merged_AreasRepeatsAndHostileCounts) {
  const auto area = [](BiffBody& b, uint16_t r1, uint16_t r2, uint16_t c1, uint16_t c2) -> BiffBody& {
    return b.U16(r1).U16(r2).U16(c1).U16(c2);
  };
  BiffBody one = BiffBody().U16(3);
  area(area(area(one, 0, 1, 0, 1), 4, 4, 2, 5), 0, 1, 0, 1);
  BiffBody two = BiffBody().U16(0xFFFF);
  area(area(area(two, 9, 2, 0, 0), 0, 0, 3, 300), 6, 9, 7, 7);
  Load(Book({BiffRecord(0x00E5, one) + BiffRecord(0x00E5, two) + Number(0, 0, 1)}));
  xls::TXc12MergedCells& m = Ws().MergedCells();
  ASSERT_EQ(m.Count(), 3u);
  EXPECT_EQ(m.Items(0)->AsString(), u"A1:B2");
  EXPECT_EQ(m.Items(1)->AsString(), u"C5:F5");
  EXPECT_EQ(m.Items(2)->AsString(), u"H7:H10");
}

// HLINK: URL with display text and tooltip, a file two levels up, a place in the workbook, a
// UNC path; a link whose parts run past the record keeps its area and kind.
TEST_F(SheetRecords, Hyperlink_KindsAddressesAndTruncatedParts) {
  BiffBody url = LinkHead(0, 0, 0, 1, 0x17);
  Part(url, u"Example");
  UrlMoniker(url, u"http://example.com/");
  const std::string tip = BiffRecord(0x0800, BiffBody().U16(0x0800).U16(0).U16(0).U16(0).U16(1).Units(u"See it").U16(0));
  BiffBody file = LinkHead(1, 1, 0, 0, 0x01);
  file.Bytes(kFileMoniker).U16(2).U32(6).Bytes(std::string("a.xls\0", 6)).U16(0xFFFF).U16(0xDEAD);
  file.Bytes(std::string(20, '\0')).U32(0);
  BiffBody place = LinkHead(2, 2, 0, 0, 0x08);
  Part(place, u"Sheet2!A1");
  BiffBody unc = LinkHead(3, 3, 0, 0, 0x103);
  Part(unc, u"\\\\server\\share\\b.xls");
  BiffBody cut = LinkHead(4, 5, 2, 3, 0x17);
  cut.U32(0x7FFFFFFF).Units(u"Ex");
  BiffBody cutUrl = LinkHead(6, 6, 0, 0, 0x03);
  cutUrl.Bytes(kURLMoniker).U32(0xFFFFFFF0).Units(u"http://x");
  Load(Book({BiffRecord(0x01B8, url) + tip + BiffRecord(0x01B8, file) + BiffRecord(0x01B8, place) +
             BiffRecord(0x01B8, unc) + BiffRecord(0x01B8, cut) + BiffRecord(0x01B8, cutUrl) + Number(0, 0, 1)}));
  ASSERT_EQ(Ws().Hyperlinks().Count(), 6u);
  EXPECT_EQ(Link(0).AsString(), u"A1:B1");
  EXPECT_EQ(Link(0).FDisplay, u"Example");
  EXPECT_EQ(Link(0).Address(), u"http://example.com/");
  EXPECT_EQ(Link(0).FTooltip, u"See it");
  EXPECT_EQ(Link(0).HyperlinkType(), xls::TXLSHyperlinkType::xhltURL);
  EXPECT_EQ(Link(1).Address(), u"..\\..\\a.xls");
  EXPECT_EQ(Link(1).HyperlinkType(), xls::TXLSHyperlinkType::xhltFile);
  EXPECT_EQ(Link(2).FLocation, u"Sheet2!A1");
  EXPECT_EQ(Link(3).HyperlinkType(), xls::TXLSHyperlinkType::xhltUNC);
  EXPECT_NE(Link(3).Address().find(u"server\\share\\b.xls"), std::u16string::npos);
  EXPECT_EQ(Link(4).AsString(), u"C5:D6");
  EXPECT_EQ(Link(4).FHyperlinkEnc, xls::TXLSHyperlinkType::xhltURL);
  EXPECT_TRUE(Link(4).FDisplay.empty());
  EXPECT_TRUE(Link(5).Address().empty());
  EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"1");
  EXPECT_TRUE(warnings.empty());
}

// Page breaks keep the first row or column of the new page as their id and their bounds
// zero-based, as the package format does; BIFF5 breaks span the whole sheet. SETUP without valid
// printer settings gives A4, 100 %, 600 dpi, one copy, portrait; header texts of BIFF8 and BIFF5.
TEST_F(SheetRecords, PrintSettings_BreaksSetupAndHeaders) {
  const std::string breaks8 = BiffRecord(0x001B, BiffBody().U16(2).U16(10).U16(0).U16(255).U16(20).U16(0).U16(255)) +
                              BiffRecord(0x001A, BiffBody().U16(0x0FFF).U16(3).U16(0).U16(65535));
  const std::string setup = BiffRecord(0x00A1, BiffBody()
                                                   .U16(5).U16(55).U16(1).U16(2).U16(3).U16(0x0004)
                                                   .U16(300).U16(300).F64(0.25).F64(0.5).U16(7));
  const std::string header8 = BiffRecord(0x0014, BiffBody().Str8("&CPage"));
  Load(Book({breaks8 + setup + header8 + Number(0, 0, 1)}));
  ASSERT_EQ(Ws().RowBreaks().size(), 2u);
  EXPECT_EQ(Ws().RowBreaks()[0].FId, 10);
  EXPECT_EQ(Ws().RowBreaks()[0].FMax, 255);
  EXPECT_EQ(Ws().RowBreaks()[1].FId, 20);
  ASSERT_EQ(Ws().ColBreaks().size(), 1u);
  EXPECT_EQ(Ws().ColBreaks()[0].FId, 3);
  EXPECT_EQ(Ws().ColBreaks()[0].FMax, 65535);
  const xls::TXc12PageSetup& s = Ws().PageSetup();
  EXPECT_EQ(s.FPaperSize, xls::TXc12PaperSize::psA4);
  EXPECT_EQ(s.FScale, 100);
  EXPECT_EQ(s.FHorizontalDpi, 600);
  EXPECT_EQ(s.FCopies, 1);
  EXPECT_EQ(s.FOrientation, xls::TXc12Orientation::x12oPortrait);
  EXPECT_EQ(s.FFitToWidth, 2);
  EXPECT_EQ(Ws().PageMargins().FHeader, 0.25);
  EXPECT_EQ(Ws().HeaderFooter().FOddHeader, u"&CPage");

  const std::string breaks5 = BiffRecord(0x001B, BiffBody().U16(2).U16(10).U16(20));
  const std::string header5 = BiffRecord(0x0015, BiffBody().U8(6).Bytes("&RFoot"));
  Load(Book({breaks5 + header5 + Number(0, 0, 1)}, false));
  ASSERT_EQ(Ws().RowBreaks().size(), 2u);
  EXPECT_EQ(Ws().RowBreaks()[1].FId, 20);
  EXPECT_EQ(Ws().RowBreaks()[1].FMin, 0);
  EXPECT_EQ(Ws().RowBreaks()[1].FMax, 255);
  EXPECT_EQ(Ws().HeaderFooter().FOddFooter, u"&RFoot");
}

// Bare BIFF2-4 files: the BIFF2 BLANK and BOOLERR that SheetJS writes into all three are read
// (TRUE and #DIV/0!), BIFF2/3/4 FORMULA records give their cached results (a number, and a text
// in the STRING record behind), and the BIFF4 worksheet reader takes ROW, COLINFO and COLWIDTH.
// A BIFF4 record longer than 2,080 bytes stops the reading with a warning.
TEST_F(SheetRecords, BareFiles_Biff2CellsCachedFormulasAndBiff4Columns) {
  using kws::test::Biff2Cell;
  using kws::test::BiffBareFile;
  for (int version : {2, 3, 4}) {
    SCOPED_TRACE(version);
    const auto formula = [version](uint16_t row, uint16_t col, const std::string& cached) {
      if (version == 2) return BiffRecord(0x0006, Biff2Cell(row, col).Bytes(cached).U8(0).U8(0));
      return BiffRecord(version == 3 ? 0x0206 : 0x0406,
                        BiffBody().U16(row).U16(col).U16(0).Bytes(cached).U16(0).U16(0));
    };
    const std::string text = BiffBody().U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U16(0xFFFF);
    std::string r = BiffRecord(0x0001, Biff2Cell(0, 0)) + BiffRecord(0x0005, Biff2Cell(0, 1).U8(1).U8(0)) +
                    BiffRecord(0x0005, Biff2Cell(0, 2).U8(0x07).U8(1));
    r += formula(1, 0, BiffBody().F64(42)) + formula(1, 1, text);
    r += version == 2 ? BiffRecord(0x0007, BiffBody().U8(2).Bytes("ok"))
                      : BiffRecord(0x0207, BiffBody().U16(2).Bytes("ok"));
    if (version == 4)
      r += BiffRecord(0x0208, BiffBody().U16(1).U16(0).U16(2).U16(600).U16(0).U16(0).U16(0x0060).U16(0)) +
           BiffRecord(0x007D, BiffBody().U16(2).U16(3).U16(5120).U16(0).U16(1).U16(0)) +
           BiffRecord(0x0024, BiffBody().U8(5).U8(6).U16(2560)) + BiffRecord(0x0203, BiffBody().U16(3).U16(0).U16(0).U16(0)) +
           BiffRecord(0x00EC, std::string(3000, 'x')) + Number(2, 0, 9);
    const std::string file = BiffBareFile(version, r);
    warnings.clear();
    book.Readers().ReadLegacy = xls::biff::ReadLegacyWorkbook;
    book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()), true);
    xls::TXLSWorksheet& sheet = *book.Items(0);
    EXPECT_EQ(sheet.GetAsString(1, 0), u"TRUE");
    EXPECT_EQ(sheet.GetAsString(2, 0), u"#DIV/0!");
    EXPECT_EQ(sheet.GetAsString(0, 1), u"42");
    EXPECT_EQ(sheet.GetAsString(1, 1), u"ok");
    if (version != 4) {
      EXPECT_TRUE(warnings.empty());
      continue;
    }
    const xls::TXLSMMURowHeader* h = sheet.Cells().FindRow(1);
    ASSERT_NE(h, nullptr);
    const xls::TXLSMMURowHeader row = *h;
    EXPECT_EQ(uint16_t(row.Height), 600);
    EXPECT_EQ(row.Options, xls::xroHidden | xls::xroCustomHeight);
    xls::TXc12Columns& cols = Ws().Columns();
    ASSERT_EQ(cols.Count(), 2u);
    EXPECT_EQ(cols.Items(0)->FWidth, 20.0);
    EXPECT_EQ(cols.Items(0)->FOptions, xls::xcoHidden);
    EXPECT_EQ(cols.Items(1)->FMin, 5);
    EXPECT_EQ(cols.Items(1)->FWidth, 10.0);
    EXPECT_EQ(sheet.GetCellType(0, 2), xls::TXLSCellType::xctNone);  // behind the long record
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].Text.find(u"Record too short"), std::u16string::npos);
    EXPECT_NE(warnings[1].Text.find(u"reading stopped"), std::u16string::npos);
  }
}

// Rules: a CONDFMT announcing 4 CF followed by 2 keeps both and warns twice (bad count, CF
// missing); a DVAL announcing 3 DV whose second has a text flag 5 keeps the first rule whole and
// the second as far as read; a DV without DVAL is one rule; an AUTOFILTER of column 3 sits at
// position 3, its two 8-bit texts one after the other. The cells behind stay.
TEST_F(SheetRecords, Rules_BadCountsAndTextsKeepWhatWasRead) {
  const auto cf = [](uint8_t type, uint8_t op, const std::string& f1) {
    return BiffRecord(0x01B1, BiffBody().U8(type).U8(op).U16(uint16_t(f1.size())).U16(0).U32(0x003FFFFF).U16(0).Bytes(f1));
  };
  const std::string tokInt = std::string("\x1E\x05\x00", 3);
  const std::string condfmt = BiffRecord(0x01B0, BiffBody().U16(4).U16(1).U16(1).U16(3).U16(0).U16(1).U16(2)
                                                    .U16(1).U16(3).U16(0).U16(1).U16(1).U16(1).U16(0).U16(0));
  const auto dv = [](uint8_t flag) {
    return BiffRecord(0x01BE, BiffBody().U32(0x01).U16(1).U8(flag).Bytes("T").U16(0).U8(0).U16(0).U8(0).U16(0).U8(0)
                                  .U16(3).U16(0).Bytes(std::string("\x1E\x01\x00", 3)).U16(0).U16(0)
                                  .U16(1).U16(4).U16(6).U16(2).U16(2));
  };
  const std::string dval = BiffRecord(0x01B2, BiffBody().U16(0).U32(0).U32(0).U32(0xFFFFFFFF).U32(3));
  const std::string filter = BiffRecord(0x009B, "") +
      BiffRecord(0x009D, BiffBody().U16(4)) +
      BiffRecord(0x009E, BiffBody().U16(3).U16(0).U8(0x06).U8(2).U32(0).U8(1).U8(0).U8(0).U8(0)
                             .U8(0x06).U8(2).U32(0).U8(2).U8(0).U8(0).U8(0).U8(0).Bytes("a").U8(0).Bytes("bc"));
  Load(Book({condfmt + cf(1, 5, tokInt) + cf(2, 0, tokInt) + Number(0, 0, 1) + dval + dv(0) + dv(5) + Number(1, 0, 2) +
             dv(0) + filter + Number(2, 0, 3)}));
  EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"1");
  EXPECT_EQ(book.Items(0)->GetAsString(0, 1), u"2");
  EXPECT_EQ(book.Items(0)->GetAsString(0, 2), u"3");
  auto* biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
  ASSERT_NE(biff, nullptr);
  const xls::biff::TSheetRules* rules = xls::biff::FindSheetRules(*biff->GetSheet(0));
  ASSERT_NE(rules, nullptr);
  ASSERT_EQ(rules->FConditionalFormats.Count(), 1u);
  const xls::biff::TConditionalFormat& f = rules->FConditionalFormats.Items(0);
  EXPECT_EQ(f.ReadCount(), 2u);
  EXPECT_EQ(f.Areas().DelimitedText(), u"A2:B4 A2");
  EXPECT_EQ(f.Condition(0).CompOperator(), xls::biff::TConditionOperator::coGreater);
  EXPECT_FALSE(f.Condition(1).CompareCell());
  EXPECT_EQ(f.Condition(1).FFormula1.size(), 3u);
  EXPECT_TRUE(f.Condition(2).CompareCell());  // the third at its defaults
  ASSERT_EQ(rules->FDataValidations.Count(), 3u);
  EXPECT_EQ(rules->FDataValidations.Items(0).FInputTitle, u"T");
  EXPECT_EQ(rules->FDataValidations.Items(0).FAreas.DelimitedText(), u"C5:C7");
  EXPECT_EQ(rules->FDataValidations.Items(0).FValidationType, xls::biff::TValidationType::vtInteger);
  EXPECT_TRUE(rules->FDataValidations.Items(1).FAreas.DelimitedText().empty());
  EXPECT_EQ(rules->FDataValidations.Items(2).FAreas.DelimitedText(), u"C5:C7");  // the DV on its own
  const xls::biff::TAutoFilters& af = rules->FAutoFilters;
  EXPECT_EQ(af.FDropDownCount, 4);
  ASSERT_EQ(af.Count(), 4u);
  EXPECT_EQ(af.GetItems(0), nullptr);
  ASSERT_NE(af.GetItems(3), nullptr);
  EXPECT_EQ(af.GetItems(3)->FCondition1.vString, u"a");
  EXPECT_EQ(af.GetItems(3)->FCondition2.vString, u"bc");
  std::vector<std::u16string> texts;
  for (const auto& w : warnings) texts.push_back(w.Text);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_NE(texts[0].find(u"Bad number of CF records."), std::u16string::npos);
  EXPECT_NE(texts[1].find(u"Excpected record missing: CF"), std::u16string::npos);
  EXPECT_NE(texts[2].find(u"Unhandled string in DV"), std::u16string::npos);
}

// Clearing a sheet's autofilter deletes its _FilterDatabase name (both entries, as Gnumeric
// writes two) and leaves the other sheet's and the plain names.
TEST_F(SheetRecords, AutoFilterClear_DeletesTheSheetsFilterName) {
  const auto name = [](uint16_t sheet, std::string_view text, bool builtIn) {
    return BiffRecord(0x0018, BiffBody().U16(builtIn ? 0x20 : 0).U8(0).U8(uint8_t(text.size())).U16(0).U16(0)
                                  .U16(sheet).U32(0).U8(0).Bytes(text));
  };
  std::string globals = name(1, "\x0D", true) + name(1, "\x0D", true) + name(2, "\x0D", true) + name(0, "keep", false);
  std::string g;
  for (int i = 1; i <= 2; ++i) g += BiffBoundSheet("Sheet" + std::to_string(i));
  const std::string filter = BiffRecord(0x009B, "") + BiffRecord(0x009D, BiffBody().U16(1)) +
                             BiffRecord(0x009E, BiffBody().U16(0).U16(0).U8(0x0C).U8(2).U32(0).U32(0)
                                                    .U8(0).U8(0).U32(0).U32(0));
  Load(BiffCompoundFile(BiffWorkbookStream(g + globals, {filter + Number(0, 0, 1), Number(0, 0, 2)}, true), true));
  auto* biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
  ASSERT_NE(biff, nullptr);
  xls::TXc12DefinedNames& names = book.Manager().Workbook().DefinedNames();
  const auto live = [&names](int32_t sheet, xls::TXc12BuiltInName kind) {
    int n = 0;
    for (size_t i = 0; i < names.Count(); ++i)
      if (!names.Items(i)->Deleted() && names.Items(i)->LocalSheetId() == sheet && names.Items(i)->BuiltIn() == kind) ++n;
    return n;
  };
  using xls::TXc12BuiltInName;
  ASSERT_EQ(live(0, TXc12BuiltInName::bnFilterDatabase), 2);
  ASSERT_EQ(live(1, TXc12BuiltInName::bnFilterDatabase), 1);
  xls::biff::TAutoFilters& filters = xls::biff::SheetRules(*biff->GetSheet(0)).FAutoFilters;
  ASSERT_EQ(filters.Count(), 1u);
  filters.Clear();
  EXPECT_EQ(filters.Count(), 0u);
  EXPECT_EQ(live(0, TXc12BuiltInName::bnFilterDatabase), 0);
  EXPECT_EQ(live(1, TXc12BuiltInName::bnFilterDatabase), 1);
  EXPECT_EQ(live(-1, TXc12BuiltInName::bnNone), 1);  // "keep"
  EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"1");
}

// A CF's format blocks through their typed views: a font and border CF whose flag word has bit
// 10 clear (the left line assigned, the others not), a pattern-only CF whose flags leave the
// foreground colour unassigned; the setters of a default condition.
TEST_F(SheetRecords, Rules_ConditionFormatBlocks) {
  using xls::TXc12FontStyle;
  using xls::TXc12FontStyles;
  using xls::biff::TCondFmtSide;
  const std::string zeros64(64, '\0'), zeros16(16, '\0');
  const BiffBody font = std::move(BiffBody().Bytes(zeros64).U32(240).U32(0x02).U16(700).U16(0).U8(1).U8(0).U8(0).U8(0)
                                      .U32(10).U32(0).U32(0x18).U32(1).U32(0).Bytes(zeros16).U16(1));
  const BiffBody border = std::move(BiffBody().U16(0x0002).U32(12u | 64u << 7 | 64u << 16 | 64u << 23).U16(0));
  const BiffBody pattern = std::move(BiffBody().U16(1u << 10).U16(10u | 64u << 7));
  const uint32_t fontBorder = (0x003FFFFFu & ~(1u << 10)) | 1u << 26 | 1u << 28;
  const uint32_t patternOnly = (0x003FFFFFu & ~(1u << 16) & ~(1u << 17)) | 1u << 29;
  const std::string condfmt =
      BiffRecord(0x01B0, BiffBody().U16(2).U16(1).U16(0).U16(0).U16(0).U16(0).U16(1).U16(0).U16(0).U16(0).U16(0));
  const std::string cf1 = BiffRecord(0x01B1, BiffBody().U8(1).U8(3).U16(0).U16(0).U32(fontBorder).U16(0)
                                                 .Bytes(font.str()).Bytes(border.str()));
  const std::string cf2 =
      BiffRecord(0x01B1, BiffBody().U8(1).U8(3).U16(0).U16(0).U32(patternOnly).U16(0).Bytes(pattern.str()));
  Load(Book({condfmt + cf1 + cf2 + Number(0, 0, 1)}));
  EXPECT_TRUE(warnings.empty());
  auto* biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
  ASSERT_NE(biff, nullptr);
  xls::biff::TConditionalFormats& formats = xls::biff::SheetRules(*biff->GetSheet(0)).FConditionalFormats;
  ASSERT_EQ(formats.Count(), 1u);
  xls::biff::TConditionalFormat& f = formats.Items(0);

  xls::biff::TCondFmtData& a = f.Condition(0);
  EXPECT_TRUE(a.FmtFont().Assigned());
  EXPECT_EQ(a.FmtFont().Height20(), 240);
  EXPECT_EQ(a.FmtFont().FontStyle(), (TXc12FontStyles{TXc12FontStyle::xfsBold, TXc12FontStyle::xfsItalic}));
  EXPECT_EQ(a.FmtFont().Underline(), xls::TXc12Underline::xulSingle);
  EXPECT_EQ(a.FmtFont().Color(), 10);
  EXPECT_TRUE(a.FmtBorder().Assigned());
  EXPECT_TRUE(a.FBorderAssigned[0]);
  EXPECT_FALSE(a.FBorderAssigned[1] || a.FBorderAssigned[2] || a.FBorderAssigned[3]);
  EXPECT_EQ(a.FmtBorder().LeftStyle(), 2);
  EXPECT_EQ(a.FmtBorder().LeftColor(), 12);
  EXPECT_EQ(a.FmtBorder().RightColor(), 64);
  EXPECT_FALSE(a.FmtPattern().Assigned());

  xls::biff::TCondFmtData& b = f.Condition(1);
  EXPECT_FALSE(b.FmtFont().Assigned());
  EXPECT_EQ(b.FmtFont().Height20(), 0);  // not set
  EXPECT_EQ(b.FmtFont().Color(), 64);
  EXPECT_FALSE(b.FmtBorder().Assigned());
  EXPECT_EQ(b.FmtBorder().BottomColor(), 64);
  EXPECT_EQ(b.FmtPattern().FillPattern(), 1);
  EXPECT_EQ(b.FmtPattern().BackColor(), 10);
  EXPECT_EQ(b.FmtPattern().ForeColor(), 64);
  EXPECT_TRUE(b.FPatternAssigned[0] && b.FPatternAssigned[1]);
  EXPECT_FALSE(b.FPatternAssigned[2]);

  xls::biff::TCondFmtData& c = f.Condition(2);  // at its defaults
  xls::biff::TCondFmtFont cf = c.FmtFont();
  cf.SetHeight20(200);
  EXPECT_TRUE(cf.Assigned());
  cf.SetHeight20(0);  // stored as "not set": the font is no longer assigned
  EXPECT_EQ(cf.Height20(), 0);
  EXPECT_FALSE(cf.Assigned());
  cf.SetFontStyle(TXc12FontStyles{TXc12FontStyle::xfsStrikeOut});
  EXPECT_EQ(cf.FontStyle(), TXc12FontStyles{TXc12FontStyle::xfsStrikeOut});
  EXPECT_EQ(c.FFont[88], 0x1A);  // modified flags 0x9A without the strike-out bit
  cf.SetFontStyle(TXc12FontStyles{TXc12FontStyle::xfsBold, TXc12FontStyle::xfsItalic});
  EXPECT_EQ(c.FFont[88], 0x98 & ~0x02);
  EXPECT_EQ(c.FFont[72] | c.FFont[73] << 8, 700);
  EXPECT_TRUE(cf.Assigned());
  cf.SetUnderline(xls::TXc12Underline::xulDoubleAccount);
  EXPECT_EQ(c.FFont[76], 0x22);
  EXPECT_EQ(cf.Underline(), xls::TXc12Underline::xulDoubleAccount);
  cf.SetColor(200);  // the low 7 bits
  EXPECT_EQ(cf.Color(), 200 & 0x7F);
  cf.SetColor(64);
  EXPECT_EQ(cf.Color(), 64);
  xls::biff::TCondFmtBorder cb = c.FmtBorder();
  cb.SetStyle(TCondFmtSide::Top, 5);
  EXPECT_EQ(cb.TopStyle(), 5);
  EXPECT_EQ(cb.LeftStyle(), 0);
  EXPECT_TRUE(cb.Assigned());
  cb.SetStyle(TCondFmtSide::Top, 0);
  EXPECT_FALSE(cb.Assigned());
  cb.SetColor(TCondFmtSide::Bottom, 100);  // stored, read as automatic
  EXPECT_EQ(cb.BottomColor(), 64);
  cb.SetColor(TCondFmtSide::Bottom, 9);
  EXPECT_EQ(cb.BottomColor(), 9);
  EXPECT_EQ(cb.TopColor(), 64);
  xls::biff::TCondFmtPattern cp = c.FmtPattern();
  cp.SetForeColor(12);
  EXPECT_EQ(cp.ForeColor(), 12);
  EXPECT_EQ(cp.BackColor(), 64);
  EXPECT_TRUE(cp.Assigned());
  cp.SetForeColor(64);  // clears the field and its flag
  EXPECT_FALSE(cp.Assigned());
  cp.SetFillPattern(18);
  EXPECT_EQ(cp.FillPattern(), 18);
  cp.SetFillPattern(0);
  EXPECT_FALSE(cp.Assigned());
}

}  // namespace

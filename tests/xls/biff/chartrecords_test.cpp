// Chart record trees: chart sub-streams given as record runs, read by the tree reader and by the
// record loop (chart sheets), with font references, joined GELFRAMEs, chart drawings and the
// sub-streams the tree reader cannot take.
#include "xls/biff/chartrecords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/xls/biff/chart_fixtures.h"
#include "platform/textcodec.h"
#include "xls/biff/escherdrawing.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsstyles.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::biff {
namespace {

using namespace xls::biff::test;
using kws::test::Bof8Body;
using kws::test::BoundSheet8Body;
using kws::test::Le16;
using kws::test::Le32;

// An owner whose drawing reader fails, or keeps the drawing body in the placeholder and counts.
struct TestOwner : TChartTreeOwner {
  bool fail = false;
  int calls = 0;
  void LoadChartDrawing(TChartRecordSource& source, TChartRecord& placeholder, TXc12Fonts*) override {
    ++calls;
    if (fail) throw XLSRWException("drawing broken");
    placeholder.Bytes() = source.Body(TBIFFHeader{0x00EC, uint16_t(placeholder.Length())});
  }
  void SetDrawing(std::unique_ptr<TEscherDrawing>) override {}
};

// A model font list with `n` fonts after the default (as FONT records add them, with the
// placeholder at index 4).
struct Fonts {
  Hub hub;
  TXc12Fonts& list() { return hub.M().StyleSheet().Fonts(); }
  explicit Fonts(size_t n) {
    while (list().Count() < n + 1) list().Add();
  }
};

TEST(ChartTree_Read, NestsBeginEndAndStopsAtTheFirstEof) {
  const std::string run = R(0x0809, Bof8Body(0x20)) + R(0x0809, Bof8Body(0x20)) + R(0x1002, "chart") + Begin +
                          R(0x1003, "series") + Begin + R(0x1051, "brai") + End + R(0x1014, "fmt") + Begin +
                          R(0x1017, "bar") + Begin + R(0x105F, "x") + End + End + End + R(0x1044, "props") + Eof +
                          R(0x0809, Bof8Body(0x10)) + Eof;
  RunStream rs(run);
  TestOwner owner;
  auto root = NewChartRoot(&owner);
  std::vector<uint8_t> buf(8224);
  root->Read(rs.stream, buf, nullptr);
  EXPECT_EQ(Shape(*root), "FFFA(0809 0809 1002(1003(1051) 1014(1017(105F))) 1044 000A)");
  // The reader stopped after the sub-stream's own EOF although it began with two BOFs.
  TBIFFHeader next;
  ASSERT_EQ(rs.stream.ReadHeader(next), 4);
  EXPECT_EQ(next.RecID, 0x0809);
  EXPECT_EQ(root->Items(2)->Items(0)->Items(0)->Root(), root.get());
  EXPECT_EQ(std::string(root->Items(2)->Body().begin(), root->Items(2)->Body().end()), "chart");
}

TEST(ChartTree_Read, EndsAtTheStreamEndWithoutEof) {
  RunStream rs(R(0x1002, "c") + Begin + R(0x1003, "s"));
  auto root = NewChartRoot(nullptr);
  std::vector<uint8_t> buf(8224);
  root->Read(rs.stream, buf, nullptr);
  EXPECT_EQ(Shape(*root), "FFFA(1002(1003))");
}

// Lengths that lie: a body cut by the end of the stream keeps the bytes that are there; a
// GELFRAME chain that runs into the end of the stream keeps what it joined.
TEST(ChartTree_Read, BodiesCutByTheStreamEnd) {
  const std::string cut = R(0x1002, "c") + Le16(0x1066) + Le16(500) + "only eleven";
  auto a = TreeOf(cut);
  ASSERT_EQ(Shape(*a), "FFFA(1002 1066)");
  EXPECT_EQ(a->Items(1)->Length(), 11u);
  const std::string chain = R(0x1066, "first") + R(0x003C, "second") + Le16(0x003C) + Le16(9000) + "tail";
  auto b = TreeOf(chain);
  ASSERT_EQ(Shape(*b), "FFFA(1066)");
  EXPECT_EQ(std::string(b->Items(0)->Body().begin(), b->Items(0)->Body().end()), "firstsecondtail");
}

TEST(ChartTree_Read, JoinsGelframeWithItsContinuations) {
  // 8224 + 8224 + 8224 bytes, then 100 more: the joined frame passes 16 bits.
  const std::string a(8224, 'a'), b(8224, 'b'), c(100, 'c');
  std::string run = R(0x1066, a) + R(0x003C, b) + R(0x1066, b);
  for (int i = 0; i < 6; ++i) run += R(0x003C, a);
  run += R(0x003C, c) + R(0x1002, "x") + R(0x1066, "alone") + Eof;
  RunStream rs(run);
  auto root = NewChartRoot(nullptr);
  std::vector<uint8_t> buf(8224);
  root->Read(rs.stream, buf, nullptr);
  ASSERT_EQ(Shape(*root), "FFFA(1066 1002 1066 000A)");
  EXPECT_EQ(root->Items(0)->Length(), 8224u * 9 + 100);
  EXPECT_GT(root->Items(0)->Length(), 65535u);
  EXPECT_EQ(root->Items(0)->Body()[8224], 'b');
  EXPECT_EQ(root->Items(0)->Body().back(), 'c');
  EXPECT_NE(dynamic_cast<TChartRecordUpdate*>(root->Items(0)), nullptr);
  EXPECT_EQ(root->Items(2)->Length(), 5u);  // a GELFRAME followed by another record stays alone
}

TEST(ChartTree_Read, ChartDrawingsOf80BytesAreDroppedAndOf81Read) {
  const std::string d80(80, 'x'), d81(81, 'y');
  RunStream rs(R(0x1002, "c") + R(0x00EC, d80) + R(0x00EC, d81) + R(0x0012, "pp") + Eof);
  TestOwner owner;
  auto root = NewChartRoot(&owner);
  std::vector<uint8_t> buf(8224);
  root->Read(rs.stream, buf, nullptr);
  EXPECT_EQ(Shape(*root), "FFFA(1002 00EC 0012 000A)");
  EXPECT_EQ(owner.calls, 1);
  EXPECT_EQ(root->Items(1)->Length(), 81u);
  EXPECT_EQ(root->Items(1)->Body()[80], 'y');
}

TEST(ChartTree_Read, FbiLocksItsFontAndFontxFollowsFbiOrTheFontList) {
  Fonts f(8);
  // ifnt 5 is the file's fifth FONT record, entry 6 of the model's list.
  RunStream rs(R(0x0809, Bof8Body(0x20)) + R(0x1060, FbiBody(5)) + R(0x1060, FbiBody(2)) + R(0x1002, "c") + Begin +
               R(0x1026, Le16(5)) + R(0x1026, Le16(7)) + R(0x1026, Le16(99)) + End + Eof);
  auto root = NewChartRoot(nullptr);
  std::vector<uint8_t> buf(8224);
  root->Read(rs.stream, buf, &f.list());
  TXc12Font* six = f.list().Items(6);
  EXPECT_TRUE(six->Locked());
  EXPECT_TRUE(f.list().Items(3)->Locked());
  EXPECT_FALSE(f.list().Items(8)->Locked());
  const TChartRecord* fbi = root->Items(1);
  ASSERT_EQ(fbi->Length(), 14u);
  EXPECT_EQ(fbi->Font(), six);
  EXPECT_EQ(std::string(fbi->Body().begin() + 10, fbi->Body().end()), Le32(6));
  const TChartRecord* chart = root->Items(3);
  ASSERT_EQ(chart->Count(), 3u);
  EXPECT_EQ(chart->Items(0)->Font(), six);                 // matches the FBI of ifnt 5
  EXPECT_EQ(chart->Items(1)->Font(), f.list().Items(8));   // no FBI: workbook font 7 + 1
  EXPECT_EQ(chart->Items(2)->Font(), nullptr);             // outside the font list: no font
  EXPECT_EQ(chart->Items(0)->Length(), 0u);
}

TEST(ChartTree_Read, FbiOutsideTheFontListRefersToNoFont) {
  Fonts f(3);
  RunStream rs(R(0x1060, FbiBody(200)) + R(0x1002, "") + Eof);
  auto root = NewChartRoot(nullptr);
  std::vector<uint8_t> buf(8224);
  root->Read(rs.stream, buf, &f.list());
  EXPECT_EQ(root->Items(0)->Font(), nullptr);
  EXPECT_EQ(std::string(root->Items(0)->Body().begin() + 10, root->Items(0)->Body().end()), Le32(0xFFFFFFFF));
}

// What the tree reader cannot take: the reason, and the sub-stream kept flat up to its EOF.
TEST(ChartTree_Raw, SubStreamsTheTreeReaderCannotTakeStayRawToTheirEof) {
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += R(0x1002, "n") + Begin;
  Fonts f(3);
  TestOwner failing;
  failing.fail = true;
  struct Case {
    const char* what;
    std::string body;
    TChartTreeOwner* owner;
    const char* reason;
  } cases[] = {
      {"BEGIN first in a block", Begin + Begin + R(0x1002, "c") + End + End, nullptr, "Chart BEGIN record without a record before it"},
      {"nesting over 32", deep, nullptr, "Chart records nested too deep"},
      {"failing drawing", R(0x00EC, std::string(100, 'd')), &failing, "drawing broken"},
      {"drawing without owner", R(0x00EC, std::string(100, 'd')), nullptr,
       "Chart record parent is not of excpected type"},
      {"FONTX without FBI match", R(0x1060, FbiBody(1)) + R(0x1026, Le16(3)), nullptr, "Can not find FBI"},
  };
  for (const Case& c : cases) {
    const std::string run = R(0x0809, Bof8Body(0x20)) + c.body + R(0x1044, "p") + Eof + R(0x1234, "next");
    RunStream rs(run);
    auto root = NewChartRoot(c.owner);
    TStreamChartSource source(rs.stream);
    EXPECT_EQ(ReadChartOrRaw(*root, source, &f.list(), source.Pos()), c.reason) << c.what;
    ASSERT_GE(root->Count(), 3u) << c.what;
    EXPECT_EQ(root->Items(0)->RecId(), 0x0809) << c.what;
    EXPECT_EQ(root->Last()->RecId(), 0x000A) << c.what;
    for (size_t i = 0; i < root->Count(); ++i) EXPECT_EQ(root->Items(i)->Count(), 0u) << c.what;
    TBIFFHeader next;
    ASSERT_EQ(rs.stream.ReadHeader(next), 4) << c.what;
    EXPECT_EQ(next.RecID, 0x1234) << c.what;
  }
}

// ---- chart sheets through the record loop -------------------------------------------------------

std::string ChartSheetFile(const std::string& chart) {
  return R(0x0809, Bof8Body(5)) + R(0x0085, BoundSheet8Body("A")) + R(0x0085, BoundSheet8Body("C", 0, 2)) +
         R(0x0085, BoundSheet8Body("B")) + Eof + R(0x0809, Bof8Body(0x10)) + Eof + chart +
         R(0x0809, Bof8Body(0x10)) + R(0x0203, Le16(0) + Le16(0) + Le16(15) + kws::test::LeF64(7)) + Eof;
}

TEST(ChartSheet_Load, GnumericChartSheetWithTwoBofsEndsAtItsEof) {
  const std::string chart = R(0x0809, kws::test::Bof5Body(0x20)) + R(0x0809, Bof8Body(0x20)) + R(0x1002, "c") + Begin +
                            R(0x1060, FbiBody(0)) + End + Eof;
  Hub hub;
  TBIFF5 biff(hub.M());  // without the content handlers: the model's fonts are the hub's
  while (hub.M().StyleSheet().Fonts().Count() < 3) hub.M().StyleSheet().Fonts().Add();
  biff.LoadFromStream(std::span<const uint8_t>(Compound(ChartSheetFile(chart))));
  ASSERT_EQ(biff.SheetCharts().Count(), 1u);
  const TSheetChart& c = biff.SheetCharts().Items(0);
  EXPECT_EQ(c.Name(), u"C");
  EXPECT_EQ(c.SheetIndex(), 1);
  EXPECT_FALSE(c.Raw());
  EXPECT_EQ(Shape(c.Record()), "FFFA(0809 0809 1002(1060) 000A)");
  EXPECT_EQ(c.Record().Items(0)->Length(), 16u);  // the BOF node has 16 bytes whatever the file's
  ASSERT_EQ(hub.M().Worksheets().Count(), 2u);
  EXPECT_EQ(hub.M().Worksheets().Items(1)->FName, u"B");
  EXPECT_TRUE(hub.M().StyleSheet().Fonts().Items(1)->Locked());
}

// A chart sheet's drawing becomes the sheet chart's Escher
// drawing; the placeholder record stays in the tree.
TEST(ChartSheet_Load, ChartDrawingBecomesTheSheetChartsDrawing) {
  auto mso = [](uint16_t verInst, uint16_t fbt, const std::string& body) {
    return Le16(verInst) + Le16(fbt) + Le32(uint32_t(body.size())) + body;
  };
  const std::string patriarch =
      mso(0xF, 0xF004, mso(1, 0xF009, std::string(16, '\0')) + mso(2, 0xF00A, Le32(1024) + Le32(5)) +
                                 mso(3 | 1 << 4, 0xF00B, Le16(0x00BF) + Le32(0x00080008)));
  const std::string drawing =
      mso(0xF, 0xF002, mso(1 << 4, 0xF008, Le32(1) + Le32(1025)) + mso(0xF, 0xF003, patriarch));
  ASSERT_GT(drawing.size(), 80u);
  const std::string chart = R(0x0809, Bof8Body(0x20)) + R(0x0012, Le16(0)) + R(0x00EC, drawing) + R(0x1002, "c") + Eof;
  Hub hub;
  TXLSErrorList warnings;
  hub.M().Errors()->SetErrorList(&warnings);
  TBIFF5 biff(hub.M());
  biff.LoadFromStream(std::span<const uint8_t>(Compound(ChartSheetFile(chart))));
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(biff.SheetCharts().Count(), 1u);
  const TSheetChart& c = biff.SheetCharts().Items(0);
  EXPECT_FALSE(c.Raw());
  EXPECT_EQ(Shape(c.Record()), "FFFA(0809 0012 00EC 1002 000A)");
  ASSERT_NE(c.Drawing(), nullptr);
  EXPECT_EQ(c.Drawing()->DgId(), 1);
}

TEST(ChartSheet_Load, ChartTheTreeReaderCannotTakeStaysRawWithAWarning) {
  const std::string chart = R(0x0809, Bof8Body(0x20)) + Begin + Begin + R(0x1002, "c") + End + End + Eof;
  Hub hub;
  TXLSErrorList warnings;
  hub.M().Errors()->SetErrorList(&warnings);
  TBIFF5 biff(hub.M());
  biff.LoadFromStream(std::span<const uint8_t>(Compound(ChartSheetFile(chart))));
  ASSERT_EQ(biff.SheetCharts().Count(), 1u);
  EXPECT_TRUE(biff.SheetCharts().Items(0).Raw());
  EXPECT_EQ(Shape(biff.SheetCharts().Items(0).Record()), "FFFA(0809 1033 1033 1002 1034 1034 000A)");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].Number, XLSWARN_BIFF_RECORD_SKIPPED);
  EXPECT_EQ(kws::Utf16ToUtf8(warnings[0].Text),
            "W2003: Damaged record skipped: # 7, 0809 Offs: 00000057: Chart kept raw: Chart BEGIN record without "
            "a record before it");
  ASSERT_EQ(hub.M().Worksheets().Count(), 2u);  // the load went on to sheet B
}

}  // namespace
}  // namespace xls::biff

// Legacy drawings into the sheet objects' drawings: with the drawing library registered, each
// picture of a legacy sheet becomes a two-cell picture of its sheet's TXLSDrawing (its image in the
// hub's list, its anchor from the legacy anchor) and the drawing reads the sheet's text objects.
// Oracles: LibreOffice's .xlsx conversion of the same workbooks as openpyxl reads it
// (tests/data/xls-drawing/NAME.pictures, NAME.openpyxl) and the legacy side's own anchors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/xls/realfiles/realfiles.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffreader.h"
#include "xls/biff/drawingobjects.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/sheets.h"
#include "xls/drawingml/xlsdrawing.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsworksheetdata.h"

namespace {

using namespace xls;

class LegacyDrawing : public ::testing::Test {
 protected:
  LegacyDrawing() : book(Settings()) {}
  static FormatSettings Settings() {
    biff::RegisterBIFFReader();
    RegisterDrawings();
    return FormatSettings();
  }
  void SetUp() override {
    ResetXLSGlobals();
    book.Errors().SetErrorList(&warnings);
  }
  void LoadFile(const char* name) {
    warnings.clear();
    std::ifstream f(kws::test::RealFilesDir("xls-drawing") / name, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(bytes.empty()) << name;
    book.LoadFromBytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  }
  biff::TBIFF5& Biff() { return *dynamic_cast<biff::TBIFF5*>(book.BIFF()); }
  TXLSDrawing* Drawing(size_t sheet) { return dynamic_cast<TXLSDrawing*>(book.Items(sheet)->Drawing()); }
  // "picture" lines of NAME.pictures: sheet, format, from and to cell, from and to marker.
  static std::vector<std::vector<std::string>> Peer(const char* file) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& line : kws::test::ReadLines(kws::test::RealFilesDir("xls-drawing") / file)) {
      std::vector<std::string> f;
      std::stringstream in(line);
      for (std::string x; std::getline(in, x, '\t');) f.push_back(x);
      if (f.size() == 7 && f[0] == "picture") rows.push_back(f);
    }
    return rows;
  }
  static std::vector<int64_t> Numbers(const std::string& s) {
    std::vector<int64_t> out;
    std::stringstream in(s);
    for (std::string x; std::getline(in, x, ',');) out.push_back(std::stoll(x));
    return out;
  }
  TXLSBook book;
  TXLSErrorList warnings;
};

// Every legacy picture of lo-pictures.xls (a WMF, an EMF, a JPEG and two PNGs, one of them the
// BMP LibreOffice stored as PNG) is a picture of the sheet's drawing, in file order, named
// "Pict1_<j>", at the corner cells of its legacy anchor. Against openpyxl's reading of the
// conversion: the same corner cells and offsets within a pixel (the conversion places them by its
// own cell sizes). Differences by design: openpyxl drops the metafiles; it names the PNG made from
// the BMP "bmp" (the conversion writes it back as a BMP), where the legacy file holds a PNG.
TEST_F(LegacyDrawing, PicturesLandInTheSheetDrawingAtTheirAnchors) {
  LoadFile("lo-pictures.xls");
  EXPECT_TRUE(warnings.empty());
  TXLSDrawing* d = Drawing(0);
  ASSERT_NE(d, nullptr);
  const biff::TDrwPictures& legacy = Biff().GetSheet(0)->DrawingObjects().Pictures();
  ASSERT_EQ(d->Images().Count(), 5);
  ASSERT_EQ(legacy.Count(), 5u);
  const std::vector<std::u16string> names = {u"Pict1_1.wmf", u"Pict1_2.emf", u"Pict1_3.jpg", u"Pict1_4.png",
                                             u"Pict1_5.png"};
  const std::vector<std::u16string> types = {u"wmf", u"emf", u"jpeg", u"png", u"png"};
  for (int32_t j = 0; j < 5; ++j) {
    TXLSDrawingImage* img = d->Images().Items(j);
    const biff::TDrwPicture& p = legacy.Items(size_t(j));
    EXPECT_EQ(img->Image()->FDescr, names[size_t(j)]);
    EXPECT_EQ(img->ImageTypeStr(), types[size_t(j)]);
    // Metafiles too have their size, read from their headers.
    EXPECT_GT(img->Image()->FWidth, 0);
    EXPECT_GT(img->Image()->FHeight, 0);
    EXPECT_EQ(std::vector<int32_t>({img->Col1(), img->Row1(), img->Col2(), img->Row2()}),
              std::vector<int32_t>({p.Col1(), p.Row1(), p.Col2(), p.Row2()}));
  }
  // The pictures openpyxl reads: the JPEG and both PNGs.
  const auto peer = Peer("lo-pictures.pictures");
  ASSERT_EQ(peer.size(), 3u);
  for (size_t k = 0; k < peer.size(); ++k) {
    TXLSDrawingImage* img = d->Images().Items(int32_t(k + 2));
    const std::vector<int64_t> from = Numbers(peer[k][5]), to = Numbers(peer[k][6]);
    const xpgdml::xdr::TCT_Marker_Pos* f = img->Anchor()->From();
    const xpgdml::xdr::TCT_Marker_Pos* t = img->Anchor()->To_();
    EXPECT_EQ(std::vector<int64_t>({f->Col(), f->Row(), t->Col(), t->Row()}),
              std::vector<int64_t>({from[0], from[2], to[0], to[2]}));
    for (auto [ours, theirs] : {std::pair{int64_t(f->ColOff()), from[1]}, std::pair{int64_t(f->RowOff()), from[3]},
                                std::pair{int64_t(t->ColOff()), to[1]}, std::pair{int64_t(t->RowOff()), to[3]}})
      EXPECT_LE(std::llabs(ours - theirs), 9525) << k << ": " << ours << " against " << theirs;
  }
}

// lo-drawing.xls: its one picture lands in the drawing as the conversion holds it; the sheet
// without a drawing gets no drawing.
TEST_F(LegacyDrawing, PictureOfTheDrawingFixtureAsTheConversionHoldsIt) {
  LoadFile("lo-drawing.xls");
  TXLSDrawing* d = Drawing(0);
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->Images().Count(), 1);
  const auto peer = Peer("lo-drawing.pictures");
  ASSERT_EQ(peer.size(), 1u);
  EXPECT_EQ(d->Images().Items(0)->ImageTypeStr(), u"png");
  EXPECT_EQ(d->Images().Items(0)->Col1(), Numbers(peer[0][5])[0]);
  EXPECT_EQ(d->Images().Items(0)->Row1(), Numbers(peer[0][5])[2]);
  EXPECT_EQ(d->Images().Items(0)->Col2(), Numbers(peer[0][6])[0]);
  EXPECT_EQ(d->Images().Items(0)->Row2(), Numbers(peer[0][6])[2]);
  ASSERT_EQ(book.Count(), 2u);
  EXPECT_EQ(book.Items(1)->Xc12Sheet().Drawing(), nullptr);
}

// gn-drawing.xls: the drawing reads and writes the sheet's legacy text objects through a text box
// (the text box make_fixtures.py gives the source, "Gnumeric text box").
TEST_F(LegacyDrawing, DrawingReadsAndWritesTheLegacyTextObjects) {
  LoadFile("gn-drawing.xls");
  TXLSDrawing* d = Drawing(0);
  ASSERT_NE(d, nullptr);
  biff::TDrawingObjects& objects = Biff().GetSheet(0)->DrawingObjects();
  ASSERT_EQ(d->BIFFDrawing(), &objects);
  ASSERT_EQ(objects.Texts().Count(), 1u);
  TXLSDrawingTextBox* box = d->TextBoxes().Add(nullptr);
  EXPECT_EQ(box->PlainText(), u"Gnumeric text box");
  box->SetPlainText(u"new text");
  EXPECT_EQ(objects.Texts().Items(0).Text(), u"new text");
  // A text object the sheet does not have reads empty and takes nothing.
  box->FCurrIndex = 1;
  EXPECT_EQ(box->PlainText(), u"");
  box->SetPlainText(u"lost");
  EXPECT_EQ(objects.Texts().Items(0).Text(), u"new text");
}

// Turned into a new-format workbook, the sheets keep their drawings but the legacy reader object
// goes: the text boxes no longer reach into its text objects (a freed read under the sanitizers).
TEST_F(LegacyDrawing, NewFormatLetsGoOfTheLegacyTexts) {
  LoadFile("gn-drawing.xls");
  TXLSDrawing* d = Drawing(0);
  ASSERT_NE(d, nullptr);
  ASSERT_NE(d->BIFFDrawing(), nullptr);
  book.SetVersion(TExcelVersion::xvExcel2007);
  EXPECT_EQ(book.BIFF(), nullptr);
  EXPECT_EQ(d->BIFFDrawing(), nullptr);
  TXLSDrawingTextBox* box = d->TextBoxes().Add(nullptr);
  EXPECT_EQ(box->PlainText(), u"");
  box->SetPlainText(u"new text");
  EXPECT_EQ(box->PlainText(), u"");
}

// A new load starts over: the previous workbook's pictures are gone from the drawings and the
// image list, and the reader's pictures come from the new file alone.
TEST_F(LegacyDrawing, ReloadKeepsNoPictureOfThePreviousFile) {
  LoadFile("lo-pictures.xls");
  LoadFile("gn-drawing.xls");
  TXLSDrawing* d = Drawing(0);
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->Images().Count(), 1);
  EXPECT_EQ(d->Images().Items(0)->Image()->FDescr, u"Pict1_1.png");
  EXPECT_EQ(book.Manager().GrManager().Images().Count(), 1u);
  EXPECT_EQ(Biff().GetSheet(0)->DrawingObjects().Pictures().Items(0).Col1(), d->Images().Items(0)->Col1());
}

}  // namespace

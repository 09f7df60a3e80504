// A bounded fuzz run over sheet drawing parts: the drawing part of the stored-parts copy of the
// LibreOffice shapes fixture (tests/data/xlsx, make_fixtures.py --drawings) is mutated, packed
// back with the other parts and loaded with the drawing library registered. A drawing never ends
// a load: every input loads with its cells, and a drawing that cannot be read leaves the sheet an
// empty drawing. KWS_FUZZ_SECONDS and KWS_FUZZ_INPUTS set the budget of a longer manual run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/mutator.h"
#include "tests/support/zipwriter.h"
#include "tests/xls/drawingml/packageparts.h"
#include "xls/drawingml/xlsdrawing.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::FixtureParts;
using Parts = kws::test::PackageParts;

TEST(DrawingParts_Fuzz, MutatedDrawingsNeverEndALoad) {
  xls::RegisterXLSXReader();
  xls::RegisterDrawings();
  const Parts parts = FixtureParts("libreoffice-shapes-stored.xlsx");
  std::vector<std::string> corpus;
  for (const auto& [name, data] : parts)
    if (name.rfind("xl/drawings/drawing", 0) == 0) corpus.push_back(data);
  ASSERT_FALSE(corpus.empty());
  xls::TXLSBook book;
  const auto budget = kws::test::FuzzBudget::FromEnvironment(10.0, 3000);
  uint64_t read = 0;
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 25, [&](const std::string& drawing) {
    kws::test::ZipWriter z;
    for (const auto& [name, data] : parts)
      z.Stored(name, name.rfind("xl/drawings/drawing", 0) == 0 ? std::string_view(drawing) : std::string_view(data));
    const std::string bytes = z.Bytes();
    book.LoadFromBytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_EQ(book.Count(), 1u);
    EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"shapes");
    auto* doc = dynamic_cast<xls::TXLSSheetDrawingDocument*>(book.Items(0)->Xc12Sheet().Drawing());
    ASSERT_NE(doc, nullptr);
    auto* layer = dynamic_cast<xls::TXLSDrawing*>(book.Items(0)->Drawing());
    ASSERT_NE(layer, nullptr);
    // Every object's position reads within the sheet.
    for (int i = 0; i < layer->Images().Count(); ++i) {
      xls::TXLSDrawingImage* img = layer->Images().Items(i);
      EXPECT_LE(img->Row2(), 1048575);
      EXPECT_GE(img->Col1Offs(), 0.0);
      img->ImageTypeStr();
    }
    for (int i = 0; i < layer->Shapes().Count(); ++i) EXPECT_LE(layer->Shapes().Items(i)->Col2(), 16383);
    if (doc->WsDr()->EG_Anchor()->TwoCellAnchorXpgList()->Count() > 0) ++read;
  });
  std::printf("drawing part fuzz: %llu inputs, %llu with anchors read\n", static_cast<unsigned long long>(n),
              static_cast<unsigned long long>(read));
  EXPECT_GT(n, 0u);
}

}  // namespace

// Legacy sheet objects: names, ids, dimension from the DIMENSIONS slot, view properties over
// short slot bodies, pane and selection.
#include "xls/biff/sheets.h"

#include <gtest/gtest.h>

#include <functional>

#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

TEST(Sheets_Names, CaseBlindNamesAndIdsNeverReused) {
  TSheets sheets(nullptr, nullptr);
  TSheet* a = sheets.Add();
  sheets.Add();
  sheets.Add();
  EXPECT_EQ(a->Name(), u"Sheet1");
  a->SetName(u"SHEET1");
  EXPECT_EQ(a->Name(), u"Sheet1");
  a->SetName(u"Données");
  EXPECT_EQ(sheets.SheetByName(u"DONNÉES"), a);
  EXPECT_EQ(sheets.SheetByName(u"Nowhere"), nullptr);
  EXPECT_EQ(sheets.GetSheet(2)->Index(), 2);
  EXPECT_THROW(sheets.GetSheet(3), std::out_of_range);
  sheets.ClearAll();
  EXPECT_EQ(sheets.Count(), 0u);
  EXPECT_EQ(sheets.Add()->Name(), u"Sheet4");
  sheets.Clear();
  ASSERT_EQ(sheets.Count(), 1u);
  EXPECT_EQ(sheets.GetSheet(0)->Name(), u"Sheet5");
}

TEST(Sheets_Dimension, FromTheDimensionsSlot) {
  TSheets sheets(nullptr, nullptr);
  TSheet* s = sheets.Add();
  s->AfterFileRead();
  EXPECT_EQ(s->FDimension.Col1 | s->FDimension.Col2 | s->FDimension.Row1 | s->FDimension.Row2, 0);
  // Rows 2..10, columns 1..4 (row and column after the last: 11 and 5).
  const uint8_t dim[14] = {2, 0, 0, 0, 11, 0, 0, 0, 1, 0, 5, 0, 0, 0};
  s->Records().UpdateDefault(TBIFFHeader{0x0200, 14}, dim);
  s->AfterFileRead();
  EXPECT_EQ(s->FirstRow(), 2);
  EXPECT_EQ(s->LastRow(), 10);
  EXPECT_EQ(s->FirstCol(), 1);
  EXPECT_EQ(s->LastCol(), 4);
  s->SetLastCol(300);  // the slot keeps the BIFF limit
  EXPECT_EQ(s->Records().DIMENSIONS().U16(10), 255);
  s->ClearData();
  EXPECT_FALSE(s->FHasDefaultRecords);
  EXPECT_EQ(s->Records().DIMENSIONS().U16(10), 0);
}

TEST(Sheets_View, PropertiesOverWindow2AndWsbool) {
  TSheets sheets(nullptr, nullptr);
  TSheet* s = sheets.Add();
  EXPECT_EQ(s->Options(), (1u << soGridlines) | (1u << soRowColHeadings) | (1u << soShowZeros));
  s->SetOptions(1u << soFrozenPanes);
  EXPECT_EQ(s->Records().WINDOW2().U16(0), 0x04A8);
  s->SetLeftCol(300);
  s->SetLeftCol(7);
  s->SetTopRow(-1);
  s->SetTopRow(9);
  s->SetZoom(120);
  EXPECT_EQ(s->LeftCol(), 7);
  EXPECT_EQ(s->TopRow(), 9);
  EXPECT_EQ(s->Zoom(), 120);
  s->SetWorkspaceOptions((1u << woShowAutoBreaks) | (1u << woFitToPage) | (1u << woOutlineSymbols));
  EXPECT_EQ(s->Records().WSBOOL(), 0x0001 | 0x0100 | 0x0400);
  EXPECT_EQ(s->WorkspaceOptions(), (1u << woShowAutoBreaks) | (1u << woFitToPage) | (1u << woOutlineSymbols));

  // A BIFF5 WINDOW2 of 10 bytes has no zoom words: they read 0 and are not written.
  TSheet* t = sheets.Add();
  const uint8_t w2[10] = {0xB6, 0x06, 0, 0, 0, 0, 0x40, 0, 0, 0};
  t->Records().UpdateDefault(TBIFFHeader{0x023E, 10}, w2);
  t->Assign(*s);
  EXPECT_EQ(t->Zoom(), 0);
  EXPECT_EQ(t->Records().WINDOW2().Size(), 10u);
  EXPECT_EQ(t->Options(), s->Options());
  EXPECT_EQ(t->WorkspaceOptions(), s->WorkspaceOptions());

  TBasicSheet plain;
  try {
    t->Assign(plain);
    FAIL();
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Object is not TSheet");
  }
}

TEST(Sheets_Pane, ActivePaneAndSelection) {
  TPane p;
  EXPECT_EQ(p.ActivePane(), 3);
  p.SetActivePane(1);
  try {
    p.SetActivePane(4);
    FAIL();
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Value out of range");
  }
  EXPECT_EQ(p.ActivePane(), 1);
  p.Clear();
  EXPECT_EQ(p.ActivePane(), 3);

  TSelectedAreas sel;
  sel.Init(0, 0);
  sel.Add(3, 3, 5, 8);
  EXPECT_TRUE(sel.AreaInAreas(5, 8, 9, 9));
  EXPECT_FALSE(sel.AreaInAreas(6, 0, 9, 2));
  sel.Move(2, 4);
  ASSERT_EQ(sel.Count(), 1u);
  EXPECT_EQ(sel.GetItems(0).Col1(), 2);
  EXPECT_EQ(sel.GetItems(0).Row2(), 4);
  EXPECT_EQ(sel.FActiveRow, 4);
  EXPECT_EQ(sel.GetItems(0).FId, 0);
}

// The area-list cases: each starts from its areas (A1 text), applies one edit and gives the
// areas after it, or the error.
TEST(CellAreas97_Edit, PlainAndSolidListsWithinTheLegacyLimits) {
  enum Kind { Plain, Merged };
  struct Case {
    const char* what;
    Kind kind;
    std::u16string_view areas;
    std::function<void(TBaseCellAreas&)> edit;
    std::u16string_view after;  // "!" and the message when the edit raises
  };
  const Case cases[] = {
      {"hole in a 10 x 10 area", Plain, u"A1:J10", [](TBaseCellAreas& l) { l.Delete(3, 3, 5, 5); },
       u"A1:J3 A7:J10 A4:C6 G4:J6"},
      {"delete covering an area", Plain, u"B2:C3 F6", [](TBaseCellAreas& l) { l.Delete(0, 0, 4, 4); }, u"F6"},
      {"delete missing every area", Plain, u"B2:C3", [](TBaseCellAreas& l) { l.Delete(9, 9, 9, 9); }, u"B2:C3"},
      {"move left past column 0", Plain, u"C1:D2", [](TBaseCellAreas& l) { l.Move(-5, 0); }, u""},
      {"move left clipped", Plain, u"C1:K2", [](TBaseCellAreas& l) { l.Move(-5, 0); }, u"A1:F2"},
      {"move right clipped at IV", Plain, u"IR1:IU1", [](TBaseCellAreas& l) { l.Move(3, 0); }, u"IU1:IV1"},
      {"copy below extends", Plain, u"A2:A4", [](TBaseCellAreas& l) { l.Copy(0, 1, 0, 3, 0, 3); }, u"A2:A7"},
      {"include cuts", Plain, u"A1:C3 E5", [](TBaseCellAreas& l) { l.Include(1, 1, 4, 4); }, u"B2:C3 E5"},
      {"merged cut in two", Merged, u"A1:C3", [](TBaseCellAreas& l) { l.Delete(1, 0, 1, 5); },
       u"!Can not change part of a merged cell"},
      {"merged covered", Merged, u"A1:C3 E1:E2", [](TBaseCellAreas& l) { l.Delete(0, 0, 3, 3); }, u"E1:E2"},
      {"merged cut in one piece", Merged, u"A1:C3", [](TBaseCellAreas& l) { l.Delete(0, 0, 2, 0); }, u"A2:C3"},
      {"merged: later area refused, earlier unchanged", Merged, u"A1:A3 C1:E3",
       [](TBaseCellAreas& l) { l.Delete(0, 0, 3, 0); }, u"!Can not change part of a merged cell"},
      {"merged moved past IV is clipped", Merged, u"IT1:IU2",
       [](TBaseCellAreas& l) { l.Move(250, 0, 255, 65535, 2, 0); }, u"IV1:IV2"},
      {"merged copy whole", Merged, u"B2:C3", [](TBaseCellAreas& l) { l.Copy(2, 2, 2, 2, 0, 4); }, u"B2:C3 B6:C7"},
      {"merged copy off the sheet", Merged, u"B2:C3", [](TBaseCellAreas& l) { l.Copy(1, 1, 2, 2, -5, 0); },
       u"B2:C3"},
  };
  for (const Case& c : cases) {
    TCellAreas97 plain;
    TMergedCells merged;
    TBaseCellAreas& l = c.kind == Plain ? static_cast<TBaseCellAreas&>(plain) : merged;
    l.SetDelimitedText(c.areas);
    const std::u16string before = l.DelimitedText();
    std::u16string got;
    try {
      c.edit(l);
      got = l.DelimitedText();
    } catch (const XLSRWException& e) {
      got = u"!" + std::u16string(e.Message());
      EXPECT_EQ(l.DelimitedText(), before) << c.what;  // a refused edit changes nothing
    }
    EXPECT_EQ(got, c.after) << c.what;
  }
  TCellAreas97 ids;
  ids.Add(0, 0, 1, 1);
  ids.Add(2, 2, 3, 3);
  ids.Remove(0);
  EXPECT_EQ(ids.Add(4, 4, 4, 4).Id(), 2);  // never reused
  EXPECT_EQ(ids.GetItems(0).Id(), 1);
}

}  // namespace
}  // namespace xls::biff

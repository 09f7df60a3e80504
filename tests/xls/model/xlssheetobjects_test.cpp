// The members a workbook package holds beside cells: document properties over their kept tree,
// the sheet protection's password text, the lists the class factory makes, the list separator.
#include "xls/model/xlssheetobjects.h"

#include <gtest/gtest.h>

#include <cmath>

#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/package/xpgdom.h"

namespace xls {
namespace {

TEST(DocProps_Dates, W3CDateTimeTextToSerialAndBack) {
  // Serials from Python's datetime: (t - 1899-12-30) in days.
  struct Case {
    const char16_t* text;
    double serial;
  } const cases[] = {
      {u"2024-03-05T14:30:00Z", 45356.604166666664},
      {u"2024-03-05T16:30:00+02:00", 45356.604166666664},  // the offset is taken off
      {u"2024-03-05T12:30:00-02:00", 45356.604166666664},
      {u"2024-03-05T14:30:00.5Z", 45356.604166666664 + 0.5 / 86400},
      {u"2006-09-16", 38976},
      {u"", 0},
      {u"2024-13-05T14:30:00Z", 0},
      {u"2024-03-05 14:30:00", 0},
      {u"2024-03-05T14:30Z", 0},
      {u"2024-03-05T14:30:00Zjunk", 0},
      {u"yesterday", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::u16string(c.text).size());
    EXPECT_NEAR(TXc12DocProps::XmlTextToDateTime(c.text), c.serial, 1e-9);
  }
  EXPECT_EQ(TXc12DocProps::DateTimeToXmlText(45356.604166666664), u"2024-03-05T14:30:00Z");
  EXPECT_EQ(TXc12DocProps::DateTimeToXmlText(38976), u"2006-09-16T00:00:00Z");
  EXPECT_EQ(TXc12DocProps::DateTimeToXmlText(NAN), u"");
}

TEST(DocProps_Tree, ReadsAndWritesTheNodesOfTheKeptPart) {
  TXLSErrorManager errors;
  TXc12FileData data(&errors);
  TXc12DocProps props(&data);
  // Without a tree every property is empty and writes change nothing.
  EXPECT_EQ(props.Creator(), u"");
  EXPECT_EQ(props.DateCreated(), 0);
  props.SetCreator(u"x");
  EXPECT_EQ(props.Creator(), u"");

  auto dom = std::make_unique<TXpgSimpleDOM>();
  dom->LoadFromString(TXc12DocProps::Template());
  data.FDocPropsCore.FDom = std::move(dom);
  EXPECT_EQ(props.Creator(), u"");
  props.SetCreator(u"Ann");
  props.SetLastModifiedBy(u"Bob");
  props.SetDateCreated(45356.604166666664);
  props.SetDateModified(38976);
  EXPECT_EQ(props.Creator(), u"Ann");
  EXPECT_EQ(props.LastModifiedBy(), u"Bob");
  EXPECT_NEAR(props.DateCreated(), 45356.604166666664, 1e-9);
  EXPECT_EQ(data.FDocPropsCore.Find(u"cp:coreProperties/dcterms:modified")->NodeText(),
            u"2006-09-16T00:00:00Z");
  data.Clear();
  EXPECT_TRUE(data.FDocPropsCore.Empty());
  EXPECT_EQ(props.LastModifiedBy(), u"");
}

TEST(SheetProtection_PasswordAsString, StoresTheVerifierOfTheLatin1Text) {
  TXc12SheetProtection p;
  p.SetPasswordAsString(u"secret");
  EXPECT_EQ(p.FPassword, 0xDAA7);  // the verifier of the published algorithm
  TXc12SheetProtection longer;
  longer.SetPasswordAsString(u"fifteenchars123XYZ");
  TXc12SheetProtection cut;
  cut.SetPasswordAsString(u"fifteenchars123");
  EXPECT_EQ(longer.FPassword, cut.FPassword);
  TXc12SheetProtection wide, question;
  wide.SetPasswordAsString(u"pa\u4e2dss");
  question.SetPasswordAsString(u"pa?ss");
  EXPECT_EQ(wide.FPassword, question.FPassword);
}

// A factory that makes its own hyperlink and validation classes and counts what it is asked for.
struct MyLink : TXc12Hyperlink {};
struct MyValidation : TXc12DataValidation {};
struct MyValidations : TXc12DataValidations {
  using TXc12DataValidations::TXc12DataValidations;
};
class CountingFactory : public TXLSClassFactory {
 public:
  std::unique_ptr<TXLSFactoryObject> CreateAClass(TXLSClassFactoryType kind, void* owner) override {
    ++asked[static_cast<size_t>(kind)];
    owners.push_back(owner);
    switch (kind) {
      case TXLSClassFactoryType::xcftHyperlinksMember:
        return std::make_unique<MyLink>();
      case TXLSClassFactoryType::xcftDataValidations:
        return std::make_unique<MyValidations>(this);
      case TXLSClassFactoryType::xcftDataValidationsMember:
        return std::make_unique<MyValidation>();
      default:
        return nullptr;
    }
  }
  int asked[32] = {};
  std::vector<void*> owners;
};

TEST(SheetLists_Factory, LinksAndValidationsComeFromTheFactory) {
  CountingFactory f;
  TXc12DataWorksheet sheet(&f, 0, nullptr, nullptr);
  EXPECT_NE(dynamic_cast<MyValidations*>(&sheet.DataValidations()), nullptr);
  EXPECT_NE(dynamic_cast<MyValidation*>(sheet.AddDataValidation()), nullptr);
  TXc12Hyperlink* link = sheet.Hyperlinks().AddLink();
  EXPECT_NE(dynamic_cast<MyLink*>(link), nullptr);
  EXPECT_EQ(link->FRef, (TXLSCellArea{-1, -1, -1, -1}));  // cleared
  EXPECT_EQ(f.asked[size_t(TXLSClassFactoryType::xcftHyperlinksMember)], 1);
  EXPECT_EQ(f.owners.back(), &sheet.Hyperlinks());

  sheet.DataValidations().FDisablePrompts = true;
  sheet.DataValidations().FXWindow = 7;
  sheet.DataValidations().Clear();
  EXPECT_TRUE(sheet.DataValidations().empty());
  EXPECT_FALSE(sheet.DataValidations().FDisablePrompts);
  EXPECT_EQ(sheet.DataValidations().FXWindow, 0);

  // Without a factory the model's own classes serve.
  TXc12DataWorksheet plain(nullptr, 0, nullptr, nullptr);
  EXPECT_NE(plain.AddDataValidation(), nullptr);
  EXPECT_NE(plain.Hyperlinks().AddLink(), nullptr);
}

TEST(SheetLists_Factory, ComponentMakesLinksAndValidationLists) {
  TXLSBook book;
  TXc12DataWorksheet& sheet = *book.Manager().Worksheets().Items(0);
  EXPECT_NE(sheet.Hyperlinks().AddLink(), nullptr);
  EXPECT_EQ(sheet.Hyperlinks().Count(), 1u);
  EXPECT_EQ(sheet.DataValidations().FClassFactory, book.Manager().ClassFactory());
}

TEST(SheetObjects_Lists, ScenariosInputCellsAndConsolidationClear) {
  TXc12Scenarios sc;
  TXc12Scenario* s = sc.Add();
  s->FName = u"Best";
  s->FCount = 2;
  EXPECT_EQ(s->FInputCells.Add(u"C7")->FCol, 2);
  EXPECT_EQ(s->FInputCells.Items(0)->FRow, 6);
  EXPECT_EQ(s->FInputCells.Add(u"no cell")->FCol, 0);  // stays at A1
  s->Clear();
  EXPECT_EQ(s->FName, u"");
  EXPECT_EQ(s->FInputCells.Count(), 0u);
  EXPECT_EQ(s->FCount, 2);  // kept
  sc.FCurrent = 1;
  sc.FSqref.SetDelimitedText(u"A1:B2");
  sc.Clear();
  EXPECT_EQ(sc.Count(), 0u);
  EXPECT_EQ(sc.FCurrent, 0);
  EXPECT_EQ(sc.FSqref.DelimitedText(), u"A1:B2");  // kept

  TXc12DataConsolidate dc;
  dc.FFunction = TXc12DataConsolidateFunction::x12dcfMax;
  dc.FDataRefs.Add()->FSheet = u"S";
  dc.Clear();
  EXPECT_EQ(dc.FFunction, TXc12DataConsolidateFunction::x12dcfSum);
  EXPECT_EQ(dc.FDataRefs.Count(), 0u);
}

TEST(Manager_Members, RowSeparatorIsTheListSeparatorAndClearDropsKeptParts) {
  TXLSClassFactoryImpl factory;
  TXLSErrorManager errors;
  struct Case {
    char16_t decimal, list, row;
  } const cases[] = {{u'.', 0, u','}, {u',', 0, u';'}, {u'.', u'|', u'|'}};
  for (const auto& c : cases) {
    FormatSettings fs;
    fs.DecimalSeparator = c.decimal;
    fs.ListSeparator = c.list;
    EXPECT_EQ(TXc12Manager(&factory, &errors, fs).FRowSeparator, c.row);
  }

  TXc12Manager hub(&factory, &errors);
  hub.CreateMembers();
  EXPECT_FALSE(hub.FHasXSS);
  EXPECT_EQ(hub.FProgressType, TXLSProgressType::xptNone);
  hub.Workbook().Connections().FBytes = {1, 2};
  hub.FileData().FOPC = std::make_unique<TXc12PackageObject>();
  hub.Clear();
  EXPECT_TRUE(hub.Workbook().Connections().Empty());
  EXPECT_EQ(hub.FileData().FOPC, nullptr);
}

}  // namespace
}  // namespace xls

#include "xls/model/xlserrors.h"

#include <gtest/gtest.h>

namespace xls {
namespace {

TEST(ErrorManager_Error, RaisesWithTableTextWhenNothingTakesIt) {
  TXLSErrorManager em;
  try {
    em.Error(u"Total", 3001);
    FAIL() << "no exception";
  } catch (const XLSRWException& e) {
    EXPECT_EQ(e.Message(), u"E3001: Can not find Defined Name \"Total\"");
    EXPECT_STREQ(e.what(), "E3001: Can not find Defined Name \"Total\"");
  }
  EXPECT_EQ(em.LastError(), 3001);
  EXPECT_EQ(em.ErrorCount(), 1);
}

TEST(ErrorManager_Error, EventFilterListAndIgnore) {
  TXLSErrorManager em;
  std::vector<std::u16string> seen;
  em.SetOnError([&](TXLSErrorManager* sender, TXLSErrorLevel level, const std::u16string& text) {
    EXPECT_EQ(sender, &em);
    EXPECT_EQ(level, TXLSErrorLevel::xelError);
    seen.push_back(text);
  });
  em.Error(u"Data", 3003);  // taken by the event
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], u"E3003: There is already a sheet with name \"Data\"");
  EXPECT_TRUE(em.ErrorList().empty());

  em.SetFilter({TXLSErrorLevel::xelError});  // event filtered out, no list: raises
  EXPECT_THROW(em.Error(u"", 3005), XLSRWException);
  EXPECT_EQ(seen.size(), 1u);

  em.SetSaveToList(true);  // now only listed
  EXPECT_NO_THROW(em.Error(u"Sheet", 4016));
  ASSERT_EQ(em.ErrorList().size(), 1u);  // the raised one was not listed
  EXPECT_EQ(em.ErrorList()[0], (TXLSErrorListItem{u"E4016: Unknown sheet name \"Sheet\"", 4016}));

  em.SetIgnoreErrors(true);
  em.Error(u"x", 3001);
  EXPECT_EQ(em.ErrorCount(), 3);
  EXPECT_EQ(em.LastError(), 4016);
}

TEST(ErrorManager_Warning, NeverRaisesAndXmlWarningsDroppedByDefault) {
  TXLSErrorManager em;
  em.Warning(u"bad", XLSWARN_XML_READ);
  EXPECT_EQ(em.WarningCount(), 0);
  em.SetIgnoreXMLWarnings(false);
  em.SetSaveToList(true);
  em.Warning(u"bad", XLSWARN_XML_READ);
  ASSERT_EQ(em.ErrorList().size(), 1u);
  EXPECT_EQ(em.ErrorList()[0].Text, u"W2001: XML read error: \"bad\"");
  EXPECT_EQ(em.LastError(), 0);
}

TEST(ErrorManager_Counts, LevelsAccumulate) {
  TXLSErrorManager em;
  em.SetSaveToList(true);
  em.Error(u"", 3008);
  em.Error(u"", 3008);
  em.Warning(u"", 3009);
  EXPECT_EQ(em.ErrorCount(), 2);
  EXPECT_EQ(em.WarningCount(), 3);
  EXPECT_EQ(em.HintCount(), 3);
  EXPECT_EQ(em.FatalCount(), 0);
}

TEST(ErrorManager_ErrorList, HostListIsUsedThenReplaced) {
  TXLSErrorManager em;
  TXLSErrorList host;
  em.SetErrorList(&host);
  EXPECT_TRUE(em.SaveToList());
  em.Error(u"A1", 3004);
  ASSERT_EQ(host.size(), 1u);
  em.SetErrorList(nullptr);
  EXPECT_FALSE(em.SaveToList());
  EXPECT_TRUE(em.ErrorList().empty());
  EXPECT_EQ(host.size(), 1u);
}

TEST(ErrorManager_Messages, IrregularTexts) {
  struct Case {
    int32_t number;
    std::u16string_view arg, text;
  } cases[] = {
      {1003, u"", u"File is encrypted, password missing. If you think the file is unencrypted, try \"VelvetSweatshop\""},
      {4021, u"SUM", u"To many arguments for function \"SUM\""},
      {4027, u"T", u"Table \"T\" is missing end bracket\""},
      {6001, u"Save", u"Filename is missing in Save"},
      {6004, u"Copy", u"Copy can not be performed on multiple selected areas"},
      {7001, u"B2", u"Formula result in cell \"B2\" do not match."},
      {9999, u"x", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(XLSMessageText(c.number, c.arg), c.text) << c.number;
}

TEST(XLSRWException_Construct, Utf8AndUtf16AgreeAndIsRuntimeError) {
  const XLSRWException e(u"\u00e9t\u00e9");
  EXPECT_STREQ(e.what(), "\xc3\xa9t\xc3\xa9");
  const std::runtime_error& base = XLSRWException("XLSX File read error.");
  EXPECT_STREQ(base.what(), "XLSX File read error.");
}

}  // namespace
}  // namespace xls

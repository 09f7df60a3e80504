// The shared-item values of pivot cache fields: kinds, equality, the unique list's order and
// refusals, and a field of a million distinct values added in linear time.
#include "xls/model/xlsshareditems.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>

#include "xls/model/xlserrors.h"

namespace xls {
namespace {

TEST(SharedItemsValues, UniqueAddsKindsAndOrder) {
  TXLSUniqueSharedItemsValues v;
  EXPECT_TRUE(v.AddNumeric(1.0));
  EXPECT_TRUE(v.AddNumeric(2.0));
  EXPECT_FALSE(v.AddNumeric(1.0));
  EXPECT_TRUE(v.AddDate(1.0));  // another kind
  EXPECT_TRUE(v.AddString(u"a"));
  EXPECT_TRUE(v.AddString(u"A"));  // letter case counts
  EXPECT_FALSE(v.AddString(u"a"));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(v.AddNumeric(nan));
  EXPECT_TRUE(v.AddNumeric(nan));  // a NaN equals nothing
  EXPECT_FALSE(v.FindBlank());
  EXPECT_TRUE(v.AddBoolean(false));
  EXPECT_TRUE(v.AddBlank());  // false and the blank share no value
  EXPECT_FALSE(v.AddBlank());
  EXPECT_TRUE(v.AddBoolean(true));
  EXPECT_TRUE(v.AddError(TXc12CellError::errNA));
  EXPECT_FALSE(v.AddError(TXc12CellError::errNA));
  EXPECT_TRUE(v.AddNumeric(-0.0));
  EXPECT_FALSE(v.AddNumeric(0.0));  // equal to -0
  ASSERT_EQ(v.Count(), 12);
  EXPECT_EQ(v.GetItems(0)->AsNumeric(), 1.0);
  EXPECT_EQ(v.GetItems(2)->Type_(), TXLSSharedItemsValueType::xsivtDate);
  EXPECT_EQ(v.GetItems(4)->AsString(), u"A");
  EXPECT_TRUE(v.FindString(u"A"));
  EXPECT_FALSE(v.FindString(u"b"));
  EXPECT_TRUE(v.FindBlank());
  EXPECT_TRUE(v.FindDate(1.0));
  EXPECT_FALSE(v.FindDate(2.0));

  // A value object handed in is freed either way; the list keeps its own.
  EXPECT_FALSE(v.Add(std::make_unique<TXLSSharedItemsValueString>(u"a")));
  EXPECT_TRUE(v.Add(std::make_unique<TXLSSharedItemsValueString>(u"new")));
  EXPECT_TRUE(v.Find(TXLSSharedItemsValueString(u"new")));

  v.Clear();
  EXPECT_EQ(v.Count(), 0);
  EXPECT_TRUE(v.AddString(u"a"));
}

TEST(SharedItemsValues, TextsHashesAndWrongKind) {
  struct Case {
    std::unique_ptr<TXLSSharedItemsValue> value;
    const char16_t* id;
    const char16_t* text;
  };
  Case cases[] = {
      {std::make_unique<TXLSSharedItemsValueBoolean>(true), u"TRUE", u"TRUE"},
      {std::make_unique<TXLSSharedItemsValueNumeric>(3), u"3", u"3"},
      {std::make_unique<TXLSSharedItemsValueNumeric>(2.5), u"2.5", nullptr},
      {std::make_unique<TXLSSharedItemsValueError>(TXc12CellError::errDiv0), u"#DIV/0!", u"#DIV/0!"},
      {std::make_unique<TXLSSharedItemsValueBlank>(), u"BLANK", u"(blank)"},
      {std::make_unique<TXLSSharedItemsValueString>(u"x"), u"x", u"x"},
      {std::make_unique<TXLSSharedItemsValueDate>(44197), u"44197", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value->AsIdString(), c.id);
    if (c.text) EXPECT_EQ(c.value->AsText(), c.text);
    EXPECT_TRUE(c.value->Equal(*c.value->Clone()));
  }
  // Two decimals with the settings' separator for a fraction.
  const std::u16string half = cases[2].value->AsText();
  EXPECT_EQ(half.size(), 4u);
  EXPECT_EQ(half.substr(0, 1) + half.substr(2), u"250");
  EXPECT_EQ(TXLSSharedItemsValueString(u"ab").GetHash(), (uint32_t(u'a') << 2) ^ u'b');
  EXPECT_EQ(TXLSSharedItemsValueError(TXc12CellError::errNA).GetHash(), 7u);
  try {
    (void)TXLSSharedItemsValueString(u"s").AsDate();
    ADD_FAILURE();
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Invalid value type");
  }
  EXPECT_THROW(TXLSSharedItemsValueBlank().SetAsNumeric(1), XLSRWException);
}

// A million distinct ids: each add is a hash probe, so the whole run stays within seconds even
// under the sanitizers (a scan of fixed buckets would take hours).
TEST(SharedItemsValues, MillionDistinctValuesInLinearTime) {
  TXLSUniqueSharedItemsValues v;
  const auto start = std::chrono::steady_clock::now();
  std::u16string id = u"id0000000";
  for (int i = 0; i < 1000000; ++i) {
    int n = i;
    for (int k = 8; k >= 2; --k, n /= 10) id[k] = char16_t(u'0' + n % 10);
    ASSERT_TRUE(v.AddString(id));
  }
  EXPECT_FALSE(v.AddString(u"id0999999"));
  EXPECT_EQ(v.Count(), 1000000);
  EXPECT_EQ(v.GetItems(123456)->AsString(), u"id0123456");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

}  // namespace
}  // namespace xls

#include "app/keywords.h"

#include <gtest/gtest.h>

namespace kws::app {
namespace {

TEST(SplitCommaText, Cases) {
  struct Case {
    std::u16string text;
    std::vector<std::u16string> fields;
  };
  const Case cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a, b", {u"a", u" b"}},
      {u"a,", {u"a", u""}},
      {u",a", {u"", u"a"}},
      {u"\"x,y\",z", {u"x,y", u"z"}},
      {u"\"say \"\"hi\"\"\"", {u"say \"hi\""}},
      {u"\"ab\"cd,e", {u"abcd", u"e"}},
      {u"\"open", {u"open"}},
      {u"中文,关键字", {u"中文", u"关键字"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommaText(c.text), c.fields);
}

TEST(QuoteCommaField, RoundTripsThroughSplit) {
  for (std::u16string field : {u"plain", u"/a,b/c.txt", u"say \"hi\"", u"", u"\"", u","}) {
    const std::u16string line = u"1," + QuoteCommaField(field) + u",x";
    const auto fields = SplitCommaText(line);
    ASSERT_EQ(fields.size(), 3u) << std::string(line.begin(), line.end());
    EXPECT_EQ(fields[1], field);
  }
  EXPECT_EQ(QuoteCommaField(u"plain"), u"plain");
  EXPECT_EQ(QuoteCommaField(u"a,\"b"), u"\"a,\"\"b\"");
}

TEST(RemoveBlanks, OnlySpaces) { EXPECT_EQ(RemoveBlanks(u" a b\t c "), u"ab\tc"); }

}  // namespace
}  // namespace kws::app

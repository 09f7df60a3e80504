// Bounded random-mutation fuzz run over the tokenizer, the small DOM and the generated
// relationship and content-type documents. Every input must end in a result or a clean
// exception (no crash, hang or sanitizer report), and the tokenizer must deliver the same events
// whether it gets the input whole or in small pieces.
// KWS_FUZZ_SECONDS and KWS_FUZZ_INPUTS set the budget of a longer manual run.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/mutator.h"
#include "xls/package/xpgdom.h"
#include "xls/package/xpgparsecontenttype.h"
#include "xls/package/xpgparseopc.h"
#include "xls/package/xpgreadxml.h"

namespace xls {
namespace {

// Folds every event and everything a reader can ask for into one hash.
class Digest : public TXpgReadXML {
 public:
  uint64_t h = 1469598103934665603ull;
  void Mix(std::string_view s) {
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    h = (h ^ 0xFF) * 1099511628211ull;
  }
  void BeginTag() override {
    Mix("B");
    Mix(RawQName());
    Mix(std::string(1, char(Namespace())));
    for (int i = 0; i < Attributes().Count(); ++i) {
      Mix(Attributes().RawName(i));
      Mix(Attributes().ValueBytes(i));
      h += Attributes().GetValues(i).size() + int(Attributes().Ns(i));
    }
    if (HasText()) {
      Mix(TextBytes());
      h += Text().size();
    }
  }
  void EndTag() override {
    Mix("E");
    Mix(RawQName());
  }
  void Comment() override { Mix(CommentText()); }
};

struct Outcome {
  uint64_t hash = 0;
  std::string error;
  bool operator==(const Outcome&) const = default;
};

Outcome Whole(const std::string& in) {
  Digest d;
  Outcome o;
  try {
    d.LoadFromBytes(in);
  } catch (const std::exception& e) {
    o.error = e.what();
  }
  o.hash = d.h;
  return o;
}

Outcome Pieces(const std::string& in, size_t piece) {
  Digest d;
  Outcome o;
  size_t pos = 0;
  try {
    d.LoadFromReader([&](char* buf, size_t count) {
      size_t n = std::min({count, piece, in.size() - pos});
      std::memcpy(buf, in.data() + pos, n);
      pos += n;
      return n;
    });
  } catch (const std::exception& e) {
    o.error = e.what();
  }
  o.hash = d.h;
  return o;
}

const std::vector<std::string> kCorpus = {
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><f>SUM(A1)</f><v>1.5</v></c></row>"
    "</sheetData><hyperlinks><hyperlink ref=\"A1\" r:id=\"rId1\"/></hyperlinks></worksheet>",
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://x/officeDocument\" Target=\"xl/workbook.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"t\" Target=\"http://a?b&amp;c\" TargetMode=\"External\"/></Relationships>",
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"xml\" "
    "ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" ContentType=\"a\"/></Types>",
    "<t xml:space=\"preserve\">a &amp;lt; &#65;&#x1F600; <![CDATA[<x>]]><!-- c --><?p q?>b</t>",
    "<!DOCTYPE a [<!ENTITY e \"x>\">]><a x = '1' y=\"2/>\"><b/><c>t</c></a>",
    "<p:a xmlns:p=\"urn:p\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
    "<mc:AlternateContent><mc:Choice Requires=\"p\"><p:b/></mc:Choice><mc:Fallback><p:c/></mc:Fallback>"
    "</mc:AlternateContent></p:a>",
};

TEST(TXpgReadXML_Fuzz, MutatedInputsEndCleanlyAndChunkingChangesNothing) {
  auto budget = kws::test::FuzzBudget::FromEnvironment(20, 2000000);
  uint64_t mismatches = 0;
  uint64_t n = kws::test::RunFuzz(budget, kCorpus, 0x786d6c, [&](const std::string& in) {
    Outcome whole = Whole(in);
    size_t piece = 1 + (in.size() % 13);
    if (!(Pieces(in, piece) == whole)) {
      if (++mismatches <= 3) ADD_FAILURE() << "chunked differs from whole for input: " << in;
    }
    try {
      TXpgSimpleDOM dom;
      dom.LoadFromUtf8(in);
    } catch (const std::exception&) {
    }
    try {
      xpgopc::TXPGDocOPC rels;
      rels.LoadFromBytes(in);
    } catch (const std::exception&) {
    }
    try {
      xpgct::TXPGDocContentType ct;
      ct.LoadFromBytes(in);
    } catch (const std::exception&) {
    }
  });
  EXPECT_EQ(mismatches, 0u);
  EXPECT_GT(n, 0u);
  RecordProperty("inputs", std::to_string(n));
  std::printf("tokenizer fuzz: %llu inputs\n", static_cast<unsigned long long>(n));
}

}  // namespace
}  // namespace xls

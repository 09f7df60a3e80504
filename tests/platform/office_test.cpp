#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/office/officeautomation.h"
#include "platform/office/wordtext.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/tempdir.h"
#include "tests/support/zipwriter.h"

namespace kws {
namespace {

std::filesystem::path DataFile(const char* name) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return std::filesystem::path(root ? root : ".") / "tests/data/office" / name;
}

// ---- documents saved by LibreOffice
// ------------------------------------------------------------

struct Probe {
  const char16_t* text;
  bool found;
};

const Probe kProbes[] = {
    {u"quick brown", true},
    {u"THE QUICK BROWN FOX JUMPS", true},
    {u"中文关键词", true},
    {u"检索文档内容。", true},
    {u"Ωμέγα", true},
    {u"RÉSUMÉ ∑ NAÏVE", true},
    {u"кириллица", true},
    {u"Kept text after a deletion", true},   // the deleted word is gone, the text around it joins
    {u"Visit the linked words here", true},  // a field's result stays in the text
    {u"Page 1 end", true},
    {u" jumps", true},          // blanks are kept
    {u"Struckoutword", false},  // deleted revision
    {u"fieldcodeurl", false},   // field code
    {u"HYPERLINK", false},
    {u"dog.中文", false},  // across a paragraph end
    {u"Tab separated", false},
    {u"Tabseparated", false},
    {u"separated broken", false},  // across a line break
    {u"quick  brown", false},
    {u"", false},
};

class OfficeLibreOffice : public ::testing::TestWithParam<const char*> {};

TEST_P(OfficeLibreOffice, FindsShownTextOnly) {
  OwnOfficeAutomation automation;
  auto doc = automation.Connect(OfficeProgram::Wps)->Open(DataFile(GetParam()));
  for (const Probe& p : kProbes) EXPECT_EQ(doc->Find(p.text), p.found) << std::string(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Files, OfficeLibreOffice,
                         ::testing::Values("sample.doc", "sample.docx", "sample.wps"),
                         [](const auto& info) { return std::string(info.param).substr(7); });

TEST(OfficeOpen, UnreadableDocumentsFailToOpen) {
  test::TempDir tmp;
  OwnOfficeAutomation automation;
  auto app = automation.Connect(OfficeProgram::Word);
  EXPECT_ANY_THROW(app->Open(tmp.path() / "missing.doc"));
  EXPECT_ANY_THROW(app->Open(tmp.Write("plain.doc", "just some text, not a document")));
  EXPECT_ANY_THROW(app->Open(DataFile("sample.xls")));  // a compound file without WordDocument
  EXPECT_ANY_THROW(app->Open(tmp.Write("empty.docx", "")));
  // A zip package that is not a word-processing document.
  const std::string sheet =
      test::ZipWriter()
          .Deflated(
              "[Content_Types].xml",
              R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
              R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>)")
          .Deflated("xl/workbook.xml", "<workbook/>")
          .Bytes();
  EXPECT_ANY_THROW(app->Open(tmp.Write("book.docx", sheet)));
}

// ---- packages built here
// -----------------------------------------------------------------------

constexpr char kTypes[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/word/main.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>)";
constexpr char kRels[] =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="/word/main.xml"/></Relationships>)";

std::u16string DocxText(const std::string& body, const char* ns =
                                                     "xmlns:q=\"http://schemas.openxmlformats.org/"
                                                     "wordprocessingml/2006/main\"") {
  const std::string main = std::string("<q:document ") + ns + "><q:body>" + body + "</q:body></q:document>";
  return ReadDocxText(test::ZipWriter()
                          .Deflated("[Content_Types].xml", kTypes)
                          .Deflated("_rels/.rels", kRels)
                          .Deflated("word/main.xml", main)
                          .Bytes());
}

TEST(OfficeDocx, MarkupByNamespaceNotPrefix) {
  const std::u16string b(1, kWordTextBreak);
  // Any prefix bound to the namespace; the main part found through the package
  // relationship.
  EXPECT_EQ(DocxText("<q:p><q:r><q:t>Hello </q:t></q:r><q:r><q:t>world</q:t></q:r></q:p>"),
            u"Hello world" + b);
  // A default namespace, the strict namespace.
  EXPECT_EQ(DocxText("<p><r><t>a&amp;b</t></r></p>",
                     "xmlns=\"http://schemas.openxmlformats.org/"
                     "wordprocessingml/2006/main\""),
            u"a&b" + b);
  EXPECT_EQ(DocxText("<q:p><q:r><q:t>s</q:t></q:r></q:p>",
                     "xmlns:q=\"http://purl.oclc.org/ooxml/wordprocessingml/main\""),
            u"s" + b);
  // Elements of another namespace with the same local names carry no text.
  EXPECT_EQ(DocxText("<q:p><x:t "
                     "xmlns:x=\"urn:other\">no</x:t><q:r><q:t>yes</q:t></q:r></q:p>"),
            u"yes" + b);
}

// A prefix bound to the namespace holds in its element only: out of its scope, or bound again to
// another namespace, it carries no text.
TEST(OfficeDocx, PrefixBindingsEndWithTheirElement) {
  const std::u16string b(1, kWordTextBreak);
  EXPECT_EQ(
      DocxText("<w:p xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
               "<w:r><w:t>in</w:t></w:r></w:p><w:p xmlns:w=\"urn:other\"><w:r><w:t>out</w:t></w:r></w:p>"
               "<q:p><w:t>unbound</w:t></q:p>"),
      u"in" + b);
}

// 40,000 paragraphs that each bind a prefix of their own read within the test timeout (a list
// of every prefix ever bound, searched per element, took minutes).
TEST(OfficeDocx, ManyPrefixBindingsCostLinearTime) {
  std::string body;
  const int n = 40000;
  for (int i = 0; i < n; ++i) {
    const std::string p = "p" + std::to_string(i);
    body += "<" + p + ":p xmlns:" + p +
            "=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><" + p + ":r><" + p +
            ":t>w</" + p + ":t></" + p + ":r></" + p + ":p>";
  }
  const std::u16string text = DocxText(body + "<q:p><q:r><q:t>needle</q:t></q:r></q:p>");
  EXPECT_EQ(text.size(), size_t(2 * n + 7));
  EXPECT_EQ(text.substr(text.size() - 7), u"needle" + std::u16string(1, kWordTextBreak));
}

TEST(OfficeDocx, DeletionsMovesAndFieldCodesLeftOut) {
  const std::u16string b(1, kWordTextBreak);
  EXPECT_EQ(DocxText("<q:p><q:r><q:t>A</q:t></q:r><q:del><q:r><q:delText>gone</"
                     "q:delText></q:r></q:del>"
                     "<q:moveFrom><q:r><q:t>moved</q:t></q:r></"
                     "q:moveFrom><q:ins><q:r><q:t>B</q:t></q:r></q:ins>"
                     "<q:r><q:fldChar q:fldCharType=\"begin\"/></q:r><q:r><q:instrText> "
                     "DATE </q:instrText></q:r>"
                     "<q:r><q:fldChar "
                     "q:fldCharType=\"separate\"/></q:r><q:r><q:t>C</q:t></q:r>"
                     "<q:r><q:fldChar q:fldCharType=\"end\"/></q:r>"
                     "<q:fldSimple q:instr=\" PAGE "
                     "\"><q:r><q:t>D</q:t></q:r></q:fldSimple>"
                     "<q:r><q:pict><q:txbxContent><q:p><q:r><q:t>box</q:t></q:r></q:p></q:txbxContent></"
                     "q:pict></q:r></q:p>"),
            u"ABCD" + b);
  EXPECT_EQ(DocxText("<q:tbl><q:tr><q:tc><q:p><q:r><q:t>x</q:t></q:r></q:p></"
                     "q:tc><q:tc><q:p><q:r><q:t>y</q:t><q:tab/>"
                     "<q:t>z</q:t><q:br/><q:t>w</q:t><q:noBreakHyphen/><q:t>v</"
                     "q:t></q:r></q:p></q:tc></q:tr></q:tbl>"),
            u"x" + b + u"y" + b + u"z" + b + u"w-v" + b);
}

// ---- Word binary documents built here
// ----------------------------------------------------------

struct Piece {
  std::u16string text;
  bool compressed;
  uint32_t fc = 0;  // when set, the piece points here instead of at its text
};

// Character property pages (CHPX FKP) of a document: each page a list of runs
// of stream bytes, [from, to) and whether they are marked deleted; `listed`
// gives PlcBteChpx's page entries as indices into `pages`.
struct Marks {
  struct Run {
    uint32_t from, to;
    bool deleted;
  };
  std::vector<std::vector<Run>> pages;
  std::vector<size_t> listed;
};

// A minimal Word 97 document: FIB, the pieces' text from offset 0x400 and a Clx
// in the table stream; with `marks`, its property pages after the text.
std::string DocFile(const std::vector<Piece>& pieces, uint16_t flags = 0x0200, bool prc = true,
                    const Marks& marks = {}) {
  std::string word(0x400, '\0');
  auto put16 = [](std::string& s, size_t at, uint16_t v) {
    s[at] = char(v & 0xFF), s[at + 1] = char(v >> 8);
  };
  auto put32 = [&](std::string& s, size_t at, uint32_t v) {
    put16(s, at, uint16_t(v)), put16(s, at + 2, uint16_t(v >> 16));
  };
  put16(word, 0, 0xA5EC);
  put16(word, 2, 0xC1);
  put16(word, 0x0A, flags);
  put16(word, 0x20, 14);
  put16(word, 0x3E, 22);
  put16(word, 0x98, 0x5D);
  std::string table;
  if (prc) table += std::string("\x01\x02\x00\xAA\xBB", 5);  // a Prc block before the Pcdt
  std::vector<uint32_t> cps{0}, fcs;
  for (const Piece& p : pieces) {
    const size_t at = word.size();
    fcs.push_back(p.fc ? (p.compressed ? p.fc | 0x40000000 : p.fc)
                       : (p.compressed ? uint32_t(at * 2) | 0x40000000 : uint32_t(at)));
    for (char16_t c : p.text) {
      if (p.compressed)
        word.push_back(char(c));
      else
        word.push_back(char(c & 0xFF)), word.push_back(char(c >> 8));
    }
    cps.push_back(cps.back() + uint32_t(p.text.size()));
  }
  put32(word, 0x4C, cps.back());  // ccpText
  const size_t clx = table.size();
  std::string plc;
  for (uint32_t cp : cps) plc.append(4, '\0'), put32(plc, plc.size() - 4, cp);
  for (uint32_t fc : fcs) plc.append(8, '\0'), put32(plc, plc.size() - 6, fc);
  table += '\x02';
  table.append(4, '\0');
  put32(table, table.size() - 4, uint32_t(plc.size()));
  table += plc;
  put32(word, 0x9A + 33 * 8, uint32_t(clx));
  put32(word, 0x9A + 33 * 8 + 4, uint32_t(table.size() - clx));
  if (!marks.listed.empty()) {
    word.resize((word.size() + 511) / 512 * 512, '\0');
    const uint32_t firstPage = uint32_t(word.size() / 512);
    for (const auto& runs : marks.pages) {
      std::string fkp(512, '\0');
      for (size_t r = 0; r < runs.size(); ++r) {
        put32(fkp, 4 * r, runs[r].from);
        put32(fkp, 4 * (r + 1), runs[r].to);
        fkp[4 * (runs.size() + 1) + r] = char(runs[r].deleted ? 0xF8 : 0);  // CHPX at 0x1F0
      }
      fkp.replace(0x1F0, 4, std::string("\x03\x00\x08\x01", 4));  // sprmCFRMarkDel 1
      fkp[511] = char(runs.size());
      word += fkp;
    }
    const size_t plc = table.size();
    for (size_t i = 0; i <= marks.listed.size(); ++i) table.append(4, '\0');  // aFC, unused here
    for (size_t index : marks.listed)
      table.append(4, '\0'), put32(table, table.size() - 4, firstPage + uint32_t(index));
    put32(word, 0x9A + 12 * 8, uint32_t(plc));
    put32(word, 0x9A + 12 * 8 + 4, uint32_t(table.size() - plc));
  }
  test::CfbWriter w;
  w.AddStream(u"WordDocument", word);
  w.AddStream((flags & 0x0200) ? u"1Table" : u"0Table", table);
  return w.Build().bytes;
}

std::u16string DocText(const std::string& file) {
  return ReadDocText(OpenCompoundData(std::vector<uint8_t>(file.begin(), file.end())));
}

TEST(OfficeDoc, EightAndSixteenBitPiecesFieldsAndBreaks) {
  const std::u16string b(1, kWordTextBreak);
  EXPECT_EQ(DocText(DocFile({{u"caf\u00e9 ", true}, {u"\u4e2d\u6587", false}, {u" end\r", true}})),
            u"caf\u00e9 \u4e2d\u6587 end" + b);
  // Fields: codes out (with any field nested in a code), results in (with
  // fields nested in a result); a field without a separator shows nothing.
  EXPECT_EQ(DocText(DocFile({{u"a\x13 REF \x13 PAGE \x14"
                              u"2\x15 x\x14r\x15"
                              u"b\x13 TOC \x15"
                              u"c",
                              false}})),
            u"arbc");
  EXPECT_EQ(DocText(DocFile({{u"\x13 IF \x14<\x13 PAGE \x14"
                              u"7\x15>\x15",
                              false}})),
            u"<7>");
  EXPECT_EQ(DocText(DocFile({{u"t\tu\x0bv\x07w\x0cx\x1fy\x1ez", true}}, 0x0000, false)),
            u"t" + b + u"u" + b + u"v" + b + u"w" + b + u"xy-z");
}

TEST(OfficeDoc, DeletedRunsMergedAcrossPagesListedAnyNumberOfTimes) {
  // "keep GONE more" as 8-bit text at 0x400: "GONE" is bytes 0x405 to 0x408.
  const std::vector<Piece> text{{u"keep GONE more", true}};
  // Runs on two pages overlap: a short deleted run inside a longer one must not
  // hide the longer one.
  Marks overlap;
  overlap.pages = {{{0x405, 0x409, true}}, {{0x406, 0x407, true}, {0x409, 0x40A, false}}};
  overlap.listed = {0, 1};
  EXPECT_EQ(DocText(DocFile(text, 0x0200, true, overlap)), u"keep  more");
  // One page of 90 runs listed 100,000 times reads like the page
  // listed once (and costs no more to keep).
  Marks repeated;
  repeated.pages.emplace_back();
  for (uint32_t r = 0; r < 90; ++r) repeated.pages[0].push_back({0x405 + r, 0x406 + r, r < 4});
  repeated.listed.assign(100000, 0);
  EXPECT_EQ(DocText(DocFile(text, 0x0200, true, repeated)), u"keep  more");
  // A run past the stream's end covers no text, whatever it claims.
  Marks far;
  far.pages = {{{0x40A, 0xFFFFFFF0, true}}};
  far.listed = {0};
  EXPECT_EQ(DocText(DocFile(text, 0x0200, true, far)), u"keep GONE ");
}

TEST(OfficeDoc, EncryptedAndDamagedRaise) {
  EXPECT_THROW(DocText(DocFile({{u"secret", true}}, 0x0300)),
               WordTextError);  // fEncrypted
  test::CfbWriter w;
  w.AddStream(u"WordDocument", std::string(0x400, '\0'));
  EXPECT_THROW(DocText(w.Build().bytes), WordTextError);
  // A piece pointing past the stream gives no text instead of reading out of
  // bounds.
  EXPECT_EQ(DocText(DocFile({{u"ok", true}, {u"far", false, 0x7FFFFFF0}})), u"ok");
  EXPECT_EQ(DocText(DocFile({{u"ok", true}, {u"far", true, 0x3FFFFFF0}})), u"ok");
}

// ---- find
// --------------------------------------------------------------------------------------

TEST(OfficeFind, LiteralCaseBlindBlanksKept) {
  const std::u16string text =
      u"r\u00e9sum\u00e9 \u0394\u03b5\u03bb\u03c4\u03b1 \u0416\u0443\u043a "
      u"\uff21\uff22 a*b ^p";
  std::u16string folded = text;
  for (auto& c : folded) c = OfficeFoldCase(c);
  EXPECT_TRUE(OfficeFindText(folded, u"R\u00c9SUM\u00c9"));
  EXPECT_TRUE(OfficeFindText(folded, u"\u03b4\u0395\u039b\u03a4\u0391"));
  EXPECT_TRUE(OfficeFindText(folded, u"\u0436\u0423\u041a"));
  EXPECT_TRUE(OfficeFindText(folded, u"\uff41\uff42"));
  EXPECT_TRUE(OfficeFindText(folded, u"a*b"));
  EXPECT_TRUE(OfficeFindText(folded, u"^p"));
  EXPECT_FALSE(OfficeFindText(folded, u"a?b"));                     // no wildcards
  EXPECT_FALSE(OfficeFindText(folded, u"r\u00e9sum\u00e9\u0394"));  // blanks are not dropped
  EXPECT_FALSE(OfficeFindText(folded, u""));
}

}  // namespace
}  // namespace kws

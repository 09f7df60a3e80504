// Sheet data read by its own content reader (rows, cells, values and formulas with direct calls)
// against the per-tag dispatch it stands in for: over a table of tricky worksheets, whole and in
// small chunks, both must give the same events with the same row and cell contents, the same
// reports in the same place, and leave the reused objects in the same state.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls::xpgxlsx {
namespace {

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kMc = "http://schemas.openxmlformats.org/markup-compatibility/2006";

std::string U8(std::u16string_view s) { return kws::Utf16ToUtf8(s); }

std::string RowText(const TCT_Row& r) {
  std::string s = "row r" + std::to_string(r.R()) + " s" + std::to_string(r.S()) + " cf" +
                  std::to_string(r.CustomFormat()) + " ht" + std::to_string(r.Ht()) + " h" +
                  std::to_string(r.Hidden()) + " ch" + std::to_string(r.CustomHeight()) + " ol" +
                  std::to_string(r.OutlineLevel()) + " co" + std::to_string(r.Collapsed()) + " tt" +
                  std::to_string(r.ThickTop()) + " tb" + std::to_string(r.ThickBot()) + " ph" +
                  std::to_string(r.Ph()) + " a" + std::to_string(r.Assigneds()) + " ext" +
                  std::to_string(r.ExtLst()->ExtXpgList()->Count()) + " spans";
  for (int i = 0; i < r.SpansXpgList().Count(); ++i) s += "[" + U8(r.SpansXpgList().GetItems(i)) + "]";
  return s;
}

std::string CellText(const TCT_Cell& c) {
  const TCT_CellFormula& f = *c.F();
  const TCT_Rst& is = *c.Is();
  std::string s = "c [" + std::string(c.RBytes()) + "|" + U8(c.R()) + "] [" + std::string(c.VBytes()) + "|" +
                  U8(c.V()) + "] s" + std::to_string(c.S()) + " t" + std::to_string(c.T()) + " cm" +
                  std::to_string(c.Cm()) + " vm" + std::to_string(c.Vm()) + " ph" + std::to_string(c.Ph()) +
                  " a" + std::to_string(c.Assigneds());
  s += " f" + std::to_string(f.Assigneds()) + "[" + U8(f.Content()) + "] t" + std::to_string(f.T()) + " aca" +
       std::to_string(f.Aca()) + " ref" + U8(f.Ref()) + " dt2D" + std::to_string(f.Dt2D()) + " dtr" +
       std::to_string(f.Dtr()) + " del" + std::to_string(f.Del1()) + std::to_string(f.Del2()) + " r1" +
       U8(f.R1()) + " r2" + U8(f.R2()) + " ca" + std::to_string(f.Ca()) + " si" + std::to_string(f.Si()) +
       " bx" + std::to_string(f.Bx());
  s += " is" + std::to_string(is.Assigneds()) + "[" + U8(is.T()) + "] runs" +
       std::to_string(is.RXpgList()->Count());
  for (const auto& run : *is.RXpgList()) s += "[" + U8(run->T()) + "]";
  return s;
}

// One worksheet read through the document's own reader, or through a reader of its tree with
// content reading off; whole, or in chunks of `chunk` bytes.
std::vector<std::string> Read(const std::string& xml, bool contentReading, size_t chunk, bool events) {
  TXPGDocXLSX doc;
  std::vector<std::string> log;
  doc.Errors().OnError = [&](TXpgPErrors& e) { log.push_back("! " + U8(e.LastErrorText())); };
  TCT_SheetData* sd = doc.Worksheet()->SheetData();
  if (events) {
    sd->OnReadRow = [&](TCT_Row& r) { log.push_back(RowText(r)); };
    sd->Row()->OnReadC = [&](TCT_Cell& c) { log.push_back(CellText(c)); };
  }
  size_t pos = 0;
  auto feed = [&](char* buffer, size_t count) {
    const size_t n = std::min({count, chunk, xml.size() - pos});
    std::copy_n(xml.data() + pos, n, buffer);
    pos += n;
    return n;
  };
  if (contentReading && chunk == 0) {
    doc.LoadFromBytes(xml);  // the document's own reader, as the unit's users read
  } else {
    TXPGReader reader(doc.Errors(), *doc.Root(), TXpgUnitPolicy{false, contentReading});
    if (chunk == 0)
      reader.LoadFromBytes(xml);
    else
      reader.LoadFromReader(feed);
  }
  // the reused objects as the load left them
  log.push_back("end " + RowText(*sd->Row()) + " / " + CellText(*sd->Row()->C()));
  return log;
}

TEST(TCT_SheetData_Content, SameAsPerTagDispatch) {
  const std::string mc = " xmlns:mc=\"" + kMc + "\"";
  const std::string bodies[] = {
      // the usual shapes
      "<row r=\"1\" spans=\"1:3\"><c r=\"A1\" s=\"1\"><v>12</v></c><c r=\"B1\" t=\"s\"><v>0</v></c>"
      "<c r=\"C1\" s=\"2\"><f>SUM(A1:A9)</f><v>42</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><v>1.5</v></c></row>",
      // every row and cell attribute, unknown and prefixed ones, namespace declarations
      "<row r=\"3\" spans=\"1:2 4:5\" s=\"4\" customFormat=\"1\" ht=\"15.5\" hidden=\"true\" "
      "customHeight=\"1\" "
      "outlineLevel=\"2\" collapsed=\"1\" thickTop=\"1\" thickBot=\"1\" ph=\"1\" x14ac:dyDescent=\"0.25\" "
      "xmlns:x14ac=\"urn:ac\"><c r=\"A3\" s=\"7\" t=\"e\" cm=\"1\" vm=\"2\" ph=\"1\" foo=\"x\" "
      "xmlns:q=\"urn:q\" q:r=\"Z9\"><v>#N/A</v></c></row>",
      // prefixes bound to the main namespace, another default namespace, unbound prefixes
      "<x:row xmlns:x=\"" + kMain +
          "\" r=\"4\"><x:c r=\"A4\"><x:v>4</x:v><x:f t=\"shared\" si=\"0\" "
          "ref=\"A4:A6\">A1*2</x:f></x:c></x:row>"
          "<row r=\"5\"><c xmlns=\"urn:other\" r=\"A5\"><v>5</v></c><c r=\"B5\"><v xmlns=\"urn:o\">6</v></c>"
          "<y:c r=\"C5\"/></row><z:row/>",
      // missing r, empty cells, empty and self-closing values, values of entities, CDATA, comments
      "<row><c/><c></c><c r=\"\"/><c r=\"B&#55;\"><v/></c><c><v></v></c>"
      "<c r=\"C&amp;7\"><v>1&lt;2</v></c><c><v><![CDATA[<x>]]></v></c><c><v>1<!-- c -->2</v></c>"
      "<c r=\"AAAAAAAAAAAAAAAAA1\"><v>12345678901234567890.5</v></c><c r=\"D7\"><v>&#x20AC;&bad;</v></c>"
      "<c r=\"\xC3\xA9\" t=\"str\"><v>\xE2\x82\xAC 1</v></c></row>",
      // formulas: attributes, blank text, non-ASCII text, entities, children, no text, two f
      "<row r=\"9\"><c r=\"A9\"><f t=\"array\" ref=\"A9:B10\" aca=\"1\" dt2D=\"1\" dtr=\"1\" del1=\"1\" "
      "del2=\"1\" "
      "r1=\"A1\" r2=\"B1\" ca=\"1\" bx=\"1\" si=\"5\" zz=\"1\">{1,2}</f></c><c r=\"B9\"><f> \n\t</f></c>"
      "<c r=\"C9\"><f>\"\xC3\xA9\"&amp;A1</f><v>x</v></c><c r=\"D9\"><f>1<g/>2</f></c><c r=\"E9\"><f/></c>"
      "<c r=\"F9\"><f>1</f><f t=\"shared\" si=\"2\"/></c></row>",
      // inline strings, extension lists, unknown children at every level
      "<row r=\"10\"><extLst><ext uri=\"u\"><x:y xmlns:x=\"urn:x\"/></ext></extLst>"
      "<c r=\"A10\" t=\"inlineStr\"><is><t> hi </t><r><t>a</t></r><r><t>b</t></r></is></c>"
      "<c r=\"B10\"><is><t xml:space=\"preserve\"> x </t></is><v>1</v><w>2</w><extLst/></c>"
      "<cx/><col/></row><foo><row r=\"99\"/></foo><c r=\"A11\"/>",
      // a value element with children, and a value taken from its first piece
      "<row r=\"12\"><c r=\"A12\"><v>1<b>2</b>3</v></c><c r=\"B12\"><v><v>7</v></v></c></row>",
      // markup compatibility at every level
      "<mc:AlternateContent" + mc +
          "><mc:Choice Requires=\"x\"><row r=\"20\"/></mc:Choice>"
          "<mc:Fallback><row r=\"21\"><c r=\"A21\"><v>1</v></c></row></mc:Fallback></mc:AlternateContent>"
          "<row r=\"22\"><mc:AlternateContent" +
          mc +
          "><mc:Fallback><c r=\"A22\"><v>2</v></c>"
          "</mc:Fallback></mc:AlternateContent><c r=\"B22\"><mc:AlternateContent" +
          mc +
          "><mc:Choice/><mc:Fallback><v>3</v><f>1+2</f></mc:Fallback></mc:AlternateContent></c>"
          "<c r=\"C22\"><f>9<mc:AlternateContent" +
          mc +
          "><mc:Fallback><q/></mc:Fallback>"
          "</mc:AlternateContent></f></c><mc:Fallback" +
          mc + "/></row>",
      // rows without cells, a row in a row
      "<row r=\"30\"/><row r=\"31\"></row><row r=\"32\"><row r=\"33\"/><c r=\"A32\"/></row>",
  };
  const std::string head =
      "<worksheet xmlns=\"" + kMain +
      "\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
  for (const std::string& body : bodies) {
    // the body as the sheet's only sheet data, after a first row, and in a second sheetData
    const std::string sheets[] = {
        head + "<sheetData>" + body + "</sheetData></worksheet>",
        head + "<sheetData><row r=\"100\"><c r=\"A100\"><v>0</v></c></row>" + body +
            "</sheetData></worksheet>",
        head + "<sheetData/><sheetData><row/>" + body + "</sheetData><sheetData>" + body +
            "</sheetData></worksheet>",
    };
    for (const std::string& xml : sheets)
      for (bool events : {true, false}) {
        const std::vector<std::string> expected = Read(xml, false, 0, events);
        if (events) {
          ASSERT_GT(expected.size(), 2u) << xml;
        }
        for (size_t chunk : {size_t(0), size_t(1), size_t(7), size_t(64)}) {
          EXPECT_EQ(Read(xml, true, chunk, events), expected)
              << "chunk " << chunk << " events " << events << "\n"
              << xml;
          if (chunk != 0) {
            EXPECT_EQ(Read(xml, false, chunk, events), expected) << "generic chunk " << chunk;
          }
        }
      }
  }
}

}  // namespace
}  // namespace xls::xpgxlsx

namespace xls::xpgxlsx {
namespace {

// The formula text is widened eight bytes at a time: blanks only (any byte up to 32) give no text,
// anything else the text itself, at every length around the word size and with the one other
// byte (a letter, a non-ASCII letter, a byte just above 32) at every position.
TEST(TCT_CellFormula_Text, BlanksOnlyAndWideningAtEveryLength) {
  std::string body = "<sheetData><row>";
  std::vector<std::u16string> expected;
  for (size_t n = 0; n <= 19; ++n) {
    const std::string blanks = std::string(n, ' ').replace(0, n / 3, std::string(n / 3, '\t'));
    body += "<c><f>" + blanks + "</f></c>";
    expected.push_back(u"");
    for (size_t at = 0; at < n; ++at)
      for (const char* other : {"x", "!", "\xC3\xA9", "\x1f"}) {
        const std::string text = blanks.substr(0, at) + other + blanks.substr(at + 1);
        body += "<c><f>" + text + "</f></c>";
        expected.push_back(std::string_view(other) == "\x1f" ? u"" : kws::Utf8ToUtf16(text));
      }
  }
  body += "</row></sheetData>";
  TXPGDocXLSX doc;
  std::vector<std::u16string> got;
  doc.Worksheet()->SheetData()->Row()->OnReadC = [&](TCT_Cell& c) { got.push_back(c.F()->Content()); };
  doc.LoadFromBytes("<worksheet xmlns=\"" + kMain + "\">" + body + "</worksheet>");
  EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace xls::xpgxlsx

#include "tests/support/pdfwriter.h"

#include <cstdio>
#include <set>

namespace kws::test {
namespace {

bool IsAscii(const std::u16string& s) {
  for (char16_t c : s)
    if (c >= 0x80) return false;
  return true;
}

std::string Hex4(char16_t c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(c));
  return buf;
}

std::string Literal(const std::u16string& s) {
  std::string out = "(";
  for (char16_t c : s) {
    if (c == u'(' || c == u')' || c == u'\\') out += '\\';
    out += static_cast<char>(c);
  }
  return out + ")";
}

}  // namespace

std::string MakePdf(const std::vector<std::vector<std::u16string>>& pages) {
  std::set<char16_t> wide;
  for (const auto& page : pages)
    for (const auto& line : page)
      if (!IsAscii(line))
        for (char16_t c : line) wide.insert(c);

  // Objects: 1 catalog, 2 pages, 3 Helvetica, 4 Type0, 5 CIDFont, 6 ToUnicode, then per page
  // a page object and its content stream.
  std::vector<std::string> objects;
  std::string kids;
  const int firstPage = 7;
  for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(firstPage + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  objects.push_back("<< /Type /Font /Subtype /Type0 /BaseFont /TestCJK /Encoding /Identity-H "
                    "/DescendantFonts [5 0 R] /ToUnicode 6 0 R >>");
  objects.push_back("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /TestCJK "
                    "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
                    "/FontDescriptor << /Type /FontDescriptor /FontName /TestCJK /Flags 4 "
                    "/FontBBox [0 -200 1000 900] /ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 >> "
                    "/DW 1000 /CIDToGIDMap /Identity >>");
  std::string cmap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  std::vector<char16_t> codes(wide.begin(), wide.end());
  for (size_t i = 0; i < codes.size(); i += 100) {
    const size_t n = std::min<size_t>(100, codes.size() - i);
    cmap += std::to_string(n) + " beginbfchar\n";
    for (size_t k = i; k < i + n; ++k) cmap += "<" + Hex4(codes[k]) + "> <" + Hex4(codes[k]) + ">\n";
    cmap += "endbfchar\n";
  }
  cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  objects.push_back("<< /Length " + std::to_string(cmap.size()) + " >>\nstream\n" + cmap + "endstream");

  for (size_t i = 0; i < pages.size(); ++i) {
    std::string content = "BT\n";
    int y = 800;
    for (const auto& line : pages[i]) {
      if (IsAscii(line)) {
        content += "/F1 12 Tf\n";
        content += "1 0 0 1 50 " + std::to_string(y) + " Tm\n" + Literal(line) + " Tj\n";
      } else {
        content += "/F2 12 Tf\n";
        std::string hex;
        for (char16_t c : line) hex += Hex4(c);
        content += "1 0 0 1 50 " + std::to_string(y) + " Tm\n<" + hex + "> Tj\n";
      }
      y -= 20;
    }
    content += "ET\n";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] "
                      "/Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents " +
                      std::to_string(firstPage + 2 * i + 1) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
  }

  std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t off : offsets) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%010zu 00000 n \n", off);
    out += buf;
  }
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

}  // namespace kws::test

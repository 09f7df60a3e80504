// xls_note_lines FILE: loads a legacy workbook with the component and prints its comments as xls_dump
// does ("comment<TAB>sheet<TAB>A1<TAB>author<TAB>text", texts escaped), the peer of notes_xlrd.py
// in run.sh. A load error prints the message and exits 1.
#include <cstdio>
#include <exception>
#include <string>

#include "bench/common/celltext.h"
#include "platform/textcodec.h"
#include "xls/biff/biffreader.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlssheetparts.h"
#include "xls/model/xlsworksheetdata.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: xls_note_lines FILE\n");
    return 2;
  }
  xls::biff::RegisterBIFFReader();
  try {
    xls::TXLSBook book;
    book.LoadFromFile(argv[1]);
    std::string out;
    for (size_t s = 0; s < book.Count(); ++s) {
      xls::TXc12Comments& comments = book.Items(s)->Xc12Sheet().Comments();
      const std::string sheet = kws::bench::EscapedText(book.Items(s)->Name());
      for (size_t i = 0; i < comments.Count(); ++i) {
        const xls::TXc12Comment& c = *comments.Items(i);
        // Appended piece by piece, no line built aside.
        out += "comment\t";
        out += sheet;
        out += '\t';
        out += kws::Utf16ToUtf8(xls::ColRowToRefStr(c.Col(), c.Row()));
        out += '\t';
        if (c.FAuthor) kws::bench::AppendEscapedText(out, c.FAuthor->FName);
        out += '\t';
        kws::bench::AppendEscapedText(out, c.FText);
        out += '\n';
      }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

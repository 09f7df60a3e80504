// The workbook model as lines of text, one object a line (the form is in README.md beside this
// file): what `xls_dump` prints after a load, so that tests and people can compare the model with
// another program's reading of the same file.
//
// Only the model is read (the hub, the workbook data, each sheet's data and cell store), never the
// file or a reader's own objects, so a kind the model does not hold yet prints nothing.
#pragma once

#include <functional>
#include <string_view>

namespace xls {
class TXLSBook;
}

namespace kws::bench {

// Called with each line, without its line end.
using TDumpSink = std::function<void(std::string_view line)>;

// Every line of the loaded workbook: workbook objects first, then sheet by sheet, each kind in
// the order the model keeps it. `warn` takes what could not be printed (a formula that does not
// turn into text), escaped as a field.
void DumpModel(xls::TXLSBook& book, const TDumpSink& sink, const TDumpSink& warn);

}  // namespace kws::bench

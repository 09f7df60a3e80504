// Shared pieces of the tests of the legacy drawing objects: a sheet drawing over a picture store
// and a formula handler's names; `ErrorText` from the frame fixtures.
#pragma once

#include "tests/xls/biff/frame_fixtures.h"
#include "xls/biff/biffformulahandler.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/escherpictures.h"

namespace xls::biff::test {

// A drawing of its own picture store, its names those of a formula handler.
struct TDrawingFixture {
  TMSOPictures Store;
  TFormulaHandler Handler;
  TEscherDrawing Drawing{&Store, &Handler.InternalNames(), nullptr};
};

}  // namespace xls::biff::test

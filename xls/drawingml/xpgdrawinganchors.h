// The two classes of chart user shapes that the spreadsheet drawing unit uses but does not
// generate: the relative-size anchor (cdr:relSizeAnchor: one shape placed by two points given
// as fractions of the chart's width and height) and its point (cdr:from, cdr:to).
#pragma once

#include <memory>

#include "xls/drawingml/xpgparsedrawingcommon.h"

namespace xls::xpgdml::xdr {

// cdr:from, cdr:to: X and Y as fractions of the chart's width and height (0 in a new object).
class TCT_XYMarker : public TXPGBase {
 public:
  explicit TCT_XYMarker(TXPGDocBase* owner, double x = 0, double y = 0);
  // cdr:x and cdr:y set the values from their text (unconvertible text gives 0); any other child
  // is taken without a report.
  TXPGBase* HandleElement(TXPGReader& r) override;
  int CheckAssigned() override { return 0; }
  double X() const { return FX; }
  double Y() const { return FY; }
  void SetX(double v) { FX = v; }
  void SetY(double v) { FY = v; }

 private:
  double FX, FY;
};

// cdr:relSizeAnchor: its shape (with shape properties from the start) between From (0.2, 0.2)
// and To (0.8, 0.4) until the part says otherwise. Children other than cdr:from, cdr:to and
// cdr:sp (pictures, group shapes, frames, connectors) are dropped without a report.
class TCT_RelSizeAnchor : public TXPGBase {
 public:
  explicit TCT_RelSizeAnchor(TXPGDocBase* owner);
  ~TCT_RelSizeAnchor() override;
  TXPGBase* HandleElement(TXPGReader& r) override;
  int CheckAssigned() override;
  TCT_XYMarker* From() const { return FFrom.get(); }
  TCT_XYMarker* To_() const { return FTo.get(); }
  TCT_Shape* Sp() const { return FSp.get(); }

 private:
  std::unique_ptr<TCT_Shape> FSp;
  std::unique_ptr<TCT_XYMarker> FFrom, FTo;
};

}  // namespace xls::xpgdml::xdr

// The workbook's clipboard object: the hub it belongs to and the clipboard format number it
// registers (0: none). It exchanges nothing; the desktop clipboard is the window's business.
#pragma once

#include <cstdint>

namespace xls {

class TXc12Manager;

class TXLSClipboard {
 public:
  explicit TXLSClipboard(TXc12Manager* manager) : FManager(manager) {}
  TXc12Manager* Manager() const { return FManager; }
  int32_t WinCF() const { return FWinCF; }

 private:
  TXc12Manager* FManager;
  int32_t FWinCF = 0;
};

}  // namespace xls

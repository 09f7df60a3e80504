// Hyperlink objects: a sheet's hyperlink records that classify and encode their address.
//
// Whenever an address is set (also through the raw address the readers store), it is sorted into
// a web address (a scheme such as "http://" or a "www." start; "mailto:" kept as written), a
// network path ("\\server\share", written "file:///\\server\share"), a file ("file:///..." or a
// drive letter; "file://" is never taken for a web scheme) or a place in the workbook (text that compiles as
// a reference, such as Sheet1!A1; its tooltip becomes "#" and the text), and written in its stored form:
// blanks and the characters # $ & + , ; = @ [ ] ^ ` { } ~ and DEL percent-encoded, "%" kept before one or two
// hexadecimal digits. In a web address with a query only the parameter values are encoded.
// Design choice: the model cannot link the formula language, so the workbook test compiles the
// text through the defined names' compile link (TXLSNameFormulas, installed by the formula
// layer); without that link no text names a place in the workbook and it becomes a file link.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "xls/model/xlssheetparts.h"

namespace xls {

class TXc12Manager;
class TXLSHyperlinks;

class TXLSHyperlink : public TXc12Hyperlink {
 public:
  explicit TXLSHyperlink(TXLSHyperlinks* owner) : FOwner(owner) {}
  TXLSHyperlinks* Owner() const { return FOwner; }
  const std::u16string& Address() const { return FAddress; }
  void SetAddress(std::u16string_view text);
  const std::u16string& Description() const { return FDisplay; }
  void SetDescription(std::u16string_view v) { FDisplay = v; }
  const std::u16string& ToolTip() const { return FTooltip; }
  void SetToolTip(std::u16string_view v) { FTooltip = v; }
  TXLSHyperlinkType HyperlinkType() const { return FHyperlinkType; }
  void AddressChanged() override { SetAddress(std::u16string(FAddress)); }

 private:
  TXLSHyperlinks* FOwner;
};

class TXLSHyperlinks : public TXc12Hyperlinks {
 public:
  explicit TXLSHyperlinks(TXc12Manager* manager) : FManager(manager) {}
  std::unique_ptr<TCellArea> CreateArea() const override {
    return std::make_unique<TXLSHyperlink>(const_cast<TXLSHyperlinks*>(this));
  }
  TXLSHyperlink* Add() { return static_cast<TXLSHyperlink*>(AddLink()); }
  TXLSHyperlink* Items(size_t index) const { return static_cast<TXLSHyperlink*>(Link(index)); }
  TXc12Manager* Manager() const { return FManager; }
  // True when the text compiles as a formula at workbook level (a place in the workbook). Formula
  // errors are not counted or reported; the error manager's last error is 0 afterwards.
  bool NamesPlaceInWorkbook(std::u16string_view text) const;

 private:
  TXc12Manager* FManager;
};

// The percent-encoded form of a text (see the header comment).
std::u16string HyperlinkEncode(std::u16string_view text);
// Classifies and encodes an address; `workbookPlace` answers whether a text names a place in
// the workbook. Sets kind and tooltip (for a place in the workbook), returns the stored form.
std::u16string ClassifyHyperlink(std::u16string_view text,
                                 bool (*workbookPlace)(const void*, std::u16string_view), const void* context,
                                 TXLSHyperlinkType& kind, std::u16string* tooltip);

}  // namespace xls

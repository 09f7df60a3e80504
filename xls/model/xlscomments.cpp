#include "xls/model/xlscomments.h"

#include <stdexcept>

#include "xls/model/xc12manager.h"
#include "xls/model/xlssheetparts.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {

int32_t TXLSComment::Col() const { return FXc12Comment->Col(); }
void TXLSComment::SetCol(int32_t v) { FXc12Comment->SetCol(v); }
int32_t TXLSComment::Row() const { return FXc12Comment->Row(); }
void TXLSComment::SetRow(int32_t v) { FXc12Comment->SetRow(v); }

std::u16string TXLSComment::Author() const {
  return FXc12Comment->FAuthor ? FXc12Comment->FAuthor->FName : std::u16string();
}

void TXLSComment::SetAuthor(std::u16string_view name) {
  TXc12Authors& authors = FOwner->Xc12Comments().Authors();
  TXc12Author* a = authors.Find(name);
  FXc12Comment->FAuthor = a ? a : authors.Add(name);
}

const std::u16string& TXLSComment::PlainText() const { return FXc12Comment->FText; }

void TXLSComment::SetPlainText(std::u16string_view text) {
  FOwner->FreeRuns(*FXc12Comment);
  FXc12Comment->FText = text;
}

std::u16string TXLSComment::PlainTextNoAuthor() const {
  const std::u16string prefix = Author() + u":";
  const std::u16string& text = FXc12Comment->FText;
  return text.starts_with(prefix) ? text.substr(prefix.size()) : text;
}

TXLSComments::TXLSComments(TXc12Manager* manager, TXc12Comments* comments)
    : FManager(manager), FXc12Comments(comments) {
  Sync();
}

TXLSComments::~TXLSComments() = default;

void TXLSComments::Sync() {
  bool same = FItems.size() == FXc12Comments->Count();
  for (size_t i = 0; same && i < FItems.size(); ++i)
    same = FItems[i]->Xc12Comment() == FXc12Comments->Items(i);
  if (same) return;
  FItems.clear();
  for (size_t i = 0; i < FXc12Comments->Count(); ++i)
    FItems.push_back(std::make_unique<TXLSComment>(this, FXc12Comments->Items(i)));
}

size_t TXLSComments::Count() {
  Sync();
  return FItems.size();
}

TXLSComment* TXLSComments::Items(size_t index) {
  if (index >= FItems.size() || FItems[index]->Xc12Comment() != FXc12Comments->Items(index)) Sync();
  return FItems.at(index).get();
}

TXLSComment* TXLSComments::Add() {
  Sync();
  FItems.push_back(std::make_unique<TXLSComment>(this, FXc12Comments->Add()));
  return FItems.back().get();
}

TXLSComment* TXLSComments::Add(int32_t col, int32_t row, std::u16string_view text) {
  if (const int32_t i = FindIndex(col, row); i >= 0) Delete(size_t(i));
  TXLSComment* c = Add();
  TXc12Comment& data = *c->Xc12Comment();
  data.SetDefault();
  c->SetCol(col);
  c->SetRow(row);
  c->SetAuthor(FAuthor);
  c->SetPlainText(FAuthor.empty() ? std::u16string(text) : FAuthor + u":\r" + std::u16string(text));
  data.FCol1 = 1, data.FCol2 = 4, data.FRow1 = 1, data.FRow2 = 6;
  TXc12Fonts& fonts = FManager->StyleSheet().Fonts();
  if (!FAuthor.empty()) {
    *data.AddFontRun() = {0, fonts.MakeCommentFont(true)};
    *data.AddFontRun() = {int32_t(FAuthor.size()) + 1, fonts.MakeCommentFont(false)};
  } else {
    *data.AddFontRun() = {0, fonts.MakeCommentFont(false)};
  }
  FManager->StyleSheet().XFEditor().UseFonts(data.FFontRuns);
  return c;
}

int32_t TXLSComments::FindIndex(int32_t col, int32_t row) {
  Sync();
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->Col() == col && FItems[i]->Row() == row) return int32_t(i);
  return -1;
}

void TXLSComments::FreeRuns(TXc12Comment& comment) {
  FManager->StyleSheet().XFEditor().FreeFonts(comment.FFontRuns);
  comment.ClearFontRuns();
}

void TXLSComments::Delete(size_t index) {
  Sync();
  if (index >= FItems.size()) throw std::out_of_range("comment index");
  TXc12Comment& data = *FItems[index]->Xc12Comment();
  FreeRuns(data);
  data.FAuthor = nullptr;
  FItems.erase(FItems.begin() + std::ptrdiff_t(index));
  FXc12Comments->Delete(index);
}

void TXLSComments::Delete(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  Sync();
  for (size_t i = FItems.size(); i-- > 0;) {
    const TXLSComment& c = *FItems[i];
    if (c.Col() >= col1 && c.Col() <= col2 && c.Row() >= row1 && c.Row() <= row2) Delete(i);
  }
}

}  // namespace xls

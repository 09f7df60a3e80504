// The editing layer's cell comments: one wrapper per comment of a worksheet's comment list, in
// the list's order, to add plain-text comments with their author, find, replace and delete them.
//
// A comment added here is a default note (hidden box, light yellow fill, kept as VML text) with
// the text "Author:" + CR + text and two font runs, bold "Tahoma" 8 for the author and plain for
// the rest; every run counts one use of its font in the style sheet, and removing runs (a new
// plain text, a deletion) gives those uses back. Design choice: the wrappers follow the data list
// (rebuilt when a reader has changed it since), so that the list stays the one place comments
// live.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

class TXc12Comment;
class TXc12Comments;
class TXc12Manager;
class TXLSComments;

// One comment of the list.
class TXLSComment {
 public:
  TXLSComment(TXLSComments* owner, TXc12Comment* comment) : FOwner(owner), FXc12Comment(comment) {}
  int32_t Col() const;
  void SetCol(int32_t v);
  int32_t Row() const;
  void SetRow(int32_t v);
  // The author's name, empty without an author; writing finds or adds the author of that name
  // in the list's authors.
  std::u16string Author() const;
  void SetAuthor(std::u16string_view name);
  const std::u16string& PlainText() const;
  // Removes the font runs (giving back their fonts' uses), then sets the text.
  void SetPlainText(std::u16string_view text);
  // The text after "Author:" when it begins so, else the whole text.
  std::u16string PlainTextNoAuthor() const;
  bool Visible() const { return true; }
  bool AutoVisible() const { return FAutoVisible; }
  void SetAutoVisible(bool v) { FAutoVisible = v; }
  TXc12Comment* Xc12Comment() const { return FXc12Comment; }

 private:
  bool FAutoVisible = false;
  TXLSComments* FOwner;
  TXc12Comment* FXc12Comment;
};

// The comments of one worksheet.
class TXLSComments {
 public:
  TXLSComments(TXc12Manager* manager, TXc12Comments* comments);
  ~TXLSComments();
  TXLSComments(const TXLSComments&) = delete;
  TXLSComments& operator=(const TXLSComments&) = delete;

  size_t Count();
  TXLSComment* Items(size_t index);
  // A new empty comment at the end.
  TXLSComment* Add();
  // A comment at the cell with DefaultAuthor and `text`, replacing one the cell has.
  TXLSComment* Add(int32_t col, int32_t row, std::u16string_view text);
  void SetAsPlainText(int32_t col, int32_t row, std::u16string_view text) { Add(col, row, text); }
  // The index of the first comment of the cell, -1 when none.
  int32_t FindIndex(int32_t col, int32_t row);
  void Delete(size_t index);
  // Deletes every comment whose cell lies in the area (bounds included).
  void Delete(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
  // Column widths changed; comments keep their boxes.
  void ColWidthChanged(int32_t, int32_t) {}
  const std::u16string& DefaultAuthor() const { return FAuthor; }
  void SetDefaultAuthor(std::u16string_view v) { FAuthor = v; }
  TXc12Comments& Xc12Comments() { return *FXc12Comments; }
  // Gives back the uses of the comment's run fonts and empties its runs.
  void FreeRuns(TXc12Comment& comment);

 private:
  void Sync();
  TXc12Manager* FManager;
  std::u16string FAuthor;
  std::vector<std::unique_ptr<TXLSComment>> FItems;
  TXc12Comments* FXc12Comments;
};

}  // namespace xls

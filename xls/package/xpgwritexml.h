// A forward-only XML writer with a stack of open tags, used for the package's own bookkeeping
// parts (relationships and content types) on the write path.
//
// Output facts: UTF-8 text, a standalone XML declaration first, every line ending in one CR.
// Values and text are escaped (" & ' < > as entity references).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace xls {

class TXLSStream;

class TXpgWriteXML {
 public:
  // Starts writing to `stream` (not owned) with the XML declaration.
  void SaveToStream(TXLSStream& stream);
  void Declaration();

  // Pending text, written escaped by the next EndTag or SimpleTag.
  void SetText(std::u16string_view text) { text_ = text; }
  const std::u16string& Text() const { return text_; }
  // Appends raw text to the pending attributes.
  void AddRawAttributes(std::string_view raw);
  // name="escaped value" and a blank, appended to the pending attributes.
  void AddAttribute(std::u16string_view name, std::u16string_view value);

  void BeginTag(std::u16string_view name);
  // Raises "Empty stack" when no tag is open.
  void EndTag();
  void SimpleTag(std::u16string_view name);
  void SimpleTextTag(std::u16string_view name, std::u16string_view text);

  bool WriteIndent = true;  // kept for the interface; nothing indents

 private:
  void Put(std::string_view bytes);
  void CheckPending() const;
  TXLSStream* stream_ = nullptr;
  std::u16string text_;
  std::string attributes_;
  std::vector<std::string> stack_;
};

// Escapes " & ' < > and encodes UTF-8.
std::string XpgEscape(std::u16string_view text);

}  // namespace xls

// The engine's failure channel: the exception class and the numbered-message manager.
//
// Conditions that end an engine operation raise `XLSRWException` (a std::runtime_error whose
// what() is the UTF-8 form of the engine's UTF-16 message). Conditions that need not end the work
// on their own go through one `TXLSErrorManager` per component as numbered messages: errors are
// counted and, unless the host keeps an error list or takes them through `OnError`, raised as
// `XLSRWException`; warnings are only counted and reported.
//
// A report's text is "E" or "W", the decimal number, ": " and the table's text for that number,
// e.g. E3003: There is already a sheet with name "Data". The texts are fixed by the format of
// the messages hosts already match on, so they are kept letter for letter, typos included.
// Design choice: the error list holds (text, number) pairs instead of strings with attached
// objects, so a host can filter by number without parsing the text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

// The engine's exception. Carries only its message text.
class XLSRWException : public std::runtime_error {
 public:
  explicit XLSRWException(std::u16string_view message);
  explicit XLSRWException(const std::string& utf8Message);
  explicit XLSRWException(const char* utf8Message) : XLSRWException(std::string(utf8Message)) {}

  // The message as engine text.
  const std::u16string& Message() const noexcept { return FMessage; }

 private:
  std::u16string FMessage;
};

enum class TXLSErrorLevel : uint8_t { xelMessage, xelHint, xelWarning, xelError, xelFatal, xelDebug };

// A set of error levels.
class TXLSErrorLevels {
 public:
  constexpr TXLSErrorLevels() = default;
  constexpr TXLSErrorLevels(std::initializer_list<TXLSErrorLevel> levels) {
    for (auto l : levels) Include(l);
  }
  constexpr bool Contains(TXLSErrorLevel l) const { return (FBits >> static_cast<int>(l)) & 1u; }
  constexpr void Include(TXLSErrorLevel l) { FBits |= uint8_t(1u << static_cast<int>(l)); }
  constexpr void Exclude(TXLSErrorLevel l) { FBits &= uint8_t(~(1u << static_cast<int>(l))); }
  constexpr bool operator==(const TXLSErrorLevels&) const = default;

 private:
  uint8_t FBits = 0;
};

// Numbers of the messages in the table.
enum : int32_t {
  XLSERR_UNKNOWN_ENCRYPTION = 1002,
  XLSERR_PASSWORD_MISSING = 1003,
  XLSERR_PASSWORD_WRONG = 1004,
  XLSERR_DIRECT_WRITE_SAME_CELL = 1005,
  XLSWARN_XML_READ = 2001,
  XLSWARN_BIFF_SST_INDEX = 2002,
  XLSWARN_BIFF_RECORD_SKIPPED = 2003,
  XLSWARN_BIFF_EXTERN_DROPPED = 2021,
  XLSERR_NAME_NOT_FOUND = 3001,
  XLSERR_CIRCULAR_FORMULA = 3002,
  XLSERR_SHEET_NAME_EXISTS = 3003,
  XLSERR_INVALID_CELL_REF = 3004,
  XLSERR_INVALID_CELL_VALUE = 3005,
  XLSERR_UNKNOWN_IMAGE_TYPE = 3006,
  XLSERR_UNSUPPORTED_IMAGE_TYPE = 3007,
  XLSERR_IMAGE = 3008,
  XLSERR_MERGED_CELL_PART = 3009,
  XLSERR_SHAPE_NOT_TEXTBOX = 3101,
  XLSERR_SHAPE_NOT_EDITABLE = 3102,
  XLSERR_FMLA_UNKNOWN_ERROR_CONST = 4001,
  XLSERR_FMLA_INVALID_EXPONENT = 4002,
  XLSERR_FMLA_INVALID_FRACTION = 4003,
  XLSERR_FMLA_MISSING_QUOTE = 4004,
  XLSERR_FMLA_INVALID_ARRAY = 4005,
  XLSERR_FMLA_ERROR = 4006,
  XLSERR_FMLA_MISSING_RPAR = 4007,
  XLSERR_FMLA_INVALID_USE = 4008,
  XLSERR_FMLA_MISSING_EXPR = 4009,
  XLSERR_FMLA_INVALID_CELL_REF = 4010,
  XLSERR_FMLA_INVALID_SHEET_NAME = 4011,
  XLSERR_FMLA_INVALID_WORKBOOK_NAME = 4012,
  XLSERR_FMLA_MISSING = 4013,
  XLSERR_FMLA_INVALID_R1C1 = 4014,
  XLSERR_FMLA_MISSING_OPERAND = 4015,
  XLSERR_FMLA_UNKNOWN_SHEET = 4016,
  XLSERR_FMLA_UNKNOWN_EXT_SHEET = 4017,
  XLSERR_FMLA_INVALID_OPERATOR = 4018,
  XLSERR_FMLA_UNKNOWN_NAME = 4019,
  XLSERR_FMLA_MISSING_ARGUMENT = 4020,
  XLSERR_FMLA_TOO_MANY_ARGUMENTS = 4021,
  XLSERR_FMLA_ARRAY_COLUMNS = 4022,
  XLSERR_FMLA_TABLE_ERROR = 4023,
  XLSERR_FMLA_UNKNOWN_TABLE = 4024,
  XLSERR_FMLA_UNKNOWN_TABLE_COLUMNS = 4025,
  XLSERR_FMLA_UNKNOWN_TABLE_SPECIAL = 4026,
  XLSERR_FMLA_TABLE_MISSING_BRACKET = 4027,
  XLSERR_FMLA_TABLE_OPERATOR = 4028,
  XLSERR_FMLA_TABLE_SPECIALS_COMBINATION = 4029,
  XLSERR_FMLA_TABLE_SPECIALS_FIRST = 4030,
  XLSERR_NAME_EMPTY = 4031,
  XLSERR_NAME_DEFINED = 4032,
  XLSERR_HYPERLINK_INVALID_REF = 4033,
  XLSERR_UNKNOWN_BUILTIN_NAME = 5001,
  XLSERR_BUILTIN_NAME_NOT_FOUND = 5002,
  XLSERR_FILENAME_MISSING = 6001,
  XLSERR_NO_XLSBOOK = 6002,
  XLSERR_WORKBOOK_NOT_EMPTY = 6003,
  XLSERR_MULTIPLE_AREAS = 6004,
  XLSERR_INVALID_SIMPLE_TAG = 6005,
  XLSERR_FORMULA_RESULT_MISMATCH = 7001,
};

// The table's text for `number` with `arg` put in; empty for a number not in the table.
std::u16string XLSMessageText(int32_t number, std::u16string_view arg);

// One saved message: the full text ("E3001: ...") and its number.
struct TXLSErrorListItem {
  std::u16string Text;
  int32_t Number = 0;
  bool operator==(const TXLSErrorListItem&) const = default;
};
using TXLSErrorList = std::vector<TXLSErrorListItem>;

class TXLSErrorManager;
using TXLSErrorEvent = std::function<void(TXLSErrorManager* sender, TXLSErrorLevel level, const std::u16string& text)>;

// Counts, lists, hands on or raises the numbered messages of one component.
class TXLSErrorManager {
 public:
  TXLSErrorManager();
  TXLSErrorManager(const TXLSErrorManager&) = delete;
  TXLSErrorManager& operator=(const TXLSErrorManager&) = delete;

  // Reports error `number` with its text argument; raises XLSRWException unless a list or the
  // event takes it (see the header comment).
  void Error(std::u16string_view text, int32_t number);
  // Reports warning `number`; never raises.
  void Warning(std::u16string_view text, int32_t number);

  int32_t LastError() const { return FLastError; }
  void ClearLastError() { FLastError = 0; }
  bool SaveToList() const { return FSaveToList; }
  void SetSaveToList(bool v) { FSaveToList = v; }
  TXLSErrorLevels Filter() const { return FFilter; }
  void SetFilter(TXLSErrorLevels f) { FFilter = f; }
  const TXLSErrorEvent& OnError() const { return FErrorEvent; }
  void SetOnError(TXLSErrorEvent e) { FErrorEvent = std::move(e); }
  bool IgnoreErrors() const { return FIgnoreErrors; }
  void SetIgnoreErrors(bool v) { FIgnoreErrors = v; }
  bool IgnoreXMLWarnings() const { return FIgnoreXMLWarnings; }
  void SetIgnoreXMLWarnings(bool v) { FIgnoreXMLWarnings = v; }

  const TXLSErrorList& ErrorList() const { return *FErrorList; }
  // A host list (not owned; it must outlive its use here) is used from now on and SaveToList is
  // set; nullptr makes a new own list and clears SaveToList.
  void SetErrorList(TXLSErrorList* list);

  int32_t ErrorCount() const { return FErrorCount + FFatalCount; }
  int32_t WarningCount() const { return FWarningCount + FErrorCount + FFatalCount; }
  int32_t HintCount() const { return FHintCount + FWarningCount + FErrorCount + FFatalCount; }
  int32_t FatalCount() const { return FFatalCount; }

 private:
  TXLSErrorEvent FErrorEvent;
  TXLSErrorLevels FFilter{TXLSErrorLevel::xelDebug};
  bool FSaveToList = false;
  std::unique_ptr<TXLSErrorList> FOwnList;
  TXLSErrorList* FErrorList = nullptr;
  int32_t FLastError = 0;
  int32_t FHintCount = 0;
  int32_t FWarningCount = 0;
  int32_t FErrorCount = 0;
  int32_t FFatalCount = 0;
  bool FIgnoreErrors = false;
  bool FIgnoreXMLWarnings = true;
};

// The warning cap of one load: a reader reports at most kMax warnings of a load through the
// manager and only counts the rest, so that a file of a million damaged records costs no more
// than a few hundred messages. Both workbook readers keep one per load.
class TXLSWarningCap {
 public:
  static constexpr int32_t kMax = 200;
  void Reset() { FReported = FSuppressed = 0; }
  // True when the next warning is to be reported (it is then counted as reported); false, and
  // counted as suppressed, once kMax were reported since Reset.
  bool Take() {
    if (FReported >= kMax) {
      ++FSuppressed;
      return false;
    }
    ++FReported;
    return true;
  }
  int32_t Reported() const { return FReported; }
  int32_t Suppressed() const { return FSuppressed; }

 private:
  int32_t FReported = 0;
  int32_t FSuppressed = 0;
};

}  // namespace xls

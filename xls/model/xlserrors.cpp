#include "xls/model/xlserrors.h"

#include <algorithm>
#include <array>

#include "platform/textcodec.h"

namespace xls {

XLSRWException::XLSRWException(std::u16string_view message)
    : std::runtime_error(kws::Utf16ToUtf8(message)), FMessage(message) {}

XLSRWException::XLSRWException(const std::string& utf8Message)
    : std::runtime_error(utf8Message), FMessage(kws::Utf8ToUtf16(utf8Message)) {}

namespace {

struct TMessage {
  int32_t Number;
  const char16_t* Text;  // "%s" marks where the argument goes
};

// Sorted by number.
constexpr TMessage kMessages[] = {
    {1002, u"Unknown type of encryption"},
    {1003, u"File is encrypted, password missing. If you think the file is unencrypted, try \"VelvetSweatshop\""},
    {1004, u"File is encrypted, password is wrong."},
    {1005, u"Direct write: Cell column and row can not be the same as previous"},
    {2001, u"XML read error: \"%s\""},
    {2002, u"Shared string index %s out of range"},
    {2003, u"Damaged record skipped: %s"},
    {2021, u"External reference record %s dropped: its book or sheet is missing"},
    {3001, u"Can not find Defined Name \"%s\""},
    {3002, u"Circular formula \"%s\""},
    {3003, u"There is already a sheet with name \"%s\""},
    {3004, u"Invalid cell reference \"%s\""},
    {3005, u"Invalid cell value"},
    {3006, u"Unknown image type \"%s\""},
    {3007, u"Unsupported image type \"%s\" Use JPEG or PNG images"},
    {3008, u"Image error"},
    {3009, u"Can not change part of a merged cell"},
    {3101, u"Can not edit this shape as Text box"},
    {3102, u"Can not edit this shape"},
    {4001, u"Unknown error constant \"%s\""},
    {4002, u"Invalid exponent value"},
    {4003, u"Invalid fractional number"},
    {4004, u"Missing end quote character"},
    {4005, u"Invalid array constant"},
    {4006, u"Error in formula"},
    {4007, u"Missing right parenthesis \"%s\""},
    {4008, u"Invalid use of \"%s\""},
    {4009, u"Missing expression after \"%s\""},
    {4010, u"Invalid cell reference"},
    {4011, u"Invalid sheet name"},
    {4012, u"Invalid workbook name"},
    {4013, u"Missing \"%s\""},
    {4014, u"Invalid R1C1 reference"},
    {4015, u"Missing operand"},
    {4016, u"Unknown sheet name \"%s\""},
    {4017, u"Unknown external sheet \"%s\""},
    {4018, u"Invalid use of operator"},
    {4019, u"Unknown name \"%s\""},
    {4020, u"Missing argument for function \"%s\""},
    {4021, u"To many arguments for function \"%s\""},
    {4022, u"Array constant columns not the same on each row"},
    {4023, u"Error in table \"%s\""},
    {4024, u"Unknown table \"%s\""},
    {4025, u"Unknown table columns \"%s\""},
    {4026, u"Unknown table special \"%s\""},
    {4027, u"Table \"%s\" is missing end bracket\""},
    {4028, u"Invalid use of operator in table"},
    {4029, u"Invalid combination of table specials"},
    {4030, u"Table specials must be first in expression"},
    {4031, u"Name text is empty"},
    {4032, u"Name \"%s\" is already defined"},
    {4033, u"Invalid reference \"%s\" in hyperlink"},
    {5001, u"Unknown built in name \"%s\""},
    {5002, u"Can not find built in name \"%s\""},
    {6001, u"Filename is missing in %s"},
    {6002, u"No XLSBook defined"},
    {6003, u"Workbook not empty. Data will be discarded when changing filetype."},
    {6004, u"%s can not be performed on multiple selected areas"},
    {6005, u"Invalid simple tag \"%s\""},
    {7001, u"Formula result in cell \"%s\" do not match."},
};

std::u16string NumberText(int32_t n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

std::u16string Compose(char16_t prefix, int32_t number, std::u16string_view arg) {
  std::u16string msg(1, prefix);
  msg += NumberText(number);
  msg += u": ";
  msg += XLSMessageText(number, arg);
  return msg;
}

}  // namespace

std::u16string XLSMessageText(int32_t number, std::u16string_view arg) {
  const auto* it = std::lower_bound(std::begin(kMessages), std::end(kMessages), number,
                                    [](const TMessage& m, int32_t n) { return m.Number < n; });
  if (it == std::end(kMessages) || it->Number != number) return {};
  std::u16string text(it->Text);
  if (const auto p = text.find(u"%s"); p != std::u16string::npos) text.replace(p, 2, arg);
  return text;
}

TXLSErrorManager::TXLSErrorManager()
    : FOwnList(std::make_unique<TXLSErrorList>()), FErrorList(FOwnList.get()) {}

void TXLSErrorManager::SetErrorList(TXLSErrorList* list) {
  if (list) {
    FErrorList = list;
    FOwnList.reset();
    FSaveToList = true;
  } else {
    FOwnList = std::make_unique<TXLSErrorList>();
    FErrorList = FOwnList.get();
    FSaveToList = false;
  }
}

void TXLSErrorManager::Error(std::u16string_view text, int32_t number) {
  if (FIgnoreErrors) return;
  FLastError = number;
  ++FErrorCount;
  std::u16string msg = Compose(u'E', number, text);
  if (FSaveToList) FErrorList->push_back({msg, number});
  if (FErrorEvent && !FFilter.Contains(TXLSErrorLevel::xelError)) {
    FErrorEvent(this, TXLSErrorLevel::xelError, msg);
    return;
  }
  if (!FSaveToList) throw XLSRWException(msg);
}

void TXLSErrorManager::Warning(std::u16string_view text, int32_t number) {
  if (FIgnoreXMLWarnings && number == XLSWARN_XML_READ) return;
  ++FWarningCount;
  std::u16string msg = Compose(u'W', number, text);
  if (FSaveToList) FErrorList->push_back({msg, number});
  if (FErrorEvent && !FFilter.Contains(TXLSErrorLevel::xelWarning)) FErrorEvent(this, TXLSErrorLevel::xelWarning, msg);
}

}  // namespace xls

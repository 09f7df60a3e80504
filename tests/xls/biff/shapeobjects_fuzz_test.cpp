// Mutation fuzzing of the OBJ and TXO readers: record runs as a sheet drawing interleaves them
// (OBJ of every control kind, a note and a text box, each text-bearing one followed by its TXO
// with mixed-width CONTINUE records) are damaged at random; every OBJ is read into sub-records and
// an object, every TXO with the CONTINUE records after it, and the values of each control are
// asked for. An engine error is fine; a crash, a sanitizer report or any other exception fails.
//
// Budget: KWS_FUZZ_SECONDS (default 20) and KWS_FUZZ_INPUTS (default 1,000,000), whichever ends
// first; the number of inputs run is printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/biffbook.h"
#include "tests/support/mutator.h"
#include "xls/biff/biffformulahandler.h"
#include "xls/biff/biffrecordview.h"
#include "xls/biff/shapeobjects.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

using kws::test::BiffBody;
using kws::test::BiffRecord;

constexpr uint16_t BIFFID_OBJ = 0x005D, BIFFID_TXO = 0x01B6;

std::string Sub(uint16_t ft, const std::string& data) {
  return BiffBody().U16(ft).U16(uint16_t(data.size())).Bytes(data);
}
std::string Cmo(uint16_t type, uint16_t id, uint16_t flags) {
  return Sub(ftCmo, BiffBody().U16(type).U16(id).U16(flags).Bytes(std::string(12, '\0')));
}
std::string Fmla(const std::string& tokens) {
  return BiffBody().U16(uint16_t(tokens.size())).U32(0).Bytes(tokens).U8(0);
}
std::string Txo(uint16_t textLen, uint16_t formatLen) {
  return BiffBody().U16(0x0212).U16(0).Bytes(std::string(6, '\0')).U16(textLen).U16(formatLen).U16(0).U16(0);
}
std::string Runs() { return BiffBody().U16(0).U16(0).U32(0).U16(3).U16(5).U32(0); }
std::string Text(uint16_t textLen) {
  return BiffRecord(BIFFID_TXO, Txo(textLen, 16)) + BiffRecord(0x003C, BiffBody().U8(1).Units(u"\u20ACa")) +
         BiffRecord(0x003C, BiffBody().U8(0).Bytes("b\xE9")) + BiffRecord(0x003C, Runs());
}

std::vector<std::string> Corpus() {
  const std::string end = Sub(ftEnd, "");
  const std::string cell = BiffBody().U8(0x24).U16(3).U16(0xC001);
  const std::string area = BiffBody().U8(0x25).U16(0).U16(4).U16(0xC000).U16(0xC000);
  const std::string sbs = BiffBody().U32(0).U16(1).U16(0).U16(9).U16(1).U16(5).U16(0).U16(16).U16(1);
  const std::string macro = Fmla(BiffBody().U8(0x39).U16(0).U16(1).U16(0));
  const std::string cbls = BiffBody().U16(1).U16(0).U32(0).U16(0).U16(0);
  const std::string lbs = BiffBody().U16(16).U16(9).U32(0).Bytes(area).U8(0).U16(5).U16(1).U16(0x10).U16(0).Bytes(
      std::string("\0\1\0\0\1", 5));
  const std::string combo = BiffBody().U16(16).U16(9).U32(0).Bytes(area).U8(0).U16(5).U16(1).U16(0).U16(0).U16(2).U16(8).U16(0);
  auto obj = [](const std::string& body) { return BiffRecord(BIFFID_OBJ, body); };
  return {
      obj(Cmo(otButton, 1, 0x4011) + Sub(ftMacro, macro) + end) + Text(4),
      obj(Cmo(otCheckBox, 2, 0x0011) + Sub(ftCbls, cbls) + Sub(ftCblsFmla, Fmla(cell)) + Sub(ftCblsData, cbls.substr(0, 8)) +
          end) + Text(4),
      obj(Cmo(otRadioButton, 3, 0x0011) + Sub(ftCbls, cbls) + Sub(ftRbo, BiffBody().U32(0).U16(4).U16(1)) +
          Sub(ftRboData, BiffBody().U16(4).U16(1)) + end) + Text(4),
      obj(Cmo(otScrollBar, 4, 0x6011) + Sub(ftSbs, sbs) + Sub(ftSbsFmla, Fmla(cell)) + end),
      obj(Cmo(otListBox, 5, 0x2011) + Sub(ftSbs, sbs) + Sub(ftSbsFmla, Fmla(cell)) + Sub(ftLbsData, lbs)),
      obj(Cmo(otDropDown, 6, 0x2101) + Sub(ftSbs, sbs) + Sub(ftLbsData, combo)),
      obj(Cmo(otNote, 7, 0x4011) + Sub(ftNts, std::string(22, '\0')) + end) + Text(4),
      obj(Cmo(otTextBox, 8, 0x6011) + end) + Text(4) + obj(Cmo(otLabel, 9, 0) + end) + Text(0),
  };
}

// Reads every OBJ and TXO of a record run and asks the objects for their values.
void Exercise(const std::string& input, TInternalNames& names) {
  const TRecordView v(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  size_t pos = 0;
  auto next = [&](uint16_t& id) -> std::span<const uint8_t> {
    id = v.U16(pos);
    const auto body = v.Bytes(pos + 4, v.U16(pos + 2));
    pos += 4 + body.size();
    return body;
  };
  std::shared_ptr<TShapeOutsideMso> object;
  while (v.Available(pos) >= 4) {
    uint16_t id;
    const auto body = next(id);
    if (id == BIFFID_OBJ) {
      TBaseRecordStorage subs;
      int32_t maxId = 0;
      ReadObjRecord(body, subs, maxId);
      object = MakeShapeObject(subs, true, &names);
      int32_t a, b, c, d, e;
      if (auto* list = dynamic_cast<TShapeControlListBox*>(object.get())) {
        try {
          list->GetDestCell(a, b);
          list->SetDestCell(a + 1, b);
        } catch (const XLSRWException&) {
        }
        try {
          list->GetSourceArea(a, b, c, d, e);
          list->SetSourceArea(a, b, c, d + 1, e);
        } catch (const XLSRWException&) {
        }
      }
      if (auto* check = dynamic_cast<TShapeControlCheckBox*>(object.get())) check->SetState(uint16_t(check->State() ^ 1));
      if (auto* macro = dynamic_cast<TShapeOutsideMsoBaseTextMacro*>(object.get())) {
        macro->NameIndexChanged(-1);
        (void)macro->GetMacro();
      }
      if (auto* scroll = dynamic_cast<TShapeControlScrollBar*>(object.get())) scroll->SetValue(scroll->MaxValue());
    } else if (id == BIFFID_TXO) {
      TShapeOutsideMsoBaseText text;
      text.ReadText(body, [&]() -> std::optional<std::span<const uint8_t>> {
        if (v.Available(pos) < 4 || v.U16(pos) != 0x003C) return std::nullopt;
        uint16_t cid;
        return next(cid);
      });
      if (text.Text().size() > text.TextLen() || text.TXORuns().size() * 8 > text.FormatLen())
        throw std::logic_error("text or runs past their lengths");
    }
  }
}

TEST(ShapeObjectsFuzz_Mutations, ReadOrEngineError) {
  TFormulaHandler handler;
  handler.InternalNames().Add().SetName(u"Macro1");
  const auto budget = kws::test::FuzzBudget::FromEnvironment(20, 1000000);
  uint64_t failed = 0;
  const uint64_t inputs = kws::test::RunFuzz(budget, Corpus(), 20261211, [&](const std::string& input) {
    try {
      Exercise(input, handler.InternalNames());
    } catch (const XLSRWException&) {
      ++failed;
    }
  });
  std::printf("OBJ/TXO fuzz: %llu inputs, %llu engine errors\n", static_cast<unsigned long long>(inputs),
              static_cast<unsigned long long>(failed));
  EXPECT_GT(inputs, 0u);
}

}  // namespace
}  // namespace xls::biff

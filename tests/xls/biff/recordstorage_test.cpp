// Raw record storage: default slots in their fixed order, placement, placeholders, and slot
// getters that never read past a short body.
#include "xls/biff/recordstorage.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <vector>

#include "tests/xls/biff/frame_fixtures.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

using xls::biff::test::ErrorText;

std::vector<uint16_t> Ids(const TBaseRecordStorage& s) {
  std::vector<uint16_t> ids;
  for (size_t i = 0; i < s.Count(); ++i)
    if (const TRecordData* r = s.Items(i)) ids.push_back(r->RecId);
  return ids;
}

TEST(RecordStorage_Globals, FirstSettingPlacesTheDefaultsBeforeIt) {
  TRecordStorageGlobals g;
  EXPECT_EQ(g.Count(), 0u);
  EXPECT_EQ(Ids(g.Defaults()).size(), 25u);
  g.AddRec(TBIFFHeader{0x0063, 2}, std::vector<uint8_t>{1, 0});  // a loose record keeps its place
  const uint8_t country[] = {7, 0, 49, 0};
  g.UpdateDefault(TBIFFHeader{0x008C, 4}, country);
  const std::vector<uint16_t> expected = {0x0063, 0x0809, 0x005C, 0x0042, 0x0161, 0x013D, 0x009C,
                                          0x0019, 0x0012, 0x0013, 0x01AF, 0x003D, 0x0040, 0x008D,
                                          0x0022, 0x000E, 0x01B7, 0x00DA, 0x8001, 0x8002, 0x008C};
  EXPECT_EQ(Ids(g), expected);
  EXPECT_EQ(g.COUNTRY().U16(0), 7);
  EXPECT_EQ(g.COUNTRY().U16(2), 49);
  EXPECT_EQ(g.Slot(TRecordStorageGlobals::PCOUNTRY), g.Items(20));
  // Defaults read through the slots, placed or pending.
  EXPECT_EQ(g.CODEPAGE(), 1200);
  EXPECT_TRUE(g.PRECISION());
  EXPECT_EQ(g.WINDOW1().U16(4), 10000);
  EXPECT_EQ(g.RECALCID().U32(4), 0xFFFFFFu);
  EXPECT_EQ(g.WRITEACCESS(), u"");
  EXPECT_EQ(g.Slot(TRecordStorageGlobals::PWRITEACCESS)->Data[107], '6');
  EXPECT_EQ(g.Size(), int64_t(4 * 21 + 16 + 112 + 2 * 14 + 18 + 4));
}

TEST(RecordStorage_Globals, PlaceholdersOfItsOwnKindOnly) {
  TRecordStorageGlobals g;
  g.UpdateInternal(INTERNAL_PAGEBREAKES);  // a sheet placeholder: nothing happens
  EXPECT_EQ(g.Count(), 0u);
  g.UpdateInternal(INTERNAL_SST);
  EXPECT_EQ(Ids(g).size(), 24u);
  EXPECT_EQ(Ids(g).back(), INTERNAL_SST);
  EXPECT_EQ(Ids(g.Defaults()), std::vector<uint16_t>{0x000A});
  g.UpdateInternal(INTERNAL_SST);  // already placed: stays
  EXPECT_EQ(Ids(g).size(), 24u);
  EXPECT_EQ(g.PostCheck(), 0);
}

TEST(RecordStorage_Sheet, SlotsReplaceAndRefuse) {
  TRecordStorageSheet s;
  const uint8_t manual[] = {0, 0}, automatic[] = {1, 0}, four[] = {1, 0, 0, 0};
  s.UpdateDefault(TBIFFHeader{0x000D, 2}, manual);
  EXPECT_EQ(s.CALCMODE(), 0);
  s.UpdateDefault(TBIFFHeader{0x000D, 2}, automatic);  // the last one wins
  EXPECT_EQ(s.CALCMODE(), 1);
  EXPECT_EQ(ErrorText([&] {
              s.UpdateDefault(TBIFFHeader{0x000D, 4}, four);
            }),
            "Size missmatch on default record 000D");
  s.UpdateDefault(TBIFFHeader{0x0203, 2}, automatic);  // no slot: ignored
  EXPECT_EQ(s.FindRecord(0x0203), -1);
  s.Clear();
  EXPECT_EQ(ErrorText([&] {
              s.UpdateDefault(TBIFFHeader{0x000D, 2}, automatic);
            }),
            "Excpected default record 000D not found.");
  EXPECT_EQ(s.PostCheck(), -1);
}

TEST(RecordStorage_Sheet, EveryBOFIdTakesTheBOFSlot) {
  TRecordStorageSheet s;
  const uint8_t bof5[] = {0x00, 0x05, 0x10, 0x00, 1, 2, 3, 4};
  s.UpdateDefault(TBIFFHeader{0x0209, 8}, bof5);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_EQ(s.Items(0)->RecId, 0x0809);
  EXPECT_EQ(s.BOF().Size(), 8u);
  EXPECT_EQ(s.BOF().U16(2), 0x0010);
  EXPECT_EQ(s.BOF().U32(12), 0u);  // not there: 0
  // Defaults in their fixed order: PRINTGRIDLINES before PRINTHEADERS.
  s.UpdateInternal(INTERNAL_MARGINS);
  const std::vector<uint16_t> expected = {0x0809, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F, 0x002B,
                                          0x002A, 0x0082, 0x0080, 0x0225, 0x0081, 0x8101, 0x8102, 0x8103};
  EXPECT_EQ(Ids(s), expected);
  EXPECT_DOUBLE_EQ(s.DELTA(), 0.001);
  EXPECT_EQ(s.WSBOOL(), 0x04C1);
  EXPECT_EQ(s.SETUP().U16(10), 0x06B6);
  EXPECT_DOUBLE_EQ(s.SETUP().F64(16), 0.5);
  EXPECT_EQ(s.DEFAULTROWHEIGHT().U16(2), 255);
  EXPECT_EQ(s.WINDOW2().U16(6), 64);
}

// Getters never read past a short body; setters never write past it.
TEST(RecordStorage_Slots, ShortBodiesReadZeroAndStayShort) {
  TRecordStorageSheet s;
  const uint8_t window2[10] = {0xB6, 0x06, 5, 0, 3, 0, 0x40, 0, 0, 0};
  s.UpdateDefault(TBIFFHeader{0x023E, 10}, window2);
  EXPECT_EQ(s.WINDOW2().Size(), 10u);
  EXPECT_EQ(s.SlotWordAt(TRecordStorageSheet::PWINDOW2, 12), 0);  // zoom: absent
  s.SetSlotWordAt(TRecordStorageSheet::PWINDOW2, 12, 150);
  EXPECT_EQ(s.WINDOW2().Size(), 10u);
  EXPECT_EQ(s.SlotWordAt(TRecordStorageSheet::PWINDOW2, 12), 0);
  EXPECT_EQ(s.SlotWordAt(TRecordStorageSheet::PWINDOW2, 2), 5);
  TRecordStorageSheet d;
  const uint8_t one[1] = {9};
  d.UpdateDefault(TBIFFHeader{0x0010, 1}, one);  // a one-byte DELTA
  EXPECT_EQ(d.DELTA(), std::bit_cast<double>(uint64_t(9)));
  d.SetDELTA(2.5);
  EXPECT_EQ(d.Slot(TRecordStorageSheet::PDELTA)->Data.size(), 1u);

  // A WRITEACCESS that announces more characters than it holds gives only those present.
  TRecordStorageGlobals g;
  const uint8_t wa[9] = {200, 0, 1, 'A', 0, 'B', 0, 'C', 0};
  g.UpdateDefault(TBIFFHeader{0x005C, 9}, wa);
  EXPECT_EQ(g.WRITEACCESS(), u"ABC");
  g.SetWRITEACCESS(u"too short a body");  // 9 bytes: left alone
  EXPECT_EQ(g.WRITEACCESS(), u"ABC");
  const uint8_t wa8[6] = {3, 0, 0, ' ', 'x', ' '};
  g.UpdateDefault(TBIFFHeader{0x005C, 9}, wa8);  // 8-bit characters; padded with zeros to 9 bytes
  EXPECT_EQ(g.WRITEACCESS(), u"x");
}

TEST(RecordStorage_Globals, UserNameRoundTrip) {
  TRecordStorageGlobals g;
  g.SetWRITEACCESS(u"  Ada Lovelace ");
  EXPECT_EQ(g.WRITEACCESS(), u"Ada Lovelace");
  const std::u16string longName(80, u'n');
  g.SetWRITEACCESS(longName);
  EXPECT_EQ(g.WRITEACCESS(), longName.substr(0, 52));
  const auto& body = g.Slot(TRecordStorageGlobals::PWRITEACCESS)->Data;
  ASSERT_EQ(body.size(), 112u);
  EXPECT_EQ(std::string(body.begin() + 107, body.begin() + 111), "6047");
  EXPECT_EQ(body[111], 0);
}

// A loose record with a slot's id (an embedded chart's EOF kept raw) is not taken for the slot:
// placing the slot still moves the pending defaults in.
TEST(RecordStorage_Sheet, LooseRecordOfASlotIdIsNotTheSlot) {
  TRecordStorageSheet s;
  s.AddRec(TBIFFHeader{0x000A, 0}, {});
  s.UpdateDefault(TBIFFHeader{0x000A, 0}, {});
  EXPECT_EQ(s.Count(), 1u + 27u);
  EXPECT_EQ(s.Slot(TRecordStorageSheet::PEOF), s.Items(27));
  EXPECT_EQ(s.Defaults().FindRecord(0x000A), -1);
}

TEST(RecordView_Bounds, FieldsPastTheEndReadZero) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  const TRecordView v(bytes, 5);
  EXPECT_EQ(v.U16(0), 0x0201);
  EXPECT_EQ(v.U32(2), 0x00050403u);  // one byte missing
  EXPECT_EQ(v.U16(4), 0x0005);
  EXPECT_EQ(v.U16(5), 0);
  EXPECT_EQ(v.U8(SIZE_MAX), 0);
  EXPECT_EQ(v.U64(1), 0x0000000005040302ull);
  EXPECT_EQ(v.Bound(100, 1, 2), 2u);  // two whole 2-byte items from offset 1
  EXPECT_EQ(v.Bound(1, 1, 2), 1u);
  EXPECT_EQ(v.Bound(3, 9, 1), 0u);
  EXPECT_EQ(v.Bytes(3, 10).size(), 2u);
  EXPECT_TRUE(v.Bytes(7, 1).empty());
  EXPECT_EQ(v.Sub(2).U16(0), 0x0403);
  EXPECT_TRUE(TRecordView().Sub(0).Empty());
}

TEST(RecordStorage_Base, AddFindUpdateAssign) {
  TBaseRecordStorage a, b;
  const uint8_t body[] = {1, 2, 3};
  a.AddRec(TBIFFHeader{0x0203, 5}, body);  // padded with zeros to its length
  a.AddRec(TBIFFHeader{0x0204, 1}, body);  // cut to its length
  EXPECT_EQ(a.Items(0)->Data, (std::vector<uint8_t>{1, 2, 3, 0, 0}));
  EXPECT_EQ(a.Items(1)->Data, (std::vector<uint8_t>{1}));
  EXPECT_EQ(a.FindRecord(0x0204), 1);
  EXPECT_EQ(a.FindRecord(0x0999), -1);
  const uint8_t upd[] = {9, 9};
  a.UpdateRec(0, upd);
  EXPECT_EQ(a.Items(0)->Length, 2);
  EXPECT_EQ(a.Size(), 4 + 2 + 4 + 1);
  b.AddRec(TBIFFHeader{0x0001, 0}, {});
  a.Assign(b);
  EXPECT_EQ(Ids(b), (std::vector<uint16_t>{0x0001, 0x0203, 0x0204}));
  EXPECT_EQ(a.Count(), 2u);
  EXPECT_THROW(a.Items(5), std::out_of_range);
  TXLSStream out;
  out.OpenRawMemStreamWrite();
  a.WriteAllRecs(out);
  EXPECT_EQ(out.WrittenData(), (std::vector<uint8_t>{0x03, 0x02, 2, 0, 9, 9, 0x04, 0x02, 1, 0, 1}));
}

}  // namespace
}  // namespace xls::biff

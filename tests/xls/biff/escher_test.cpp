// The drawing layer of legacy workbooks: property tables, the drawing group with its picture store
// and the sheets' shape trees, from drawings written record by record (tests/support/biffbook.h)
// and read through the component, and from the LibreOffice and Gnumeric fixtures of
// tests/data/xls-drawing against xlrd's and openpyxl's reading of them.
#include <gtest/gtest.h>
#include <nettle/sha1.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/biffbook.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffreader.h"
#include "xls/biff/chartobjects.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/escherpictures.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlssheetparts.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlsworksheetdata.h"

namespace {

using kws::test::BiffBody;
using kws::test::BiffBoundSheet;
using kws::test::BiffCompoundFile;
using kws::test::BiffRecord;
using kws::test::BiffWorkbookStream;
using namespace xls::biff;

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

// ---- drawing data, piece by piece ---------------------------------------------------------------
// A drawing is drawing bytes with whole BIFF records (OBJ, TXO, CONTINUE, IMDATA) between them;
// container lengths count the drawing bytes alone.
struct Piece {
  bool biff;
  std::string bytes;
};
using Pieces = std::vector<Piece>;

std::string MsoHeader(uint16_t verInst, uint16_t fbt, uint32_t length) {
  return BiffBody().U16(verInst).U16(fbt).U32(length);
}
size_t DrawLen(const Pieces& p) {
  size_t n = 0;
  for (const Piece& x : p) n += x.biff ? 0 : x.bytes.size();
  return n;
}
Pieces Cat(std::initializer_list<Pieces> parts) {
  Pieces out;
  for (const Pieces& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Pieces Rec(uint16_t verInst, uint16_t fbt, const std::string& body) {
  return {{false, MsoHeader(verInst, fbt, uint32_t(body.size())) + body}};
}
Pieces Cont(uint16_t fbt, const Pieces& children, uint16_t inst = 0) {
  Pieces out{{false, MsoHeader(uint16_t(0xF | inst << 4), fbt, uint32_t(DrawLen(children)))}};
  out.insert(out.end(), children.begin(), children.end());
  return out;
}
Pieces BiffRec(uint16_t id, const std::string& body) { return {{true, BiffRecord(id, body)}}; }
// Drawing bytes in MSODRAWING records, one for each run between BIFF records.
std::string Records(const Pieces& pieces) {
  std::string out, run;
  auto flush = [&] {  // longer runs go on in CONTINUE records
    for (size_t at = 0; at < run.size(); at += 8224) out += BiffRecord(at ? 0x003C : 0x00EC, run.substr(at, 8224));
    run.clear();
  };
  for (const Piece& p : pieces) {
    if (p.biff) {
      flush();
      out += p.bytes;
    } else {
      run += p.bytes;
    }
  }
  flush();
  return out;
}

std::string Obj(uint16_t type, uint16_t id) {
  return BiffBody().U16(0x15).U16(18).U16(type).U16(id).U16(0x6011).Bytes(std::string(12, '\0')).U16(0).U16(0);
}
std::string Opt(std::vector<std::pair<uint16_t, uint32_t>> props) {
  BiffBody b;
  for (auto [id, v] : props) b.U16(id).U32(v);
  return b;
}
Pieces ClientAnchor(uint16_t c1, uint16_t r1, uint16_t c2, uint16_t r2) {
  return Rec(0, 0xF010, BiffBody().U16(0).U16(c1).U16(0).U16(r1).U16(0).U16(c2).U16(0).U16(r2).U16(0));
}
// TXO and its CONTINUE records: the text in 8-bit pieces (`wide` false) or UTF-16 pieces, then one
// run record.
Pieces Txo(std::u16string_view text, std::vector<bool> wide = {false}) {
  Pieces p = BiffRec(0x01B6, BiffBody().U16(0x0212).U16(0).Bytes(std::string(6, '\0')).U16(uint16_t(text.size())).U16(16)
                              .U16(0).U16(0));
  const size_t pieces = wide.size();
  for (size_t i = 0, at = 0; i < pieces; ++i) {
    const size_t n = i + 1 == pieces ? text.size() - at : text.size() / pieces;
    BiffBody b;
    b.U8(wide[i] ? 1 : 0);
    for (size_t k = 0; k < n; ++k) wide[i] ? (void)b.U16(text[at + k]) : (void)b.U8(uint8_t(text[at + k]));
    at += n;
    p.push_back(BiffRec(0x003C, b)[0]);
  }
  p.push_back(BiffRec(0x003C, std::string(16, '\0'))[0]);
  return p;
}
// One shape with a cell anchor: SP, properties, anchor, client data, its OBJ, and for a text its
// text box record and TXO.
Pieces Shape(uint16_t type, uint32_t id, uint16_t objType, const std::string& opt, uint16_t optCount,
             const Pieces& anchor, const Pieces& text = {}, uint32_t flags = 0x0A00) {
  Pieces in = Cat({Rec(uint16_t(2 | type << 4), 0xF00A, BiffBody().U32(id).U32(flags)),
                   opt.empty() ? Pieces{} : Rec(uint16_t(3 | optCount << 4), 0xF00B, opt), anchor,
                   Rec(0, 0xF011, ""), BiffRec(0x005D, Obj(objType, uint16_t(id & 0xFFFF)))});
  if (!text.empty()) in = Cat({in, Rec(0, 0xF00D, ""), text});
  return Cont(0xF004, in);
}
Pieces Patriarch() {
  return Cont(0xF004, Cat({Rec(1, 0xF009, std::string(16, '\0')), Rec(2, 0xF00A, BiffBody().U32(1024).U32(5))}));
}
// A sheet drawing (drawing id 1) holding `shapes` at the top level.
std::string SheetDrawing(const Pieces& shapes, uint32_t shapeCount = 2) {
  return Records(Cont(0xF002, Cat({Rec(uint16_t(0 | 1 << 4), 0xF008, BiffBody().U32(shapeCount).U32(1024 + shapeCount)),
                                    Cont(0xF003, Cat({Patriarch(), shapes}))})));
}
std::string Note(uint16_t row, uint16_t col, uint16_t objId, const std::string& author) {
  return BiffRecord(0x001C, BiffBody().U16(row).U16(col).U16(2).U16(objId).Str8(author).U8(0));
}
std::string Number(uint16_t row, uint16_t col, double v) {
  return BiffRecord(0x0203, BiffBody().U16(row).U16(col).U16(0).F64(v));
}

// ---- the drawing group --------------------------------------------------------------------------
// One store entry: the fixed part and an embedded picture record.
std::string Bse(uint8_t kind, uint32_t cRef, const std::string& blip) {
  BiffBody b;
  b.U8(kind).U8(kind).Bytes(std::string(16, 'u')).U16(0xFF).U32(uint32_t(blip.size())).U32(cRef).U32(0).U8(0).U8(0)
      .U16(0);
  return MsoHeader(uint16_t(2 | kind << 4), 0xF007, uint32_t(36 + blip.size())) + b.str() + blip;
}
// A bitmap picture record: one id (two for an odd instance), the tag and the bytes.
std::string BitmapBlip(uint16_t fbt, uint16_t inst, const std::string& data) {
  const std::string ids((inst & 1) ? 32 : 16, 'i');
  return MsoHeader(uint16_t(inst << 4), fbt, uint32_t(ids.size() + 1 + data.size())) + ids + "\xFF" + data;
}
// A metafile picture record with its 34-byte header.
std::string MetaBlip(uint16_t fbt, uint16_t inst, uint32_t cbSize, const std::string& stored, bool deflated) {
  const std::string ids((inst & 1) ? 32 : 16, 'i');
  BiffBody h;
  h.U32(cbSize).U32(0).U32(0).U32(100).U32(50).U32(952500).U32(476250).U32(uint32_t(stored.size()))
      .U8(deflated ? 0 : 0xFE).U8(0xFE);
  return MsoHeader(uint16_t(inst << 4), fbt, uint32_t(ids.size() + 34 + stored.size())) + ids + h.str() + stored;
}
std::string Deflate(const std::string& s) {
  uLongf n = compressBound(uLong(s.size()));
  std::string out(n, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(s.data()), uLong(s.size()));
  out.resize(n);
  return out;
}
std::string Group(const std::string& inner) { return MsoHeader(0xF, 0xF000, uint32_t(inner.size())) + inner; }
std::string Store(const std::vector<std::string>& entries) {
  std::string all;
  for (const auto& e : entries) all += e;
  return MsoHeader(uint16_t(0xF | entries.size() << 4), 0xF001, uint32_t(all.size())) + all;
}
std::string Dgg(uint32_t cidcl, uint32_t clusters) {
  BiffBody b;
  b.U32(2049).U32(cidcl).U32(3).U32(1);
  for (uint32_t i = 0; i < clusters; ++i) b.U32(i + 1).U32(2);
  return MsoHeader(0, 0xF006, uint32_t(b.size())) + b.str();
}

std::string Dib8() {  // BITMAPINFOHEADER, 8 bits, 3 colours used, 2x1 pixels
  return BiffBody().U32(40).U32(2).U32(1).U16(1).U16(8).U32(0).U32(4).U32(0).U32(0).U32(3).U32(0).Bytes(
      std::string(12, 'c') + std::string("\x01\x02\0\0", 4));
}

TEST(EscherOPT, EntriesPastTheInstanceCountAreDroppedWithTheirData) {
  TOPT opt;
  // Three entries (one complex of 4 bytes, one complex past the count of 2 bytes), instance 2.
  const std::string body = Opt({{0x0080, 7}, {0xC380, 4}, {0x8381, 2}}) + std::string("a\0b\0zz", 6);
  opt.LoadFromBuffer(Bytes(body), 2);
  ASSERT_EQ(opt.Count(), 2u);
  EXPECT_EQ(opt.TxId(), 7u);
  EXPECT_EQ(opt.FindString(0x0380), u"ab");
  EXPECT_EQ(opt.Find(0x0381), -1);
  // A complex entry's value is its data's size: a value update (a picture reference set through
  // a shape's object) leaves the entry and its data as read.
  const std::string complexPib = Opt({{0xC104, 4}}) + "wxyz";
  opt.LoadFromBuffer(Bytes(complexPib), 1);
  opt.UpdateValue(0x0104, 0x00FFFFFF);
  EXPECT_EQ(opt.GetValue(0), 4u);
  const std::vector<uint8_t> written = opt.WriteToBuffer(false);
  EXPECT_EQ(std::string(written.begin(), written.end()), complexPib);
  // A complex length past the body (4 GiB) and a body the entries do not fill raise.
  for (const std::string& bad : {Opt({{0x8380, 0xFFFFFFFF}}), Opt({{0x0080, 1}}) + "x"})
    EXPECT_THROW(opt.LoadFromBuffer(Bytes(bad), 1), xls::XLSRWException);
  // Rotation goes first; a picture reference without fBid (Gnumeric) still counts.
  TOPT built;
  built.AddValue(0x0104, 3);
  built.AddValue(0x0004, 90 << 16);
  EXPECT_EQ(built.GetId(0), 0x0004);
  EXPECT_EQ(built.BlipId(), 3);
  built.SetBlipId(1);
  EXPECT_EQ(built.FindValue(0x0104), 1);
  built.AddString(0x0380, u"name");
  EXPECT_THROW(built.SetValue(2, 0), xls::XLSRWException);
  EXPECT_EQ(built.FindString(0x0380), u"name");
}

TEST(EscherGroup, StoreEntriesKeepTheirPositionsAndPicturesTheirBytes) {
  const std::string emf = std::string("EMF ") + std::string(300, 'e');
  const std::string png = "\x89PNG-bytes";
  TMSOPictures store;
  std::vector<std::u16string> warnings;
  store.FOnWarning = [&](std::u16string_view w) { warnings.emplace_back(w); };
  store.LoadFromBuffer(Bytes(Group(
      Dgg(0xFFFFFFFF, 1) +  // cidcl far beyond the record: its clusters are those it holds
      Store({Bse(6, 0, BitmapBlip(0xF01E, 0x6E0, "dropped")),                           // cRef 0
             Bse(7, 1, BitmapBlip(0xF01F, 0x7A8, Dib8())),                               // DIB
             Bse(3, 1, MetaBlip(0xF01B, 0x217, 6, "WMFWMF", false)),                     // two ids
             Bse(2, 1, MetaBlip(0xF01A, 0x3D4, uint32_t(emf.size()), Deflate(emf), true)),
             Bse(2, 1, MetaBlip(0xF01A, 0x3D4, 5000, Deflate(std::string(4000, 'x')) , true)),  // short of cbSize: kept
             Bse(2, 1, MetaBlip(0xF01A, 0x3D4, 10, Deflate(std::string(4000, 'x')), true)),     // beyond cbSize
             Bse(2, 1, MetaBlip(0xF01A, 0x3D4, 200000, "tiny", true)),                          // beyond 1032x
             Bse(6, 1, BitmapBlip(0xF01E, 0x6E1, png))}) +
      MsoHeader(0, 0xF123, 20000) + std::string(20000, 'q'))));  // an unknown record of any size
  EXPECT_EQ(store.FDGG.FItems.size(), 1u);
  EXPECT_EQ(store.FCurrSpIdBlock, 2048u);
  EXPECT_EQ(store.FUnknown.Count(), 1u);
  std::vector<int32_t> ids;
  store.GetBlipIds(ids);
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3, 4, 7}));
  ASSERT_EQ(store.Count(), 5u);
  EXPECT_EQ(warnings.size(), 2u);
  // The DIB gets its file header with the pixels behind header and colour table: 14 + 40 + 12.
  std::vector<uint8_t> dib;
  store.GetMSOPicture(0)->SaveToStream(dib);
  ASSERT_EQ(dib.size(), 14 + Dib8().size());
  EXPECT_EQ(dib[0], 'B');
  EXPECT_EQ(dib[10] | dib[11] << 8, 66);
  EXPECT_EQ(std::string(store.GetMSOPicture(1)->PictureBuf().begin(), store.GetMSOPicture(1)->PictureBuf().end()),
            "WMFWMF");
  EXPECT_EQ(std::string(store.GetMSOPicture(2)->PictureBuf().begin(), store.GetMSOPicture(2)->PictureBuf().end()),
            emf);
  EXPECT_EQ(store.GetMSOPicture(3)->PictureSize(), 4000u);
  EXPECT_EQ(std::string(store.GetMSOPicture(4)->PictureBuf().begin(), store.GetMSOPicture(4)->PictureBuf().end()),
            png);
  int32_t w = 0, h = 0;
  ASSERT_TRUE(MetafilePixelSize(*store.GetMSOPicture(2), w, h));
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
}

TEST(EscherGroup, FaultKeepsThePicturesReadBeforeIt) {
  TMSOPictures store;
  const std::string good = Bse(6, 1, BitmapBlip(0xF01E, 0x6E0, "png"));
  for (const std::string& tail : {MsoHeader(0, 0xF016, 16) + std::string(16, '\0'),  // CLSID
                                  MsoHeader(0, 0xF00B, 0x7FFFFFFF)}) {                 // length past the group
    store.Clear();
    EXPECT_THROW(store.LoadFromBuffer(Bytes(Group(Store({good}) + tail))), xls::XLSRWException);
    EXPECT_EQ(store.Count(), 1u);
  }
}

TEST(EscherPicture, FilesLoseOnlyTheirOwnHeaders) {
  TMSOPictures store;
  const std::string placeable = BiffBody().U32(0x9AC6CDD7).Bytes(std::string(18, 'p')).str() + "WMF";
  TMSOPicture* p = store.Add();
  p->LoadFromStream(Bytes(placeable), u"a.wmf", msoblipWMF);
  EXPECT_EQ(p->PictureSize(), 3u);
  p->LoadFromStream(Bytes(std::string(30, 'w')), u"b.wmf", msoblipWMF);  // no placeable key: all kept
  EXPECT_EQ(p->PictureSize(), 30u);
  EXPECT_THROW(p->LoadFromStream(Bytes(std::string(40000, 'b')), u"big.bmp", msoblipDIB), xls::XLSRWException);
  EXPECT_THROW(PictureTypeFromFileExt("x.gif"), xls::XLSRWException);
  EXPECT_EQ(PictureTypeFromFileExt("x.JPeG"), msoblipJPEG);
}

// ---- sheet drawings through the component --------------------------------------------------------
class EscherSheet : public ::testing::Test {
 protected:
  EscherSheet() : book(Settings()) {}
  static xls::FormatSettings Settings() {
    RegisterBIFFReader();
    return xls::FormatSettings();
  }
  void SetUp() override {
    xls::ResetXLSGlobals();
    book.Errors().SetErrorList(&warnings);
  }
  // One sheet: a cell, the records, another cell.
  void Load(const std::string& group, const std::string& records, bool biff8 = true) {
    warnings.clear();
    const std::string sheet = Number(0, 0, 1) + records + Number(5, 0, 2);
    const std::string file =
        BiffCompoundFile(BiffWorkbookStream(BiffBoundSheet("S", biff8) + group, {sheet}, biff8), biff8);
    book.LoadFromBytes(Bytes(file));
  }
  TBIFF5& Biff() { return *dynamic_cast<TBIFF5*>(book.BIFF()); }
  TEscherDrawing& Drawing() { return Biff().GetSheet(0)->EscherDrawing(); }
  void ExpectCells() {
    EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"1");
    EXPECT_EQ(book.Items(0)->GetAsString(0, 5), u"2");
  }
  xls::TXc12Comments& Comments() { return book.Items(0)->Xc12Sheet().Comments(); }
  bool Warned(std::u16string_view part) {
    return std::any_of(warnings.begin(), warnings.end(), [&](const auto& w) {
      return w.Number == xls::XLSWARN_BIFF_RECORD_SKIPPED && w.Text.find(part) != std::u16string::npos;
    });
  }
  xls::TXLSBook book;
  xls::TXLSErrorList warnings;
};

TEST_F(EscherSheet, NotesTextsGroupsAndImdata) {
  const Pieces note = Shape(202, 1025, 25, Opt({{0x0080, 9}}), 1, ClientAnchor(2, 1, 4, 5),
                            Txo(u"wide\u20AC and narrow", {true, false}));
  // A LibreOffice text box: no text id, yet its text box record and TXO follow.
  const Pieces textBox = Shape(202, 1026, 6, "", 0, ClientAnchor(1, 9, 3, 11), Txo(u"caf\u00E9"));
  const Pieces child = Shape(1, 1028, 2, "", 0, Rec(0, 0xF00F, BiffBody().U32(1).U32(2).U32(3).U32(4)),
                             Txo(u"inner"), 0x0A02);
  const Pieces groupOwn = Cont(0xF004, Cat({Rec(1, 0xF009, BiffBody().U32(0).U32(0).U32(10).U32(10)),
                                            Rec(2, 0xF00A, BiffBody().U32(1027).U32(0x0201)),
                                            ClientAnchor(5, 5, 7, 7), Rec(0, 0xF011, ""),
                                            BiffRec(0x005D, Obj(0, 1027))}));
  const Pieces group = Cont(0xF003, Cat({groupOwn, child}));
  const Pieces imdata = BiffRec(0x007F, "picture bits");
  Load("", SheetDrawing(Cat({note, imdata, textBox, group}), 5) + Note(1, 2, 1025, "Ann") + Number(3, 0, 3));
  EXPECT_TRUE(warnings.empty()) << kws::Utf16ToUtf8(warnings.empty() ? u"" : warnings[0].Text);
  ExpectCells();
  EXPECT_EQ(Drawing().DgId(), 1);
  EXPECT_EQ(Drawing().ShapeCount(), 3u);
  EXPECT_EQ(Drawing().DeepShapeCount(), 4u);
  const TShape& n = *Drawing().Group().Items(0);
  EXPECT_EQ(n.Text(), u"wide\u20AC and narrow");
  EXPECT_EQ(Drawing().Group().Items(1)->Text(), u"caf\u00E9");
  const auto& g = static_cast<const TShapeGroup&>(*Drawing().Group().Items(2));
  ASSERT_TRUE(g.IsGroup());
  ASSERT_EQ(g.Count(), 1u);
  EXPECT_EQ(g.Items(0)->Text(), u"inner");
  EXPECT_EQ(g.Items(0)->ChildAnchor()->X2, 3);
  ASSERT_EQ(Comments().Count(), 1u);
  EXPECT_EQ(Comments().Items(0)->Col(), 2);
  EXPECT_EQ(Comments().Items(0)->Row(), 1);
  EXPECT_EQ(Comments().Items(0)->FText, u"wide\u20AC and narrow");
  ASSERT_NE(Comments().Items(0)->FAuthor, nullptr);
  EXPECT_EQ(Comments().Items(0)->FAuthor->FName, u"Ann");
  EXPECT_EQ(book.Items(0)->GetAsString(0, 3), u"3");
}

// Each fault spoils one drawing, never the load: the drawing is empty and kept raw, a note without
// its shape stays raw, and all cells are read.
TEST_F(EscherSheet, DamagedDrawingsGiveWarningAndAllCells) {
  const Pieces good = Shape(202, 1025, 25, "", 0, ClientAnchor(0, 0, 1, 1), Txo(u"n"));
  std::string deep;  // groups 10,000 deep, written outside in
  {
    const std::string own = Records(Cont(0xF004, Cat({Rec(1, 0xF009, std::string(16, '\0')),
                                                      Rec(2, 0xF00A, BiffBody().U32(1029).U32(0x0201))})))
                                .substr(4);
    const std::string leaf = own;
    constexpr int kDepth = 10000;
    std::vector<uint32_t> len(kDepth);
    len[kDepth - 1] = uint32_t(own.size() + leaf.size());
    for (int i = kDepth - 2; i >= 0; --i) len[size_t(i)] = uint32_t(own.size() + 8 + len[size_t(i) + 1]);
    std::string bytes = MsoHeader(0x1 << 4, 0xF008, 8) + BiffBody().U32(2).U32(1026).str();
    bytes += MsoHeader(0xF, 0xF003, uint32_t(DrawLen(Patriarch()) + 8 + len[0])) + Records(Patriarch()).substr(4);
    for (int i = 0; i < kDepth; ++i) bytes += MsoHeader(0xF, 0xF003, len[size_t(i)]) + own;
    bytes += leaf;
    deep = Records({{false, MsoHeader(0xF, 0xF002, uint32_t(bytes.size())) + bytes}});
  }
  const Pieces badObj = Cont(0xF004, Cat({Rec(2, 0xF00A, BiffBody().U32(1025).U32(0x0A00)), ClientAnchor(0, 0, 1, 1),
                                          Rec(0, 0xF011, ""), BiffRec(0x005D, BiffBody().U16(0x0001).U16(2).U16(0))}));
  const std::string hugeOpt = SheetDrawing(Shape(1, 1025, 2, Opt({{0x8380, 0xFFFFFFFF}}), 1, ClientAnchor(0, 0, 1, 1)));
  const std::string noObj = Records(Cont(
      0xF002, Cat({Rec(16, 0xF008, std::string(8, '\0')),
                   Cont(0xF003, Cat({Patriarch(), Cont(0xF004, Cat({Rec(2, 0xF00A, std::string(8, '\0')),
                                                                    Rec(0, 0xF011, "")}))}))})));
  struct Case {
    const char* name;
    std::string records;
    const char16_t* reason;
  };
  for (const Case& c : {Case{"deep", deep, u"nest too deep"}, Case{"4 GiB complex", hugeOpt, u"OPT items"},
                        Case{"no OBJ", noObj, u"Expected record missing: OBJ"},
                        Case{"OBJ type", SheetDrawing(badObj), u"Unknown OBJ record 01"}}) {
    SCOPED_TRACE(c.name);
    Load("", c.records + Note(0, 0, 1025, "A"));
    EXPECT_TRUE(Warned(u"Error on reading shape #")) << c.name;
    EXPECT_TRUE(Warned(c.reason)) << c.name;
    EXPECT_TRUE(Warned(u"Can not find shape for note #1025"));
    EXPECT_EQ(Drawing().ShapeCount(), 0u);
    EXPECT_EQ(Drawing().DgId(), 0);
    EXPECT_GE(Biff().GetSheet(0)->Records().FindRecord(0x00EC), 0);  // kept raw
    EXPECT_GE(Biff().GetSheet(0)->Records().FindRecord(0x001C), 0);
    EXPECT_EQ(Comments().Count(), 0u);
    ExpectCells();
  }
  // A BIFF5 NOTE holds its text and has no shape: raw, with a warning.
  Load("", BiffRecord(0x001C, BiffBody().U16(0).U16(0).U16(4).Bytes("text")), false);
  EXPECT_TRUE(Warned(u"Note without its shape"));
  EXPECT_GE(Biff().GetSheet(0)->Records().FindRecord(0x001C), 0);
  ExpectCells();
}

// An embedded chart ends at its first EOF, also when it starts with two BOFs as Gnumeric writes
// chart sub-streams: the shape after it and the cells after the drawing are read. The chart's
// records become the tree of its shape's object, which the sheet's chart list binds.
TEST_F(EscherSheet, EmbeddedChartEndsAtItsFirstEof) {
  const std::string bof = kws::test::BiffBOF(0x0020);
  const std::string run = bof + bof + BiffRecord(0x1002, std::string(16, '\0')) + kws::test::BiffEOF();
  const Pieces chart = Cont(0xF004, Cat({Rec(uint16_t(2 | 201 << 4), 0xF00A, BiffBody().U32(1025).U32(0x0A00)),
                                         ClientAnchor(1, 2, 5, 9), Rec(0, 0xF011, ""), BiffRec(0x005D, Obj(5, 1)),
                                         Pieces{{true, run}}}));
  const Pieces after = Shape(202, 1026, 6, "", 0, ClientAnchor(1, 12, 3, 14), Txo(u"after"));
  Load("", SheetDrawing(Cat({chart, after}), 3));
  ExpectCells();
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(Drawing().ShapeCount(), 2u);
  EXPECT_EQ(Drawing().Group().Items(1)->Text(), u"after");
  TShape& shape = *Drawing().Group().Items(0);
  auto* object = dynamic_cast<TShapeOutsideMsoChart*>(shape.FInterface.get());
  ASSERT_TRUE(object);
  EXPECT_FALSE(object->Raw());
  std::vector<uint16_t> ids;
  for (size_t i = 0; i < object->Records().Count(); ++i) ids.push_back(object->Records().Items(i)->RecId());
  EXPECT_EQ(ids, (std::vector<uint16_t>{0x0809, 0x0809, 0x1002, 0x000A}));
  EXPECT_EQ(shape.FChart, nullptr);  // the shape keeps no copy
  const TSheet& sheet = *Biff().GetSheet(0);
  ASSERT_TRUE(sheet.FCharts);
  ASSERT_EQ(sheet.FCharts->Count(), 1u);
  EXPECT_EQ(sheet.FCharts->Items(0).Shape(), &shape);
  EXPECT_EQ(sheet.FCharts->Items(0).Row1(), 2);

  // A drawing that fails after its chart shape was read loses its shapes: the chart list lets go
  // of the chart with them, and the cells are read.
  const Pieces bad = Cont(0xF004, Cat({Rec(2, 0xF00A, BiffBody().U32(1026).U32(0x0A00)), ClientAnchor(0, 0, 1, 1),
                                       Rec(0, 0xF011, ""), BiffRec(0x005D, BiffBody().U16(0x01).U16(0))}));
  Load("", SheetDrawing(Cat({chart, bad}), 3));
  ExpectCells();
  EXPECT_TRUE(Warned(u"Unknown OBJ record 01"));
  EXPECT_EQ(Drawing().ShapeCount(), 0u);
  ASSERT_TRUE(Biff().GetSheet(0)->FCharts);
  EXPECT_EQ(Biff().GetSheet(0)->FCharts->Count(), 0u);
}

TEST_F(EscherSheet, PictureReferencesBecomeStorePositions) {
  const std::string group = BiffRecord(
      0x00EB, Group(Store({Bse(6, 0, BitmapBlip(0xF01E, 0x6E0, "gone")), Bse(6, 1, BitmapBlip(0xF01E, 0x6E0, "png"))})));
  const Pieces toSecond = Shape(75, 1025, 8, Opt({{0x4104, 2}}), 1, ClientAnchor(0, 0, 1, 1));
  const Pieces toDropped = Shape(75, 1026, 8, Opt({{0x4104, 1}}), 1, ClientAnchor(0, 0, 1, 1));
  Load(group, SheetDrawing(Cat({toSecond, toDropped})));
  ASSERT_EQ(Biff().MSOPictures().Count(), 1u);
  EXPECT_EQ(Drawing().Group().Items(0)->FOPT.BlipId(), 1);
  EXPECT_EQ(Drawing().Group().Items(1)->FOPT.BlipId(), 0);
  EXPECT_TRUE(Warned(u"refers to picture 1"));
  ExpectCells();
}

TEST_F(EscherSheet, ShapesMadeAndDeletedGiveBackTheirCluster) {
  Load("", "");
  TEscherDrawing& d = Drawing();
  TShapeClientAnchor* note = d.AddNote();
  TShapeClientAnchor* picture = d.AddPicture();
  EXPECT_EQ(d.DgId(), 1);
  EXPECT_EQ(note->SpId() + 1, picture->SpId());
  EXPECT_EQ(note->ObjType(), 25);
  EXPECT_EQ(picture->FOPT.BlipId(), 0);
  EXPECT_EQ(picture->FOPT.FindString(0x0105), u"[???]");
  EXPECT_EQ(d.AddButton()->Text(), u"Button");
  ASSERT_EQ(Biff().MSOPictures().FDGG.FItems.size(), 1u);
  picture->SetFlipVertical(true);
  picture->SetFlipVertical(false);
  EXPECT_FALSE(picture->FlipVertical());
  for (uint32_t id : {note->SpId(), picture->SpId(), picture->SpId() + 1}) d.DeleteShape(id);
  EXPECT_EQ(d.DgId(), 0);
  EXPECT_TRUE(Biff().MSOPictures().FDGG.FItems.empty());
  // A drawing whose cluster is already gone clears without raising.
  d.AddTextBox();
  Biff().MSOPictures().FDGG.FItems.clear();
  EXPECT_NO_THROW(d.Clear());
}

// ---- the fixtures --------------------------------------------------------------------------------
std::string FileBytes(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}
std::string Sha1(std::span<const uint8_t> b) {
  sha1_ctx ctx;
  sha1_init(&ctx);
  sha1_update(&ctx, b.size(), b.data());
  uint8_t d[SHA1_DIGEST_SIZE];
  sha1_digest(&ctx, sizeof d, d);
  std::string hex;
  for (uint8_t x : d) {
    char h[3];
    std::snprintf(h, sizeof h, "%02x", unsigned(x));
    hex += h;
  }
  return hex;
}

class EscherFiles : public EscherSheet {
 protected:
  void LoadFile(const char* name, const std::u16string& password = u"") {
    warnings.clear();
    book.Manager().FPassword = password;
    const std::string bytes = FileBytes(kws::test::RealFilesDir("xls-drawing") / name);
    ASSERT_FALSE(bytes.empty()) << name;
    book.LoadFromBytes(Bytes(bytes));
  }
  std::vector<std::string> CommentLines() {
    std::vector<std::string> out;
    for (size_t s = 0; s < book.Count(); ++s) {
      xls::TXc12Comments& c = book.Items(s)->Xc12Sheet().Comments();
      for (size_t i = 0; i < c.Count(); ++i)
        out.push_back("comment\t" + kws::test::Escaped(book.Items(s)->Name()) + "\t" +
                      kws::Utf16ToUtf8(xls::ColRowToRefStr(c.Items(i)->Col(), c.Items(i)->Row())) + "\t" +
                      kws::test::Escaped(c.Items(i)->FAuthor ? c.Items(i)->FAuthor->FName : u"") + "\t" +
                      kws::test::Escaped(c.Items(i)->FText));
    }
    return out;
  }
  static std::vector<std::string> Oracle(const char* file, const char* kind) {
    std::vector<std::string> out;
    for (const auto& l : kws::test::ReadLines(kws::test::RealFilesDir("xls-drawing") / file))
      if (l.rfind(std::string(kind) + "\t", 0) == 0) out.push_back(l);
    return out;
  }
};

TEST_F(EscherFiles, CommentsAsXlrdAndOpenpyxlReadThem) {
  for (const char* name : {"lo-drawing", "gn-drawing"}) {
    LoadFile((std::string(name) + ".xls").c_str());
    EXPECT_TRUE(warnings.empty()) << name;
    const auto expected = Oracle((std::string(name) + ".xlrd").c_str(), "comment");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(kws::test::DiffLineSets(expected, CommentLines()), "") << name;
  }
  LoadFile("lo-drawing.xls");
  EXPECT_EQ(kws::test::DiffLineSets(Oracle("lo-drawing.openpyxl", "comment"), CommentLines()), "");
  // The protected twin reads the same.
  const auto plain = CommentLines();
  LoadFile("lo-drawing-protected.xls", u"draw-pw");
  EXPECT_EQ(CommentLines(), plain);
  // The BIFF7 twin: its NOTE holds the text and stays raw; all cells load.
  LoadFile("gn-drawing-biff7.xls");
  EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"Gnumeric drawing");
  EXPECT_TRUE(Warned(u"Note without its shape"));
}

// Differences by design: notes are comments of the conversion, not shapes of its drawing part; the
// conversion anchors three of LibreOffice's form controls (radio button, button, combo box) at A1,
// so those oracle lines are dropped and those controls must be the only shapes left over.
TEST_F(EscherFiles, AnchorsAndTextsAsTheConversionHoldsThem) {
  LoadFile("lo-drawing.xls");
  std::vector<std::string> anchors, texts, expected;
  std::vector<int32_t> leftOverTypes;
  for (const auto& l : Oracle("lo-drawing.openpyxl", "anchor"))
    if (!l.ends_with("\tA1:A1")) expected.push_back(l);
  for (size_t i = 0; i < Drawing().ShapeCount(); ++i) {
    TShape& s = *Drawing().Group().Items(i);
    if (s.ObjType() == 25) continue;
    const TMSOObjCLIENTANCHOR& a = *s.ClientAnchor();
    const char* kind = s.IsGroup() ? "grpSp" : s.ShapeType() == 75 ? "pic" : s.ObjType() == 5 ? "graphicFrame" : "sp";
    const std::string line = std::string("anchor\tDrawing\t") + kind + "\t" +
                             kws::Utf16ToUtf8(xls::AreaToRefStr(int32_t(a.FCol1), int32_t(a.FRow1),
                                                                int32_t(a.FCol2), int32_t(a.FRow2)));
    if (std::find(expected.begin(), expected.end(), line) != expected.end())
      anchors.push_back(line);
    else
      leftOverTypes.push_back(s.ObjType());
  }
  Drawing().ForEachShape([&](TShape& s, TShapeGroup&) {
    if (s.ObjType() != 25 && !s.Text().empty()) texts.push_back("text\tDrawing\t" + kws::test::Escaped(s.Text()));
  });
  EXPECT_EQ(kws::test::DiffLineSets(expected, anchors), "");
  std::sort(leftOverTypes.begin(), leftOverTypes.end());
  EXPECT_EQ(leftOverTypes, (std::vector<int32_t>{7, 12, 18}));  // button, radio button, the combo box
  EXPECT_EQ(kws::test::DiffLineSets(Oracle("lo-drawing.openpyxl", "text"), texts), "");
}

// Each picture as a file is the inserted file (a WMF without its placeable header, a BMP that
// LibreOffice stored as PNG aside), and the conversion's media hold the same PNG.
TEST_F(EscherFiles, PicturesAreTheInsertedFiles) {
  const auto dir = kws::test::RealFilesDir("xls-drawing");
  const std::string wmf = FileBytes(dir / "pict.wmf");
  const std::vector<std::string> expected = {Sha1(Bytes(wmf.substr(22))), Sha1(Bytes(FileBytes(dir / "pict.emf"))),
                                             Sha1(Bytes(FileBytes(dir / "pict.jpg"))),
                                             Sha1(Bytes(FileBytes(dir / "pict.png")))};
  for (const char* name : {"lo-pictures.xls"}) {
    LoadFile(name);
    EXPECT_TRUE(warnings.empty());
    std::vector<std::string> got;
    std::vector<uint8_t> kinds;
    for (size_t i = 0; i < Drawing().ShapeCount(); ++i) {
      const int64_t id = Drawing().Group().Items(i)->FOPT.BlipId();
      ASSERT_GT(id, 0);
      const TMSOPicture& p = *Biff().MSOPictures().GetMSOPicture(size_t(id - 1));
      std::vector<uint8_t> bytes;
      p.SaveToStream(bytes);
      got.push_back(Sha1(bytes));
      kinds.push_back(p.PictType());
    }
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 4), expected);
    EXPECT_EQ(kinds, (std::vector<uint8_t>{msoblipWMF, msoblipEMF, msoblipJPEG, msoblipPNG, msoblipPNG}));
    // Into the model (no drawing library registered here: the hub's image list only):
    // "Pict1_<j>" images; metafiles sized by their headers.
    xls::TXc12GraphicImages& images = book.Manager().GrManager().Images();
    ASSERT_NE(images.FindByDescr(u"Pict1_1.wmf"), nullptr);
    EXPECT_GT(images.FindByDescr(u"Pict1_2.emf")->FWidth, 0);
    EXPECT_NE(images.FindByDescr(u"Pict1_3.jpg"), nullptr);
    EXPECT_NE(images.FindByDescr(u"Pict1_5.png"), nullptr);
  }
  LoadFile("gn-drawing.xls");
  ASSERT_EQ(Biff().MSOPictures().Count(), 1u);
  std::vector<uint8_t> png;
  Biff().MSOPictures().GetMSOPicture(0)->SaveToStream(png);
  EXPECT_EQ(Sha1(png), expected[3]);
}

}  // namespace

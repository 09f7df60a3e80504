#include "xls/biff/escherdrawing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>

#include "platform/textcodec.h"
#include "xls/biff/biffrecordview.h"
#include "xls/biff/chartobjects.h"  // TShapeOutsideMsoChart
#include "xls/biff/eschernewshapes.gen.h"
#include "xls/biff/shapeobjects.h"
#include "xls/biff/xlsreadii.h"
#include "xls/biff/xlsstream.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

constexpr uint16_t FT_END = 0x0000, FT_CF = 0x0007, FT_PIOGRBIT = 0x0008, FT_NTS = 0x000D,
                   FT_CMO = 0x0015;

std::vector<uint8_t> Words(std::initializer_list<uint16_t> words) {
  std::vector<uint8_t> b;
  for (uint16_t w : words) {
    b.push_back(uint8_t(w));
    b.push_back(uint8_t(w >> 8));
  }
  return b;
}

void AddSub(TBaseRecordStorage& obj, uint16_t ft, std::span<const uint8_t> data) {
  obj.AddRec(uint32_t(ft) | uint32_t(data.size()) << 16, data);
}

// A substream's BOF (chart records such as 0x1009 share the low byte of the BOF ids).
bool IsSubstreamBOF(uint16_t id) { return id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809; }

// Whether a record can be part of a sheet drawing that has begun.
bool DrawingRecord(uint16_t id) {
  return id == BIFFID_MSODRAWING || id == BIFFID_OBJ || id == BIFFID_TXO || id == BIFFID_CONTINUE ||
         id == BIFFID_IMDATA;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
void TMSOObjCLIENTANCHOR::Read(std::span<const uint8_t> body) {
  const TRecordView v(body);
  FOptions = v.U16(0);
  FCol1 = v.U16(2);
  FCol1Offset = v.U16(4);
  FRow1 = v.U16(6);
  FRow1Offset = v.U16(8);
  FCol2 = v.U16(10);
  FCol2Offset = v.U16(12);
  FRow2 = v.U16(14);
  FRow2Offset = v.U16(16);
}

TShape::~TShape() = default;

int32_t TShape::ObjType() const {
  if (FOBJ.Count() == 0 || !FOBJ.Items(0) || FOBJ.Items(0)->RecId != FT_CMO) return FTakenObjType;
  return FOBJ.Items(0)->View().U16(0);
}

int32_t TShape::ObjId() const {
  if (FOBJ.Count() == 0 || !FOBJ.Items(0) || FOBJ.Items(0)->RecId != FT_CMO) return FTakenObjId;
  return FOBJ.Items(0)->View().U16(2);
}

void TShape::SetShapeType(int32_t value) {
  FShapeType = value;
  int32_t objType = -1;
  if (value == 1) objType = 2;
  if (value == 3) objType = 3;
  if (value == 13 || value == 20) objType = 1;
  if (objType < 0 || FOBJ.Count() == 0) return;
  TRecordData* cmo = FOBJ.Items(0);
  if (cmo && cmo->Data.size() >= 2) {
    cmo->Data[0] = uint8_t(objType);
    cmo->Data[1] = 0;
  }
}

void TShape::MakeMacro() {
  FOPT.AddValue(0x01BF, 0x00010001);
  FOPT.AddValue(0x03BF, 0x00080008);
  FOPT.SetItemCount();
}

size_t TShapeGroup::DeepCount() const {
  size_t n = 0;
  for (const auto& s : FList) {
    ++n;
    if (s->IsGroup()) n += static_cast<const TShapeGroup&>(*s).DeepCount();
  }
  return n;
}

// ---------------------------------------------------------------------------------------------
const std::u16string& TShape::Text() const {
  if (const auto* text = dynamic_cast<const TShapeOutsideMsoBaseText*>(FInterface.get())) return text->Text();
  return FText;
}

void ReadShapeObject(TEscherDrawing& drawing, TShape& shape) {
  // A shape whose container holds its text box record has read its TXO: it gets its text object
  // by its object type, whatever its text id says (LibreOffice writes none).
  const bool hasText = !shape.FTXO.empty();
  const int32_t objType = shape.ObjType(), objId = shape.ObjId();
  std::shared_ptr<TShapeOutsideMso> object = MakeShapeObject(shape.FOBJ, hasText, drawing.InternalNames());
  if (shape.FOBJ.Count() == 0) {  // a control's object took the sub-records: keep what the shape tells of itself
    shape.FTakenObjType = objType;
    shape.FTakenObjId = objId;
  }
  if (hasText) {
    // A shape without an object of its own (its OBJ record was empty) still shows its text. The
    // TXO body, then its CONTINUE bodies, one after the other from the kept records.
    TShapeOutsideMsoBaseText plain;
    auto* text = dynamic_cast<TShapeOutsideMsoBaseText*>(object.get());
    TShapeOutsideMsoBaseText& reader = text ? *text : plain;
    const TRecordView v(shape.FTXO);
    size_t at = 0;
    const auto body = [&v, &at]() -> std::optional<std::span<const uint8_t>> {
      if (at + 4 > v.Size()) return std::nullopt;
      const auto b = v.Bytes(at + 4, v.U16(at + 2));
      at += 4 + b.size();
      return b;
    };
    const auto txo = body();
    reader.ReadText(txo.value_or(std::span<const uint8_t>()), body);
    if (!text) shape.FText = reader.Text();
    shape.FHasText = true;
    // The object holds the TXO body, the text and the runs now: the raw records are let go.
    if (text) std::vector<uint8_t>().swap(shape.FTXO);
  }
  if (auto* chart = ExactCast<TShapeOutsideMsoChart>(object.get())) {
    // An embedded chart reads the sub-stream its shape's reader kept, with this drawing's picture
    // store and fonts; the shape keeps no copy.
    chart->SetOwners(drawing.EscherGroup(), drawing.Fonts());
    if (shape.FChart) {
      TListChartSource source(*shape.FChart);
      chart->Read(source);
      shape.FChart.reset();
    }
  }
  shape.FInterface = std::move(object);
}

// ---------------------------------------------------------------------------------------------
// Reads a drawing from its records: drawing bytes come from the MSODRAWING and CONTINUE bodies
// in order; the other records are taken whole where the drawing expects them.
class TDrawingReader {
 public:
  TDrawingReader(TEscherDrawing& d, const TDrawingRecords& records) : D(d), R(records) {
    // Drawing bytes still ahead of each record, so that no length is believed beyond them.
    FAhead.assign(R.Count() + 1, 0);
    for (size_t i = R.Count(); i-- > 0;)
      FAhead[i] = FAhead[i + 1] + (IsDrawingBody(R.Id(i)) ? R.Body(i).size() : 0);
    FRec = 0;  // the first record is the MSODRAWING that starts the drawing
    FPos = 0;
  }

  void Read();
  int32_t ShapeCounter = 0;

 private:
  static bool IsDrawingBody(uint16_t id) { return id == BIFFID_MSODRAWING || id == BIFFID_CONTINUE; }
  // Drawing bytes left from the current position on.
  uint64_t DrawingLeft() const {
    if (FRec >= R.Count()) return 0;
    return FAhead[FRec + 1] + (R.Body(FRec).size() - FPos);
  }
  bool AtRecordEnd() const { return FRec >= R.Count() || FPos >= R.Body(FRec).size(); }
  // Moves to the next record that holds drawing bytes, passing over IMDATA pictures.
  void NextDrawingRecord() {
    for (;;) {
      ++FRec;
      FPos = 0;
      if (FRec >= R.Count()) throw XLSRWException("Expected record missing: MSODRAWING");
      const uint16_t id = R.Id(FRec);
      if (IsDrawingBody(id)) return;
      if (id == BIFFID_IMDATA) {
        while (FRec + 1 < R.Count() && R.Id(FRec + 1) == BIFFID_CONTINUE) ++FRec;
        continue;
      }
      throw XLSRWException("Expected record missing: MSODRAWING");
    }
  }
  void Bytes(uint8_t* out, size_t n) {
    while (n > 0) {
      if (AtRecordEnd()) NextDrawingRecord();
      const auto body = R.Body(FRec);
      const size_t k = std::min(n, body.size() - FPos);
      std::copy_n(body.data() + FPos, k, out);
      FPos += k;
      out += k;
      n -= k;
    }
  }
  std::vector<uint8_t> Body(uint32_t n) {
    if (n > DrawingLeft()) throw XLSRWException("Drawing record longer than the drawing data");
    std::vector<uint8_t> b(n);
    Bytes(b.data(), n);
    return b;
  }
  // The next n drawing bytes: where they lie when one record holds them all, else copied into a
  // buffer of the reader; valid until the next call.
  std::span<const uint8_t> BodyView(uint32_t n) {
    if (n > DrawingLeft()) throw XLSRWException("Drawing record longer than the drawing data");
    if (n == 0) return {};
    if (AtRecordEnd()) NextDrawingRecord();
    const auto body = R.Body(FRec);
    if (body.size() - FPos >= n) {
      FPos += n;
      return body.subspan(FPos - n, n);
    }
    FScratch.resize(n);
    Bytes(FScratch.data(), n);
    return FScratch;
  }
  TMSOHeader Header() {
    uint8_t h[8];
    if (DrawingLeft() < 8) throw XLSRWException("Expected record missing: MSODRAWING");
    Bytes(h, 8);
    return TMSOHeader::FromBytes(h);
  }
  // The next whole record, which must have the id; the drawing bytes before it must be used up.
  // Its body; nothing when the next record is another.
  std::optional<std::span<const uint8_t>> TakeRecord(uint16_t id) {
    if (!AtRecordEnd() || FRec + 1 >= R.Count() || R.Id(FRec + 1) != id) return std::nullopt;
    ++FRec;
    FPos = R.Body(FRec).size();
    return R.Body(FRec);
  }
  uint16_t NextId() const { return AtRecordEnd() && FRec + 1 < R.Count() ? R.Id(FRec + 1) : 0; }

  void ReadGroup(TShapeGroup& group, uint64_t length, int depth, bool patriarch);
  std::unique_ptr<TShape> ReadShape(uint32_t length, bool patriarch, TShapeGroup* self);
  void ReadObj(TShape& shape);
  void ReadTxo(TShape& shape);
  void ReadChart(TShape& shape);

  TEscherDrawing& D;
  const TDrawingRecords& R;
  std::vector<uint64_t> FAhead;
  std::vector<uint8_t> FScratch;
  size_t FRec, FPos;
};

void TDrawingReader::Read() {
  if (R.Count() == 0 || R.Id(0) != BIFFID_MSODRAWING) throw XLSRWException("Expected record missing: MSODRAWING");
  const TMSOHeader dg = Header();
  if (dg.FBT != MSO_DGCONTAINER) throw XLSRWException("Expected record missing: DGCONTAINER");
  uint64_t left = dg.Length;
  auto take = [&left](uint64_t n) {
    if (n > left) throw XLSRWException("Error while reading Shape. Length <> 0");
    left -= n;
  };
  TMSOHeader h = Header();
  take(8);
  if (h.FBT != MSO_DG) throw XLSRWException("Expected record missing: DG");
  {
    const auto body = Body(h.Length);
    take(h.Length);
    const TRecordView v(body);
    D.FDG.ShapeCount_ = v.U32(0);
    D.FDG.CurSpId = v.U32(4);
    D.FSpIdsChecked = false;
    D.FDgId = h.Instance();
    if (D.FParent) D.FParent->AddFileDrawing(&D, D.FDgId, D.FDG.ShapeCount_);
  }
  h = Header();
  take(8);
  if (h.FBT == MSO_FRITCONTAINER) {
    const auto body = Body(h.Length);
    take(h.Length);
    const TRecordView v(body);
    const size_t n = v.Bound(h.Instance(), 0, 4);
    for (size_t i = 0; i < n; ++i) D.FFileReGroupItems.push_back({v.U16(4 * i), v.U16(4 * i + 2)});
    h = Header();
    take(8);
  }
  if (h.FBT != MSO_SPGRCONTAINER) throw XLSRWException("Expected record missing: SPGRCONTAINER");
  take(h.Length);
  ReadGroup(*D.FGroup, h.Length, 0, true);
  // The rest of the container (a solver container, other records) is kept raw, as far as the
  // drawing's records hold it.
  while (left >= 8 && DrawingLeft() >= 8) {
    if (!D.FSolverContainer) D.FSolverContainer = std::make_unique<TMSORecords>();
    const TMSOHeader r = Header();
    left -= 8;
    if (r.IsContainer()) {
      D.FSolverContainer->Add(r, {});
      continue;
    }
    if (r.Length > left) throw XLSRWException("Error while reading Shape. Length <> 0");
    const auto body = Body(r.Length);
    left -= r.Length;
    D.FSolverContainer->Add(r, body);
  }
}

void TDrawingReader::ReadGroup(TShapeGroup& group, uint64_t length, int depth, bool patriarch) {
  if (depth >= MSO_MAX_GROUP_DEPTH) throw XLSRWException("Groups of the drawing nest too deep");
  bool first = patriarch;  // a nested group's own shape was read by its parent
  while (length > 0) {
    const TMSOHeader h = Header();
    if (uint64_t(h.Length) + 8 > length) throw XLSRWException("Error while reading Shape. Group Length <> 0");
    length -= uint64_t(h.Length) + 8;
    ++ShapeCounter;
    if (first) {
      // The group's own shape: for the patriarch its rectangle and id.
      first = false;
      if (h.FBT != MSO_SPCONTAINER) throw XLSRWException("Expected record missing: SPCONTAINER");
      if (patriarch) {
        ReadShape(h.Length, true, &group);
        continue;
      }
    }
    if (h.FBT == MSO_SPCONTAINER) {
      std::unique_ptr<TShape> shape = ReadShape(h.Length, false, nullptr);
      TShape& s = *shape;
      group.FList.push_back(std::move(shape));
      if (D.OnReadShape) D.OnReadShape(D, s);
    } else if (h.FBT == MSO_SPGRCONTAINER) {
      // A nested group: its own shape container, then its children.
      const TMSOHeader own = Header();
      if (own.FBT != MSO_SPCONTAINER) throw XLSRWException("Expected record missing: SPCONTAINER");
      if (uint64_t(own.Length) + 8 > h.Length) throw XLSRWException("Error while reading Shape. Group Length <> 0");
      std::unique_ptr<TShape> shape = ReadShape(own.Length, false, nullptr);
      if (!shape->IsGroup()) throw XLSRWException("Group without a group shape");
      auto& g = static_cast<TShapeGroup&>(*shape);
      group.FList.push_back(std::move(shape));
      if (D.OnReadShape) D.OnReadShape(D, g);
      ReadGroup(g, uint64_t(h.Length) - own.Length - 8, depth + 1, false);
      // The children were read past their own first shape: the loop above counts from there.
    } else {
      // Anything else at group level is passed over by its length.
      if (!h.IsContainer()) BodyView(h.Length);
    }
  }
}

std::unique_ptr<TShape> TDrawingReader::ReadShape(uint32_t length, bool patriarch, TShapeGroup* self) {
  std::unique_ptr<TShape> owned;
  TShape* shape = patriarch ? self : nullptr;
  TMSORecSPGR rect;
  bool haveRect = false;
  uint64_t left = length;
  while (left > 0) {
    if (left < 8) throw XLSRWException("Error while reading Shape. Length <> 0");
    const TMSOHeader r = Header();
    left -= 8;
    if (r.IsContainer()) {  // a container inside a shape: its records are read one by one
      continue;
    }
    if (r.Length > left) throw XLSRWException("Error while reading Shape. Length <> 0");
    left -= r.Length;
    const std::span<const uint8_t> body = BodyView(r.Length);
    const TRecordView v(body);
    switch (r.FBT) {
      case MSO_SPGR:
        rect = {v.I32(0), v.I32(4), v.I32(8), v.I32(12)};
        haveRect = true;
        if (patriarch) self->FSPGR = rect;
        break;
      case MSO_SP: {
        const uint32_t flags = v.U32(4);
        if (patriarch) {
          if (!(flags & 0x4)) throw XLSRWException("SP is not root");
        } else if (!shape) {
          if (flags & 0x1) {
            std::unique_ptr<TShapeGroup> g;
            if (flags & 0x2)
              g = std::make_unique<TShapeGroupChildAnchor>(&D);
            else
              g = std::make_unique<TShapeGroupClientAnchor>(&D);
            if (haveRect) g->FSPGR = rect;
            owned = std::move(g);
          } else if (flags & 0x2) {
            owned = std::make_unique<TShapeChildAnchor>();
          } else {
            owned = std::make_unique<TShapeClientAnchor>();
          }
          shape = owned.get();
        }
        shape->FSpId = v.U32(0);
        shape->FOptions = flags;
        shape->FShapeType = r.Instance();
        break;
      }
      case MSO_OPT:
      case MSO_TERTIARYOPT:
        if (!shape) throw XLSRWException("Expected record missing: SP");
        if (r.FBT == MSO_TERTIARYOPT && !shape->FFOPT) shape->FFOPT = std::make_unique<TOPT>();
        (r.FBT == MSO_OPT ? shape->FOPT : *shape->FFOPT).LoadFromBuffer(body, r.Instance());
        break;
      case MSO_CHILDANCHOR:
        if (!shape || !shape->ChildAnchor()) throw XLSRWException("CHILDANCHOR when shape not is ChildAnchor");
        *shape->ChildAnchor() = {v.I32(0), v.I32(4), v.I32(8), v.I32(12)};
        break;
      case MSO_CLIENTANCHOR:
        if (!shape || !shape->ClientAnchor()) throw XLSRWException("CLIENTANCHOR when shape not is ClientAnchor");
        shape->ClientAnchor()->Read(body);
        break;
      case MSO_CLIENTDATA:
        if (!shape) throw XLSRWException("Expected record missing: SP");
        ReadObj(*shape);
        break;
      case MSO_CLIENTTEXTBOX:
        if (!shape) throw XLSRWException("Expected record missing: SP");
        ReadTxo(*shape);
        break;
      default:
        if (!shape) throw XLSRWException("Expected record missing: SP");
        if (!shape->FUnknown) shape->FUnknown = std::make_unique<TMSORecords>();
        shape->FUnknown->Add(r, body);
        break;
    }
  }
  if (!shape) throw XLSRWException("Expected record missing: SP");
  if (!patriarch && D.ObjectReader) D.ObjectReader(D, *shape);
  return owned;
}

void TDrawingReader::ReadObj(TShape& shape) {
  const auto obj = TakeRecord(BIFFID_OBJ);
  if (!obj) throw XLSRWException("Expected record missing: OBJ");
  // Sub-records, each cut to what the record holds.
  shape.FOBJ.Clear();
  shape.FOBJ.Reserve(4);  // ftCmo, one or two more, ftEnd: most objects
  ReadObjRecord(*obj, shape.FOBJ, D.FMaxObjId);
  if (IsSubstreamBOF(NextId())) ReadChart(shape);
}

void TDrawingReader::ReadChart(TShape& shape) {
  // An embedded chart's substream, BOF to its first EOF, kept raw for the chart's object. A
  // chart sub-stream holds no other: a second BOF (Gnumeric starts charts with two) is one of its
  // records.
  while (FRec + 1 < R.Count()) {
    const uint16_t id = R.Id(++FRec);
    const auto body = R.Body(FRec);
    FPos = body.size();
    if (!shape.FChart) shape.FChart = std::make_unique<TBaseRecordStorage>();
    shape.FChart->AddRec(uint32_t(id) | uint32_t(body.size()) << 16, body);
    if (id == BIFFID_EOF) return;
  }
  throw XLSRWException("Embedded chart without its EOF");
}

void TDrawingReader::ReadTxo(TShape& shape) {
  const auto txo = TakeRecord(BIFFID_TXO);
  if (!txo) throw XLSRWException("Excpected record missing: TXO");
  shape.FTXO.clear();
  const auto keep = [&shape](uint16_t id, std::span<const uint8_t> body) {
    const uint8_t h[4] = {uint8_t(id), uint8_t(id >> 8), uint8_t(body.size()), uint8_t(body.size() >> 8)};
    shape.FTXO.insert(shape.FTXO.end(), h, h + 4);
    shape.FTXO.insert(shape.FTXO.end(), body.begin(), body.end());
  };
  // Room for the TXO and the records that usually follow it (text, runs), taken once.
  shape.FTXO.reserve(4 + txo->size() + (NextId() == BIFFID_CONTINUE ? 8 + R.Body(FRec + 1).size() + 16 + 8 : 0));
  keep(BIFFID_TXO, *txo);
  const size_t textLen = TRecordView(*txo).U16(10), formatLen = TRecordView(*txo).U16(12);
  size_t chars = 0;
  while (chars < textLen && NextId() == BIFFID_CONTINUE) {
    const auto piece = *TakeRecord(BIFFID_CONTINUE);
    keep(BIFFID_CONTINUE, piece);
    if (!piece.empty()) chars += (piece.size() - 1) / (piece[0] == 1 ? 2 : 1);
  }
  size_t runs = 0;
  while (formatLen > 0 && runs < formatLen && NextId() == BIFFID_CONTINUE) {
    const auto piece = *TakeRecord(BIFFID_CONTINUE);
    keep(BIFFID_CONTINUE, piece);
    runs += piece.size();
  }
}

// ---------------------------------------------------------------------------------------------
TEscherDrawing::TEscherDrawing(TEscherGroup* parent, TInternalNames* internalNames, TXc12Fonts* fonts)
    : FParent(parent),
      FGroup(std::make_unique<TShapeGroupClientAnchor>(this)),
      FInternalNames(internalNames),
      FFonts(fonts) {}

TEscherDrawing::~TEscherDrawing() { ReleaseCluster(); }

void TEscherDrawing::ReleaseCluster() {
  if (FDgId != 0 && FParent) {
    // A drawing whose cluster is gone (two drawings of one id, a cleared store) has nothing to
    // give back.
    bool present = false;
    for (const auto& d : FParent->FDGG.FItems) present = present || d->FFIDCL.DgId == FDgId;
    if (present) FParent->DeleteFIDCL(FDgId);
  }
  FDgId = 0;
}

void TEscherDrawing::Clear() {
  FGroup = std::make_unique<TShapeGroupClientAnchor>(this);
  FNoteIndex.clear();
  FNoteIndexSize = SIZE_MAX;
  FSolverContainer.reset();
  FFileReGroupItems.clear();
  FDG = {};
  FSpIdsChecked = false;
  FMaxObjId = 0;
  ReleaseCluster();
}

void TDrawingRecords::Add(uint16_t id, std::span<const uint8_t> body) {
  uint8_t* p = Append(id, uint16_t(std::min<size_t>(body.size(), 0xFFFF)));
  std::copy_n(body.data(), FItems.back().Length, p);
}

uint8_t* TDrawingRecords::Append(uint16_t id, uint16_t length) {
  const size_t at = FBytes.size();
  FBytes.resize(at + length);
  FItems.push_back({id, length, true, at, nullptr});
  return FBytes.data() + at;
}

void TDrawingRecords::Cut(uint16_t filled) {
  TEntry& e = FItems.back();
  e.Length = std::min(e.Length, filled);
  FBytes.resize(e.Offset + e.Length);
}

void TEscherDrawing::LoadFromStream(TXLSStream& stream, TDrawingRecords& records) {
  records.Clear();
  auto take = [&stream, &records](const TBIFFHeader& h) {
    // A body in clear and in one piece is read where it lies; others are copied (decrypted).
    if (const auto lent = stream.ReadInPlace(h.Length)) {
      records.AddLent(h.RecID, *lent);
      return;
    }
    uint8_t* p = records.Append(h.RecID, h.Length);
    records.Cut(uint16_t(stream.ReadRecordBody(h.RecID, p, h.Length)));
  };
  take(stream.CurrentHeader());
  TBIFFHeader h;
  for (uint16_t next = stream.PeekHeader();; next = stream.PeekHeader()) {
    if (DrawingRecord(next)) {
      if (stream.ReadHeader(h) < 4) break;
      take(h);
    } else if (IsSubstreamBOF(next) && records.Id(records.Count() - 1) == BIFFID_OBJ) {
      // An embedded chart: its substream to its first EOF.
      while (stream.ReadHeader(h) == 4) {
        take(h);
        if (h.RecID == BIFFID_EOF) break;
      }
    } else {
      break;
    }
  }
  LoadFromRecords(records);
}

void TEscherDrawing::LoadFromRecords(const TDrawingRecords& records) {
  Clear();
  TDrawingReader reader(*this, records);
  try {
    reader.Read();
  } catch (const XLSRWException& e) {
    Clear();
    char head[48];
    std::snprintf(head, sizeof head, "Error on reading shape #%d\r", int(reader.ShapeCounter));
    throw XLSRWException(kws::Utf8ToUtf16(head) + e.Message());
  }
}

void TEscherDrawing::ForEachShape(const std::function<void(TShape&, TShapeGroup&)>& f) const {
  std::function<void(TShapeGroup&)> walk = [&](TShapeGroup& g) {
    for (auto& s : g.FList) {
      f(*s, g);
      if (s->IsGroup()) walk(static_cast<TShapeGroup&>(*s));
    }
  };
  walk(*FGroup);
}

void TEscherDrawing::SetNoteData(int32_t col, int32_t row, uint16_t options, uint16_t objId,
                                 std::u16string_view author) {
  // The note shapes by object id (the first of an id), made at the first NOTE: one look-up each.
  if (FNoteIndexSize != FGroup->FList.size()) {
    FNoteIndex.clear();
    for (auto& s : FGroup->FList)
      if (s->ObjType() == 25) FNoteIndex.emplace_back(uint16_t(s->ObjId()), s.get());
    std::stable_sort(FNoteIndex.begin(), FNoteIndex.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    FNoteIndexSize = FGroup->FList.size();
  }
  const auto it = std::lower_bound(FNoteIndex.begin(), FNoteIndex.end(), objId,
                                   [](const auto& e, uint16_t id) { return e.first < id; });
  if (it == FNoteIndex.end() || it->first != objId) {
    char msg[48];
    std::snprintf(msg, sizeof msg, "Can not find shape for note #%d", int(objId));
    throw XLSRWException(msg);
  }
  TShape* s = it->second;
  s->FNote.emplace(TShapeNoteData{col, row, options, std::u16string(author)});
  if (auto* note = ExactCast<TShapeOutsideMsoNote>(s->FInterface.get())) {
    note->FCellCol = col;
    note->FCellRow = row;
    note->FNoteOptions = options;
    note->FAuthor = author;
  }
  if (auto* c = ExactCast<TShapeClientAnchor>(s)) c->FVisible = (options & 0x0002) != 0;
}

void TEscherDrawing::AssignBlipIds(const std::vector<int32_t>& blips, const std::function<void(int32_t)>& warn) {
  ForEachShape([&](TShape& s, TShapeGroup&) {
    if (s.IsGroup()) return;
    const int64_t v = s.FOPT.BlipId();
    if (v <= 0) return;
    const auto it = std::find(blips.begin(), blips.end(), int32_t(v - 1));
    if (it == blips.end()) {
      s.FOPT.SetBlipId(0);
      if (warn) warn(int32_t(v));
    } else {
      s.FOPT.SetBlipId(uint32_t(it - blips.begin()) + 1);
    }
  });
}

void TEscherDrawing::DeleteShape(uint32_t spId) {
  auto& list = FGroup->FList;
  const auto it = std::find_if(list.begin(), list.end(), [spId](const auto& s) { return s->FSpId == spId; });
  if (it == list.end()) return;
  list.erase(it);
  FNoteIndexSize = SIZE_MAX;
  if (!FParent) return;
  if (!list.empty()) {
    FParent->UpdateFIDCL(FDgId);
  } else {
    ReleaseCluster();
  }
}

// ---------------------------------------------------------------------------------------------
void TEscherDrawing::PrepareNewShape() {
  if (!FGroup->FList.empty()) {
    if (FParent && FDgId != 0) FParent->UpdateFIDCL(FDgId);
    // A drawing read from a file holds the last shape id given out (DG spidCur), not the next:
    // a new shape takes an id above every id of the drawing, so that no two shapes share one.
    // Once is enough: the ids given out since all come from the count.
    if (!FSpIdsChecked) {
      uint32_t highest = FGroup->FSpId;
      ForEachShape([&highest](TShape& s, TShapeGroup&) { highest = std::max(highest, s.FSpId); });
      if (FDG.CurSpId <= highest) FDG.CurSpId = highest + 1;
      FSpIdsChecked = true;
    }
    return;
  }
  uint32_t dgId = 0, block = 0;
  if (FParent) FParent->AddDrawing(this, dgId, block);
  FDgId = uint16_t(dgId);
  FDG.CurSpId = block;
  FGroup->FOptions = 5;
  FGroup->FSpId = NextSpId();
}

void TEscherDrawing::AddEmpty() {
  if (FDgId == 0 && FParent) {
    uint32_t dgId = 0, block = 0;
    FParent->AddDrawing(this, dgId, block);
    FDgId = uint16_t(dgId);
    FDG.CurSpId = block;
  }
}

TShapeClientAnchor* TEscherDrawing::NewShape(int kind) {
  const TNewShapeDef& def = NewShapeDefs[size_t(kind)];
  PrepareNewShape();
  auto shape = std::make_unique<TShapeClientAnchor>();
  shape->FShapeType = def.ShapeType;
  shape->FSpId = NextSpId();
  shape->FOptions = 0x0A00;
  shape->FAnchor.FCol1 = def.Col1;
  shape->FAnchor.FRow1 = def.Row1;
  shape->FAnchor.FCol2 = def.Col2;
  shape->FAnchor.FRow2 = def.Row2;
  static std::mt19937 random(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (const TNewShapeProp& p : def.Props) {
    switch (p.Kind) {
      case TNewShapePropKind::Value:
        shape->FOPT.AddValue(p.Id, p.Value);
        break;
      case TNewShapePropKind::Blip:
        shape->FOPT.AddValue(p.Id, p.Value, true);
        break;
      case TNewShapePropKind::TxId: {
        const auto ticks = uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
        shape->FOPT.AddValue(p.Id, uint32_t(random() % 65535) + ticks);
        break;
      }
      case TNewShapePropKind::Text:
        shape->FOPT.AddString(p.Id, p.Text);
        break;
    }
  }
  shape->FOPT.SetItemCount();
  if (def.ObjType >= 0) {
    AddSub(shape->FOBJ, FT_CMO,
           Words({uint16_t(def.ObjType), uint16_t(NextObjId()), def.ObjFlags, 0, 0, 0, 0, 0, 0}));
    if (def.Extra == TNewShapeExtra::Note) AddSub(shape->FOBJ, FT_NTS, std::vector<uint8_t>(22, 0));
    if (def.Extra == TNewShapeExtra::Picture) {
      AddSub(shape->FOBJ, FT_CF, Words({0xFFFF}));
      AddSub(shape->FOBJ, FT_PIOGRBIT, Words({0}));
    }
    AddSub(shape->FOBJ, FT_END, {});
  }
  if (def.HasText) {
    shape->FText = def.Text;  // given up below when the shape's text object takes the text
    shape->FHasText = true;
  }
  std::unique_ptr<TShapeOutsideMso> object;
  switch (kind) {
    case NS_TextBox: object = std::make_unique<TShapeOutsideMsoBaseText>(TMSOShapeType::mstTextBox); break;
    case NS_Note: object = std::make_unique<TShapeOutsideMsoNote>(); break;
    case NS_Chart: object = std::make_unique<TShapeOutsideMsoChart>(FParent, FFonts); break;
    case NS_ListBox: object = std::make_unique<TShapeControlListBox>(); break;
    case NS_ComboBox: object = std::make_unique<TShapeControlComboBox>(); break;
    case NS_ComboBoxAutoFilter: {
      auto combo = std::make_unique<TShapeControlComboBox>();
      combo->SetIsAutoFilter(true);
      object = std::move(combo);
      break;
    }
    case NS_Button: object = std::make_unique<TShapeControlButton>(FInternalNames); break;
    case NS_CheckBox: object = std::make_unique<TShapeControlCheckBox>(FInternalNames); break;
    case NS_RadioButton: object = std::make_unique<TShapeControlRadioButton>(FInternalNames); break;
    default: break;
  }
  if (object) {
    if (auto* text = dynamic_cast<TShapeOutsideMsoBaseText*>(object.get())) {
      text->SetDefaultTxo();
      if (def.HasText) text->SetText(def.Text);
      shape->FText.clear();
    }
    // Controls hold their OBJ data themselves and take a new object id.
    if (object->OwnsObjData()) object->FObjId = uint16_t(NextObjId());
    shape->FInterface = std::move(object);
  }
  TShapeClientAnchor* s = shape.get();
  FGroup->FList.push_back(std::move(shape));
  return s;
}

TShapeClientAnchor* TEscherDrawing::AddTextBox() { return NewShape(NS_TextBox); }
TShapeClientAnchor* TEscherDrawing::AddNote() { return NewShape(NS_Note); }
TShapeClientAnchor* TEscherDrawing::AddBasic() { return NewShape(NS_Basic); }
TShapeClientAnchor* TEscherDrawing::AddAutoShape() { return NewShape(NS_AutoShape); }
TShapeClientAnchor* TEscherDrawing::AddPicture() { return NewShape(NS_Picture); }
TShapeClientAnchor* TEscherDrawing::AddChart() { return NewShape(NS_Chart); }
TShapeClientAnchor* TEscherDrawing::AddListBox() { return NewShape(NS_ListBox); }
TShapeClientAnchor* TEscherDrawing::AddComboBox() { return NewShape(NS_ComboBox); }
TShapeClientAnchor* TEscherDrawing::AddComboBoxAutoFilter() { return NewShape(NS_ComboBoxAutoFilter); }
TShapeClientAnchor* TEscherDrawing::AddButton() { return NewShape(NS_Button); }
TShapeClientAnchor* TEscherDrawing::AddCheckBox() { return NewShape(NS_CheckBox); }
TShapeClientAnchor* TEscherDrawing::AddRadioButton() { return NewShape(NS_RadioButton); }

}  // namespace xls::biff

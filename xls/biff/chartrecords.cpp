#include "xls/biff/chartrecords.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "xls/biff/escherdrawing.h"
#include "xls/biff/recordstorage.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsstyles.h"

namespace xls::biff {

std::vector<uint8_t> TStreamChartSource::Body(const TBIFFHeader& h) {
  std::vector<uint8_t> body(h.Length);
  body.resize(FStream.ReadRecordBody(h.RecID, body.data(), h.Length));
  return body;
}

bool TListChartSource::NextHeader(TBIFFHeader& h) {
  while (FNext < FRecords.Count()) {
    const TRecordData* r = FRecords.Items(FNext++);
    if (!r) continue;
    h = TBIFFHeader{r->RecId, uint16_t(std::min<size_t>(r->Data.size(), 0xFFFF))};
    return true;
  }
  return false;
}

std::vector<uint8_t> TListChartSource::Body(const TBIFFHeader& h) {
  const TRecordData* r = FNext > 0 ? FRecords.Items(FNext - 1) : nullptr;
  if (!r) return {};
  return std::vector<uint8_t>(r->Data.begin(), r->Data.begin() + ptrdiff_t(std::min<size_t>(h.Length, r->Data.size())));
}

uint16_t TListChartSource::PeekId() const {
  for (size_t i = FNext; i < FRecords.Count(); ++i)
    if (const TRecordData* r = FRecords.Items(i)) return r->RecId;
  return 0;
}

void TChartTreeOwner::LoadChartDrawing(TChartRecordSource& source, TChartRecord& placeholder, TXc12Fonts* fonts) {
  TDrawingRecords records;
  auto take = [&](const TBIFFHeader& h) { records.Add(h.RecID, source.Body(h)); };
  take(TBIFFHeader{CHARTREC_MSODRAWING, uint16_t(placeholder.Length())});
  for (uint16_t next = source.PeekId(); next == CHARTREC_MSODRAWING || next == 0x005D || next == 0x01B6 ||
                                        next == CHARTREC_CONTINUE || next == 0x007F;
       next = source.PeekId()) {
    TBIFFHeader h;
    if (!source.NextHeader(h)) break;
    take(h);
  }
  auto drawing = std::make_unique<TEscherDrawing>(DrawingGroup(), nullptr, DrawingFonts(fonts));
  drawing->LoadFromRecords(records);
  SetDrawing(std::move(drawing));
}

namespace {

uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return at + 1 < b.size() ? uint16_t(b[at] | b[at + 1] << 8) : 0;
}

}  // namespace

TXc12Font* ChartFontOfIndex(TXc12Fonts* fonts, uint32_t index) {
  if (!fonts) return nullptr;
  const size_t i = size_t(index) + 1;
  return i < fonts->Count() ? fonts->Items(i) : nullptr;
}

TChartRecord::TChartRecord(TChartRecord* parent, uint32_t header, const uint8_t* data)
    : FParent(parent), FRecId(uint16_t(header & 0xFFFF)), FData(header >> 16) {
  if (data && !FData.empty()) std::memcpy(FData.data(), data, FData.size());
}

TChartRecord::TChartRecord(TChartRecord* parent, uint16_t recId, uint32_t length)
    : FParent(parent), FRecId(recId), FData(length) {}

TChartRecord::TChartRecord(TChartRecord* parent, uint16_t recId, TXc12Font* font)
    : FParent(parent), FRecId(recId), FFont(font) {}

TChartRecord::~TChartRecord() = default;

TChartRecord* TChartRecord::Items(size_t index) const {
  if (index >= FItems.size()) throw std::out_of_range("List index out of bounds");
  return FItems[index].get();
}

int32_t TChartRecord::IndexOf(const TChartRecord* child) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == child) return int32_t(i);
  return -1;
}

TChartRecord* TChartRecord::Root() {
  TChartRecord* r = this;
  while (r && r->FRecId != CHARTREC_ROOT) r = r->FParent;
  return r;
}

int32_t TChartRecord::FindRecord(uint16_t id) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->FRecId == id) return int32_t(i);
  return -1;
}

TChartRecord* TChartRecord::Find(uint16_t id) const {
  const int32_t i = FindRecord(id);
  return i < 0 ? nullptr : FItems[size_t(i)].get();
}

TChartRecord* TChartRecord::Insert(int32_t index, std::unique_ptr<TChartRecord> child) {
  child->FParent = this;
  TChartRecord* r = child.get();
  if (index < 0 || size_t(index) >= FItems.size())
    FItems.push_back(std::move(child));
  else
    FItems.insert(FItems.begin() + index, std::move(child));
  return r;
}

TChartRecord* TChartRecord::InsertRecord(int32_t index, uint16_t recId, uint32_t length, bool isUpdate) {
  if (isUpdate) return Insert(index, std::make_unique<TChartRecordUpdate>(this, recId, length));
  return Insert(index, std::make_unique<TChartRecord>(this, recId, length));
}

bool TChartRecord::RemoveRecord(uint16_t id) {
  const int32_t i = FindRecord(id);
  if (i < 0) return false;
  FItems.erase(FItems.begin() + i);
  return true;
}

void TChartRecord::Delete(size_t index) {
  Items(index);
  FItems.erase(FItems.begin() + ptrdiff_t(index));
}

void TChartRecord::Resize(int32_t delta) {
  const int64_t n = std::max<int64_t>(0, int64_t(FData.size()) + delta);
  FData.resize(size_t(n));
}

TXc12Font* TChartRecord::FindFBIFont(uint16_t index) {
  TChartRecord* root = Root();
  if (!root) return nullptr;
  bool lastWasFBI = false;
  for (const auto& c : root->FItems) {
    lastWasFBI = c->FRecId == CHARTREC_FBI;
    if (lastWasFBI && U16(c->FData, 8) == index) return c->FFont;
  }
  if (lastWasFBI) throw XLSRWException("Can not find FBI");
  return nullptr;
}

void TChartRecord::Read(TXLSStream& stream, std::vector<uint8_t>& buffer, TXc12Fonts* fonts) {
  (void)buffer;  // bodies are read into the nodes themselves
  TStreamChartSource source(stream);
  ReadLevel(source, fonts, 0);
}

void TChartRecord::Read(TChartRecordSource& source, TXc12Fonts* fonts) { ReadLevel(source, fonts, 0); }

bool TChartRecord::ReadLevel(TChartRecordSource& stream, TXc12Fonts* fonts, int depth) {
  if (depth > MAX_CHART_NESTING) throw XLSRWException("Chart records nested too deep");
  TBIFFHeader h;
  while (stream.NextHeader(h)) {
    switch (h.RecID) {
      case CHARTREC_EOF: {
        const std::vector<uint8_t> b = stream.Body(h);
        Insert(-1, std::make_unique<TChartRecord>(this, h.RecID | uint32_t(b.size()) << 16, b.data()));
        return true;
      }
      case CHARTREC_MSODRAWING: {
        if (h.Length <= CHART_DRAWING_MIN) {
          stream.Body(h);
          break;
        }
        TChartRecord* placeholder = InsertRecord(-1, h.RecID, h.Length, false);
        TChartRecord* root = Root();
        TChartTreeOwner* owner = root ? root->FOwner : nullptr;
        if (!owner) throw XLSRWException("Chart record parent is not of excpected type");
        owner->LoadChartDrawing(stream, *placeholder, fonts);
        break;
      }
      case CHARTREC_FONTX: {
        const std::vector<uint8_t> b = stream.Body(h);
        const uint16_t index = U16(b, 0);
        TXc12Font* font = FindFBIFont(index);
        if (!font) font = ChartFontOfIndex(fonts, index);
        Insert(-1, std::make_unique<TChartRecord>(this, h.RecID, font));
        break;
      }
      case CHARTREC_BEGIN:
        stream.Body(h);
        if (FItems.empty()) throw XLSRWException("Chart BEGIN record without a record before it");
        if (FItems.back()->ReadLevel(stream, fonts, depth + 1)) return true;
        break;
      case CHARTREC_END:
        stream.Body(h);
        return false;
      case CHARTREC_FBI: {
        std::vector<uint8_t> b = stream.Body(h);
        b.resize(10);
        TXc12Font* font = ChartFontOfIndex(fonts, U16(b, 8));
        if (font) font->SetLocked(true);
        const uint32_t pos = font ? uint32_t(font->Index()) : 0xFFFFFFFFu;
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(pos >> (8 * i)));
        TChartRecord* r = InsertRecord(-1, h.RecID, 14, false);
        r->FData = std::move(b);
        r->FFont = font;
        break;
      }
      case CHARTREC_GELFRAME: {
        std::vector<uint8_t> block = stream.Body(h);
        for (uint16_t next = stream.PeekId(); next == CHARTREC_GELFRAME || next == CHARTREC_CONTINUE;
             next = stream.PeekId()) {
          TBIFFHeader c;
          if (!stream.NextHeader(c)) break;
          const std::vector<uint8_t> more = stream.Body(c);
          block.insert(block.end(), more.begin(), more.end());
        }
        TChartRecord* r = InsertRecord(-1, h.RecID, 0, true);
        r->FData = std::move(block);
        break;
      }
      default: {
        std::vector<uint8_t> b = stream.Body(h);
        TChartRecord* r = InsertRecord(-1, h.RecID, 0, false);
        r->FData = std::move(b);
        break;
      }
    }
  }
  return true;  // the stream ended
}

std::unique_ptr<TChartRecordUpdate> NewChartRoot(TChartTreeOwner* owner) {
  auto root = std::make_unique<TChartRecordUpdate>(nullptr, CHARTREC_ROOT, uint32_t(0));
  root->SetOwner(owner);
  return root;
}

std::string ReadChartOrRaw(TChartRecord& root, TChartRecordSource& stream, TXc12Fonts* fonts, int64_t start) {
  const size_t kept = root.Count();  // records the caller put there before (a chart sheet's BOF)
  try {
    root.Read(stream, fonts);
    return {};
  } catch (const XLSRWException& e) {
    while (root.Count() > kept) root.Delete(root.Count() - 1);
    stream.Seek(start);
    TBIFFHeader h;
    while (stream.NextHeader(h)) {
      const std::vector<uint8_t> b = stream.Body(h);
      TChartRecord* r = root.InsertRecord(-1, h.RecID, 0, false);
      r->Bytes() = b;
      if (h.RecID == CHARTREC_EOF) break;
    }
    return e.what();
  }
}

// ---------------------------------------------------------------------------------------------

TSheetChart& TSheetCharts::Items(size_t index) const {
  if (index >= FItems.size()) throw std::out_of_range("List index out of bounds");
  return *FItems[index];
}

std::string TSheetCharts::LoadFromStream(TXLSStream& stream, std::u16string_view name, std::vector<uint8_t>& buffer,
                                         TXc12Fonts* fonts, int32_t sheetIndex) {
  auto chart = std::make_unique<TSheetChart>();
  chart->FName = std::u16string(name);
  chart->FSheetIndex = sheetIndex;
  chart->FRecord = NewChartRoot(this);
  TChartRecord* bof = chart->FRecord->InsertRecord(-1, CHARTREC_BOF, 16, false);
  std::memcpy(bof->Data(), buffer.data(), std::min<size_t>(16, buffer.size()));
  TSheetChart& c = *chart;
  FItems.push_back(std::move(chart));
  (void)buffer;
  TStreamChartSource source(stream);
  const std::string failure = ReadChartOrRaw(*c.FRecord, source, fonts, source.Pos());
  if (!failure.empty()) {
    c.FRaw = true;
    c.FDrawing.reset();
  }
  return failure;
}

void TSheetCharts::SetDrawing(std::unique_ptr<TEscherDrawing> drawing) {
  if (FItems.empty()) throw XLSRWException("Chart record parent is not of excpected type");
  FItems.back()->AddDrawing(std::move(drawing));
}

TSheetChart::TSheetChart() = default;
TSheetChart::~TSheetChart() = default;
void TSheetChart::AddDrawing(std::unique_ptr<TEscherDrawing> drawing) { FDrawing = std::move(drawing); }

}  // namespace xls::biff

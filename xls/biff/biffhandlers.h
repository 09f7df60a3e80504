// The dispatch point of the legacy record loop: a table from record id to handler.
//
// The loop reads each record header, reads the body into the reader's buffer (unless the
// handler says it reads the body itself), sets `InsertRecord` and calls the handler of the id.
// A handler that consumes its record sets `InsertRecord` to false; otherwise the loop appends the
// record to the current raw storage. Ids without a handler are stored.
//
// The frame installs its own handlers in every table made by `DefaultBIFFRecordHandlers()`:
// BOUNDSHEET (sheet list), FILEPASS (password check, decryption), INDEX, the drawing records
// kept raw (MSODRAWINGGROUP with its continuations, MSODRAWING with an embedded chart's records,
// MSODRAWINGSELECTION), DVAL and DV when drawings are skipped, and the records dropped without
// further reading (DBCELL, EXTSST, USERBVIEW, BOOKEXT and the BIFF8 extension records). BOF, EOF
// and the USERSVIEWBEGIN skip are part of the loop itself and cannot be replaced. Record handler
// libraries add theirs with `Set`; a later `Set` for an id replaces the earlier handler.
//
// A second table serves the BIFF4 worksheet reader (a bare file whose first record is 0x0409):
// its ids take the BIFF4 variants of LABEL, FONT, FORMAT and XF.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace xls::biff {

class TXLSReadII;

using TBIFFHandlerFunc = std::function<void(TXLSReadII& reader)>;

// What an engine error raised by a handler means for the load: a content record (a cell, row,
// string, name, format or setting, an object kept raw) is skipped with a numbered warning and the
// load goes on; a record of the frame (the sheet list, the password check, the storage switch of
// early files) ends the load with the wrapped error.
enum class TBIFFRecordKind : uint8_t { Content, Frame };

struct TBIFFRecordHandler {
  TBIFFHandlerFunc Handle;
  // True: the loop does not read the body; the handler reads it from the stream itself (SST and
  // the drawing records, which run into CONTINUE records).
  bool ReadsBody = false;
  TBIFFRecordKind Kind = TBIFFRecordKind::Content;
};

// The loop looks a handler up for every record: the handlers lie in a list, found through a
// direct index for the ids below 0x1000 (nearly every record) and a map for the rest; both hold
// positions, so a reader's copy of the table stands alone.
class TBIFFRecordHandlers {
 public:
  TBIFFRecordHandlers() { FIndex.fill(kNone); }
  void Set(uint16_t id, TBIFFHandlerFunc handler, bool readsBody = false,
           TBIFFRecordKind kind = TBIFFRecordKind::Content) {
    TBIFFRecordHandler h{std::move(handler), readsBody, kind};
    if (const int32_t i = IndexOf(id); i != kNone) {
      FItems[size_t(i)] = std::move(h);
      return;
    }
    const auto at = int32_t(FItems.size());
    FItems.push_back(std::move(h));
    if (id < kDirect)
      FIndex[id] = at;
    else
      FHigh[id] = at;
  }
  void Remove(uint16_t id) {
    const int32_t i = IndexOf(id);
    if (i == kNone) return;
    FItems.erase(FItems.begin() + i);
    if (id < kDirect)
      FIndex[id] = kNone;
    else
      FHigh.erase(id);
    for (auto& k : FIndex)
      if (k > i) --k;
    for (auto& [key, k] : FHigh)
      if (k > i) --k;
  }
  // nullptr when the id has no handler.
  const TBIFFRecordHandler* Find(uint16_t id) const {
    const int32_t i = IndexOf(id);
    return i == kNone ? nullptr : &FItems[size_t(i)];
  }

  // Handlers of the BIFF4 worksheet reader (bodies are always read by the reader); all of them
  // are content records.
  void SetBIFF4(uint16_t id, TBIFFHandlerFunc handler) { FBIFF4[id] = std::move(handler); }
  const TBIFFHandlerFunc* FindBIFF4(uint16_t id) const {
    const auto it = FBIFF4.find(id);
    return it == FBIFF4.end() ? nullptr : &it->second;
  }

 private:
  static constexpr int32_t kNone = -1;
  static constexpr uint16_t kDirect = 0x1000;
  int32_t IndexOf(uint16_t id) const {
    if (id < kDirect) return FIndex[id];
    const auto it = FHigh.find(id);
    return it == FHigh.end() ? kNone : it->second;
  }
  std::array<int32_t, kDirect> FIndex;  // position in FItems of each low id's handler, or kNone
  std::unordered_map<uint16_t, int32_t> FHigh;
  std::vector<TBIFFRecordHandler> FItems;
  std::unordered_map<uint16_t, TBIFFHandlerFunc> FBIFF4;
};

// Installs the frame's own handlers (listed above) into `handlers`.
void AddFrameRecordHandlers(TBIFFRecordHandlers& handlers);

// The process-wide table that every new TBIFF5 copies: the frame's handlers, plus whatever record
// handler libraries registered. Register before creating readers; the loop never changes it.
TBIFFRecordHandlers& DefaultBIFFRecordHandlers();

}  // namespace xls::biff

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

#include <cstdint>
#include <functional>
#include <unordered_map>

namespace xls::biff {

class TXLSReadII;

using TBIFFHandlerFunc = std::function<void(TXLSReadII& reader)>;

struct TBIFFRecordHandler {
  TBIFFHandlerFunc Handle;
  // True: the loop does not read the body; the handler reads it from the stream itself (SST and
  // the drawing records, which run into CONTINUE records).
  bool ReadsBody = false;
};

class TBIFFRecordHandlers {
 public:
  void Set(uint16_t id, TBIFFHandlerFunc handler, bool readsBody = false) {
    FLoop[id] = TBIFFRecordHandler{std::move(handler), readsBody};
  }
  void Remove(uint16_t id) { FLoop.erase(id); }
  // nullptr when the id has no handler.
  const TBIFFRecordHandler* Find(uint16_t id) const {
    const auto it = FLoop.find(id);
    return it == FLoop.end() ? nullptr : &it->second;
  }

  // Handlers of the BIFF4 worksheet reader (bodies are always read by the reader).
  void SetBIFF4(uint16_t id, TBIFFHandlerFunc handler) { FBIFF4[id] = std::move(handler); }
  const TBIFFHandlerFunc* FindBIFF4(uint16_t id) const {
    const auto it = FBIFF4.find(id);
    return it == FBIFF4.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<uint16_t, TBIFFRecordHandler> FLoop;
  std::unordered_map<uint16_t, TBIFFHandlerFunc> FBIFF4;
};

// Installs the frame's own handlers (listed above) into `handlers`.
void AddFrameRecordHandlers(TBIFFRecordHandlers& handlers);

// The process-wide table that every new TBIFF5 copies: the frame's handlers, plus whatever record
// handler libraries registered. Register before creating readers; the loop never changes it.
TBIFFRecordHandlers& DefaultBIFFRecordHandlers();

}  // namespace xls::biff

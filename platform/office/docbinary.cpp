// Main text of Word binary documents (MS-DOC, Word 97 and later; WPS Office
// writes the same).
//
// Format facts: the "WordDocument" stream starts with the file information
// block (FIB): FibBase (32 bytes: wIdent 0xA5EC; flags at 0x0A with fEncrypted
// 0x0100 and fWhichTblStm 0x0200, which names the table stream "1Table" or
// "0Table"), then counted arrays of 16-bit values, of 32-bit values (FibRgLw97:
// ccpText, the length of the main story in characters, is the fourth) and of
// fc/lcb pairs (FibRgFcLcb97: pair 12 is PlcBteChpx, pair 33 is the Clx). The
// Clx in the table stream holds optional Prc blocks (0x01, 16-bit size) and
// then the Pcdt (0x02, 32-bit size, PlcPcd): n+1 character positions and n
// 8-byte piece descriptors. A piece's 32-bit fc has bit 30 set for 8-bit text
// (Windows-1252) at byte fc/2 (bit 30 cleared), else UTF-16LE text at byte fc.
// In the text, 0x13/0x14/0x15 begin a field, separate its code from its result
// and end it; 0x0D ends a paragraph, 0x07 a table cell, 0x0B/0x0C/0x0E are
// breaks, 0x09 a tab, 0x01/0x08 inline objects. Character properties come in
// 512-byte pages (CHPX FKP) listed by PlcBteChpx: each page maps stream byte
// ranges to a list of properties; sprmCFRMarkDel (0x0800) marks deleted text.
//
// Design: every offset, count and size read from the file is checked against
// the bytes of its stream before use; characters outside the streams are simply
// not there. Field nesting is tracked with a counter per level, kept to a fixed
// depth.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/office/wordtext.h"
#include "platform/textcodec.h"

namespace kws {

namespace {

constexpr size_t kMaxFieldDepth = 256;

struct Bytes {
  const std::vector<uint8_t>& b;
  bool Has(uint64_t at, uint64_t n) const { return at <= b.size() && n <= b.size() - at; }
  uint16_t U16(uint64_t at) const {
    if (!Has(at, 2)) throw WordTextError("Word document: structure past the end of its stream");
    return uint16_t(b[at] | (b[at + 1] << 8));
  }
  uint32_t U32(uint64_t at) const { return U16(at) | (uint32_t(U16(at + 2)) << 16); }
};

struct Range {
  uint32_t begin, end;
};

// Byte ranges of the WordDocument stream whose characters carry the
// deleted-revision mark, sorted, disjoint and within the stream. A page is read
// once however often PlcBteChpx lists it, and ranges are merged as they are
// read, so what is kept is bounded by the stream's length, not by the counts of
// the table.
std::vector<Range> DeletedRanges(const Bytes& word, const Bytes& table, uint32_t fc, uint32_t lcb) {
  std::vector<Range> out;
  if (lcb < 4 || !table.Has(fc, lcb)) return out;
  const auto merge = [&out] {
    std::sort(out.begin(), out.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    size_t kept = 0;
    for (const Range& r : out) {
      if (kept > 0 && r.begin <= out[kept - 1].end)
        out[kept - 1].end = std::max(out[kept - 1].end, r.end);
      else
        out[kept++] = r;
    }
    out.resize(kept);
  };
  const uint32_t limit = uint32_t(std::min<size_t>(word.b.size(), UINT32_MAX));
  std::vector<bool> seen(word.b.size() / 512 + 1);
  size_t mergedSize = 0;
  const uint32_t n = (lcb - 4) / 8;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t pn = table.U32(fc + 4 * (n + 1) + 4 * i) & 0x3FFFFF;
    const uint64_t page = uint64_t(pn) * 512;
    if (!word.Has(page, 512) || seen[pn]) continue;
    seen[pn] = true;
    const uint8_t* p = word.b.data() + page;
    const uint32_t crun = std::min<uint32_t>(p[511], 101);
    for (uint32_t r = 0; r < crun; ++r) {
      const uint32_t from = word.U32(page + 4 * r), to = std::min(word.U32(page + 4 * (r + 1)), limit);
      const uint32_t at = uint32_t(p[4 * (crun + 1) + r]) * 2;
      if (at == 0 || at >= 511 || to <= from) continue;
      // CHPX: a size byte and that many bytes of properties.
      const uint32_t end = std::min<uint32_t>(at + 1 + p[at], 511);
      bool deleted = false;
      for (uint32_t k = at + 1; k + 2 <= end;) {
        const uint16_t sprm = uint16_t(p[k] | (p[k + 1] << 8));
        k += 2;
        static constexpr uint8_t kOperand[8] = {1, 1, 2, 4, 2, 2, 0, 3};
        const uint32_t spra = sprm >> 13;
        uint32_t size = kOperand[spra];
        if (spra == 6) size = k < end ? 1u + p[k] : 1u;
        if (sprm == 0x0800 && k < end) deleted = p[k] == 1 || p[k] == 0x81;
        k += size;
      }
      if (deleted) out.push_back({from, to});
    }
    if (out.size() > 2 * mergedSize + 1024) {
      merge();
      mergedSize = out.size();
    }
  }
  merge();
  return out;
}

// Appends the visible characters of the main story, tracking fields across
// pieces.
class StoryWriter {
 public:
  explicit StoryWriter(const std::vector<Range>& deleted) : deleted_(deleted) {}

  void Put(char16_t c, uint32_t fc) {
    if (IsDeleted(fc)) return;
    switch (c) {
      case 0x13:
        if (fields_.size() < kMaxFieldDepth) fields_.push_back(true);
        return;
      case 0x14:
        if (!fields_.empty()) fields_.back() = false;
        return;
      case 0x15:
        if (!fields_.empty()) fields_.pop_back();
        return;
      default:
        break;
    }
    if (std::find(fields_.begin(), fields_.end(), true) != fields_.end()) return;  // field code
    switch (c) {
      case 0x0D:
      case 0x07:
      case 0x0B:
      case 0x0C:
      case 0x0E:
      case 0x09:
      case 0x01:
      case 0x08:
      case 0x02:
      case 0x05:
        text_.push_back(kWordTextBreak);
        return;
      case 0x1F:  // optional hyphen: not shown
        return;
      case 0x1E:  // non-breaking hyphen
        text_.push_back(u'-');
        return;
      default:
        text_.push_back(c);
    }
  }
  std::u16string Take() { return std::move(text_); }

 private:
  bool IsDeleted(uint32_t fc) const {
    if (deleted_.empty()) return false;
    // The last range that begins at or before fc: a search, so that pieces in any order cost
    // the same.
    auto it = std::upper_bound(deleted_.begin(), deleted_.end(), fc,
                               [](uint32_t v, const Range& r) { return v < r.begin; });
    return it != deleted_.begin() && fc < std::prev(it)->end;
  }

  const std::vector<Range>& deleted_;
  std::vector<bool> fields_;  // per open field: still in its code
  std::u16string text_;
};

}  // namespace

std::u16string ReadDocText(const CfbStorage& root) {
  auto wordStream = root.OpenStream(u"WordDocument");
  if (!wordStream) throw WordTextError("Word document: no WordDocument stream");
  const std::vector<uint8_t> wordBytes = wordStream->ReadAll();
  const Bytes word{wordBytes};
  if (word.U16(0) != 0xA5EC) throw WordTextError("Word document: unknown file information block");
  const uint16_t flags = word.U16(0x0A);
  if (flags & 0x0100) throw WordTextError("Word document: encrypted");
  uint64_t pos = 0x20;
  const uint16_t csw = word.U16(pos);
  pos += 2 + 2 * uint64_t(csw);
  const uint16_t cslw = word.U16(pos);
  const uint64_t rgLw = pos + 2;
  pos = rgLw + 4 * uint64_t(cslw);
  const uint16_t cbRgFcLcb = word.U16(pos);
  const uint64_t rgFcLcb = pos + 2;
  if (csw < 14 || cslw < 22 || cbRgFcLcb < 0x5D || !word.Has(rgFcLcb, 8 * uint64_t(cbRgFcLcb)))
    throw WordTextError("Word document: version before Word 97");
  const uint32_t ccpText = word.U32(rgLw + 12);

  auto tableStream = root.OpenStream((flags & 0x0200) ? u"1Table" : u"0Table");
  if (!tableStream) throw WordTextError("Word document: no table stream");
  const std::vector<uint8_t> tableBytes = tableStream->ReadAll();
  const Bytes table{tableBytes};

  const std::vector<Range> deleted =
      DeletedRanges(word, table, word.U32(rgFcLcb + 12 * 8), word.U32(rgFcLcb + 12 * 8 + 4));

  // Piece table.
  const uint32_t fcClx = word.U32(rgFcLcb + 33 * 8), lcbClx = word.U32(rgFcLcb + 33 * 8 + 4);
  if (!table.Has(fcClx, lcbClx)) throw WordTextError("Word document: piece table past the end");
  const uint64_t clxEnd = uint64_t(fcClx) + lcbClx;
  uint64_t at = fcClx;
  while (at < clxEnd && tableBytes[at] == 0x01) at += 3 + uint64_t(table.U16(at + 1));
  if (at >= clxEnd || tableBytes[at] != 0x02) throw WordTextError("Word document: no piece table");
  const uint32_t lcb = table.U32(at + 1);
  const uint64_t plc = at + 5;
  if (lcb < 4 || plc + lcb > clxEnd) throw WordTextError("Word document: piece table past the end");
  const uint32_t pieces = (lcb - 4) / 12;
  const uint64_t pcds = plc + 4 * (uint64_t(pieces) + 1);

  StoryWriter story(deleted);
  std::u16string chunk;
  for (uint32_t i = 0; i < pieces; ++i) {
    const uint32_t cpFrom = table.U32(plc + 4 * uint64_t(i));
    const uint32_t cpTo = std::min(table.U32(plc + 4 * (uint64_t(i) + 1)), ccpText);
    if (cpFrom >= cpTo) continue;
    const uint32_t fcRaw = table.U32(pcds + 8 * uint64_t(i) + 2);
    const bool compressed = (fcRaw & 0x40000000) != 0;
    const uint64_t count = cpTo - cpFrom;
    const uint64_t start = compressed ? (fcRaw & 0x3FFFFFFF) / 2 : (fcRaw & 0x3FFFFFFF);
    if (start >= wordBytes.size()) continue;
    const uint64_t avail = wordBytes.size() - start;
    if (compressed) {
      const uint64_t n = std::min(count, avail);
      chunk = DecodeCharset(std::string_view(reinterpret_cast<const char*>(wordBytes.data() + start), n),
                            "CP1252")
                  .value_or(std::u16string());
      for (uint64_t k = 0; k < chunk.size() && k < n; ++k) story.Put(chunk[k], uint32_t(start + k));
    } else {
      const uint64_t n = std::min(count, avail / 2);
      for (uint64_t k = 0; k < n; ++k) story.Put(char16_t(word.U16(start + 2 * k)), uint32_t(start + 2 * k));
    }
  }
  return story.Take();
}

}  // namespace kws

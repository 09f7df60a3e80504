#include "xls/biff/escherpictures.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/textcodec.h"
#include "xls/biff/biffrecordview.h"
#include "xls/biff/xlsreadii.h"
#include "xls/biff/xlsstream.h"
#include "xls/crypto/md4hash.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

std::u16string UpperExt(const std::filesystem::path& fileName) {
  std::u16string e = kws::Utf8ToUtf16(fileName.extension().string());
  if (!e.empty() && e[0] == u'.') e.erase(0, 1);
  for (char16_t& c : e)
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
  return e;
}

bool SameTextIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = char16_t(x - 32);
    if (y >= u'a' && y <= u'z') y = char16_t(y - 32);
    if (x != y) return false;
  }
  return true;
}

// Offset of a DIB's pixels behind the 14-byte file header: header, colour masks, colour table.
uint32_t DibPixelOffset(std::span<const uint8_t> dib) {
  const TRecordView v(dib);
  const uint32_t headerSize = v.U32(0);
  uint64_t table = 0;
  if (headerSize == 12) {  // BITMAPCOREHEADER: 3-byte colour entries
    const uint16_t bits = v.U16(10);
    table = bits <= 8 ? (uint64_t(1) << bits) * 3 : 0;
  } else {
    const uint16_t bits = v.U16(14);
    const uint32_t compression = v.U32(16), used = v.U32(32);
    table = uint64_t(used ? used : (bits <= 8 ? uint32_t(1) << bits : 0)) * 4;
    if (headerSize == 40 && compression == 3) table += 12;  // BI_BITFIELDS masks
    if (headerSize == 40 && compression == 6) table += 16;  // BI_ALPHABITFIELDS masks
  }
  const uint64_t offset = 14 + uint64_t(headerSize) + table;
  return uint32_t(std::min<uint64_t>(offset, 14 + uint64_t(dib.size())));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
void TDGG::LoadFromBuffer(std::span<const uint8_t> body) {
  const TRecordView v(body);
  if (body.size() < 16) throw XLSRWException("DGG record too short");
  FMaxSpId = v.U32(0);
  const uint32_t cidcl = v.U32(4);
  FSavedShapes = v.U32(8);
  FSavedDrawings = v.U32(12);
  const size_t n = v.Bound(cidcl == 0 ? 0 : size_t(cidcl) - 1, 16, 8);
  for (size_t i = 0; i < n; ++i) {
    auto d = std::make_unique<TDGGData>();
    d->FFIDCL.DgId = v.U32(16 + 8 * i);
    d->FFIDCL.SpIdUsed = v.U32(20 + 8 * i);
    FItems.push_back(std::move(d));
  }
}

// ---------------------------------------------------------------------------------------------
TMSOPicture::TMSOPicture(TEscherGroup* owner) : FOwner(owner) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Picture %d", owner ? int(owner->Count()) + 1 : 1);
  FName = kws::Utf8ToUtf16(buf);
}

void TMSOPicture::ComputeHash() {
  TMD4Hash md4;
  md4.Init();
  md4.Update(FPicture);
  md4.Final(FHash);
}

void TMSOPicture::Inflate(std::span<const uint8_t> stored, uint32_t declared) {
  if (uint64_t(declared) > MSO_MAX_INFLATE_RATIO * std::max<uint64_t>(stored.size(), 1))
    throw XLSRWException("Picture declares more bytes than its data can inflate to");
  uint64_t alone = 0;
  uint64_t& total = FOwner ? FOwner->FInflated : alone;
  if (total + declared > MSO_MAX_INFLATE_TOTAL)
    throw XLSRWException("Pictures of the workbook inflate to more than 256 MiB");
  std::vector<uint8_t> out(declared);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw XLSRWException("ZLib decompress error");
  z.next_in = const_cast<Bytef*>(stored.data());
  z.avail_in = uInt(stored.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  int rc = inflate(&z, Z_FINISH);
  if (rc == Z_BUF_ERROR && z.avail_out == 0) {
    // Output full: the stream must end here, else it inflates beyond its declared size.
    uint8_t probe;
    z.next_out = &probe;
    z.avail_out = 1;
    rc = inflate(&z, Z_FINISH);
    if (rc != Z_STREAM_END) {
      inflateEnd(&z);
      throw XLSRWException("Picture inflates to more than its declared size");
    }
  }
  const size_t produced = out.size() - (rc == Z_STREAM_END ? z.avail_out : out.size());
  inflateEnd(&z);
  if (rc != Z_STREAM_END) throw XLSRWException("ZLib decompress error");
  out.resize(produced);
  total += produced;
  FPicture = std::move(out);
}

bool TMSOPicture::ReadBSE(const TMSOHeader& header, std::span<const uint8_t> body) {
  if (header.FBT != MSO_BSE) throw XLSRWException("Expected record missing: BSE");
  TMSOCursor c(body);
  const TRecordView fixed(c.Take(36));
  const uint8_t btWin32 = fixed.U8(0);
  const uint32_t size = fixed.U32(20);
  const uint32_t cRef = fixed.U32(24);
  const uint8_t cbName = fixed.U8(33);
  if (cbName > 0) {
    const TRecordView name(c.Take(std::min<size_t>(cbName, c.Remaining())));
    FBlipName.clear();
    for (size_t i = 0; i + 1 < name.Size(); i += 2) FBlipName.push_back(char16_t(name.U16(i)));
    while (!FBlipName.empty() && FBlipName.back() == 0) FBlipName.pop_back();
  }
  FPictType = btWin32;
  FRefCount = int32_t(cRef);
  if (int32_t(cRef) <= 0 || (btWin32 == 0 && header.Length == 36)) return false;
  if (c.Remaining() < 8) throw XLSRWException("Expected record missing: BLIP");
  const TMSOHeader blip = c.Header();
  if (blip.FBT < MSO_BLIPFIRST || blip.FBT > MSO_BLIPLAST) throw XLSRWException("Expected record missing: BLIP");
  if (uint64_t(size) != uint64_t(blip.Length) + 8) throw XLSRWException("Blip size in BSE don't match actually blip");
  TMSOCursor b(c.Take(blip.Length, "Blip size in BSE don't match actually blip"));
  // One 16-byte id, two when the instance is odd.
  b.Take((blip.Instance() & 1) ? 32 : 16);
  if (btWin32 == msoblipEMF || btWin32 == msoblipWMF || btWin32 == msoblipPICT) {
    const TRecordView mh(b.Take(34));
    const uint32_t cbSize = mh.U32(0);
    BoundsLeft = mh.I32(4);
    BoundsTop = mh.I32(8);
    BoundsRight = mh.I32(12);
    BoundsBottom = mh.I32(16);
    SizeX = mh.I32(20);
    SizeY = mh.I32(24);
    const uint32_t cbSave = mh.U32(28);
    const auto stored = b.Take(std::min<size_t>(cbSave, b.Remaining()));
    if (mh.U8(32) == 0)
      Inflate(stored, cbSize);
    else
      FPicture.assign(stored.begin(), stored.end());
  } else {
    b.Take(1);  // tag
    const auto data = b.Take(b.Remaining());
    FPicture.assign(data.begin(), data.end());
  }
  ComputeHash();
  return btWin32 != 0;
}

void TMSOPicture::SaveToStream(std::vector<uint8_t>& out) const {
  if (FPictType == msoblipDIB) {
    out.push_back('B');
    out.push_back('M');
    Put32(out, uint32_t(FPicture.size() + 14));
    Put32(out, 0);
    Put32(out, DibPixelOffset(FPicture));
  }
  out.insert(out.end(), FPicture.begin(), FPicture.end());
}

void TMSOPicture::LoadFromFile(const std::filesystem::path& fileName) {
  const uint8_t kind = PictureTypeFromFileExt(fileName);
  std::ifstream f(fileName, std::ios::binary);
  if (!f) throw XLSRWException("Can not open file " + fileName.string());
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  LoadFromStream(data, kws::Utf8ToUtf16(fileName.string()), kind);
}

void TMSOPicture::LoadFromStream(std::span<const uint8_t> data, std::u16string_view name, uint8_t kind) {
  if (UpperExt(std::filesystem::path(kws::Utf16ToUtf8(name))) == u"BMP" && data.size() > 32767)
    throw XLSRWException("Bitmap (BMP) pictures can be max 32767 bytes in size");
  FBlipName = std::u16string(name);
  FPictType = kind;
  FRefCount = 0;
  const TRecordView v(data);
  size_t skip = 0;
  if (kind == msoblipWMF && v.U32(0) == 0x9AC6CDD7) skip = 22;  // placeable header
  if (kind == msoblipDIB && v.U8(0) == 'B' && v.U8(1) == 'M') skip = 14;  // file header
  skip = std::min(skip, data.size());
  FPicture.assign(data.begin() + std::ptrdiff_t(skip), data.end());
  ComputeHash();
}

void TMSOPicture::SetFilename(const std::filesystem::path& fileName) {
  const std::u16string name = kws::Utf8ToUtf16(fileName.string());
  if (FOwner)
    for (size_t i = 0; i < FOwner->Count(); ++i)
      if (SameTextIgnoringCase(FOwner->GetMSOPicture(i)->FBlipName, name))
        throw XLSRWException("A picture with this name already exists.");
  if (SameTextIgnoringCase(FBlipName, name)) throw XLSRWException("A picture with this name already exists.");
  LoadFromFile(fileName);
}

uint8_t PictureTypeFromFileExt(const std::filesystem::path& fileName) {
  const std::u16string e = UpperExt(fileName);
  if (e == u"WMF") return msoblipWMF;
  if (e == u"EMF") return msoblipEMF;
  if (e == u"PICT") return msoblipPICT;
  if (e == u"JPG" || e == u"JPEG") return msoblipJPEG;
  if (e == u"PNG") return msoblipPNG;
  if (e == u"BMP") return msoblipDIB;
  throw XLSRWException(u"Unknown picture type " + e);
}

bool MetafilePixelSize(const TMSOPicture& picture, int32_t& width, int32_t& height) {
  constexpr int64_t EmuPerPixel = 9525;  // 914400 EMU per inch, 96 pixels per inch
  if (picture.SizeX > 0 && picture.SizeY > 0) {
    width = int32_t((int64_t(picture.SizeX) + EmuPerPixel / 2) / EmuPerPixel);
    height = int32_t((int64_t(picture.SizeY) + EmuPerPixel / 2) / EmuPerPixel);
    if (width > 0 && height > 0) return true;
  }
  const int64_t w = int64_t(picture.BoundsRight) - picture.BoundsLeft;
  const int64_t h = int64_t(picture.BoundsBottom) - picture.BoundsTop;
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return false;
  width = int32_t(w);
  height = int32_t(h);
  return true;
}

// ---------------------------------------------------------------------------------------------
TEscherGroup::TEscherGroup() = default;
TEscherGroup::~TEscherGroup() = default;

void TEscherGroup::Clear() {
  FDGG.Clear();
  FOPT.Clear();
  FSplitMenuColors.clear();
  FColorMRU.clear();
  FUnknown.Clear();
  FPictures.clear();
  FCurrSpIdBlock = 0;
  FInflated = 0;
}

void TEscherGroup::LoadFromStream(TXLSStream& stream) {
  // The group's bytes: this record's body and the bodies of the records that continue it.
  std::vector<uint8_t> data(stream.RecordRemaining());
  data.resize(stream.Read(data.data(), data.size()));
  for (uint16_t next = stream.PeekHeader(); next == BIFFID_CONTINUE || next == BIFFID_MSODRAWINGGROUP;
       next = stream.PeekHeader()) {
    TBIFFHeader h;
    if (stream.ReadHeader(h) < 4) break;
    const size_t at = data.size();
    data.resize(at + h.Length);
    data.resize(at + stream.Read(data.data() + at, h.Length));
  }
  LoadFromBuffer(data);
}

void TEscherGroup::LoadFromBuffer(std::span<const uint8_t> data) {
  TMSOCursor root(data);
  const TMSOHeader h = root.Header("Expected record missing: DGGContainer");
  if (h.FBT != MSO_DGGCONTAINER) throw XLSRWException("Expected record missing: DGGContainer");
  const bool cut = h.Length > root.Remaining();
  TMSOCursor c(root.Take(std::min<size_t>(h.Length, root.Remaining())));
  while (c.Remaining() > 0) {
    const TMSOHeader r = c.Header("MSOHeader split in MSODRAWINGGROUP");
    const auto body = c.Take(r.Length, "Error while reading MSODRAWINGGROUP. Length < 0");
    switch (r.FBT) {
      case MSO_BSTORECONTAINER:
        ReadBStore(body);
        break;
      case MSO_DGG:
        FDGG.Clear();
        FDGG.LoadFromBuffer(body);
        FCurrSpIdBlock = FDGG.FMaxSpId & ~uint32_t(0x3FF);
        break;
      case MSO_OPT:
        FOPT.LoadFromBuffer(body, r.Instance());
        break;
      case MSO_CLSID:
        throw XLSRWException("CLSID in MSODRAWINGGROUP");
      case MSO_COLORMRUCONTAINER:
      case MSO_SPLITMENUCOLORCONTAINER: {
        std::vector<uint32_t>& colors = r.FBT == MSO_COLORMRUCONTAINER ? FColorMRU : FSplitMenuColors;
        const TRecordView v(body);
        const size_t n = v.Bound(r.Instance(), 0, 4);
        colors.clear();
        for (size_t i = 0; i < n; ++i) colors.push_back(v.U32(4 * i));
        break;
      }
      default:
        FUnknown.Add(r, body);
        break;
    }
  }
  if (cut) throw XLSRWException("Error while reading MSODRAWINGGROUP. Length < 0");
}

void TEscherGroup::ReadBStore(std::span<const uint8_t> body) {
  TMSOCursor c(body);
  int32_t n = 0;  // position of the entry in the file's store
  while (c.Remaining() > 0) {
    const TMSOHeader h = c.Header("MSOHeader split in MSODRAWINGGROUP");
    const auto entry = c.Take(h.Length, "Error while reading MSODRAWINGGROUP. Length < 0");
    if (h.FBT != MSO_BSE) continue;  // a picture record outside an entry, or other data
    auto picture = std::make_unique<TMSOPicture>(this);
    bool stored = false;
    try {
      stored = picture->ReadBSE(h, entry);
    } catch (const XLSRWException& e) {
      char head[48];
      std::snprintf(head, sizeof head, "Picture %d of the drawing group dropped: ", int(n + 1));
      Warn(kws::Utf8ToUtf16(head) + e.Message());
    }
    if (stored) {
      picture->SetFileBlipId(n);
      FPictures.push_back(std::move(picture));
    }
    ++n;
  }
}

// ---------------------------------------------------------------------------------------------
void TEscherGroup::AddFileDrawing(TEscherDrawing* drawing, uint32_t dgId, uint32_t shapeCount) {
  for (auto& d : FDGG.FItems)
    if (d->FFIDCL.DgId == dgId) {
      d->FDrawing = drawing;
      d->FNewDrawing = false;
      return;
    }
  auto d = std::make_unique<TDGGData>();
  d->FFIDCL.DgId = dgId;
  d->FFIDCL.SpIdUsed = shapeCount;
  d->FDrawing = drawing;
  FDGG.FItems.push_back(std::move(d));
  if (FDGG.FSavedDrawings < FDGG.FItems.size()) FDGG.FSavedDrawings = uint32_t(FDGG.FItems.size());
}

void TEscherGroup::UpdateFIDCL(uint32_t dgId) {
  for (auto& d : FDGG.FItems)
    if (d->FFIDCL.DgId == dgId) {
      d->FNewDrawing = true;
      return;
    }
  throw XLSRWException("Can not update FIDCL for DgId #" + std::to_string(dgId));
}

void TEscherGroup::DeleteFIDCL(uint32_t dgId) {
  if (FDGG.FItems.empty()) return;
  for (auto it = FDGG.FItems.begin(); it != FDGG.FItems.end(); ++it)
    if ((*it)->FFIDCL.DgId == dgId) {
      FDGG.FItems.erase(it);
      if (FDGG.FSavedDrawings > 0) --FDGG.FSavedDrawings;
      return;
    }
  throw XLSRWException("Can not delete FIDCL for DgId #" + std::to_string(dgId));
}

uint32_t TEscherGroup::NextSpIdBlock() {
  FCurrSpIdBlock += 1024;
  return FCurrSpIdBlock;
}

void TEscherGroup::AddDrawing(TEscherDrawing* drawing, uint32_t& dgId, uint32_t& spIdBlock) {
  if (FDGG.FItems.empty()) {
    FOPT.Clear();
    FOPT.AddValue(0x00BF, 0x00080008);
    FOPT.AddValue(0x0181, 0x08000041);
    FOPT.AddValue(0x01C0, 0x08000040);
    FOPT.SetItemCount();
    FSplitMenuColors = {0x0800000D, 0x0800000C, 0x08000017, 0x100000F7};
    FDGG.FSavedShapes = 1;
  }
  auto d = std::make_unique<TDGGData>();
  d->FNewDrawing = true;
  d->FFIDCL.DgId = uint32_t(FDGG.FItems.size()) + 1;
  d->FDrawing = drawing;
  dgId = d->FFIDCL.DgId;
  FDGG.FItems.push_back(std::move(d));
  spIdBlock = NextSpIdBlock();
  ++FDGG.FSavedDrawings;
}

// ---------------------------------------------------------------------------------------------
TMSOPicture* TMSOPictures::Add() {
  auto p = std::make_unique<TMSOPicture>(this);
  p->SetFileBlipId(int32_t(FPictures.size()) + 1);
  FPictures.push_back(std::move(p));
  return FPictures.back().get();
}

void TMSOPictures::GetBlipIds(std::vector<int32_t>& list) const {
  for (const auto& p : FPictures) list.push_back(p->FileBlipId());
}

}  // namespace xls::biff

// The drawing group of a legacy workbook and its picture store: `TEscherGroup` reads the
// OfficeArtDggContainer that the MSODRAWINGGROUP record and its CONTINUE records hold (DGG
// shape-id bookkeeping, default properties, colour lists, the picture store), `TMSOPictures`
// adds the store operations and `TMSOPicture` is one stored picture.
//
// Format facts (MS-ODRAW 2.2.12 to 2.2.32, 2.2.46 to 2.2.55):
// - DGG (0xF006): spidMax, cidcl (clusters + 1), cspSaved, cdgSaved (32-bit each), then 8-byte
//   clusters (drawing id, shapes used).
// - A store entry (FBSE, 0xF007) has a 36-byte fixed part (btWin32, btMacOS, rgbUid[16], tag,
//   size, cRef, foDelay, unused, cbName, unused x2), an optional UTF-16 name and, embedded, the
//   picture record (0xF018-0xF117). A picture record holds one 16-byte id, or two when its
//   instance is odd (0x3D5 EMF, 0x217 WMF, 0x543 PICT, 0x46B/0x6E3 JPEG, 0x6E1 PNG, 0x7A9 DIB).
//   Metafiles (EMF, WMF, PICT) then have a 34-byte header (cbSize, rcBounds, ptSize, cbSave,
//   compression 0 deflate / 0xFE none, filter) and cbSave bytes; bitmaps a 1-byte tag and the
//   file's bytes (a DIB without its 14-byte file header, a WMF without its placeable header).
//
// Design: the group is taken whole from its records first (record lengths only, bodies
// decrypted as usual) and read from memory, so a damaged group can never move the record loop:
// an error keeps the pictures read so far. Every store entry and picture is consumed by its own
// length. A metafile inflates to at most its declared size, which may be at most 1032 times the
// stored size (deflate's limit), and one store inflates at most 256 MiB in all; a picture that
// breaks a limit or does not inflate is dropped with a warning and keeps its store position, so
// references of shapes to later pictures still resolve.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff/escherrecords.h"

namespace xls::biff {

class TXLSStream;
class TEscherDrawing;
class TMSOPictures;
class TEscherGroup;

// Picture kinds of a store entry (btWin32); other byte values are kept as read.
enum TMSOBlipType : uint8_t {
  msoblipERROR = 0,
  msoblipUNKNOWN = 1,
  msoblipEMF = 2,
  msoblipWMF = 3,
  msoblipPICT = 4,
  msoblipJPEG = 5,
  msoblipPNG = 6,
  msoblipDIB = 7
};

// Limits of one picture store's inflation.
inline constexpr uint64_t MSO_MAX_INFLATE_RATIO = 1032;
inline constexpr uint64_t MSO_MAX_INFLATE_TOTAL = uint64_t(256) << 20;

struct TDGGRecFIDCL {
  uint32_t DgId = 0;
  uint32_t SpIdUsed = 0;
};

struct TDGGData {
  TDGGRecFIDCL FFIDCL;
  TEscherDrawing* FDrawing = nullptr;  // the sheet drawing bound to the cluster
  bool FNewDrawing = false;
};

// Shape-id bookkeeping of all drawings of the workbook.
class TDGG {
 public:
  uint32_t FMaxSpId = 0, FSavedShapes = 0, FSavedDrawings = 0;
  std::vector<std::unique_ptr<TDGGData>> FItems;
  void Clear() {
    FItems.clear();
    FMaxSpId = FSavedShapes = FSavedDrawings = 0;
  }
  // A DGG body: the four values and the clusters it holds (cidcl - 1, cut to the body).
  void LoadFromBuffer(std::span<const uint8_t> body);
};

class TMSOPicture {
 public:
  explicit TMSOPicture(TEscherGroup* owner);
  std::span<const uint8_t> PictureBuf() const { return FPicture; }
  size_t PictureSize() const { return FPicture.size(); }
  uint8_t PictType() const { return FPictType; }
  int32_t RefCount() const { return FRefCount; }
  const std::u16string& Filename() const { return FBlipName; }
  const std::array<uint8_t, 16>& Hash() const { return FHash; }
  int32_t FileBlipId() const { return FFileBlipId; }
  void SetFileBlipId(int32_t v) { FFileBlipId = v; }
  const std::u16string& Name() const { return FName; }
  // The metafile header's bounds and size (metafiles only; 0 otherwise).
  int32_t BoundsLeft = 0, BoundsTop = 0, BoundsRight = 0, BoundsBottom = 0;
  int32_t SizeX = 0, SizeY = 0;

  // One store entry (FBSE record body). False when the entry gives no picture. A metafile that
  // cannot be inflated within the limits raises XLSRWException.
  bool ReadBSE(const TMSOHeader& header, std::span<const uint8_t> body);
  // The picture as a file: a DIB gets its 14-byte file header first.
  void SaveToStream(std::vector<uint8_t>& out) const;
  // Fills the picture from an image file (kind from the extension).
  void LoadFromFile(const std::filesystem::path& fileName);
  void LoadFromStream(std::span<const uint8_t> data, std::u16string_view name, uint8_t kind);
  // Raises "A picture with this name already exists." when a picture of the store has that name.
  void SetFilename(const std::filesystem::path& fileName);

 private:
  void ComputeHash();
  // Inflates a deflated metafile of `declared` bytes within the store's limits.
  void Inflate(std::span<const uint8_t> stored, uint32_t declared);
  TEscherGroup* FOwner;
  std::vector<uint8_t> FPicture;
  uint8_t FPictType = msoblipERROR;
  int32_t FRefCount = 0;
  std::u16string FBlipName;
  std::array<uint8_t, 16> FHash{};
  int32_t FFileBlipId = 0;
  std::u16string FName;
};

// The drawing group.
class TEscherGroup {
 public:
  TEscherGroup();
  virtual ~TEscherGroup();
  TEscherGroup(const TEscherGroup&) = delete;
  TEscherGroup& operator=(const TEscherGroup&) = delete;

  // Reads the group of the current MSODRAWINGGROUP record (its header read, its body not) and
  // the CONTINUE and MSODRAWINGGROUP records that follow it; leaves the stream after them. An
  // error inside the group keeps what was read before it and is raised once the group's records
  // are passed.
  void LoadFromStream(TXLSStream& stream);
  // The group's bytes (the OfficeArtDggContainer). Raises XLSRWException on the first fault;
  // pictures read before it stay.
  void LoadFromBuffer(std::span<const uint8_t> data);
  virtual void Clear();

  size_t Count() const { return FPictures.size(); }
  TMSOPicture* GetMSOPicture(size_t index) const { return FPictures.at(index).get(); }

  // DGG cluster operations of the sheet drawings.
  // A drawing read from the file binds itself to its cluster (made when absent).
  void AddFileDrawing(TEscherDrawing* drawing, uint32_t dgId, uint32_t shapeCount);
  void UpdateFIDCL(uint32_t dgId);
  void DeleteFIDCL(uint32_t dgId);
  void AddDrawing(TEscherDrawing* drawing, uint32_t& dgId, uint32_t& spIdBlock);
  uint32_t NextSpIdBlock();

  // Warnings of a read (a picture dropped); the reader object reports them.
  std::function<void(std::u16string_view)> FOnWarning;

  TDGG FDGG;
  TOPT FOPT;
  std::vector<uint32_t> FSplitMenuColors;
  std::vector<uint32_t> FColorMRU;
  TMSORecords FUnknown;
  uint32_t FCurrSpIdBlock = 0;
  // Bytes inflated by this store so far.
  uint64_t FInflated = 0;

 protected:
  void ReadBStore(std::span<const uint8_t> body);
  void Warn(std::u16string_view text) const {
    if (FOnWarning) FOnWarning(text);
  }
  std::vector<std::unique_ptr<TMSOPicture>> FPictures;
  friend class TMSOPicture;
};

class TMSOPictures : public TEscherGroup {
 public:
  // A new picture owned by the store (FileBlipId := count + 1).
  TMSOPicture* Add();
  // Every picture's FileBlipId in store order.
  void GetBlipIds(std::vector<int32_t>& list) const;
};

// The kind of a picture file by its extension; raises "Unknown picture type " and the extension.
uint8_t PictureTypeFromFileExt(const std::filesystem::path& fileName);

// Width and height in pixels (96 per inch) of a stored metafile: from the header's size in EMU,
// else from its bounds; false when neither gives a size.
bool MetafilePixelSize(const TMSOPicture& picture, int32_t& width, int32_t& height);

}  // namespace xls::biff

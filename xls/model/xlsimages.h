// The workbook's pictures: each kept once, as the picture file's bytes with its type, its
// identifiers in the package and its size in pixels, in the image list of the graphic manager.
//
// Sizes are read from the picture data itself: JPEG by scanning the segments for the first
// frame header (SOF0..SOF3: height then width, big-endian 16-bit, after length and precision);
// PNG from the IHDR chunk (big-endian 32-bit width at byte 16 and height at byte 20, after the
// 8-byte signature and the chunk's length and type). Metafiles (EMF/WMF) need a reader of their
// own and give no size here.
// Design choice: every probe checks that the bytes it reads are present, so a cut or forged
// picture gives "no size" instead of reading past its end.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xls/model/xlselementbudget.h"
#include "xls/model/xlsutils.h"

namespace xls {

class TXLSErrorManager;
class TXLSRelCells;
class TOPC_XLSX;

enum class TXc12ImageType : uint8_t { x12itJPEG, x12itPNG, x12itEMF, x12itWMF, x12itGIF, x12itUnknown };

class TXc12GraphicImage : public TIndexObject {
 public:
  // The written extension of the type ("jpeg", "png", "emf", "wmf", "GIF", "???").
  std::u16string TypeExt() const;
  // "Image%.3d.%s" with the 1-based position and TypeExt (Image001.png).
  std::u16string UniqueName() const;

  std::u16string FDrawingRId, FRId;
  // One per drawing that names the picture: a picture part named by several drawings is held once.
  int32_t FRefCount = 1;
  // The identifiers (as FDrawingRId, FRId) under which the other drawings name the picture.
  std::vector<std::pair<std::u16string, std::u16string>> FMoreRIds;
  // Another drawing names the picture: one use more, found by FindByRId under these identifiers.
  void AddUse(std::u16string_view drawingRId, std::u16string_view rId) {
    ++FRefCount;
    FMoreRIds.emplace_back(drawingRId, rId);
  }
  TXc12ImageType FImageType = TXc12ImageType::x12itUnknown;
  std::vector<uint8_t> FImage;
  std::u16string FFileId, FDescr;
  bool FWritten = false;
  int32_t FWidth = 0, FHeight = 0;
};

class TXc12GraphicImages : public TIndexObjectList {
 public:
  explicit TXc12GraphicImages(TXLSErrorManager* errors) : FErrors(errors) {}
  // The reader's add: bytes and identifiers as given, type from the extension, no size read.
  TXc12GraphicImage* Xc12_Add(std::span<const uint8_t> data, std::u16string_view imageExt, std::u16string_view fileId,
                              std::u16string_view drawingRId, std::u16string_view rId);
  // A new image with a free file id "Image<n>.<ext>"; raises "Unknown image type" for GIF and unknown.
  TXc12GraphicImage* Add(std::span<const uint8_t> data, TXc12ImageType type);
  // A picture named fileName (type from its extension): the image already loaded under that
  // name, or a new one when its size can be read; warnings 3006/3008 otherwise (nullptr).
  TXc12GraphicImage* LoadFromStream(std::span<const uint8_t> data, std::u16string_view fileName);
  // The image a drawing names by these identifiers (its own or those of a further use).
  TXc12GraphicImage* FindByRId(std::u16string_view drawingId, std::u16string_view id) const;
  TXc12GraphicImage* FindByFileId(std::u16string_view id) const;
  TXc12GraphicImage* FindByDescr(std::u16string_view descr) const;
  TXc12GraphicImage* Items(size_t index) const { return static_cast<TXc12GraphicImage*>(TIndexObjectList::Items(index)); }
  // The picture at a 1-based id from a file; nullptr when the id is outside the list.
  TXc12GraphicImage* ByPictureId(int64_t id) const;

  static TXc12ImageType TypeFromExt(std::u16string_view ext);
  static std::u16string ExtFromType(TXc12ImageType type);

 private:
  TXLSErrorManager* FErrors;
};

// Width and height of a picture from its bytes; false when they cannot be read.
bool GetImageSize(std::span<const uint8_t> data, TXc12ImageType type, int32_t& width, int32_t& height);

class TXc12GraphicManager {
 public:
  explicit TXc12GraphicManager(TXLSErrorManager* errors) : FErrors(errors), FImages(errors) {}
  virtual ~TXc12GraphicManager() = default;
  // A new load: no images, nothing of the drawing budget used.
  void Clear() {
    FImages.Clear();
    FDrawingBudget.Reset();
  }
  TXc12GraphicImages& Images() { return FImages; }
  // The element objects of the load's drawing, chart and user-shape documents count against it.
  TXpgElementBudget& DrawingBudget() { return FDrawingBudget; }
  // The package being read (set by the package reader before it hands a drawing part over).
  TOPC_XLSX* FXLSOPC = nullptr;
  // A relative cell range for the reference text (chart data); the base makes none.
  virtual TXLSRelCells* CreateRelativeCells(std::u16string_view ref) {
    (void)ref;
    return nullptr;
  }
  // The caller is about to free a range it made: it leaves the list of ranges to bind.
  virtual void ReleaseRelativeCells(TXLSRelCells* cells) { (void)cells; }

 protected:
  TXLSErrorManager* FErrors;
  TXc12GraphicImages FImages;
  TXpgElementBudget FDrawingBudget;
};

}  // namespace xls

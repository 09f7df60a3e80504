#include "xls/model/xlsimages.h"

#include <cstdio>

#include "xls/model/xlserrors.h"

namespace xls {

void TXpgElementBudget::Exceeded() const { throw XLSRWException(FWhat); }

namespace {
constexpr std::u16string_view kTypeExt[] = {u"jpeg", u"png", u"emf", u"wmf", u"GIF", u"???"};

uint32_t BE16(std::span<const uint8_t> d, size_t p) { return uint32_t(d[p] << 8 | d[p + 1]); }
uint32_t BE32(std::span<const uint8_t> d, size_t p) {
  return uint32_t(d[p]) << 24 | uint32_t(d[p + 1]) << 16 | uint32_t(d[p + 2]) << 8 | uint32_t(d[p + 3]);
}

std::u16string Ascii(const char* s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }

bool JpegSize(std::span<const uint8_t> d, int32_t& w, int32_t& h) {
  if (d.size() <= 8 || d[0] != 0xFF || d[1] != 0xD8) return false;
  // The scan stops 8 bytes before the end, as a frame header never sits in the last bytes.
  const size_t limit = d.size() - 8;
  size_t p = 2;
  // Each step reads a marker prefix FF and a code; segments with a length are skipped whole.
  while (p < limit) {
    if (d[p] != 0xFF) return false;
    const uint8_t m = d[p + 1];
    p += 2;
    if (m == 0xFF) {
      --p;  // fill byte: the next FF is the prefix
      continue;
    }
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD9)) continue;
    if (p + 2 > d.size()) return false;
    const uint32_t len = BE16(d, p);
    if (m >= 0xC0 && m <= 0xC3) {
      if (len < 7 || p + 7 > d.size()) return false;
      h = int32_t(BE16(d, p + 3));
      w = int32_t(BE16(d, p + 5));
      return true;
    }
    if (len < 2) return false;
    p += len;
  }
  return false;
}

bool PngSize(std::span<const uint8_t> d, int32_t& w, int32_t& h) {
  static constexpr uint8_t kSig[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  if (d.size() < 24 || !std::equal(kSig, kSig + 8, d.begin())) return false;
  const uint32_t pw = BE32(d, 16), ph = BE32(d, 20);
  if (pw > 0x7FFFFFFF || ph > 0x7FFFFFFF) return false;
  w = int32_t(pw);
  h = int32_t(ph);
  return true;
}

std::u16string LowerAscii(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return r;
}
}  // namespace

bool GetImageSize(std::span<const uint8_t> data, TXc12ImageType type, int32_t& width, int32_t& height) {
  switch (type) {
    case TXc12ImageType::x12itJPEG: return JpegSize(data, width, height);
    case TXc12ImageType::x12itPNG: return PngSize(data, width, height);
    default: return false;
  }
}

std::u16string TXc12GraphicImage::TypeExt() const { return std::u16string(kTypeExt[static_cast<size_t>(FImageType)]); }

std::u16string TXc12GraphicImage::UniqueName() const {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Image%.3d.", Index() + 1);
  return Ascii(buf) + TypeExt();
}

TXc12ImageType TXc12GraphicImages::TypeFromExt(std::u16string_view ext) {
  const size_t dot = ext.rfind(u'.');
  const std::u16string e = LowerAscii(dot == std::u16string_view::npos ? ext : ext.substr(dot + 1));
  if (e == u"jpg" || e == u"jpeg") return TXc12ImageType::x12itJPEG;
  if (e == u"png") return TXc12ImageType::x12itPNG;
  if (e == u"emf") return TXc12ImageType::x12itEMF;
  if (e == u"wmf") return TXc12ImageType::x12itWMF;
  if (e == u"gif") return TXc12ImageType::x12itGIF;
  return TXc12ImageType::x12itUnknown;
}

std::u16string TXc12GraphicImages::ExtFromType(TXc12ImageType type) {
  if (type == TXc12ImageType::x12itGIF || type == TXc12ImageType::x12itUnknown) throw XLSRWException("Unknown image type");
  return std::u16string(kTypeExt[static_cast<size_t>(type)]);
}

TXc12GraphicImage* TXc12GraphicImages::Xc12_Add(std::span<const uint8_t> data, std::u16string_view imageExt,
                                                std::u16string_view fileId, std::u16string_view drawingRId,
                                                std::u16string_view rId) {
  auto img = std::make_unique<TXc12GraphicImage>();
  img->FImage.assign(data.begin(), data.end());
  img->FFileId = fileId;
  img->FDrawingRId = drawingRId;
  img->FRId = rId;
  img->FImageType = TypeFromExt(imageExt);
  return static_cast<TXc12GraphicImage*>(TIndexObjectList::Add(std::move(img)));
}

TXc12GraphicImage* TXc12GraphicImages::Add(std::span<const uint8_t> data, TXc12ImageType type) {
  const std::u16string ext = ExtFromType(type);
  std::u16string id;
  for (size_t n = Count() + 1;; ++n) {
    id = Ascii(("Image" + std::to_string(n) + ".").c_str()) + ext;
    if (!FindByFileId(id)) break;
  }
  auto img = std::make_unique<TXc12GraphicImage>();
  img->FImage.assign(data.begin(), data.end());
  img->FImageType = type;
  img->FFileId = id;
  return static_cast<TXc12GraphicImage*>(TIndexObjectList::Add(std::move(img)));
}

TXc12GraphicImage* TXc12GraphicImages::LoadFromStream(std::span<const uint8_t> data, std::u16string_view fileName) {
  const TXc12ImageType t = TypeFromExt(fileName);
  if (t == TXc12ImageType::x12itUnknown) {
    if (FErrors) FErrors->Warning(fileName, XLSERR_UNKNOWN_IMAGE_TYPE);
    return nullptr;
  }
  if (TXc12GraphicImage* img = FindByDescr(fileName)) {
    if (img->FWidth <= 0 || img->FHeight <= 0) {
      int32_t w = 0, h = 0;
      if (GetImageSize(img->FImage, img->FImageType, w, h)) {
        img->FWidth = w;
        img->FHeight = h;
      } else if (FErrors) {
        FErrors->Warning(u"", XLSERR_IMAGE);
      }
    }
    return img;
  }
  int32_t w = 0, h = 0;
  if (!GetImageSize(data, t, w, h)) {
    if (FErrors) FErrors->Warning(u"", XLSERR_IMAGE);
    return nullptr;
  }
  TXc12GraphicImage* img = Add(data, t);
  img->FDescr = fileName;
  img->FWidth = w;
  img->FHeight = h;
  return img;
}

TXc12GraphicImage* TXc12GraphicImages::FindByRId(std::u16string_view drawingId, std::u16string_view id) const {
  for (size_t i = 0; i < Count(); ++i)
    if (Items(i)->FDrawingRId == drawingId && Items(i)->FRId == id) return Items(i);
  for (size_t i = 0; i < Count(); ++i)
    for (const auto& [d, r] : Items(i)->FMoreRIds)
      if (d == drawingId && r == id) return Items(i);
  return nullptr;
}

TXc12GraphicImage* TXc12GraphicImages::FindByFileId(std::u16string_view id) const {
  for (size_t i = 0; i < Count(); ++i)
    if (Items(i)->FFileId == id) return Items(i);
  return nullptr;
}

TXc12GraphicImage* TXc12GraphicImages::FindByDescr(std::u16string_view descr) const {
  const std::u16string key = LowerAscii(descr);
  for (size_t i = 0; i < Count(); ++i)
    if (LowerAscii(Items(i)->FDescr) == key) return Items(i);
  return nullptr;
}

TXc12GraphicImage* TXc12GraphicImages::ByPictureId(int64_t id) const {
  if (id < 1 || uint64_t(id) > Count()) return nullptr;
  return Items(size_t(id - 1));
}

}  // namespace xls

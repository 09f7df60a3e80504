// Compound files (MS-CFB): our reader in place of Windows structured storage.
//
// A compound file is a small file system inside one file: a 512-byte header,
// then sectors of 512 bytes (version 3) or 4096 bytes (version 4). The sector
// allocation table (FAT) chains sectors together; the FAT's own sectors are
// listed in the header and in a chain of DIFAT sectors. A directory of 128-byte
// entries (itself a FAT chain) names storages (folders) and streams (files);
// the children of a storage form a binary tree through their left/right sibling
// ids. Streams shorter than the mini-stream cutoff (4096 bytes) live in 64-byte
// mini sectors inside the root entry's own stream, chained by the mini FAT.
//
// What it offers: the compound-file test, opening from a file or from memory,
// opening a stream or sub-storage by name (absent is an answer, not an error;
// names compare without regard to the case of Latin letters), stream size, read
// and seek, the elements of a storage, and an in-memory copy of a storage that
// can be changed (elements added, replaced and removed at any depth) and saved
// as a compound file of its own.
//
// Design: the whole file is held in memory and every chain is resolved once,
// when its stream or table is opened, into a list of byte offsets. That is
// where every sector id is checked against the file and every chain is checked
// for loops (a visited set), so a read afterwards is plain copying and can
// neither loop nor leave the buffer. A chain that ends (ENDOFCHAIN) before its
// stream's declared size, or a file that ends early, shortens the stream:
// Size() is the number of bytes that can actually be read, so a caller that
// allocates Size() bytes is bounded by the file. A broken chain (an id out of
// range, a free or reserved id inside it, a loop) raises CfbError. Handles
// share the file image, so a stream stays readable after its storage is gone.
// The reader never changes the image and is safe to use from one thread per
// handle.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kws {

// A compound file that cannot be read: bad header, broken chain, broken
// directory.
class CfbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace detail {
class CfbImage;
}

enum class CfbElementType : uint8_t { Storage = 1, Stream = 2 };

using CfbClsid = std::array<uint8_t, 16>;

struct CfbElement {
  std::u16string name;
  CfbElementType type;
  uint64_t size;           // the stream's declared size (0 for a storage)
  CfbClsid clsid{};        // a storage's class id (zero for streams)
  uint32_t stateBits = 0;  // the user-defined flags of the entry
};

enum class CfbSeekOrigin { Begin = 0, Current = 1, End = 2 };

// An open stream: reads copy from the file image held in memory.
class CfbStream {
 public:
  // Readable bytes: the declared size, cut where the chain or the file ends.
  uint64_t Size() const { return size_; }
  uint64_t Position() const { return pos_; }
  const std::u16string& Name() const { return name_; }
  // Copies up to `count` bytes from the current position; fewer at the end of
  // the stream.
  size_t Read(void* buffer, size_t count);
  // Moves the position and returns it. The position may lie past the end (reads
  // then return 0); a position before the start raises CfbError and leaves the
  // position unchanged.
  uint64_t Seek(int64_t offset, CfbSeekOrigin origin);
  // The whole stream from its start; the position ends at the end.
  std::vector<uint8_t> ReadAll();
  // The stream's bytes in place, in order, as runs of sectors that follow one
  // another in the file (writers usually lay out a large stream in a few
  // runs); together exactly Size() bytes, no run empty. Valid while the
  // file's bytes are: the caller's bytes of a view, or this handle's image.
  std::vector<std::span<const uint8_t>> Runs() const;

 private:
  friend class CfbStorage;
  std::shared_ptr<const detail::CfbImage> image_;
  std::vector<uint64_t> units_;  // byte offset in the image of each sector of the stream
  uint32_t unitShift_ = 0;       // log2 of the sector size the stream is stored in
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
  std::u16string name_;
};

class CfbStorageCopy;

// A storage (the root or a sub-storage) of an open compound file.
class CfbStorage {
 public:
  // Streams and sub-storages by name; nothing when the storage has no element
  // of that name and kind. A stream whose chain is broken raises CfbError.
  std::optional<CfbStream> OpenStream(std::u16string_view name) const;
  std::optional<CfbStorage> OpenStorage(std::u16string_view name) const;
  // The direct elements, in the order of the directory tree (sorted as the
  // file's writer sorted).
  std::vector<CfbElement> Elements() const;
  const std::u16string& Name() const;
  // The class id and the state bits of this storage's own entry.
  CfbClsid Clsid() const;
  uint32_t StateBits() const;
  // 3 (512-byte sectors) or 4 (4096-byte sectors).
  int MajorVersion() const;
  // Copies every element below this storage into memory, except the direct
  // elements named in `skip`.
  CfbStorageCopy CopyToMemory(std::span<const std::u16string_view> skip = {}) const;

 private:
  friend CfbStorage OpenCompoundData(std::vector<uint8_t> bytes);
  friend CfbStorage OpenCompoundView(std::span<const uint8_t> bytes);
  CfbStorage(std::shared_ptr<const detail::CfbImage> image, uint32_t entry)
      : image_(std::move(image)), entry_(entry) {}
  std::optional<uint32_t> FindChild(std::u16string_view name, CfbElementType type) const;
  std::shared_ptr<const detail::CfbImage> image_;
  uint32_t entry_;
};

// An in-memory copy of a storage: names, class ids, state bits, stream bytes
// and sub-storages, detached from the file. Elements can be added, replaced and
// removed at any depth; Save writes the copy as a compound file whose root is
// the copied storage.
//
// Paths name an element below the copy's root with "/" between the names (a
// name never holds "/"); names compare as storage names do. A name has 1 to 31
// UTF-16 code units and none of "/", "\\", ":", "!"; anything else raises
// CfbError and changes nothing.
class CfbStorageCopy {
 public:
  struct Element {
    std::u16string name;
    CfbElementType type = CfbElementType::Stream;
    CfbClsid clsid{};
    uint32_t stateBits = 0;
    std::vector<uint8_t> data;                       // stream bytes
    std::vector<std::unique_ptr<Element>> children;  // sub-storage elements
  };

  const std::vector<std::unique_ptr<Element>>& Elements() const { return elements_; }
  // The element at a path; nullptr when there is none (or a storage on the way is a stream).
  const Element* Find(std::u16string_view path) const;
  Element* Find(std::u16string_view path);
  // Removes the element at a path (a storage with everything below it); false when there is none.
  bool Remove(std::u16string_view path);
  // The stream at a path gets these bytes: an element of that name (stream or storage) is
  // replaced; missing storages on the way are made. Returns the stream's element.
  Element& PutStream(std::u16string_view path, std::vector<uint8_t> data);
  // The storage at a path: an existing storage is kept as it is, a stream of that name is
  // replaced by an empty storage; missing storages on the way are made.
  Element& PutStorage(std::u16string_view path);
  // Puts a whole element (a stream, or a storage with its tree) under the storage at `parent`
  // ("" for the root), in place of any element of its name. Returns it.
  Element& PutElement(std::u16string_view parent, std::unique_ptr<Element> element);

  // The copied storage's own class id and state bits (the root entry's when saved).
  CfbClsid clsid{};
  uint32_t stateBits = 0;

  // Writes the copy as a version-3 compound file (512-byte sectors): streams under 4096 bytes
  // in the mini stream, the FAT with as many DIFAT sectors as it needs, the siblings of each
  // storage hung as a balanced red-black tree in the format's name order. Raises CfbError when
  // the file would pass kCompoundFileMaxSize.
  std::vector<uint8_t> Save() const;

 private:
  friend class CfbStorage;
  std::vector<std::unique_ptr<Element>>* ParentList(std::u16string_view path, bool make,
                                                    std::u16string_view& leaf);
  // The element at a path, made (as a stream) when missing, with the storages on the way.
  Element& Leaf(std::u16string_view path);
  std::vector<std::unique_ptr<Element>> elements_;
};

namespace detail {

// Where CfbStorageCopy's writer put the parts of a file: sector ids (the header is no sector)
// and the directory entry of each element, by its path below the root ("" for the root, "/"
// between names, names as the copy holds them).
struct CfbWriteLayout {
  uint32_t sectorSize = 512;
  std::vector<uint32_t> fatSectors;
  std::vector<uint32_t> difatSectors;
  std::vector<uint32_t> dirSectors;
  std::vector<uint32_t> miniFatSectors;
  std::vector<std::pair<std::u16string, uint32_t>> entries;
};

// Save()'s writer with the sector size of version 3 (512 bytes) or 4 (4096 bytes), telling
// where everything went when `layout` is given: the test writer lays out the files that the
// reader's tests damage on purpose.
std::vector<uint8_t> WriteCompound(const CfbStorageCopy& copy, int majorVersion, CfbWriteLayout* layout);

}  // namespace detail

// True when the bytes start with the compound-file signature D0 CF 11 E0 A1 B1
// 1A E1.
bool IsCompoundData(std::span<const uint8_t> bytes);
// The largest compound file read (version 3 sector ids reach 2 GB); a larger one raises
// "compound file: file too large" before its bytes are looked at.
inline constexpr uint64_t kCompoundFileMaxSize = uint64_t(2) << 30;
// True when the file exists, can be read and starts with the signature.
bool IsCompoundFile(const std::filesystem::path& file);

// Opens a compound file and returns its root storage. Raises CfbError when the
// file is not a readable compound file (or cannot be read at all).
CfbStorage OpenCompoundFile(const std::filesystem::path& file);
CfbStorage OpenCompoundData(std::vector<uint8_t> bytes);
// As OpenCompoundData, over bytes that the caller keeps alive and unchanged for
// as long as the storage or any stream of it is used.
CfbStorage OpenCompoundView(std::span<const uint8_t> bytes);

// Names compare as storage names do: without regard to the case of Latin
// letters (a-z and the Latin-1 letters).
bool CfbNamesEqual(std::u16string_view a, std::u16string_view b);
// The order the format keeps siblings in: shorter names first, then by code unit after the same
// case folding.
bool CfbNameLess(std::u16string_view a, std::u16string_view b);

}  // namespace kws

// The zip back-end interface of the package layer, with its two implementations: the engine's
// own archive (TXLSZipArchiveIntfXLS, the default) and libzip (TXLSZipArchiveIntfPlatform, chosen
// by the component's UseAlternateZip). Both give the same messages for the same faults, find
// names without regard to ASCII letter case, stop every entry at its declared size and cap what
// one entry may produce.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/package/xlsstream.h"
#include "xls/package/xlszip.h"

namespace xls {

class TXLSZipArchiveIntf {
 public:
  virtual ~TXLSZipArchiveIntf();

  virtual int Count() = 0;
  // Opens the archive in `stream`, which must outlive the back-end's use of it.
  virtual void LoadFromStream(TXLSStream& stream) = 0;
  // Index of the entry with that name (ASCII letters compared without case), or -1.
  virtual int Find(std::u16string_view name) = 0;
  // A stream over the entry's uncompressed data, owned by the caller; raises
  // "Can not find file %s in ZIP" when the archive lacks the name.
  virtual std::unique_ptr<TXLSStream> OpenStream(std::u16string_view name) = 0;
  // The entry's packed bytes and how to unpack them (OpenStoredEntry), to keep a part unread
  // without the archive; raises like OpenStream when the archive lacks the name.
  virtual TXLSZipStoredEntry ReadStoredEntry(std::u16string_view name) = 0;
  // Starts an entry (name split at its last "/") and returns the stream to write its data to;
  // the stream stays the back-end's and is finished by CloseStream.
  virtual TXLSStream& CreateStream(std::u16string_view name);
  virtual TXLSStream& CreateStream(std::u16string_view folder, std::u16string_view name) = 0;
  virtual void CloseStream(TXLSStream& stream) = 0;
  // Adds an entry with the whole content of `source`.
  virtual void Write(std::u16string_view name, TXLSStream& source);
  virtual void Write(std::u16string_view folder, std::u16string_view name, TXLSStream& source) = 0;
  // Starts writing an archive into `stream`.
  virtual void SaveToStream(TXLSStream& stream) = 0;
  // Ends reading, or writes the directory when writing.
  virtual void Close() = 0;

  // Opens a file read-only; the back-end owns the file stream.
  void LoadFromFile(const std::filesystem::path& file);

 protected:
  std::unique_ptr<TXLSStream> FZipStream;
};

// The engine's own archive.
class TXLSZipArchiveIntfXLS : public TXLSZipArchiveIntf {
 public:
  TXLSZipArchiveIntfXLS();
  ~TXLSZipArchiveIntfXLS() override;

  int Count() override;
  void LoadFromStream(TXLSStream& stream) override;
  int Find(std::u16string_view name) override;
  std::unique_ptr<TXLSStream> OpenStream(std::u16string_view name) override;
  TXLSZipStoredEntry ReadStoredEntry(std::u16string_view name) override;
  using TXLSZipArchiveIntf::CreateStream;
  TXLSStream& CreateStream(std::u16string_view folder, std::u16string_view name) override;
  void CloseStream(TXLSStream& stream) override;
  using TXLSZipArchiveIntf::Write;
  void Write(std::u16string_view folder, std::u16string_view name, TXLSStream& source) override;
  void SaveToStream(TXLSStream& stream) override;
  void Close() override;

  TXLSZipArchive& Zip() { return *FZip; }

 private:
  std::unique_ptr<TXLSZipArchive> FZip;
};

namespace detail {
struct LibzipArchive;
}

// libzip, reading through a source over the archive stream and writing through an in-memory
// archive that is copied to the output at Close.
class TXLSZipArchiveIntfPlatform : public TXLSZipArchiveIntf {
 public:
  TXLSZipArchiveIntfPlatform();
  ~TXLSZipArchiveIntfPlatform() override;

  int Count() override;
  void LoadFromStream(TXLSStream& stream) override;
  int Find(std::u16string_view name) override;
  std::unique_ptr<TXLSStream> OpenStream(std::u16string_view name) override;
  TXLSZipStoredEntry ReadStoredEntry(std::u16string_view name) override;
  using TXLSZipArchiveIntf::CreateStream;
  TXLSStream& CreateStream(std::u16string_view folder, std::u16string_view name) override;
  void CloseStream(TXLSStream& stream) override;
  using TXLSZipArchiveIntf::Write;
  void Write(std::u16string_view folder, std::u16string_view name, TXLSStream& source) override;
  void SaveToStream(TXLSStream& stream) override;
  void Close() override;

 private:
  void AddEntry(const std::string& name, const std::string& bytes);

  std::unique_ptr<detail::LibzipArchive> FZip;
  std::string FCurrFilename;
  std::unique_ptr<TXLSMemoryStream> FCurrStream;
  TXLSStream* FWriteStream = nullptr;
};

// A new back-end: libzip when `useAlternateZip` is set, the engine's own archive otherwise.
std::unique_ptr<TXLSZipArchiveIntf> CreateZipArchiveIntf(bool useAlternateZip);

}  // namespace xls

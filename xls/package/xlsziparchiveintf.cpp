#include "xls/package/xlsziparchiveintf.h"

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/textcodec.h"
#include "xls/package/detail/ziperror.h"

namespace xls {

using kws::Utf16ToUtf8;

using detail::RaiseZipError;

namespace {

[[noreturn]] void RaiseNotFound(std::u16string_view name) {
  RaiseZipError("Can not find file " + Utf16ToUtf8(name) + " in ZIP");
}

// Splits at the last "/": the folder before it, the name after it.
std::pair<std::u16string_view, std::u16string_view> SplitPath(std::u16string_view path) {
  const auto p = path.rfind(u'/');
  if (p == std::u16string_view::npos) return {std::u16string_view(), path};
  return {path.substr(0, p), path.substr(p + 1)};
}

// Folder and name joined by one "/": one trailing "/" of the folder and one leading "/" of the
// name are dropped first.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  if (!folder.empty() && folder.back() == u'/') folder.remove_suffix(1);
  if (!name.empty() && name.front() == u'/') name.remove_prefix(1);
  if (folder.empty()) return std::u16string(name);
  std::u16string out(folder);
  out += u'/';
  out += name;
  return out;
}

}  // namespace

// ---- TXLSZipArchiveIntf --------------------------------------------------------------------

TXLSZipArchiveIntf::~TXLSZipArchiveIntf() = default;

TXLSStream& TXLSZipArchiveIntf::CreateStream(std::u16string_view name) {
  const auto [folder, file] = SplitPath(name);
  return CreateStream(folder, file);
}

void TXLSZipArchiveIntf::Write(std::u16string_view name, TXLSStream& source) {
  const auto [folder, file] = SplitPath(name);
  Write(folder, file, source);
}

void TXLSZipArchiveIntf::LoadFromFile(const std::filesystem::path& file) {
  auto stream = std::make_unique<TXLSFileStream>(file, TXLSFileStream::Mode::Read);
  LoadFromStream(*stream);
  FZipStream = std::move(stream);
}

// ---- own back-end --------------------------------------------------------------------------

TXLSZipArchiveIntfXLS::TXLSZipArchiveIntfXLS() : FZip(std::make_unique<TXLSZipArchive>()) {}
TXLSZipArchiveIntfXLS::~TXLSZipArchiveIntfXLS() = default;

int TXLSZipArchiveIntfXLS::Count() { return FZip->Count(); }
void TXLSZipArchiveIntfXLS::LoadFromStream(TXLSStream& stream) { FZip->OpenRead(stream); }
int TXLSZipArchiveIntfXLS::Find(std::u16string_view name) { return FZip->Find(name); }

std::unique_ptr<TXLSStream> TXLSZipArchiveIntfXLS::OpenStream(std::u16string_view name) {
  const int index = FZip->Find(name);
  if (index < 0) RaiseNotFound(name);
  return std::make_unique<TXLSOwnerStream>(FZip->Items(index), std::u16string(name));
}

TXLSZipStoredEntry TXLSZipArchiveIntfXLS::ReadStoredEntry(std::u16string_view name) {
  const int index = FZip->Find(name);
  if (index < 0) RaiseNotFound(name);
  return FZip->Items(index).Stored();
}

TXLSStream& TXLSZipArchiveIntfXLS::CreateStream(std::u16string_view folder, std::u16string_view name) {
  return FZip->CreateStream(JoinPath(folder, name));
}

void TXLSZipArchiveIntfXLS::CloseStream(TXLSStream& stream) { FZip->CloseStream(stream); }

void TXLSZipArchiveIntfXLS::Write(std::u16string_view folder, std::u16string_view name, TXLSStream& source) {
  source.SetPosition(0);
  FZip->AddStream(JoinPath(folder, name), source);
}

void TXLSZipArchiveIntfXLS::SaveToStream(TXLSStream& stream) { FZip->OpenWrite(stream); }
void TXLSZipArchiveIntfXLS::Close() { FZip->Close(); }

// ---- libzip back-end -----------------------------------------------------------------------

namespace detail {

// A libzip source reading the archive stream. The stream is put to this source's own position
// before every read, since entry streams of the own reader may share it.
struct StreamSourceContext {
  TXLSStream* stream = nullptr;
  int64_t size = 0;
  int64_t pos = 0;
  zip_error_t error{};
};

zip_int64_t StreamSourceCallback(void* userdata, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* ctx = static_cast<StreamSourceContext*>(userdata);
  try {
    switch (cmd) {
      case ZIP_SOURCE_OPEN:
        ctx->pos = 0;
        return 0;
      case ZIP_SOURCE_READ: {
        if (ctx->pos >= ctx->size) return 0;
        const auto want = static_cast<size_t>(std::min<zip_uint64_t>(len, static_cast<zip_uint64_t>(ctx->size - ctx->pos)));
        ctx->stream->SetPosition(ctx->pos);
        const size_t n = ctx->stream->Read(data, want);
        ctx->pos += static_cast<int64_t>(n);
        return static_cast<zip_int64_t>(n);
      }
      case ZIP_SOURCE_CLOSE:
        return 0;
      case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = static_cast<zip_uint64_t>(ctx->size);
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&ctx->error, data, len);
      case ZIP_SOURCE_FREE:
        return 0;
      case ZIP_SOURCE_SEEK: {
        const zip_int64_t target = zip_source_seek_compute_offset(
            static_cast<zip_uint64_t>(ctx->pos), static_cast<zip_uint64_t>(ctx->size), data, len, &ctx->error);
        if (target < 0) return -1;
        ctx->pos = target;
        return 0;
      }
      case ZIP_SOURCE_TELL:
        return ctx->pos;
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, -1);
      default:
        zip_error_set(&ctx->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  } catch (...) {
    zip_error_set(&ctx->error, ZIP_ER_READ, 0);
    return -1;
  }
}

struct LibzipArchive {
  ~LibzipArchive() { Discard(); }
  void Discard() {
    if (zip) zip_discard(zip);
    zip = nullptr;
    if (writeBuffer) zip_source_free(writeBuffer);
    writeBuffer = nullptr;
    names.clear();
    index.Clear();
  }

  zip_t* zip = nullptr;
  StreamSourceContext source;
  zip_source_t* writeBuffer = nullptr;  // the in-memory archive being written
  std::vector<std::u16string> names;
  TXLSZipNameIndex index;
};

}  // namespace detail

namespace {

// One entry read through libzip, with the limits and seeking rules of the own reader.
class TLibzipEntryStream : public TXLSZipEntryStream {
 public:
  TLibzipEntryStream(zip_t* zip, zip_uint64_t index, const zip_stat_t& st, std::u16string name)
      : TXLSZipEntryStream(st.comp_method == ZIP_CM_STORE || st.comp_method == ZIP_CM_DEFLATE,
                           static_cast<int64_t>(st.comp_method == ZIP_CM_STORE ? st.comp_size : st.size),
                           std::move(name),
                           (st.valid & ZIP_STAT_CRC) ? std::optional<uint32_t>(st.crc) : std::nullopt),
        zip_(zip),
        index_(index) {}
  ~TLibzipEntryStream() override { RestartData(); }

 protected:
  size_t ReadData(void* buffer, size_t count) override {
    if (!file_) {
      file_ = zip_fopen_index(zip_, index_, 0);
      if (!file_) {
        const int code = zip_error_code_zip(zip_get_error(zip_));
        if (code == ZIP_ER_COMPNOTSUPP) RaiseZipError("ZIP file is not open");
        // Encrypted data cannot be inflated, as the own reader finds out when it tries.
        if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP)
          throw EDecompressionError("ZLib decompress error");
        RaiseZipError("Unknown zip file");
      }
    }
    const zip_int64_t n = zip_fread(file_, buffer, count);
    if (n < 0) {
      const int code = zip_error_code_zip(zip_file_get_error(file_));
      if (code == ZIP_ER_CRC) RaiseCrcError();
      if (code == ZIP_ER_ZLIB || code == ZIP_ER_INCONS) throw EDecompressionError("ZLib decompress error");
      throw std::runtime_error("Stream read error");
    }
    return static_cast<size_t>(n);
  }

  void RestartData() override {
    if (file_) zip_fclose(file_);
    file_ = nullptr;
  }

 private:
  zip_t* zip_;
  zip_uint64_t index_;
  zip_file_t* file_ = nullptr;
};

}  // namespace

TXLSZipArchiveIntfPlatform::TXLSZipArchiveIntfPlatform() : FZip(std::make_unique<detail::LibzipArchive>()) {}
TXLSZipArchiveIntfPlatform::~TXLSZipArchiveIntfPlatform() {
  try {
    Close();
  } catch (...) {
  }
}

int TXLSZipArchiveIntfPlatform::Count() { return static_cast<int>(FZip->names.size()); }

void TXLSZipArchiveIntfPlatform::LoadFromStream(TXLSStream& stream) {
  Close();
  FZip->source.stream = &stream;
  FZip->source.size = stream.Size();
  FZip->source.pos = 0;
  zip_error_init(&FZip->source.error);
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* src = zip_source_function_create(detail::StreamSourceCallback, &FZip->source, &error);
  if (!src) RaiseZipError("File is not a valid ZIP file");
  zip_t* zip = zip_open_from_source(src, ZIP_RDONLY, &error);
  if (!zip) {
    zip_source_free(src);
    const int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (code == ZIP_ER_NOZIP) {
      // No end record. Like the own reader, a stream that does not start with a local header
      // is an empty archive; one that does is an archive cut short, which libzip cannot read.
      unsigned char sig[4] = {};
      stream.SetPosition(0);
      const size_t n = stream.Read(sig, 4);
      if (n < 4 || std::memcmp(sig, "PK\x03\x04", 4) != 0) return;
    }
    RaiseZipError("File is not a valid ZIP file");
  }
  zip_error_fini(&error);
  FZip->zip = zip;
  const zip_int64_t count = zip_get_num_entries(zip, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* raw = zip_get_name(zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    FZip->names.push_back(raw ? ZipNameToString(raw) : std::u16string());
    FZip->index.Add(FZip->names.back(), static_cast<int>(i));
  }
}

int TXLSZipArchiveIntfPlatform::Find(std::u16string_view name) { return FZip->index.Find(name); }

namespace {

// The index and directory record of an entry, its sizes and method known; raises when the
// archive lacks the name or the record is not usable.
std::pair<zip_uint64_t, zip_stat_t> StatEntry(zip_t* zip, int index, std::u16string_view name) {
  if (index < 0 || !zip) RaiseNotFound(name);
  zip_stat_t st;
  zip_stat_init(&st);
  constexpr zip_uint64_t kNeeded = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
  if (zip_stat_index(zip, static_cast<zip_uint64_t>(index), 0, &st) != 0 || (st.valid & kNeeded) != kNeeded)
    RaiseZipError("File is not a valid ZIP file");
  return {static_cast<zip_uint64_t>(index), st};
}

}  // namespace

std::unique_ptr<TXLSStream> TXLSZipArchiveIntfPlatform::OpenStream(std::u16string_view name) {
  const auto [index, st] = StatEntry(FZip->zip, Find(name), name);
  return std::make_unique<TLibzipEntryStream>(FZip->zip, index, st, std::u16string(name));
}

TXLSZipStoredEntry TXLSZipArchiveIntfPlatform::ReadStoredEntry(std::u16string_view name) {
  const auto [index, st] = StatEntry(FZip->zip, Find(name), name);
  if (st.comp_size > static_cast<zip_uint64_t>(FZip->source.size)) RaiseZipError("File is not a valid ZIP file");
  TXLSZipStoredEntry e;
  e.Name = std::u16string(name);
  e.Method = st.comp_method;
  e.UncompressedSize = static_cast<int64_t>(st.size);
  if (st.valid & ZIP_STAT_CRC) e.Crc = st.crc;
  zip_file_t* f = zip_fopen_index(FZip->zip, index, ZIP_FL_COMPRESSED);
  if (!f) RaiseZipError("Unknown zip file");
  e.Packed.resize(static_cast<size_t>(st.comp_size));
  size_t got = 0;
  while (got < e.Packed.size()) {
    const zip_int64_t n = zip_fread(f, e.Packed.data() + got, e.Packed.size() - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  zip_fclose(f);
  if (got != e.Packed.size()) RaiseZipError("Unknown zip file");
  return e;
}

void TXLSZipArchiveIntfPlatform::SaveToStream(TXLSStream& stream) {
  Close();
  zip_error_t error;
  zip_error_init(&error);
  FZip->writeBuffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!FZip->writeBuffer) RaiseZipError("ZIP file is not open");
  zip_source_keep(FZip->writeBuffer);  // kept past zip_close to copy the archive out
  FZip->zip = zip_open_from_source(FZip->writeBuffer, ZIP_TRUNCATE, &error);
  zip_error_fini(&error);
  if (!FZip->zip) {
    FZip->Discard();
    RaiseZipError("ZIP file is not open");
  }
  FWriteStream = &stream;
}

void TXLSZipArchiveIntfPlatform::AddEntry(const std::string& name, const std::string& bytes) {
  if (!FWriteStream) RaiseZipError("ZIP file is not open");
  // Names are unique without regard to ASCII letter case, as the own writer has them.
  if (Find(ZipNameToString(name)) >= 0) RaiseZipError("Duplicate file \"" + name + "\" in Zip");
  void* copy = nullptr;
  if (!bytes.empty()) {
    copy = std::malloc(bytes.size());
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, bytes.data(), bytes.size());
  }
  zip_source_t* src = zip_source_buffer(FZip->zip, copy, bytes.size(), copy ? 1 : 0);
  if (!src) {
    std::free(copy);
    RaiseZipError("ZIP file is not open");
  }
  const zip_int64_t index = zip_file_add(FZip->zip, name.c_str(), src, ZIP_FL_ENC_UTF_8);
  if (index < 0) {
    zip_source_free(src);
    RaiseZipError("ZIP file is not open");
  }
  zip_set_file_compression(FZip->zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0);
  FZip->names.push_back(ZipNameToString(name));
  FZip->index.Add(FZip->names.back(), static_cast<int>(FZip->names.size()) - 1);
}

TXLSStream& TXLSZipArchiveIntfPlatform::CreateStream(std::u16string_view folder, std::u16string_view name) {
  if (!FWriteStream) RaiseZipError("ZIP file is not open");
  if (FCurrStream) RaiseZipError("There is an active zip");
  FCurrFilename = Utf16ToUtf8(JoinPath(folder, name));
  FCurrStream = std::make_unique<TXLSMemoryStream>();
  return *FCurrStream;
}

void TXLSZipArchiveIntfPlatform::CloseStream(TXLSStream& stream) {
  if (!FCurrStream || &stream != FCurrStream.get()) RaiseZipError("Stream is not TCompressionStream");
  auto current = std::move(FCurrStream);
  const std::string name = std::move(FCurrFilename);
  FCurrFilename.clear();
  AddEntry(name, current->Bytes());
}

void TXLSZipArchiveIntfPlatform::Write(std::u16string_view folder, std::u16string_view name, TXLSStream& source) {
  source.SetPosition(0);
  AddEntry(Utf16ToUtf8(JoinPath(folder, name)), source.ReadAll(static_cast<size_t>(kZipMemoryEntryLimit)));
}

void TXLSZipArchiveIntfPlatform::Close() {
  if (FWriteStream && FZip->zip) {
    TXLSStream& out = *FWriteStream;
    FWriteStream = nullptr;
    FCurrStream.reset();
    const bool empty = zip_get_num_entries(FZip->zip, 0) == 0;
    if (zip_close(FZip->zip) != 0) {
      FZip->Discard();
      RaiseZipError("ZIP file is not open");
    }
    FZip->zip = nullptr;
    if (empty) {
      // libzip writes nothing for an archive without entries; an empty archive is its end record.
      static const char kEmpty[22] = {'P', 'K', 5, 6};
      out.WriteBuffer(kEmpty, sizeof kEmpty);
    } else if (zip_source_open(FZip->writeBuffer) == 0) {
      char buf[65536];
      for (;;) {
        const zip_int64_t n = zip_source_read(FZip->writeBuffer, buf, sizeof buf);
        if (n <= 0) break;
        out.WriteBuffer(buf, static_cast<size_t>(n));
      }
      zip_source_close(FZip->writeBuffer);
    }
  }
  FWriteStream = nullptr;
  FCurrStream.reset();
  FCurrFilename.clear();
  FZip->Discard();
}

std::unique_ptr<TXLSZipArchiveIntf> CreateZipArchiveIntf(bool useAlternateZip) {
  if (useAlternateZip) return std::make_unique<TXLSZipArchiveIntfPlatform>();
  return std::make_unique<TXLSZipArchiveIntfXLS>();
}

}  // namespace xls

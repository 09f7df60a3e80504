#include "xls/crypto/encryption/xlsencryption.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/cfb.h"
#include "xls/crypto/encryption/cryptoagile.h"
#include "xls/crypto/encryption/cryptostandard.h"

namespace xls {

// ---- TXLSVector ------------------------------------------------------------------------------

void TXLSVector::CopyFrom(std::span<const uint8_t> bytes, size_t offset) {
  if (offset > FBytes.size() || bytes.size() > FBytes.size() - offset)
    throw std::runtime_error("Vector to long");
  if (!bytes.empty()) std::memcpy(FBytes.data() + offset, bytes.data(), bytes.size());
}

void TXLSVector::CopyFrom(const TXLSVector& v, size_t count, size_t offset) {
  if (count > v.Size()) throw std::runtime_error("Vector to long");
  CopyFrom(v.Bytes().first(count), offset);
}

bool TXLSVector::Equal(const TXLSVector& v, int compareSize) const {
  if (compareSize <= 0) return FBytes == v.FBytes;
  const size_t n = size_t(compareSize);
  return Size() >= n && v.Size() >= n && std::equal(FBytes.begin(), FBytes.begin() + n, v.FBytes.begin());
}

void TXLSVector::SetAsInteger(size_t index, uint32_t value) {
  const uint8_t le[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  CopyFrom(le, 4 * index);
}

std::string TXLSVector::AsText() const {
  std::string out;
  for (size_t i = 0; i < FBytes.size(); ++i) {
    if (i) out += ", ";
    out += std::to_string(FBytes[i]);
  }
  return out;
}

// ---- TXLSCrypto ------------------------------------------------------------------------------

void TXLSCrypto::RandomBytes(std::span<uint8_t> out) {
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = getrandom(out.data() + done, out.size() - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("No random bytes from the system");
    }
    done += size_t(n);
  }
}

std::vector<uint8_t> TXLSCrypto::PasswordBytes(std::u16string_view password) {
  std::vector<uint8_t> out;
  out.reserve(2 * password.size());
  for (char16_t c : password) {
    out.push_back(uint8_t(c));
    out.push_back(uint8_t(c >> 8));
  }
  return out;
}

bool TXLSCrypto::DecryptDocument(kws::CfbStream& in, const TXLSPackageSink& sink) {
  const uint64_t total = in.Size();
  if (total < 8) return true;  // not even StreamSize: an empty package
  const std::vector<std::span<const uint8_t>> runs = in.Runs();
  // StreamSize: the first 8 bytes, which may be split over runs of a damaged layout.
  uint8_t head[8];
  size_t run = 0, at = 0;  // the next unread byte: runs[run][at]
  auto take = [&](uint8_t* dst, size_t count) {
    while (count) {
      const size_t n = std::min(count, runs[run].size() - at);
      if (dst) std::memcpy(dst, runs[run].data() + at, n), dst += n;
      at += n, count -= n;
      if (at == runs[run].size()) ++run, at = 0;
    }
  };
  take(head, 8);
  uint64_t streamSize = 0;
  for (int i = 7; i >= 0; --i) streamSize = streamSize << 8 | head[i];
  const uint64_t decrypted = total - 8;
  uint64_t keep = streamSize <= decrypted ? streamSize : decrypted;

  uint8_t staged[kSegmentSize];
  uint8_t plain[kSegmentSize];
  for (uint64_t pos = 0, index = 0; pos < decrypted && keep; pos += kSegmentSize, ++index) {
    const size_t n = size_t(std::min<uint64_t>(kSegmentSize, decrypted - pos));
    std::span<const uint8_t> segment;
    if (runs[run].size() - at >= n) {  // inside one run: decrypt in place
      segment = runs[run].subspan(at, n);
      take(nullptr, n);
    } else {
      take(staged, n);
      segment = std::span<const uint8_t>(staged, n);
    }
    DecryptSegment(uint32_t(index), segment, std::span<uint8_t>(plain, n));
    const size_t give = size_t(std::min<uint64_t>(n, keep));
    sink(std::span<const uint8_t>(plain, give));
    keep -= give;
  }
  return true;
}

// ---- TXLSEncryption --------------------------------------------------------------------------

std::unique_ptr<TXLSCrypto> TXLSEncryption::CreateCryptoForVersion(std::span<const uint8_t> info,
                                                                   std::u16string password) {
  if (info.size() < 4) return nullptr;
  const uint16_t major = uint16_t(info[0] | info[1] << 8);
  const uint16_t minor = uint16_t(info[2] | info[3] << 8);
  if ((major == 3 || major == 4) && minor == 2)
    return std::make_unique<TXLSCryptoStandard>(std::move(password));
  if (major == 4 && minor == 4) return std::make_unique<TXLSCryptoAgile>(std::move(password));
  return nullptr;
}

TXLSCryptoResult TXLSEncryption::LoadFromStream(std::span<const uint8_t> file, const TXLSPackageSink& sink) {
  if (FPassword.empty() && FPasswEvent) FPasswEvent(FPassword);
  if (!FPassword.empty()) return FResult = Decrypt(file, FPassword, sink);
  // No password: a workbook encrypted without a user password opens with the default one.
  const TXLSCryptoResult r = Decrypt(file, std::u16string(kDefaultPassword), sink);
  return FResult = r == TXLSCryptoResult::xcrOk ? r : TXLSCryptoResult::xcrMissingPassword;
}

TXLSCryptoResult TXLSEncryption::Decrypt(std::span<const uint8_t> file, const std::u16string& password,
                                         const TXLSPackageSink& sink) {
  const kws::CfbStorage root = kws::OpenCompoundView(file);
  std::optional<kws::CfbStream> infoStream = root.OpenStream(u"EncryptionInfo");
  if (!infoStream) return TXLSCryptoResult::xcrUnknown;
  const std::vector<uint8_t> info = infoStream->ReadAll();
  if (info.size() < 8) return TXLSCryptoResult::xcrUnsupportedEncryption;
  FCrypto = CreateCryptoForVersion(info, password);
  if (!FCrypto) return TXLSCryptoResult::xcrUnsupportedEncryption;
  const TXLSCryptoResult r = FCrypto->InitiateRead(std::span<const uint8_t>(info).subspan(8));
  if (r != TXLSCryptoResult::xcrOk) return r;
  std::optional<kws::CfbStream> package = root.OpenStream(u"EncryptedPackage");
  if (!package) return TXLSCryptoResult::xcrUnknown;
  FOutStream.clear();
  if (sink) {
    FCrypto->DecryptDocument(*package, sink);
  } else {
    FOutStream.reserve(size_t(package->Size()));
    FCrypto->DecryptDocument(*package, [&](std::span<const uint8_t> b) {
      FOutStream.insert(FOutStream.end(), b.begin(), b.end());
    });
  }
  return TXLSCryptoResult::xcrOk;
}

void RegisterEncryptedPackageReader() {
  DefaultXLSBookReaders().DecryptPackage = [](TXLSBook&, std::span<const uint8_t> data,
                                              const std::u16string& password, std::vector<uint8_t>& zip) {
    // The component has asked its password event already.
    TXLSEncryption reader;
    reader.SetPassword(password);
    TXLSCryptoResult r;
    try {
      r = reader.LoadFromStream(data);
    } catch (const kws::CfbError& e) {
      throw XLSRWException(e.what());
    }
    if (r == TXLSCryptoResult::xcrOk) zip = std::move(reader.FOutStream);
    return r;
  };
}

}  // namespace xls

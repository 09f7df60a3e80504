#include "xls/crypto/encryption/cryptoagile.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <exception>

#include "xls/crypto/aescipher.h"
#include "xls/crypto/dcphash.h"
#include "xls/package/xpgdom.h"

namespace xls {

namespace {

constexpr std::u16string_view kPasswordEncryptor =
    u"http://schemas.microsoft.com/office/2006/keyEncryptor/password";
constexpr int32_t kMaxSaltSize = 64;

// `data` cut to `size` bytes, or filled up to it with 0x36.
TXLSVector Fit(std::span<const uint8_t> data, size_t size) {
  TXLSVector out(size, 0x36);
  out.CopyFrom(data.first(std::min(size, data.size())), 0);
  return out;
}

// An integer attribute: 0 when absent; false when present but not a decimal integer.
bool IntAttribute(const TXpgDOMAttributes& a, std::u16string_view name, int64_t& value) {
  value = 0;
  const TXpgDOMAttribute* attr = a.Find(name);
  if (!attr) return true;
  std::string text;
  for (char16_t c : attr->Value) {
    if (c > 0x7F) return false;
    text += char(c);
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// A salt attribute whose decoded length equals its saltSize, which lies in 1..kMaxSaltSize.
bool ReadSalt(const TXpgDOMAttributes& a, TXLSVector& salt, int32_t& size) {
  int64_t n;
  const TXpgDOMAttribute* value = a.Find(u"saltValue");
  if (!value || !IntAttribute(a, u"saltSize", n) || n < 1 || n > kMaxSaltSize) return false;
  const std::string bytes = value->AsBase64();
  if (int64_t(bytes.size()) != n) return false;
  salt.Assign(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  size = int32_t(n);
  return true;
}

bool ReadBase64(const TXpgDOMAttributes& a, std::u16string_view name, TXLSVector& out) {
  const TXpgDOMAttribute* attr = a.Find(name);
  if (!attr) return false;
  const std::string bytes = attr->AsBase64();
  out.Assign(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return true;
}

std::unique_ptr<TDCP_hash> NewHash(TXLSCryptoHash h) {
  if (h == TXLSCryptoHash::xchSHA512) return std::make_unique<TDCP_sha512>();
  return std::make_unique<TDCP_sha1>();
}

}  // namespace

TXLSCryptoAgile::TXLSCryptoAgile(std::u16string password) : TXLSCrypto(std::move(password)) {}
TXLSCryptoAgile::~TXLSCryptoAgile() = default;

TXLSCryptoResult TXLSCryptoAgile::InitiateRead(std::span<const uint8_t> methodData) {
  if (!ParseEncryptionInfo(methodData)) return TXLSCryptoResult::xcrUnsupportedEncryption;
  return VerifyPassword(FPassword) ? TXLSCryptoResult::xcrOk : TXLSCryptoResult::xcrWrongPassword;
}

bool TXLSCryptoAgile::ParseEncryptionInfo(std::span<const uint8_t> descriptor) {
  // UTF-8 XML; a NUL never belongs to it, so filler after the document ends it.
  std::string_view text(reinterpret_cast<const char*>(descriptor.data()), descriptor.size());
  text = text.substr(0, text.find('\0'));
  TXpgSimpleDOM dom;
  try {
    dom.LoadFromUtf8(text);
  } catch (const std::exception&) {
    return false;
  }
  const TXpgDOMNode* keyData = dom.Root()->Find(u"encryption/keyData");
  const TXpgDOMNode* encryptors = dom.Root()->Find(u"encryption/keyEncryptors");
  if (!keyData || !encryptors) return false;
  // The password key encryptor, wherever it stands among the key encryptors.
  const TXpgDOMNode* encryptedKey = nullptr;
  for (int i = 0; i < encryptors->Count() && !encryptedKey; ++i) {
    const TXpgDOMNode* e = encryptors->Items(i);
    if (XmlStripPrefix(e->QName()) != u"keyEncryptor" ||
        e->Attributes().FindValue(u"uri") != kPasswordEncryptor)
      continue;
    for (int k = 0; k < e->Count() && !encryptedKey; ++k)
      if (XmlStripPrefix(e->Items(k)->QName()) == u"encryptedKey") encryptedKey = e->Items(k);
  }
  if (!encryptedKey) return false;

  const TXpgDOMAttributes& kd = keyData->Attributes();
  const TXpgDOMAttributes& ek = encryptedKey->Attributes();
  int32_t keyDataSaltSize;
  if (!ReadSalt(kd, FKeyDataSalt, keyDataSaltSize) || !ReadSalt(ek, FSaltValue, FSaltSize)) return false;
  int64_t spinCount, blockSize, keyBits, hashSize;
  if (!IntAttribute(ek, u"spinCount", spinCount) || !IntAttribute(ek, u"blockSize", blockSize) ||
      !IntAttribute(ek, u"keyBits", keyBits) || !IntAttribute(ek, u"hashSize", hashSize))
    return false;
  if (spinCount < 0 || spinCount > kMaxSpinCount) return false;
  if (keyBits != 128 && keyBits != 192 && keyBits != 256) return false;
  if (ek.FindValue(u"cipherAlgorithm") != u"AES" || ek.FindValue(u"cipherChaining") != u"ChainingModeCBC")
    return false;
  const std::u16string hash = ek.FindValue(u"hashAlgorithm");
  if (hash == u"SHA1" && hashSize == 20)
    FHashAlgorithm = TXLSCryptoHash::xchSHA1;
  else if (hash == u"SHA512" && hashSize == 64)
    FHashAlgorithm = TXLSCryptoHash::xchSHA512;
  else
    return false;
  // keyData's hash makes the segment IVs and its key size is the data key's: they must be the
  // key encryptor's when given.
  int64_t dataKeyBits;
  if ((kd.Find(u"hashAlgorithm") && kd.FindValue(u"hashAlgorithm") != hash) ||
      !IntAttribute(kd, u"keyBits", dataKeyBits) || (dataKeyBits != 0 && dataKeyBits != keyBits))
    return false;
  FSpinCount = int32_t(spinCount);
  FBlockSize = int32_t(blockSize);
  FKeyBits = int32_t(keyBits);
  FHashSize = int32_t(hashSize);
  FCipherAlgorithm = TXLSCryptoCiper::xccAESCBC;
  if (!ReadBase64(ek, u"encryptedVerifierHashInput", FEncryptedVerifierHashInput) ||
      !ReadBase64(ek, u"encryptedVerifierHashValue", FEncryptedVerifierHashValue) ||
      !ReadBase64(ek, u"encryptedKeyValue", FEncryptedKeyValue))
    return false;
  // Values too short to hold what they stand for.
  return FEncryptedVerifierHashInput.Size() >= size_t(FSaltSize) &&
         FEncryptedVerifierHashValue.Size() >= 16 && FEncryptedKeyValue.Size() >= size_t(FKeyBits / 8);
}

TXLSVector TXLSCryptoAgile::HashBytes(std::span<const uint8_t> data) const {
  const std::unique_ptr<TDCP_hash> h = NewHash(FHashAlgorithm);
  TXLSVector out(size_t(h->GetHashSize() / 8));
  h->Init();
  h->Update(data);
  h->Final(out.Bytes());
  return out;
}

TXLSVector TXLSCryptoAgile::HashPassword(std::u16string_view password) const {
  const std::unique_ptr<TDCP_hash> h = NewHash(FHashAlgorithm);
  const size_t size = size_t(h->GetHashSize() / 8);
  std::vector<uint8_t> b(4 + size);  // round number, then the hash
  h->Init();
  h->Update(FSaltValue.Bytes());
  h->Update(PasswordBytes(password));
  h->Final(std::span(b).subspan(4));
  for (int32_t i = 0; i < FSpinCount; ++i) {
    for (int k = 0; k < 4; ++k) b[k] = uint8_t(uint32_t(i) >> (8 * k));
    h->Init();
    h->Update(b);
    h->Final(std::span(b).subspan(4));
  }
  TXLSVector out;
  out.Assign(std::span<const uint8_t>(b).subspan(4));
  return out;
}

TXLSVector TXLSCryptoAgile::DecryptWithBlockKey(std::span<const uint8_t, 8> blockKey, const TXLSVector& hash,
                                                const TXLSVector& input) const {
  std::vector<uint8_t> b(hash.Bytes().begin(), hash.Bytes().end());
  b.insert(b.end(), blockKey.begin(), blockKey.end());
  const TXLSVector key = Fit(HashBytes(b).Bytes(), size_t(FKeyBits / 8));
  TAESCBC aes(key.Bytes(), unsigned(FKeyBits));
  const TXLSVector iv = Fit(FSaltValue.Bytes(), 16);
  std::copy(iv.Data(), iv.Data() + 16, aes.fIV.begin());
  TXLSVector out(input.Size());
  aes.Decrypt(input.Bytes(), out.Bytes());
  return out;
}

bool TXLSCryptoAgile::VerifyPassword(std::u16string_view password) {
  FKey.Resize(size_t(FKeyBits / 8));
  const TXLSVector h = HashPassword(password);
  TXLSVector v = DecryptWithBlockKey(kBlockVerifierInput, h, FEncryptedVerifierHashInput);
  const TXLSVector w = DecryptWithBlockKey(kBlockVerifierValue, h, FEncryptedVerifierHashValue);
  const TXLSVector digest = HashBytes(v.Bytes().first(size_t(FSaltSize)));
  if (!digest.Equal(w, 16)) return false;
  const TXLSVector key = DecryptWithBlockKey(kBlockKeyValue, h, FEncryptedKeyValue);
  FKey.CopyFrom(key, FKey.Size(), 0);
  FCipher = std::make_unique<TAESCBC>(FKey.Bytes(), unsigned(FKeyBits));
  return true;
}

TXLSVector TXLSCryptoAgile::SegmentIV(uint32_t index) const {
  std::vector<uint8_t> b(FKeyDataSalt.Bytes().begin(), FKeyDataSalt.Bytes().end());
  for (int k = 0; k < 4; ++k) b.push_back(uint8_t(index >> (8 * k)));
  return Fit(HashBytes(b).Bytes(), 16);
}

void TXLSCryptoAgile::DecryptSegment(uint32_t index, std::span<const uint8_t> in, std::span<uint8_t> out) {
  const TXLSVector iv = SegmentIV(index);
  std::copy(iv.Data(), iv.Data() + 16, FCipher->fIV.begin());
  FCipher->Decrypt(in, out);
}

}  // namespace xls

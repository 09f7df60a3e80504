// Agile encryption's descriptor: read as the UTF-8 XML it is, the password key encryptor found
// by its uri, and every value the method cannot use refused as "Unsupported encryption" before
// any work is sized by it. The packages are made by the fixture writer with few spin rounds.
#include "xls/crypto/encryption/cryptoagile.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/xls/crypto/encryption/encryption_fixtures.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::AsBytes;
using kws::test::EncryptedStreams;

// The message of loading the streams through the component with the password "pw"; empty when
// the workbook loads (and then holds the plain package's cells).
std::string Load(const EncryptedStreams& s, const std::vector<std::string>& plainCells) {
  xls::RegisterXLSXReader();
  xls::RegisterEncryptedPackageReader();
  xls::TXLSBook book;
  book.SetPassword(u"pw");
  try {
    book.LoadFromBytes(AsBytes(kws::test::Wrap(s)));
  } catch (const std::exception& e) {
    return e.what();
  }
  EXPECT_EQ(kws::test::DiffCellLines(plainCells, kws::test::CellLines(book)), "");
  return "";
}

// The streams with the first `from` after `anchor` in "EncryptionInfo" replaced by `to`.
EncryptedStreams Edit(EncryptedStreams s, const std::string& anchor, const std::string& from,
                      const std::string& to) {
  const size_t a = s.info.find(anchor);
  const size_t at = a == std::string::npos ? a : s.info.find(from, a);
  if (at == std::string::npos)
    ADD_FAILURE() << "no " << from << " after " << anchor;
  else
    s.info.replace(at, from.size(), to);
  return s;
}

// The streams with the value of attribute `name` after `anchor` set to `value`.
EncryptedStreams SetAttr(EncryptedStreams s, const std::string& anchor, const std::string& name,
                         const std::string& value) {
  const size_t at = s.info.find(" " + name + "=\"", s.info.find(anchor));
  if (at == std::string::npos) {
    ADD_FAILURE() << "no " << name << " after " << anchor;
    return s;
  }
  const size_t begin = at + name.size() + 3, end = s.info.find('"', begin);
  s.info.replace(begin, end - begin, value);
  return s;
}

class AgileDescriptor : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    plain_ = kws::test::XlsxFixture("openpyxl-cells");
    sha512_ = new EncryptedStreams(
        kws::test::StreamsOf(kws::test::EncryptWithScript(plain_, "pw", "--method agile --spin-count 10")));
    xls::RegisterXLSXReader();
    xls::TXLSBook book;
    book.LoadFromBytes(AsBytes(plain_));
    cells_ = kws::test::CellLines(book);
  }
  static void TearDownTestSuite() { delete sha512_; }
  static std::string plain_;
  static EncryptedStreams* sha512_;
  static std::vector<std::string> cells_;
};
std::string AgileDescriptor::plain_;
EncryptedStreams* AgileDescriptor::sha512_ = nullptr;
std::vector<std::string> AgileDescriptor::cells_;

constexpr char kKey[] = "<p:encryptedKey";
constexpr char kKeyData[] = "<keyData";
constexpr char kPasswordUri[] =
    "<keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">";

TEST_F(AgileDescriptor, Opens) {
  const EncryptedStreams& s = *sha512_;
  std::string certificateFirst =
      std::string(
          "<keyEncryptor "
          "uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\"><c:encryptedKey "
          "encryptedKeyValue=\"AAAA\" x509Certificate=\"AAAA\" certVerifier=\"AAAA\"/></keyEncryptor>") +
      kPasswordUri;
  EncryptedStreams filler = s;
  filler.info += std::string(5, '\0');
  struct Case {
    const char* what;
    EncryptedStreams streams;
  } const cases[] = {
      {"as written", s},
      {"a TAB between attributes", Edit(s, kKey, " spinCount", "\tspinCount")},
      {"non-ASCII text", Edit(s, "?>", "?>", "?><!-- Schlüssel für Köln -->")},
      {"non-ASCII attribute", Edit(s, kKeyData, "<keyData ", "<keyData note=\"Grüße\" ")},
      {"certificate key encryptor first", Edit(s, "<keyEncryptors>", kPasswordUri, certificateFirst)},
      {"NUL filler after the descriptor", filler},
  };
  for (const Case& c : cases) EXPECT_EQ(Load(c.streams, cells_), "") << c.what;
}

TEST_F(AgileDescriptor, UnsupportedNeverWrongPassword) {
  const EncryptedStreams& s = *sha512_;
  struct Case {
    const char* what;
    EncryptedStreams streams;
  } const cases[] = {
      {"SHA-256", Edit(Edit(s, kKey, "hashSize=\"64\"", "hashSize=\"32\""), kKey, "SHA512", "SHA256")},
      {"hashSize not the hash's", Edit(s, kKey, "hashSize=\"64\"", "hashSize=\"20\"")},
      {"hashSize larger", Edit(s, kKey, "hashSize=\"64\"", "hashSize=\"65\"")},
      {"keyBits 100", Edit(s, kKey, "keyBits=\"256\"", "keyBits=\"100\"")},
      {"keyBits 512", Edit(s, kKey, "keyBits=\"256\"", "keyBits=\"512\"")},
      {"keyBits missing", Edit(s, kKey, "keyBits=\"256\"", "")},
      {"cipher feedback chaining", Edit(s, kKey, "ChainingModeCBC", "ChainingModeCFB")},
      {"lower-case cipher", Edit(s, kKey, "\"AES\"", "\"aes\"")},
      {"spinCount 10,000,001", Edit(s, kKey, "spinCount=\"10\"", "spinCount=\"10000001\"")},
      {"spinCount 2^31", Edit(s, kKey, "spinCount=\"10\"", "spinCount=\"2147483648\"")},
      {"spinCount -1", Edit(s, kKey, "spinCount=\"10\"", "spinCount=\"-1\"")},
      {"spinCount not a number", Edit(s, kKey, "spinCount=\"10\"", "spinCount=\"ten\"")},
      {"saltSize not the salt's", Edit(s, kKey, "saltSize=\"16\"", "saltSize=\"15\"")},
      {"keyData saltSize not the salt's", Edit(s, kKeyData, "saltSize=\"16\"", "saltSize=\"17\"")},
      {"keyData hash differs", Edit(s, kKeyData, "SHA512", "SHA1")},
      {"keyData key size differs", Edit(s, kKeyData, "keyBits=\"256\"", "keyBits=\"128\"")},
      {"no password key encryptor",
       Edit(s, "<keyEncryptors>", "keyEncryptor/password", "keyEncryptor/other")},
      {"no verifier input", Edit(s, kKey, "encryptedVerifierHashInput=", "x=")},
      {"verifier input too short", SetAttr(s, kKey, "encryptedVerifierHashInput", "AAAAAAAAAAAAAAAAAAAA")},
      {"verifier value too short", SetAttr(s, kKey, "encryptedVerifierHashValue", "AAAAAAAAAAAAAAAAAAAA")},
      {"key value too short",
       SetAttr(s, kKey, "encryptedKeyValue", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA")},
  };
  for (const Case& c : cases) EXPECT_EQ(Load(c.streams, cells_), "Unsupported encryption") << c.what;
  // A right password in other letter case is wrong.
  xls::TXLSBook book;
  book.SetPassword(u"PW");
  try {
    book.LoadFromBytes(AsBytes(kws::test::Wrap(s)));
    ADD_FAILURE() << "opened with PW";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Wrong password");
  }
}

TEST_F(AgileDescriptor, MissingSpinCountMeansNoRounds) {
  const EncryptedStreams none =
      kws::test::StreamsOf(kws::test::EncryptWithScript(plain_, "pw", "--method agile --spin-count 0"));
  EXPECT_EQ(Load(Edit(none, kKey, "spinCount=\"0\"", ""), cells_), "");
  // The same descriptor naming 1 round is another password hash.
  EXPECT_EQ(Load(Edit(none, kKey, "spinCount=\"0\"", "spinCount=\"1\""), cells_), "Wrong password");
}

TEST(TXLSCryptoAgile_Keys, Sha1With256BitKeysFillsWith0x36AndIVsStartAtSegment0) {
  // A SHA-1 descriptor with 256-bit keys: the fixture writer makes every derived key of 20 digest
  // bytes and 12 bytes 0x36; the password passes only when the reader does the same.
  const std::string plain = kws::test::NoiseBytes(3 * 4096 + 1000, 11);
  const EncryptedStreams s = kws::test::StreamsOf(
      kws::test::EncryptWithScript(plain, "pw", "--method agile --hash SHA1 --key-bits 256 --spin-count 2"));
  xls::TXLSCryptoAgile agile(u"pw");
  ASSERT_EQ(agile.InitiateRead(AsBytes(s.info).subspan(8)), xls::TXLSCryptoResult::xcrOk);
  EXPECT_EQ(agile.KeyBits(), 256);
  EXPECT_EQ(agile.HashAlgorithm(), xls::TXLSCryptoHash::xchSHA1);
  EXPECT_EQ(agile.Key().Size(), 32u);
  // Segment 0's IV decrypts the first block after StreamSize: CBC's first plain block is the
  // block cipher's output XOR the IV, so a wrong IV index changes exactly that block.
  xls::TXLSEncryption reader;
  reader.SetPassword(u"pw");
  ASSERT_EQ(reader.LoadFromStream(AsBytes(kws::test::Wrap(s))), xls::TXLSCryptoResult::xcrOk);
  EXPECT_TRUE(kws::test::AsString(reader.FOutStream) == plain);
  EXPECT_NE(agile.SegmentIV(0).AsText(), agile.SegmentIV(1).AsText());
}

}  // namespace

// Standard encryption's write side: what it writes is read back by the reader and decrypted by
// msoffcrypto-tool (Debian's python3-msoffcrypto-tool, an independent reader) from a compound
// file made by the tests' own writer; salt and verifier come from the system's random source.
#include "xls/crypto/encryption/cryptostandard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/xls/crypto/encryption/encryption_fixtures.h"

namespace {

using kws::test::AsBytes;
using kws::test::AsString;

std::string WriteStandard(const std::u16string& password, const std::string& plain) {
  xls::TXLSCryptoStandard writer(password);
  std::vector<uint8_t> info, package;
  EXPECT_TRUE(writer.InitiateWrite(info));
  EXPECT_TRUE(writer.EncryptDocument(AsBytes(plain), package));
  const std::string i = AsString(info), p = AsString(package);
  return kws::test::Wrap(&i, &p);
}

TEST(TXLSCryptoStandard_Write, RoundTripsThroughReaderAndMsoffcrypto) {
  const bool haveTool = std::system("/usr/bin/python3 -c 'import msoffcrypto' 2>/dev/null") == 0;
  for (size_t size : {0u, 1u, 4096u, 4097u, 9192u}) {  // 4097: a chunk of 4096 and one of 1
    const std::string plain = kws::test::NoiseBytes(size, uint32_t(size + 1));
    const std::string file = WriteStandard(u"Write pw", plain);
    xls::TXLSEncryption reader;
    reader.SetPassword(u"Write pw");
    ASSERT_EQ(reader.LoadFromStream(AsBytes(file)), xls::TXLSCryptoResult::xcrOk) << size;
    EXPECT_TRUE(AsString(reader.FOutStream) == plain) << size;
    xls::TXLSEncryption wrong;
    wrong.SetPassword(u"write pw");
    EXPECT_EQ(wrong.LoadFromStream(AsBytes(file)), xls::TXLSCryptoResult::xcrWrongPassword);
  }
  // msoffcrypto-tool -p over a real package written by the write side.
  if (!haveTool)
    GTEST_SKIP() << "python3-msoffcrypto-tool is not installed: only the reader checked the write side";
  const std::string plain = kws::test::XlsxFixture("xlsxwriter-cells");
  kws::test::TempDir dir;
  const auto in = dir.Write("in.xlsx", WriteStandard(u"Write pw", plain));
  const auto out = dir.path() / "out.xlsx";
  const std::string cmd =
      "/usr/bin/python3 /usr/bin/msoffcrypto-tool -p 'Write pw' '" + in.string() + "' '" + out.string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(kws::test::ReadFileBytes(out) == plain);
  const std::string wrong = "/usr/bin/python3 /usr/bin/msoffcrypto-tool -p 'write pw' '" + in.string() +
                            "' '" + out.string() + "' 2>/dev/null";
  EXPECT_NE(std::system(wrong.c_str()), 0);
}
TEST(TXLSCryptoStandard_Write, SaltAndVerifierFromTheSystemRandomSource) {
  xls::TXLSCryptoStandard a(u"pw"), b(u"pw");
  std::vector<uint8_t> ia, ib;
  a.InitiateWrite(ia);
  b.InitiateWrite(ib);
  EXPECT_NE(a.Verifier().Salt, b.Verifier().Salt);
  EXPECT_NE(a.Verifier().EncryptedVerifier, b.Verifier().EncryptedVerifier);
  // What it writes: version 3.2, flags 0x24, AES-128 with SHA-1.
  EXPECT_EQ(ia[0], 3);
  EXPECT_EQ(ia[2], 2);
  EXPECT_EQ(ia[4], 0x24);
  EXPECT_EQ(a.Header().AlgId, 0x660Eu);
  EXPECT_EQ(a.Header().KeySize, 128u);
  EXPECT_EQ(a.Verifier().VerifierHashSize, 20u);
}

TEST(TXLSCryptoStandard_Read, VerifierAgreesInItsFirst16BytesOnly) {
  // The encrypted verifier hash holds 32 bytes: 20 of SHA-1 and 12 of filler. Changing the
  // last encrypted block (bytes 16..31) keeps the password; changing the first loses it.
  xls::TXLSCryptoStandard writer(u"pw");
  std::vector<uint8_t> info;
  writer.InitiateWrite(info);
  const size_t hashAt = info.size() - 32;
  for (const auto& [at, ok] :
       {std::pair{hashAt + 20, true}, {hashAt + 31, true}, {hashAt + 0, false}, {hashAt + 15, false}}) {
    std::vector<uint8_t> changed = info;
    changed[at] ^= 1;
    xls::TXLSCryptoStandard reader(u"pw");
    EXPECT_EQ(reader.InitiateRead(std::span<const uint8_t>(changed).subspan(8)),
              ok ? xls::TXLSCryptoResult::xcrOk : xls::TXLSCryptoResult::xcrWrongPassword)
        << at - hashAt;
  }
}

}  // namespace

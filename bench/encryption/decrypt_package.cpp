// decrypt_package FILE PASSWORD OUT: decrypts the encrypted workbook package FILE with PASSWORD
// and writes the zip package to OUT, as `msoffcrypto-tool -p PASSWORD FILE OUT` does. The file
// is mapped, and the package goes to OUT segment by segment, so the peak memory is the file's
// size and little more. A failure prints its message and exits 1.
#include <cstdio>
#include <exception>
#include <memory>

#include "platform/filebytes.h"
#include "platform/textcodec.h"
#include "xls/crypto/encryption/xlsencryption.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: decrypt_package FILE PASSWORD OUT\n");
    return 2;
  }
  try {
    kws::MappedFile file(argv[1]);
    if (!file.ok()) throw std::runtime_error("cannot open the file");
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(argv[3], "wb"), std::fclose);
    if (!out) throw std::runtime_error("cannot write the output");
    xls::TXLSEncryption reader;
    reader.SetPassword(kws::Utf8ToUtf16(argv[2]));
    const xls::TXLSCryptoResult r = reader.LoadFromStream(file.bytes(), [&](std::span<const uint8_t> b) {
      if (std::fwrite(b.data(), 1, b.size(), out.get()) != b.size()) throw std::runtime_error("write error");
    });
    if (r != xls::TXLSCryptoResult::xcrOk) {
      static const char* const kMessages[] = {"", "Unknown crypto error", "Missing password",
                                              "Wrong password", "Unsupported encryption"};
      throw std::runtime_error(kMessages[int(r)]);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

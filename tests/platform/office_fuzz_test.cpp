// Mutation fuzzing of the word-processing readers: LibreOffice's .doc and .docx, and a package
// with stored (uncompressed) parts so that damage reaches the XML, are damaged at random and
// read. The binary reader may only fail with CfbError or WordTextError; the package reader with
// the zip and XML layers' exceptions. Budget: KWS_FUZZ_SECONDS / KWS_FUZZ_INPUTS.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/office/wordtext.h"
#include "tests/support/mutator.h"
#include "tests/support/tempdir.h"
#include "tests/support/zipwriter.h"

namespace kws {
namespace {

std::string Fixture(const char* name) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return test::ReadFileBytes(std::filesystem::path(root ? root : ".") / "tests/data/office" / name);
}

TEST(OfficeFuzz_Doc, EndsInTextOrCleanError) {
  const auto budget = test::FuzzBudget::FromEnvironment(8, 1000000);
  const uint64_t runs = test::RunFuzz(budget, {Fixture("sample.doc")}, 81, [](const std::string& input) {
    try {
      ReadDocText(OpenCompoundData(std::vector<uint8_t>(input.begin(), input.end())));
    } catch (const CfbError&) {
    } catch (const WordTextError&) {
    }
  });
  std::printf("word binary fuzz: %llu inputs\n", static_cast<unsigned long long>(runs));
}

TEST(OfficeFuzz_Docx, EndsInTextOrCleanError) {
  const std::string stored =
      test::ZipWriter()
          .Stored(
              "[Content_Types].xml",
              R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override PartName="/w.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>)")
          .Stored(
              "w.xml",
              R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body><w:p><w:r><w:t>a</w:t><w:tab/></w:r><w:del><w:r><w:delText>b</w:delText></w:r></w:del><w:r><w:instrText>c</w:instrText></w:r></w:p></w:body></w:document>)")
          .Bytes();
  const auto budget = test::FuzzBudget::FromEnvironment(8, 1000000);
  const uint64_t runs =
      test::RunFuzz(budget, {Fixture("sample.docx"), stored}, 82, [](const std::string& input) {
        try {
          ReadDocxText(input);
        } catch (const std::exception&) {
        }
      });
  std::printf("package fuzz: %llu inputs\n", static_cast<unsigned long long>(runs));
}

}  // namespace
}  // namespace kws

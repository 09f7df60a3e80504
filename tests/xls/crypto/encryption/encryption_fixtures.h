// Encrypted packages for the decryptor's tests: the two streams of a fixture taken apart, changed
// and put back into a compound file by the tests' own writer, and packages encrypted at run time
// by the fixture writer ooxml_encrypt.py (tests/data/xlsx), which follows the published format
// with python3-cryptography and is independent of the product's code.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "platform/cfb.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/tempdir.h"
#include "tests/xls/realfiles/realfiles.h"

namespace kws::test {

struct EncryptedStreams {
  std::string info;     // "EncryptionInfo"
  std::string package;  // "EncryptedPackage"
};

inline std::string AsString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

inline std::span<const uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

inline EncryptedStreams StreamsOf(const std::string& file) {
  const kws::CfbStorage root = kws::OpenCompoundData(std::vector<uint8_t>(file.begin(), file.end()));
  return {AsString(root.OpenStream(u"EncryptionInfo")->ReadAll()),
          AsString(root.OpenStream(u"EncryptedPackage")->ReadAll())};
}

// A compound file holding the streams; a stream given as nullptr is left out.
inline std::string Wrap(const std::string* info, const std::string* package) {
  CfbWriter w;
  if (info) w.AddStream(u"EncryptionInfo", *info);
  if (package) w.AddStream(u"EncryptedPackage", *package);
  return w.Build().bytes;
}
inline std::string Wrap(const EncryptedStreams& s) { return Wrap(&s.info, &s.package); }

inline std::string XlsxFixture(const std::string& name) {
  return ReadFileBytes(RealFilesDir("xlsx") / (name + ".xlsx"));
}

// `plain` encrypted by ooxml_encrypt.py with a fixed seed and the given options.
inline std::string EncryptWithScript(const std::string& plain, const std::string& password,
                                     const std::string& options) {
  TempDir dir;
  const auto in = dir.Write("plain.bin", plain);
  const auto out = dir.path() / "encrypted.bin";
  const std::string cmd = "/usr/bin/python3 '" + (RealFilesDir("xlsx") / "ooxml_encrypt.py").string() +
                          "' --seed 7 " + options + " '" + in.string() + "' '" + out.string() + "' '" +
                          password + "'";
  if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "fixture writer failed: " << cmd;
  return ReadFileBytes(out);
}

}  // namespace kws::test

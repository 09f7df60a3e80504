// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away. Tests build their fixture trees in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kws::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to the relative path `name`, creating folders on the way; returns the full path.
  std::filesystem::path Write(const std::filesystem::path& name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

// Reads a whole file as bytes.
std::string ReadFileBytes(const std::filesystem::path& file);

}  // namespace kws::test

// TempDir: a fresh temporary folder for one test, removed afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velkaro::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::filesystem::path &path() const { return path_; }
  // The folder as the core's UTF-16 path, with or without a trailing separator.
  std::u16string u16() const;
  std::u16string u16WithSeparator() const;
  // A file of the folder as the core's UTF-16 path.
  std::u16string file(const std::string &name) const;

  void write(const std::string &name, const std::vector<std::uint8_t> &bytes) const;
  std::vector<std::uint8_t> read(const std::string &name) const;

 private:
  std::filesystem::path path_;
};

// Sets the system's temporary folder (TMPDIR; TMP and TEMP on Windows) for
// its lifetime, so that a test can make it unusable.
class ScopedTempFolder {
 public:
  explicit ScopedTempFolder(const std::filesystem::path &folder);
  ~ScopedTempFolder();
  ScopedTempFolder(const ScopedTempFolder &) = delete;
  ScopedTempFolder &operator=(const ScopedTempFolder &) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path &path);
void WriteFileBytes(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes);

}  // namespace velkaro::testing

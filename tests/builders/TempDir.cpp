#include "builders/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <random>
#else
#include <unistd.h>
#endif

#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro::testing {

namespace {

// A test names its files in UTF-8; on Windows path(std::string) would read
// them in the ANSI code page.
std::filesystem::path NamePath(const std::string &name) {
#ifdef _WIN32
  return ToFsPath(FromUtf8(name));
#else
  return name;
#endif
}

}  // namespace

TempDir::TempDir() {
#ifdef _WIN32
  std::random_device random;
  const auto parent = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const auto candidate = parent / ("velkaro-test-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec))
      path_ = candidate;
  }
  if (path_.empty())
    throw std::runtime_error("cannot create a temporary folder");
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "velkaro-test-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
#endif
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::u16string TempDir::u16() const { return FromFsPath(path_); }

std::u16string TempDir::u16WithSeparator() const { return u16() + PathSeparator(); }

std::u16string TempDir::file(const std::string &name) const { return FromFsPath(path_ / NamePath(name)); }

void TempDir::write(const std::string &name, const std::vector<std::uint8_t> &bytes) const {
  WriteFileBytes(path_ / NamePath(name), bytes);
}

std::vector<std::uint8_t> TempDir::read(const std::string &name) const {
  return ReadFileBytes(path_ / NamePath(name));
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

namespace {

void SetVariable(const std::string &name, const std::optional<std::string> &value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
  if (value)
    setenv(name.c_str(), value->c_str(), 1);
  else
    unsetenv(name.c_str());
#endif
}

}  // namespace

ScopedTempFolder::ScopedTempFolder(const std::filesystem::path &folder) {
#ifdef _WIN32
  const char *names[] = {"TMP", "TEMP", "USERPROFILE"};
#else
  const char *names[] = {"TMPDIR"};
#endif
  for (const char *name : names) {
    const char *old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    SetVariable(name, folder.string());
  }
}

ScopedTempFolder::~ScopedTempFolder() {
  for (const auto &[name, value] : saved_)
    SetVariable(name, value);
}

}  // namespace velkaro::testing

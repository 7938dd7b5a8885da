// JwwFixture: a document with its own temporary folder and bound-image work
// folder, and the read/write steps every file-level JWW test takes.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "JwwExpect.h"
#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"

namespace velkaro::testing {

// The versions at which some field of the format appears or changes.
inline constexpr std::int32_t kThresholdVersions[] = {220, 222, 223, 224, 225, 229, 230, 231, 299, 300,
                                                      350, 351, 419, 420, 421, 599, 600, 699, 700};

template <typename Base>
class JwwDocFixture : public Base {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.path() / "work");
    doc.BindImageFolder = dir.file("work") + PathSeparator();
    doc.BindImageExp = true;
    doc.BindImageExr = true;
  }

  std::filesystem::path workPath() const { return dir.path() / "work"; }

  // Writes bytes to `name` in the temporary folder and reads them with FileIn.
  bool read(const ByteVec &bytes, const std::string &name = "in.jww") {
    dir.write(name, bytes);
    return doc.FileIn(dir.file(name));
  }

  // FileOut in the option the conversion batch would choose; the bytes of
  // the file, or empty when FileOut failed.
  bool write(std::int32_t ver, const std::string &name = "out.jww") {
    doc.SetFileOutOption(doc.MojiEncode ? kFileOutUtf16 : 0);
    return doc.FileOut(dir.file(name), ver);
  }

  ByteVec written(const std::string &name = "out.jww") const { return dir.read(name); }

  bool exists(const std::string &name) const { return std::filesystem::exists(dir.path() / name); }

  TempDir dir;
  TJwwData doc;
};

using JwwDocTest = JwwDocFixture<::testing::Test>;

}  // namespace velkaro::testing

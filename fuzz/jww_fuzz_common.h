// Shared set-up of the JWW fuzz targets: a private temporary folder for the
// input file (the file check takes a name), the output file of the writer
// and the bound-image work folder.
//
// Images are listed but not extracted unless VELKARO_FUZZ_EXTRACT is set:
// a reader fault could otherwise write a fuzzed name anywhere on the disk.
// With it set, the work folder lives inside the private folder and extracted
// files are deleted after each input.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include <unistd.h>

#include "jww/JwwUnit.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro::fuzz {

struct FuzzFolder {
  std::filesystem::path root;
  std::u16string input, output, work;
  bool extract = false;

  FuzzFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velkaro-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      std::abort();
    root = pattern;
    std::filesystem::create_directories(root / "work");
    input = FromFsPath(root / "in.jww");
    output = FromFsPath(root / "out.jww");
    work = FromFsPath(root / "work") + PathSeparator();
    extract = std::getenv("VELKARO_FUZZ_EXTRACT") != nullptr;
  }

  void configure(TJwwData &doc) const {
    doc.BindImageFolder = work;
    doc.BindImageExp = extract;
    doc.BindImageExr = true;
  }

  // The input as a file, for the operations that take file names.
  void writeInput(const std::uint8_t *data, std::size_t size) const {
    OutputFile out;
    if (!out.create(input))
      std::abort();
    out.write(std::span<const std::uint8_t>(data, size));
    out.close();
  }
};

inline FuzzFolder &Folder() {
  static FuzzFolder folder;
  return folder;
}

}  // namespace velkaro::fuzz

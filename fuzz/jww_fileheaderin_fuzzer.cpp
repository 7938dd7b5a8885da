// libFuzzer target for TJwwData::FileHeaderIn (in memory) and FileCheck (on
// the same bytes as a file) over arbitrary input: no crash, and a header that
// reads has its tables sized and passes the file check.
#include <cstdint>
#include <cstdlib>

#include "jww_fuzz_common.h"

using namespace velkaro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::FuzzFolder &folder = fuzz::Folder();
  folder.writeInput(data, size);
  TJwwData doc;
  folder.configure(doc);
  const bool checked = doc.FileCheck(folder.input);
  const bool read = doc.FileHeaderInFromBytes(std::span<const std::uint8_t>(data, size));
  // The file path gives the same result as the bytes.
  if (read != doc.FileHeaderIn(folder.input))
    std::abort();
  // A header that reads has a signature and a version that FileCheck accepts.
  if (read && !checked)
    std::abort();
  if (read && (doc.EntLay.size() != 256 || doc.EntColS.size() != 257 || doc.EntMoj.size() != 10 ||
               doc.Enthd.jwVer < 220 || doc.Enthd.jwVer > 700))
    std::abort();
  return 0;
}

// One conversion of a large JWW drawing, for profilers rather than timers:
// callgrind counts its instructions (repeatable however loaded the machine
// is) and /usr/bin/time -v its peak memory, without the builder's memory.
//
//   bench_jww_profile make ENTITIES FILE   lays out the benchmark drawing
//   bench_jww_profile convert IN OUT       FileIn, remap, FileOut, DataFree
//   bench_jww_profile verify IN            converts IN with a map, the result
//                                          with the inverse map, and checks
//                                          that the bytes are IN's again
//
// callgrind --toggle-collect='*ConvertOnce*' leaves the start-up out.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "JwwLargeDrawing.h"
#include "convert/UnitV.h"
#include "jww/JwwUnit.h"
#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/Platform.h"

using namespace velkaro;
using namespace velkaro::testing;

namespace {

const TMojiShuMap kMap{3, 1, 2, 10, 9, 8, 7, 6, 5, 4};

TMojiShuMap Inverse(const TMojiShuMap &map) {
  TMojiShuMap inverse{};
  for (int k = 0; k < 10; ++k)
    inverse[map[k] - 1] = k + 1;
  return inverse;
}

// What the batch does with one file. Kept out of line so that a profiler
// can collect it alone.
// As the conversion batch does it: the drawing's own list read twice and
// written in passing, never held.
[[gnu::noinline]] bool ConvertOnce(const std::filesystem::path &in, const std::filesystem::path &out,
                                   const TMojiShuMap &map) {
  TJwwData doc;
  doc.BindImageFolder = FromFsPath(out.parent_path()) + PathSeparator();
  doc.BindImageExr = true;
  FileBytes bytes;
  if (!doc.FileInForRewrite(FromFsPath(in), bytes)) {
    std::fprintf(stderr, "FileInForRewrite: %s\n", doc.LastError().c_str());
    return false;
  }
  RemapJwwTextKinds(doc, map);
  doc.SetFileOutOption(doc.MojiEncode ? kFileOutUtf16 : 0);
  AtomicFileWriter writer(FromFsPath(out));
  const bool ok = doc.RewriteOut(writer, [&](TEntJwwMoji &t) { RemapMojiShu(map, t.nMojiShu); }) &&
                  writer.commit();
  if (!ok)
    std::fprintf(stderr, "RewriteOut: %s\n", doc.LastError().c_str());
  doc.DataFree();
  return ok;
}

std::vector<char> Contents(const std::filesystem::path &path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

int Make(int entities, const std::filesystem::path &file) {
  const ByteVec data = BuildLargeDrawing(entities);
  std::ofstream f(file, std::ios::binary);
  f.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
  return f.good() ? 0 : 1;
}

int Verify(const std::filesystem::path &in) {
  const auto there = std::filesystem::path(in).concat(".there"),
             back = std::filesystem::path(in).concat(".back");
  const bool converted = ConvertOnce(in, there, kMap) && ConvertOnce(there, back, Inverse(kMap));
  const bool same = converted && Contents(in) == Contents(back);
  std::filesystem::remove(there);
  std::filesystem::remove(back);
  std::printf("%s\n", same ? "same bytes" : "DIFFERENT BYTES");
  return same ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "make" && argc == 4)
    return Make(std::atoi(argv[2]), argv[3]);
  if (command == "convert" && argc == 4)
    return ConvertOnce(argv[2], argv[3], kMap) ? 0 : 1;
  if (command == "verify" && argc == 3)
    return Verify(argv[2]);
  std::fprintf(stderr, "usage: %s make ENTITIES FILE | convert IN OUT | verify IN\n", argv[0]);
  return 2;
}

// Conversion throughput of a large JWW drawing: FileIn, the text-kind remap
// and FileOut of a drawing of 1,000,000 entities (mixed kinds, a tenth of
// them texts), each in MB/s of the file, against a plain copy of the same
// bytes. The drawing is made by the test-side builder, not by the writer.
// Rates are of wall-clock time, since the copy and the writer wait for the disk.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "JwwLargeDrawing.h"
#include "builders/TempDir.h"
#include "convert/UnitV.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"
#include "support/Platform.h"

using namespace velkaro;
using namespace velkaro::testing;

namespace {

constexpr int kEntities = 1'000'000;

struct Fixture {
  TempDir folder;
  std::u16string source, copy, output, work;
  std::size_t bytes = 0;

  Fixture() {
    std::filesystem::create_directories(folder.path() / "work");
    const ByteVec data = BuildLargeDrawing(kEntities);
    bytes = data.size();
    folder.write("in.jww", data);
    source = folder.file("in.jww");
    copy = folder.file("copy.jww");
    output = folder.file("out.jww");
    work = folder.file("work") + PathSeparator();
  }

  void configure(TJwwData &doc) const {
    doc.BindImageFolder = work;
    doc.BindImageExp = true;
    doc.BindImageExr = true;
  }
};

Fixture &Shared() {
  static Fixture fixture;
  return fixture;
}

const TMojiShuMap kMap{3, 1, 2, 10, 9, 8, 7, 6, 5, 4};

// The yardstick: the file read and written back with stdio, 1 MiB at a time.
void BM_PlainCopy(benchmark::State &state) {
  Fixture &fx = Shared();
  std::vector<char> buffer(1 << 20);
  const auto in = ToFsPath(fx.source), out = ToFsPath(fx.copy);
  for (auto _ : state) {
    std::FILE *r = std::fopen(in.c_str(), "rb");
    std::FILE *w = std::fopen(out.c_str(), "wb");
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), r)) > 0)
      std::fwrite(buffer.data(), 1, n, w);
    std::fclose(r);
    if (std::fflush(w) != 0 || fsync(fileno(w)) != 0)
      state.SkipWithError("copy failed");
    std::fclose(w);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fx.bytes));
}

void BM_FileIn(benchmark::State &state) {
  Fixture &fx = Shared();
  TJwwData doc;
  fx.configure(doc);
  for (auto _ : state) {
    if (!doc.FileIn(fx.source))
      state.SkipWithError("FileIn failed");
  }
  state.counters["entities"] = doc.Enthd.n1;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fx.bytes));
}

void BM_RemapJwwTextKinds(benchmark::State &state) {
  Fixture &fx = Shared();
  TJwwData doc;
  fx.configure(doc);
  if (!doc.FileIn(fx.source)) {
    state.SkipWithError("FileIn failed");
    return;
  }
  for (auto _ : state)
    RemapJwwTextKinds(doc, kMap);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fx.bytes));
}

void BM_FileOut(benchmark::State &state) {
  Fixture &fx = Shared();
  TJwwData doc;
  fx.configure(doc);
  if (!doc.FileIn(fx.source)) {
    state.SkipWithError("FileIn failed");
    return;
  }
  doc.SetFileOutOption(0);
  for (auto _ : state) {
    if (!doc.FileOut(fx.output, 700))
      state.SkipWithError("FileOut failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fx.bytes));
}

// Read whole, remap, write, free: the document path. The conversion batch
// streams the entity list instead (bench_jww_batch_floor times it).
void BM_WholeConversion(benchmark::State &state) {
  Fixture &fx = Shared();
  TJwwData doc;
  fx.configure(doc);
  for (auto _ : state) {
    if (!doc.FileIn(fx.source)) {
      state.SkipWithError("FileIn failed");
      break;
    }
    RemapJwwTextKinds(doc, kMap);
    doc.SetFileOutOption(doc.MojiEncode ? kFileOutUtf16 : 0);
    if (!doc.FileOut(fx.output, doc.Enthd.jwVer))
      state.SkipWithError("FileOut failed");
    doc.DataFree();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fx.bytes));
}

}  // namespace

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_FileIn)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_RemapJwwTextKinds)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_FileOut)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_WholeConversion)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

BENCHMARK_MAIN();

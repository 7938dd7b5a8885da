// Preview geometry of large JWW drawings: building the display geometry of a
// 10,000- and a 1,000,000-entity drawing (mixed kinds, a tenth texts, a tenth
// block references of a small block), reading plus building for the 10,000
// one (what selecting a row in the window costs; the window aims at 200 ms),
// and writing its SVG. Drawings are made by the test-side builder.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "JwwLargeDrawing.h"
#include "builders/JwwBuilder.h"
#include "jww/JwwUnit.h"
#include "preview/PreviewGeometry.h"
#include "preview/PreviewSvg.h"

using namespace velkaro;
using namespace velkaro::testing;

namespace {

JwwEntity PreviewEntity(int i) {
  const double x = (i % 1000) * 2.0, y = (i / 1000) * 2.0;
  switch (i % 10) {
    case 0: {
      TEntJwwMoji t = Text(u"文字 A", 1 + i % 10);
      t.start_x = x;
      t.start_y = y;
      return t;
    }
    case 1:
    case 2:
    case 3: return Line(x, y, x + 1, y + 0.5, Attr(1, 1 + i % 9));
    case 4: {
      TEntJwwEnko a;
      a.att = Attr(1, 2);
      a.start_x = x;
      a.start_y = y;
      a.dHankei = 0.7;
      a.radEnkoKaku = 4;
      a.dHenpeiRitsu = 0.5;
      return a;
    }
    case 5: return Point(x, y, Attr(1, 3));
    case 6: {
      TEntJwwSolid s;
      s.att = Attr(1, 4);
      s.start_x = x;
      s.start_y = y;
      s.end_x = x + 1;
      s.end_y = y;
      s.DPoint2_x = x + 1;
      s.DPoint2_y = y + 1;
      s.DPoint3_x = x;
      s.DPoint3_y = y + 1;
      return s;
    }
    case 7: return Dimension(x, 0, Attr(1, 2));
    case 8: return Line(x, y + 1, x + 1, y, Attr(1, 5));
    default: {
      TEntJwwBlock b = BlockRef(0, x, y);
      b.dBairitsuX = b.dBairitsuY = 0.5;
      b.radKaitenKaku = 0.3;
      return b;
    }
  }
}

ByteVec BuildDrawing(int entities) {
  return BuildLargeDrawing(entities, PreviewEntity,
                           {JwwEntity(Line(0, 0, 1, 1)), JwwEntity(Line(1, 0, 0, 1)),
                            JwwEntity(Text(u"in block", 2))});
}

const ByteVec &Drawing(int entities) {
  static std::map<int, ByteVec> made;
  auto it = made.find(entities);
  if (it == made.end())
    it = made.emplace(entities, BuildDrawing(entities)).first;
  return it->second;
}

std::unique_ptr<TJwwData> Read(int entities) {
  auto doc = std::make_unique<TJwwData>();
  if (!doc->FileInFromBytes(Drawing(entities)))
    return nullptr;
  return doc;
}

void BM_PreviewGeometry(benchmark::State &state) {
  const auto doc = Read(static_cast<int>(state.range(0)));
  if (!doc) {
    state.SkipWithError("FileIn failed");
    return;
  }
  std::size_t primitives = 0;
  for (auto _ : state) {
    const PreviewGeometry g = BuildPreviewGeometry(*doc);
    primitives = g.size();
    benchmark::DoNotOptimize(primitives);
  }
  state.counters["primitives"] = static_cast<double>(primitives);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PreviewGeometry)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Reading the bytes and building the geometry, as the window's worker does.
void BM_ReadAndPreview(benchmark::State &state) {
  const ByteVec &bytes = Drawing(static_cast<int>(state.range(0)));
  std::size_t primitives = 0;
  for (auto _ : state) {
    TJwwData doc;
    if (!doc.FileInFromBytes(bytes)) {
      state.SkipWithError("FileIn failed");
      return;
    }
    primitives = BuildPreviewGeometry(doc).size();
    benchmark::DoNotOptimize(primitives);
  }
  state.counters["primitives"] = static_cast<double>(primitives);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadAndPreview)->Arg(10'000)->Unit(benchmark::kMillisecond);

void BM_PreviewSvg(benchmark::State &state) {
  const auto doc = Read(static_cast<int>(state.range(0)));
  if (!doc) {
    state.SkipWithError("FileIn failed");
    return;
  }
  const PreviewGeometry g = BuildPreviewGeometry(*doc);
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = PreviewSvg(g).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["svg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PreviewSvg)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

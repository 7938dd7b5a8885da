// Several documents on several threads at once, as the command line uses
// them: each thread's results must be those of the same work done alone.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "builders/TempDir.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "JwcTestUtil.h"

namespace velkaro::testing {
namespace {

TEST(JwcThreads, DocumentsOnSeparateThreadsDoNotInterfere) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 25;
  TempDir dir;
  std::vector<ByteVec> inputs;
  for (int t = 0; t < kThreads; ++t) {
    JwcBuilder b = JwcRichDrawing();
    for (int k = 0; k <= t; ++k) b.addLine(JwcLineRec{static_cast<float>(t), static_cast<float>(k)});
    b.addText(JwcTextRec{}, "thread " + std::to_string(t));
    inputs.push_back(b.build());
    dir.write("in" + std::to_string(t) + ".jwc", inputs.back());
  }
  const ByteVec jwk = JwkBuilder().build();
  const ByteVec jws = JwsBuilder().build();

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      TJwcData jwc;
      TJwkData figure;
      TJwsData symbol;
      const std::string out = "out" + std::to_string(t) + ".jwc";
      for (int round = 0; round < kRounds; ++round) {
        if (!jwc.FileIn(dir.file("in" + std::to_string(t) + ".jwc"))) ++failures;
        if (jwc.lineN != 2 + t + 1) ++failures;
        if (!jwc.FileOut(dir.file(out))) ++failures;
        if (!figure.FileHeaderInFromBytes(jwk) || !symbol.FileHeaderInFromBytes(jws)) ++failures;
        jwc.DataFree();
      }
    });
  }
  for (auto &th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(dir.read("out" + std::to_string(t) + ".jwc"), inputs[t]) << t;
  }
}

}  // namespace
}  // namespace velkaro::testing

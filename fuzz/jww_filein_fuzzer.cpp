// libFuzzer target for TJwwData::FileIn over arbitrary bytes.
//
// Besides "no crash, no sanitizer report, no runaway allocation", it checks
// what must hold for every input: a document that FileIn accepted keeps its
// arrays and counts in step, and when FileOut writes it, the file written
// reads back and can be written again. (The bytes of a second generation may
// differ: text cleaning and the print-dpi field can take two writes to settle.)
// The conversion's streamed path must accept what FileIn accepted and write
// the very bytes FileOut wrote.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "jww_fuzz_common.h"

using namespace velkaro;

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

void CheckRewriteMatches(fuzz::FuzzFolder &folder, const std::uint8_t *data, std::size_t size) {
  folder.writeInput(data, size);
  TJwwData streamed;
  folder.configure(streamed);
  FileBytes bytes;
  Check(streamed.FileInForRewrite(folder.input, bytes));
  streamed.SetFileOutOption(streamed.MojiEncode ? kFileOutUtf16 : 0);
  const std::u16string rewritten = FromFsPath(folder.root / "rewritten.jww");
  AtomicFileWriter out(rewritten);
  Check(streamed.RewriteOut(out, [](TEntJwwMoji &) {}) && out.commit());
  FileBytes whole, again;
  Check(ReadWholeFile(folder.output, whole) && ReadWholeFile(rewritten, again));
  Check(std::ranges::equal(whole.bytes(), again.bytes()));
  streamed.BindImageDeleteGzFile();
  streamed.BindImageDeleteNonGzFile();
}

// What FileIn refuses, the conversion's own reading refuses too.
void CheckRewriteRefuses(fuzz::FuzzFolder &folder, const std::uint8_t *data, std::size_t size) {
  folder.writeInput(data, size);
  TJwwData streamed;
  folder.configure(streamed);
  FileBytes bytes;
  Check(!streamed.FileInForRewrite(folder.input, bytes));
  streamed.BindImageDeleteGzFile();
  streamed.BindImageDeleteNonGzFile();
}

void CheckCounts(const TJwwData &d) {
  Check(d.EntLine.size() == static_cast<std::size_t>(d.EntLineN));
  Check(d.EntEnko.size() == static_cast<std::size_t>(d.EntEnkoN));
  Check(d.EntTen.size() == static_cast<std::size_t>(d.EntTenN));
  Check(d.EntMoji.size() == static_cast<std::size_t>(d.EntMojiN));
  Check(d.EntSunpo.size() == static_cast<std::size_t>(d.EntSunpoN));
  Check(d.EntSolid.size() == static_cast<std::size_t>(d.EntSolidN));
  Check(d.EntBlock.size() == static_cast<std::size_t>(d.EntBlockN));
  Check(d.EntBlockTree.size() == static_cast<std::size_t>(d.EntBlockTreeN));
  Check(d.BindImage.size() == static_cast<std::size_t>(d.BindImageN));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::FuzzFolder &folder = fuzz::Folder();
  TJwwData doc;
  folder.configure(doc);
  if (doc.FileInFromBytes(std::span<const std::uint8_t>(data, size))) {
    CheckCounts(doc);
    doc.SetFileOutOption(doc.MojiEncode ? kFileOutUtf16 : 0);
    if (doc.Enthd.jwVer >= 220 && doc.Enthd.jwVer <= 700 && doc.FileOut(folder.output, doc.Enthd.jwVer)) {
      CheckRewriteMatches(folder, data, size);
      TJwwData again;
      folder.configure(again);
      Check(again.FileIn(folder.output));
      CheckCounts(again);
      again.SetFileOutOption(again.MojiEncode ? kFileOutUtf16 : 0);
      Check(again.FileOut(folder.output, again.Enthd.jwVer));
      again.BindImageDeleteGzFile();
      again.BindImageDeleteNonGzFile();
    }
  } else {
    CheckRewriteRefuses(folder, data, size);
  }
  doc.BindImageDeleteGzFile();
  doc.BindImageDeleteNonGzFile();
  return 0;
}

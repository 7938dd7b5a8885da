// What a file is, by its name and by its content, and what the opener then
// reads of it: one table over drawings and figures from the test builders,
// some under names that belie their content.
#include <gtest/gtest.h>

#include "builders/JwcBuilder.h"
#include "builders/JwwBuilder.h"
#include "builders/TempDir.h"
#include "convert/DrawingOpener.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"

namespace velkaro {
namespace {

using testing::ByteVec;

ByteVec JwwDrawing() { return testing::BuildJww(testing::MakeCanonicalDrawing(700)).bytes; }

struct OpenerCase {
  const char *name;
  ByteVec (*bytes)();
  JwFormat byContent;
  JwFormat byExtension;   // the listing's rule
  JwFormat convertibleAs;  // the batch's rule
};

const OpenerCase kOpenerCases[] = {
    {"a.jww", JwwDrawing, JwFormat::Jww, JwFormat::Jww, JwFormat::Jww},
    {"a.bk10", JwwDrawing, JwFormat::Jww, JwFormat::Jww, JwFormat::None},
    {"a.jw$", JwwDrawing, JwFormat::Jww, JwFormat::Jww, JwFormat::None},
    {"a.bk0", JwwDrawing, JwFormat::Jww, JwFormat::None, JwFormat::None},
    {"b.JWC", [] { return testing::JwcBuilder().build(); }, JwFormat::Jwc, JwFormat::Jwc,
     JwFormat::Jwc},
    {"c.jws", [] { return testing::JwsBuilder().build(); }, JwFormat::Jws, JwFormat::Jws,
     JwFormat::None},
    {"d.jwk", [] { return testing::JwkBuilder().build(); }, JwFormat::Jwk, JwFormat::Jwk,
     JwFormat::None},
    // Named as one format, holding another: the name decides for the listing
    // and the batch, the content for the preview and the facts.
    {"e.jww", [] { return testing::JwcBuilder().build(); }, JwFormat::Jwc, JwFormat::Jww,
     JwFormat::Jww},
    {"f.txt", JwwDrawing, JwFormat::Jww, JwFormat::None, JwFormat::None},
    {"g.jwc", [] { return ByteVec{'n', 'o', 't', 'e'}; }, JwFormat::None, JwFormat::Jwc,
     JwFormat::Jwc},
};

class OpenerTable : public ::testing::TestWithParam<OpenerCase> {};

TEST_P(OpenerTable, SaysWhatTheFileIsAndOpensIt) {
  const OpenerCase &c = GetParam();
  testing::TempDir dir;
  dir.write(c.name, c.bytes());
  const std::u16string path = dir.file(c.name);
  const std::u16string e = ExtensionOfName(path);

  EXPECT_EQ(FormatOfContent(path), c.byContent);
  EXPECT_EQ(FormatOfExtension(e), c.byExtension);
  EXPECT_EQ(ConvertibleFormatOfExtension(e), c.convertibleAs);

  // The listing reads a header only where the name and the content agree.
  TJwwData JWW;
  TJwsData JWS;
  TJwcData JWC;
  TJwkData JWK;
  const bool agree = c.byExtension != JwFormat::None && c.byExtension == c.byContent;
  EXPECT_EQ(OpenHeader(c.byExtension, path, {JWW, JWS, JWC, JWK}), agree);

  const OpenedFile file = OpenByContent(path, {.figureHeaders = true});
  EXPECT_EQ(file.format, c.byContent);
  EXPECT_EQ(file.error.empty(), c.byContent != JwFormat::None) << file.error;
  EXPECT_EQ(file.JWW != nullptr, c.byContent == JwFormat::Jww);
  EXPECT_EQ(file.JWC != nullptr, c.byContent == JwFormat::Jwc);
  EXPECT_EQ(file.JWS != nullptr, c.byContent == JwFormat::Jws);
  EXPECT_EQ(file.JWK != nullptr, c.byContent == JwFormat::Jwk);
}

INSTANTIATE_TEST_SUITE_P(Files, OpenerTable, ::testing::ValuesIn(kOpenerCases),
                         [](const auto &info) {
                           std::string name;
                           for (const char ch : std::string(info.param.name))
                             name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                           return name;
                         });

// A file that passes the check but cannot be read whole says which format it
// claimed and where its reader gave up; a figure is only recognised unless
// its header is asked for.
TEST(Opener, TellsWhyAClaimedDrawingCouldNotBeRead) {
  testing::TempDir dir;
  const testing::JwwFile jww = testing::BuildJww(testing::MakeCanonicalDrawing(700));
  dir.write("cut.jww", testing::TruncateAt(jww.bytes, jww.at("entityCount")));
  const OpenedFile cut = OpenByContent(dir.file("cut.jww"));
  EXPECT_EQ(cut.format, JwFormat::Jww);
  EXPECT_EQ(cut.error, "a JWW file that could not be read");
  EXPECT_NE(cut.detail.find("File I/O Error"), std::string::npos) << cut.detail;

  dir.write("d.jwk", testing::JwkBuilder().build());
  const OpenedFile figure = OpenByContent(dir.file("d.jwk"));
  EXPECT_EQ(figure.format, JwFormat::Jwk);
  EXPECT_TRUE(figure.error.empty());
  EXPECT_EQ(figure.JWK, nullptr);
}

}  // namespace
}  // namespace velkaro

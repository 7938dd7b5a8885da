// The header readers of JWK and JWS figures, and the JWS document's lifecycle.
#include <gtest/gtest.h>

#include "builders/TempDir.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "JwcTestUtil.h"

namespace velkaro::testing {
namespace {

// ---- JWK --------------------------------------------------------------------

TEST(JwkHeader, EveryFieldReadsBack) {
  JwkBuilder b;
  b.comment1 = kSjisMoji + " memo";
  b.comment2 = "second";
  b.values = {"11", "12", "13", "14", "1.5", "-2.5", "0.75", "16", "0.5"};
  TJwkData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build())) << d.LastError();
  const TEntJwkHeader &h = d.Enthd;
  EXPECT_EQ(h.jwID, u"jw_cad(c)sym........");
  EXPECT_EQ(h.comment1, u"文字 memo");
  EXPECT_EQ(h.comment2, u"second");
  EXPECT_EQ(h.lineCount, 11);
  EXPECT_EQ(h.arcCount, 12);
  EXPECT_EQ(h.tenCount, 13);
  EXPECT_EQ(h.mojiCount, 14);
  EXPECT_EQ(h.org_x, 1.5f);
  EXPECT_EQ(h.org_y, -2.5f);
  EXPECT_EQ(h.dispScale, 0.75f);
  EXPECT_EQ(h.strSpace, 16);
  EXPECT_EQ(h.scale, 0.5f);
  EXPECT_TRUE(h.para.empty());
  EXPECT_EQ(d.EntMjtp.size(), 12u);
  EXPECT_EQ(d.lineN, 0);
  EXPECT_TRUE(d.EntLine.empty());
}

struct JwkScaleCase {
  const char *text;
  float scale;
};

class JwkScaleTest : public ::testing::TestWithParam<JwkScaleCase> {};

TEST_P(JwkScaleTest, NoScaleReadsAsOne) {
  JwkBuilder b;
  b.values[8] = GetParam().text;
  TJwkData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.scale, GetParam().scale) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Scales, JwkScaleTest,
                         ::testing::Values(JwkScaleCase{"0", 1.0f}, JwkScaleCase{"", 1.0f},
                                           JwkScaleCase{"-2", 1.0f}, JwkScaleCase{"1e-14", 1.0f},
                                           JwkScaleCase{"2e-14", 2e-14f},
                                           JwkScaleCase{"0.5", 0.5f}, JwkScaleCase{"x", 1.0f},
                                           JwkScaleCase{"100", 100.0f}));

TEST(JwkHeader, FewerThanNineValuesReadTheRestAsZero) {
  JwkBuilder b;
  b.values = {"3", "4"};
  TJwkData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_EQ(d.Enthd.lineCount, 3);
  EXPECT_EQ(d.Enthd.arcCount, 4);
  EXPECT_EQ(d.Enthd.tenCount, 0);
  EXPECT_EQ(d.Enthd.dispScale, 0.0f);  // the default 1 is not kept
  EXPECT_EQ(d.Enthd.strSpace, 0);
  EXPECT_EQ(d.Enthd.scale, 1.0f);
}

class JwkLengthTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(JwkLengthTest, NeedsABeginningOfBothBlocks) {
  ByteVec bytes = JwkBuilder().build();
  bytes.resize(GetParam());
  TJwkData d;
  EXPECT_EQ(d.FileHeaderInFromBytes(bytes), GetParam() > 200) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Lengths, JwkLengthTest, ::testing::Values(0, 1, 199, 200, 201, 399, 400));

TEST(JwkHeader, ReadsFilesAndChecksTheSignature) {
  TempDir dir;
  JwkBuilder b;
  b.comment1 = "figure";
  b.body = std::string(3000, '\x01');
  dir.write("f.jwk", b.build());
  dir.write("d.jwc", JwcBuilder().build());
  JwkBuilder upper;
  upper.jwID = "JW_CAD(C)SYM........";
  dir.write("u.jwk", upper.build());
  TJwkData d;
  EXPECT_TRUE(d.FileCheck(dir.file("f.jwk")));
  EXPECT_FALSE(d.FileCheck(dir.file("d.jwc")));
  EXPECT_FALSE(d.FileCheck(dir.file("u.jwk")));
  EXPECT_FALSE(d.FileCheck(dir.file("missing.jwk")));
  ASSERT_TRUE(d.FileHeaderIn(dir.file("f.jwk"))) << d.LastError();
  EXPECT_EQ(d.Enthd.comment1, u"figure");
  EXPECT_FALSE(d.FileHeaderIn(dir.file("missing.jwk")));
  EXPECT_TRUE(d.Enthd.comment1.empty());  // every read starts from DataInit
  TJwcData jwc;
  EXPECT_FALSE(jwc.FileCheck(dir.file("f.jwk")));
  EXPECT_TRUE(jwc.FileCheck(dir.file("d.jwc")));
}

TEST(JwkHeader, NineteenByteFileFailsTheCheck) {
  TJwkData d;
  const std::string sig = "jw_cad(c)sym.......";
  EXPECT_FALSE(d.FileCheckFromBytes(ByteVec(sig.begin(), sig.end())));
}

// ---- JWS --------------------------------------------------------------------

JwsBuilder DistinctJws() {
  JwsBuilder b;
  b.jwVer = 420;
  b.basePointX = 1.25;
  b.basePointY = -2.5;
  for (std::size_t g = 0; g < 16; ++g) b.groupScale[g] = 1.0 + static_cast<double>(g) / 8;
  for (std::size_t k = 0; k < 6; ++k) {
    b.dmyInt[k] = static_cast<std::int32_t>(100 + k);
    b.dmyReal[k] = 0.5 + static_cast<double>(k);
  }
  b.mx1 = 10.5;
  b.my1 = 20.5;
  b.mx2 = 30.5;
  b.my2 = 40.5;
  return b;
}

TEST(JwsHeader, EveryFieldReadsBack) {
  const ByteVec bytes = DistinctJws().build();
  ASSERT_EQ(bytes.size(), 452u);
  TJwsData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(bytes)) << d.LastError();
  const TEntJwsHeader &h = d.Enthd;
  EXPECT_EQ(h.jwID, u"JwsData");
  EXPECT_EQ(h.jwVer, 420);
  EXPECT_EQ(h.BasePoint_x, 1.25);
  EXPECT_EQ(h.BasePoint_y, -2.5);
  ASSERT_EQ(d.EntLgrp.size(), 16u);
  for (std::size_t g = 0; g < 16; ++g) {
    EXPECT_EQ(d.EntLgrp[g].adScale, 1.0 + static_cast<double>(g) / 8) << g;
    EXPECT_EQ(d.EntLgrp[g].anGLay, 2);
    EXPECT_EQ(d.EntLgrp[g].anWriteLay, 0);
    EXPECT_EQ(d.EntLgrp[g].anGLayProtect, 0);
    EXPECT_TRUE(d.EntLgrp[g].aStrGLayName.empty());
  }
  const std::int32_t ints[6] = {h.dmy01, h.dmy02, h.dmy03, h.dmy04, h.dmy05, h.dmy06};
  const double reals[6] = {h.dmy11, h.dmy12, h.dmy13, h.dmy14, h.dmy15, h.dmy16};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(ints[k], 100 + k) << k;
    EXPECT_EQ(reals[k], 0.5 + k) << k;
  }
  EXPECT_EQ(h.Mx1, 10.5);
  EXPECT_EQ(h.My1, 20.5);
  EXPECT_EQ(h.Mx2, 30.5);
  EXPECT_EQ(h.My2, 40.5);
  EXPECT_EQ(h.n1, 0);
  EXPECT_EQ(h.n2, 0);
  EXPECT_TRUE(d.EntMoj.empty());
}

struct VersionCase {
  std::int32_t version;
  bool ok;
};

class JwsVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(JwsVersionTest, From230To700) {
  JwsBuilder b;
  b.jwVer = GetParam().version;
  const ByteVec bytes = b.build();
  TJwsData d;
  EXPECT_EQ(d.FileCheckFromBytes(bytes), GetParam().ok);
  EXPECT_EQ(d.FileHeaderInFromBytes(bytes), GetParam().ok);
  if (!GetParam().ok) {
    EXPECT_NE(d.LastError().find("JWS-Version Error"), std::string::npos) << d.LastError();
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, JwsVersionTest,
                         ::testing::Values(VersionCase{229, false}, VersionCase{230, true},
                                           VersionCase{700, true}, VersionCase{701, false},
                                           VersionCase{0, false}, VersionCase{-230, false},
                                           VersionCase{600, true}));

class JwsLengthTest : public ::testing::TestWithParam<std::size_t> {};

// The check needs the whole version; the header needs a first byte of My2.
TEST_P(JwsLengthTest, CheckAndHeaderByLength) {
  JwsBuilder b;
  b.jwVer = 230;  // 0xE6: a version cut after its first byte would still read 230
  ByteVec bytes = b.build();
  bytes.resize(GetParam());
  TJwsData d;
  EXPECT_EQ(d.FileCheckFromBytes(bytes), GetParam() >= 204) << GetParam();
  EXPECT_EQ(d.FileHeaderInFromBytes(bytes), GetParam() > 444) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Lengths, JwsLengthTest,
                         ::testing::Values(0, 7, 100, 200, 201, 203, 204, 212, 300, 443, 444, 445,
                                           451, 452));

TEST(JwsHeader, My2CutShortKeepsTheBytesThatWereThere) {
  JwsBuilder b;
  b.my2 = 1.0;  // 00 00 00 00 00 00 F0 3F
  ByteVec bytes = b.build();
  bytes.resize(451);
  TJwsData d;
  ASSERT_TRUE(d.FileHeaderInFromBytes(bytes));
  // The seven bytes present are the low-order ones; the missing top byte is zero.
  std::uint64_t bits = 0;
  std::memcpy(&bits, &d.Enthd.My2, 8);
  EXPECT_EQ(bits, 0x00F0000000000000ull);
}

struct SignatureCase {
  const char *name;
  std::string signature;
};

class JwsSignatureTest : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(JwsSignatureTest, OtherSignaturesFail) {
  JwsBuilder b;
  b.signature = GetParam().signature;
  TJwsData d;
  EXPECT_FALSE(d.FileCheckFromBytes(b.build()));
  EXPECT_FALSE(d.FileHeaderInFromBytes(b.build()));
  EXPECT_NE(d.LastError().find("JWS-Header Error"), std::string::npos) << d.LastError();
}

INSTANTIATE_TEST_SUITE_P(Signatures, JwsSignatureTest,
                         ::testing::Values(SignatureCase{"Jww", "JwwData"},
                                           SignatureCase{"LowerCase", "jwsdata"},
                                           SignatureCase{"Short", "JwsDat"},
                                           SignatureCase{"Empty", ""}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(JwsHeader, ReadsFiles) {
  TempDir dir;
  JwsBuilder b = DistinctJws();
  b.body = std::string(10000, '\x7F');
  dir.write("f.jws", b.build());
  TJwsData d;
  EXPECT_TRUE(d.FileCheck(dir.file("f.jws")));
  ASSERT_TRUE(d.FileHeaderIn(dir.file("f.jws"))) << d.LastError();
  EXPECT_EQ(d.Enthd.jwVer, 420);
  EXPECT_EQ(d.Enthd.My2, 40.5);
  EXPECT_FALSE(d.FileCheck(dir.file("missing.jws")));
  EXPECT_FALSE(d.FileHeaderIn(dir.file("missing.jws")));
  EXPECT_EQ(d.Enthd.jwVer, 0);
}

TEST(JwsLifecycle, DataInitKeepsTheImageSettings) {
  TJwsData d;
  EXPECT_TRUE(d.EntMoj.empty());
  EXPECT_TRUE(d.EntLgrp.empty());
  d.BindImageFolder = u"/tmp/images";
  d.BindImageExp = true;
  d.BindImageExr = true;
  d.MojiEncode = true;
  d.FileOutOpt = 3;
  d.BindImage.resize(2);
  d.BindImageN = 2;
  d.FontNames = {u"MS Gothic"};
  d.FontNameN = 1;
  d.EntLineN = 4;
  d.EntBlockNum = 9;
  d.Enthd.jwVer = 600;
  d.DataInit();
  EXPECT_EQ(d.BindImageFolder, u"/tmp/images");
  EXPECT_TRUE(d.BindImageExp);
  EXPECT_TRUE(d.BindImageExr);
  EXPECT_FALSE(d.MojiEncode);
  EXPECT_EQ(d.FileOutOpt, 0);
  EXPECT_TRUE(d.BindImage.empty());
  EXPECT_EQ(d.BindImageN, 0);
  EXPECT_TRUE(d.FontNames.empty());
  EXPECT_EQ(d.FontNameN, 0);
  EXPECT_EQ(d.EntLineN, 0);
  EXPECT_EQ(d.EntBlockNum, 0);
  EXPECT_EQ(d.Enthd.jwVer, 0);
}

TEST(JwsLifecycle, DataFreeEmptiesTheBlockDefinitions) {
  TJwsData d;
  d.EntBlockDef.resize(2);
  d.EntBlockDef[0].mLine.resize(3);
  d.EntBlockDef[0].mLineN = 3;
  d.EntBlockDefN = 2;
  d.DataFree();
  EXPECT_TRUE(d.EntBlockDef.empty());
  EXPECT_EQ(d.EntBlockDefN, 0);
}

TEST(JwsLifecycle, BindImageInitEmptiesTheImageList) {
  TJwsData d;
  d.BindImage.resize(3);
  d.BindImageN = 3;
  d.BindImageInit();
  EXPECT_TRUE(d.BindImage.empty());
  EXPECT_EQ(d.BindImageN, 0);
}

}  // namespace
}  // namespace velkaro::testing

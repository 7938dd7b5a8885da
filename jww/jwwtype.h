// jwwtype: the records of a JWW drawing held in memory.
//
// Entity records start with the fields their file body stores in one fixed
// block, in the file's order and widths; string fields follow. Flags named b*
// that are numbers stay numbers (0 false, anything else true). Coordinates are
// drawing millimetres, rad* angles radians, deg* angles degrees.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velkaro {

// Attribute record at the start of every entity record.
struct TEntJwwAttr {
  std::uint32_t lGroup = 0;
  std::uint8_t nPenStyle = 0;
  std::uint16_t nPenColor = 0;
  std::uint16_t nPenWidth = 0;  // not stored before version 351
  std::uint16_t nLayer = 0;
  std::uint16_t nGLayer = 0;
  std::uint16_t sFlg = 0;  // for texts, 0x20 marks vertical writing
};

struct TEntJwwLine {
  TEntJwwAttr att;
  double start_x = 0, start_y = 0, end_x = 0, end_y = 0;
};

struct TEntJwwEnko {
  TEntJwwAttr att;
  double start_x = 0, start_y = 0;  // centre
  double dHankei = 0;
  double radKaishiKaku = 0;
  double radEnkoKaku = 0;
  double radKatamukiKaku = 0;
  double dHenpeiRitsu = 0;
  std::uint32_t bZenEnFlg = 0;
};

struct TEntJwwTen {
  TEntJwwAttr att;
  double start_x = 0, start_y = 0;
  std::uint32_t bKariten = 0;
  // Meaningful only when att.nPenStyle is 100.
  std::uint32_t nCode = 0;
  double radKaitenKaku = 0;
  double dBairitsu = 0;
};

struct TEntJwwMoji {
  TEntJwwAttr att;
  double start_x = 0, start_y = 0, end_x = 0, end_y = 0;
  // Kind in the value mod 10000 (1..10 name EntMoj entries 0..9), font style
  // code in the value div 10000.
  std::uint32_t nMojiShu = 0;
  double dSizeX = 0, dSizeY = 0, dKankaku = 0, degKakudo = 0;
  std::u16string strFontName;
  std::u16string str;
};

struct TEntJwwSunpo {
  TEntJwwAttr att;  // the dimension's own attribute
  TEntJwwLine Sen;
  TEntJwwMoji Moji;
  std::uint16_t bSxfMode = 0;
  TEntJwwLine Ho1, Ho2;
  TEntJwwTen Te1, Te2, Kt1, Kt2;
};

struct TEntJwwSolid {
  TEntJwwAttr att;
  double start_x = 0, start_y = 0, end_x = 0, end_y = 0;
  double DPoint2_x = 0, DPoint2_y = 0, DPoint3_x = 0, DPoint3_y = 0;
  std::uint32_t Color = 0;  // meaningful only when att.nPenColor is 10
};

struct TEntJwwBlock {
  TEntJwwAttr att;
  double DPKijunTen_x = 0, DPKijunTen_y = 0;
  double dBairitsuX = 0, dBairitsuY = 0;
  double radKaitenKaku = 0;
  std::uint32_t nNumber = 0;
};

// Entity kinds of TEntJwwNo::EntType (and 8, block definition, on disk).
enum JwwEntityKind : std::int32_t {
  kJwwNone = 0,
  kJwwLine = 1,
  kJwwEnko = 2,
  kJwwTen = 3,
  kJwwMoji = 4,
  kJwwSunpo = 5,
  kJwwSolid = 6,
  kJwwBlock = 7,
  kJwwBlockDef = 8,
};

// One entry of an entity order list; kind 0 is an empty entry.
struct TEntJwwNo {
  std::int32_t EntType = 0;
  std::int32_t EntNo = 0;
};

struct TEntJwwBlockDef {
  TEntJwwAttr att;
  std::uint32_t nNumber = 0;
  std::uint32_t bRefferd = 0;
  std::uint32_t dtime = 0;
  std::u16string strName;
  std::int32_t N = 0;
  std::vector<TEntJwwNo> mNo;
  std::int32_t mLineN = 0, mEnkoN = 0, mTenN = 0, mMojiN = 0, mSunpoN = 0, mSolidN = 0,
               mBlockN = 0;
  std::vector<TEntJwwLine> mLine;
  std::vector<TEntJwwEnko> mEnko;
  std::vector<TEntJwwTen> mTen;
  std::vector<TEntJwwMoji> mMoji;
  std::vector<TEntJwwSunpo> mSunpo;
  std::vector<TEntJwwSolid> mSolid;
  std::vector<TEntJwwBlock> mBlock;
  bool ref_flag = false;   // reached by some block reference (MakeBlockTree)
  std::int32_t ref_no = -1;  // dense number among referenced definitions
};

// One placement of a block, in drawing coordinates (MakeBlockTree).
struct TEntJwwBlockTree {
  TEntJwwAttr att;
  std::int32_t level = 0;
  std::int32_t parent = -1;
  std::uint32_t no = 0;
  std::int32_t defno = -1;
  std::u16string name;
  double x = 0, y = 0;
  double r1 = 0, r2 = 0, r3 = 0, r4 = 0;  // X = x + r1*u + r2*v, Y = y + r3*u + r4*v
};

// ---- Settings tables ------------------------------------------------------

struct TEntJwwLayerGroup {
  std::int32_t anGLay = 0;
  std::int32_t anWriteLay = 0;
  double adScale = 0;
  std::int32_t anGLayProtect = 0;
  std::u16string aStrGLayName;
};

struct TEntJwwLayer {
  std::int32_t aanLay = 0;
  std::int32_t aanLayProtect = 0;
  std::u16string aStrLayName;
};

struct TEntJwwColorNo {
  std::int32_t aPenColor = 0;  // 24-bit RGB, red in the low byte
  std::int32_t anPenWidth = 0;
  std::int32_t aPrtPenColor = 0;
  std::int32_t anPrtPenWidth = 0;
  double adPrtTenHankei = 0;
};

struct TEntJwwLineTypeNo {
  std::int32_t alLType = 0;
  std::int32_t anTokushuSenUintDot = 0;
  std::int32_t anTokushuSenPich = 0;
  std::int32_t anPrtTokushuSenPich = 0;
};

struct TEntJwwRandomLineNo {
  std::int32_t alLType = 0;
  std::int32_t anRandSenWide = 0;
  std::int32_t anTokushuSenPich = 0;
  std::int32_t anPrtRandSenWide = 0;
  std::int32_t anPrtTokushuSenPich = 0;
};

struct TEntJwwColorExNo {
  std::int32_t aPenColor = 0;
  std::int32_t anPenWidth = 0;
  std::u16string astrUDColorName;
  std::int32_t aPrtPenColor = 0;
  std::int32_t anPrtPenWidth = 0;
  double adPrtTenHankei = 0;
};

struct TEntJwwLineTypeExNo {
  std::int32_t alLType = 0;
  std::int32_t anTokushuSenUintDot = 0;
  std::int32_t anTokushuSenPich = 0;
  std::int32_t anPrtTokushuSenPich = 0;
  std::u16string astrUDLTypeName;
  std::int32_t anUDLTypeSegment = 0;
  std::array<double, 11> aadUDLTypePitch{};  // indexed 1 to 10; [0] unused
};

struct TEntJwwMojiType {
  double adMojiX = 0;
  double adMojiY = 0;
  double adMojiD = 0;
  std::int32_t anMojiCol = 0;
};

struct TBindImageType {
  std::u16string Fname;
  std::int32_t Fsize = 0;
  bool exf = false;  // set by the writer for the images it embeds
};

// ---- Header record --------------------------------------------------------

// Arrays "indexed 1 to 8" keep index 0 unused so that the indices read as in
// the file's description.
struct TEntJwwHeader {
  std::u16string jwID;
  std::int32_t jwVer = 0;
  std::u16string strMemo;
  std::int32_t nZumen = 0, nWriteGLay = 0;
  std::int32_t lnSunpou1 = 0, lnSunpou2 = 0, lnSunpou3 = 0, lnSunpou4 = 0, lnSunpou5 = 0;
  std::int32_t nMaxDrawWid = 0;
  bool bSenHaba100 = false;
  std::int32_t nMaxDrawWidBak = 0;
  double DPPrtGenten_x = 0, DPPrtGenten_y = 0, dPrtBairitsu = 1.0;
  std::int32_t nPrtSet = 0, nMemoriMode = 0;
  double dMemoriHyoujiMin = 1.0, dMemoriX = 1.0, dMemoriY = 1.0, DpMemoriKjTen_x = 0,
         DpMemoriKjTen_y = 0;
  double dKageLevel = 0, dKageIdo = 0;
  std::int32_t nKage9_15JiFlg = 0;
  double dKabeKageLevel = 0, dTenkuuZuLevel = 0, dTenkuuZuEnkoR = 0;
  std::int32_t nMMTani3D = 0;
  double dBairitsu = 1.0, DPGenten_x = 0, DPGenten_y = 0, dHanniBairitsu = 1.0,
         DPHanniGenten_x = 0, DPHanniGenten_y = 0;
  std::array<double, 9> dZoomJumpBairitsu{1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
  std::array<double, 9> DPZoomJumpGenten_x{};
  std::array<double, 9> DPZoomJumpGenten_y{};
  std::array<std::int32_t, 9> nZoomJumpGLay{-1, -1, -1, -1, -1, -1, -1, -1, -1};
  double dDm11 = 0, dDm12 = 0, dDm13 = 0;
  std::int32_t lnDm1 = 0;
  double dDm21 = 0, dDm22 = 0;
  double dMojiBG = 0;
  std::int32_t nMojiBG = 0;
  std::array<double, 10> adFukusenSuuchi{};
  double dRyougawaFukusenTomeDe = 0;
  std::int32_t nDrawGamenTen = 0, nDrawPrtTen = 0, nBitMapFirstDraw = 0, nGyakuDraw = 0,
               nGyakuSearch = 0, nColorPrint = 0, nLayJunPrint = 0, nColJunPrint = 0,
               nPrtRenzoku = 0, nPrtKyoutsuuGray = 0, nPrtDispOnlyNonDraw = 0, nPrtDpi = 0;
  std::int32_t lnDrawTime = 0;
  std::int32_t nEyeInit = 0, dEye_H_Ichi_1 = 0, dEye_H_Ichi_2 = 0, dEye_H_Ichi_3 = 0;
  double dEye_Z_Ichi_1 = 0, dEye_Y_Ichi_1 = 0, dEye_Z_Ichi_2 = 0, dEye_Y_Ichi_2 = 0,
         dEye_V_Ichi_3 = 0;
  double dSenNagasaSnpou = 0, dBoxSunpouX = 0, dBoxSunpouY = 0, dEnHankeiSnpou = 0;
  std::int32_t nSolidNinniColor = 0, SolidColor = 0;
  double dMojiSizeX = 0, dMojiSizeY = 0, dMojiKankaku = 0;
  std::int32_t nMojiColor = 0, nMojiShu = 0;
  double dMojiSeiriGyouKan = 0, dMojiSeiriSuu = 0;
  std::int32_t nMojiKijunZureOn = 0;
  double adMojiKijunZureX0 = 0, adMojiKijunZureX1 = 0, adMojiKijunZureX2 = 0,
         adMojiKijunZureY0 = 0, adMojiKijunZureY1 = 0, adMojiKijunZureY2 = 0;
  std::int32_t n1 = 0;  // entities declared by the file
  std::int32_t n2 = 0;  // block definitions declared by the file
};

// Header of a JWS figure file.
struct TEntJwsHeader {
  std::u16string jwID;
  std::int32_t jwVer = 0;
  double BasePoint_x = 0, BasePoint_y = 0;
  std::int32_t dmy01 = 0, dmy02 = 0, dmy03 = 0, dmy04 = 0, dmy05 = 0, dmy06 = 0;
  double dmy11 = 0, dmy12 = 0, dmy13 = 0, dmy14 = 0, dmy15 = 0, dmy16 = 0;
  double Mx1 = 0, My1 = 0, Mx2 = 0, My2 = 0;
  std::int32_t n1 = 0, n2 = 0;
};

}  // namespace velkaro

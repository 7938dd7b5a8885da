// jwctype: the records shared by JWC drawings and JWK figures, the defaults
// of the unit and the attribute checks the JWC writer applies.
//
// In memory coordinates are millimetres on the paper (the reader multiplies the
// file's drawing units by the header's dataUnit); every real is a single.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velkaro {

struct TEntJwcLine {
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint8_t typ = 0;  // 1..9, 11..18
  std::uint8_t col = 0;  // 1..6
  std::uint8_t lay = 0;  // 0..255, group lay div 16
  std::uint8_t flg1 = 0, flg2 = 0, flg3 = 0;
};

struct TEntJwcArc2 {
  float x = 0, y = 0;
  float r = 0;
  float h = 0;   // flatness
  float st = 0;  // degrees
  float et = 0;  // degrees
  float tt = 0;  // degrees
  std::uint8_t typ = 0, col = 0, lay = 0, flg1 = 0, flg2 = 0, flg3 = 0;
};

struct TEntJwcMoji2 {
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::int32_t p = 0;     // segment * 16 + offset as read; the writer lays out anew
  std::uint8_t no = 0;    // text kind; 1..10 name EntMjtp entries
  std::uint8_t lay = 0;
  std::uint8_t flg1 = 0;  // 0x20 marks vertical writing
  std::uint8_t flg2 = 0;
  std::u16string s;
};

struct TEntJwcTen {
  float x = 0, y = 0;
  std::uint8_t lay = 0;
  std::uint8_t col = 0;
  std::uint8_t flg1 = 0, flg2 = 0;
};

struct TEntJwcVten {
  float x = 0, y = 0;
  std::uint8_t lay = 0;
};

struct TEntJwcMojiType {
  std::uint16_t penNo = 0;   // 1..6
  std::uint16_t width = 0;   // 0.1 mm
  std::uint16_t height = 0;  // 0.1 mm
  std::uint16_t dist = 0;    // 0.1 mm
};

struct TEntJwcLayerGroup {
  float scale = 0;
  std::uint8_t srchF = 0;
  std::uint8_t dispF = 0;
  std::uint8_t w_lay = 0;
  std::u16string name;  // at most 16 bytes in the file
};

struct TEntJwcLayer {
  std::uint8_t srchF = 0;
  std::uint8_t dispF = 0;
  std::u16string name;  // at most 8 bytes in the file
};

// One entry of JwcDefaultMojiTypes: pen number and millimetre sizes.
struct TJwcDefaultMojiType {
  std::int32_t penNo = 0;
  double width = 0, height = 0, dist = 0;
};

// Defaults of the unit; set by InitJwcDefaults once at start-up, only read
// afterwards (safe to share between converting threads).
extern std::uint8_t JwcDefaultColor;
extern std::uint8_t JwcDefaultLineType;
// Indexed 1 to 10 by text kind; [0] unused.
extern std::array<TJwcDefaultMojiType, 11> JwcDefaultMojiTypes;

void InitJwcDefaults();

void CheckColor(std::uint8_t &col);
void CheckPenNo(std::uint16_t &penNo);
void CheckColorType(std::uint8_t &col, std::uint8_t &typ);

}  // namespace velkaro

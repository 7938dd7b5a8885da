// jwctype: the unit's defaults and the attribute checks of the JWC writer.
#include "jwc/jwctype.h"

namespace velkaro {

namespace {

constexpr std::uint8_t kDefaultColor = 1;
constexpr std::uint8_t kDefaultLineType = 1;

// Pen number and millimetre sizes of the text kinds 1 to 10; [0] unused.
constexpr std::array<TJwcDefaultMojiType, 11> kDefaultMojiTypes{{
    {0, 0.0, 0.0, 0.0},
    {1, 2.0, 2.0, 0.0},
    {1, 2.5, 2.5, 0.5},
    {2, 3.0, 3.0, 0.5},
    {2, 4.0, 4.0, 0.5},
    {3, 5.0, 5.0, 1.0},
    {3, 6.0, 6.0, 1.0},
    {4, 7.0, 7.0, 1.0},
    {4, 8.0, 8.0, 1.0},
    {5, 9.0, 9.0, 1.0},
    {5, 10.0, 10.0, 1.0},
}};

bool SameMojiType(const TJwcDefaultMojiType &a, const TJwcDefaultMojiType &b) {
  return a.penNo == b.penNo && a.width == b.width && a.height == b.height && a.dist == b.dist;
}

bool IsValidColor(unsigned v) { return v >= 1 && v <= 6; }
bool IsValidLineType(unsigned v) { return (v >= 1 && v <= 9) || (v >= 11 && v <= 18); }

}  // namespace

// Constant-initialised to the values InitJwcDefaults sets, so that a document
// used before start-up (a test, a tool) still sees sensible defaults.
std::uint8_t JwcDefaultColor = kDefaultColor;
std::uint8_t JwcDefaultLineType = kDefaultLineType;
std::array<TJwcDefaultMojiType, 11> JwcDefaultMojiTypes = kDefaultMojiTypes;

// Writes only what differs: once the defaults hold their values a call is a
// pure read, so threads that call it while others convert do not race.
void InitJwcDefaults() {
  if (JwcDefaultColor != kDefaultColor) JwcDefaultColor = kDefaultColor;
  if (JwcDefaultLineType != kDefaultLineType) JwcDefaultLineType = kDefaultLineType;
  for (std::size_t k = 0; k < kDefaultMojiTypes.size(); ++k) {
    if (!SameMojiType(JwcDefaultMojiTypes[k], kDefaultMojiTypes[k])) {
      JwcDefaultMojiTypes[k] = kDefaultMojiTypes[k];
    }
  }
}

void CheckColor(std::uint8_t &col) {
  if (!IsValidColor(col)) col = JwcDefaultColor;
}

void CheckPenNo(std::uint16_t &penNo) {
  if (!IsValidColor(penNo)) penNo = JwcDefaultColor;
}

void CheckColorType(std::uint8_t &col, std::uint8_t &typ) {
  CheckColor(col);
  if (!IsValidLineType(typ)) typ = JwcDefaultLineType;
}

}  // namespace velkaro

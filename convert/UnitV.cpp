#include "convert/UnitV.h"

#include <algorithm>

#include "jwc/JwcUnit.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"

namespace velkaro {

TMojiShuMap MojiShuMap{};  // all zero until the settings are loaded

void ResetMojiShuMap() {
  for (int k = 1; k <= 10; ++k)
    MojiShuMap[k - 1] = k;
}

void NormalizeMojiShuMap() { NormalizeMojiShuMap(MojiShuMap); }

void NormalizeMojiShuMap(TMojiShuMap &map) {
  for (auto &m : map)
    if (m < 1 || m > 10)
      m = -1;
  for (int k = 0; k < 9; ++k)
    for (int j = k + 1; j < 10; ++j)
      if (map[j] == map[k])
        map[j] = -1;
  for (auto &m : map) {
    if (m != -1)
      continue;
    for (int candidate = 1; candidate <= 10; ++candidate) {
      if (std::find(map.begin(), map.end(), candidate) == map.end()) {
        m = candidate;
        break;
      }
    }
  }
}

std::int32_t MappedKind(const TMojiShuMap &map, std::int64_t k) {
  if (k < 1 || k > 10)
    return static_cast<std::int32_t>(k);
  const std::int32_t m = map[k - 1];
  return (m >= 1 && m <= 10 && m != k) ? m : static_cast<std::int32_t>(k);
}

// The kind sits in nMojiShu mod 10000; the font style in nMojiShu div 10000
// must survive the change.
void RemapMojiShu(const TMojiShuMap &map, std::uint32_t &nMojiShu) {
  const std::uint32_t k = nMojiShu % 10000u;
  const std::uint32_t style = nMojiShu / 10000u;
  if (k < 1 || k > 10)
    return;
  const std::int32_t m = MappedKind(map, k);
  if (static_cast<std::uint32_t>(m) != k)
    nMojiShu = static_cast<std::uint32_t>(m) + 10000u * style;
}

void RemapJwwTextKinds(TJwwData &JW) { RemapJwwTextKinds(JW, MojiShuMap); }

void RemapJwwTextKinds(TJwwData &JW, const TMojiShuMap &map) {
  if (JW.EntMoj.size() >= 10) {
    const std::vector<TEntJwwMojiType> before(JW.EntMoj.begin(), JW.EntMoj.begin() + 10);
    for (int i = 1; i <= 10; ++i) {
      const std::int32_t m = MappedKind(map, i);
      if (m != i)
        JW.EntMoj[m - 1] = before[i - 1];
    }
  }
  const auto texts = std::min<std::size_t>(std::max(JW.EntMojiN, 0), JW.EntMoji.size());
  for (std::size_t i = 0; i < texts; ++i)
    RemapMojiShu(map, JW.EntMoji[i].nMojiShu);
  const auto dims = std::min<std::size_t>(std::max(JW.EntSunpoN, 0), JW.EntSunpo.size());
  for (std::size_t i = 0; i < dims; ++i)
    RemapMojiShu(map, JW.EntSunpo[i].Moji.nMojiShu);
  const auto defs = std::min<std::size_t>(std::max(JW.EntBlockDefN, 0), JW.EntBlockDef.size());
  for (std::size_t d = 0; d < defs; ++d) {
    auto &def = JW.EntBlockDef[d];
    const auto n = std::min<std::size_t>(std::max(def.mMojiN, 0), def.mMoji.size());
    for (std::size_t i = 0; i < n; ++i)
      RemapMojiShu(map, def.mMoji[i].nMojiShu);
    const auto s = std::min<std::size_t>(std::max(def.mSunpoN, 0), def.mSunpo.size());
    for (std::size_t i = 0; i < s; ++i)
      RemapMojiShu(map, def.mSunpo[i].Moji.nMojiShu);
  }
}

void RemapJwcTextKinds(TJwcData &JW) { RemapJwcTextKinds(JW, MojiShuMap); }

void RemapJwcTextKinds(TJwcData &JW, const TMojiShuMap &map) {
  if (JW.EntMjtp.size() >= 11) {
    const std::vector<TEntJwcMojiType> before(JW.EntMjtp.begin(), JW.EntMjtp.begin() + 11);
    for (int i = 1; i <= 10; ++i) {
      const std::int32_t m = MappedKind(map, i);
      if (m != i)
        JW.EntMjtp[m] = before[i];
    }
  }
  const auto texts = std::min<std::size_t>(std::max(JW.Enthd.mojiCount, 0), JW.EntMoji.size());
  for (std::size_t i = 0; i < texts; ++i) {
    auto &no = JW.EntMoji[i].no;
    if (no >= 1 && no <= 10)
      no = static_cast<std::uint8_t>(MappedKind(map, no));
  }
}

bool IsIdentityMap(const TMojiShuMap &map) {
  for (std::int32_t k = 1; k <= 10; ++k)
    if (MappedKind(map, k) != k)
      return false;
  return true;
}

std::u16string MapSummaryText(const TMojiShuMap &map) {
  std::u16string text;
  for (std::int32_t k = 1; k <= 10; ++k) {
    const std::int32_t m = MappedKind(map, k);
    if (m == k)
      continue;
    if (!text.empty())
      text += u", ";
    text += IntToString(k) + u"→" + IntToString(m);
  }
  return text.empty() ? u"変更なし" : text;
}

std::u16string MapTableText(const TMojiShuMap &map) {
  std::u16string text;
  for (std::int32_t k = 1; k <= 10; ++k) {
    const std::int32_t m = MappedKind(map, k);
    if (k > 1)
      text += u"\n";
    text += u"文字種" + IntToString(k) + u" → 文字種" + IntToString(m);
    if (m == k)
      text += u"（そのまま）";
  }
  return text;
}

}  // namespace velkaro

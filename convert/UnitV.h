// UnitV: the text-kind map and the remapping of a drawing held in memory.
//
// MojiShuMap[k - 1] is the new kind of old kind k. It is written only while no
// conversion runs (settings load, the settings dialog) and only read during a
// batch, so converting threads may share it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velkaro {

class TJwwData;
class TJwcData;

using TMojiShuMap = std::array<std::int32_t, 10>;

extern TMojiShuMap MojiShuMap;

// Entry k := k.
void ResetMojiShuMap();
// Makes the map a permutation of 1..10: out-of-range and repeated entries get
// the smallest free kinds, in order.
void NormalizeMojiShuMap();
// The same rule on any map value (used by the CLI and the dialog).
void NormalizeMojiShuMap(TMojiShuMap &map);

// The kind old kind k becomes under `map`; values outside 1..10 stay.
std::int32_t MappedKind(const TMojiShuMap &map, std::int64_t k);

void RemapJwwTextKinds(TJwwData &JW);
void RemapJwcTextKinds(TJwcData &JW);
// The same with an explicit map.
void RemapJwwTextKinds(TJwwData &JW, const TMojiShuMap &map);
void RemapJwcTextKinds(TJwcData &JW, const TMojiShuMap &map);
// The map as one short line: the kinds that change ("1→3, 3→1"), or
// "変更なし" for the identity.
std::u16string MapSummaryText(const TMojiShuMap &map);
// The whole map, one line per old kind ("文字種1 → 文字種3"), for a tool tip
// or a confirmation.
std::u16string MapTableText(const TMojiShuMap &map);
bool IsIdentityMap(const TMojiShuMap &map);

// One text's kind (nMojiShu mod 10000) under `map`, keeping its font style
// (nMojiShu div 10000): what RemapJwwTextKinds does to each text.
void RemapMojiShu(const TMojiShuMap &map, std::uint32_t &nMojiShu);

}  // namespace velkaro

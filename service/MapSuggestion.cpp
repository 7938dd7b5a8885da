// MapSuggestion: matching the selected drawings' kinds to a template's.
#include "service/MapSuggestion.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "support/Func_2.h"

namespace velkaro {

namespace {

// A size more than this far off (width plus height, in mm, relative to the
// larger) is no match, only what was left.
constexpr double kNearRatio = 0.5;

bool SameLook(const TextKindEntry &a, const TextKindEntry &b) {
  const auto same = [](double x, double y) { return std::abs(x - y) <= 1e-9 * std::max(1.0, std::abs(x)); };
  return same(a.width, b.width) && same(a.height, b.height) && same(a.spacing, b.spacing) &&
         a.colour == b.colour;
}

double SizeDistance(const TextKindEntry &a, const TextKindEntry &b) {
  return std::abs(a.width - b.width) + std::abs(a.height - b.height) +
         std::abs(a.spacing - b.spacing) / 100;  // spacing only breaks ties
}

bool Near(const TextKindEntry &a, const TextKindEntry &b) {
  const double size = std::max(a.width + a.height, b.width + b.height);
  return size <= 0 || SizeDistance(a, b) <= kNearRatio * size;
}

// The table most of the drawings have (the first of equals), and which
// drawings have it.
std::vector<const DrawingInfo *> MajorityGroup(const std::vector<const DrawingInfo *> &drawings) {
  std::vector<const DrawingInfo *> best;
  for (const DrawingInfo *d : drawings) {
    std::vector<const DrawingInfo *> group;
    for (const DrawingInfo *e : drawings)
      if (e->textKinds == d->textKinds)
        group.push_back(e);
    if (group.size() > best.size())
      best = std::move(group);
  }
  return best;
}

}  // namespace

MapSuggestion SuggestMap(const std::vector<DrawingInfo> &sources,
                         const std::vector<TextKindEntry> &templateTable) {
  MapSuggestion s;
  std::vector<const DrawingInfo *> drawings;
  for (const DrawingInfo &d : sources)
    if (d.textKinds.size() == 10)
      drawings.push_back(&d);
  s.drawings = static_cast<std::int32_t>(drawings.size());
  const std::vector<const DrawingInfo *> group = MajorityGroup(drawings);
  for (const DrawingInfo *d : drawings)
    if (std::find(group.begin(), group.end(), d) == group.end())
      s.notFitting.push_back(d->path);

  std::array<bool, 11> used{};
  for (const DrawingInfo *d : group)
    for (std::int32_t k = 1; k <= 10; ++k)
      used[static_cast<std::size_t>(k)] = used[static_cast<std::size_t>(k)] || d->kindUse[static_cast<std::size_t>(k)].total() > 0;
  for (std::int32_t k = 1; k <= 10; ++k) {
    KindSuggestion &ks = s.kinds[static_cast<std::size_t>(k - 1)];
    ks.kind = k;
    if (!group.empty())
      ks.look = group.front()->textKinds[static_cast<std::size_t>(k - 1)];
  }
  const bool haveTemplate = templateTable.size() == 10;
  std::array<bool, 11> taken{};
  const auto assign = [&](std::int32_t k, std::int32_t j, KindMatch match) {
    KindSuggestion &ks = s.kinds[static_cast<std::size_t>(k - 1)];
    ks.newKind = j;
    ks.match = match;
    taken[static_cast<std::size_t>(j)] = true;
  };
  const auto look = [&](std::int32_t j) -> const TextKindEntry & {
    return templateTable[static_cast<std::size_t>(j - 1)];
  };
  const auto pending = [&](std::int32_t k) {
    return used[static_cast<std::size_t>(k)] && s.kinds[static_cast<std::size_t>(k - 1)].newKind == 0;
  };
  if (haveTemplate && !group.empty()) {
    // Exact looks first, each old kind to the first free template kind.
    for (std::int32_t k = 1; k <= 10; ++k)
      for (std::int32_t j = 1; j <= 10 && pending(k); ++j)
        if (!taken[static_cast<std::size_t>(j)] && SameLook(s.kinds[static_cast<std::size_t>(k - 1)].look, look(j)))
          assign(k, j, KindMatch::Same);
    // Then the nearest pairs left, of the same colour, then of any: always
    // the closest pair of all first, so no kind takes another's best match.
    for (const bool sameColour : {true, false}) {
      for (;;) {
        std::optional<std::pair<std::int32_t, std::int32_t>> best;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (std::int32_t k = 1; k <= 10; ++k) {
          if (!pending(k))
            continue;
          const TextKindEntry &from = s.kinds[static_cast<std::size_t>(k - 1)].look;
          for (std::int32_t j = 1; j <= 10; ++j) {
            if (taken[static_cast<std::size_t>(j)] || (sameColour && look(j).colour != from.colour))
              continue;
            const double d = SizeDistance(from, look(j));
            if (d < bestDistance) {
              bestDistance = d;
              best = {k, j};
            }
          }
        }
        if (!best)
          break;
        const auto [k, j] = *best;
        const bool near = Near(s.kinds[static_cast<std::size_t>(k - 1)].look, look(j));
        assign(k, j, !near ? KindMatch::NoMatch : sameColour ? KindMatch::NearSize : KindMatch::NearSizeOtherColour);
      }
    }
  }
  // Whatever is left: a kind keeps its own number when that is free, else
  // takes the smallest free one.
  for (std::int32_t k = 1; k <= 10; ++k) {
    KindSuggestion &ks = s.kinds[static_cast<std::size_t>(k - 1)];
    if (ks.newKind != 0)
      continue;
    std::int32_t j = taken[static_cast<std::size_t>(k)] ? 0 : k;
    for (std::int32_t c = 1; c <= 10 && j == 0; ++c)
      if (!taken[static_cast<std::size_t>(c)])
        j = c;
    assign(k, j, used[static_cast<std::size_t>(k)] ? KindMatch::NoMatch : KindMatch::Unused);
  }
  for (std::int32_t k = 1; k <= 10; ++k)
    s.map[static_cast<std::size_t>(k - 1)] = s.kinds[static_cast<std::size_t>(k - 1)].newKind;
  NormalizeMojiShuMap(s.map);  // a no-op on a permutation; a guard all the same
  return s;
}

std::u16string KindMatchText(KindMatch match) {
  switch (match) {
    case KindMatch::Same: return u"同じ";
    case KindMatch::NearSize: return u"近い大きさ";
    case KindMatch::NearSizeOtherColour: return u"近い大きさ（色違い）";
    case KindMatch::NoMatch: return u"一致なし";
    case KindMatch::Unused: return u"使われていない";
  }
  return u"?";
}

std::u16string KindSuggestionText(const KindSuggestion &k) {
  const TextKindEntry &e = k.look;
  return IntToString(k.kind) + u": " + RealToString(e.width) + u"×" + RealToString(e.height) + u" (" +
         RealToString(e.spacing) + u") 色" + IntToString(e.colour) + u" → " + IntToString(k.newKind) +
         u": " + KindMatchText(k.match);
}

}  // namespace velkaro

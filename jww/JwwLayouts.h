// JwwLayouts: the one description of every JWW entity body, a template over
// an Io that decodes it, passes over it or encodes it (JwwEntities.cpp); the
// version thresholds and the conditional extras stand here and nowhere else.
// An Io has `ver` (the file's or the target's version), `kReads` (whether
// fields the file lacks take their values here), `string(s, imageReference)`
// and `part(fields)`: one fixed part, whose generic `fields(f)` names its
// fields in file order through f(field...), f.attr(kind, att), f.textSize(x),
// f.spacing(x) and f.blockNumber(n). part() returns whether the part decides
// that the body was read (for a reader: the file delivered a byte of it),
// and a body returns what its deciding parts returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "jww/JwwUnit.h"
#include "jww/jwwtype.h"

namespace velkaro::jww {

// The attribute record carries nPenWidth from version 351 on.
inline constexpr bool HasPenWidth(std::int32_t ver) { return ver >= 351; }
// SXF pens and colours, and the dimension's SXF part, come with version 420.
inline constexpr bool HasSxf(std::int32_t ver) { return ver >= 420; }
// A point of this pen style is a special point: code, rotation and scale follow.
inline constexpr std::uint8_t kSpecialPointStyle = 100;
// A solid of this pen colour carries its own RGB colour.
inline constexpr std::uint16_t kSolidRgbColor = 10;

template <class F, class A>
[[gnu::always_inline]] constexpr void AttrFields(F &f, A &a) {
  f(a.lGroup, a.nPenStyle, a.nPenColor);
  if (HasPenWidth(f.ver))
    f(a.nPenWidth);
  f(a.nLayer, a.nGLayer, a.sFlg);
}

// A block definition's own fixed part; its name and member list follow.
template <class F, class E>
constexpr void BlockDefFields(F &f, E &e) {
  f.attr(kJwwBlockDef, e.att);
  f.blockNumber(e.nNumber);
  f(e.bRefferd, e.dtime);
}

// ---- Bodies -------------------------------------------------------------------

template <class Io, class E>
constexpr bool LineBody(Io &io, E &e) {
  return io.part([&](auto &f) {
    f.attr(kJwwLine, e.att);
    f(e.start_x, e.start_y, e.end_x, e.end_y);
  });
}

template <class Io, class E>
constexpr bool EnkoBody(Io &io, E &e) {
  return io.part([&](auto &f) {
    f.attr(kJwwEnko, e.att);
    f(e.start_x, e.start_y, e.dHankei, e.radKaishiKaku, e.radEnkoKaku, e.radKatamukiKaku,
      e.dHenpeiRitsu, e.bZenEnFlg);
  });
}

// The extra fields follow the pen style the record holds: the file's when
// reading, the document's when writing (WriteAttr keeps style 100 for points,
// so the two agree).
template <class Io, class E>
constexpr bool TenBody(Io &io, E &e) {
  const bool read = io.part([&](auto &f) {
    f.attr(kJwwTen, e.att);
    f(e.start_x, e.start_y, e.bKariten);
  });
  if (e.att.nPenStyle == kSpecialPointStyle)
    io.part([&](auto &f) { f(e.nCode, e.radKaitenKaku, e.dBairitsu); });
  return read;
}

template <class Io, class E>
constexpr bool MojiBody(Io &io, E &e, bool imageReference) {
  const bool read = io.part([&](auto &f) {
    f.attr(kJwwMoji, e.att);
    f(e.start_x, e.start_y, e.end_x, e.end_y, e.nMojiShu);
    f.textSize(e.dSizeX);
    f.textSize(e.dSizeY);
    f.spacing(e.dKankaku);
    f(e.degKakudo);
  });
  io.string(e.strFontName, false);
  io.string(e.str, imageReference);
  return read;
}

// Older dimensions have no SXF part: the auxiliary parts take the
// dimension's attribute, the points with no pen style.
inline void DefaultSxfPart(TEntJwwSunpo &e) {
  e.bSxfMode = 0;
  for (TEntJwwLine *line : {&e.Ho1, &e.Ho2})
    TJwwData::CopyAttr(e.att, line->att);
  for (TEntJwwTen *point : {&e.Te1, &e.Te2, &e.Kt1, &e.Kt2}) {
    TJwwData::CopyAttr(e.att, point->att);
    point->att.nPenStyle = 0;
  }
}

// Read: the text's fixed part decides, and from 420 on the last point's too.
template <class Io, class E>
constexpr bool SunpoBody(Io &io, E &e) {
  io.part([&](auto &f) { f.attr(kJwwSunpo, e.att); });
  LineBody(io, e.Sen);
  bool read = MojiBody(io, e.Moji, false);
  if (HasSxf(io.ver)) {
    io.part([&](auto &f) { f(e.bSxfMode); });
    LineBody(io, e.Ho1);
    LineBody(io, e.Ho2);
    TenBody(io, e.Te1);
    TenBody(io, e.Te2);
    TenBody(io, e.Kt1);
    read = TenBody(io, e.Kt2) && read;
  } else if constexpr (Io::kReads) {
    DefaultSxfPart(e);
  }
  return read;
}

template <class Io, class E>
constexpr bool SolidBody(Io &io, E &e) {
  const bool read = io.part([&](auto &f) {
    f.attr(kJwwSolid, e.att);
    f(e.start_x, e.start_y, e.end_x, e.end_y, e.DPoint2_x, e.DPoint2_y, e.DPoint3_x,
      e.DPoint3_y);
  });
  if (e.att.nPenColor == kSolidRgbColor)
    io.part([&](auto &f) { f(e.Color); });
  return read;
}

template <class Io, class E>
constexpr bool BlockBody(Io &io, E &e) {
  return io.part([&](auto &f) {
    f.attr(kJwwBlock, e.att);
    f(e.DPKijunTen_x, e.DPKijunTen_y, e.dBairitsuX, e.dBairitsuY, e.radKaitenKaku);
    f.blockNumber(e.nNumber);
  });
}

// The body of any entity record; texts of the list carry image references.
template <class Io, class E>
constexpr bool Body(Io &io, E &e) {
  using T = std::remove_const_t<E>;
  if constexpr (std::is_same_v<T, TEntJwwLine>) return LineBody(io, e);
  else if constexpr (std::is_same_v<T, TEntJwwEnko>) return EnkoBody(io, e);
  else if constexpr (std::is_same_v<T, TEntJwwTen>) return TenBody(io, e);
  else if constexpr (std::is_same_v<T, TEntJwwMoji>) return MojiBody(io, e, true);
  else if constexpr (std::is_same_v<T, TEntJwwSunpo>) return SunpoBody(io, e);
  else if constexpr (std::is_same_v<T, TEntJwwSolid>) return SolidBody(io, e);
  else return BlockBody(io, e);
}

// Calls f with std::type_identity of the record of entity kind 1..7; false
// for any other kind.
template <class F>
bool WithKind(std::int32_t kind, F &&f) {
  switch (kind) {
    case kJwwLine: f(std::type_identity<TEntJwwLine>{}); return true;
    case kJwwEnko: f(std::type_identity<TEntJwwEnko>{}); return true;
    case kJwwTen: f(std::type_identity<TEntJwwTen>{}); return true;
    case kJwwMoji: f(std::type_identity<TEntJwwMoji>{}); return true;
    case kJwwSunpo: f(std::type_identity<TEntJwwSunpo>{}); return true;
    case kJwwSolid: f(std::type_identity<TEntJwwSolid>{}); return true;
    case kJwwBlock: f(std::type_identity<TEntJwwBlock>{}); return true;
    default: return false;
  }
}

// ---- Sizes --------------------------------------------------------------------

// Counts the bytes of the fields it is shown.
struct FieldSizer {
  std::int32_t ver;
  std::size_t bytes = 0;
  template <class... T>
  constexpr void operator()(const T &...) { bytes += (sizeof(T) + ...); }
  constexpr void attr(std::int32_t, const TEntJwwAttr &a) { AttrFields(*this, a); }
  constexpr void textSize(const double &v) { (*this)(v); }
  constexpr void spacing(const double &v) { (*this)(v); }
  constexpr void blockNumber(const std::uint32_t &v) { (*this)(v); }
};

template <class Fields>
constexpr std::size_t PartSize(std::int32_t ver, Fields &&fields) {
  FieldSizer z{ver};
  fields(z);
  return z.bytes;
}

// Counts the bytes of a body whose strings are all empty (one length byte
// each), and of its first fixed part.
struct BodySizer {
  static constexpr bool kReads = false;
  std::int32_t ver;
  std::size_t bytes = 0;
  std::size_t first = 0;

  template <class Fields>
  constexpr bool part(Fields &&fields) {
    bytes += PartSize(ver, fields);
    first = first ? first : bytes;
    return true;
  }
  constexpr void string(const std::u16string &, bool) { bytes += 1; }
};

// The bytes of the first fixed part of a record of type E.
template <class E>
constexpr std::size_t FixedSize(std::int32_t ver) {
  E e{};  // only its fields' types count
  if constexpr (std::is_same_v<E, TEntJwwBlockDef>) {
    return PartSize(ver, [&](auto &f) { BlockDefFields(f, e); });
  } else {
    BodySizer z{ver};
    Body(z, e);
    return z.first;
  }
}

}  // namespace velkaro::jww

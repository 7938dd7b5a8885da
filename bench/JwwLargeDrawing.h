// The large drawing the JWW benchmarks convert: a canonical header, then
// `entities` entities of mixed kinds (a tenth texts, the rest lines, arcs,
// points, solids, dimensions and block references) and one block definition,
// laid out by the test-side builder, not by the writer.
#pragma once

#include <string>
#include <vector>

#include "builders/JwwBuilder.h"

namespace velkaro::testing {

// One entity of the mix for position i.
inline JwwEntity MixedEntity(int i) {
  const double x = i * 0.5, y = i * 0.25;
  switch (i % 10) {
    case 0: {
      TEntJwwMoji t = Text(u"文字 " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)), 1 + i % 10);
      t.start_x = x;
      return t;
    }
    case 1:
    case 2:
    case 3:
      return Line(x, y, x + 10, y + 5, Attr(1 + i % 9, 1 + i % 9, i % 16, i % 16, 1));
    case 4: {
      TEntJwwEnko a;
      a.att = Attr(1, 2);
      a.start_x = x;
      a.start_y = y;
      a.dHankei = 3;
      a.radEnkoKaku = 6.28;
      a.dHenpeiRitsu = 1;
      return a;
    }
    case 5: {
      TEntJwwTen p = Point(x, y, Attr(i % 20 == 5 ? 100 : 1, 3));
      p.dBairitsu = 1;
      return p;
    }
    case 6:
    case 7: {
      TEntJwwSolid s;
      s.att = Attr(1, i % 2 ? 10 : 4);
      s.start_x = x;
      s.end_x = x + 1;
      s.DPoint2_y = y;
      s.Color = 0x808080;
      return s;
    }
    case 8: return Dimension(x, 1, Attr(1, 2));
    default: return BlockRef(0, x, y);
  }
}

// The drawing streamed into bytes: the bodies are laid out one by one rather
// than held as records. `entityAt` gives entity i; the one block definition
// holds `members`; the header is that of `plan`.
template <typename EntityAt>
ByteVec BuildLargeDrawing(int entities, EntityAt entityAt, const std::vector<JwwEntity> &members,
                          const JwwDrawingSpec &plan = MakeCanonicalDrawing(700)) {
  JwwBytes out;
  AppendHeader(out, plan);
  JwwClassMap classes(700);
  out.count(static_cast<std::uint32_t>(entities));
  for (int i = 0; i < entities; ++i) {
    const JwwEntity e = entityAt(i);
    classes.classOf(out, ClassNameOf(KindOf(e)));
    AppendBody(out, 700, false, e);
    classes.objectDone();
  }
  out.count(1);
  classes.classOf(out, "CDataList");
  AppendAttr(out, 700, Attr(1, 1));
  out.le32(0).le32(1).le32(1).cstring(u"block", false);
  out.count(static_cast<std::uint32_t>(members.size()));
  classes.objectDone();
  for (const JwwEntity &m : members) {
    classes.classOf(out, ClassNameOf(KindOf(m)));
    AppendBody(out, 700, false, m);
    classes.objectDone();
  }
  out.i32(0);  // no images
  return out.take();
}

inline ByteVec BuildLargeDrawing(int entities) {
  return BuildLargeDrawing(entities, MixedEntity,
                           {JwwEntity(Line(0, 0, 1, 1)), JwwEntity(Text(u"in block", 2))});
}

}  // namespace velkaro::testing

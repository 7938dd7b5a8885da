// JwwBlocks: the block-definition section of a JWW file (read and written),
// the block tree of placements and the dense renumbering of the definitions
// the drawing uses.
//
// Which definitions are referenced comes from a reachability pass over the
// definitions, so the writer's selection is right whatever the tree looks
// like. The tree is built breadth first as the drawing services expect it;
// it never expands a definition already on a placement's chain of parents
// (a definition placing itself) and lists at most kMaxNestedBlockPlacements
// nested placements, since a DAG of definitions can place blocks
// exponentially often.
#include <cmath>
#include <limits>

#include "jww/JwwInternal.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

constexpr std::uint32_t kLongTimeMark = 0x80000000u;
constexpr std::size_t kLongTimeBytes = 8;
// Steps spent looking up chains of parents inside cycles before the tree
// stops growing; only hostile files come near it.
constexpr std::uint64_t kCycleCheckBudget = 64'000'000;

// The first definition of each number decides; later ones are never placed.
class DefinitionIndex {
 public:
  DefinitionIndex(const std::vector<TEntJwwBlockDef> &defs, std::size_t count) {
    first_.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
      first_.emplace(defs[i].nNumber, static_cast<std::int32_t>(i));
  }
  std::int32_t Find(std::uint32_t number) const {
    const auto it = first_.find(number);
    return it == first_.end() ? -1 : it->second;
  }

 private:
  std::unordered_map<std::uint32_t, std::int32_t> first_;
};

// Which definitions each definition places, as indices.
std::vector<std::vector<std::int32_t>> DefinitionGraph(const std::vector<TEntJwwBlockDef> &defs,
                                                       std::size_t count,
                                                       const DefinitionIndex &index) {
  std::vector<std::vector<std::int32_t>> graph(count);
  for (std::size_t d = 0; d < count; ++d) {
    const auto &def = defs[d];
    const std::size_t members = jww::Usable(def.mBlockN, def.mBlock.size());
    for (std::size_t m = 0; m < members; ++m) {
      const std::int32_t target = index.Find(def.mBlock[m].nNumber);
      if (target >= 0)
        graph[d].push_back(target);
    }
  }
  return graph;
}

// Strongly connected components (Tarjan, without recursion so that deep
// nesting cannot overflow the stack). cyclic[v] is set for definitions that
// can reach themselves.
struct Components {
  std::vector<std::int32_t> id;
  std::vector<bool> cyclic;
  bool any = false;
};

Components FindCycles(const std::vector<std::vector<std::int32_t>> &graph) {
  const std::size_t n = graph.size();
  Components c;
  c.id.assign(n, -1);
  c.cyclic.assign(n, false);
  std::vector<std::int32_t> order(n, -1), low(n, 0);
  std::vector<bool> onStack(n, false);
  std::vector<std::int32_t> stack;
  std::vector<std::pair<std::int32_t, std::size_t>> calls;
  std::int32_t next = 0, components = 0;
  for (std::size_t root = 0; root < n; ++root) {
    if (order[root] >= 0)
      continue;
    const auto enter = [&](std::int32_t v) {
      order[v] = low[v] = next++;
      stack.push_back(v);
      onStack[v] = true;
      calls.emplace_back(v, 0);
    };
    enter(static_cast<std::int32_t>(root));
    while (!calls.empty()) {
      const std::int32_t v = calls.back().first;
      const std::size_t e = calls.back().second;
      if (e < graph[v].size()) {
        ++calls.back().second;
        const std::int32_t w = graph[v][e];
        if (w == v)
          c.cyclic[v] = true;
        if (order[w] < 0)
          enter(w);
        else if (onStack[w])
          low[v] = std::min(low[v], order[w]);
        continue;
      }
      calls.pop_back();
      if (!calls.empty()) {
        const std::int32_t u = calls.back().first;
        low[u] = std::min(low[u], low[v]);
      }
      if (low[v] != order[v])
        continue;
      // v roots a component: everything above it on the stack.
      const auto first = std::find(stack.rbegin(), stack.rend(), v).base() - 1;
      const bool cycle = (stack.end() - first) > 1;
      for (auto it = first; it != stack.end(); ++it) {
        onStack[*it] = false;
        c.id[*it] = components;
        if (cycle)
          c.cyclic[*it] = true;
      }
      stack.erase(first, stack.end());
      ++components;
    }
  }
  for (bool b : c.cyclic)
    c.any = c.any || b;
  return c;
}

void SetMatrix(TEntJwwBlockTree &p, const TEntJwwBlock &ref) {
  const double sx = ref.dBairitsuX, sy = ref.dBairitsuY, t = ref.radKaitenKaku;
  p.r1 = sx * std::cos(t);
  p.r2 = -sy * std::sin(t);
  p.r3 = sx * std::sin(t);
  p.r4 = sy * std::cos(t);
}

}  // namespace

// ---- Reading ----------------------------------------------------------------

void TJwwData::ReadBlockDefinitions(ByteReader &s, JwwArchiveState &state) {
  const std::size_t at = s.offset();
  bool delivered = false;
  const std::uint32_t count = ReadCount(s, &delivered);
  if (!delivered) {
    const std::size_t read = EntitiesRead();
    std::string what = "the file ends before the block definition count";
    if (read < static_cast<std::size_t>(Enthd.n1))
      what += " (the entity list declared " + std::to_string(Enthd.n1) + " entities, " +
              std::to_string(read) + " were read)";
    jww::FailAt(jww::kFileIOError, s, what);
  }
  if (count == 0)
    return;
  if (count > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
    jww::Fail(jww::kFileIOError, "block definition count " + std::to_string(count) +
                                     " at offset " + jww::Hex(at) +
                                     " exceeds the largest count a drawing holds");
  Enthd.n2 = static_cast<std::int32_t>(count);
  const std::size_t backed =
      jww::EntriesBackedBy(s, jww::SmallestBlockDefinition(Enthd.jwVer));
  EntBlockDef.resize(std::min<std::size_t>(count, backed));
  EntBlockDefN = static_cast<std::int32_t>(EntBlockDef.size());
  try {
    for (std::size_t i = 0; i < count; ++i) {
      if (i == EntBlockDef.size())
        EntBlockDef.emplace_back();  // more than the bytes backed: cannot happen, but safe
      ReadBlockDefinition(s, state, i);
    }
  } catch (...) {
    EntBlockDefN = static_cast<std::int32_t>(EntBlockDef.size());
    throw;
  }
  EntBlockDefN = static_cast<std::int32_t>(EntBlockDef.size());
}

void TJwwData::ReadBlockDefinition(ByteReader &s, JwwArchiveState &state, std::size_t i) {
  // Every tag is taken as the definition class; only a new-class record
  // takes a map index.
  const JwwClassTag tag = ReadClassTag(s, state);
  if (tag.newClass)
    state.classSlot[kJwwBlockDef] = static_cast<std::uint32_t>(tag.mapIndex);

  TEntJwwBlockDef &def = EntBlockDef[i];
  const std::int32_t v = Enthd.jwVer;
  const jww::FixedPart part(s, jww::FixedSize<TEntJwwBlockDef>(v));
  if (part.got() == 0)
    jww::FailAt(jww::kFileIOError, s,
                "the file ends inside block definition " + std::to_string(i + 1) + " of " +
                    std::to_string(Enthd.n2));
  jww::FieldDecoder d = part.decoder();
  jww::FieldsIn in{d, v};
  jww::BlockDefFields(in, def);
  if (def.dtime >= kLongTimeMark) {
    s.skip(kLongTimeBytes);  // a 64-bit time follows; the position stands in for it
    def.dtime = static_cast<std::uint32_t>(i + 1);
  }
  def.strName = ReadCStringPlain(s);

  const std::size_t at = s.offset();
  const std::uint32_t members = ReadCount(s);
  if (members > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
    jww::Fail(jww::kFileIOError, "member count " + std::to_string(members) + " at offset " +
                                     jww::Hex(at) + " exceeds the largest count a drawing holds");
  ++state.counter;  // the definition object takes its number before its members
  jww::EntityLists lists = jww::EntityLists::Of(def);
  try {
    ReadEntityObjects(s, state, lists, members, "block definition member");
  } catch (...) {
    def.N = static_cast<std::int32_t>(def.mNo.size());
    throw;
  }
  def.N = static_cast<std::int32_t>(def.mNo.size());
}

// ---- Block tree -------------------------------------------------------------

namespace {

void ClearMarks(std::vector<TEntJwwBlockDef> &defs) {
  for (auto &def : defs) {
    def.ref_flag = false;
    def.ref_no = -1;
  }
}

// Marks the definitions reachable from the numbers the drawing's own block
// references place, numbers them densely in file order and returns how many.
std::int32_t MarkReachable(std::vector<TEntJwwBlockDef> &defs, std::size_t defCount,
                           const DefinitionIndex &index,
                           const std::vector<std::vector<std::int32_t>> &graph,
                           const std::vector<std::uint32_t> &placed) {
  std::vector<std::int32_t> queue;
  const auto reach = [&](std::int32_t d) {
    if (d >= 0 && !defs[d].ref_flag) {
      defs[d].ref_flag = true;
      queue.push_back(d);
    }
  };
  for (const std::uint32_t number : placed)
    reach(index.Find(number));
  for (std::size_t q = 0; q < queue.size(); ++q)
    for (const std::int32_t target : graph[queue[q]])
      reach(target);

  std::int32_t numbered = 0;
  for (std::size_t i = 0; i < defCount; ++i)
    if (defs[i].ref_flag)
      defs[i].ref_no = numbered++;
  return numbered;
}

}  // namespace

void TJwwData::MarkReferencedDefinitions(const std::vector<std::uint32_t> &placed) {
  ClearMarks(EntBlockDef);
  if (placed.empty())
    return;  // EntBlockNum keeps its value
  const std::size_t defCount = jww::Usable(EntBlockDefN, EntBlockDef.size());
  const DefinitionIndex index(EntBlockDef, defCount);
  EntBlockNum = MarkReachable(EntBlockDef, defCount, index,
                              DefinitionGraph(EntBlockDef, defCount, index), placed);
}

void TJwwData::MakeBlockTree() {
  std::vector<TEntJwwBlockTree>().swap(EntBlockTree);
  EntBlockTreeN = 0;
  ClearMarks(EntBlockDef);
  const std::size_t refs = jww::Usable(EntBlockN, EntBlock.size());
  if (refs == 0)
    return;  // EntBlockNum keeps its value
  const std::size_t defCount = jww::Usable(EntBlockDefN, EntBlockDef.size());
  const DefinitionIndex index(EntBlockDef, defCount);
  const auto graph = DefinitionGraph(EntBlockDef, defCount, index);
  std::vector<std::uint32_t> placed(refs);
  for (std::size_t j = 0; j < refs; ++j)
    placed[j] = EntBlock[j].nNumber;
  EntBlockNum = MarkReachable(EntBlockDef, defCount, index, graph, placed);

  // The placements.
  EntBlockTree.reserve(refs);
  for (std::size_t j = 0; j < refs; ++j) {
    const TEntJwwBlock &ref = EntBlock[j];
    TEntJwwBlockTree p;
    p.att = ref.att;
    p.level = 0;
    p.parent = -1;
    p.no = ref.nNumber;
    p.x = ref.DPKijunTen_x;
    p.y = ref.DPKijunTen_y;
    SetMatrix(p, ref);
    p.defno = index.Find(p.no);
    if (p.defno >= 0)
      p.name = EntBlockDef[p.defno].strName;
    EntBlockTree.push_back(std::move(p));
  }
  const Components cycles = FindCycles(graph);
  std::uint64_t budget = kCycleCheckBudget;
  // Whether placement k places a definition already on its chain of parents.
  // Only definitions on a cycle can, and the chain can hold such a repeat
  // only within the definition's own component.
  const auto repeatsParent = [&](std::size_t k) {
    const std::int32_t d = EntBlockTree[k].defno;
    if (!cycles.cyclic[d])
      return false;
    for (std::int32_t p = EntBlockTree[k].parent; p >= 0; p = EntBlockTree[p].parent) {
      const std::int32_t pd = EntBlockTree[p].defno;
      if (pd == d)
        return true;
      if (pd < 0 || cycles.id[pd] != cycles.id[d])
        return false;
      if (budget == 0)
        return true;
      --budget;
    }
    return false;
  };
  std::size_t nested = 0;
  bool full = false;
  for (std::size_t k = 0; k < EntBlockTree.size() && !full; ++k) {
    const std::int32_t d = EntBlockTree[k].defno;
    if (d < 0)
      continue;
    const TEntJwwBlockDef &def = EntBlockDef[d];
    const std::size_t members = jww::Usable(def.mBlockN, def.mBlock.size());
    if (members == 0 || repeatsParent(k))
      continue;
    const TEntJwwBlockTree parent = EntBlockTree[k];  // the array grows below
    for (std::size_t m = 0; m < members; ++m) {
      if (nested == kMaxNestedBlockPlacements || budget == 0) {
        full = true;
        break;
      }
      const TEntJwwBlock &ref = def.mBlock[m];
      TEntJwwBlockTree p;
      p.att = def.att;
      p.level = parent.level + 1;
      p.parent = static_cast<std::int32_t>(k);
      p.no = ref.nNumber;
      const double u = ref.DPKijunTen_x, v = ref.DPKijunTen_y;
      p.x = parent.x + parent.r1 * u + parent.r2 * v;
      p.y = parent.y + parent.r3 * u + parent.r4 * v;
      TEntJwwBlockTree c;
      SetMatrix(c, ref);
      p.r1 = parent.r1 * c.r1 + parent.r2 * c.r3;
      p.r2 = parent.r1 * c.r2 + parent.r2 * c.r4;
      p.r3 = parent.r3 * c.r1 + parent.r4 * c.r3;
      p.r4 = parent.r3 * c.r2 + parent.r4 * c.r4;
      p.defno = index.Find(p.no);
      if (p.defno >= 0)
        p.name = EntBlockDef[p.defno].strName;
      EntBlockTree.push_back(std::move(p));
      ++nested;
    }
  }
  EntBlockTreeN = static_cast<std::int32_t>(EntBlockTree.size());
}

std::uint32_t TJwwData::ChangeBlockNo(std::uint32_t n) const {
  const std::size_t defCount = jww::Usable(EntBlockDefN, EntBlockDef.size());
  for (std::size_t i = 0; i < defCount; ++i) {
    const TEntJwwBlockDef &def = EntBlockDef[i];
    if (def.nNumber == n)
      return def.ref_flag ? static_cast<std::uint32_t>(def.ref_no) : n;
  }
  return 0;
}

namespace jww {

BlockNumberMap::BlockNumberMap(const TJwwData &doc) {
  const std::size_t defCount = Usable(doc.EntBlockDefN, doc.EntBlockDef.size());
  map_.reserve(defCount);
  for (std::size_t i = 0; i < defCount; ++i) {
    const TEntJwwBlockDef &def = doc.EntBlockDef[i];
    map_.emplace(def.nNumber,
                 def.ref_flag ? static_cast<std::uint32_t>(def.ref_no) : def.nNumber);
  }
}

}  // namespace jww

// ---- Writing ----------------------------------------------------------------

void TJwwData::WriteBlockDefinitions(jww::WriteContext &ctx) {
  const std::size_t limit = std::min(jww::Usable(Enthd.n2, EntBlockDef.size()),
                                     jww::Usable(EntBlockDefN, EntBlockDef.size()));
  // The count is that of the definitions that follow, so the section never
  // lies even when EntBlockNum is stale.
  std::uint32_t selected = 0;
  for (std::size_t i = 0; i < limit; ++i)
    selected += EntBlockDef[i].ref_flag ? 1 : 0;
  WriteCount(ctx.w, selected);
  for (std::size_t i = 0; i < limit; ++i) {
    TEntJwwBlockDef &def = EntBlockDef[i];
    if (!def.ref_flag)
      continue;
    ctx.BeginObject(kJwwBlockDef);
    jww::FieldEncoder e;
    jww::FieldsOut out{e, ctx.ver, &ctx.numbers};
    jww::BlockDefFields(out, def);
    e.flushTo(ctx.w);
    if (def.dtime >= kLongTimeMark)
      ctx.w.fill(0, kLongTimeBytes);  // such a value announces the 64-bit time
    WriteCString(ctx.w, SanitizeText(def.strName));
    def.mNo.resize(def.N > 0 ? static_cast<std::size_t>(def.N) : 0);
    const jww::EntityLists lists = jww::EntityLists::Of(def);
    const std::uint64_t members = jww::CountObjects(ctx, lists, def.mNo.size());
    if (members > 0xFFFFFFFFu)
      jww::Fail(jww::kFileIOError, "block definition " + std::to_string(i + 1) +
                                       " has more members than a count can hold");
    WriteCount(ctx.w, static_cast<std::uint32_t>(members));
    ctx.EndObject();  // the definition takes its number before its members
    WriteEntityObjects(ctx, lists, def.mNo.size());
  }
}

}  // namespace velkaro

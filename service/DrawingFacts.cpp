// DrawingFacts: collecting the facts of drawing and figure files.
#include "service/DrawingFacts.h"

#include <algorithm>

#include "convert/DrawingOpener.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "jww/JwwUnit.h"
#include "preview/PreviewGeometry.h"
#include "support/FileIO.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

template <typename T>
std::size_t Count(std::int32_t n, const std::vector<T> &array) {
  return std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), array.size());
}

std::vector<std::u16string> MemoLines(const std::u16string &memo) {
  std::vector<std::u16string> lines;
  if (memo.empty())
    return lines;
  std::u16string line;
  for (const char16_t c : memo) {
    if (c == u'\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != u'\r') {
      line += c;
    }
  }
  lines.push_back(line);
  return lines;
}

void CountKind(std::int64_t kind, std::int64_t KindUse::*column, DrawingInfo &info) {
  KindUse &use = (kind >= 0 && kind <= 10) ? info.kindUse[static_cast<std::size_t>(kind)]
                                           : info.otherKindUse;
  ++(use.*column);
}

// Where the preview puts the texts tells which of them are never printed.
void CountUnprinted(const PreviewGeometry &g, DrawingInfo &info) {
  for (std::size_t k = 0; k < g.kindCount.size(); ++k) {
    KindUse &use = k <= 10 ? info.kindUse[k] : info.otherKindUse;
    use.offSheet = g.kindOffSheet[k];
    use.auxiliary = g.kindAuxiliary[k];
  }
}

void DescribeJww(TJwwData &JW, DrawingInfo &info) {
  info.format = "JWW";
  info.version = IntToString(JW.Enthd.jwVer);
  info.utf16 = JW.MojiEncode;
  info.memo = MemoLines(JW.Enthd.strMemo);
  info.entities = {{"lines", JW.EntLineN},      {"arcs", JW.EntEnkoN},
                   {"points", JW.EntTenN},      {"texts", JW.EntMojiN},
                   {"dimensions", JW.EntSunpoN}, {"solids", JW.EntSolidN},
                   {"block references", JW.EntBlockN}};
  info.blockDefinitions = JW.EntBlockDefN;
  std::int32_t referenced = 0;
  for (std::size_t d = 0; d < Count(JW.EntBlockDefN, JW.EntBlockDef); ++d)
    referenced += JW.EntBlockDef[d].ref_flag ? 1 : 0;
  info.referencedBlockDefinitions = referenced;
  for (std::size_t i = 0; i < Count(JW.BindImageN, JW.BindImage); ++i)
    info.images.emplace_back(JW.BindImage[i].Fname, JW.BindImage[i].Fsize);
  for (std::size_t k = 0; k < std::min<std::size_t>(10, JW.EntMoj.size()); ++k) {
    const TEntJwwMojiType &t = JW.EntMoj[k];
    info.textKinds.push_back({t.adMojiX, t.adMojiY, t.adMojiD, t.anMojiCol});
  }
  const auto kindOf = [](std::uint32_t nMojiShu) { return std::int64_t{nMojiShu % 10000u}; };
  for (std::size_t i = 0; i < Count(JW.EntMojiN, JW.EntMoji); ++i)
    CountKind(kindOf(JW.EntMoji[i].nMojiShu), &KindUse::texts, info);
  for (std::size_t i = 0; i < Count(JW.EntSunpoN, JW.EntSunpo); ++i)
    CountKind(kindOf(JW.EntSunpo[i].Moji.nMojiShu), &KindUse::dimensions, info);
  for (std::size_t d = 0; d < Count(JW.EntBlockDefN, JW.EntBlockDef); ++d) {
    const TEntJwwBlockDef &def = JW.EntBlockDef[d];
    for (std::size_t i = 0; i < Count(def.mMojiN, def.mMoji); ++i)
      CountKind(kindOf(def.mMoji[i].nMojiShu), &KindUse::blocks, info);
    for (std::size_t i = 0; i < Count(def.mSunpoN, def.mSunpo); ++i)
      CountKind(kindOf(def.mSunpo[i].Moji.nMojiShu), &KindUse::blocks, info);
  }
  CountUnprinted(BuildPreviewGeometry(JW), info);
}

void DescribeJwc(const TJwcData &JW, DrawingInfo &info) {
  info.format = "JWC";
  info.version = u"DOS";
  info.memo = {JW.Enthd.comment1, JW.Enthd.comment2};
  info.entities = {{"lines", JW.lineN}, {"arcs", JW.arcN}, {"texts", JW.mojiN},
                   {"points", JW.tenN}};
  // Sizes are stored in 0.1 mm.
  for (std::size_t k = 1; k <= 10 && k < JW.EntMjtp.size(); ++k) {
    const TEntJwcMojiType &t = JW.EntMjtp[k];
    info.textKinds.push_back({t.width / 10.0, t.height / 10.0, t.dist / 10.0, t.penNo});
  }
  for (std::size_t i = 0; i < Count(JW.mojiN, JW.EntMoji); ++i)
    CountKind(JW.EntMoji[i].no, &KindUse::texts, info);
  CountUnprinted(BuildPreviewGeometry(JW), info);
}

void DescribeJwk(const TEntJwkHeader &h, DrawingInfo &info) {
  info.format = "JWK";
  info.version = u"DOS";
  info.headerOnly = true;
  info.memo = {h.comment1, h.comment2};
  info.entities = {{"lines", h.lineCount}, {"arcs", h.arcCount}, {"points", h.tenCount},
                   {"texts", h.mojiCount}};
}

}  // namespace

bool ReadDrawingInfo(const std::u16string &path, DrawingInfo &info, std::string &error) {
  info = DrawingInfo{};
  info.path = path;
  // Say why a file cannot be read rather than call it no drawing.
  switch (ProbeReadable(path)) {
    case ReadProblem::None: break;
    case ReadProblem::Missing: error = "no such file"; return false;
    case ReadProblem::NotRegularFile: error = "not a regular file"; return false;
    case ReadProblem::PermissionDenied: error = "permission denied"; return false;
    case ReadProblem::Unreadable: error = "could not be read"; return false;
  }
  const OpenedFile file = OpenByContent(path, {.listImages = true, .figureHeaders = true});
  if (!file.error.empty()) {
    error = file.error;
    if (!file.detail.empty())
      error += " (" + file.detail + ")";
    return false;
  }
  switch (file.format) {
    case JwFormat::Jww:
      DescribeJww(*file.JWW, info);
      info.trailingBytes = file.JWW->TrailingBytes();
      break;
    case JwFormat::Jwc:
      DescribeJwc(*file.JWC, info);
      info.trailingBytes = file.JWC->TrailingBytes();
      break;
    case JwFormat::Jws:
      info.format = "JWS";
      info.version = IntToString(file.JWS->Enthd.jwVer);
      info.headerOnly = true;
      break;
    case JwFormat::Jwk:
      DescribeJwk(file.JWK->Enthd, info);
      break;
    case JwFormat::None:
      break;
  }
  return true;
}

namespace {

bool IsDrawing(const DrawingInfo &info) {
  return !info.headerOnly && !info.textKinds.empty();
}

void Add(KindUse &sum, const KindUse &use) {
  sum.texts += use.texts;
  sum.dimensions += use.dimensions;
  sum.blocks += use.blocks;
  sum.offSheet += use.offSheet;
  sum.auxiliary += use.auxiliary;
}

}  // namespace

void ApplyMap(KindsOverview &overview, const TMojiShuMap &map) {
  for (std::size_t k = 0; k < overview.kinds.size(); ++k)
    overview.kinds[k].newKind = map[k];
}

KindsOverview SummarizeKinds(const std::vector<DrawingInfo> &infos, const TMojiShuMap &map) {
  KindsOverview overview;
  for (std::size_t k = 0; k < overview.kinds.size(); ++k)
    overview.kinds[k].kind = static_cast<std::int32_t>(k + 1);
  std::string firstFormat;
  for (const DrawingInfo &info : infos) {
    if (!IsDrawing(info)) {
      ++overview.notDrawings;
      continue;
    }
    ++overview.drawings;
    if (firstFormat.empty())
      firstFormat = info.format;
    for (std::size_t k = 0; k < overview.kinds.size(); ++k) {
      KindSummary &kind = overview.kinds[k];
      Add(kind.use, info.kindUse[k + 1]);
      if (k >= info.textKinds.size())
        continue;
      const TextKindEntry &entry = info.textKinds[k];
      if (!kind.entry)
        kind.entry = entry;
      else if (!(*kind.entry == entry) || info.format != firstFormat)
        kind.entryDiffers = true;
    }
    Add(overview.kindZeroUse, info.kindUse[0]);
    Add(overview.otherKindUse, info.otherKindUse);
  }
  ApplyMap(overview, map);
  return overview;
}

KindsOverview ReadKindsOverview(const std::vector<std::u16string> &paths, const TMojiShuMap &map) {
  std::vector<DrawingInfo> infos;
  std::vector<std::u16string> unreadable;
  infos.reserve(paths.size());
  for (const std::u16string &path : paths) {
    DrawingInfo info;
    std::string error;
    if (ReadDrawingInfo(path, info, error))
      infos.push_back(std::move(info));
    else if (error == kNotJwCadFile)
      infos.push_back(std::move(info));  // counts as a file without a table
    else
      unreadable.push_back(path);
  }
  KindsOverview overview = SummarizeKinds(infos, map);
  overview.unreadable = std::move(unreadable);
  return overview;
}

}  // namespace velkaro

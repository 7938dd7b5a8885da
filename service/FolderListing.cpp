// FolderListing: the file list's rows, header look-up and sort.
#include "service/FolderListing.h"

#include <algorithm>
#include <stdexcept>

#include "convert/DrawingOpener.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "jww/JwwUnit.h"
#include "support/Func_2.h"

namespace velkaro {

const std::array<std::u16string, 7> kFileTypeEntries{
    u"ALL Files (*.*)",
    u"Jw_cad ファイル (*.jw?)",
    u"Jw_cad 図面ファイル (*.jww)",
    u"Jw_cad 図形ファイル (*.jws)",
    u"JW_CAD 図面ファイル (*.jwc)",
    u"JW_CAD 図形ファイル (*.jwk)",
    u"JWW/JWC（変換対象）",
};

const std::array<std::u16string, 6> kListColumnHeaders{
    u"ファイル名", u"種類", u"図面メモ", u"更新日時", u"サイズ", u"Ver.",
};

const std::u16string kListingStatusSearching = u"ファイル検索中です";
const std::u16string kListingStatusUnreadable = u"フォルダを読み込めません";

std::u16string FileTypeMask(std::int32_t index) {
  static const std::array<std::u16string, 7> masks{u"*",     u"*.jw?", u"*.jww", u"*.jws",
                                                   u"*.jwc", u"*.jwk", u"*.jw?"};
  if (index < 0 || index >= static_cast<std::int32_t>(masks.size()))
    return u"*";
  return masks[static_cast<std::size_t>(index)];
}

bool FileTypeAccepts(std::int32_t index, const std::u16string &name) {
  if (index != kFileTypeConvertible)
    return true;
  return ConvertibleFormatOfExtension(ExtensionOfName(name)) != JwFormat::None;
}

std::u16string ListingFoundStatusText(std::int32_t count) {
  return u"ファイル検索しました（ファイル数：" + IntToString(count) + u"）";
}

namespace {

std::u16string CleanMemo(const std::u16string &memo) { return RemoveBlanks(SanitizeText(memo)); }

}  // namespace

FolderLister::FolderLister(TJwwData &JWW, TJwsData &JWS, TJwcData &JWC, TJwkData &JWK)
    : docs_{JWW, JWS, JWC, JWK} {}

void FolderLister::GetFileInfo(const std::u16string &path, std::u16string &version,
                               std::u16string &memo) {
  version.clear();
  memo.clear();
  const JwFormat format = FormatOfExtension(ExtensionOfName(path));
  if (!OpenHeader(format, path, docs_))
    return;  // also a file of no Jw_cad extension, which is not opened at all
  // The DOS formats have no version, and a memo of two comment lines.
  const auto dos = [&](const auto &h) {
    version = u"DOS";
    memo = CleanMemo(h.comment1 + u" " + h.comment2);
  };
  switch (format) {
    case JwFormat::Jww:
      version = IntToString(docs_.JWW.Enthd.jwVer);
      memo = CleanMemo(docs_.JWW.Enthd.strMemo);
      break;
    case JwFormat::Jws: version = IntToString(docs_.JWS.Enthd.jwVer); break;
    case JwFormat::Jwc: dos(docs_.JWC.Enthd); break;
    case JwFormat::Jwk: dos(docs_.JWK.Enthd); break;
    case JwFormat::None: break;
  }
}

std::u16string SizeText(std::uint64_t size) {
  const std::string digits = std::to_string(size);
  return std::u16string(digits.begin(), digits.end());
}

FolderListingResult FolderLister::ListFolder(const std::u16string &F, std::int32_t fileType) {
  std::vector<ListRow> rows;
  FolderListingResult result = ListFolder(
      F, fileType,
      [&](std::vector<ListRow> some) {
        rows.insert(rows.end(), std::make_move_iterator(some.begin()),
                    std::make_move_iterator(some.end()));
      },
      {});
  result.rows = std::move(rows);
  return result;
}

FolderListingResult FolderLister::ListFolder(const std::u16string &F, std::int32_t fileType,
                                             const RowSink &sink, std::stop_token stop) {
  // Rows go out in small lots: the first ones show at once, and a slow
  // folder never leaves the list empty for long.
  constexpr std::size_t kLot = 64;
  FolderListingResult result;
  result.statusText = kListingStatusSearching;
  if (!IsFolder(F))
    return result;  // an empty list; the status stays at "searching"
  result.folderExists = true;
  std::vector<TFileField> found =
      ListFolderFiles(JoinPath(F, u""), FileTypeMask(fileType), &result.folderReadable);
  std::erase_if(found, [&](const TFileField &f) { return !FileTypeAccepts(fileType, f.name); });
  // Name order, as a folder lists on Windows, rather than the file system's
  // (which on Linux looks random): ASCII letters without case, names that
  // differ only in case by their code units. Sorted before the headers are
  // read, so that each lot lands in place.
  std::vector<std::size_t> order(found.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const std::int32_t c = CompareAsciiNoCase(found[a].name, found[b].name);
    return c != 0 ? c < 0 : found[a].name < found[b].name;
  });
  std::vector<ListRow> lot;
  for (const std::size_t i : order) {
    if (stop.stop_requested()) {
      result.cancelled = true;
      return result;
    }
    const TFileField &file = found[i];
    ListRow row;
    row.caption = file.name;
    std::u16string version, memo;
    GetFileInfo(JoinPath(F, file.name), version, memo);
    row.subItems[0] = ExtensionOfName(file.name);
    row.subItems[1] = memo;
    row.subItems[2] = file.date + u" " + file.time;
    // The whole size: a drawing of 2 GiB or more is not shown as negative.
    row.subItems[3] = SizeText(file.fullSize);
    row.subItems[4] = version;
    lot.push_back(std::move(row));
    if (lot.size() == kLot) {
      sink(std::move(lot));
      lot.clear();
    }
  }
  if (!lot.empty())
    sink(std::move(lot));
  result.statusText = result.folderReadable
                          ? ListingFoundStatusText(static_cast<std::int32_t>(found.size()))
                          : kListingStatusUnreadable;
  return result;
}

std::int32_t CompareAsciiNoCase(const std::u16string &a, const std::u16string &b) {
  const auto fold = [](char16_t c) -> std::int32_t {
    return (c >= u'a' && c <= u'z') ? c - (u'a' - u'A') : c;
  };
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::int32_t d = fold(a[i]) - fold(b[i]);
    if (d != 0)
      return d;
  }
  return static_cast<std::int32_t>(a.size()) - static_cast<std::int32_t>(b.size());
}

std::int32_t ListView1Compare(const ListRow &item1, const ListRow &item2, std::int32_t Sort1,
                              std::int32_t Sort2) {
  if (Sort1 < 0 || Sort1 > 5)
    return 0;  // no column clicked yet: the list is never sorted
  std::u16string a = item1.column(Sort1);
  std::u16string b = item2.column(Sort1);
  if (Sort1 == 4) {
    // Decimal sizes compare by value once they are equally long.
    if (a.size() < b.size())
      a.insert(0, b.size() - a.size(), u' ');
    else if (b.size() < a.size())
      b.insert(0, a.size() - b.size(), u' ');
  }
  return Sort2 == 0 ? CompareAsciiNoCase(a, b) : CompareAsciiNoCase(b, a);
}

void SortListRows(std::vector<ListRow> &rows, std::int32_t Sort1, std::int32_t Sort2) {
  if (Sort1 < 0 || Sort1 > 5)
    return;
  std::stable_sort(rows.begin(), rows.end(), [&](const ListRow &x, const ListRow &y) {
    return ListView1Compare(x, y, Sort1, Sort2) < 0;
  });
}

}  // namespace velkaro

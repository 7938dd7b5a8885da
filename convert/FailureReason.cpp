// FailureReason: the readers' English details as Japanese sentences.
#include "convert/FailureReason.h"

#include <array>
#include <regex>
#include <string_view>

#include "support/Func_2.h"

namespace velkaro {

namespace {

bool Has(const std::string &text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

struct Phrase {
  std::string_view marker;
  const char16_t *text;
};

// What went wrong, most telling first: the first marker found decides.
constexpr std::array kWhat{
    Phrase{"Version Error", u"対応していないバージョンの図面です"},
    Phrase{"Header Error", u"図面のヘッダーが正しくありません"},
    Phrase{"out of memory", u"メモリーが足りません"},
    Phrase{"Too many open files", u"開いているファイルが多すぎます"},
    Phrase{"too many open files", u"開いているファイルが多すぎます"},
    Phrase{"ends inside", u"ファイルが途中で切れています"},
    Phrase{"end of file", u"ファイルが途中で切れています"},
    Phrase{"cannot read", u"ファイルを読み込めません"},
    Phrase{"read failed", u"ファイルを読み込めません"},
    Phrase{"exceeds", u"図面のデータ数がファイルの大きさと合いません"},
    Phrase{"count", u"図面のデータ数が正しくありません"},
};

// Which part of the file, where the detail names one.
constexpr std::array kWhere{
    Phrase{"header", u"ヘッダー部"},
    Phrase{"block definition", u"ブロック定義"},
    Phrase{"image", u"画像"},
    Phrase{"string", u"文字列"},
    Phrase{"entit", u"図形データ"},
};

std::u16string Ascii(const std::string &text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

std::u16string ReadFailureDetailText(const std::string &detail) {
  if (detail.empty())
    return std::u16string();
  std::u16string what = u"図面の内容が壊れています";
  for (const Phrase &p : kWhat)
    if (Has(detail, p.marker)) {
      what = p.text;
      break;
    }
  std::u16string where;
  // Only the part after the message names a place ("JWW-Header Error" is the
  // message itself).
  const std::size_t colon = detail.find(": ");
  const std::string place = colon == std::string::npos ? std::string() : detail.substr(colon + 2);
  for (const Phrase &p : kWhere)
    if (Has(place, p.marker)) {
      where = p.text;
      break;
    }
  static const std::regex kOffset("offset (0x[0-9A-Fa-f]+|[0-9]+)");
  std::smatch match;
  if (std::regex_search(detail, match, kOffset))
    where += (where.empty() ? u"" : u"、") + std::u16string(u"位置 ") + Ascii(match[1].str());
  return where.empty() ? what : what + u"（" + where + u"）";
}

}  // namespace velkaro

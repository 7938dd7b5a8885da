// FileArguments: wildcard expansion and long names of file arguments.
#include "cli/FileArguments.h"

#include <algorithm>

#include "cli/CliText.h"
#include "support/Func_2.h"
#include "support/Platform.h"

namespace velkaro::cli {

namespace {

// The folder part of an argument (ending with its separator) and its last part.
void SplitLastPart(const std::u16string &path, std::u16string &folder, std::u16string &name) {
  const std::size_t cut = path.find_last_of(kExpandsWildcards ? u"\\/:" : u"/");
  folder = cut == std::u16string::npos ? std::u16string() : path.substr(0, cut + 1);
  name = cut == std::u16string::npos ? path : path.substr(cut + 1);
}

std::vector<std::u16string> MatchingFiles(const std::u16string &pattern) {
  std::u16string folder, mask;
  SplitLastPart(pattern, folder, mask);
  std::vector<std::u16string> names;
  for (const TFileField &file : ListFolderFiles(folder.empty() ? u"." : folder, mask))
    names.push_back(file.name);
  // The order Explorer and dir show: by name, letter case aside.
  std::sort(names.begin(), names.end(), [](const std::u16string &a, const std::u16string &b) {
    const std::u16string ua = LocaleUpperCase(a), ub = LocaleUpperCase(b);
    return ua != ub ? ua < ub : a < b;
  });
  std::vector<std::u16string> paths;
  for (const std::u16string &name : names)
    paths.push_back(folder + name);
  return paths;
}

}  // namespace

bool HasWildcards(const std::string &arg) {
  std::u16string folder, name;
  SplitLastPart(ArgPath(arg), folder, name);
  return name.find_first_of(u"*?") != std::u16string::npos;
}

FileArguments ExpandFileArguments(const std::vector<std::string> &args, bool expandWildcards) {
  FileArguments result;
  for (const std::string &arg : args) {
    if (!expandWildcards || !HasWildcards(arg)) {
      result.paths.push_back(LongPathName(ArgPath(arg)));
      continue;
    }
    std::vector<std::u16string> found = MatchingFiles(ArgPath(arg));
    if (found.empty())
      result.unmatched.push_back(arg);
    result.paths.insert(result.paths.end(), found.begin(), found.end());
  }
  return result;
}

std::u16string UnmatchedPatternMessage(const std::string &pattern) {
  return u"「" + ArgPath(pattern) + u"」に一致するファイルがありません。";
}

}  // namespace velkaro::cli

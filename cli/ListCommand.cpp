// ListCommand: rows of the folder listing, sorted as the window sorts them.
#include "cli/ListCommand.h"

#include <memory>

#include "cli/CliText.h"
#include "cli/ConvertCommand.h"
#include "jwc/JwcUnit.h"
#include "jwc/JwkUnit.h"
#include "jww/JwsUnit.h"
#include "jww/JwwUnit.h"
#include "service/FolderListing.h"

namespace velkaro::cli {

int RunList(const ListOptions &options, std::ostream &out, std::ostream &err) {
  auto JWW = std::make_unique<TJwwData>();
  auto JWS = std::make_unique<TJwsData>();
  auto JWC = std::make_unique<TJwcData>();
  auto JWK = std::make_unique<TJwkData>();
  FolderLister lister(*JWW, *JWS, *JWC, *JWK);
  FolderListingResult result = lister.ListFolder(ArgPath(options.folder), options.type);
  if (!result.folderExists) {
    err << Out(result.statusText) << '\n';
    PrintError(err, options.folder + " is not a folder");
    return kExitUsage;
  }
  if (!result.folderReadable) {
    err << Out(result.statusText) << '\n';
    PrintError(err, "cannot read the folder " + options.folder);
    return kExitSomeFailed;
  }
  if (options.sort) {
    // The window's first click on a column sorts it descending (Sort2 1).
    SortListRows(result.rows, *options.sort, options.descending ? 1 : 0);
  }
  for (std::size_t c = 0; c < kListColumnHeaders.size(); ++c)
    out << (c ? "\t" : "") << Out(kListColumnHeaders[c]);
  out << '\n';
  for (const ListRow &row : result.rows) {
    out << OutName(row.caption);
    for (const std::u16string &item : row.subItems)
      out << '\t' << OutName(item);
    out << '\n';
  }
  out.flush();
  err << Out(result.statusText) << '\n';
  return kExitOk;
}

}  // namespace velkaro::cli

// velkaro-cli: the text-kind conversion, the folder listing and drawing facts
// from the command line.
//
//   velkaro-cli convert --dest DIR (--map K1,...,K10 | --settings FILE) [--jobs N] [--quiet] FILE...
//   velkaro-cli list [--type 0-6] [--sort COLUMN [--descending]] FOLDER
//   velkaro-cli info [--json] FILE...
//   velkaro-cli render FILE --out OUT.svg [--map K1,...,K10] [--width PX] [--all] [--force]
//   velkaro-cli maps [--maps FILE] [NAME]
//   velkaro-cli suggest --template T.jww [--json] FILE...
//
// On Windows a console shows the output in UTF-16; output redirected to a
// file or pipe is in the console's code page with CR LF line ends, or UTF-8
// with --utf8 (TextOutput.h). "*" and "?" in FILE are expanded there.
//
// Exit codes: 0 success, 1 some file produced no output (or could not be
// read), 2 usage errors and refusals (nothing was written).
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli/ConvertCommand.h"
#include "cli/InfoCommand.h"
#include "cli/ListCommand.h"
#include "cli/MapsCommand.h"
#include "cli/RenderCommand.h"
#include "cli/UndoCommand.h"
#include "support/Interrupt.h"
#include "support/TextOutput.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/Func_2.h"
#endif

using namespace velkaro::cli;

namespace {

#ifdef _WIN32
// Windows hands main() its arguments in the ANSI code page, where 図面.jww
// becomes ??.jww: take the UTF-16 command line and give CLI11 UTF-8, which
// ArgPath turns back into UTF-16 paths.
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 0; i < count; ++i) {
    const std::wstring w(wide[i]);
    args.push_back(velkaro::ToUtf8(std::u16string(w.begin(), w.end())));
  }
  LocalFree(wide);
  return args;
}

#endif

// Asked for before the parse: the parse's own messages go out in it too.
bool WantsUtf8(int argc, char **argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--utf8") return true;
  return false;
}

}  // namespace

int main(int argc, char **argv) {
#ifdef _WIN32
  std::vector<std::string> utf8Args = Utf8Arguments();
  std::vector<char *> utf8Argv;
  for (std::string &a : utf8Args) utf8Argv.push_back(a.data());
  utf8Argv.push_back(nullptr);
  if (!utf8Args.empty()) {
    argc = static_cast<int>(utf8Args.size());
    argv = utf8Argv.data();
  }
#endif
  velkaro::PrepareStandardStreams(WantsUtf8(argc, argv) ? velkaro::RedirectedEncoding::Utf8
                                                         : velkaro::RedirectedEncoding::ConsoleCodePage);
  CLI::App app{"Velkaro: renumbers the text kinds of Jw_cad drawings (JWW, JWC).", "velkaro-cli"};
  // On Windows CLI11 would read a "/"-rooted path as an option ("/tmp/x").
  // Set before the subcommands are added: they take it over from here.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", "velkaro-cli " VELKARO_VERSION);
  app.require_subcommand(1);
  // --utf8 may follow the command's name too.
  app.fallthrough();
  bool utf8 = false;  // taken by WantsUtf8 already
  app.add_flag("--utf8", utf8,
               "on Windows, write redirected output in UTF-8 instead of the console's code page "
               "(a console always shows every character)");
  app.footer("Exit codes: 0 success; 1 a file produced no output (convert), could not be read "
             "(info, render) or was left alone (undo); 2 usage errors and refusals, nothing written; 128+N stopped by "
             "signal N (130 Ctrl+C, 141 the output closed), files converted so far kept.");

  ConvertOptions convert;
  CLI::App *convertCmd = app.add_subcommand(
      "convert", "Convert drawings into a destination folder, keeping any file there as .BAK");
  convertCmd->add_option("--dest", convert.dest, "destination folder")->required();
  CLI::Option *mapOpt = convertCmd->add_option(
      "--map", convert.map, "new kinds of the old kinds 1 to 10, such as 2,1,3,4,5,6,7,8,9,10");
  CLI::Option *settingsOpt =
      convertCmd->add_option("--settings", convert.settings, "take the map from a settings file");
  CLI::Option *mapNameOpt =
      convertCmd->add_option("--map-name", convert.mapName, "take the map saved under this name");
  convertCmd->add_option("--maps", convert.maps, "the maps file for --map-name")->needs(mapNameOpt);
  mapOpt->excludes(settingsOpt);
  mapOpt->excludes(mapNameOpt);
  settingsOpt->excludes(mapNameOpt);
  convertCmd->add_option("--jobs", convert.jobs, "parallel workers (default 1)")
      ->check(CLI::Range(1, 256));
  convertCmd->add_flag("--quiet", convert.quiet, "print only the final count");
  convertCmd->add_option("FILE", convert.files, "JWW or JWC files")->required();

  ListOptions list;
  CLI::App *listCmd = app.add_subcommand("list", "List a folder as the window's file list does");
  listCmd->add_option("--type", list.type, "file type 0-6 (0 all files, 1 *.jw?, 2 *.jww, "
                                           "3 *.jws, 4 *.jwc, 5 *.jwk, 6 *.jww and *.jwc)")
      ->check(CLI::Range(0, 6));
  CLI::Option *sortOpt =
      listCmd->add_option("--sort", list.sort, "sort by column 0-5")->check(CLI::Range(0, 5));
  listCmd->add_flag("--descending", list.descending, "sort in descending order")->needs(sortOpt);
  listCmd->add_option("FOLDER", list.folder, "the folder")->required();

  InfoOptions info;
  CLI::App *infoCmd = app.add_subcommand("info", "Show what a drawing holds");
  infoCmd->add_flag("--json", info.json, "print JSON");
  infoCmd->add_option("FILE", info.files, "Jw_cad files")->required();

  RenderOptions render;
  CLI::App *renderCmd = app.add_subcommand("render", "Draw a drawing as SVG, its texts coloured by kind");
  renderCmd->add_option("FILE", render.file, "a JWW or JWC drawing")->required();
  renderCmd->add_option("--out", render.out, "the SVG file to write")->required();
  renderCmd->add_option("--map", render.map, "show the kinds after this map, such as 2,1,3,4,5,6,7,8,9,10");
  renderCmd->add_option("--width", render.width, "width of the picture in pixels (default 1200)");
  renderCmd->add_flag("--force", render.force,
                      "replace an existing file that is not an SVG written by velkaro-cli");
  renderCmd->add_flag("--all", render.all, "show everything, not only the sheet");

  MapsOptions maps;
  CLI::App *mapsCmd = app.add_subcommand("maps", "List the maps saved under names, or show one");
  mapsCmd->add_option("--maps", maps.maps, "the maps file (default: the window's)");
  mapsCmd->add_option("NAME", maps.name, "the map to show");

  SuggestOptions suggest;
  CLI::App *suggestCmd = app.add_subcommand(
      "suggest", "Propose the map that gives drawings the text kinds of a template drawing");
  suggestCmd->add_option("--template", suggest.templateFile, "a drawing of the office's own convention")
      ->required();
  suggestCmd->add_flag("--json", suggest.json, "print JSON");
  suggestCmd->add_option("FILE", suggest.files, "the drawings to convert")->required();

  UndoOptions undo;
  CLI::App *undoCmd = app.add_subcommand(
      "undo", "Take back the last batch into a folder: earlier files restored, new ones removed");
  undoCmd->add_option("--dest", undo.dest, "the destination folder of the batch")->required();
  undoCmd->add_flag("--dry-run", undo.dryRun, "say what would be done, change nothing");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success &e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError &e) {
    app.exit(e);
    return kExitUsage;
  }

  if (convertCmd->parsed()) {
    velkaro::InstallStopHandlers();
    if (!convert.map && !convert.settings && !convert.mapName) {
      std::cerr << "velkaro-cli: convert needs --map, --map-name or --settings\n";
      return kExitUsage;
    }
    return RunConvert(convert, std::cout, std::cerr);
  }
  if (renderCmd->parsed()) {
    velkaro::InstallStopHandlers();
    return RunRender(render, std::cout, std::cerr);
  }
  if (undoCmd->parsed()) {
    velkaro::InstallStopHandlers();
    return RunUndo(undo, std::cout, std::cerr);
  }
  if (listCmd->parsed())
    return RunList(list, std::cout, std::cerr);
  if (mapsCmd->parsed())
    return RunMaps(maps, std::cout, std::cerr);
  if (suggestCmd->parsed())
    return RunSuggest(suggest, std::cout, std::cerr);
  return RunInfo(info, std::cout, std::cerr);
}

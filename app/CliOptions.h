// Command-line front end: the options of brenvoflac-cli and their checks. No Qt: the command
// line runs where no desktop is.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "presets/Catalogue.h"
#include "presets/PresetLists.h"

namespace cli {

struct TCliOptions {
  presets::TFormatChoice Format{0, 10};  // code 110: FLAC
  std::string OutputFolder;              // empty: the window's folder from "option.ini"
  int Threads = 1;
  // Entry texts by selector; empty: the format's default entry.
  std::array<std::string, presets::kPresetSelectorCount> Parameters;
  bool Overwrite = false;
  std::vector<std::string> ExtraOptions;  // "NAME=VALUE" lines
  bool ListFormats = false;
  bool ShowHelp = false;
  std::string InfoFile;
  std::vector<std::string> Inputs;  // files and folders
};

// What parsing gives: options, or an error message for the user (exit status 2).
struct TCliParse {
  std::optional<TCliOptions> Options;
  std::string Error;
};

TCliParse ParseCommandLine(int argc, char** argv);

// The entry texts a run uses: the given ones, the format's defaults elsewhere. Empty string and
// an error message when a given text is not in its selector's list.
std::array<std::string, presets::kPresetSelectorCount> ResolveParameters(
    const TCliOptions& options, std::string* error);

std::string HelpText();
// Every format: code, title, extension and its parameter lists with the defaults marked.
std::string FormatListText();

// Files of a folder, not recursing, in name order; a file argument is taken as it is.
std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs, std::string* error);

}  // namespace cli

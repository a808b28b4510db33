// The settings file "option.ini" and the output folder, shared by the window and the command
// line. Every read or write goes through platform::TIniFile, one key at a time.
//
// Reading rule for every key: read with the fallback "Error"; an empty or "Error" value counts
// as missing, and a missing value is replaced by the key's default, which is written back at
// once (ReadSetting).
#pragma once

#include <string>

#include "platform/IniFile.h"

namespace presets {

inline constexpr const char* kSettingsFileName = "option.ini";
inline constexpr const char* kMissingValue = "Error";
inline constexpr const char* kOutPathSection = "OutPath";
inline constexpr const char* kOutPathKey = "OutPath";

// The folder of the running executable, without a trailing "/"; "." when it cannot be told.
std::string ExecutableFolder();
// Where "option.ini" lies: in programFolder when that folder is writable, otherwise in
// $XDG_CONFIG_HOME/BrenvoFLAC (default ~/.config/BrenvoFLAC), which is created when missing.
std::string SettingsFilePath(const std::string& programFolder);
inline std::string SettingsFilePath() {
  return SettingsFilePath(ExecutableFolder());
}

// $HOME (or the account's home folder).
std::string HomeFolder();
// "$HOME/Brenvo视频软件/输出" and "$HOME/Brenvo视频软件/快照".
std::string DefaultOutputFolder();
std::string DefaultSnapshotFolder();

// Creates the folder with all missing parents; true when it exists afterwards.
bool ForceFolders(const std::string& folder);
bool FolderExists(const std::string& folder);

// The value of section/key by the reading rule; a missing value writes `def` back and gives it.
std::string ReadSetting(const platform::TIniFile& ini, const std::string& section,
                        const std::string& key, const std::string& def);

struct TOutputFolderResult {
  std::string Folder;  // the folder to use; never empty
  std::string Error;   // "" when the folder exists and the file holds it
};

// ReadOutputFolder: the stored "OutPath"/"OutPath" when given as an absolute path (its folder is
// created again with its parents when missing); otherwise, or when that folder cannot be
// created, `defaultFolder` (default DefaultOutputFolder()), created and written back. A failure
// of that recovery too is reported in Error while the default is still returned.
TOutputFolderResult ReadOutputFolder(const platform::TIniFile& ini,
                                     const std::string& defaultFolder);
inline TOutputFolderResult ReadOutputFolder(const platform::TIniFile& ini) {
  return ReadOutputFolder(ini, DefaultOutputFolder());
}
// Stores the folder when it exists; false (nothing written) otherwise or when the write fails.
bool WriteOutputFolder(const platform::TIniFile& ini, const std::string& folder);

}  // namespace presets

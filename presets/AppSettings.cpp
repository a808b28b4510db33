#include "presets/AppSettings.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace presets {

namespace {

std::string NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : "";
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool Usable(const std::string& value) {
  return !value.empty() && value != kMissingValue;
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return ".";
  return exe.parent_path().string();
}

std::string SettingsFilePath(const std::string& programFolder) {
  std::error_code ec;
  if (std::filesystem::is_directory(programFolder, ec) && access(programFolder.c_str(), W_OK) == 0)
    return programFolder + "/" + kSettingsFileName;
  // XDG asks to ignore a relative XDG_CONFIG_HOME.
  std::string config = NonEmptyEnv("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') config = HomeFolder() + "/.config";
  std::string folder = config + "/BrenvoFLAC";
  ForceFolders(folder);
  return folder + "/" + kSettingsFileName;
}

std::string HomeFolder() {
  std::string home = NonEmptyEnv("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

std::string DefaultOutputFolder() {
  return HomeFolder() + "/Brenvo视频软件/输出";
}

std::string DefaultSnapshotFolder() {
  return HomeFolder() + "/Brenvo视频软件/快照";
}

bool FolderExists(const std::string& folder) {
  std::error_code ec;
  return !folder.empty() && std::filesystem::is_directory(folder, ec);
}

bool ForceFolders(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return FolderExists(folder);
}

std::string ReadSetting(const platform::TIniFile& ini, const std::string& section,
                        const std::string& key, const std::string& def) {
  std::string value = ini.ReadString(section, key, kMissingValue);
  if (Usable(value)) return value;
  ini.WriteString(section, key, def);
  return def;
}

TOutputFolderResult ReadOutputFolder(const platform::TIniFile& ini,
                                     const std::string& defaultFolder) {
  if (FileExists(ini.FileName())) {
    std::string stored = ini.ReadString(kOutPathSection, kOutPathKey, kMissingValue);
    // A relative folder (or a Windows path such as "C:\...") would depend on the current
    // folder: it counts as unusable.
    if (Usable(stored) && stored.front() == '/' && ForceFolders(stored)) return {stored, ""};
  }
  // Missing, empty, "Error", or a folder that cannot be made: the default, written back.
  bool made = ForceFolders(defaultFolder);
  bool written = ini.WriteString(kOutPathSection, kOutPathKey, defaultFolder);
  TOutputFolderResult result{defaultFolder, ""};
  if (!made)
    result.Error = "无法创建输出目录：" + defaultFolder;
  else if (!written)
    result.Error = "无法写入设置文件：" + ini.FileName();
  return result;
}

bool WriteOutputFolder(const platform::TIniFile& ini, const std::string& folder) {
  if (!FolderExists(folder)) return false;
  return ini.WriteString(kOutPathSection, kOutPathKey, folder);
}

}  // namespace presets

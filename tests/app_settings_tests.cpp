#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "presets/AppSettings.h"
#include "tests/support/TestSupport.h"

using namespace presets;
using platform::TIniFile;
using testsupport::ReadFile;
using testsupport::TTempDir;
using testsupport::WriteFile;

namespace {

// Sets an environment variable for one test and puts the old value back.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~TScopedEnv() { FOld ? setenv(FName, FOld->c_str(), 1) : unsetenv(FName); }

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

std::string Stored(const TIniFile& ini) {
  return ini.ReadString("OutPath", "OutPath", "Error");
}

}  // namespace

TEST(AppSettings, DefaultFoldersLieUnderHome) {
  TScopedEnv home("HOME", "/home/someone");
  EXPECT_EQ(DefaultOutputFolder(), "/home/someone/Brenvo视频软件/输出");
  EXPECT_EQ(DefaultSnapshotFolder(), "/home/someone/Brenvo视频软件/快照");
}

TEST(AppSettings, SettingsFileNextToAWritableProgram) {
  TTempDir program;
  EXPECT_EQ(SettingsFilePath(program.Path()), program.File("option.ini"));
  EXPECT_NE(ExecutableFolder(), ".");
  EXPECT_TRUE(FolderExists(ExecutableFolder()));
}

TEST(AppSettings, SettingsFileInTheConfigFolderOtherwise) {
  TTempDir config, home;
  std::string unwritable = home.File("no-such-folder");  // root may write anywhere else
  {
    TScopedEnv xdg("XDG_CONFIG_HOME", config.Path().c_str());
    EXPECT_EQ(SettingsFilePath(unwritable), config.File("BrenvoFLAC/option.ini"));
    EXPECT_TRUE(FolderExists(config.File("BrenvoFLAC")));
  }
  TScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  TScopedEnv h("HOME", home.Path().c_str());
  EXPECT_EQ(SettingsFilePath(unwritable), home.File(".config/BrenvoFLAC/option.ini"));
  TScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(SettingsFilePath(unwritable), home.File(".config/BrenvoFLAC/option.ini"));
}

TEST(AppSettings, ReadSettingWritesTheDefaultBackForMissingValues) {
  TTempDir dir;
  TIniFile ini(dir.File("option.ini"));
  EXPECT_EQ(ReadSetting(ini, "Skin", "SetSkin", "0"), "0");  // no file
  EXPECT_EQ(ini.ReadString("Skin", "SetSkin", "none"), "0");
  for (const char* missing : {"", "Error"}) {
    ini.WriteString("Options", "After_Done", missing);
    EXPECT_EQ(ReadSetting(ini, "Options", "After_Done", "3"), "3") << missing;
    EXPECT_EQ(ini.ReadString("Options", "After_Done", "none"), "3");
  }
  ini.WriteString("Options", "After_Done", "1");
  EXPECT_EQ(ReadSetting(ini, "Options", "After_Done", "3"), "1");
}

TEST(AppSettings, OutputFolderOnFirstStart) {
  TTempDir dir;
  TIniFile ini(dir.File("option.ini"));
  std::string def = dir.File("home/Brenvo视频软件/输出");
  TOutputFolderResult r = ReadOutputFolder(ini, def);
  EXPECT_EQ(r.Folder, def);
  EXPECT_EQ(r.Error, "");
  EXPECT_TRUE(FolderExists(def));
  EXPECT_EQ(Stored(ini), def);
}

TEST(AppSettings, StoredOutputFolderIsMadeAgainWhenMissing) {
  TTempDir dir;
  TIniFile ini(dir.File("option.ini"));
  std::string stored = dir.File("gone/deep/输出");
  ini.WriteString("OutPath", "OutPath", stored);
  TOutputFolderResult r = ReadOutputFolder(ini, dir.File("default"));
  EXPECT_EQ(r.Folder, stored);
  EXPECT_EQ(r.Error, "");
  EXPECT_TRUE(FolderExists(stored));
  EXPECT_FALSE(FolderExists(dir.File("default")));
  EXPECT_EQ(Stored(ini), stored);
}

TEST(AppSettings, MissingOrUnusableOutputFolderFallsBackToTheDefault) {
  struct TCase {
    const char* name;
    const char* content;  // of option.ini
  };
  const TCase cases[] = {
      {"error", "[OutPath]\nOutPath=Error\n"},
      {"empty", "[OutPath]\nOutPath=\n"},
      {"no_key", "[Skin]\nSetSkin=0\n"},
      {"under_a_file", "[OutPath]\nOutPath=@/blocker/out\n"},
      {"windows_path", "[OutPath]\nOutPath=C:\\Brenvo视频软件\\输出\n"},
      {"relative", "[OutPath]\nOutPath=out\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir dir;
    WriteFile(dir.File("blocker"), "a file, not a folder");
    std::string content = c.content;
    if (size_t at = content.find('@'); at != std::string::npos) content.replace(at, 1, dir.Path());
    WriteFile(dir.File("option.ini"), content);
    TIniFile ini(dir.File("option.ini"));
    std::string def = dir.File("默认/输出");
    TOutputFolderResult r = ReadOutputFolder(ini, def);
    EXPECT_EQ(r.Folder, def);
    EXPECT_EQ(r.Error, "");
    EXPECT_TRUE(FolderExists(def));
    EXPECT_EQ(Stored(ini), def);
  }
}

TEST(AppSettings, FailedRecoveryIsReportedWithTheDefaultStillGiven) {
  TTempDir dir;
  WriteFile(dir.File("blocker"), "x");
  TIniFile ini(dir.File("option.ini"));
  TOutputFolderResult r = ReadOutputFolder(ini, dir.File("blocker/out"));
  EXPECT_EQ(r.Folder, dir.File("blocker/out"));
  EXPECT_NE(r.Error, "");

  TIniFile unwritable(dir.File("blocker/option.ini"));  // its folder is a file
  r = ReadOutputFolder(unwritable, dir.File("out"));
  EXPECT_EQ(r.Folder, dir.File("out"));
  EXPECT_NE(r.Error, "");
}

TEST(AppSettings, WriteOutputFolderStoresOnlyExistingFolders) {
  TTempDir dir;
  TIniFile ini(dir.File("option.ini"));
  EXPECT_FALSE(WriteOutputFolder(ini, dir.File("missing")));
  EXPECT_EQ(Stored(ini), "Error");
  EXPECT_TRUE(WriteOutputFolder(ini, dir.Path()));
  EXPECT_EQ(Stored(ini), dir.Path());
  EXPECT_NE(ReadFile(dir.File("option.ini")).find("[OutPath]"), std::string::npos);
}

// The main window, the options dialog and the selectors, on the offscreen platform, with the
// settings file in a temporary folder and every dialog and shell call recorded.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <set>
#include <vector>

#include "app/AppWindows.h"
#include "app/Dialogs.h"
#include "app/SkinControls.h"
#include "app/Skins.h"
#include "media/FFmpegLogger.h"
#include "platform/IniFile.h"
#include "platform/Shell.h"
#include "presets/AppSettings.h"
#include "presets/Catalogue.h"
#include "tests/support/TestSupport.h"

using platform::TIniFile;
using testsupport::ReadFile;
using testsupport::TTempDir;
using testsupport::WriteFile;

namespace {

namespace fs = std::filesystem;

// Everything the windows ask of the shell and of the dialogs, in order.
struct TRecorder : platform::IShell, app::IDialogs {
  std::vector<std::string> Calls;
  std::optional<QString> FolderAnswer;
  std::optional<int> SkinAnswer;

  bool Open(const std::string& target) override {
    Calls.push_back("open " + target);
    return true;
  }
  bool PlaySoundAsync(const std::string& wav) override {
    Calls.push_back("sound " + wav);
    return true;
  }
  bool PowerOff() override {
    Calls.push_back("poweroff");
    return true;
  }
  std::optional<QString> ChooseFolder(QWidget*, const QString& title, const QString&) override {
    Calls.push_back("folder " + title.toStdString());
    return FolderAnswer;
  }
  QString OpenFile(QWidget*, const QString&, const QString&) override { return {}; }
  QStringList OpenFiles(QWidget*, const QString&, const QString&) override { return {}; }
  void Information(QWidget*, const QString& title, const QString& text) override {
    Calls.push_back("info " + title.toStdString() + ": " + text.toStdString());
  }
  void Warning(QWidget*, const QString& caption, const QString& text) override {
    Calls.push_back("warning " + caption.toStdString() + ": " + text.toStdString());
  }
  std::optional<int> ChooseSkin(QWidget*, const QStringList&, int) override {
    Calls.push_back("skin chooser");
    return SkinAnswer;
  }
};

// An engine and a player that write down what the window asks of them.
struct TRecordingEngine : app::IConversionEngine {
  std::vector<std::string>* Calls;
  bool FPreview = false;
  explicit TRecordingEngine(std::vector<std::string>* calls) : Calls(calls) {}
  bool Preview() const override { return FPreview; }
  void SetPreview(bool on) override {
    FPreview = on;
    Calls->push_back(on ? "engine preview on" : "engine preview off");
  }
  void DetachEvents() override { Calls->push_back("engine detach"); }
  void Stop(bool wait) override { Calls->push_back(wait ? "engine stop wait" : "engine stop"); }
};
struct TRecordingPlayer : app::IPreviewPlayer {
  std::vector<std::string>* Calls;
  explicit TRecordingPlayer(std::vector<std::string>* calls) : Calls(calls) {}
  void DetachEvents() override { Calls->push_back("player detach"); }
  void UpdateScreenPosition() override {}
};

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetShell(&FRecorder);
    app::SetDialogs(&FRecorder);
  }
  void TearDown() override {
    FWindows.reset();
    app::SetDialogs(nullptr);
    platform::SetShell(nullptr);
  }

  TForm1Setup Setup() const {
    TForm1Setup setup;
    setup.ProgramFolder = FDir.Path();
    setup.SettingsFile = IniPath();
    setup.DefaultOutputFolder = DefaultFolder();
    return setup;
  }
  std::string IniPath() const { return FDir.File("option.ini"); }
  std::string DefaultFolder() const { return FDir.File("home/Brenvo视频软件/输出"); }
  std::string Stored(const char* section, const char* key) const {
    return TIniFile(IniPath()).ReadString(section, key, "(none)");
  }

  TAppWindows& Start() {
    FWindows = std::make_unique<TAppWindows>(Setup(), &FEngine, &FPlayer);
    return *FWindows;
  }
  TForm1& Main() { return FWindows->Form1(); }
  TForm5& Options() { return FWindows->Form5(); }

  template <class T>
  T* Find(QWidget* parent, const char* name) {
    T* w = parent->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  TSkinComboBox* Selector(const char* name) { return Find<TSkinComboBox>(&Main(), name); }
  TOfficeComboBox* Categories() { return Find<TOfficeComboBox>(&Main(), "bsSkinOfficeComboBox2"); }
  TOfficeComboBox* Formats() { return Find<TOfficeComboBox>(&Main(), "bsSkinOfficeComboBox1"); }
  QString LogText() { return Find<QPlainTextEdit>(&Main(), "mmoLog")->toPlainText(); }

  TTempDir FDir;
  TRecorder FRecorder;
  std::vector<std::string> FEngineCalls;
  TRecordingEngine FEngine{&FEngineCalls};
  TRecordingPlayer FPlayer{&FEngineCalls};
  std::unique_ptr<TAppWindows> FWindows;
};

// ---------------------------------------------------------------------------------------------
// Settings file at start-up

TEST_F(WindowTest, FirstStartCreatesFileFoldersAndDefaults) {
  ASSERT_FALSE(fs::exists(IniPath()));
  Start();

  EXPECT_TRUE(fs::is_directory(DefaultFolder()));
  EXPECT_EQ(Stored("OutPath", "OutPath"), DefaultFolder());
  EXPECT_EQ(Stored("Skin", "SetSkin"), "0");
  EXPECT_EQ(Stored("Options", "Thread_Count"), "0");
  EXPECT_EQ(Stored("Options", "After_Done"), "0");
  EXPECT_EQ(Stored("Options", "Show_Preview"), "0");
  EXPECT_EQ(Stored("Options", "Thread_Priority"), "3");
  EXPECT_EQ(Stored("Options", "Overwrite_File"), "1");
  // The main window writes its sections before the options dialog is created; the dialog then
  // repairs its keys one by one in its reading order.
  std::string text = ReadFile(IniPath());
  size_t outPath = text.find("[OutPath]"), skin = text.find("[Skin]"),
         options = text.find("[Options]");
  ASSERT_NE(options, std::string::npos);
  EXPECT_LT(outPath, skin);
  EXPECT_LT(skin, options);
  std::vector<size_t> keys;
  for (const char* key :
       {"Thread_Count", "After_Done", "Thread_Priority", "Overwrite_File", "Show_Preview"})
    keys.push_back(text.find(key));
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << text;

  EXPECT_EQ(Main().FileOutPutPath(), DefaultFolder());
  EXPECT_EQ(Find<QLineEdit>(&Main(), "Video_OutPut_Folder_Edit")->text().toStdString(),
            DefaultFolder());
  EXPECT_EQ(Options().ThreadCountText(), "1");
  EXPECT_EQ(Options().AfterDone(), TForm5::adOpenFolder);
  EXPECT_FALSE(Options().OverwriteFiles());
  EXPECT_FALSE(Options().LivePreview());
  EXPECT_EQ(Options().Priority(), platform::tpNormal);
  EXPECT_EQ(Main().SkinIndex(), 0);
  EXPECT_TRUE(FRecorder.Calls.empty());
}

struct TOutPathCase {
  const char* name;
  const char* stored;  // nullptr: a folder under the test's folder that does not exist
  bool usesDefault;
};
std::ostream& operator<<(std::ostream& os, const TOutPathCase& c) {
  return os << c.name;
}

class OutPathRead : public WindowTest, public testing::WithParamInterface<TOutPathCase> {};

TEST_P(OutPathRead, UsesStoredFolderOrDefault) {
  const auto& c = GetParam();
  std::string missing = FDir.File("gone/deeper/输出");
  std::string stored = c.stored ? c.stored : missing;
  WriteFile(IniPath(), "[OutPath]\nOutPath=" + stored + "\n");
  Start();
  std::string expected = c.usesDefault ? DefaultFolder() : missing;
  EXPECT_EQ(Main().FileOutPutPath(), expected);
  EXPECT_EQ(Stored("OutPath", "OutPath"), expected);
  EXPECT_TRUE(fs::is_directory(expected));
  EXPECT_EQ(fs::exists(DefaultFolder()), c.usesDefault);
}

INSTANTIATE_TEST_SUITE_P(Cases, OutPathRead,
                         testing::Values(TOutPathCase{"missing_folder_recreated", nullptr, false},
                                         TOutPathCase{"error_value", "Error", true},
                                         TOutPathCase{"empty_value", "", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TSkinCase {
  const char* name;
  const char* stored;
  int index;
  const char* storedAfter;
};
std::ostream& operator<<(std::ostream& os, const TSkinCase& c) {
  return os << c.name;
}

class SkinRead : public WindowTest, public testing::WithParamInterface<TSkinCase> {};

TEST_P(SkinRead, SelectsSkinByTheReadingRule) {
  const auto& c = GetParam();
  WriteFile(IniPath(), std::string("[Skin]\nSetSkin=") + c.stored + "\n");
  Start();
  EXPECT_EQ(Main().SkinIndex(), c.index);
  EXPECT_EQ(Stored("Skin", "SetSkin"), c.storedAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, SkinRead,
                         testing::Values(TSkinCase{"error_value", "Error", 0, "0"},
                                         TSkinCase{"empty_value", "", 0, "0"},
                                         TSkinCase{"not_a_number", "abc", 0, "abc"},
                                         TSkinCase{"trailing_junk", "2x", 0, "2x"},
                                         TSkinCase{"out_of_range", "99", 0, "99"},
                                         TSkinCase{"negative", "-1", 0, "-1"},
                                         TSkinCase{"valid_index", "2", 2, "2"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, SkinChooserStoresTheIndexAfterEveryUse) {
  WriteFile(IniPath(), "[Skin]\nSetSkin=1\n");
  Start();
  ASSERT_EQ(Main().SkinIndex(), 1);
  // Cancelled: the current index is written anyway.
  WriteFile(IniPath(), "[Skin]\nSetSkin=Error\n");
  Find<QToolButton>(&Main(), "btnSkin")->click();
  EXPECT_EQ(Main().SkinIndex(), 1);
  EXPECT_EQ(Stored("Skin", "SetSkin"), "1");
  // Chosen through the menu entry.
  FRecorder.SkinAnswer = 2;
  Find<QAction>(&Main(), "actSkin")->trigger();
  EXPECT_EQ(Main().SkinIndex(), 2);
  EXPECT_EQ(Stored("Skin", "SetSkin"), "2");
  EXPECT_EQ(std::count(FRecorder.Calls.begin(), FRecorder.Calls.end(), "skin chooser"), 2);
}

// ---------------------------------------------------------------------------------------------
// Options dialog

// One stored "Options" value and what the dialog makes of it.
struct TOptionCase {
  const char* name;
  const char* key;
  const char* stored;
  const char* shown;        // name of the control that must be chosen, or the thread list text
  const char* storedAfter;  // the key's value after ReadOptions
};
std::ostream& operator<<(std::ostream& os, const TOptionCase& c) {
  return os << c.name;
}

class OptionsRead : public WindowTest, public testing::WithParamInterface<TOptionCase> {};

TEST_P(OptionsRead, ShowsAndRepairsValue) {
  const auto& c = GetParam();
  WriteFile(IniPath(), std::string("[Options]\n") + c.key + "=" + c.stored + "\n");
  Start();
  QWidget* dialog = &Options();
  if (std::string(c.key) == "Thread_Count") {
    EXPECT_EQ(Find<QComboBox>(dialog, "edtThreadCount")->currentText().toStdString(), c.shown);
  } else if (std::string(c.key) == "Show_Preview") {
    bool on = std::string(c.shown) == "on";
    EXPECT_EQ(Find<QCheckBox>(dialog, "chkLivePreview")->isChecked(), on);
    EXPECT_EQ(FEngine.Preview(), on);
  } else {
    EXPECT_TRUE(Find<QRadioButton>(dialog, c.shown)->isChecked());
  }
  EXPECT_EQ(Stored("Options", c.key), c.storedAfter);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, OptionsRead, testing::Values(
    TOptionCase{"count_missing",      "Thread_Count",    "",      "1",           "0"},
    TOptionCase{"count_zero",         "Thread_Count",    "0",     "1",           "0"},
    TOptionCase{"count_one",          "Thread_Count",    "1",     "1",           "1"},
    TOptionCase{"count_stored_seven", "Thread_Count",    "7",     "7",           "7"},
    TOptionCase{"count_garbage",      "Thread_Count",    "abc",   "1",           "abc"},
    TOptionCase{"after_shut_down",    "After_Done",      "1",     "rbShutDown",  "1"},
    TOptionCase{"after_nothing",      "After_Done",      "3",     "rbDoNothing", "3"},
    TOptionCase{"after_five",         "After_Done",      "5",     "rbOpenFolder", "0"},
    TOptionCase{"after_error",        "After_Done",      "Error", "rbOpenFolder", "0"},
    TOptionCase{"priority_idle",      "Thread_Priority", "0",     "rbIdle",      "0"},
    TOptionCase{"priority_x",         "Thread_Priority", "x",     "rbNormal",    "3"},
    TOptionCase{"priority_four",      "Thread_Priority", "4",     "rbNormal",    "3"},
    TOptionCase{"overwrite_on",       "Overwrite_File",  "0",     "rbOverwrite", "0"},
    TOptionCase{"overwrite_seven",    "Overwrite_File",  "7",     "rbRename",    "1"},
    TOptionCase{"overwrite_empty",    "Overwrite_File",  "",      "rbRename",    "1"},
    TOptionCase{"preview_on",         "Show_Preview",    "1",     "on",          "1"},
    TOptionCase{"preview_yes",        "Show_Preview",    "yes",   "off",         "0"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(WindowTest, OkStoresTheControlsAndReadingRestoresThem) {
  Start();
  QWidget* dialog = &Options();
  Find<QRadioButton>(dialog, "rbShutDown")->click();
  Find<QRadioButton>(dialog, "rbOverwrite")->click();
  Find<QComboBox>(dialog, "edtThreadCount")->setCurrentIndex(2);
  Find<QCheckBox>(dialog, "chkLivePreview")->click();
  Find<QRadioButton>(dialog, "rbLower")->click();
  Find<QPushButton>(dialog, "btnOK")->click();

  EXPECT_EQ(Stored("Options", "Thread_Count"), "3");
  EXPECT_EQ(Stored("Options", "After_Done"), "1");
  EXPECT_EQ(Stored("Options", "Show_Preview"), "1");
  EXPECT_EQ(Stored("Options", "Thread_Priority"), "2");
  EXPECT_EQ(Stored("Options", "Overwrite_File"), "0");

  // The next start shows what was stored.
  FWindows.reset();
  FEngine.FPreview = false;
  Start();
  EXPECT_EQ(Options().AfterDone(), TForm5::adShutDown);
  EXPECT_TRUE(Options().OverwriteFiles());
  EXPECT_EQ(Options().ThreadCount(), 3);
  EXPECT_TRUE(Options().LivePreview());
  EXPECT_TRUE(FEngine.Preview());
  EXPECT_EQ(Options().Priority(), platform::tpLower);
}

TEST_F(WindowTest, CancelKeepsTheControlsButStoresNothing) {
  Start();
  Find<QRadioButton>(&Options(), "rbLowest")->click();
  Find<QPushButton>(&Options(), "btnCancel")->click();
  // The run reads the controls: the lowest priority applies until the program ends.
  EXPECT_EQ(Options().Priority(), platform::tpLowest);
  EXPECT_EQ(Stored("Options", "Thread_Priority"), "3");
}

TEST_F(WindowTest, LivePreviewSwitchReachesTheEngineAtOnce) {
  Start();
  FEngineCalls.clear();
  auto* box = Find<QCheckBox>(&Options(), "chkLivePreview");
  box->click();
  EXPECT_TRUE(FEngine.Preview());
  box->click();
  EXPECT_FALSE(FEngine.Preview());
  EXPECT_EQ(FEngineCalls, (std::vector<std::string>{"engine preview on", "engine preview off"}));
  EXPECT_EQ(Stored("Options", "Show_Preview"), "0");
}

TEST_F(WindowTest, HiddenMultiThreadSwitchGatesTheThreadList) {
  Start();
  auto* multi = Find<QCheckBox>(&Options(), "chkMultiThread");
  auto* list = Find<QComboBox>(&Options(), "edtThreadCount");
  EXPECT_TRUE(multi->isChecked());
  EXPECT_TRUE(multi->isHidden());
  list->setCurrentIndex(4);
  EXPECT_EQ(Options().ThreadCount(), 5);
  multi->click();
  EXPECT_FALSE(list->isEnabled());
  EXPECT_EQ(Options().ThreadCount(), 1);
  Options().WriteOptions();
  EXPECT_EQ(Stored("Options", "Thread_Count"), "0");  // not stored while the switch is off
}

// ---------------------------------------------------------------------------------------------
// Unusable settings files

TEST_F(WindowTest, GarbageLinesAreKeptAndValuesStillRead) {
  std::string folder = FDir.File("mine");
  fs::create_directories(folder);
  WriteFile(IniPath(), "\x01\x02 junk\n[[[\n=nokey\n[OutPath]\nnoequals\nOutPath=" + folder +
                           "\n[Options]\nAfter_Done=2\n\xff\xfe\n");
  Start();
  EXPECT_EQ(Main().FileOutPutPath(), folder);
  EXPECT_EQ(Options().AfterDone(), TForm5::adPlaySound);
  std::string text = ReadFile(IniPath());
  EXPECT_NE(text.find("\x01\x02 junk"), std::string::npos);
  EXPECT_NE(text.find("\xff\xfe"), std::string::npos);
  EXPECT_EQ(Stored("Options", "Thread_Priority"), "3");
}

TEST_F(WindowTest, UnwritableSettingsFileStartsWithDefaultsAndSaysSo) {
  // A settings file whose folder is a plain file cannot be created, not even by root.
  WriteFile(FDir.File("blocker"), "x");
  TForm1Setup setup = Setup();
  setup.SettingsFile = FDir.File("blocker/option.ini");
  FWindows = std::make_unique<TAppWindows>(setup, &FEngine, &FPlayer);

  EXPECT_EQ(Main().FileOutPutPath(), DefaultFolder());
  EXPECT_TRUE(fs::is_directory(DefaultFolder()));
  EXPECT_EQ(Main().SkinIndex(), 0);
  EXPECT_EQ(Options().Priority(), platform::tpNormal);
  EXPECT_EQ(Options().AfterDone(), TForm5::adOpenFolder);
  ASSERT_EQ(FRecorder.Calls.size(), 1u);
  EXPECT_EQ(FRecorder.Calls[0].rfind("warning BrenvoFLAC格式转换器", 0), 0u) << FRecorder.Calls[0];
  EXPECT_TRUE(LogText().contains(QString::fromStdString(setup.SettingsFile)));

  // Storing the options fails visibly, and the dialog still closes.
  FRecorder.Calls.clear();
  Find<QPushButton>(&Options(), "btnOK")->click();
  ASSERT_EQ(FRecorder.Calls.size(), 1u);
  EXPECT_EQ(FRecorder.Calls[0].rfind("warning 提示", 0), 0u);
}

TEST_F(WindowTest, ReadOnlySettingsFileIsReadAndLeftAlone) {
  std::string folder = FDir.File("mine");
  fs::create_directories(folder);
  std::string content = "[OutPath]\nOutPath=" + folder + "\n[Skin]\nSetSkin=Error\n";
  WriteFile(IniPath(), content);
  chmod(IniPath().c_str(), 0444);
  chmod(FDir.Path().c_str(), 0555);
  if (access(FDir.Path().c_str(), W_OK) == 0) {
    chmod(FDir.Path().c_str(), 0755);
    GTEST_SKIP() << "permissions do not bind this user";
  }
  Start();
  chmod(FDir.Path().c_str(), 0755);
  EXPECT_EQ(Main().FileOutPutPath(), folder);
  EXPECT_EQ(Main().SkinIndex(), 0);
  EXPECT_EQ(Options().Priority(), platform::tpNormal);
  EXPECT_EQ(ReadFile(IniPath()), content);
}

// ---------------------------------------------------------------------------------------------
// Output folder

TEST_F(WindowTest, BrowseStoresAnExistingFolderOnly) {
  Start();
  std::string chosen = FDir.File("chosen");
  auto* browse = Find<QPushButton>(&Main(), "btnBrowse");

  browse->click();  // cancelled
  FRecorder.FolderAnswer = QString::fromStdString(FDir.File("not-there"));
  browse->click();  // a folder that does not exist
  EXPECT_EQ(Main().FileOutPutPath(), DefaultFolder());
  EXPECT_EQ(Stored("OutPath", "OutPath"), DefaultFolder());

  fs::create_directories(chosen);
  FRecorder.FolderAnswer = QString::fromStdString(chosen);
  browse->click();
  EXPECT_EQ(Main().FileOutPutPath(), chosen);
  EXPECT_EQ(Find<QLineEdit>(&Main(), "Video_OutPut_Folder_Edit")->text().toStdString(), chosen);
  EXPECT_EQ(Stored("OutPath", "OutPath"), chosen);
  EXPECT_EQ(std::count(FRecorder.Calls.begin(), FRecorder.Calls.end(), "folder 选择输出目录"), 3);

  Find<QPushButton>(&Main(), "btnOpenFolder")->click();
  EXPECT_EQ(FRecorder.Calls.back(), "open " + chosen);
}

// ---------------------------------------------------------------------------------------------
// Menus, toolbar, help, close

TEST_F(WindowTest, MenusAndToolbarStartWithOnlyAddAvailable) {
  Start();
  struct TEntry {
    const char* action;
    const char* button;
    bool enabled;
  };
  // clang-format off
  const TEntry entries[] = {
    {"actAddFile",  "btnAdd",      true},  {"actAddFiles", nullptr,  true},
    {"actAddFolder", nullptr,      true},  {"actRemove",   "btnRemove", false},
    {"actClear",    "btnClear",    false}, {"actRename",   "btnRename", false},
    {"actStart",    "btnStart",    false}, {"actStop",     "btnStop",   false},
    {"actPause",    "btnPause",    false}, {"actResume",   "btnResume", false},
    {"actMoveUp",   "btnMoveUp",   true},  {"actMoveDown", "btnMoveDown", true},
    {"actOptions",  "btnOptions",  true},  {"actSkin",     "btnSkin",   true},
  };
  // clang-format on
  for (const auto& e : entries) {
    EXPECT_EQ(Find<QAction>(&Main(), e.action)->isEnabled(), e.enabled) << e.action;
    if (!e.button) continue;
    auto* button = Find<TPictureButton>(&Main(), e.button);
    EXPECT_EQ(button->isEnabled(), e.enabled) << e.button;
    EXPECT_EQ(button->ShowsGreyedPicture(), !e.enabled) << e.button;
  }
  EXPECT_TRUE(Main().PauseInFront());
  EXPECT_TRUE(Find<QAction>(&Main(), "tbPause")->isVisible());
  EXPECT_FALSE(Find<QAction>(&Main(), "tbResume")->isVisible());
  EXPECT_FALSE(Find<QWidget>(&Main(), "pnlEmptyList")->isHidden());

  // Every menu in order, "-" for a separator.
  QStringList shown;
  for (QAction* menu : Main().menuBar()->actions()) {
    shown << "[" + menu->text() + "]";
    for (QAction* a : menu->menu()->actions()) shown << (a->isSeparator() ? "-" : a->text());
  }
  EXPECT_EQ(shown.join(" ").toStdString(),
            "[文件] 添加一个文件 添加多个文件 添加整个目录 - 退出 "
            "[编辑] 上移文件 下移文件 - 删除选择 清空文件 - 重新命名 "
            "[动作] 开始转换 停止转换 - 暂停转换 继续继续 "
            "[功能] 转换设置 软件皮肤 - 查看日志 "
            "[帮助] 帮助系统 官方网站 关于软件");
  EXPECT_EQ(Find<QAction>(&Main(), "actHelp")->shortcut(), QKeySequence(Qt::Key_F1));
  // The add menu button drops down the three add entries.
  QMenu* addMenu = Find<TPictureButton>(&Main(), "btnAdd")->menu();
  ASSERT_NE(addMenu, nullptr);
  EXPECT_EQ(addMenu->actions().size(), 3);
}

TEST_F(WindowTest, PictureButtonsSwapTheirPictures) {
  Start();
  auto* start = Find<TPictureButton>(&Main(), "btnStart");
  QImage enabledPicture = start->EnabledPicture().toImage();
  QImage greyedPicture = start->GreyedPicture().toImage();
  EXPECT_NE(enabledPicture, greyedPicture);
  Main().SetCommandEnabled(TForm1::cmStart, true);
  EXPECT_TRUE(Find<QAction>(&Main(), "actStart")->isEnabled());
  EXPECT_FALSE(start->ShowsGreyedPicture());
  EXPECT_EQ(start->icon().pixmap(start->iconSize()).toImage(), enabledPicture);
  Main().SetCommandEnabled(TForm1::cmStart, false);
  EXPECT_TRUE(start->ShowsGreyedPicture());
  EXPECT_EQ(start->icon().pixmap(start->iconSize()).toImage(), greyedPicture);
}

TEST_F(WindowTest, OpenFilterListsEveryFileTypeFromAllFilesOn) {
  Start();
  QString filter = Main().OpenFilter();
  QStringList parts = filter.split('|');
  ASSERT_EQ(parts.size(), 42 * 2 + 1);  // ends with "|"
  EXPECT_TRUE(parts.last().isEmpty());
  EXPECT_EQ(parts[0], "所有文件格式 (*.*)");
  EXPECT_EQ(parts[1], "*.*");
  EXPECT_EQ(parts[74], QString::fromUtf8("Flac无损压缩音频格式\u3000(*.flac)"));
  EXPECT_EQ(parts[82], "AIFF音频编码格式(*.aif; *.aiff)");
  EXPECT_EQ(parts[83], "*.aif; *.aiff");
  EXPECT_EQ(app::QtFileFilter("A|*.x;*.y|B|*.z|"), "A (*.x *.y);;B (*.z)");
}

TEST_F(WindowTest, HelpAndWebPageGoThroughTheShell) {
  Start();
  Find<QAction>(&Main(), "actHelp")->trigger();
  Find<QAction>(&Main(), "actWebPage")->trigger();
  ASSERT_EQ(FRecorder.Calls.size(), 2u);
  EXPECT_EQ(FRecorder.Calls[0], "open " + FDir.Path() + "/help.html");
  EXPECT_EQ(FRecorder.Calls[1].rfind("open https://", 0), 0u);
  // The build puts the help page next to the programs.
  EXPECT_TRUE(fs::exists(presets::ExecutableFolder() + "/help.html"));
}

TEST_F(WindowTest, CloseDetachesStopsAndAsksNothing) {
  Start();
  ASSERT_TRUE(FFLogger().HasOnLog());
  FEngineCalls.clear();
  Find<QAction>(&Main(), "actExit")->trigger();
  EXPECT_EQ(FEngineCalls,
            (std::vector<std::string>{"player detach", "engine detach", "engine stop wait"}));
  EXPECT_FALSE(FFLogger().HasOnLog());
  EXPECT_TRUE(FRecorder.Calls.empty());
}

TEST_F(WindowTest, LogMessagesReachTheLogBox) {
  Start();
  FFLogger().Log(nullptr, llError, "probe failed");
  EXPECT_TRUE(LogText().contains(QRegularExpression("#\\d+\\.3: probe failed")));
  Main().LogMessage("***Can do convert.");
  EXPECT_TRUE(LogText().endsWith("\n\n***Can do convert.\n"));
}

// ---------------------------------------------------------------------------------------------
// Selectors

TEST_F(WindowTest, StartShowsTheFirstCategoryAndFormat) {
  Start();
  EXPECT_EQ(Categories()->count(), presets::kCategoryCount);
  EXPECT_EQ(Categories()->ItemIndex(), 0);
  EXPECT_EQ(Categories()->ItemTitle(0), "通用音频");
  EXPECT_EQ(Categories()->ListItemHeight(), 50);
  EXPECT_EQ(Formats()->ListItemHeight(), 60);
  EXPECT_EQ(Formats()->maxVisibleItems(), 4);
  EXPECT_EQ(Formats()->ItemIndex(), 0);
  EXPECT_EQ(Formats()->ItemTitle(0), "MP3 - MPEG Layer-3音频格式(*.mp3)");
  EXPECT_FALSE(Formats()->ItemDescription(0).isEmpty());
  EXPECT_EQ(Main().CurrentSettings().All_Trant_Number, presets::CatalogueKey({0, 0}) + 100);
  // Every category has its own picture.
  std::set<QByteArray> pictures;
  for (int i = 0; i < Categories()->count(); ++i) {
    QImage image = Categories()->itemIcon(i).pixmap(48, 48).toImage();
    pictures.insert(
        QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
  }
  EXPECT_EQ(pictures.size(), static_cast<size_t>(presets::kCategoryCount));
}

TEST_F(WindowTest, FlacSwitchesTheVideoSelectorsOff) {
  Start();
  Formats()->SetItemIndex(10);
  ASSERT_EQ(Formats()->ItemTitle(10), "FLAC-音频格式(*.flac)");
  for (const char* name :
       {"bsSkinComboBox1", "bsSkinComboBox2", "bsSkinComboBox4", "bsSkinComboBox9"}) {
    EXPECT_FALSE(Selector(name)->isEnabled()) << name;
    EXPECT_EQ(Selector(name)->count(), 1) << name;
  }
  EXPECT_EQ(Selector("bsSkinComboBox1")->currentText(), "该格式无视频");
  EXPECT_EQ(Selector("bsSkinComboBox2")->currentText(), "无视频");
  EXPECT_TRUE(Selector("bsSkinComboBox3")->isEnabled());
  EXPECT_TRUE(Selector("bsSkinComboBox10")->isEnabled());
  EXPECT_EQ(Selector("bsSkinComboBox3")->currentText(), "192 kbps");
  EXPECT_EQ(Selector("bsSkinComboBox10")->currentText(), "48000");
  EXPECT_EQ(Main().CurrentSettings().All_Trant_Number, 110 + 100);
  EXPECT_FALSE(Main().CurrentSettings().Video_DisableVideo);
}

TEST_F(WindowTest, AudioToVideoFormatEnablesTheVideoSelectorsAgain) {
  Start();
  ASSERT_FALSE(Selector("bsSkinComboBox1")->isEnabled());
  Categories()->SetItemIndex(4);  // "经典视频"
  EXPECT_EQ(Formats()->ItemIndex(), 0);
  for (const char* name : {"bsSkinComboBox1", "bsSkinComboBox2", "bsSkinComboBox3",
                           "bsSkinComboBox4", "bsSkinComboBox9", "bsSkinComboBox10"}) {
    EXPECT_TRUE(Selector(name)->isEnabled()) << name;
    EXPECT_GT(Selector(name)->count(), 1) << name;
  }
  EXPECT_EQ(Selector("bsSkinComboBox4")->currentText(), "保持原视频模式");
  // "3GP - 视频格式(*.3gp)" shows its own defaults.
  Formats()->SetItemIndex(9);
  EXPECT_EQ(Selector("bsSkinComboBox1")->currentText(), "176*144");
  EXPECT_EQ(Selector("bsSkinComboBox2")->currentText(), "128 kbps");
  EXPECT_EQ(Selector("bsSkinComboBox9")->currentText(), "12");
  EXPECT_EQ(Selector("bsSkinComboBox3")->currentText(), "12 kbps");
  EXPECT_EQ(Selector("bsSkinComboBox10")->currentText(), "8000");
}

TEST_F(WindowTest, CategoryChangeFillsItsFormatsAndSelectsTheFirstOnce) {
  Start();
  int formatChanges = 0;
  QObject::connect(Formats(), &TOfficeComboBox::Change, [&] { ++formatChanges; });
  for (int category = 0; category < presets::kCategoryCount; ++category) {
    formatChanges = 0;
    Categories()->SetItemIndex(category);
    auto entries = presets::FormatListEntries(category);
    ASSERT_EQ(Formats()->count(), static_cast<int>(entries.size())) << category;
    EXPECT_EQ(Formats()->ItemIndex(), 0);
    EXPECT_EQ(formatChanges, 1);
    EXPECT_EQ(Formats()->ItemTitle(entries.size() - 1).toStdString(), entries.back().Title);
    EXPECT_EQ(Main().CurrentSettings().All_Trant_Number,
              presets::CatalogueKey({category, 0}) + 100);
  }
}

TEST_F(WindowTest, WithoutASelectedRowSelectorsChangeNoSettings) {
  Start();
  presets::TCurrentSettings before = Main().CurrentSettings();
  auto* audioRate = Selector("bsSkinComboBox3");
  audioRate->setCurrentIndex(audioRate->count() - 1);  // as a user's pick
  EXPECT_EQ(Main().CurrentSettings(), before);
  // A format change only marks the chosen format.
  Formats()->SetItemIndex(10);
  presets::TCurrentSettings expected = before;
  expected.All_Trant_Number = 210;
  EXPECT_EQ(Main().CurrentSettings(), expected);
  EXPECT_EQ(Find<TReportListView>(&Main(), "lvFiles")->topLevelItemCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// The skin controls

TEST(SkinComboBox, ChangeFollowsTheShownText) {
  TSkinComboBox box;
  int changes = 0;
  QObject::connect(&box, &TSkinComboBox::Change, [&] { ++changes; });
  box.AddItems({"a", "b", "c"});
  EXPECT_EQ(changes, 0);  // filling selects nothing
  box.SetItemIndex(1);
  EXPECT_EQ(changes, 1);
  box.SetItemIndex(1);
  EXPECT_EQ(changes, 1);  // same text
  // Refilling: the cleared box keeps its text, so the same text selected again is no change.
  box.Clear();
  EXPECT_EQ(box.ShownText(), "b");
  box.AddItems({"x", "b"});
  box.SetItemIndex(1);
  EXPECT_EQ(changes, 1);
  box.SetItemIndex(0);
  EXPECT_EQ(changes, 2);
  box.setCurrentIndex(1);  // what a user's pick does
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(box.ShownText(), "b");
}

TEST(OfficeComboBox, EverySelectionByProgramIsAChange) {
  TOfficeComboBox box;
  int changes = 0;
  QObject::connect(&box, &TOfficeComboBox::Change, [&] { ++changes; });
  box.AddItem({"标题一", "说明一", {}});
  box.AddItem({"标题二", "说明二", {}});
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(changes, 0);
  box.SetItemIndex(0);
  box.SetItemIndex(0);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(box.ItemDescription(1), "说明二");
  box.SetListItemHeight(60);
  QStyleOptionViewItem option;
  EXPECT_EQ(box.itemDelegate()->sizeHint(option, box.model()->index(0, 0)).height(), 60);
}

TEST(Skins, IndexFromText) {
  EXPECT_GE(app::SkinCount(), 3);
  EXPECT_EQ(app::SkinIndexFromText("1"), 1);
  EXPECT_EQ(app::SkinIndexFromText(" 1"), 0);
  EXPECT_EQ(app::SkinIndexFromText(""), 0);
  EXPECT_EQ(app::SkinIndexFromText("99999999999999999999"), 0);
}

}  // namespace

// The main window "BrenvoFLAC格式转换器": toolbar and menus, the job list's place, the output panel
// with the category and format selectors and the output folder, the preset panel with the six
// parameter selectors, and the preview panel's place. It owns the settings file's "OutPath" and
// "Skin" sections and the current output settings of the selectors.
//
// Everything here runs on the user-interface thread.
#pragma once

#include <QMainWindow>

#include <array>
#include <memory>
#include <string>

#include "app/EngineLink.h"
#include "presets/CurrentSettings.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QWidget;
class TForm2;
class TEmptyListPanel;
class TForm5;
class TOfficeComboBox;
class TPictureButton;
class TReportListView;
class TSkinComboBox;

// Where the window keeps its files. The program uses the folder of its executable; tests point
// it at a temporary folder.
struct TForm1Setup {
  std::string ProgramFolder;        // holds help.html and LibAV
  std::string SettingsFile;         // "option.ini"
  std::string DefaultOutputFolder;  // "$HOME/Brenvo视频软件/输出"

  // The program's own setup: next to the executable (or the user's configuration folder).
  static TForm1Setup ForProgram();
};

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Commands whose toolbar button and menu entries are enabled together.
  enum TCommand { cmAdd, cmRemove, cmClear, cmStart, cmStop, cmPause, cmResume, cmRename };

  // Runs the start-up sequence (FormCreate). `engine` and `player` default to stand-ins that
  // keep their settings and do nothing.
  explicit TForm1(TForm1Setup setup, app::IConversionEngine* engine = nullptr,
                  app::IPreviewPlayer* player = nullptr);
  ~TForm1() override;

  // The About box and the options dialog, created after this window.
  void SetDialogs(TForm2* about, TForm5* options);

  const TForm1Setup& Setup() const { return FSetup; }
  app::IConversionEngine& Engine() { return *FEngine; }
  const std::string& FileOutPutPath() const { return FFileOutPutPath; }
  const presets::TCurrentSettings& CurrentSettings() const { return FCurrent; }
  int SkinIndex() const { return FSkinIndex; }
  const QString& OpenFilter() const { return FOpenFilter; }
  // The choice of the category and format selectors.
  presets::TFormatChoice CurrentChoice() const;

  // Operations of the window (menu entries, toolbar and buttons call them).
  void ResetOptionSlots();
  void ReadOutputFolder();
  void WriteOutputFolder();
  void BrowseOutputFolder();
  void OpenOutputFolder();
  void BuildOpenFilters();
  void ReadSkinSetting();
  void WriteSkinSetting();
  void ChooseSkin();
  void FillFormatList();
  void FillPresetLists();
  void ShowOptions();
  void ShowAbout();
  void OpenHelp();
  void OpenWebPage();
  void ShowLog();

  void SetCommandEnabled(TCommand command, bool enabled);
  bool CommandEnabled(TCommand command) const;
  // Appends lines to the log text box.
  void AppendLog(const QString& text);
  // The add diagnostics' form: an empty line, the message, an empty line.
  void LogMessage(const QString& message);
  // Which of "暂停" and "继续", sharing one place on the toolbar, is shown.
  void ShowPauseInFront(bool pause);
  bool PauseInFront() const;
  // Shows or hides the picture that covers the empty job list.
  void ShowEmptyListPanel(bool show);

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void BuildMenus();
  void BuildToolbar();
  void BuildCentral();
  QWidget* BuildJobListArea();
  QWidget* BuildOutputPanel();
  QGroupBox* BuildPresetPanel();
  QGroupBox* BuildPreviewPanel();
  void BuildLogWindow();
  void ConnectSelectors();
  void FormCloseQuery();
  void ShowWebLink();

  void CategoryChange();
  void FormatChange();
  void ParameterChange(presets::TPresetSelector selector);
  TSkinComboBox* PresetSelector(presets::TPresetSelector selector) const;
  int SelectedRow() const;
  void FocusJobList();
  void FFLoggerLog(uint32_t threadId, int level, const std::string& message);

  TForm1Setup FSetup;
  // The window's engine component (when no other engine is given) and its link.
  std::unique_ptr<TFFmpegVCL> FFFmpegVCL1;
  std::unique_ptr<app::TEngineLink> FEngineLink;
  std::unique_ptr<app::TIdlePlayer> FIdlePlayer;
  app::IConversionEngine* FEngine;
  app::IPreviewPlayer* FPlayer;
  TForm2* FAbout = nullptr;
  TForm5* FOptions = nullptr;
  bool FClosed = false;

  std::string FFileOutPutPath;
  presets::TCurrentSettings FCurrent;
  int FSkinIndex = 0;
  QString FOpenFilter;

  // Option slots: one per job row; a removed row's slot stays unused until the list is cleared.
  enum TSlotStatus { ssFree, ssInUse, ssRemoved };
  static constexpr int kOptionSlotCount = 501;
  std::array<TSlotStatus, kOptionSlotCount> FSlotStatus{};

  // Controls, named as the tests find them.
  TPictureButton* btnAdd;
  TPictureButton* btnRemove;
  TPictureButton* btnClear;
  TPictureButton* btnStart;
  TPictureButton* btnStop;
  TPictureButton* btnPause;
  TPictureButton* btnResume;
  TPictureButton* btnOptions;
  TPictureButton* btnSkin;
  TPictureButton* btnMoveDown;
  TPictureButton* btnMoveUp;
  TPictureButton* btnRename;
  QAction* FPauseSlot;
  QAction* FResumeSlot;
  QMenu* FAddMenu;
  QAction* actAddFile;
  QAction* actAddFiles;
  QAction* actAddFolder;
  QAction* actExit;
  QAction* actMoveUp;
  QAction* actMoveDown;
  QAction* actRemove;
  QAction* actClear;
  QAction* actRename;
  QAction* actStart;
  QAction* actStop;
  QAction* actPause;
  QAction* actResume;
  QAction* actOptions;
  QAction* actSkin;
  QAction* actShowLog;
  QAction* actHelp;
  QAction* actWebPage;
  QAction* actAbout;

  TReportListView* lvFiles;
  TEmptyListPanel* pnlEmptyList;
  TOfficeComboBox* bsSkinOfficeComboBox2;  // category
  TOfficeComboBox* bsSkinOfficeComboBox1;  // output format
  QLineEdit* Video_OutPut_Folder_Edit;
  std::array<TSkinComboBox*, presets::kPresetSelectorCount> FPresetSelectors{};
  QWidget* Panel6;
  QLabel* FWebLink = nullptr;
  QDialog* FLogWindow;
  QPlainTextEdit* mmoLog;
};

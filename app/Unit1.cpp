#include "app/Unit1.h"

#include "engine/FFmpegVCL.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <filesystem>

#include "app/AppIcons.h"
#include "app/AppInfo.h"
#include "app/Dialogs.h"
#include "app/OpenFilters.h"
#include "app/SkinControls.h"
#include "app/Skins.h"
#include "app/Unit2.h"
#include "app/Unit5.h"
#include "media/FFmpegLogger.h"
#include "platform/IniFile.h"
#include "platform/Shell.h"
#include "presets/AppSettings.h"
#include "presets/Catalogue.h"
#include "presets/PresetLists.h"

using presets::TPresetSelector;

namespace {

constexpr int kWindowWidth = 920;
constexpr int kWindowHeight = 660;
constexpr int kToolIconSize = 32;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}
std::string S(const QString& s) {
  return s.toStdString();
}

// The job list's columns; width 0 marks a hidden data column.
// clang-format off
const std::vector<TReportListView::TColumn>& JobListColumns() {
  static const std::vector<TReportListView::TColumn> columns = {
    {"输入文件", 80}, {"视频时间", 70}, {"文件大小", 70}, {"输出文件", 80}, {"转换进度", 70},
    {"",         0},  {"当前时间", 80}, {"转换大小", 80}, {"视频序号", 0},  {"视频类别", 0},
    {"视频选项", 0},  {"视频编码", 0},  {"音频编码", 0},  {"声音频道", 0},  {"VideoTag", 0},
    {"FileExt",  0},  {"视频分辨率", 0}, {"视频比特率", 0}, {"视频帧率", 0}, {"音频比特率", 0},
    {"音频采样率", 0}, {"视频缩放", 0}, {"视频能否", 0},  {"TargetType", 0}, {"NormType", 0},
  };
  return columns;
}

// The six parameter selectors as the preset panel shows them, top to bottom.
struct TSelectorPlace {
  TPresetSelector Selector;
  const char* Name;
};
constexpr TSelectorPlace kSelectorPlaces[] = {
  {presets::psResolution,   "bsSkinComboBox1"},
  {presets::psVideoBitrate, "bsSkinComboBox2"},
  {presets::psAudioBitrate, "bsSkinComboBox3"},
  {presets::psAspectMode,   "bsSkinComboBox4"},
  {presets::psFrameRate,    "bsSkinComboBox9"},
  {presets::psSampleRate,   "bsSkinComboBox10"},
};
// clang-format on

// The selectors an output format without video switches off, in the order they are disabled.
constexpr TPresetSelector kVideoSelectors[] = {presets::psResolution, presets::psVideoBitrate,
                                               presets::psAspectMode, presets::psFrameRate};

TPictureButton* NewToolButton(QWidget* parent, const char* name, const char* caption,
                              const QIcon& icon) {
  auto* button = new TPictureButton(parent);
  button->setObjectName(name);
  button->setText(QString::fromUtf8(caption));
  button->setToolTip(QString::fromUtf8(caption));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setIconSize(QSize(kToolIconSize, kToolIconSize));
  button->setMinimumWidth(58);
  button->SetPictures(icon);
  return button;
}

TPictureButton* NewPictureButton(QWidget* parent, const char* name, const char* hint,
                                 const QIcon& icon) {
  auto* button = new TPictureButton(parent);
  button->setObjectName(name);
  button->setToolTip(QString::fromUtf8(hint));
  button->setIconSize(QSize(22, 22));
  button->SetPictures(icon);
  return button;
}

}  // namespace

// The picture panel that covers the empty job list.
class TEmptyListPanel : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    appicons::PaintEmptyListPicture(p, rect(), palette());
  }
};

TForm1Setup TForm1Setup::ForProgram() {
  TForm1Setup setup;
  setup.ProgramFolder = presets::ExecutableFolder();
  setup.SettingsFile = presets::SettingsFilePath(setup.ProgramFolder);
  setup.DefaultOutputFolder = presets::DefaultOutputFolder();
  return setup;
}

TForm1::TForm1(TForm1Setup setup, app::IConversionEngine* engine, app::IPreviewPlayer* player)
    : QMainWindow(nullptr), FSetup(std::move(setup)) {
  if (!engine) {
    FFFmpegVCL1 = std::make_unique<TFFmpegVCL>();
    FEngineLink = std::make_unique<app::TEngineLink>(*FFFmpegVCL1);
    engine = FEngineLink.get();
  }
  if (!player) {
    FIdlePlayer = std::make_unique<app::TIdlePlayer>();
    player = FIdlePlayer.get();
  }
  FEngine = engine;
  FPlayer = player;
  FormCreate();
}

TForm1::~TForm1() {
  // A window destroyed without closing must not leave its log handler behind.
  if (!FClosed) FFLogger().SetOnLog(nullptr);
}

void TForm1::SetDialogs(TForm2* about, TForm5* options) {
  FAbout = about;
  FOptions = options;
}

// ---------------------------------------------------------------------------------------------
// Start-up

void TForm1::FormCreate() {
  setObjectName("Form1");
  setWindowTitle(QString::fromUtf8(app::kAppTitle));
  setWindowIcon(appicons::ProgramIcon());
  BuildLogWindow();
  BuildMenus();
  BuildToolbar();
  BuildCentral();
  ConnectSelectors();
  // Before any file is added only the add commands are available.
  for (TCommand c : {cmRemove, cmClear, cmStart, cmStop, cmPause, cmResume, cmRename})
    SetCommandEnabled(c, false);
  FFLogger().SetOnLog(
      [this](const void*, uint32_t threadId, TLogLevel level, const std::string& message) {
        FFLoggerLog(threadId, level, message);
      });

  ResetOptionSlots();
  ReadOutputFolder();
  BuildOpenFilters();
  ReadSkinSetting();
  // The category list, then the format list for its first entry (FillFormatList runs once).
  for (const auto& category : presets::Categories())
    bsSkinOfficeComboBox2->AddItem(
        {QString::fromUtf8(category.Caption), {}, appicons::CategoryIcon(category.Icon)});
  bsSkinOfficeComboBox2->SetItemIndex(0);
  // The preview panel's own set-up (render target, snapshot dialog) comes with the player.

  // Fixed size, single border, centred on the desktop.
  setFixedSize(kWindowWidth, kWindowHeight);
  if (QScreen* screen = this->screen()) {
    QRect desk = screen->availableGeometry();
    move(desk.center() - QPoint(kWindowWidth / 2, kWindowHeight / 2));
  }
}

void TForm1::BuildMenus() {
  auto themed = [](const char* name, QChar fallback) {
    return appicons::ThemeIcon(name, fallback);
  };
  auto action = [this](QMenu* menu, const char* name, const char* caption, const QIcon& icon) {
    QAction* a = menu->addAction(icon, QString::fromUtf8(caption));
    a->setObjectName(name);
    return a;
  };

  QMenu* file = menuBar()->addMenu(QStringLiteral("文件"));
  file->setObjectName("mnuFile");
  actAddFile = action(file, "actAddFile", "添加一个文件", themed("document-open", 'O'));
  actAddFiles = action(file, "actAddFiles", "添加多个文件", themed("document-new", 'M'));
  actAddFolder = action(file, "actAddFolder", "添加整个目录", themed("folder-open", 'D'));
  file->addSeparator();
  actExit = action(file, "actExit", "退出", themed("application-exit", 'X'));

  QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑"));
  edit->setObjectName("mnuEdit");
  actMoveUp = action(edit, "actMoveUp", "上移文件", themed("go-up", u'\u2191'));
  actMoveDown = action(edit, "actMoveDown", "下移文件", themed("go-down", u'\u2193'));
  edit->addSeparator();
  actRemove = action(edit, "actRemove", "删除选择", themed("list-remove", '-'));
  actClear = action(edit, "actClear", "清空文件", themed("edit-clear-all", 'C'));
  edit->addSeparator();
  actRename = action(edit, "actRename", "重新命名", themed("accessories-text-editor", 'R'));

  QMenu* run = menuBar()->addMenu(QStringLiteral("动作"));
  run->setObjectName("mnuAction");
  actStart = action(run, "actStart", "开始转换", themed("system-run", u'\u25B6'));
  actStop = action(run, "actStop", "停止转换", themed("media-playback-stop", u'\u25A0'));
  run->addSeparator();
  actPause = action(run, "actPause", "暂停转换", themed("media-playback-pause", 'P'));
  actResume = action(run, "actResume", "继续继续", themed("media-playback-start", u'\u25B6'));

  QMenu* tools = menuBar()->addMenu(QStringLiteral("功能"));
  tools->setObjectName("mnuTools");
  actOptions = action(tools, "actOptions", "转换设置", themed("preferences-system", 'S'));
  actSkin = action(tools, "actSkin", "软件皮肤", themed("preferences-desktop-theme", 'K'));
  tools->addSeparator();
  actShowLog = action(tools, "actShowLog", "查看日志", themed("text-x-generic", 'L'));

  QMenu* help = menuBar()->addMenu(QStringLiteral("帮助"));
  help->setObjectName("mnuHelp");
  actHelp = action(help, "actHelp", "帮助系统", themed("help-browser", '?'));
  actHelp->setShortcut(QKeySequence(Qt::Key_F1));
  actHelp->setShortcutContext(Qt::ApplicationShortcut);
  actWebPage = action(help, "actWebPage", "官方网站", themed("emblem-web", 'W'));
  actAbout = action(help, "actAbout", "关于软件", themed("help-about", 'i'));

  connect(actExit, &QAction::triggered, this, &QWidget::close);
  connect(actOptions, &QAction::triggered, this, &TForm1::ShowOptions);
  connect(actSkin, &QAction::triggered, this, &TForm1::ChooseSkin);
  connect(actShowLog, &QAction::triggered, this, &TForm1::ShowLog);
  connect(actHelp, &QAction::triggered, this, &TForm1::OpenHelp);
  connect(actWebPage, &QAction::triggered, this, &TForm1::OpenWebPage);
  connect(actAbout, &QAction::triggered, this, &TForm1::ShowAbout);
  // The add, edit and run entries are wired by the job list and the run control.
}

void TForm1::BuildToolbar() {
  QToolBar* bar = addToolBar(QStringLiteral("工具栏"));
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->toggleViewAction()->setEnabled(false);
  setContextMenuPolicy(Qt::NoContextMenu);

  auto themed = [](const char* name, QChar fallback) {
    return appicons::ThemeIcon(name, fallback);
  };
  btnAdd = NewToolButton(bar, "btnAdd", "添加", themed("list-add", '+'));
  FAddMenu = new QMenu(btnAdd);
  FAddMenu->setObjectName("mnuAdd");
  FAddMenu->addAction(actAddFile);
  FAddMenu->addAction(actAddFiles);
  FAddMenu->addAction(actAddFolder);
  btnAdd->setMenu(FAddMenu);
  btnAdd->setPopupMode(QToolButton::InstantPopup);
  btnRemove = NewToolButton(bar, "btnRemove", "删除", themed("list-remove", '-'));
  btnClear = NewToolButton(bar, "btnClear", "清空", themed("edit-clear-all", 'C'));
  btnStart = NewToolButton(bar, "btnStart", "开始", themed("system-run", u'\u25B6'));
  btnStop = NewToolButton(bar, "btnStop", "停止", themed("media-playback-stop", u'\u25A0'));
  btnPause = NewToolButton(bar, "btnPause", "暂停", themed("media-playback-pause", 'P'));
  btnResume = NewToolButton(bar, "btnResume", "继续", themed("media-playback-start", u'\u25B6'));
  btnOptions = NewToolButton(bar, "btnOptions", "选项", themed("preferences-system", 'S'));
  btnSkin = NewToolButton(bar, "btnSkin", "皮肤", themed("preferences-desktop-theme", 'K'));

  for (TPictureButton* b : {btnAdd, btnRemove, btnClear, btnStart, btnStop}) bar->addWidget(b);
  bar->addSeparator();
  // "继续" shares the place of "暂停"; only one of the two is shown.
  FPauseSlot = bar->addWidget(btnPause);
  FPauseSlot->setObjectName("tbPause");
  FResumeSlot = bar->addWidget(btnResume);
  FResumeSlot->setObjectName("tbResume");
  ShowPauseInFront(true);
  bar->addSeparator();
  bar->addWidget(btnOptions);
  bar->addWidget(btnSkin);

  connect(btnOptions, &QToolButton::clicked, this, &TForm1::ShowOptions);
  connect(btnSkin, &QToolButton::clicked, this, &TForm1::ChooseSkin);
}

void TForm1::BuildCentral() {
  auto* central = new QWidget(this);
  central->setObjectName("pnlMain");
  auto* left = new QVBoxLayout;
  left->setSpacing(4);
  left->addWidget(BuildJobListArea(), 1);

  // Under the list at the right: move down, move up, rename.
  auto themed = [](const char* name, QChar fallback) {
    return appicons::ThemeIcon(name, fallback);
  };
  btnMoveDown = NewPictureButton(central, "btnMoveDown", "下移", themed("go-down", u'\u2193'));
  btnMoveUp = NewPictureButton(central, "btnMoveUp", "上移", themed("go-up", u'\u2191'));
  btnRename =
      NewPictureButton(central, "btnRename", "重命名", themed("accessories-text-editor", 'R'));
  auto* listButtons = new QHBoxLayout;
  listButtons->setSpacing(2);
  listButtons->addStretch(1);
  listButtons->addWidget(btnMoveDown);
  listButtons->addWidget(btnMoveUp);
  listButtons->addWidget(btnRename);
  left->addLayout(listButtons);
  left->addWidget(BuildOutputPanel());

  auto* right = new QVBoxLayout;
  right->setSpacing(6);
  right->addWidget(BuildPresetPanel());
  right->addWidget(BuildPreviewPanel(), 1);

  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(6, 6, 6, 4);
  columns->setSpacing(8);
  columns->addLayout(left, 1);
  auto* rightHost = new QWidget(central);
  rightHost->setFixedWidth(292);
  rightHost->setLayout(right);
  right->setContentsMargins(0, 0, 0, 0);
  columns->addWidget(rightHost);
  setCentralWidget(central);

  auto* link = FWebLink = new QLabel(this);
  ShowWebLink();
  link->setObjectName("lblWebPage");
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  connect(link, &QLabel::linkActivated, this, &TForm1::OpenWebPage);
  statusBar()->setObjectName("StatusBar1");
  statusBar()->setSizeGripEnabled(false);
  link->setContentsMargins(0, 0, 8, 0);
  statusBar()->addPermanentWidget(link);
  statusBar()->showMessage(QStringLiteral("准备就绪"));
}

QWidget* TForm1::BuildJobListArea() {
  auto* area = new QWidget(this);
  area->setObjectName("pnlFileList");
  auto* stack = new QGridLayout(area);
  stack->setContentsMargins(0, 0, 0, 0);
  lvFiles = new TReportListView(area);
  lvFiles->setObjectName("lvFiles");
  lvFiles->SetColumns(JobListColumns());
  // The picture covers the list while it is empty.
  pnlEmptyList = new TEmptyListPanel(area);
  pnlEmptyList->setObjectName("pnlEmptyList");
  stack->addWidget(lvFiles, 0, 0);
  stack->addWidget(pnlEmptyList, 0, 0);
  pnlEmptyList->raise();
  return area;
}

QWidget* TForm1::BuildOutputPanel() {
  auto* panel = new QGroupBox(QStringLiteral("输出设置"), this);
  panel->setObjectName("pnlOutput");
  auto* grid = new QGridLayout(panel);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);

  auto* formatLabel = new QLabel(QStringLiteral("输出格式："), panel);
  bsSkinOfficeComboBox2 = new TOfficeComboBox(panel);
  bsSkinOfficeComboBox2->setObjectName("bsSkinOfficeComboBox2");
  bsSkinOfficeComboBox2->SetListItemHeight(50);
  bsSkinOfficeComboBox2->setMaxVisibleItems(8);
  bsSkinOfficeComboBox2->setFixedSize(150, 46);
  bsSkinOfficeComboBox1 = new TOfficeComboBox(panel);
  bsSkinOfficeComboBox1->setObjectName("bsSkinOfficeComboBox1");
  bsSkinOfficeComboBox1->SetListItemHeight(60);
  bsSkinOfficeComboBox1->setMaxVisibleItems(4);
  bsSkinOfficeComboBox1->setFixedHeight(46);
  bsSkinOfficeComboBox1->setMinimumWidth(300);
  grid->addWidget(formatLabel, 0, 0);
  grid->addWidget(bsSkinOfficeComboBox2, 0, 1);
  grid->addWidget(bsSkinOfficeComboBox1, 0, 2, 1, 3);

  auto* folderLabel = new QLabel(QStringLiteral("输出目录："), panel);
  Video_OutPut_Folder_Edit = new QLineEdit(panel);
  Video_OutPut_Folder_Edit->setObjectName("Video_OutPut_Folder_Edit");
  Video_OutPut_Folder_Edit->setReadOnly(true);
  Video_OutPut_Folder_Edit->setFocusPolicy(Qt::NoFocus);
  Video_OutPut_Folder_Edit->installEventFilter(this);
  auto* browse =
      new QPushButton(appicons::ThemeIcon("folder-open", 'D'), QStringLiteral("浏览"), panel);
  browse->setObjectName("btnBrowse");
  auto* open = new QPushButton(appicons::ThemeIcon("folder", 'F'), QStringLiteral("打开"), panel);
  open->setObjectName("btnOpenFolder");
  connect(browse, &QPushButton::clicked, this, &TForm1::BrowseOutputFolder);
  connect(open, &QPushButton::clicked, this, [this] {
    OpenOutputFolder();
    FocusJobList();
  });
  grid->addWidget(folderLabel, 1, 0);
  grid->addWidget(Video_OutPut_Folder_Edit, 1, 1, 1, 2);
  grid->addWidget(browse, 1, 3);
  grid->addWidget(open, 1, 4);
  grid->setColumnStretch(2, 1);
  return panel;
}

QGroupBox* TForm1::BuildPresetPanel() {
  auto* panel = new QGroupBox(QStringLiteral("预置选项"), this);
  panel->setObjectName("bsSkinPanel2");
  auto* grid = new QGridLayout(panel);
  grid->setVerticalSpacing(7);
  int row = 0;
  for (const auto& place : kSelectorPlaces) {
    auto* label = new QLabel(QString::fromUtf8(presets::SelectorLabel(place.Selector)), panel);
    auto* box = new TSkinComboBox(panel);
    box->setObjectName(place.Name);
    box->setMinimumWidth(150);
    label->setBuddy(box);
    FPresetSelectors[place.Selector] = box;
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    ++row;
  }
  grid->setColumnStretch(1, 1);
  return panel;
}

QGroupBox* TForm1::BuildPreviewPanel() {
  auto* panel = new QGroupBox(QStringLiteral("视频预览"), this);
  panel->setObjectName("bsSkinPanel3");
  auto* layout = new QVBoxLayout(panel);
  // The player draws into Panel6; its slider and buttons come with the player.
  Panel6 = new QWidget(panel);
  Panel6->setObjectName("Panel6");
  Panel6->setAutoFillBackground(true);
  QPalette black = Panel6->palette();
  black.setColor(QPalette::Window, Qt::black);
  Panel6->setPalette(black);
  Panel6->setMinimumSize(200, 124);
  layout->addWidget(Panel6, 1);
  return panel;
}

void TForm1::BuildLogWindow() {
  FLogWindow = new QDialog(this, Qt::Window);
  FLogWindow->setObjectName("frmLog");
  FLogWindow->setWindowTitle(QStringLiteral("日志"));
  mmoLog = new QPlainTextEdit(FLogWindow);
  mmoLog->setObjectName("mmoLog");
  mmoLog->setReadOnly(true);
  mmoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmoLog->setMaximumBlockCount(20000);
  auto* clear = new QPushButton(QStringLiteral("清空"), FLogWindow);
  auto* close = new QPushButton(QStringLiteral("关闭"), FLogWindow);
  connect(clear, &QPushButton::clicked, mmoLog, &QPlainTextEdit::clear);
  connect(close, &QPushButton::clicked, FLogWindow, &QDialog::hide);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(clear);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(FLogWindow);
  layout->addWidget(mmoLog);
  layout->addLayout(buttons);
  FLogWindow->resize(640, 400);
}

void TForm1::ConnectSelectors() {
  connect(bsSkinOfficeComboBox2, &TOfficeComboBox::Change, this, &TForm1::CategoryChange);
  connect(bsSkinOfficeComboBox1, &TOfficeComboBox::Change, this, &TForm1::FormatChange);
  for (int s = 0; s < presets::kPresetSelectorCount; ++s) {
    auto selector = static_cast<TPresetSelector>(s);
    connect(FPresetSelectors[s], &TSkinComboBox::Change, this,
            [this, selector] { ParameterChange(selector); });
  }
}

// ---------------------------------------------------------------------------------------------
// Settings file

void TForm1::ResetOptionSlots() {
  FSlotStatus.fill(ssFree);
}

void TForm1::ReadOutputFolder() {
  platform::TIniFile ini(FSetup.SettingsFile);
  presets::TOutputFolderResult result = presets::ReadOutputFolder(ini, FSetup.DefaultOutputFolder);
  FFileOutPutPath = result.Folder;
  Video_OutPut_Folder_Edit->setText(Q(FFileOutPutPath));
  if (!result.Error.empty()) {
    LogMessage(QStringLiteral("***Output folder error: ") + Q(result.Error));
    app::Dialogs().Warning(this, QString::fromUtf8(app::kAppTitle),
                           QStringLiteral("输出目录不可用：\n%1").arg(Q(result.Error)));
  }
}

void TForm1::WriteOutputFolder() {
  presets::WriteOutputFolder(platform::TIniFile(FSetup.SettingsFile), FFileOutPutPath);
}

void TForm1::BrowseOutputFolder() {
  auto folder =
      app::Dialogs().ChooseFolder(this, QStringLiteral("选择输出目录"), Q(FFileOutPutPath));
  if (!folder || !presets::FolderExists(S(*folder))) return;
  FFileOutPutPath = S(*folder);
  Video_OutPut_Folder_Edit->setText(*folder);
  WriteOutputFolder();
  FocusJobList();
}

void TForm1::OpenOutputFolder() {
  platform::Shell().Open(S(Video_OutPut_Folder_Edit->text()));
}

void TForm1::BuildOpenFilters() {
  FOpenFilter = app::OpenFilterText();
}

void TForm1::ReadSkinSetting() {
  platform::TIniFile ini(FSetup.SettingsFile);
  if (!std::filesystem::exists(FSetup.SettingsFile)) {
    // Keeps the skin the window was designed with.
    ini.WriteString("Skin", "SetSkin", "0");
    FSkinIndex = 0;
  } else {
    FSkinIndex = app::SkinIndexFromText(presets::ReadSetting(ini, "Skin", "SetSkin", "0"));
  }
  app::ApplySkin(FSkinIndex);
}

void TForm1::WriteSkinSetting() {
  platform::TIniFile(FSetup.SettingsFile)
      .WriteString("Skin", "SetSkin", std::to_string(FSkinIndex));
}

void TForm1::ChooseSkin() {
  if (auto index = app::Dialogs().ChooseSkin(this, app::SkinNames(), FSkinIndex)) {
    FSkinIndex = *index >= 0 && *index < app::SkinCount() ? *index : 0;
    app::ApplySkin(FSkinIndex);
  }
  WriteSkinSetting();
}

// ---------------------------------------------------------------------------------------------
// Selectors

presets::TFormatChoice TForm1::CurrentChoice() const {
  return {bsSkinOfficeComboBox2->ItemIndex(), bsSkinOfficeComboBox1->ItemIndex()};
}

TSkinComboBox* TForm1::PresetSelector(TPresetSelector selector) const {
  return FPresetSelectors[selector];
}

void TForm1::CategoryChange() {
  FillFormatList();
}

void TForm1::FillFormatList() {
  bsSkinOfficeComboBox1->Clear();
  bsSkinOfficeComboBox1->repaint();
  for (const auto& entry : presets::FormatListEntries(bsSkinOfficeComboBox2->ItemIndex()))
    bsSkinOfficeComboBox1->AddItem(
        {QString::fromUtf8(entry.Title.data(), entry.Title.size()),
         QString::fromUtf8(entry.Description.data(), entry.Description.size()),
         appicons::FormatIcon(entry.Icon)});
  bsSkinOfficeComboBox1->repaint();
  bsSkinOfficeComboBox1->SetItemIndex(0);
}

void TForm1::FormatChange() {
  FillPresetLists();
  if (SelectedRow() < 0) return;
  // A selected row takes the new format's data, extension and format code: that belongs to the
  // job list, which owns the rows.
}

void TForm1::FillPresetLists() {
  for (auto* box : FPresetSelectors) box->Clear();
  for (auto* box : FPresetSelectors) box->setEnabled(true);
  presets::TFormatChoice choice = CurrentChoice();
  presets::MarkFormatChosen(FCurrent, choice);
  auto presetsOfFormat = presets::FormatPresets(choice);
  if (!presetsOfFormat) return;
  for (int s = 0; s < presets::kPresetSelectorCount; ++s) {
    const presets::TSelectorPreset& preset = presetsOfFormat->Selectors[s];
    std::vector<QString> items;
    for (const char* entry : preset.List->Entries) items.push_back(QString::fromUtf8(entry));
    FPresetSelectors[s]->AddItems(items);
    FPresetSelectors[s]->SetItemIndex(preset.DefaultIndex);
  }
  for (TPresetSelector s : kVideoSelectors)
    if (!presetsOfFormat->Selectors[s].Enabled) FPresetSelectors[s]->setEnabled(false);
}

void TForm1::ParameterChange(TPresetSelector) {
  // Without a selected row a parameter only prepares the next add, which reads all six
  // selectors then.
  if (SelectedRow() < 0) return;
  // With one, the row's column and its pair of digits in the selector-index string change: the
  // job list writes them, as it owns the rows.
}

int TForm1::SelectedRow() const {
  return lvFiles->SelectedRow();
}

void TForm1::FocusJobList() {
  if (lvFiles->isVisible()) lvFiles->setFocus();
}

// ---------------------------------------------------------------------------------------------
// Commands

void TForm1::SetCommandEnabled(TCommand command, bool enabled) {
  switch (command) {
    case cmAdd:
      btnAdd->setEnabled(enabled);
      for (QAction* a : {actAddFile, actAddFiles, actAddFolder}) a->setEnabled(enabled);
      break;
    case cmRemove:
      btnRemove->setEnabled(enabled);
      actRemove->setEnabled(enabled);
      break;
    case cmClear:
      btnClear->setEnabled(enabled);
      actClear->setEnabled(enabled);
      break;
    case cmStart:
      btnStart->setEnabled(enabled);
      actStart->setEnabled(enabled);
      break;
    case cmStop:
      btnStop->setEnabled(enabled);
      actStop->setEnabled(enabled);
      break;
    case cmPause:
      btnPause->setEnabled(enabled);
      actPause->setEnabled(enabled);
      break;
    case cmResume:
      btnResume->setEnabled(enabled);
      actResume->setEnabled(enabled);
      break;
    case cmRename:
      btnRename->setEnabled(enabled);
      actRename->setEnabled(enabled);
      break;
  }
}

bool TForm1::CommandEnabled(TCommand command) const {
  switch (command) {
    case cmAdd:
      return btnAdd->isEnabled();
    case cmRemove:
      return btnRemove->isEnabled();
    case cmClear:
      return btnClear->isEnabled();
    case cmStart:
      return btnStart->isEnabled();
    case cmStop:
      return btnStop->isEnabled();
    case cmPause:
      return btnPause->isEnabled();
    case cmResume:
      return btnResume->isEnabled();
    case cmRename:
      return btnRename->isEnabled();
  }
  return false;
}

void TForm1::ShowOptions() {
  if (FOptions) FOptions->exec();
}

void TForm1::ShowAbout() {
  if (FAbout) FAbout->exec();
}

void TForm1::OpenHelp() {
  platform::Shell().Open(FSetup.ProgramFolder + "/" + app::kHelpFileName);
}

void TForm1::OpenWebPage() {
  platform::Shell().Open(app::kProductWebPage);
}

void TForm1::ShowLog() {
  FLogWindow->show();
  FLogWindow->raise();
  FLogWindow->activateWindow();
}

void TForm1::AppendLog(const QString& text) {
  mmoLog->appendPlainText(text);
  mmoLog->verticalScrollBar()->setValue(mmoLog->verticalScrollBar()->maximum());
}

void TForm1::LogMessage(const QString& message) {
  AppendLog(QString());
  AppendLog(message);
  AppendLog(QString());
}

void TForm1::ShowPauseInFront(bool pause) {
  FPauseSlot->setVisible(pause);
  FResumeSlot->setVisible(!pause);
}

bool TForm1::PauseInFront() const {
  return FPauseSlot->isVisible();
}

void TForm1::ShowEmptyListPanel(bool show) {
  pnlEmptyList->setVisible(show);
}

void TForm1::FFLoggerLog(uint32_t threadId, int level, const std::string& message) {
  AppendLog(QStringLiteral("#%1.%2: %3").arg(threadId).arg(level).arg(Q(message)));
}

// ---------------------------------------------------------------------------------------------
// Window events

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // The output folder box cannot be edited: a click hands the focus to the job list.
  if (watched == Video_OutPut_Folder_Edit && event->type() == QEvent::MouseButtonPress)
    FocusJobList();
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::ShowWebLink() {
  // Rich text takes its link colour when it is set: set again when the skin changes.
  QString colour = palette().color(QPalette::Link).name();
  FWebLink->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2\">官方网站</a>")
                        .arg(QString::fromUtf8(app::kProductWebPage), colour));
}

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && FWebLink) ShowWebLink();
}

void TForm1::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  FPlayer->UpdateScreenPosition();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FPlayer->UpdateScreenPosition();
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormCloseQuery();
  event->accept();
}

void TForm1::FormCloseQuery() {
  if (FClosed) return;
  // No event may reach a closing window; a running conversion is stopped without a question.
  FPlayer->DetachEvents();
  FEngine->DetachEvents();
  FEngine->Stop(true);
  FFLogger().SetOnLog(nullptr);
  FClosed = true;
  FLogWindow->close();
}

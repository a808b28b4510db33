#include "app/Unit5.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <filesystem>

#include "app/Dialogs.h"
#include "platform/IniFile.h"
#include "presets/AppSettings.h"

namespace {

constexpr const char* kSection = "Options";

// The stored value of a choice group: the index of its chosen entry.
QString Digit(int index) {
  return QString::number(index);
}

// "0".."3" as an index, -1 for anything else.
int ChoiceIndex(const std::string& value, int count) {
  if (value.size() != 1 || value[0] < '0' || value[0] >= '0' + count) return -1;
  return value[0] - '0';
}

QRadioButton* AddChoice(QButtonGroup* group, QGridLayout* grid, const char* caption,
                        const char* name, int row, int column) {
  auto* button = new QRadioButton(QString::fromUtf8(caption));
  button->setObjectName(name);
  group->addButton(button, group->buttons().size());
  grid->addWidget(button, row, column);
  return button;
}

}  // namespace

TForm5::TForm5(std::string settingsFile, app::IConversionEngine& engine, QWidget* parent)
    : QDialog(parent), FSettingsFile(std::move(settingsFile)), FEngine(engine) {
  setObjectName("Form5");
  setWindowTitle(QStringLiteral("选项"));
  // Fixed size, a title but no border icons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  BuildControls();
  ReadOptions();
}

void TForm5::BuildControls() {
  auto* afterDoneBox = new QGroupBox(QStringLiteral("转换工作完成后"), this);
  auto* afterDoneGrid = new QGridLayout(afterDoneBox);
  FAfterDone = new QButtonGroup(this);
  AddChoice(FAfterDone, afterDoneGrid, "自动打开输出文件夹", "rbOpenFolder", 0, 0)
      ->setChecked(true);
  AddChoice(FAfterDone, afterDoneGrid, "自动关闭计算机", "rbShutDown", 0, 1);
  AddChoice(FAfterDone, afterDoneGrid, " 播放提示音乐", "rbPlaySound", 1, 0);
  AddChoice(FAfterDone, afterDoneGrid, "不进行任何操作", "rbDoNothing", 1, 1);

  auto* existingBox = new QGroupBox(QStringLiteral("如果输出文件存在时"), this);
  auto* existingGrid = new QGridLayout(existingBox);
  FExisting = new QButtonGroup(this);
  AddChoice(FExisting, existingGrid, "直接覆盖输出文件", "rbOverwrite", 0, 0);
  AddChoice(FExisting, existingGrid, "自动重命名输出文件", "rbRename", 0, 1)->setChecked(true);

  auto* paramsBox = new QGroupBox(QStringLiteral("转换参数"), this);
  auto* params = new QGridLayout(paramsBox);
  auto* threadLabel =
      new QLabel(QStringLiteral("程序最大运行线程数--（同时进行转换的文件个数）"), paramsBox);
  edtThreadCount = new QComboBox(paramsBox);
  edtThreadCount->setObjectName("edtThreadCount");
  edtThreadCount->setEditable(false);
  for (int i = 1; i <= 19; ++i) edtThreadCount->addItem(QString::number(i));
  edtThreadCount->setCurrentIndex(0);
  edtThreadCount->setFixedWidth(70);
  chkMultiThread =
      new QCheckBox(QStringLiteral("启用多线程模式   （同时进行转换的视频个数）"), paramsBox);
  chkMultiThread->setObjectName("chkMultiThread");
  chkMultiThread->setChecked(true);
  chkMultiThread->setVisible(false);
  chkLivePreview = new QCheckBox(QStringLiteral("转换时进行实时视频预览"), paramsBox);
  chkLivePreview->setObjectName("chkLivePreview");
  params->addWidget(threadLabel, 0, 0);
  params->addWidget(edtThreadCount, 0, 1);
  params->addWidget(chkMultiThread, 1, 0, 1, 2);
  params->addWidget(chkLivePreview, 2, 0, 1, 2);
  connect(chkMultiThread, &QCheckBox::clicked, this, &TForm5::MultiThreadClick);
  connect(chkLivePreview, &QCheckBox::toggled, this, [this](bool on) { FEngine.SetPreview(on); });

  auto* priorityBox = new QGroupBox(QStringLiteral("转换时CPU利用方式"), this);
  auto* priorityGrid = new QGridLayout(priorityBox);
  FPriority = new QButtonGroup(this);
  AddChoice(FPriority, priorityGrid, "系统空闲时进行", "rbIdle", 0, 0);
  AddChoice(FPriority, priorityGrid, "最低优先级进行", "rbLowest", 0, 1);
  AddChoice(FPriority, priorityGrid, "较低优先级进行", "rbLower", 1, 0);
  AddChoice(FPriority, priorityGrid, "正常优先级进行", "rbNormal", 1, 1)->setChecked(true);

  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  cancel->setObjectName("btnCancel");
  connect(ok, &QPushButton::clicked, this, &TForm5::OkClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(afterDoneBox);
  layout->addWidget(existingBox);
  layout->addWidget(paramsBox);
  layout->addWidget(priorityBox);
  layout->addLayout(buttons);
  setFixedSize(440, 420);
}

void TForm5::ReadOptions() {
  platform::TIniFile ini(FSettingsFile);
  if (!std::filesystem::exists(FSettingsFile)) {
    ini.WriteString(kSection, "Thread_Count", "0");
    ini.WriteString(kSection, "After_Done", "0");
    ini.WriteString(kSection, "Show_Preview", "0");
    ini.WriteString(kSection, "Thread_Priority", "3");
    ini.WriteString(kSection, "Overwrite_File", "1");
    edtThreadCount->setCurrentIndex(0);
    FAfterDone->button(adOpenFolder)->setChecked(true);
    chkLivePreview->setChecked(false);
    FPriority->button(platform::tpNormal)->setChecked(true);
    FExisting->button(1)->setChecked(true);
    return;
  }

  // "0" means no count was chosen: one thread. A stored count of 2 to 19 shows that entry.
  int count = edtThreadCount->findText(
      QString::fromStdString(presets::ReadSetting(ini, kSection, "Thread_Count", "0")));
  edtThreadCount->setCurrentIndex(count >= 0 ? count : 0);

  int afterDone = ChoiceIndex(presets::ReadSetting(ini, kSection, "After_Done", "0"), 4);
  if (afterDone < 0) {
    ini.WriteString(kSection, "After_Done", "0");
    afterDone = adOpenFolder;
  }
  FAfterDone->button(afterDone)->setChecked(true);

  int priority = ChoiceIndex(presets::ReadSetting(ini, kSection, "Thread_Priority", "3"), 4);
  if (priority < 0) {
    ini.WriteString(kSection, "Thread_Priority", "3");
    priority = platform::tpNormal;
  }
  FPriority->button(priority)->setChecked(true);

  int existing = ChoiceIndex(presets::ReadSetting(ini, kSection, "Overwrite_File", "1"), 2);
  if (existing < 0) {
    ini.WriteString(kSection, "Overwrite_File", "1");
    existing = 1;
  }
  FExisting->button(existing)->setChecked(true);

  int preview = ChoiceIndex(presets::ReadSetting(ini, kSection, "Show_Preview", "0"), 2);
  if (preview < 0) {
    ini.WriteString(kSection, "Show_Preview", "0");
    preview = 0;
  }
  chkLivePreview->setChecked(preview == 1);
}

bool TForm5::WriteOptions() {
  platform::TIniFile ini(FSettingsFile);
  bool ok = true;
  auto write = [&](const char* key, const QString& value) {
    ok = ini.WriteString(kSection, key, value.toStdString()) && ok;
  };
  if (chkMultiThread->isChecked()) write("Thread_Count", edtThreadCount->currentText());
  if (FAfterDone->checkedId() >= 0) write("After_Done", Digit(FAfterDone->checkedId()));
  write("Show_Preview", chkLivePreview->isChecked() ? "1" : "0");
  if (FPriority->checkedId() >= 0) write("Thread_Priority", Digit(FPriority->checkedId()));
  if (FExisting->checkedId() >= 0) write("Overwrite_File", Digit(FExisting->checkedId()));
  return ok;
}

void TForm5::OkClick() {
  if (!WriteOptions())
    app::Dialogs().Warning(this, QStringLiteral("提示"),
                           QStringLiteral("无法保存设置，请检查设置文件是否可写：\n%1")
                               .arg(QString::fromStdString(FSettingsFile)));
  accept();
}

void TForm5::MultiThreadClick() {
  edtThreadCount->setEnabled(chkMultiThread->isChecked());
}

TForm5::TAfterDone TForm5::AfterDone() const {
  int id = FAfterDone->checkedId();
  return id >= 0 ? static_cast<TAfterDone>(id) : adNothing;
}

bool TForm5::OverwriteFiles() const {
  return FExisting->checkedId() == 0;
}

bool TForm5::MultiThread() const {
  return chkMultiThread->isChecked();
}

QString TForm5::ThreadCountText() const {
  return edtThreadCount->currentText();
}

int TForm5::ThreadCount() const {
  if (!chkMultiThread->isChecked()) return 1;
  bool ok = false;
  int n = edtThreadCount->currentText().toInt(&ok);
  return ok && n > 0 ? n : 1;
}

bool TForm5::LivePreview() const {
  return chkLivePreview->isChecked();
}

platform::TThreadPriority TForm5::Priority() const {
  int id = FPriority->checkedId();
  return id >= 0 ? static_cast<platform::TThreadPriority>(id) : platform::tpNormal;
}

#include "app/Dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

namespace app {

namespace {

class TCancellingDialogs : public IDialogs {
 public:
  std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  QString OpenFile(QWidget*, const QString&, const QString&) override { return {}; }
  QStringList OpenFiles(QWidget*, const QString&, const QString&) override { return {}; }
  void Information(QWidget*, const QString&, const QString&) override {}
  void Warning(QWidget*, const QString&, const QString&) override {}
  std::optional<int> ChooseSkin(QWidget*, const QStringList&, int) override { return std::nullopt; }
};

TCancellingDialogs gCancellingDialogs;
IDialogs* gDialogs = &gCancellingDialogs;

}  // namespace

IDialogs& Dialogs() {
  return *gDialogs;
}
void SetDialogs(IDialogs* dialogs) {
  gDialogs = dialogs ? dialogs : &gCancellingDialogs;
}

QString QtFileFilter(const QString& filter) {
  QStringList parts = filter.split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    entries << parts[i] + " (" + patterns.simplified() + ")";
  }
  return entries.join(";;");
}

std::optional<QString> TQtDialogs::ChooseFolder(QWidget* parent, const QString& title,
                                                const QString& startFolder) {
  QString folder = QFileDialog::getExistingDirectory(parent, title, startFolder);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

QString TQtDialogs::OpenFile(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, {}, QtFileFilter(filter));
}

QStringList TQtDialogs::OpenFiles(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileNames(parent, title, {}, QtFileFilter(filter));
}

void TQtDialogs::Information(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void TQtDialogs::Warning(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}

std::optional<int> TQtDialogs::ChooseSkin(QWidget* parent, const QStringList& names, int current) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("软件皮肤"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("请选择软件皮肤："), &dialog));
  auto* list = new QListWidget(&dialog);
  list->setObjectName("lstSkins");
  list->addItems(names);
  list->setCurrentRow(current >= 0 && current < names.size() ? current : 0);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  dialog.resize(260, 240);
  if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return std::nullopt;
  return list->currentRow();
}

}  // namespace app

// The standard dialogs the windows show, behind one seam: the application installs the desktop's
// dialogs, and the default answers as if the user had cancelled, so no test can open a real file
// browser or wait on a message box by accident.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace app {

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // A folder chooser; nullopt when cancelled.
  virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                              const QString& startFolder) = 0;
  // Open-file dialogs titled "打开文件" with a filter of "shown text|patterns|..." pairs; an empty
  // result when cancelled.
  virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter) = 0;
  virtual QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter) = 0;
  // An information box with an OK button.
  virtual void Information(QWidget* parent, const QString& title, const QString& text) = 0;
  // A warning box with an OK button.
  virtual void Warning(QWidget* parent, const QString& caption, const QString& text) = 0;
  // The skin chooser: the index chosen among `names`, nullopt when cancelled.
  virtual std::optional<int> ChooseSkin(QWidget* parent, const QStringList& names, int current) = 0;
};

// The desktop's dialogs (Qt's).
class TQtDialogs : public IDialogs {
 public:
  std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                      const QString& startFolder) override;
  QString OpenFile(QWidget* parent, const QString& title, const QString& filter) override;
  QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter) override;
  void Information(QWidget* parent, const QString& title, const QString& text) override;
  void Warning(QWidget* parent, const QString& caption, const QString& text) override;
  std::optional<int> ChooseSkin(QWidget* parent, const QStringList& names, int current) override;
};

IDialogs& Dialogs();
// Installs the dialogs; nullptr restores the default that cancels everything.
void SetDialogs(IDialogs* dialogs);

// "a|*.x;*.y|b|*.z|" to Qt's "a (*.x *.y);;b (*.z)".
QString QtFileFilter(const QString& filter);

}  // namespace app

#include "platform/QtServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMetaObject>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

TQtMainThreadCalls::TQtMainThreadCalls()
    : TQueuedMainThreadCalls([this] {
        if (auto* app = QCoreApplication::instance())
          QMetaObject::invokeMethod(app, [this] { ServePending(); }, Qt::QueuedConnection);
      }) {}

bool TQtShell::Open(const std::string& pathOrUrl) {
  QString target = QString::fromStdString(pathOrUrl);
  QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl(target);
  return QDesktopServices::openUrl(url);
}

bool TQtShell::PlaySoundAsync(const std::string& wavFile) {
  for (const char* player : {"paplay", "aplay", "pw-play"}) {
    if (!QStandardPaths::findExecutable(player).isEmpty())
      return QProcess::startDetached(player, {QString::fromStdString(wavFile)});
  }
  return false;
}

bool TQtShell::PowerOff() { return QProcess::startDetached("systemctl", {"poweroff"}); }

}  // namespace platform

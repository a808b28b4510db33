#include <QApplication>

#include "app/AppIcons.h"
#include "app/AppInfo.h"
#include "app/AppWindows.h"
#include "app/Dialogs.h"
#include "platform/MainThread.h"
#include "platform/QtServices.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(app::kAppTitle));
  QApplication::setApplicationDisplayName(QString::fromUtf8(app::kAppTitle));
  QApplication::setApplicationVersion(QStringLiteral("1.0.0.0"));
  appicons::InstallIconTheme();
  platform::TQtMainThreadCalls mainThreadCalls;
  platform::SetMainThreadCalls(&mainThreadCalls);
  platform::TQtShell shell;
  platform::SetShell(&shell);
  app::TQtDialogs dialogs;
  app::SetDialogs(&dialogs);

  int rc;
  {
    TAppWindows windows(TForm1Setup::ForProgram());
    windows.Form1().show();
    rc = app.exec();
  }

  app::SetDialogs(nullptr);
  platform::SetShell(nullptr);
  platform::SetMainThreadCalls(nullptr);
  return rc;
}

#include <QApplication>
#include <QMainWindow>

#include "platform/MainThread.h"
#include "platform/QtServices.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  platform::TQtMainThreadCalls mainThreadCalls;
  platform::SetMainThreadCalls(&mainThreadCalls);
  platform::TQtShell shell;
  platform::SetShell(&shell);

  QMainWindow window;
  window.setWindowTitle(QStringLiteral("BrenvoFLAC格式转换器"));
  window.resize(900, 640);
  window.show();
  int rc = app.exec();

  platform::SetShell(nullptr);
  platform::SetMainThreadCalls(nullptr);
  return rc;
}

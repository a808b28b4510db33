// The Qt-backed services the application installs at start.
#pragma once

#include "platform/MainThread.h"
#include "platform/Shell.h"

namespace platform {

// Main-thread calls served by the Qt event loop (and by any waiting loop that serves them).
class TQtMainThreadCalls : public TQueuedMainThreadCalls {
 public:
  TQtMainThreadCalls();
};

// Opens through QDesktopServices; sounds and power-off through the desktop's commands.
class TQtShell : public IShell {
 public:
  bool Open(const std::string& pathOrUrl) override;
  bool PlaySoundAsync(const std::string& wavFile) override;
  bool PowerOff() override;
};

}  // namespace platform

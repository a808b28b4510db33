// Shell and power services behind one seam: the application installs the desktop's
// implementation, tests install a recording one, and the default does nothing, so no test
// can open a browser, play a sound or power the machine off by accident.
#pragma once

#include <string>

namespace platform {

class IShell {
 public:
  virtual ~IShell() = default;
  // Opens a folder, a document or a web address with the desktop's default program.
  virtual bool Open(const std::string& pathOrUrl) = 0;
  // Plays a WAV file without waiting for it.
  virtual bool PlaySoundAsync(const std::string& wavFile) = 0;
  // Asks the system to power the computer off.
  virtual bool PowerOff() = 0;
};

IShell& Shell();
// Installs a shell; nullptr restores the default one that does nothing and returns false.
void SetShell(IShell* shell);

}  // namespace platform

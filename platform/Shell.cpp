#include "platform/Shell.h"

namespace platform {

namespace {
class TNullShell : public IShell {
 public:
  bool Open(const std::string&) override { return false; }
  bool PlaySoundAsync(const std::string&) override { return false; }
  bool PowerOff() override { return false; }
};
TNullShell gNullShell;
IShell* gShell = &gNullShell;
}  // namespace

IShell& Shell() { return *gShell; }
void SetShell(IShell* shell) { gShell = shell ? shell : &gNullShell; }

}  // namespace platform

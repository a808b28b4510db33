#include "app/EngineLink.h"

#include "engine/FFmpegVCL.h"

namespace app {

bool TEngineLink::Preview() const { return FEngine.Preview(); }

void TEngineLink::SetPreview(bool on) { FEngine.SetPreview(on); }

void TEngineLink::DetachEvents() {
  FEngine.SetOnCustomHook(nullptr);
  FEngine.SetOnPreviewBitmap(nullptr);
  FEngine.SetOnProgress(nullptr);
  FEngine.SetOnTerminate(nullptr);
}

void TEngineLink::Stop(bool wait) { FEngine.Stop(wait); }

}  // namespace app

#include "media/Previewer.h"

#include <mutex>

namespace {
std::mutex gFactoryLock;
TPreviewerFactory& Factory() {
  static TPreviewerFactory factory;
  return factory;
}
}  // namespace

void SetPreviewerFactory(TPreviewerFactory factory) {
  std::lock_guard lock(gFactoryLock);
  Factory() = std::move(factory);
}

std::unique_ptr<TPreviewer> CreatePreviewer() {
  TPreviewerFactory factory;
  {
    std::lock_guard lock(gFactoryLock);
    factory = Factory();
  }
  return factory ? factory() : nullptr;
}

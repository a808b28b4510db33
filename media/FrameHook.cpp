#include "media/FrameHook.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <new>

#include "engine/AVLibs.h"

namespace {

// Path → module, process-wide; modules are never unloaded (a running hook may still be in
// another converter's chain).
std::mutex gModulesLock;
std::map<std::string, void*>& Modules() {
  static auto* modules = new std::map<std::string, void*>;
  return *modules;
}

void LogError(const char* fmt, const std::string& arg) {
  if (ff::av_log) ff::av_log(nullptr, AV_LOG_ERROR, fmt, arg.c_str());
}

void* LoadModule(const std::string& path) {
  std::lock_guard lock(gModulesLock);
  auto it = Modules().find(path);
  if (it != Modules().end()) return it->second;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    LogError("%s\n", why ? why : path);
    return nullptr;
  }
  Modules()[path] = module;
  return module;
}

template <typename F>
F Symbol(void* module, const char* name) {
  return reinterpret_cast<F>(dlsym(module, name));
}

}  // namespace

int TFrameHookChain::Add(const std::vector<std::string>& args) {
  if (args.empty()) return -2;
  void* module = LoadModule(args[0]);
  if (!module) return -1;

  std::unique_ptr<TFrameHookEntry> entry(new (std::nothrow) TFrameHookEntry);
  if (!entry) return -12;
  entry->Configure = Symbol<TFrameHookConfigureFn>(module, "Configure");
  entry->Process = Symbol<TFrameHookProcessFn>(module, "Process");
  entry->Release = Symbol<TFrameHookReleaseFn>(module, "Release");
  if (!entry->Process) {
    LogError("Failed to find Process entrypoint in %s\n", args[0]);
    return -2;
  }
  if (!entry->Configure && args.size() > 1) {
    LogError("Failed to find Configure entrypoint in %s\n", args[0]);
    return -2;
  }
  if (entry->Configure) {
    entry->Args = args;
    std::vector<char*> argv;
    for (std::string& w : entry->Args) argv.push_back(w.data());
    argv.push_back(nullptr);
    if (entry->Configure(&entry->ctx, static_cast<int>(argv.size() - 1), argv.data()) != 0) {
      LogError("Failed to Configure %s\n", args[0]);
      return -22;
    }
  }
  std::unique_ptr<TFrameHookEntry>* tail = &FHead;
  while (*tail) tail = &(*tail)->next;
  *tail = std::move(entry);
  return 0;
}

void TFrameHookChain::Process(TFrameHookPicture* picture, int pixFmt, int width, int height,
                              int64_t pts) {
  for (TFrameHookEntry* e = FHead.get(); e; e = e->next.get())
    e->Process(e->ctx, picture, pixFmt, width, height, pts);
}

void TFrameHookChain::Release() {
  for (TFrameHookEntry* e = FHead.get(); e; e = e->next.get())
    if (e->Release) e->Release(e->ctx);
  // Unlink iteratively: a long chain must not recurse in the destructors.
  while (FHead) FHead = std::move(FHead->next);
}

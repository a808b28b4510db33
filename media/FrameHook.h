// The frame-hook chain of a conversion: plug-in libraries named by the "vhook" option
// (interface in media/FrameHookPlugin.h), called in order for every decoded picture.
//
// Plug-in libraries stay loaded for the life of the process; one process-wide table maps each
// path to its loaded module. A chain belongs to one converter and is used by its thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/FrameHookPlugin.h"

struct TFrameHookEntry {
  std::unique_ptr<TFrameHookEntry> next;
  TFrameHookConfigureFn Configure = nullptr;
  TFrameHookProcessFn Process = nullptr;
  TFrameHookReleaseFn Release = nullptr;
  void* ctx = nullptr;
  std::vector<std::string> Args;  // the words Configure saw; a plug-in may keep pointers to them
};

class TFrameHookChain {
 public:
  TFrameHookChain() = default;
  ~TFrameHookChain() { Release(); }
  TFrameHookChain(const TFrameHookChain&) = delete;
  TFrameHookChain& operator=(const TFrameHookChain&) = delete;

  // Adds a hook: args[0] is the library path, the rest its arguments. Returns 0, or -1 (the
  // library cannot be loaded), -2 (no arguments, or an entry point missing), -22 (Configure
  // refused), -12 (no memory); failures are also written to the library log.
  int Add(const std::vector<std::string>& args);
  // Runs every hook's Process on the picture, in the order added.
  void Process(TFrameHookPicture* picture, int pixFmt, int width, int height, int64_t pts);
  // Calls every hook's Release and empties the chain.
  void Release();
  bool Empty() const { return !FHead; }

 private:
  std::unique_ptr<TFrameHookEntry> FHead;
};

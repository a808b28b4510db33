#include "engine/FFmpegLoader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cassert>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/AVLibs.h"
#include "engine/FFmpegException.h"
#include "media/FFmpegLogger.h"
#include "platform/MainThread.h"

namespace {

struct TEntry {
  const char* name;
  void** slot;
};

#define BRENVO_ENTRY(name) {#name, reinterpret_cast<void**>(&ff::name)},
const std::vector<TEntry> kAvUtil = {BRENVO_AVUTIL_FUNCS(BRENVO_ENTRY)};
const std::vector<TEntry> kSwResample = {BRENVO_SWRESAMPLE_FUNCS(BRENVO_ENTRY)};
const std::vector<TEntry> kSwScale = {BRENVO_SWSCALE_FUNCS(BRENVO_ENTRY)};
const std::vector<TEntry> kAvCodec = {BRENVO_AVCODEC_FUNCS(BRENVO_ENTRY)};
const std::vector<TEntry> kAvFormat = {BRENVO_AVFORMAT_FUNCS(BRENVO_ENTRY)};
const std::vector<TEntry> kAvFilter = {BRENVO_AVFILTER_FUNCS(BRENVO_ENTRY)};
const std::vector<TEntry> kAvDevice = {BRENVO_AVDEVICE_FUNCS(BRENVO_ENTRY)};
const std::vector<TEntry> kSdl = {BRENVO_SDL_FUNCS(BRENVO_ENTRY)};
#undef BRENVO_ENTRY

unsigned SdlVersion() {
  SDL_version v{};
  ff::SDL_GetVersion(&v);
  return AV_VERSION_INT(v.major, v.minor, v.patch);
}

struct TLibraryItem {
  TLibrary lib;
  const char* fileName;
  const std::vector<TEntry>* entries;
  unsigned (*runtimeVersion)();  // bound entry point, called after binding
  int headerMajor;
};

// clang-format off
const TLibraryItem kLibraries[kLibraryCount] = {
  {avCodec,    "libavcodec.so.59",    &kAvCodec,    [] { return ff::avcodec_version(); },    LIBAVCODEC_VERSION_MAJOR},
  {avDevice,   "libavdevice.so.59",   &kAvDevice,   [] { return ff::avdevice_version(); },   LIBAVDEVICE_VERSION_MAJOR},
  {avFilter,   "libavfilter.so.8",    &kAvFilter,   [] { return ff::avfilter_version(); },   LIBAVFILTER_VERSION_MAJOR},
  {avFormat,   "libavformat.so.59",   &kAvFormat,   [] { return ff::avformat_version(); },   LIBAVFORMAT_VERSION_MAJOR},
  {avUtil,     "libavutil.so.57",     &kAvUtil,     [] { return ff::avutil_version(); },     LIBAVUTIL_VERSION_MAJOR},
  {swScale,    "libswscale.so.6",     &kSwScale,    [] { return ff::swscale_version(); },    LIBSWSCALE_VERSION_MAJOR},
  {swResample, "libswresample.so.4",  &kSwResample, [] { return ff::swresample_version(); }, LIBSWRESAMPLE_VERSION_MAJOR},
  {lbSDL,      "libSDL2-2.0.so.0",    &kSdl,        SdlVersion,                              SDL_MAJOR_VERSION},
};
// clang-format on

// Dependencies first, so that libraries in the same folder satisfy each other.
constexpr TLibrary kLoadOrder[] = {avUtil,   swResample, swScale,  avCodec,
                                   avFormat, avFilter,   avDevice, lbSDL};

void ClearEntries(TLibrary lib) {
  for (const TEntry& e : *kLibraries[lib].entries) *e.slot = nullptr;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// dlerror's text without the file name it starts with.
std::string SystemText(const std::string& fileName) {
  const char* err = dlerror();
  std::string text = err ? err : "unknown error";
  if (text.compare(0, fileName.size() + 2, fileName + ": ") == 0)
    text.erase(0, fileName.size() + 2);
  return text;
}

std::string FolderOf(const std::string& name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string WithDelimiter(const std::string& folder) {
  return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

}  // namespace

TFFmpegLoader::TFFmpegLoader() {
  for (int i = 0; i < kLibraryCount; ++i) FStatus[i].Lib = static_cast<TLibrary>(i);
}

// Libraries stay mapped at process exit: unmapping them then would race with their own exit
// handlers for nothing gained.
TFFmpegLoader::~TFFmpegLoader() = default;

std::string TFFmpegLoader::LibraryFileName(TLibrary lib) { return kLibraries[lib].fileName; }

bool TFFmpegLoader::Load(TLibrary lib) {
  TLibraryStatus& st = FStatus[lib];
  std::string fileName = st.Name.empty() ? kLibraries[lib].fileName : st.Name;
  if (!st.Handle) {
    std::string folder = FolderOf(fileName);
    std::string path;
    if (!folder.empty()) {
      path = fileName;  // an explicit file is taken as it is, never looked for elsewhere
    } else {
      folder = WithDelimiter(FLibraryPath);
      path = !folder.empty() && FileExists(folder + fileName) ? folder + fileName : fileName;
    }
    dlerror();
    // Released handles keep their code mapped: the libraries and theirs register exit
    // handlers and thread-local destructors that must still find their code at exit.
    st.Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!st.Handle) {
      std::string shown = fileName.find('/') == std::string::npos ? folder + fileName : fileName;
      FLastErrMsg = StrFmt("Load library %s error: %s", shown.c_str(), SystemText(path).c_str());
      return false;
    }
  }
  if (!st.Fixuped) {
    if (!Bind(lib, fileName)) {
      Unload(lib);
      return false;
    }
  }
  if (lib == avUtil && FInstallLogger) FFLogger().InstallAVLogCallback();
  return true;
}

bool TFFmpegLoader::Bind(TLibrary lib, const std::string& fileName) {
  TLibraryStatus& st = FStatus[lib];
  const TLibraryItem& item = kLibraries[lib];
  for (const TEntry& e : *item.entries) {
    dlerror();
    void* p = dlsym(st.Handle, e.name);
    if (!p) {
      FLastErrMsg = StrFmt("Load function %s@%s error: %s", e.name, fileName.c_str(),
                           SystemText(fileName).c_str());
      ClearEntries(lib);
      return false;
    }
    *e.slot = p;
  }
  unsigned v = item.runtimeVersion();
  if (static_cast<int>(v >> 16) != item.headerMajor) {
    FLastErrMsg = StrFmt(
        "Load library %s error: version %u.%u.%u found, version %d.x is needed", fileName.c_str(),
        v >> 16, (v >> 8) & 0xff, v & 0xff, item.headerMajor);
    ClearEntries(lib);
    return false;
  }
  if (lib == avDevice) ff::avdevice_register_all();
  st.Fixuped = true;
  return true;
}

bool TFFmpegLoader::Load(TLibraries libs) {
  assert(!libs.Empty());
  for (TLibrary lib : kLoadOrder) {
    if (libs.Contains(lib) && !Load(lib)) {
      std::string msg = FLastErrMsg;
      Unload(libs);
      FLastErrMsg = msg;
      return false;
    }
  }
  return true;
}

bool TFFmpegLoader::Loaded(TLibrary lib) const {
  return FStatus[lib].Handle && FStatus[lib].Fixuped;
}

bool TFFmpegLoader::Loaded(TLibraries libs) const {
  assert(!libs.Empty());
  for (int i = 0; i < kLibraryCount; ++i)
    if (libs.Contains(static_cast<TLibrary>(i)) && !Loaded(static_cast<TLibrary>(i))) return false;
  return true;
}

void TFFmpegLoader::Unload(TLibrary lib) {
  TLibraryStatus& st = FStatus[lib];
  if (lib == avUtil && st.Fixuped) UninstallAVLogCallback();
  if (st.Fixuped) {
    ClearEntries(lib);
    st.Fixuped = false;
  }
  if (st.Handle) {
    dlclose(st.Handle);
    st.Handle = nullptr;
  }
}

void TFFmpegLoader::Unload(TLibraries libs) {
  assert(!libs.Empty());
  for (int i = kLibraryCount - 1; i >= 0; --i) {
    TLibrary lib = kLoadOrder[i];
    if (libs.Contains(lib)) Unload(lib);
  }
}

TFFmpegLoader& FFLoader() {
  static TFFmpegLoader loader;
  return loader;
}

namespace {
std::mutex gCodecMutex;
}

TCodecLock::TCodecLock() {
  if (!platform::IsMainThread()) {
    gCodecMutex.lock();
    return;
  }
  while (!gCodecMutex.try_lock()) {
    platform::MainThreadCalls().ServePending();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TCodecLock::~TCodecLock() { gCodecMutex.unlock(); }

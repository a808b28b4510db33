// Run-time loading of the FFmpeg and SDL libraries (see engine/AVLibs.h for the entry points).
//
// One process-wide loader, used on the main thread before and after conversions; it has no
// lock of its own. A library is looked for in `LibraryPath` first and by its plain soname
// through the system's search otherwise, so the system's libraries serve by default.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>

enum TLibrary { avCodec, avDevice, avFilter, avFormat, avUtil, swScale, swResample, lbSDL };
constexpr int kLibraryCount = lbSDL + 1;

// A set of libraries.
class TLibraries {
 public:
  constexpr TLibraries() = default;
  constexpr TLibraries(std::initializer_list<TLibrary> libs) {
    for (TLibrary l : libs) FBits |= 1u << l;
  }
  constexpr bool Contains(TLibrary l) const { return (FBits >> l) & 1u; }
  constexpr bool Empty() const { return FBits == 0; }

 private:
  uint32_t FBits = 0;
};

// What the engine component needs; the device library and SDL belong to the player.
constexpr TLibraries kEngineLibraries{avCodec, avFilter, avFormat, avUtil, swScale, swResample};
constexpr TLibraries kAllLibraries{avCodec,  avDevice, avFilter,   avFormat,
                                   avUtil,   swScale,  swResample, lbSDL};

struct TLibraryStatus {
  TLibrary Lib;
  std::string Name;       // optional file name replacing the built one; a folder part is kept
  void* Handle = nullptr;  // dlopen handle, nullptr when not loaded
  bool Fixuped = false;   // every entry point bound
};

class TFFmpegLoader {
 public:
  TFFmpegLoader();
  ~TFFmpegLoader();
  TFFmpegLoader(const TFFmpegLoader&) = delete;
  TFFmpegLoader& operator=(const TFFmpegLoader&) = delete;

  bool Load(TLibrary lib);
  // Loads the members in dependency order (avutil first); on the first failure unloads the
  // whole set and returns false.
  bool Load(TLibraries libs);
  bool Loaded(TLibrary lib) const;
  bool Loaded(TLibraries libs) const;
  void Unload(TLibrary lib);
  void Unload(TLibraries libs);

  const std::string& LastErrMsg() const { return FLastErrMsg; }
  const std::string& LibraryPath() const { return FLibraryPath; }
  void SetLibraryPath(const std::string& path) { FLibraryPath = path; }
  bool InstallLogger() const { return FInstallLogger; }
  void SetInstallLogger(bool on) { FInstallLogger = on; }
  TLibraryStatus& Status(TLibrary lib) { return FStatus[lib]; }
  const TLibraryStatus& Status(TLibrary lib) const { return FStatus[lib]; }

  // The built file name of a library: its Linux soname, e.g. "libavcodec.so.59".
  static std::string LibraryFileName(TLibrary lib);

 private:
  bool Bind(TLibrary lib, const std::string& fileName);
  TLibraryStatus FStatus[kLibraryCount];
  std::string FLastErrMsg;
  std::string FLibraryPath;
  bool FInstallLogger = true;
};

// The process-wide loader.
TFFmpegLoader& FFLoader();

// The process-wide codec lock: stream-information reading and codec open and close are not safe
// to run in parallel. On the main thread the wait keeps serving main-thread calls, so a worker
// that holds the lock while handing an event to the main thread can finish.
class TCodecLock {
 public:
  TCodecLock();
  ~TCodecLock();
  TCodecLock(const TCodecLock&) = delete;
  TCodecLock& operator=(const TCodecLock&) = delete;
};

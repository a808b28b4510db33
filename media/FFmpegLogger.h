// The process-wide engine log: every component reports through it, and the FFmpeg libraries'
// own output arrives through their log callback, assembled into whole lines per thread.
// Messages go to one handler, by default on the main thread.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// ordinal × 8 − 8: −8, 0, 8, 16, 24, 32, 40, 48.
int LogLevelToAV(TLogLevel level);
TLogLevel AVToLogLevel(int avLevel);

using TLogEvent = std::function<void(const void* Sender, uint32_t AThreadID, TLogLevel ALogLevel,
                                     const std::string& ALogMsg)>;

// Unfinished library lines, one per thread.
class TLogList {
 public:
  TLogList() = default;
  ~TLogList() { Clear(); }
  TLogList(const TLogList&) = delete;
  TLogList& operator=(const TLogList&) = delete;
  void Clear();
  // True when the thread has no unfinished line.
  bool LineStarts(uint32_t threadId);
  // Appends text to the thread's pending line; returns the lines it completed (without "\n").
  std::vector<std::string> Append(uint32_t threadId, const std::string& text);

 private:
  struct TLogItem {
    uint32_t ThreadID;
    std::string LogMsg;
    TLogItem* Next;
  };
  TLogItem* Find(uint32_t threadId);  // adds an empty item when the thread has none
  // -- FHeader and every item are protected by FLock.
  TLogItem* FHeader = nullptr;
  std::mutex FLock;
};

class TFFLogger {
 public:
  // Only one logger may exist: a second one fails with
  // "Allow creating only one instance of TFFLogger.".
  TFFLogger();
  ~TFFLogger();
  TFFLogger(const TFFLogger&) = delete;
  TFFLogger& operator=(const TFFLogger&) = delete;

  TLogLevel LogLevel() const { return FLogLevel; }
  // Also sets the libraries' level once they are loaded.
  void SetLogLevel(TLogLevel level);
  bool TriggerEventInMainThread() const { return FTriggerEventInMainThread; }
  void SetTriggerEventInMainThread(bool on) { FTriggerEventInMainThread = on; }
  void SetOnLog(TLogEvent handler);
  bool HasOnLog() const;

  void Log(const void* Sender, TLogLevel ALogLevel, const std::string& ALogMsg);
  // The message is formatted only when it will be delivered.
  void LogFmt(const void* Sender, TLogLevel ALogLevel, const char* fmt, ...)
      __attribute__((format(printf, 4, 5)));

  // Routes the libraries' log into this logger and applies LogLevel to them (after loading).
  void InstallAVLogCallback();
  // The "loglevel" option: a level name (any case) or a decimal library level.
  void OptLogLevel(const std::string& name);

  // Hands a finished library line to the handler, with the logger as sender.
  void DeliverLibraryLine(TLogLevel level, const std::string& line);

 private:
  bool WillDeliver(TLogLevel level) const;
  void Deliver(const void* sender, TLogLevel level, const std::string& msg);

  bool FTriggerEventInMainThread = true;
  TLogLevel FLogLevel;
  mutable std::mutex FHandlerLock;
  TLogEvent FOnLog;  // guarded by FHandlerLock
};

// The current logger, created (and kept for the life of the process) when there is none.
TFFLogger& FFLogger();

// The libraries' log callback; public for tests.
void FFLogCallback(void* avcl, int level, const char* fmt, va_list vl);
// Gives the libraries back their own log callback (before they are unloaded).
void UninstallAVLogCallback();
// The libraries' current numeric level (starts at 32, info).
int AVLogLevel();

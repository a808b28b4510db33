#include "media/FFmpegLogger.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "engine/AVLibs.h"
#include "engine/FFmpegException.h"
#include "platform/MainThread.h"
#include "platform/SysThread.h"

namespace {
std::atomic<int> gAVLevel{AV_LOG_INFO};
std::mutex gCurrentLock;
TFFLogger* gCurrent = nullptr;  // guarded by gCurrentLock
TLogList gLogList;
}  // namespace

int LogLevelToAV(TLogLevel level) {
  return static_cast<int>(level) * 8 - 8;
}

TLogLevel AVToLogLevel(int v) {
  int w = v < 0 ? v + 7 : v;
  if (w < -8) return llQuiet;
  if (w >= 48) return llDebug;
  // Floor division: −8 + 7 = −1 gives −1 ÷ 8 → −1, ordinal 0.
  int q = w >= 0 ? w / 8 : -((-w + 7) / 8);
  return static_cast<TLogLevel>(q + 1);
}

int AVLogLevel() {
  return gAVLevel.load();
}

// ---- TLogList ----

void TLogList::Clear() {
  std::lock_guard lock(FLock);
  while (FHeader) {
    TLogItem* next = FHeader->Next;
    delete FHeader;
    FHeader = next;
  }
}

TLogList::TLogItem* TLogList::Find(uint32_t threadId) {
  for (TLogItem* item = FHeader; item; item = item->Next)
    if (item->ThreadID == threadId) return item;
  FHeader = new TLogItem{threadId, {}, FHeader};
  return FHeader;
}

bool TLogList::LineStarts(uint32_t threadId) {
  std::lock_guard lock(FLock);
  return Find(threadId)->LogMsg.empty();
}

std::vector<std::string> TLogList::Append(uint32_t threadId, const std::string& text) {
  std::lock_guard lock(FLock);
  std::string& pending = Find(threadId)->LogMsg;
  pending += text;
  std::vector<std::string> lines;
  size_t start = 0, brk;
  while ((brk = pending.find('\n', start)) != std::string::npos) {
    lines.push_back(pending.substr(start, brk - start));
    start = brk + 1;
  }
  pending.erase(0, start);
  return lines;
}

// ---- TFFLogger ----

TFFLogger::TFFLogger() : FLogLevel(AVToLogLevel(gAVLevel.load())) {
  std::lock_guard lock(gCurrentLock);
  if (gCurrent) throw std::runtime_error("Allow creating only one instance of TFFLogger.");
  gCurrent = this;
}

TFFLogger::~TFFLogger() {
  std::lock_guard lock(gCurrentLock);
  if (gCurrent == this) gCurrent = nullptr;
}

void TFFLogger::SetLogLevel(TLogLevel level) {
  if (level == FLogLevel) return;
  FLogLevel = level;
  if (ff::av_log_set_level) {
    gAVLevel = LogLevelToAV(level);
    ff::av_log_set_level(gAVLevel);
  }
}

void TFFLogger::SetOnLog(TLogEvent handler) {
  std::lock_guard lock(FHandlerLock);
  FOnLog = std::move(handler);
}

bool TFFLogger::HasOnLog() const {
  std::lock_guard lock(FHandlerLock);
  return static_cast<bool>(FOnLog);
}

bool TFFLogger::WillDeliver(TLogLevel level) const {
  if (!HasOnLog()) return false;
  return level <= FLogLevel || (level == llVerbose && FLogLevel != llQuiet);
}

void TFFLogger::Deliver(const void* sender, TLogLevel level, const std::string& msg) {
  uint32_t threadId = platform::CurrentThreadId();
  // The handler is read where it runs, so a handler detached on the main thread is never called
  // by a message that was already waiting.
  auto call = [this, sender, threadId, level, &msg] {
    TLogEvent handler;
    {
      std::lock_guard lock(FHandlerLock);
      handler = FOnLog;
    }
    if (handler) handler(sender, threadId, level, msg);
  };
  if (FTriggerEventInMainThread && !platform::IsMainThread())
    platform::Synchronize(call);
  else
    call();
}

void TFFLogger::Log(const void* Sender, TLogLevel ALogLevel, const std::string& ALogMsg) {
  if (WillDeliver(ALogLevel)) Deliver(Sender, ALogLevel, ALogMsg);
}

void TFFLogger::LogFmt(const void* Sender, TLogLevel ALogLevel, const char* fmt, ...) {
  if (!WillDeliver(ALogLevel)) return;
  va_list args;
  va_start(args, fmt);
  std::string msg = StrFmtV(fmt, args);
  va_end(args);
  Deliver(Sender, ALogLevel, msg);
}

void TFFLogger::DeliverLibraryLine(TLogLevel level, const std::string& line) {
  if (HasOnLog()) Deliver(this, level, line);
}

void TFFLogger::InstallAVLogCallback() {
  if (!ff::av_log_set_callback || !ff::av_log_set_level) return;
  ff::av_log_set_callback(FFLogCallback);
  gAVLevel = LogLevelToAV(FLogLevel);
  ff::av_log_set_level(gAVLevel);
}

void TFFLogger::OptLogLevel(const std::string& name) {
  struct TName {
    const char* name;
    int level;
  };
  static const TName kNames[] = {{"quiet", -8},   {"panic", 0}, {"fatal", 8},    {"error", 16},
                                 {"warning", 24}, {"info", 32}, {"verbose", 40}, {"debug", 48}};
  for (const auto& n : kNames) {
    if (strcasecmp(n.name, name.c_str()) == 0) {
      SetLogLevel(AVToLogLevel(n.level));
      return;
    }
  }
  size_t used = 0;
  int level;
  try {
    level = std::stoi(name, &used, 10);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != name.size())
    throw std::invalid_argument("'" + name + "' is not a valid integer value");
  SetLogLevel(AVToLogLevel(level));
}

TFFLogger& FFLogger() {
  {
    std::lock_guard lock(gCurrentLock);
    if (gCurrent) return *gCurrent;
  }
  static std::mutex createLock;
  std::lock_guard create(createLock);
  {
    std::lock_guard lock(gCurrentLock);
    if (gCurrent) return *gCurrent;
  }
  // Never freed: threads may log until the very end of the process.
  return *new TFFLogger();
}

void FFLogCallback(void* avcl, int level, const char* fmt, va_list vl) {
  if (level >= 0) level &= 0xff;  // the libraries may add flags above the level
  if (level > gAVLevel.load()) return;
  uint32_t threadId = platform::CurrentThreadId();
  char buf[2048] = {0};
  int used = 0;
  if (avcl && gLogList.LineStarts(threadId)) {
    const AVClass* cls = *static_cast<const AVClass* const*>(avcl);
    const char* item = cls && cls->item_name ? cls->item_name(avcl) : "";
    used = snprintf(buf, sizeof buf, "[%s @ %p]", item ? item : "", avcl);
    if (used < 0) used = 0;
    if (used >= static_cast<int>(sizeof buf)) used = sizeof buf - 1;
  }
  // A message longer than the buffer is cut at its end.
  va_list copy;
  va_copy(copy, vl);
  vsnprintf(buf + used, sizeof buf - used, fmt, copy);
  va_end(copy);
  std::vector<std::string> lines = gLogList.Append(threadId, buf);
  if (lines.empty()) return;
  TLogLevel mapped = AVToLogLevel(level);
  TFFLogger& logger = FFLogger();
  for (const auto& line : lines) logger.DeliverLibraryLine(mapped, line);
}

void UninstallAVLogCallback() {
  if (ff::av_log_set_callback && ff::av_log_default_callback)
    ff::av_log_set_callback(ff::av_log_default_callback);
}

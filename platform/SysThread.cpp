#include "platform/SysThread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <ctime>

namespace platform {

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

namespace {
bool SetNice(int nice) {
  return setpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()), nice) == 0;
}
}  // namespace

bool SetCurrentThreadPriority(TThreadPriority priority) {
  switch (priority) {
    case tpIdle: {
      sched_param param{};
      return pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0;
    }
    case tpLowest:
      return SetNice(19);
    case tpLower:
      return SetNice(10);
    case tpNormal:
      return getpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId())) == 0 || SetNice(0);
    default:
      return false;
  }
}

int TimeZoneBiasMinutes() {
  // Standard time: take the offset of a January and a July day and use the smaller one
  // (the larger one is daylight saving time in the northern and the southern half alike).
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  long offsets[2];
  for (int i = 0; i < 2; ++i) {
    tm probe{};
    probe.tm_year = local.tm_year;
    probe.tm_mon = i == 0 ? 0 : 6;
    probe.tm_mday = 1;
    probe.tm_hour = 12;
    probe.tm_isdst = -1;
    time_t t = mktime(&probe);
    tm out{};
    localtime_r(&t, &out);
    offsets[i] = out.tm_gmtoff;
  }
  long standard = offsets[0] < offsets[1] ? offsets[0] : offsets[1];
  return static_cast<int>(-standard / 60);
}

}  // namespace platform

#include "engine/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "engine/AVErrors.h"
#include "engine/FFmpegException.h"
#include "media/FFmpegLogger.h"

extern "C" {
#include <libavutil/error.h>
}

namespace {

// Names longer than this are shortened in the hidden name, which must fit the folder's limit.
constexpr size_t kMaxBaseInTempName = 180;

[[noreturn]] void ThrowFileError(const std::string& finalName, int err) {
  throw FFmpegException(finalName + ": " + AVErrorText(AVERROR(err)));
}

std::string FolderPart(const std::string& name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string BasePart(const std::string& name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string RandomSuffix() {
  static thread_local std::mt19937 gen(std::random_device{}());
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s;
  for (int i = 0; i < 6; ++i) s += kChars[gen() % (sizeof kChars - 1)];
  return s;
}

void CheckFinalNameWritable(const std::string& finalName) {
  struct stat st;
  if (stat(finalName.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) ThrowFileError(finalName, EISDIR);
  if (access(finalName.c_str(), W_OK) != 0) ThrowFileError(finalName, errno);
}

long long SizeOf(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

}  // namespace

std::string CreateTempOutputFile(const std::string& finalName) {
  CheckFinalNameWritable(finalName);
  std::string base = BasePart(finalName);
  if (base.size() > kMaxBaseInTempName) base.resize(kMaxBaseInTempName);
  for (int attempt = 0;; ++attempt) {
    std::string temp = FolderPart(finalName) + "." + base + "." + RandomSuffix() + ".part";
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      return temp;
    }
    if (errno != EEXIST || attempt >= 100) ThrowFileError(finalName, errno);
  }
}

void SettleOutputFile(const std::string& tempName, const std::string& finalName, TOutputEnd end,
                      const void* sender) {
  long long size = SizeOf(tempName);
  if (size < 0) return;  // already gone
  if (size == 0 || end == oeDiscarded) {
    unlink(tempName.c_str());
    return;
  }
  if (end == oeFinished) {
    if (rename(tempName.c_str(), finalName.c_str()) == 0) return;
  } else {
    if (renameat2(AT_FDCWD, tempName.c_str(), AT_FDCWD, finalName.c_str(), RENAME_NOREPLACE) == 0)
      return;
    if (errno == EEXIST) {
      unlink(tempName.c_str());
      FFLogger().LogFmt(sender, llWarning,
                        "%s: the conversion did not finish, the existing file is kept and the "
                        "partial output is removed",
                        finalName.c_str());
      return;
    }
  }
  int err = errno;
  FFLogger().LogFmt(sender, llError, "%s: %s; the output stays as %s", finalName.c_str(),
                    AVErrorText(AVERROR(err)).c_str(), tempName.c_str());
}

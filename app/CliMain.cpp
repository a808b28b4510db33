// brenvoflac-cli: the converter from a terminal, on the same engine and the same format data
// as the window, so the same choice makes the same task.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "app/CliOptions.h"
#include "engine/FFmpegVCL.h"
#include "media/FFmpegLogger.h"
#include "platform/MainThread.h"
#include "presets/AppSettings.h"
#include "presets/CurrentSettings.h"
#include "presets/OutputRecord.h"

namespace {

using namespace presets;

std::atomic<bool> gInterrupted{false};
std::mutex gOutLock;  // one writer of the terminal at a time

void OnInterrupt(int) {
  gInterrupted = true;
  std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program at once
}

void PrintLine(FILE* f, const std::string& text) {
  std::lock_guard lock(gOutLock);
  fprintf(f, "%s\n", text.c_str());
  fflush(f);
}

std::string SizeText(int64_t bytes) {
  char buf[32];
  if (bytes >= 1024 * 1024)
    snprintf(buf, sizeof buf, "%.1f MB", bytes / 1048576.0);
  else
    snprintf(buf, sizeof buf, "%.1f KB", bytes / 1024.0);
  return buf;
}

std::string TimeText(int64_t us) {
  int64_t s = us / 1000000;
  char buf[32];
  snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(s / 3600 % 24),
           static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
  return buf;
}

// The libraries' own errors reach the terminal (the engine's failures are reported per file).
void AttachLog() {
  FFLogger().SetTriggerEventInMainThread(false);
  FFLogger().SetOnLog([](const void* sender, uint32_t, TLogLevel level, const std::string& msg) {
    if (sender == &FFLogger() && level <= llError && !msg.empty()) PrintLine(stderr, "  " + msg);
  });
}

struct TJob {
  std::string Input;
  std::string Output;
};

class TCliRun {
 public:
  explicit TCliRun(const cli::TCliOptions& o) : FOptions(o) {}
  int Run();

 private:
  bool AddFile(const std::string& file, const std::array<std::string, kPresetSelectorCount>& texts,
               const std::string& folder, std::set<std::string>& taken);
  void OnProgress(TProgressInfo* info);
  void OnTerminate(const TTerminateInfo& info);

  const cli::TCliOptions& FOptions;
  TFFmpegVCL FEngine;
  std::vector<TJob> FJobs;  // by task index
  std::mutex FLock;
  int FConverted = 0, FFailed = 0;
  std::atomic<bool> FDone{false};
  bool FTty = isatty(STDERR_FILENO);
};

bool TCliRun::AddFile(const std::string& file,
                      const std::array<std::string, kPresetSelectorCount>& texts,
                      const std::string& folder, std::set<std::string>& taken) {
  if (!FEngine.AVProbe().LoadFile(file)) {
    PrintLine(stderr, "无法读取：" + file + "：" + FEngine.AVProbe().LastErrMsg());
    return false;
  }
  FEngine.AVProbe().CloseFile();
  int task = FEngine.AddTask(file);
  if (task < 0) {
    PrintLine(stderr, "无法打开：" + file + "：" + FEngine.LastErrMsg());
    return false;
  }
  // The name before renaming, then renamed against existing files and, so that two inputs of
  // one run ("a.wav", "a.mp3") do not both write "a.flac", against this run's names.
  TCurrentSettings s = SettingsForFile(file, FOptions.Format, texts, folder, true);
  TOutputOptions record = OutputOptionsFromSettings(s);
  for (const auto& line : FOptions.ExtraOptions) record.ExtOptions += line + "\n";
  std::string output = UniqueOutputPath(s.Video_OutPutFileName, FOptions.Overwrite,
                                        [&](const std::string& c) { return taken.count(c) > 0; });
  taken.insert(output);
  if (!FEngine.SetOutputFile(task, output, &record)) {
    PrintLine(stderr, "无法转换：" + file + "：" + FEngine.LastErrMsg());
    FEngine.RemoveTask(task);
    taken.erase(output);
    return false;
  }
  FJobs.push_back({file, output});
  return true;
}

void TCliRun::OnProgress(TProgressInfo* info) {
  if (!FTty || info->TaskIndex < 0 || info->TaskIndex >= static_cast<int>(FJobs.size())) return;
  std::string percent = "--%";
  if (info->TotalDuration > 0) {
    int64_t p = info->CurrentDuration * 100 / info->TotalDuration;
    percent = std::to_string(p > 100 ? 100 : p) + "%";
  }
  std::lock_guard lock(gOutLock);
  fprintf(stderr, "\r\033[K[%d/%zu] %s  %s  %s  %s", info->TaskIndex + 1, FJobs.size(),
          std::filesystem::path(FJobs[info->TaskIndex].Input).filename().c_str(), percent.c_str(),
          TimeText(info->CurrentDuration).c_str(), SizeText(info->CurrentSize).c_str());
  fflush(stderr);
}

void TCliRun::OnTerminate(const TTerminateInfo& info) {
  if (info.TaskIndex < 0) {
    FDone = true;
    return;
  }
  const TJob& job = FJobs[info.TaskIndex];
  std::string line;
  {
    std::lock_guard lock(FLock);
    if (info.Finished && !info.Exception) {
      ++FConverted;
      line = "完成：" + job.Input + " → " + job.Output;
    } else {
      ++FFailed;
      line = "失败：" + job.Input + "：" +
             (info.Exception ? info.ExceptionMsg : std::string("已停止"));
    }
  }
  if (FTty) {
    std::lock_guard lock(gOutLock);
    fprintf(stderr, "\r\033[K");
  }
  PrintLine(stdout, line);
}

int TCliRun::Run() {
  std::string error;
  auto texts = cli::ResolveParameters(FOptions, &error);
  if (!error.empty()) {
    PrintLine(stderr, error);
    return 2;
  }
  std::vector<std::string> files = cli::ExpandInputs(FOptions.Inputs, &error);
  if (!error.empty()) {
    PrintLine(stderr, error);
    return 2;
  }
  std::string folder = FOptions.OutputFolder;
  if (folder.empty()) folder = ReadOutputFolder(platform::TIniFile(SettingsFilePath())).Folder;
  if (!ForceFolders(folder)) {
    PrintLine(stderr, "无法创建输出文件夹：" + folder);
    return 1;
  }
  if (!FEngine.LoadAVLib(ExecutableFolder() + "/LibAV")) {
    PrintLine(stderr, "无法加载 FFmpeg 库：" + FEngine.LastErrMsg());
    return 1;
  }
  AttachLog();
  std::set<std::string> taken;
  int notAdded = 0;
  for (const auto& f : files)
    if (!AddFile(f, texts, folder, taken)) ++notAdded;
  if (FJobs.empty()) {
    PrintLine(stderr, "没有可以转换的文件。");
    return 1;
  }
  FEngine.SetOnProgress([this](TCustomFFmpegVCL*, TProgressInfo* i) { OnProgress(i); });
  FEngine.SetOnTerminate([this](TCustomFFmpegVCL*, const TTerminateInfo& i) { OnTerminate(i); });
  std::signal(SIGINT, OnInterrupt);
  FEngine.Start(FOptions.Threads);
  while (!FDone) {
    platform::MainThreadCalls().ServePending();
    if (gInterrupted.exchange(false)) {
      PrintLine(stderr, "\n正在停止……");
      FEngine.Stop(true);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::signal(SIGINT, SIG_DFL);
  FEngine.SetOnProgress(nullptr);
  FEngine.SetOnTerminate(nullptr);
  int failed = FFailed + notAdded;
  PrintLine(stdout, "共 " + std::to_string(files.size()) + " 个文件：成功 " +
                        std::to_string(FConverted) + " 个，失败 " + std::to_string(failed) +
                        " 个。");
  FFLogger().SetOnLog(nullptr);
  return failed == 0 ? 0 : 1;
}

int PrintInfo(const std::string& file) {
  TAVProbe probe;
  if (!probe.LoadAVLib(ExecutableFolder() + "/LibAV")) {
    PrintLine(stderr, "无法加载 FFmpeg 库：" + probe.LastErrMsg());
    return 1;
  }
  if (!probe.LoadFile(file)) {
    PrintLine(stderr, "无法读取：" + file + "：" + probe.LastErrMsg());
    return 1;
  }
  PrintLine(stdout, probe.FileInfoText());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  cli::TCliParse parsed = cli::ParseCommandLine(argc, argv);
  if (!parsed.Options) {
    PrintLine(stderr, parsed.Error);
    return 2;
  }
  const cli::TCliOptions& o = *parsed.Options;
  if (o.ShowHelp) {
    fputs(cli::HelpText().c_str(), stdout);
    return 0;
  }
  if (o.ListFormats) {
    fputs(cli::FormatListText().c_str(), stdout);
    return 0;
  }
  if (!o.InfoFile.empty()) return PrintInfo(o.InfoFile);
  return TCliRun(o).Run();
}

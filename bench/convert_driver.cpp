// A headless conversion: one input, one output, the output's options as extra-option text.
//
//   convert_driver INPUT OUTPUT [OPTIONS] [-v]
//
// OPTIONS are lines of name=value separated by "<CRLF>" (for example "acodec=flac"). Errors go
// to stderr; with -v every engine log line does. The exit status is 0 when the task finished.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/FFmpeg.h"
#include "engine/FFmpegLoader.h"
#include "media/FFmpegLogger.h"

int main(int argc, char** argv) {
  bool verbose = false;
  std::string args[3];
  int n = 0;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "-v") == 0)
      verbose = true;
    else if (n < 3)
      args[n++] = argv[i];
  }
  if (n < 2) {
    fprintf(stderr, "usage: convert_driver INPUT OUTPUT [OPTIONS] [-v]\n");
    return 2;
  }
  if (!FFLoader().Load(kEngineLibraries)) {
    fprintf(stderr, "%s\n", FFLoader().LastErrMsg().c_str());
    return 2;
  }
  FFLogger().SetTriggerEventInMainThread(false);
  FFLogger().SetLogLevel(verbose ? llVerbose : llError);
  FFLogger().SetOnLog([verbose](const void*, uint32_t, TLogLevel level, const std::string& msg) {
    if (verbose || level <= llError)
      fprintf(stderr, "%d: %s\n", static_cast<int>(level), msg.c_str());
  });

  TCustomFFmpeg converter;
  if (!converter.AddInputFile(args[0], std::string())) {
    fprintf(stderr, "input: %s\n", converter.LastErrMsg().c_str());
    return 1;
  }
  if (!converter.SetOutputFile(args[1], args[2])) {
    fprintf(stderr, "output: %s\n", converter.LastErrMsg().c_str());
    return 1;
  }
  converter.StartConvert(false, platform::tpNormal);
  if (converter.FatalException()) {
    fprintf(stderr, "conversion: %s\n", converter.FatalMessage().c_str());
    return 1;
  }
  return converter.Finished() ? 0 : 1;
}

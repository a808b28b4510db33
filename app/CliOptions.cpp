#include "app/CliOptions.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <sstream>

namespace cli {

using namespace presets;

namespace {

enum TLongOnly {
  optResolution = 1000,
  optVideoBitrate,
  optAudioBitrate,
  optAspect,
  optFrameRate,
  optSampleRate,
  optOverwrite,
  optListFormats,
  optInfo,
};

// clang-format off
const option kLongOptions[] = {
  {"format",        required_argument, nullptr, 'f'},
  {"output",        required_argument, nullptr, 'o'},
  {"threads",       required_argument, nullptr, 'j'},
  {"option",        required_argument, nullptr, 'x'},
  {"resolution",    required_argument, nullptr, optResolution},
  {"video-bitrate", required_argument, nullptr, optVideoBitrate},
  {"audio-bitrate", required_argument, nullptr, optAudioBitrate},
  {"aspect",        required_argument, nullptr, optAspect},
  {"frame-rate",    required_argument, nullptr, optFrameRate},
  {"sample-rate",   required_argument, nullptr, optSampleRate},
  {"overwrite",     no_argument,       nullptr, optOverwrite},
  {"list-formats",  no_argument,       nullptr, optListFormats},
  {"info",          required_argument, nullptr, optInfo},
  {"help",          no_argument,       nullptr, 'h'},
  {nullptr,         0,                 nullptr, 0},
};

// The parameter options and the selector each one names, with its name in messages.
struct TParameterOption {
  int Option;
  TPresetSelector Selector;
  const char* Caption;
};
const TParameterOption kParameterOptions[] = {
  {optResolution,   psResolution,   "视频分辨率"},
  {optVideoBitrate, psVideoBitrate, "视频比特率"},
  {optFrameRate,    psFrameRate,    "视频帧率"},
  {optAudioBitrate, psAudioBitrate, "音频比特率"},
  {optSampleRate,   psSampleRate,   "音频采样率"},
  {optAspect,       psAspectMode,   "视频缩放"},
};
// clang-format on

std::optional<int> ToInt(const std::string& text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string JoinEntries(const TPresetList& list) {
  std::string s;
  for (const char* e : list.Entries) s += std::string(s.empty() ? "" : "、") + "“" + e + "”";
  return s;
}

}  // namespace

TCliParse ParseCommandLine(int argc, char** argv) {
  TCliParse result;
  TCliOptions o;
  optind = 0;  // also resets getopt between calls (tests parse several command lines)
  opterr = 0;
  int c;
  while ((c = getopt_long(argc, argv, ":f:o:j:x:h", kLongOptions, nullptr)) != -1) {
    std::string arg = optarg ? optarg : "";
    switch (c) {
      case 'f': {
        auto code = ToInt(arg);
        auto choice = code ? DecodeFormatCode(*code) : std::nullopt;
        if (!choice) {
          result.Error = "未知的格式代码“" + arg + "”。用 --list-formats 查看全部格式代码。";
          return result;
        }
        o.Format = *choice;
        break;
      }
      case 'o':
        o.OutputFolder = arg;
        break;
      case 'j': {
        auto n = ToInt(arg);
        if (!n || *n < 1 || *n > 19) {
          result.Error = "线程数“" + arg + "”无效：可选 1 到 19。";
          return result;
        }
        o.Threads = *n;
        break;
      }
      case 'x':
        if (arg.empty()) {
          result.Error = "选项 -x 需要 NAME=VALUE 的形式。";
          return result;
        }
        o.ExtraOptions.push_back(arg);
        break;
      case optOverwrite:
        o.Overwrite = true;
        break;
      case optListFormats:
        o.ListFormats = true;
        break;
      case optInfo:
        o.InfoFile = arg;
        break;
      case 'h':
        o.ShowHelp = true;
        break;
      case ':':
        result.Error = std::string("选项 ") + argv[optind - 1] + " 缺少参数。";
        return result;
      case '?':
        result.Error = std::string("未知选项 ") + argv[optind - 1] + "。用 --help 查看用法。";
        return result;
      default: {
        auto p = std::find_if(std::begin(kParameterOptions), std::end(kParameterOptions),
                              [c](const TParameterOption& po) { return po.Option == c; });
        if (p != std::end(kParameterOptions)) o.Parameters[p->Selector] = arg;
        break;
      }
    }
  }
  for (int i = optind; i < argc; ++i) o.Inputs.push_back(argv[i]);
  if (!o.ShowHelp && !o.ListFormats && o.InfoFile.empty() && o.Inputs.empty()) {
    result.Error = "请给出要转换的文件或文件夹。用 --help 查看用法。";
    return result;
  }
  result.Options = std::move(o);
  return result;
}

std::array<std::string, kPresetSelectorCount> ResolveParameters(const TCliOptions& options,
                                                                std::string* error) {
  auto texts = DefaultPresetTexts(options.Format);
  auto presets = FormatPresets(options.Format);
  for (const auto& po : kParameterOptions) {
    const std::string& given = options.Parameters[po.Selector];
    if (given.empty()) continue;
    const TPresetList& list = *(*presets)[po.Selector].List;
    if (std::find(list.Entries.begin(), list.Entries.end(), given) == list.Entries.end()) {
      *error = std::string(po.Caption) + "“" + given + "”不在格式 " +
               std::to_string(FormatCode(options.Format)) + " 的列表中，可选：" +
               JoinEntries(list) + "。";
      return {};
    }
    texts[po.Selector] = given;
  }
  return texts;
}

std::string HelpText() {
  return R"(用法：brenvoflac-cli [选项] 文件或文件夹...
把音频和视频文件批量转换到输出文件夹（默认转换为 FLAC 无损音频）。

  -f, --format CODE          输出格式代码（类别序号 × 100 + 位置 + 100），默认 110（FLAC）
  -o, --output DIR           输出文件夹，默认与窗口程序相同（option.ini 的 "OutPath"）
  -j, --threads N            同时转换的文件数，1-19，默认 1
      --resolution TEXT      视频分辨率列表中的一项，例如 "640*480"
      --video-bitrate TEXT   视频比特率，例如 "816 kbps"
      --audio-bitrate TEXT   音频比特率，例如 "256 kbps"
      --aspect TEXT          视频缩放，例如 "宽屏视频16:9模式"
      --frame-rate TEXT      视频帧率，例如 "25.00"
      --sample-rate TEXT     音频采样率，例如 "44100"
      --overwrite            直接覆盖已存在的输出文件（默认自动重命名）
  -x, --option NAME=VALUE    再加一行输出选项（可重复）
      --list-formats         列出全部格式：代码、名称、扩展名和参数列表（* 为默认项）
      --info FILE            显示文件的媒体信息
  -h, --help                 显示本帮助

文件夹只转换其中直接包含的文件（不含子文件夹）。
退出状态：0 全部转换成功，1 有文件转换失败，2 用法错误。
)";
}

std::string FormatListText() {
  std::ostringstream out;
  for (int c = 0; c < kCategoryCount; ++c) {
    const TOutputCategory* cat = CategoryAt(c);
    out << "【" << cat->Caption << "】\n";
    for (int p = 0; p < static_cast<int>(cat->Formats.size()); ++p) {
      TFormatChoice choice{c, p};
      const TOutputFormat& f = cat->Formats[p];
      out << FormatCode(choice) << "  " << f.Title << "  " << f.Ext << "\n";
      auto presets = FormatPresets(choice);
      for (int s = 0; s < kPresetSelectorCount; ++s) {
        const TSelectorPreset& sel = (*presets)[static_cast<TPresetSelector>(s)];
        if (!sel.Enabled) continue;
        out << "      " << SelectorLabel(static_cast<TPresetSelector>(s));
        for (int e = 0; e < static_cast<int>(sel.List->Entries.size()); ++e)
          out << (e ? "、" : "") << (e == sel.DefaultIndex ? "*" : "") << sel.List->Entries[e];
        out << "\n";
      }
    }
  }
  return out.str();
}

std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs, std::string* error) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  for (const auto& in : inputs) {
    std::error_code ec;
    if (fs::is_directory(in, ec)) {
      std::vector<std::string> inFolder;
      for (const auto& entry : fs::directory_iterator(in, ec))
        if (entry.is_regular_file(ec)) inFolder.push_back(entry.path().string());
      std::sort(inFolder.begin(), inFolder.end());
      files.insert(files.end(), inFolder.begin(), inFolder.end());
    } else if (fs::exists(in, ec)) {
      files.push_back(in);
    } else {
      *error = "文件不存在：" + in;
      return {};
    }
  }
  return files;
}

}  // namespace cli

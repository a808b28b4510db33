// The program's name, version and web page, as the windows show them.
#pragma once

namespace app {

inline constexpr const char* kAppTitle = "BrenvoFLAC格式转换器";
inline constexpr const char* kAppVersion = "Ver:1.0.0.0";
inline constexpr const char* kProductWebPage = "https://brenvoflac.example.org/";
// Opened by "帮助系统"; installed next to the executable.
inline constexpr const char* kHelpFileName = "help.html";
// The libraries' folder next to the executable, loaded at the first add.
inline constexpr const char* kLibraryFolderName = "LibAV";

}  // namespace app

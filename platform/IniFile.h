// Settings-file access in the manner of the desktop's private-profile services: every read and
// write opens the file, touches one key and closes it again, so nothing is cached and the file
// is always current. Section and key names match without regard to (ASCII) case, values are
// UTF-8, other sections, keys and lines are kept as they are. A write goes to a temporary file
// that then replaces the old one. A file that cannot be read (missing, a directory, too large)
// reads as defaults.
#pragma once

#include <string>

namespace platform {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
  const std::string& FileName() const { return FFileName; }

  // The value of the key, spaces around it removed; `def` when the file, section or key is
  // missing. An empty value is returned as empty.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // False when the file could not be written (or exists but could not be read, which would lose
  // its content).
  bool WriteString(const std::string& section, const std::string& key,
                   const std::string& value) const;

  // Larger files are not read: they are not settings files.
  static constexpr size_t kMaxFileSize = 4 * 1024 * 1024;

 private:
  std::string FFileName;
};

}  // namespace platform

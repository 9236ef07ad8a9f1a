// A fresh folder below the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace kvtest {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// The folder followed by a separator and `name` (UTF-8), as wide text.
  std::wstring Wide(const std::string& name = "") const;
  /// Writes `bytes` to the file `name` (UTF-8) below the folder (parents made); its path.
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

/// A folder with a fixed name below the temporary folder, emptied first. For death tests of the
/// "threadsafe" style, whose child process runs the test again and must find the same folder.
std::filesystem::path FreshNamedFolder(const std::string& name);

/// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

/// Text encoded as UTF-16LE with a byte-order mark, the encoding of the shipped ini files.
std::string Utf16LeWithBom(const std::wstring& text);

}  // namespace kvtest

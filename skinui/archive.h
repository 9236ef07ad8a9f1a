// Where a skin's files come from: a ZIP archive held in memory (the program's resource) or a
// folder on disk (while designing a skin).
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace SkinUI {

class ISkinSource {
 public:
  virtual ~ISkinSource() = default;
  /// The bytes of the file `name` ("img/logo.png"; "\" is taken as "/"), or nothing when the
  /// skin has no such file.
  virtual std::optional<std::string> ReadFile(const std::wstring& name) const = 0;
  /// Says where the skin lies, for messages.
  virtual std::string Describe() const = 0;
};

/// Opens a ZIP archive that stays in memory at `data` for the life of the source (a program
/// resource does). Null with a message when the bytes are not an archive.
std::unique_ptr<ISkinSource> OpenSkinArchive(const void* data, std::size_t size,
                                             std::string& error);

/// Reads a ZIP archive file into memory and opens it.
std::unique_ptr<ISkinSource> OpenSkinArchiveFile(const std::wstring& path, std::string& error);

/// A folder holding the skin's files. Names that would leave the folder (absolute, "..") are
/// refused.
std::unique_ptr<ISkinSource> OpenSkinFolder(const std::wstring& folder, std::string& error);

}  // namespace SkinUI

#pragma once
#include <string>
#include <string_view>

#include "platform/profile_store.h"
#include "platform/settings_places.h"

namespace quillenta {

// The settings file on Windows. A commit writes a temporary file in the same folder, flushes
// it and puts it in place of the old one in one step (ReplaceFileW, or MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). A file read as code page 932 (as the
// Windows program writes it) is written back in code page 932 while every character fits, so
// the old program can still read it; otherwise, and for a new file, UTF-8. A text whose code
// page 932 bytes would read back as other text (bytes that happen to form valid UTF-8) is
// written as UTF-8. A file that is read-only, immutable or held open by another program is
// refused before anything is written.
class Win32ProfileStore : public ProfileStore {
 public:
  // A UTF-8 path.
  explicit Win32ProfileStore(std::string path);

  const std::string& Path() const override { return path_; }
  LoadResult Load(std::string& text) override;
  void Commit(const std::string& text) override;
  bool LoadedCodePage932() const override { return code_page_932_; }
  // As the profile API writes them.
  const char* NewLine() const override { return "\r\n"; }

  // Whether the file was last read or written as code page 932: the next commit then writes
  // code page 932 if its text fits.
  bool WritesCodePage932() const { return code_page_932_; }

 private:
  std::string path_;
  bool code_page_932_ = false;
};

// Beside the executable (its path with the extension replaced by ".INI"), or
// %APPDATA%\Quillenta\quillenta.INI. UTF-8 paths.
SettingsPlaces Win32SettingsPlaces(const std::string& executable_path, const std::string& appdata);
SettingsPlaces Win32SettingsPlaces();

}  // namespace quillenta

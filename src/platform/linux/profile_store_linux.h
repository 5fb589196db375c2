#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "platform/profile_store.h"
#include "platform/settings_places.h"

namespace quillenta {

// The settings file on a local file system. A file read as code page 932 is written back so
// while its text fits, else as UTF-8; new files are UTF-8 (EncodeProfileText has the rule for
// a file with bytes that decode as neither). Only a regular file is read. A commit writes a
// temporary file beside the target, flushes it and renames it over the target, keeping the
// target's mode and owner; when the path is a symbolic link the link stays and its target is
// replaced.
class LinuxProfileStore : public ProfileStore {
 public:
  explicit LinuxProfileStore(std::string path);

  const std::string& Path() const override { return path_; }
  LoadResult Load(std::string& text) override;
  void Commit(const std::string& text) override;
  bool LoadedCodePage932() const override { return code_page_932_; }

  // Called after each step of a commit with the step's number (1, 2, ...), so that a test
  // can end the process between any two steps.
  std::function<void(int step)> on_commit_step;

 private:
  void Step(int& step);

  std::string path_;
  bool code_page_932_ = false;
};

// The executable's path with its extension replaced by ".INI" (or ".INI" appended).
std::string IniPathFor(std::string_view executable_path);

// Beside the executable, or $XDG_CONFIG_HOME/quillenta/quillenta.INI (~/.config when unset);
// the program's own folder takes no file when it is one of the system's program folders.
SettingsPlaces LinuxSettingsPlaces(const std::string& executable_path);
// The same with the environment given, for tests. Empty values count as unset.
SettingsPlaces LinuxSettingsPlaces(const std::string& executable_path,
                                   const std::string& xdg_config_home, const std::string& home);

}  // namespace quillenta

#pragma once
#include <windows.h>

#include <functional>

#include "watch/file_chooser.h"

namespace quillenta {

// The file-open dialog of the "参照" buttons, owned by the settings window.
class Win32FileChooser : public FileChooser {
 public:
  explicit Win32FileChooser(std::function<HWND()> owner) : owner_(std::move(owner)) {}
  std::optional<std::string> ChooseFile() override;

 private:
  std::function<HWND()> owner_;
};

}  // namespace quillenta

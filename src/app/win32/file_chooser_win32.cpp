#include "app/win32/file_chooser_win32.h"

#include <commdlg.h>

#include <string>

#include "lang/translate.h"
#include "platform/win32/wide.h"

namespace quillenta {

std::optional<std::string> Win32FileChooser::ChooseFile() {
  // Room for a long path, not MAX_PATH: a longer choice would fail as if cancelled.
  std::wstring path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_ ? owner_() : nullptr;
  // The filter's pattern after its name, the list ending in a second NUL.
  std::wstring filter = Utf8ToWide(Tr("file chooser", "All files (*.*)"));
  filter += L'\0';
  filter += L"*.*";
  filter += L'\0';
  // The system's own title in its own language would not follow the interface's.
  const std::wstring title = Utf8ToWide(Tr("file chooser", "開く"));
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  // The working folder stays where it was: the settings file's place does not follow it, but
  // a relative program path of the user's would.
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                 OFN_NOCHANGEDIR | OFN_LONGNAMES;
  if (!::GetOpenFileNameW(&dialog)) return std::nullopt;
  path.resize(path.find(L'\0'));
  return WideToUtf8(path);
}

}  // namespace quillenta

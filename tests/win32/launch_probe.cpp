// Started by the launcher tests: marks that it runs, then stays until the test releases it, so
// that a launcher which waited for its program would hang the test instead of passing it.
#include <windows.h>

#include <string>

namespace {

void Touch(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

}  // namespace

int main() {
  std::wstring self(32768, L'\0');
  self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  Touch(self + L".started");
  const std::wstring release = self + L".release";
  for (int i = 0; i < 600 && ::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES;
       ++i) {
    ::Sleep(50);
  }
  Touch(self + L".done");
  return 0;
}

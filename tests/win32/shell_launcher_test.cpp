#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "platform/win32/shell_launcher.h"
#include "platform/win32/wide.h"
#include "win32_test_files.h"

namespace quillenta {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

bool Exists(const std::string& path) {
  return ::GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitFor(const std::string& path, std::chrono::seconds limit = 30s) {
  const auto deadline = Clock::now() + limit;
  while (!Exists(path)) {
    if (Clock::now() > deadline) return false;
    ::Sleep(50);
  }
  return true;
}

std::string ProbeProgram() {
  std::wstring self(32768, L'\0');
  self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  self.resize(self.find_last_of(L"\\/") + 1);
  return WideToUtf8(self + L"quillenta_launch_probe.exe");
}

// The probe program stays running until released: Open must come back while it runs.
TEST(ShellLauncher, StartsAProgramWithoutWaitingForIt) {
  const char* names[] = {"probe.exe", "起動 テスト.exe"};
  for (const char* name : names) {
    test::TempFolder dir;
    const std::string program = dir / name;
    const std::wstring from = Utf8ToWide(ProbeProgram());
    const std::wstring to = Utf8ToWide(program);
    const bool copied = ::CopyFileW(from.c_str(), to.c_str(), TRUE);
    const DWORD error = ::GetLastError();
    ASSERT_TRUE(copied) << ProbeProgram() << " -> " << program << ": error " << error << " from " << Exists(ProbeProgram()) << " dir " << Exists(dir.path());
    ShellLauncher launcher;
    const auto start = Clock::now();
    launcher.Open(program);
    EXPECT_LT(Clock::now() - start, 10s) << name;
    EXPECT_FALSE(Exists(program + ".done")) << name;
    ASSERT_TRUE(WaitFor(program + ".started")) << name;
    test::WriteBytes(program + ".release", "");
    ASSERT_TRUE(WaitFor(program + ".done")) << name;
    // The program may still be closing its image: give it time before the folder goes.
    ::Sleep(300);
  }
}

TEST(ShellLauncher, OpensADocumentWithItsProgram) {
  test::TempFolder dir;
  const std::string marker = dir / "bat.marker";
  const std::string script = dir / "run me.bat";
  test::WriteBytes(script, "@echo off\r\necho ran> \"" + marker + "\"\r\n");
  ShellLauncher().Open(script);
  const auto deadline = Clock::now() + 30s;
  while (test::ReadBytes(marker).substr(0, 3) != "ran" && Clock::now() < deadline) ::Sleep(50);
  EXPECT_EQ(test::ReadBytes(marker).substr(0, 3), "ran");
  ::Sleep(300);
}

// Nothing to start comes back at once, with no error box waiting for a click.
TEST(ShellLauncher, NothingToStartReturnsAtOnce) {
  test::TempFolder dir;
  const std::string paths[] = {"", dir / "missing.exe", dir / "missing folder\\x.txt"};
  for (const std::string& path : paths) {
    const auto start = Clock::now();
    ShellLauncher().Open(path);
    EXPECT_LT(Clock::now() - start, 10s) << path;
  }
  EXPECT_TRUE(test::Entries(dir.path()).empty());
}

}  // namespace
}  // namespace quillenta

// Win32InstanceGuard within one process and across processes. The other processes are this
// test program itself, started to run only InstanceGuardChild.TakesTheMutex.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/instance_guard_win32.h"
#include "windows_test_process.h"

namespace quillenta {
namespace {

using test::Child;

constexpr long kAcquired = 10;
constexpr long kRefused = 20;
constexpr wchar_t kNameVariable[] = L"QUILLENTA_GUARD_CHILD";
constexpr wchar_t kHoldVariable[] = L"QUILLENTA_GUARD_HOLD_MS";

std::wstring UniqueName() {
  static int count = 0;
  return L"QuillentaGuardTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++count);
}

std::wstring Variable(const wchar_t* name) {
  wchar_t value[256];
  DWORD length = GetEnvironmentVariableW(name, value, 256);
  return length > 0 && length < 256 ? std::wstring(value, length) : std::wstring();
}

std::wstring ReleaseEventName(const std::wstring& guard_name) { return guard_name + L"-release"; }

// Run as a child: tries the guard named by the environment, holds it for the time asked (or
// until the parent sets the guard's release event, when it has made one), and tells by its
// exit code whether it got it.
TEST(InstanceGuardChild, TakesTheMutex) {
  std::wstring name = Variable(kNameVariable);
  if (name.empty()) GTEST_SKIP() << "runs only as the child of another test";
  Win32InstanceGuard guard(name);
  bool acquired = guard.Acquire();
  if (acquired) {
    DWORD hold = static_cast<DWORD>(std::wcstoul(Variable(kHoldVariable).c_str(), nullptr, 10));
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, ReleaseEventName(name).c_str());
    if (release != nullptr) {
      WaitForSingleObject(release, hold);
      CloseHandle(release);
    } else {
      Sleep(hold);
    }
  }
  std::fflush(stdout);
  ExitProcess(acquired ? kAcquired : kRefused);
}

std::unique_ptr<Child> StartChild(const std::wstring& name, int hold_ms) {
  SetEnvironmentVariableW(kNameVariable, name.c_str());
  SetEnvironmentVariableW(kHoldVariable, std::to_wstring(hold_ms).c_str());
  auto child = std::make_unique<Child>(test::OwnExecutable(),
                                       std::vector<std::wstring>{
                                           L"--gtest_filter=InstanceGuardChild.TakesTheMutex"});
  SetEnvironmentVariableW(kNameVariable, nullptr);
  SetEnvironmentVariableW(kHoldVariable, nullptr);
  return child;
}

bool HeldByAnother(const std::wstring& name) { return !Win32InstanceGuard(name).Acquire(); }

TEST(Win32InstanceGuard, OneHolderPerNameInOneProcess) {
  std::wstring name = UniqueName();
  auto first = std::make_unique<Win32InstanceGuard>(name);
  EXPECT_TRUE(first->Acquire());
  EXPECT_TRUE(first->Acquire()) << "the holder asking again keeps what it holds";
  EXPECT_FALSE(Win32InstanceGuard(name).Acquire());
  EXPECT_TRUE(Win32InstanceGuard(UniqueName()).Acquire()) << "another name is another guard";
  first.reset();
  EXPECT_TRUE(Win32InstanceGuard(name).Acquire());
}

TEST(Win32InstanceGuard, SecondProcessIsRefusedWhileTheFirstHoldsIt) {
  std::wstring name = UniqueName();
  {
    Win32InstanceGuard held(name);
    ASSERT_TRUE(held.Acquire());
    auto second = StartChild(name, 0);
    ASSERT_TRUE(second->started());
    EXPECT_EQ(second->ExitCode(30000), kRefused);
  }
  auto after_release = StartChild(name, 0);
  EXPECT_EQ(after_release->ExitCode(30000), kAcquired);
}

TEST(Win32InstanceGuard, KilledHolderLetsTheNextInstanceRun) {
  std::wstring name = UniqueName();
  auto holder = StartChild(name, 60000);
  ASSERT_TRUE(holder->started());
  ASSERT_TRUE(test::PumpUntil([&] { return HeldByAnother(name); }, 30000));
  holder->Kill();
  EXPECT_TRUE(Win32InstanceGuard(name).Acquire());
}

TEST(Win32InstanceGuard, OfInstancesStartedTogetherExactlyOneRuns) {
  std::wstring name = UniqueName();
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, ReleaseEventName(name).c_str());
  ASSERT_NE(release, nullptr);
  std::vector<std::unique_ptr<Child>> children;
  std::vector<HANDLE> running;
  for (int i = 0; i < 6; ++i) {
    children.push_back(StartChild(name, 60000));
    ASSERT_TRUE(children.back()->started());
    running.push_back(children.back()->handle());
  }
  // The holder lets go only once the five others have ended, so each of them tried while it
  // held; a second holder would keep this waiting to the deadline and then fail below.
  for (int ended = 0; ended < 5; ++ended) {
    DWORD which = WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(),
                                         FALSE, 60000);
    if (which >= WAIT_OBJECT_0 + running.size()) break;
    running.erase(running.begin() + (which - WAIT_OBJECT_0));
  }
  SetEvent(release);
  int acquired = 0;
  int refused = 0;
  for (auto& child : children) {
    long code = child->ExitCode(60000);
    if (code == kAcquired) ++acquired;
    if (code == kRefused) ++refused;
  }
  CloseHandle(release);
  EXPECT_EQ(acquired, 1);
  EXPECT_EQ(refused, 5);
}

TEST(Win32InstanceGuard, DefaultNameMeetsTheMutexOfTheWindowsProgram) {
  HANDLE running = CreateMutexW(nullptr, FALSE, L"QuillentaByVouk");
  ASSERT_NE(running, nullptr);
  bool ours = GetLastError() != ERROR_ALREADY_EXISTS;
  EXPECT_FALSE(Win32InstanceGuard().Acquire());
  CloseHandle(running);
  if (ours) {
    EXPECT_TRUE(Win32InstanceGuard().Acquire());
  }
}

}  // namespace
}  // namespace quillenta

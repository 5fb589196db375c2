#include "platform/win32/probes_win32.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/error.h"

namespace quillenta {

namespace {

std::int64_t Bytes(DWORDLONG value) {
  return static_cast<std::int64_t>(
      std::min<DWORDLONG>(value, std::numeric_limits<std::int64_t>::max()));
}

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

constexpr std::uint8_t kNoSystemBattery = 128;
constexpr std::uint32_t kDefaultObjectQuota = 10000;

using GetGuiResourcesFn = DWORD(WINAPI*)(HANDLE, DWORD);
using OpenProcessFn = HANDLE(WINAPI*)(DWORD, BOOL, DWORD);

std::uint32_t ObjectQuota(const wchar_t* value_name) {
  DWORD quota = 0;
  DWORD size = sizeof quota;
  LSTATUS status =
      ::RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                     value_name, RRF_RT_REG_DWORD, nullptr, &quota, &size);
  return status == ERROR_SUCCESS && quota != 0 ? quota : kDefaultObjectQuota;
}

}  // namespace

MemoryStatus Win32MemoryProbe::ReadMemoryStatus() {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (!::GlobalMemoryStatusEx(&memory)) return {};
  return MemoryStatus{Bytes(memory.ullTotalPhys),     Bytes(memory.ullAvailPhys),
                      Bytes(memory.ullTotalVirtual),  Bytes(memory.ullAvailVirtual),
                      Bytes(memory.ullTotalPageFile), Bytes(memory.ullAvailPageFile)};
}

int BatteryPercentOf(bool read, std::uint8_t battery_flag, std::uint8_t life_percent) {
  // 255 (BATTERY_FLAG_UNKNOWN) as a flag says nothing either way; only the no-battery bit of a
  // known flag does.
  if (!read) return 255;
  if (battery_flag != 255 && (battery_flag & kNoSystemBattery) != 0) return 255;
  return life_percent <= 100 ? life_percent : 255;
}

int Win32BatteryProbe::BatteryLifePercent() {
  constexpr std::uint64_t kPeriodMs = 1000;
  const std::uint64_t now = ::GetTickCount64();
  if (read_ && now - read_at_ms_ < kPeriodMs) return percent_;
  SYSTEM_POWER_STATUS power{};
  bool read = ::GetSystemPowerStatus(&power) != FALSE;
  percent_ = BatteryPercentOf(read, power.BatteryFlag, power.BatteryLifePercent);
  read_at_ms_ = now;
  read_ = true;
  return percent_;
}

std::optional<std::int32_t> CpuBusyPercent(const CpuTimes& before, const CpuTimes& after) {
  const std::uint64_t total_before = before.kernel + before.user;
  const std::uint64_t total_after = after.kernel + after.user;
  if (total_after <= total_before) return std::nullopt;
  const std::uint64_t elapsed = total_after - total_before;
  // Idle time is part of kernel time, so it cannot exceed the period; a reading that says
  // otherwise counts as all idle.
  const std::uint64_t idled =
      after.idle > before.idle ? std::min(after.idle - before.idle, elapsed) : 0;
  const unsigned __int128 busy = elapsed - idled;
  return static_cast<std::int32_t>((busy * 200 + elapsed) / (2 * static_cast<unsigned __int128>(elapsed)));
}

std::optional<std::int32_t> Win32CpuUsage::SampleCpuUsage() {
  FILETIME idle{}, kernel{}, user{};
  if (!::GetSystemTimes(&idle, &kernel, &user)) return std::nullopt;
  const CpuTimes now{Ticks(idle), Ticks(kernel), Ticks(user)};
  if (have_previous_) {
    if (std::optional<std::int32_t> busy = CpuBusyPercent(previous_, now)) usage_ = *busy;
  }
  have_previous_ = true;
  previous_ = now;
  return usage_;
}

std::uint16_t FreeQuotaPercent(std::uint32_t used, std::uint32_t quota) {
  if (quota == 0 || used >= quota) return 0;
  const std::uint64_t used_share = static_cast<std::uint64_t>(used) * 100 / quota;
  return static_cast<std::uint16_t>(100 - used_share);
}

Win32FreeResources::Win32FreeResources() : Win32FreeResources(GuiResourceFunctions{}) {}

Win32FreeResources::Win32FreeResources(const GuiResourceFunctions& functions,
                                       ForegroundSource foreground)
    : foreground_source_(std::move(foreground)) {
  // The messages and their order are those of the 16-bit thunk this stands in for, which
  // users and their notes know: the module, its function, the 32-bit kernel, its export.
  HMODULE user32 = ::LoadLibraryW(functions.user_module.c_str());
  user32_ = user32;
  if (user32 != nullptr) {
    get_gui_resources_ =
        reinterpret_cast<void*>(::GetProcAddress(user32, functions.gui_resources.c_str()));
  }
  HMODULE kernel32 = ::LoadLibraryW(functions.kernel_module.c_str());
  kernel32_ = kernel32;
  if (kernel32 != nullptr) {
    open_process_ =
        reinterpret_cast<void*>(::GetProcAddress(kernel32, functions.open_process.c_str()));
  }
  if (user32_ == nullptr) {
    error_ = Tr("error", "Faild to call User.exe");
  } else if (get_gui_resources_ == nullptr) {
    error_ = Tr("error", "Faild to call function");
  } else if (kernel32_ == nullptr) {
    error_ = Tr("error", "Faild to call Kernel32.dll");
  } else if (open_process_ == nullptr) {
    error_ = Tr("error", "Faild to call QT_Thunk");
  }
  gdi_quota_ = ObjectQuota(L"GDIProcessHandleQuota");
  user_quota_ = ObjectQuota(L"USERProcessHandleQuota");
}

Win32FreeResources::~Win32FreeResources() {
  if (process_ != nullptr) ::CloseHandle(process_);
  if (kernel32_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(kernel32_));
  if (user32_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(user32_));
}

void Win32FreeResources::ReadForeground() {
  HWND foreground = foreground_source_ ? static_cast<HWND>(foreground_source_())
                                       : ::GetForegroundWindow();
  if (foreground != foreground_ || foreground == nullptr) {
    if (process_ != nullptr) ::CloseHandle(process_);
    process_ = nullptr;
    foreground_ = nullptr;
    DWORD process_id = 0;
    if (foreground != nullptr) ::GetWindowThreadProcessId(foreground, &process_id);
    if (process_id != 0 && process_id != ::GetCurrentProcessId()) {
      auto open = reinterpret_cast<OpenProcessFn>(open_process_);
      process_ = open(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
      // A process that cannot be opened keeps the last figures; it is tried again next time.
      if (process_ == nullptr) return;
    }
    foreground_ = foreground;
  }
  HANDLE process = process_ != nullptr ? static_cast<HANDLE>(process_) : ::GetCurrentProcess();
  auto count = reinterpret_cast<GetGuiResourcesFn>(get_gui_resources_);
  gdi_used_ = count(process, GR_GDIOBJECTS);
  user_used_ = count(process, GR_USEROBJECTS);
}

std::uint16_t Win32FreeResources::GetFreeResources(int kind) {
  if (!error_.empty()) throw Error(error_);
  if (kind != 1 && kind != 2) kind = 0;
  if (kind <= last_kind_) ReadForeground();
  last_kind_ = kind;
  const std::uint16_t gdi = FreeQuotaPercent(gdi_used_, gdi_quota_);
  const std::uint16_t user = FreeQuotaPercent(user_used_, user_quota_);
  switch (kind) {
    case 1:
      return gdi;
    case 2:
      return user;
    default:
      return std::min(gdi, user);
  }
}

}  // namespace quillenta

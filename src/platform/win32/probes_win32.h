#pragma once
// System figures from kernel32 and user32.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/system_probes.h"

namespace quillenta {

// GlobalMemoryStatusEx: physical memory, the page file, the process's virtual address space.
class Win32MemoryProbe : public MemoryProbe {
 public:
  MemoryStatus ReadMemoryStatus() override;
};

// GetSystemPowerStatus; 255 when there is no battery or its charge is unknown.
// The charge is read at most once a second: it moves far slower, and asking costs a pass
// over the system's power supplies.
class Win32BatteryProbe : public BatteryProbe {
 public:
  int BatteryLifePercent() override;

 private:
  std::uint64_t read_at_ms_ = 0;
  int percent_ = 255;
  bool read_ = false;
};

// The charge a power status reports: 255 when it could not be read, when the system has no
// battery (flag 128) or when the charge is unknown (anything above 100).
int BatteryPercentOf(bool read, std::uint8_t battery_flag, std::uint8_t life_percent);

// The three figures of GetSystemTimes, in its 100 ns units. Kernel time includes idle time.
struct CpuTimes {
  std::uint64_t idle = 0;
  std::uint64_t kernel = 0;
  std::uint64_t user = 0;
};

// The busy share of the time between two readings, rounded to the nearest percent (halves
// up), 0..100; nullopt when no time passed between them or the figures ran backwards.
std::optional<std::int32_t> CpuBusyPercent(const CpuTimes& before, const CpuTimes& after);

// The busy share of all processors between two samples, from GetSystemTimes (kernel time
// includes idle time there). 0 on the first sample; with no time passed since the previous
// sample the previous figure stands.
class Win32CpuUsage : public CpuUsageSource {
 public:
  std::optional<std::int32_t> SampleCpuUsage() override;

 private:
  bool have_previous_ = false;
  CpuTimes previous_;
  std::int32_t usage_ = 0;
};

// The free share, 0..100, of a per-process object quota of which `used` objects are taken:
// 100 - used * 100 / quota, rounded down in the used share. A quota of 0 leaves nothing free.
std::uint16_t FreeQuotaPercent(std::uint32_t used, std::uint32_t quota);

// The modules and functions Win32FreeResources binds. Tests name missing ones.
struct GuiResourceFunctions {
  std::wstring user_module = L"user32.dll";
  std::string gui_resources = "GetGuiResources";
  std::wstring kernel_module = L"kernel32.dll";
  std::string open_process = "OpenProcess";
};

// The free share of the GUI object quota of the foreground program (GetGuiResources against
// the per-process quota, 10,000 unless the registry sets another): kind 1 GDI objects, 2 USER
// objects, 0 System the lower of the two. The functions are bound once at construction; one
// that cannot be loaded or found fails every call with its "Faild to call ..." message.
//
// Both object counts are taken together, once per refresh: a call reads them anew when its
// kind is not above the kind of the call before (a refresh asks 0, 1, 2 in turn), so each
// refresh opens the foreground process once. With nothing in the foreground the program's
// own process is counted. A process that cannot be opened keeps the last figures.
//
// `foreground` names the window in front; by default the system is asked. The program hands
// in what its title engine asked a moment before: under Wine every question of the kind is a
// round trip to the server, and the answer can only be as old as one refresh.
class Win32FreeResources : public FreeResourcesSource {
 public:
  using ForegroundSource = std::function<void*()>;  // an HWND, or null

  Win32FreeResources();
  explicit Win32FreeResources(const GuiResourceFunctions& functions,
                              ForegroundSource foreground = nullptr);
  ~Win32FreeResources() override;
  Win32FreeResources(const Win32FreeResources&) = delete;
  Win32FreeResources& operator=(const Win32FreeResources&) = delete;

  std::uint16_t GetFreeResources(int kind) override;

 private:
  void ReadForeground();

  ForegroundSource foreground_source_;
  void* user32_ = nullptr;  // HMODULE
  void* get_gui_resources_ = nullptr;
  void* kernel32_ = nullptr;  // HMODULE
  void* open_process_ = nullptr;
  std::string error_;  // the message of the first binding that failed
  std::uint32_t gdi_quota_ = 10000;
  std::uint32_t user_quota_ = 10000;
  std::uint32_t gdi_used_ = 0;
  std::uint32_t user_used_ = 0;
  // The foreground window's process stays open while that window is in front: a window
  // belongs to one process for its life, and opening the process at every refresh costs more
  // than the count itself.
  void* foreground_ = nullptr;  // HWND
  void* process_ = nullptr;     // HANDLE, or null for this process
  int last_kind_ = 3;  // above every kind: the first call reads
};

}  // namespace quillenta

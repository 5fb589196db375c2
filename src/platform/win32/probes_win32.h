#pragma once
// System figures from kernel32 and user32.
#include <cstdint>
#include <optional>

#include "platform/system_probes.h"

namespace quillenta {

// GlobalMemoryStatusEx: physical memory, the page file, the process's virtual address space.
class Win32MemoryProbe : public MemoryProbe {
 public:
  MemoryStatus ReadMemoryStatus() override;
};

// GetSystemPowerStatus; 255 when there is no battery or its charge is unknown.
class Win32BatteryProbe : public BatteryProbe {
 public:
  int BatteryLifePercent() override;
};

// The busy share of all processors between two samples, from GetSystemTimes (kernel time
// includes idle time there).
class Win32CpuUsage : public CpuUsageSource {
 public:
  std::optional<std::int32_t> SampleCpuUsage() override;

 private:
  bool have_previous_ = false;
  std::uint64_t previous_idle_ = 0;
  std::uint64_t previous_total_ = 0;
};

// The free share of the GUI object quota of the foreground program (GetGuiResources against
// the per-process quota, 10,000 unless the registry sets another): kind 1 GDI objects, 2 USER
// objects, 0 System the lower of the two. The functions are bound once at construction; one
// that cannot be loaded or found fails every call with its "Faild to call ..." message.
class Win32FreeResources : public FreeResourcesSource {
 public:
  Win32FreeResources();
  std::uint16_t GetFreeResources(int kind) override;

 private:
  struct Binding;
  void* user32_ = nullptr;      // HMODULE
  void* get_gui_resources_ = nullptr;
  void* kernel32_ = nullptr;    // HMODULE
  void* open_process_ = nullptr;
  std::uint32_t gdi_quota_ = 10000;
  std::uint32_t user_quota_ = 10000;
};

}  // namespace quillenta

#include "platform/linux/battery_probe_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/linux/proc_files.h"

namespace quillenta {

using namespace proc;

SysBatteryProbe::SysBatteryProbe(std::string root)
    : supplies_(Join(root, "sys/class/power_supply")) {}

struct SysBatteryProbe::Battery {
  std::optional<std::int64_t> capacity;
  std::optional<std::int64_t> energy_now, energy_full, charge_now, charge_full;
};

int SysBatteryProbe::BatteryLifePercent() {
  std::vector<Battery> batteries;
  bool listed = supplies_.Scan([&](KeptDirectory<kFileCount>::Entry& supply) {
    char buffer[64];
    auto text = [&](File file, const char* leaf) -> std::optional<std::string_view> {
      ssize_t n = supply.Read(file, leaf, buffer, sizeof buffer);
      if (n < 0) return std::nullopt;
      return Trim(std::string_view(buffer, static_cast<std::size_t>(n)));
    };
    auto number = [&](File file, const char* leaf) -> std::optional<std::int64_t> {
      std::optional<std::string_view> word = text(file, leaf);
      if (!word) return std::nullopt;
      return ParseNumber<std::int64_t>(*word);
    };
    // Whether a supply is a battery of the system (not a mouse's) is fixed for the life of
    // its node: asked once per node on sysfs, at every call elsewhere.
    if (supply.Fact() < 0) {
      std::optional<std::string_view> type = text(kType, "type");
      if (!type) return true;
      bool system_battery = *type == "Battery" && text(kScope, "scope") != "Device";
      supply.RememberFact(system_battery ? 1 : 0);
      if (!system_battery) return true;
    } else if (supply.Fact() == 0) {
      return true;
    }
    if (number(kPresent, "present") == 0) return true;
    Battery battery;
    battery.capacity = number(kCapacity, "capacity");
    battery.energy_now = number(kEnergyNow, "energy_now");
    battery.energy_full = number(kEnergyFull, "energy_full");
    // A battery reports what it holds in energy or in charge, seldom both.
    if (!battery.energy_now || !battery.energy_full) {
      battery.charge_now = number(kChargeNow, "charge_now");
      battery.charge_full = number(kChargeFull, "charge_full");
    }
    batteries.push_back(battery);
    return true;
  });
  if (!listed) return 255;

  auto has_energy = [](const Battery& b) {
    return b.energy_now && b.energy_full && *b.energy_now >= 0 && *b.energy_full > 0;
  };
  auto has_charge = [](const Battery& b) {
    return b.charge_now && b.charge_full && *b.charge_now >= 0 && *b.charge_full > 0;
  };
  auto own_percent = [&](const Battery& b) -> std::optional<int> {
    if (b.capacity && *b.capacity >= 0)
      return static_cast<int>(std::min<std::int64_t>(*b.capacity, 100));
    if (has_energy(b)) return Percent(*b.energy_now, *b.energy_full);
    if (has_charge(b)) return Percent(*b.charge_now, *b.charge_full);
    return std::nullopt;
  };

  if (batteries.size() > 1) {
    // A half-full large battery and an empty small one are more than a quarter full: weigh
    // each by what it holds. Energy and charge are different units and never mixed.
    unsigned __int128 now = 0, full = 0;
    if (std::all_of(batteries.begin(), batteries.end(), has_energy)) {
      for (const Battery& b : batteries) now += *b.energy_now, full += *b.energy_full;
      return Percent(now, full);
    }
    if (std::all_of(batteries.begin(), batteries.end(), has_charge)) {
      for (const Battery& b : batteries) now += *b.charge_now, full += *b.charge_full;
      return Percent(now, full);
    }
  }
  int sum = 0, known = 0;
  for (const Battery& b : batteries) {
    if (std::optional<int> percent = own_percent(b)) sum += *percent, ++known;
  }
  if (known == 0) return 255;
  return (2 * sum + known) / (2 * known);
}

}  // namespace quillenta

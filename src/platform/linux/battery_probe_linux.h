#pragma once
// The battery charge from /sys. Reads under a root directory ("/" in the program) so that tests can
// point it at a prepared tree.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/kept_file.h"
#include "platform/system_probes.h"

namespace quillenta {

// The charge of the system's batteries: every sys/class/power_supply entry of type Battery
// that powers the system (scope "Device" marks a mouse's or a keyboard's battery) and is
// present. Several batteries are combined by the energy (or charge) they hold.
class SysBatteryProbe : public BatteryProbe {
 public:
  explicit SysBatteryProbe(std::string root = "/");
  int BatteryLifePercent() override;

 private:
  enum File : std::size_t {
    kType,
    kScope,
    kPresent,
    kCapacity,
    kEnergyNow,
    kEnergyFull,
    kChargeNow,
    kChargeFull,
    kFileCount
  };
  struct Battery;

  KeptDirectory<kFileCount> supplies_;
};

}  // namespace quillenta

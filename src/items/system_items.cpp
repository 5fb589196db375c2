#include <charconv>
#include <cstdint>

#include "items/formatters.h"
#include "items/number_format.h"

namespace quillenta {

namespace {

struct MemoryItemKeys {
  TextKey title;
  TextKey unit;
  FlagKey free;
  FlagKey percent;
  FlagKey grouped;
};

void AppendMemoryItem(std::string& line, const ItemContext& context, std::int64_t total,
                      std::int64_t available, const MemoryItemKeys& keys) {
  const Settings& settings = context.settings;
  line.append(settings.Text(keys.title));
  std::int64_t amount = settings.Flag(keys.free) ? available : total - available;
  bool grouped = settings.Flag(keys.grouped);
  std::string separator = grouped ? context.locale.ThousandsSeparator() : std::string();
  if (settings.Flag(keys.percent)) {
    AppendWholeNumber(line, ShareTenThousandths(amount, total), grouped, separator);
  } else {
    AppendWholeAmount(line, amount, grouped, separator);
  }
  line.append(settings.Text(keys.unit));
}

void AppendResourcesItem(std::string& line, const ItemContext& context, int kind, TextKey title,
                         TextKey unit, FlagKey free) {
  const std::string& text = context.free_resources[kind];
  line.append(context.settings.Text(title));
  if (context.settings.Flag(free)) {
    line.append(text);
  } else {
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // A text that is not a number has no used share; it is shown as it stands.
    if (error == std::errc() && end == text.data() + text.size()) {
      line.append(std::to_string(100 - value));
    } else {
      line.append(text);
    }
  }
  line.append(context.settings.Text(unit));
}

}  // namespace

void AppendPhysicalMemory(std::string& line, const ItemContext& context) {
  AppendMemoryItem(line, context, context.memory.total_phys, context.memory.avail_phys,
                   {TextKey::s66, TextKey::s67, FlagKey::b57, FlagKey::b58, FlagKey::b59});
}

void AppendVirtualMemory(std::string& line, const ItemContext& context) {
  AppendMemoryItem(line, context, context.memory.total_virtual, context.memory.avail_virtual,
                   {TextKey::s73, TextKey::s74, FlagKey::b60, FlagKey::b61, FlagKey::b62});
}

void AppendPageFile(std::string& line, const ItemContext& context) {
  AppendMemoryItem(line, context, context.memory.total_page_file, context.memory.avail_page_file,
                   {TextKey::s75, TextKey::s76, FlagKey::b63, FlagKey::b64, FlagKey::b65});
}

void AppendCpuUsage(std::string& line, const ItemContext& context) {
  std::int32_t usage = context.perf.cpu_usage;
  bool two_digits = context.settings.Flag(FlagKey::b56);
  // Two digits leave no room for 100, which shows as 00.
  if (two_digits && usage == 100) usage = 0;
  line.append(context.settings.Text(TextKey::s68));
  AppendClockField(line, usage, two_digits);
  line.append(context.settings.Text(TextKey::s69));
}

void AppendBattery(std::string& line, const ItemContext& context) {
  int percent = context.battery.BatteryLifePercent();
  if (percent < 0 || percent > 255) percent = 255;
  line.append(context.settings.Text(TextKey::s70));
  line.append(std::to_string(percent));
  line.append(context.settings.Text(TextKey::s71));
}

void AppendSystemResources(std::string& line, const ItemContext& context) {
  AppendResourcesItem(line, context, 0, TextKey::s77, TextKey::s78, FlagKey::b66);
}

void AppendGdiResources(std::string& line, const ItemContext& context) {
  AppendResourcesItem(line, context, 1, TextKey::s79, TextKey::s80, FlagKey::b67);
}

void AppendUserResources(std::string& line, const ItemContext& context) {
  AppendResourcesItem(line, context, 2, TextKey::s81, TextKey::s82, FlagKey::b68);
}

}  // namespace quillenta

#include "title/compose.h"

#include <array>

#include "items/formatters.h"

namespace quillenta {

namespace {

constexpr std::array<ItemFormatter, kItemCodeCount + 1> kFormatters = {
    nullptr,           AppendTitle,          AppendYear,          AppendMonth,
    AppendDay,         AppendWeekday,        AppendHour,          AppendMinute,
    AppendSecond,      AppendPhysicalMemory, AppendVirtualMemory, AppendPageFile,
    AppendCpuUsage,    AppendBattery,        AppendSystemResources, AppendGdiResources,
    AppendUserResources, AppendConnectHours, AppendConnectMinutes, AppendConnectSeconds,
    AppendBytesReceived, AppendBytesSent,
};

}  // namespace

void AppendTitle(std::string& line, const ItemContext& context) {
  line.append(context.settings.Text(TextKey::s50));
  if (context.settings.Flag(FlagKey::b50)) line.append(context.saved_title);
  line.append(context.settings.Text(TextKey::s51));
}

void ComposeLine(const ItemSequence& sequence, const ItemContext& context, std::string& line) {
  line.clear();
  // Slot 22 is held at 0 by every writer of the sequence; the bound is only a backstop.
  for (int slot = 1; slot <= ItemSequence::kSlots; ++slot) {
    std::int32_t code = sequence.Slot(slot);
    if (code == 0) break;
    if (code >= 1 && code <= kItemCodeCount) kFormatters[code](line, context);
  }
}

}  // namespace quillenta

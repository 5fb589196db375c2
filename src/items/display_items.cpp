#include "items/display_items.h"

#include "items/formatters.h"

namespace quillenta {

namespace {

constexpr std::array<DisplayItem, kItemCodeCount> kDisplayItems = {{
    {1, "タイトル", AppendTitle},
    {2, "年", AppendYear},
    {3, "月", AppendMonth},
    {4, "日", AppendDay},
    {5, "曜日", AppendWeekday},
    {6, "時", AppendHour},
    {7, "分", AppendMinute},
    {8, "秒", AppendSecond},
    {9, "物理メモリ", AppendPhysicalMemory},
    {10, "仮想メモリ", AppendVirtualMemory},
    {11, "ページ", AppendPageFile},
    {12, "CPU使用率", AppendCpuUsage},
    {13, "電池残量", AppendBattery},
    {14, "Systemﾘｿｰｽ", AppendSystemResources},
    {15, "GDI リソース", AppendGdiResources},
    {16, "Userリソース", AppendUserResources},
    {17, "接続時", AppendConnectHours},
    {18, "接続分", AppendConnectMinutes},
    {19, "接続秒", AppendConnectSeconds},
    {20, "受信量", AppendBytesReceived},
    {21, "送信量", AppendBytesSent},
}};

constexpr bool CodesInOrder() {
  for (std::size_t i = 0; i < kDisplayItems.size(); ++i) {
    if (kDisplayItems[i].code != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(CodesInOrder(), "the table is indexed by code - 1");

}  // namespace

const std::array<DisplayItem, kItemCodeCount>& DisplayItems() { return kDisplayItems; }

}  // namespace quillenta

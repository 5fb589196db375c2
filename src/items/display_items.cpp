#include "items/display_items.h"

#include "items/formatters.h"

namespace quillenta {

namespace {

constexpr std::array<DisplayItem, kItemCodeCount> kDisplayItems = {{
    {1, QMessage("order item", "タイトル"), AppendTitle},
    {2, QMessage("order item", "年"), AppendYear},
    {3, QMessage("order item", "月"), AppendMonth},
    {4, QMessage("order item", "日"), AppendDay},
    {5, QMessage("order item", "曜日"), AppendWeekday},
    {6, QMessage("order item", "時"), AppendHour},
    {7, QMessage("order item", "分"), AppendMinute},
    {8, QMessage("order item", "秒"), AppendSecond},
    {9, QMessage("order item", "物理メモリ"), AppendPhysicalMemory},
    {10, QMessage("order item", "仮想メモリ"), AppendVirtualMemory},
    {11, QMessage("order item", "ページ"), AppendPageFile},
    {12, QMessage("order item", "CPU使用率"), AppendCpuUsage},
    {13, QMessage("order item", "電池残量"), AppendBattery},
    {14, QMessage("order item", "Systemﾘｿｰｽ"), AppendSystemResources},
    {15, QMessage("order item", "GDI リソース"), AppendGdiResources},
    {16, QMessage("order item", "Userリソース"), AppendUserResources},
    {17, QMessage("order item", "接続時"), AppendConnectHours},
    {18, QMessage("order item", "接続分"), AppendConnectMinutes},
    {19, QMessage("order item", "接続秒"), AppendConnectSeconds},
    {20, QMessage("order item", "受信量"), AppendBytesReceived},
    {21, QMessage("order item", "送信量"), AppendBytesSent},
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

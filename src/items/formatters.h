#pragma once
// One formatter per item code; the composition dispatches to them by code.
#include <string>

#include "items/item_context.h"

namespace quillenta {

void AppendTitle(std::string& line, const ItemContext& context);  // 1

void AppendYear(std::string& line, const ItemContext& context);     // 2
void AppendMonth(std::string& line, const ItemContext& context);    // 3
void AppendDay(std::string& line, const ItemContext& context);      // 4
void AppendWeekday(std::string& line, const ItemContext& context);  // 5
void AppendHour(std::string& line, const ItemContext& context);     // 6
void AppendMinute(std::string& line, const ItemContext& context);   // 7
void AppendSecond(std::string& line, const ItemContext& context);   // 8

void AppendPhysicalMemory(std::string& line, const ItemContext& context);  // 9
void AppendVirtualMemory(std::string& line, const ItemContext& context);   // 10
void AppendPageFile(std::string& line, const ItemContext& context);        // 11
void AppendCpuUsage(std::string& line, const ItemContext& context);        // 12
void AppendBattery(std::string& line, const ItemContext& context);         // 13
void AppendSystemResources(std::string& line, const ItemContext& context);  // 14
void AppendGdiResources(std::string& line, const ItemContext& context);     // 15
void AppendUserResources(std::string& line, const ItemContext& context);    // 16

void AppendConnectHours(std::string& line, const ItemContext& context);    // 17
void AppendConnectMinutes(std::string& line, const ItemContext& context);  // 18
void AppendConnectSeconds(std::string& line, const ItemContext& context);  // 19
void AppendBytesReceived(std::string& line, const ItemContext& context);   // 20
void AppendBytesSent(std::string& line, const ItemContext& context);       // 21

}  // namespace quillenta

#pragma once
// One formatter per display item; display_items.cpp gives each its code and caption.
#include <string>

#include "items/item_context.h"

namespace quillenta {

void AppendTitle(std::string& line, const ItemContext& context);

void AppendYear(std::string& line, const ItemContext& context);
void AppendMonth(std::string& line, const ItemContext& context);
void AppendDay(std::string& line, const ItemContext& context);
void AppendWeekday(std::string& line, const ItemContext& context);
void AppendHour(std::string& line, const ItemContext& context);
void AppendMinute(std::string& line, const ItemContext& context);
void AppendSecond(std::string& line, const ItemContext& context);

void AppendPhysicalMemory(std::string& line, const ItemContext& context);
void AppendVirtualMemory(std::string& line, const ItemContext& context);
void AppendPageFile(std::string& line, const ItemContext& context);
void AppendCpuUsage(std::string& line, const ItemContext& context);
void AppendBattery(std::string& line, const ItemContext& context);
void AppendSystemResources(std::string& line, const ItemContext& context);
void AppendGdiResources(std::string& line, const ItemContext& context);
void AppendUserResources(std::string& line, const ItemContext& context);

void AppendConnectHours(std::string& line, const ItemContext& context);
void AppendConnectMinutes(std::string& line, const ItemContext& context);
void AppendConnectSeconds(std::string& line, const ItemContext& context);
void AppendBytesReceived(std::string& line, const ItemContext& context);
void AppendBytesSent(std::string& line, const ItemContext& context);

}  // namespace quillenta

#include "items/formatters.h"

namespace quillenta {

void AppendPhysicalMemory(std::string&, const ItemContext&) {}
void AppendVirtualMemory(std::string&, const ItemContext&) {}
void AppendPageFile(std::string&, const ItemContext&) {}
void AppendCpuUsage(std::string&, const ItemContext&) {}
void AppendBattery(std::string&, const ItemContext&) {}
void AppendSystemResources(std::string&, const ItemContext&) {}
void AppendGdiResources(std::string&, const ItemContext&) {}
void AppendUserResources(std::string&, const ItemContext&) {}

}  // namespace quillenta

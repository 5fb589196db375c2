#include "items/formatters.h"

namespace quillenta {

void AppendConnectHours(std::string&, const ItemContext&) {}
void AppendConnectMinutes(std::string&, const ItemContext&) {}
void AppendConnectSeconds(std::string&, const ItemContext&) {}
void AppendBytesReceived(std::string&, const ItemContext&) {}
void AppendBytesSent(std::string&, const ItemContext&) {}

}  // namespace quillenta

#include "items/formatters.h"

namespace quillenta {

void AppendYear(std::string&, const ItemContext&) {}
void AppendMonth(std::string&, const ItemContext&) {}
void AppendDay(std::string&, const ItemContext&) {}
void AppendWeekday(std::string&, const ItemContext&) {}
void AppendHour(std::string&, const ItemContext&) {}
void AppendMinute(std::string&, const ItemContext&) {}
void AppendSecond(std::string&, const ItemContext&) {}

}  // namespace quillenta

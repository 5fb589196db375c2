#pragma once
// The one table of display items. A new item is a formatter (formatters.h) and a line in
// display_items.cpp; the order editor and the composition take everything else from here.
#include <array>

#include "items/item_context.h"
#include "lang/translate.h"
#include "settings/item_sequence.h"

namespace quillenta {

struct DisplayItem {
  int code;             // 1..21, the number the settings file stores in the item sequence
  Message caption;      // the order editor's button
  ItemFormatter append;
};

// Indexed by code - 1.
const std::array<DisplayItem, kItemCodeCount>& DisplayItems();

}  // namespace quillenta

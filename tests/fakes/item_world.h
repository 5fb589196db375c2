#pragma once
// Everything the display items read, faked, with the context that hands it to them.
#include <array>
#include <initializer_list>
#include <string>

#include "fakes.h"
#include "items/item_context.h"
#include "title/compose.h"

namespace quillenta::testing {

struct ItemWorld {
  Settings settings;
  FakeClock clock;
  FakeLocale locale;
  std::string saved_title;
  MemoryStatus memory;
  PerfValues perf;
  FakeBatteryProbe battery;
  std::array<std::string, 3> resources{"85", "90", "88"};
  ConnectionFigures connection;
  FakeDialupLinks links;
  ItemContext context{settings, clock,   locale,    saved_title, memory,
                      perf,     battery, resources, connection,  links};

  // The same world, with the saved title kept elsewhere (by a title engine under test).
  ItemContext ContextWithSavedTitle(const std::string& title) {
    return ItemContext{settings, clock,   locale,    title,      memory,
                       perf,     battery, resources, connection, links};
  }

  // The line of a sequence holding these codes, in this order.
  std::string Compose(std::initializer_list<int> codes) {
    ItemSequence sequence;
    for (int n = 1; n <= ItemSequence::kSlots; ++n) sequence.SetSlot(n, 0);
    int n = 1;
    for (int code : codes) sequence.SetSlot(n++, code);
    std::string line = "stale";
    ComposeLine(sequence, context, line);
    return line;
  }

  // What one item appends to an empty line.
  std::string Format(ItemFormatter item) {
    std::string line;
    item(line, context);
    return line;
  }
};

}  // namespace quillenta::testing

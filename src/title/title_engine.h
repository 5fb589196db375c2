#pragma once
#include <string>

#include "items/item_context.h"
#include "platform/error.h"
#include "platform/window_system.h"
#include "settings/item_sequence.h"

namespace quillenta {

// The work of other areas that the tick drives, in the tick's order.
class TickSteps {
 public:
  virtual ~TickSteps() = default;
  virtual void SamplePerfStats() = 0;
  virtual void UpdateConnectionAccounting() = 0;
  virtual void RefreshMemoryStatus() = 0;
  virtual void RefreshFreeResources() = 0;  // may throw quillenta::Error
};

// The main tick, two to a refresh: tracks the foreground window and keeps the line in its
// title, giving every window its own title back when the focus leaves it.
class TitleEngine {
 public:
  static constexpr const char* kExcludedTitle1 = "Lumetra";
  static constexpr const char* kExcludedTitle2 = "zirerev";

  TitleEngine(WindowSystem& windows, const ItemSequence& sequence, TickSteps& steps);

  // The items read the saved title, so the context is attached after construction.
  void AttachItems(const ItemContext& context) { context_ = &context; }

  // A step that fails ends the tick at once, its error passed on to the caller, which reports
  // it; the next tick starts afresh.
  void Timer1Timer();
  void RestoreTarget();
  void WriteLine();

  const std::string& SavedTitle() const { return saved_title_; }
  const std::string& Line() const { return line_; }
  WindowId Target() const { return target_; }

 private:
  void ObserveAndTrack();

  WindowSystem& windows_;
  const ItemSequence& sequence_;
  TickSteps& steps_;
  const ItemContext* context_ = nullptr;

  WindowId target_ = kNoWindow;
  std::string saved_title_;
  std::string last_line_;
  std::string line_;
  WindowId panel_ = kNoWindow;
  WindowId excluded1_ = kNoWindow;
  WindowId excluded2_ = kNoWindow;
  int probe_countdown_ = 0;
  bool switched_ = false;
};

}  // namespace quillenta

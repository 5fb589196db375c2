#pragma once
#include <cstdint>
#include <string>
#include <unordered_set>

#include "items/item_context.h"
#include "platform/error.h"
#include "platform/window_system.h"
#include "settings/item_sequence.h"
#include "title/compose.h"

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
  // The target's owner may have set its title (the window system told of it): the line goes
  // back in with the new title at once, not at the next work tick. A title set back to what
  // it was (a program that undoes every write) is answered at most once per
  // kSetBackGapMs, the next work tick taking up what comes sooner, so nothing loops and the
  // tick goes on. Any other retitle is answered at most once per kRetitleGapMs (a notice
  // that is late brings two retitles closer together than their owner made them); one that
  // comes sooner waits: the result is how many ms until it can be answered (0: nothing
  // waits), and the shell calls again then.
  std::int64_t TitleNotice(std::int64_t now_ms);
  static constexpr std::int64_t kSetBackGapMs = 50;
  static constexpr std::int64_t kRetitleGapMs = 10;

  const std::string& SavedTitle() const { return saved_title_; }
  const std::string& Line() const { return line_; }
  // The line without the window's title, as composed with it.
  std::string LineWithoutTitle() const;
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
  TitleSpans title_spans_;
  WindowId panel_ = kNoWindow;
  WindowId excluded1_ = kNoWindow;
  WindowId excluded2_ = kNoWindow;
  int probe_countdown_ = 0;
  bool switched_ = false;
  // Whether the last line was written into the target, not only composed.
  bool line_written_ = false;
  std::int64_t last_notice_write_ms_ = -1000;
  bool notice_waiting_ = false;
  // Windows seen setting their own title while they bore the line; a bound keeps a day of
  // churning windows from growing it without end.
  std::unordered_set<WindowId> retitlers_;
  static constexpr std::size_t kMaxRetitlers = 64;
};

}  // namespace quillenta

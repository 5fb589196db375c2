#include "title/title_engine.h"

#include "title/compose.h"

namespace quillenta {

TitleEngine::TitleEngine(WindowSystem& windows, const ItemSequence& sequence, TickSteps& steps)
    : windows_(windows), sequence_(sequence), steps_(steps) {}

void TitleEngine::Timer1Timer() {
  if (probe_countdown_ < 1) {
    steps_.SamplePerfStats();
    probe_countdown_ = 1;
    return;
  }
  --probe_countdown_;
  steps_.UpdateConnectionAccounting();
  steps_.RefreshMemoryStatus();
  steps_.RefreshFreeResources();
  ObserveAndTrack();
  if (context_ != nullptr) ComposeLine(sequence_, *context_, line_, &title_spans_);
  WriteLine();
}

void TitleEngine::ObserveAndTrack() {
  windows_.PrepareObservation(target_);
  std::string title = windows_.ReadTitle(target_);
  if (title != last_line_) {
    saved_title_ = title;
    // The owner has set its title over the line: from now on its retitles are told at once.
    if (line_written_ && target_ != kNoWindow && retitlers_.insert(target_).second) {
      if (retitlers_.size() > kMaxRetitlers) retitlers_ = {target_};
      windows_.FollowTitle(target_);
    }
  }
  last_line_ = std::move(title);

  switched_ = false;
  WindowId foreground = windows_.ForegroundWindow();
  if (foreground == panel_ || foreground == excluded1_ || foreground == excluded2_ ||
      foreground == target_) {
    return;
  }
  if (windows_.IsPanel(foreground)) {
    panel_ = foreground;
    return;
  }
  panel_ = windows_.FindPanel();
  excluded1_ = windows_.FindWindowByTitle(kExcludedTitle1);
  excluded2_ = windows_.FindWindowByTitle(kExcludedTitle2);
  RestoreTarget();
  target_ = foreground;
  saved_title_ = windows_.ReadTitle(target_);
  // Being told of a window's retitles costs a wakeup for every change anyone makes to it,
  // the window manager's answers to this program's own writes among them: only a window seen
  // retitling itself is worth it.
  windows_.FollowTitle(retitlers_.count(target_) != 0 ? target_ : kNoWindow);
  switched_ = true;
}

std::int64_t TitleEngine::TitleNotice(std::int64_t now_ms) {
  if (windows_.TakeRetitle()) notice_waiting_ = true;
  if (!notice_waiting_) return 0;
  notice_waiting_ = false;
  if (target_ == kNoWindow) return 0;
  std::string title = windows_.ReadTitle(target_);
  // The window still bears the line: nothing of the owner's to answer.
  if (title == last_line_) return 0;
  const bool set_back = title == saved_title_;
  const std::int64_t wait =
      (set_back ? kSetBackGapMs : kRetitleGapMs) - (now_ms - last_notice_write_ms_);
  if (wait > 0) {
    notice_waiting_ = !set_back;
    return set_back ? 0 : wait;
  }
  saved_title_ = title;
  last_line_ = std::move(title);
  switched_ = false;
  if (context_ != nullptr) ComposeLine(sequence_, *context_, line_, &title_spans_);
  WriteLine();
  last_notice_write_ms_ = now_ms;
  // A retitle that came in while this one was answered was read from the connection into the
  // window system's queue, where no descriptor tells of it any more.
  if (windows_.TakeRetitle()) {
    notice_waiting_ = true;
    return kRetitleGapMs;
  }
  return 0;
}

std::string TitleEngine::LineWithoutTitle() const {
  return quillenta::LineWithoutTitle(line_, title_spans_);
}

void TitleEngine::RestoreTarget() { windows_.RestoreTitle(target_, saved_title_); }

void TitleEngine::WriteLine() {
  if (line_ == last_line_) return;
  // Without a switch, the last line is the target's title as read on this very tick, so a
  // window bearing it exists (or the target is gone, where a write does nothing): the
  // search over all windows is needed only on the tick of a switch.
  bool bearer_exists = !switched_ || windows_.FindWindowByTitle(last_line_) != kNoWindow;
  if (bearer_exists) windows_.WriteTitle(target_, line_);
  line_written_ = bearer_exists;
  last_line_ = line_;
}

}  // namespace quillenta

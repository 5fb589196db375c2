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
  if (context_ != nullptr) ComposeLine(sequence_, *context_, line_);
  WriteLine();
}

void TitleEngine::ObserveAndTrack() {
  windows_.PrepareObservation(target_);
  std::string title = windows_.ReadTitle(target_);
  if (title != last_line_) saved_title_ = title;
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
  switched_ = true;
}

void TitleEngine::RestoreTarget() { windows_.RestoreTitle(target_, saved_title_); }

void TitleEngine::WriteLine() {
  if (line_ == last_line_) return;
  // Without a switch, the last line is the target's title as read on this very tick, so a
  // window bearing it exists (or the target is gone, where a write does nothing): the
  // search over all windows is needed only on the tick of a switch.
  bool bearer_exists = !switched_ || windows_.FindWindowByTitle(last_line_) != kNoWindow;
  if (bearer_exists) windows_.WriteTitle(target_, line_);
  last_line_ = line_;
}

}  // namespace quillenta

#include "platform/linux/sway_window_system.h"

#include <time.h>

#include <utility>

namespace quillenta {

namespace {

// How long the start waits for the compositor's first answers, and the shutdown for the
// titles it gives back to be applied.
constexpr int kStartWaitMs = 3000;
constexpr int kShutdownWaitMs = 1000;

long long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

}  // namespace

SwayWindowSystem::SwayWindowSystem(const std::string& socket_path)
    : commands_(socket_path), events_(socket_path) {
  if (commands_.Lost() || events_.Lost()) return;
  // Subscribed before the tree is read: what changes after the tree comes as an event.
  events_.Send(sway_ipc::kSubscribe, R"(["window","workspace"])");
  commands_.Send(sway_ipc::kGetTree, "");
  commands_.Send(sway_ipc::kGetConfig, "");
  auto subscribed = events_.Await(sway_ipc::kSubscribe, kStartWaitMs);
  if (!subscribed || subscribed->payload.find("true") == std::string::npos) return;
  auto tree_answer = commands_.Await(sway_ipc::kGetTree, kStartWaitMs);
  if (!tree_answer) return;
  auto config = commands_.Await(sway_ipc::kGetConfig, kStartWaitMs);
  auto tree = sway::ParseTree(tree_answer->payload);
  if (!tree) return;
  for (sway::View& view : tree->views) {
    for (const std::string& mark : view.marks) {
      if (sway::IsRecordMark(mark)) left_.emplace_back(view.id, mark);
    }
    views_.emplace(view.id, std::move(view.name));
  }
  focused_ = tree->focused;
  pango_ = config && sway::PangoMarkupIn(config->payload);
  ready_ = true;
  Pump();
}

SwayWindowSystem::~SwayWindowSystem() {
  if (!ready_) return;
  Pump();
  // Normally the caller has given its target back already; nothing of this program stays in
  // any window either way.
  for (const auto& [container, borrowed] : borrowed_) {
    Command(GiveBackCommand(container, borrowed.mark, borrowed.own_format));
  }
  borrowed_.clear();
  const long long deadline = NowMs() + kShutdownWaitMs;
  while (unanswered_ > 0 && !commands_.Lost()) {
    const long long left = deadline - NowMs();
    if (left < 0 || !commands_.Await(sway_ipc::kRunCommand, static_cast<int>(left))) break;
    --unanswered_;
  }
}

bool SwayWindowSystem::ConnectionLost() const { return commands_.Lost() || events_.Lost(); }

void SwayWindowSystem::Command(const std::string& command) {
  commands_.Send(sway_ipc::kRunCommand, command);
  ++unanswered_;
}

void SwayWindowSystem::Pump() {
  if (!ready_) return;
  // A command that fails (its window closed meanwhile) has nothing to retry.
  for (const SwayMessage& answer : commands_.Receive()) {
    if (answer.type == sway_ipc::kRunCommand && unanswered_ > 0) --unanswered_;
  }
  for (const SwayMessage& event : events_.Receive()) TakeEvent(event);
}

void SwayWindowSystem::TakeEvent(const SwayMessage& message) {
  if (message.type == sway_ipc::kEventWorkspace) {
    if (sway::FocusMovedToEmptyWorkspace(message.payload)) focused_ = 0;
    return;
  }
  if (message.type != sway_ipc::kEventWindow) return;
  auto event = sway::ParseWindowEvent(message.payload);
  if (!event) return;
  const std::int64_t id = event->view.id;
  if (event->change == "close") {
    views_.erase(id);
    borrowed_.erase(id);
    if (focused_ == id) focused_ = 0;
    return;
  }
  views_[id] = std::move(event->view.name);
  if (event->change == "focus") focused_ = id;
}

std::string SwayWindowSystem::Shown(std::int64_t container, const std::string& name) const {
  auto borrowed = borrowed_.find(container);
  if (borrowed != borrowed_.end() && borrowed->second.name == name) return borrowed->second.line;
  return name;
}

WindowId SwayWindowSystem::ForegroundWindow() {
  Pump();
  return focused_ > 0 && views_.count(focused_) != 0 ? static_cast<WindowId>(focused_) : kNoWindow;
}

std::string SwayWindowSystem::ReadTitle(WindowId window) {
  Pump();
  auto view = views_.find(static_cast<std::int64_t>(window));
  if (window == kNoWindow || view == views_.end()) return {};
  return Shown(view->first, view->second);
}

void SwayWindowSystem::WriteTitle(WindowId window, const std::string& title) {
  Pump();
  const auto container = static_cast<std::int64_t>(window);
  auto view = views_.find(container);
  if (window == kNoWindow || view == views_.end() || ConnectionLost()) return;
  std::string command;
  auto borrowed = borrowed_.find(container);
  if (borrowed == borrowed_.end()) {
    // The record goes with the first line, in the same message: sway runs the two together,
    // so no line is ever shown without it.
    Borrowed fresh{{}, {}, sway::RecordMark(container, sway::kOwnFormat), std::string(sway::kOwnFormat)};
    borrowed = borrowed_.emplace(container, std::move(fresh)).first;
    command = sway::ForContainer(container, "mark --add " + borrowed->second.mark) + "; ";
  }
  borrowed->second.line = title;
  borrowed->second.name = view->second;
  command += sway::ForContainer(container, "title_format " + sway::TitleFormatArgument(title, pango_));
  Command(command);
}

std::string SwayWindowSystem::GiveBackCommand(std::int64_t container, const std::string& mark,
                                              const std::string& own_format) const {
  // The unmark first: a format that ends in a backslash leaves its argument open to the end.
  return sway::ForContainer(container, "unmark " + mark) + "; " +
         sway::ForContainer(container, "title_format " + sway::FormatArgument(own_format));
}

void SwayWindowSystem::RestoreTitle(WindowId window, const std::string& /*title*/) {
  Pump();
  auto borrowed = borrowed_.find(static_cast<std::int64_t>(window));
  if (window == kNoWindow || borrowed == borrowed_.end()) return;
  Command(GiveBackCommand(borrowed->first, borrowed->second.mark, borrowed->second.own_format));
  borrowed_.erase(borrowed);
}

WindowId SwayWindowSystem::FindWindowByTitle(const std::string& title) {
  Pump();
  for (const auto& [container, name] : views_) {
    if (Shown(container, name) == title) return static_cast<WindowId>(container);
  }
  return kNoWindow;
}

// sway 1.7 reports neither a container's title_format nor the title it draws, so a record
// is trusted where it sits on the container it was made for: marks live and die with their
// container, and nothing else of sway's writes this program's marks.
void SwayWindowSystem::GiveBackLeftTitles() {
  Pump();
  for (const auto& [container, mark] : left_) {
    if (views_.count(container) == 0 || borrowed_.count(container) != 0) continue;
    auto record = sway::ParseRecordMark(mark);
    if (record && record->container == container) {
      Command(GiveBackCommand(container, mark, record->own_format));
    } else {
      Command(sway::ForContainer(container, "unmark " + mark));
    }
  }
  left_.clear();
}

}  // namespace quillenta

#pragma once
// Test doubles of the platform interfaces.
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/launcher.h"
#include "platform/locale.h"
#include "platform/profile_store.h"
#include "platform/system_probes.h"
#include "platform/window_system.h"
#include "program/error_report.h"
#include "watch/file_chooser.h"

namespace quillenta::testing {

class FakeWindowSystem : public WindowSystem {
 public:
  WindowId Open(const std::string& title) {
    WindowId id = next_id_++;
    titles_[id] = title;
    return id;
  }
  void Close(WindowId id) { titles_.erase(id); }
  void Focus(WindowId id) { foreground_ = id; }
  void SetPanel(WindowId id) { panel_ = id; }
  // The window's owner changes its title; the followed one's tells of it, as a system does.
  void Retitle(WindowId id, const std::string& title) {
    titles_[id] = title;
    if (id == followed_) {
      retitled_ = true;
      if (notice_) notice_();
    }
  }
  std::string TitleOf(WindowId id) const {
    auto it = titles_.find(id);
    return it == titles_.end() ? std::string() : it->second;
  }
  bool Exists(WindowId id) const { return titles_.count(id) != 0; }

  WindowId ForegroundWindow() override { return foreground_; }
  std::string ReadTitle(WindowId window) override { return TitleOf(window); }
  void WriteTitle(WindowId window, const std::string& title) override {
    auto it = titles_.find(window);
    if (it == titles_.end()) return;
    it->second = title;
    writes.emplace_back(window, title);
  }
  WindowId FindWindowByTitle(const std::string& title) override {
    for (const auto& [id, text] : titles_) {
      if (text == title) return id;
    }
    return kNoWindow;
  }
  WindowId FindPanel() override { return Exists(panel_) ? panel_ : kNoWindow; }
  void FollowTitle(WindowId window) override {
    followed_ = window;
    retitled_ = false;
  }
  bool TakeRetitle() override { return std::exchange(retitled_, false); }
  void SetNotice(std::function<void()> notice) override { notice_ = std::move(notice); }

  std::vector<std::pair<WindowId, std::string>> writes;
  WindowId followed_ = kNoWindow;

 private:
  std::map<WindowId, std::string> titles_;
  WindowId next_id_ = 0x100;
  WindowId foreground_ = kNoWindow;
  WindowId panel_ = kNoWindow;
  bool retitled_ = false;
  std::function<void()> notice_;
};

class FakeClock : public Clock {
 public:
  LocalDateTime now;
  std::int64_t monotonic_ms = 1'000'000;
  LocalDateTime Now() override { return now; }
  std::int64_t MonotonicMs() override { return monotonic_ms; }
  void Advance(std::int64_t ms) { monotonic_ms += ms; }
};

class FakeLocale : public Locale {
 public:
  std::vector<std::string> abbreviated{"日", "月", "火", "水", "木", "金", "土"};
  std::vector<std::string> full{"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};
  std::optional<std::string> alternative_year = "08";
  std::string separator = ",";
  std::string AbbreviatedDayName(int weekday) const override { return abbreviated[weekday]; }
  std::string FullDayName(int weekday) const override { return full[weekday]; }
  std::optional<std::string> AlternativeYear(const LocalDateTime&) const override {
    return alternative_year;
  }
  std::string ThousandsSeparator() const override { return separator; }
};

class FakeMemoryProbe : public MemoryProbe {
 public:
  MemoryStatus status;
  MemoryStatus ReadMemoryStatus() override { return status; }
};

class FakeBatteryProbe : public BatteryProbe {
 public:
  int percent = 255;
  int BatteryLifePercent() override { return percent; }
};

class FakeCpuUsageSource : public CpuUsageSource {
 public:
  std::optional<std::int32_t> usage = 0;
  int started = 0;
  int stopped = 0;
  void StartCpuStatistic() override { ++started; }
  void StopCpuStatistic() override { ++stopped; }
  std::optional<std::int32_t> SampleCpuUsage() override { return usage; }
};

class FakeDialupLinks : public DialupLinks {
 public:
  // Counts handed out in order; the last one repeats.
  std::deque<int> counts{0};
  std::optional<LinkCounters> counters = LinkCounters{};
  int count_calls = 0;
  int CountConnections() override {
    ++count_calls;
    int count = counts.front();
    if (counts.size() > 1) counts.pop_front();
    return count;
  }
  std::optional<LinkCounters> ReadByteCounters() override { return counters; }
  void SetConnected(int count) { counts = {count}; }
};

class FakeFreeResources : public FreeResourcesSource {
 public:
  std::uint16_t values[3] = {85, 90, 88};
  std::optional<std::string> failure;  // thrown on every call while set
  int calls = 0;
  std::uint16_t GetFreeResources(int kind) override {
    ++calls;
    if (failure) throw Error(*failure);
    return values[kind];
  }
};

class FakeLauncher : public Launcher {
 public:
  std::vector<std::string> opened;
  void Open(const std::string& path) override { opened.push_back(path); }
};

class FakeFileChooser : public FileChooser {
 public:
  std::optional<std::string> answer;
  std::optional<std::string> ChooseFile() override { return answer; }
};

class RecordingErrorReport : public ErrorReport {
 public:
  std::vector<std::string> messages;
  void Report(const std::string& message) override { messages.push_back(message); }
};

// The settings file in memory.
class FakeProfileStore : public ProfileStore {
 public:
  std::optional<std::string> contents;  // nullopt: no file
  std::optional<std::string> commit_failure;
  // The next this many commits meet the file held by another program.
  int held_commits = 0;
  int commits = 0;
  const std::string& Path() const override { return path_; }
  LoadResult Load(std::string& text) override {
    if (!contents) return LoadResult::kMissing;
    text = *contents;
    return LoadResult::kRead;
  }
  void Commit(const std::string& text) override {
    if (commit_failure) throw Error(*commit_failure);
    if (held_commits > 0) {
      --held_commits;
      throw FileHeldError(path_ + " に書き込めません");
    }
    ++commits;
    contents = text;
  }

 private:
  std::string path_ = "/fake/quillenta.INI";
};

}  // namespace quillenta::testing

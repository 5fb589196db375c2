#pragma once
// How a model tells its views and its other parts of a change: each listener holds a
// subscription, and the listening ends when the subscription goes, whichever of the two
// outlives the other.
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace quillenta {

template <typename... Args>
class Signal {
  struct Listeners {
    std::map<int, std::function<void(Args...)>> by_id;
    int next_id = 0;
  };

 public:
  class Subscription {
   public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept
        : listeners_(std::move(other.listeners_)), id_(other.id_) {}
    Subscription& operator=(Subscription&& other) noexcept {
      Reset();
      listeners_ = std::move(other.listeners_);
      id_ = other.id_;
      return *this;
    }
    ~Subscription() { Reset(); }
    void Reset() {
      if (auto listeners = listeners_.lock()) listeners->by_id.erase(id_);
      listeners_.reset();
    }

   private:
    friend class Signal;
    Subscription(std::weak_ptr<Listeners> listeners, int id)
        : listeners_(std::move(listeners)), id_(id) {}
    std::weak_ptr<Listeners> listeners_;
    int id_ = 0;
  };

  [[nodiscard]] Subscription Subscribe(std::function<void(Args...)> listener) {
    const int id = listeners_->next_id++;
    listeners_->by_id.emplace(id, std::move(listener));
    return Subscription(listeners_, id);
  }

  // A listener may subscribe or unsubscribe others while it runs: each emission calls the
  // listeners that were there when it began and are still there.
  void Emit(Args... args) const {
    if (listeners_->by_id.empty()) return;
    std::vector<int> ids;
    ids.reserve(listeners_->by_id.size());
    for (const auto& entry : listeners_->by_id) ids.push_back(entry.first);
    for (int id : ids) {
      auto it = listeners_->by_id.find(id);
      if (it != listeners_->by_id.end()) it->second(args...);
    }
  }

 private:
  std::shared_ptr<Listeners> listeners_ = std::make_shared<Listeners>();
};

}  // namespace quillenta

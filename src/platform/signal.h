#pragma once
// Change notifications. A Signal calls every connected listener in the order they were
// connected; Connect returns a Connection that disconnects its listener when it is
// destroyed, so a view that goes away can never be called back. Either side may die first:
// a Connection that outlives its Signal does nothing.
//
// Copying an object that holds a Signal does not copy its listeners (a copy of a document
// is nobody's view); moving one carries the listeners along with the state.
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kipo {

class Connection {
 public:
  Connection() = default;
  explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
  Connection(Connection&& o) noexcept : disconnect_(std::exchange(o.disconnect_, nullptr)) {}
  Connection& operator=(Connection&& o) noexcept {
    if (this != &o) {
      Disconnect();
      disconnect_ = std::exchange(o.disconnect_, nullptr);
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { Disconnect(); }

  void Disconnect() {
    if (auto d = std::exchange(disconnect_, nullptr)) d();
  }
  bool connected() const { return static_cast<bool>(disconnect_); }

 private:
  std::function<void()> disconnect_;
};

template <typename... Args>
class Signal {
 public:
  using Listener = std::function<void(Args...)>;

  Signal() : state_(std::make_shared<State>()) {}
  Signal(const Signal&) : Signal() {}
  Signal& operator=(const Signal&) { return *this; }
  Signal(Signal&& o) noexcept : state_(std::exchange(o.state_, std::make_shared<State>())) {}
  Signal& operator=(Signal&& o) noexcept {
    if (this != &o) state_ = std::exchange(o.state_, std::make_shared<State>());
    return *this;
  }

  [[nodiscard]] Connection Connect(Listener listener) {
    auto slot = std::make_shared<Slot>(Slot{std::move(listener), true});
    state_->listeners.push_back(slot);
    std::weak_ptr<State> weakState = state_;
    std::weak_ptr<Slot> weakSlot = slot;
    return Connection([weakState, weakSlot] {
      auto s = weakSlot.lock();
      if (!s) return;
      s->live = false;
      if (auto st = weakState.lock()) std::erase(st->listeners, s);
    });
  }

  // Calls the listeners. One that is disconnected while the others are being called is
  // not called any more; one connected meanwhile waits for the next emission.
  void operator()(Args... args) const {
    if (state_->listeners.empty()) return;
    const auto listeners = state_->listeners;
    for (const auto& s : listeners)
      if (s->live) s->fn(args...);
  }

  bool empty() const { return state_->listeners.empty(); }
  std::size_t size() const { return state_->listeners.size(); }

 private:
  struct Slot {
    Listener fn;
    bool live;
  };
  struct State {
    std::vector<std::shared_ptr<Slot>> listeners;
  };
  std::shared_ptr<State> state_;
};

}  // namespace kipo

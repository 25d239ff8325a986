#include "platform/signal.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kipo {
namespace {

TEST(Signal, ListenersHearInOrderUntilTheirConnectionGoes) {
  Signal<int> changed;
  std::vector<std::string> heard;
  Connection a = changed.Connect([&](int v) { heard.push_back("a" + std::to_string(v)); });
  {
    Connection b = changed.Connect([&](int v) { heard.push_back("b" + std::to_string(v)); });
    changed(1);
    EXPECT_EQ(changed.size(), 2u);
  }
  changed(2);
  a.Disconnect();
  EXPECT_FALSE(a.connected());
  changed(3);
  EXPECT_EQ(heard, (std::vector<std::string>{"a1", "b1", "a2"}));
  EXPECT_TRUE(changed.empty());
}

TEST(Signal, EitherSideMayDieFirst) {
  int calls = 0;
  Connection c;
  {
    Signal<> s;
    c = s.Connect([&] { ++calls; });
    s();
  }
  EXPECT_TRUE(c.connected());
  c.Disconnect();  // the signal has gone: nothing to do, nothing to crash
  std::optional<Connection> held;
  Signal<> s;
  held.emplace(s.Connect([&] { ++calls; }));
  held.reset();
  s();
  EXPECT_EQ(calls, 1);
}

// A listener may disconnect itself or a later listener while the signal is calling them;
// a listener connected meanwhile waits for the next emission.
TEST(Signal, ChangesDuringAnEmission) {
  Signal<> s;
  std::vector<std::string> heard;
  Connection self, later, added;
  self = s.Connect([&] {
    heard.push_back("self");
    self.Disconnect();
    later.Disconnect();
    added = s.Connect([&] { heard.push_back("added"); });
  });
  later = s.Connect([&] { heard.push_back("later"); });
  s();
  s();
  EXPECT_EQ(heard, (std::vector<std::string>{"self", "added"}));
}

TEST(Signal, CopiesStartEmptyMovesCarryTheListeners) {
  Signal<> s;
  int calls = 0;
  Connection c = s.Connect([&] { ++calls; });
  Signal<> copy = s;
  copy();
  EXPECT_EQ(calls, 0);
  Signal<> moved = std::move(s);
  moved();
  EXPECT_EQ(calls, 1);
  c.Disconnect();
  EXPECT_TRUE(moved.empty());
  Connection first = moved.Connect([&] { ++calls; });
  Connection second = std::move(first);  // the connection moves; the listener stays
  EXPECT_FALSE(first.connected());
  moved();
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace kipo

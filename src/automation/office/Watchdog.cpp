#include "automation/office/Watchdog.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace fv::office {

struct Watchdog::State {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<uint64_t, std::pair<Clock::time_point, std::function<void()>>> armed;
  uint64_t next = 1;
  uint64_t running = 0;  // the deadline whose action runs now
  bool started = false;

  void Run() {
    std::unique_lock lock(mutex);
    for (;;) {
      if (armed.empty()) {
        changed.wait(lock);
        continue;
      }
      auto first = armed.begin();
      for (auto it = armed.begin(); it != armed.end(); ++it) {
        if (it->second.first < first->second.first) first = it;
      }
      if (Clock::now() < first->second.first) {
        changed.wait_until(lock, first->second.first);
        continue;
      }
      const uint64_t id = first->first;
      auto action = std::move(first->second.second);
      armed.erase(first);
      running = id;
      lock.unlock();
      action();
      lock.lock();
      running = 0;
      changed.notify_all();
    }
  }
};

Watchdog& Watchdog::Instance() {
  // Never destroyed: the thread may outlive static destruction at exit.
  static Watchdog* instance = new Watchdog;
  return *instance;
}

Watchdog::State& Watchdog::state() {
  static State* s = new State;
  return *s;
}

uint64_t Watchdog::Arm(Clock::time_point deadline, std::function<void()> onExpiry) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.started) {
    std::thread([&s] { s.Run(); }).detach();
    s.started = true;
  }
  const uint64_t id = s.next++;
  s.armed.emplace(id, std::make_pair(deadline, std::move(onExpiry)));
  s.changed.notify_all();
  return id;
}

void Watchdog::Disarm(uint64_t id) {
  State& s = state();
  std::unique_lock lock(s.mutex);
  s.armed.erase(id);
  s.changed.notify_all();
  s.changed.wait(lock, [&] { return s.running != id; });
}

}  // namespace fv::office

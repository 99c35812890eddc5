// Time limits for calls into the office. A call arms a deadline before it goes out and disarms
// it when it returns; a deadline that passes while armed runs its action on the watchdog's own
// thread, which ends the office so that the blocked call returns with an exception.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace fv::office {

class Watchdog {
 public:
  using Clock = std::chrono::steady_clock;

  // The one watchdog of the process; its thread starts with the first deadline.
  static Watchdog& Instance();

  // Runs `onExpiry` once, on the watchdog thread, if `deadline` passes before Disarm.
  uint64_t Arm(Clock::time_point deadline, std::function<void()> onExpiry);
  // Cancels the deadline; when its action is running already, waits until it has finished.
  void Disarm(uint64_t id);

 private:
  Watchdog() = default;
  struct State;
  State& state();
};

// Arms a deadline for the lifetime of the object.
class ArmedDeadline {
 public:
  ArmedDeadline(std::chrono::milliseconds limit, std::function<void()> onExpiry)
      : id_(Watchdog::Instance().Arm(Watchdog::Clock::now() + limit, std::move(onExpiry))) {}
  ~ArmedDeadline() { Watchdog::Instance().Disarm(id_); }
  ArmedDeadline(const ArmedDeadline&) = delete;
  ArmedDeadline& operator=(const ArmedDeadline&) = delete;

 private:
  uint64_t id_;
};

}  // namespace fv::office

#pragma once
// The simulated clock. Simulated seconds run at `scale` times real time; a
// scale of 0 makes every timed process (cooling, filter moves, guiding pulses)
// complete at once. A clock can also be frozen and advanced by hand, which is
// how tests step the physics deterministically.
#include <chrono>
#include <mutex>

namespace tqsim {

class SimClock {
 public:
  // Real-time clock at the given scale (1 = real time, 0 = instant).
  explicit SimClock(double scale = 1.0);

  // A clock that only moves when Advance is called (not instant).
  static SimClock Frozen();

  SimClock(const SimClock& other);
  SimClock& operator=(const SimClock& other);

  // Simulated seconds since the clock was made.
  double Now() const;

  // Adds simulated seconds.
  void Advance(double seconds);

  // True when timed processes end as soon as they start.
  bool Instant() const { return instant_; }

  double Scale() const { return scale_; }

  // Real seconds that pass while `simSeconds` pass on this clock.
  double RealSeconds(double simSeconds) const;

 private:
  SimClock(double scale, bool frozen);

  double scale_;
  bool frozen_;
  bool instant_;
  std::chrono::steady_clock::time_point start_;
  mutable std::mutex mutex_;
  double offset_ = 0.0;
};

}  // namespace tqsim

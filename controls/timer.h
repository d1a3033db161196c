// A window's timer: it fires its handler every Interval milliseconds while it is enabled. It
// belongs to a window, whose handlers it runs with, but has no place in it.
#pragma once

#include <functional>
#include <string>

namespace xr {

class Window;

class Timer {
 public:
  Timer(Window& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& Name() const { return name_; }
  Window& window() const { return owner_; }

  int Interval() const { return interval_; }
  // Milliseconds, 0 to 65535; 0 never fires. Writing it restarts the period.
  void SetInterval(int value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Running() const { return enabled_ && interval_ > 0; }

  std::function<void()> onTimer;

 private:
  Window& owner_;
  std::string name_;
  int interval_ = 0;
  bool enabled_ = true;
};

}  // namespace xr

// A thread of its own for work that may block (the wave device, the shell), so that the GUI
// thread only hands a job over and returns. The thread starts with the first job.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace xr::win32 {

class Worker {
 public:
  // enter runs on the thread before its first job, leave after its last one.
  Worker(std::function<void()> enter, std::function<void()> leave);
  // Waits for the thread without a bound; see Shutdown.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Runs the job on the thread after those handed over before it.
  void Post(std::function<void()> job);

  // Drops the jobs not yet started and ends the thread. False when it is still in a job at the
  // deadline: the caller must then leave the process without destroying this object.
  bool Shutdown(std::chrono::steady_clock::time_point deadline);

 private:
  void Run();

  std::function<void()> enter_;
  std::function<void()> leave_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable ended_;
  std::deque<std::function<void()>> jobs_;
  bool quit_ = false;
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace xr::win32

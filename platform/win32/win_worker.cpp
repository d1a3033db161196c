#include "platform/win32/win_worker.h"

#include <utility>

namespace xr::win32 {

Worker::Worker(std::function<void()> enter, std::function<void()> leave)
    : enter_(std::move(enter)), leave_(std::move(leave)) {}

Worker::~Worker() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    jobs_.clear();
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void Worker::Post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (quit_) return;
    jobs_.push_back(std::move(job));
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

bool Worker::Shutdown(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  quit_ = true;
  jobs_.clear();
  if (!thread_.joinable()) return true;
  wake_.notify_one();
  if (!ended_.wait_until(lock, deadline, [this] { return finished_; })) return false;
  lock.unlock();
  thread_.join();
  return true;
}

void Worker::Run() {
  if (enter_) enter_();
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
      if (quit_) break;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
  if (leave_) leave_();
  std::lock_guard lock(mutex_);
  finished_ = true;
  ended_.notify_all();
}

}  // namespace xr::win32

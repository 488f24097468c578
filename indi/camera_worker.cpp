#include "camera_worker.h"

namespace tqindi {

bool CameraWorker::Start(std::function<JobResult()> job) {
  if (running_) return false;
  if (thread_.joinable()) thread_.join();
  running_ = true;
  finished_ = false;
  thread_ = std::thread([this, job = std::move(job)] {
    result_ = job();
    finished_ = true;
  });
  return true;
}

bool CameraWorker::Collect(JobResult& result) {
  if (!running_ || !finished_) return false;
  thread_.join();
  result = result_;
  running_ = false;
  return true;
}

JobResult CameraWorker::Finish() {
  if (thread_.joinable()) thread_.join();
  running_ = false;
  finished_ = false;
  return result_;
}

void CameraWorker::Wait() {
  if (thread_.joinable()) thread_.join();
  running_ = false;
  finished_ = false;
}

}  // namespace tqindi

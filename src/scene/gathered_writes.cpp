#include "scene/gathered_writes.h"

namespace velmo {

TGatheredWrites::TGatheredWrites(std::function<void(const Batch&)> write, std::chrono::milliseconds quiet)
    : write_(std::move(write)), quiet_(quiet) {}

TGatheredWrites::~TGatheredWrites() {
  Flush();
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (writer_.joinable()) writer_.join();
}

void TGatheredWrites::Set(const std::string& name, int value) {
  {
    std::lock_guard lock(mutex_);
    lastSet_ = std::chrono::steady_clock::now();
    bool found = false;
    for (auto& [n, v] : pending_)
      if (n == name) {
        v = value;
        found = true;
      }
    if (!found) pending_.emplace_back(name, value);
    if (!writer_.joinable()) writer_ = std::thread([this] { Run(); });
  }
  changed_.notify_all();
}

TGatheredWrites::Batch TGatheredWrites::Take() {
  Batch batch;
  batch.swap(pending_);
  writing_ = !batch.empty();
  return batch;
}

void TGatheredWrites::Flush() {
  std::unique_lock lock(mutex_);
  // A batch under way holds older values: ours go after it.
  changed_.wait(lock, [&] { return !writing_; });
  const Batch batch = Take();
  if (batch.empty()) return;
  lock.unlock();
  write_(batch);
  lock.lock();
  writing_ = false;
  changed_.notify_all();
}

void TGatheredWrites::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (pending_.empty() || writing_) {
      changed_.wait(lock);
      continue;
    }
    // Quiet since the last change: a held key keeps it waiting.
    const auto due = lastSet_ + quiet_;
    if (std::chrono::steady_clock::now() < due) {
      changed_.wait_until(lock, due);
      continue;
    }
    const Batch batch = Take();
    lock.unlock();
    write_(batch);
    lock.lock();
    writing_ = false;
    changed_.notify_all();
  }
}

}  // namespace velmo

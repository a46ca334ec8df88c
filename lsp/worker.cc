#include "lsp/worker.h"

#include <cstdio>
#include <exception>

namespace lsp {

namespace {

// A job that fails (no memory for a huge document) ends alone; the worker
// goes on with the next.
void RunAlone(const std::function<void()>& job) {
  try {
    job();
  } catch (const std::exception& e) {
    fprintf(stderr, "qel2json-lsp: %s\n", e.what());
  }
}

}  // namespace

Worker::Worker(bool threaded) {
  if (threaded) thread_ = std::thread([this] { Loop(); });
}

Worker::~Worker() { Stop(); }

void Worker::Post(std::string key, std::function<void()> job) {
  if (!thread_.joinable()) {
    if (!stopping_) RunAlone(job);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    if (!key.empty())
      for (Job& waiting : waiting_)
        if (waiting.key == key) {
          waiting.run = std::move(job);
          return;
        }
    waiting_.push_back({std::move(key), std::move(job)});
  }
  wake_.notify_one();
}

void Worker::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    waiting_.clear();
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void Worker::Loop() {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;
      job = std::move(waiting_.front());
      waiting_.pop_front();
    }
    RunAlone(job.run);
  }
}

}  // namespace lsp

#include "lsp/worker.h"

#include <algorithm>
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

Worker::~Worker() { Finish(); }

Worker::Job* Worker::Replaced(const std::string& document) {
  for (auto job = waiting_.rbegin(); job != waiting_.rend(); ++job) {
    if (job->document != document) continue;
    return job->kind == Kind::Update ? &*job : nullptr;
  }
  return nullptr;
}

void Worker::Post(Kind kind, std::string document, std::function<void()> job) {
  if (!thread_.joinable()) {
    if (!finishing_) RunAlone(job);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finishing_) return;
    Job* replaced = kind == Kind::Update ? Replaced(document) : nullptr;
    if (replaced)
      replaced->run = std::move(job);
    else
      waiting_.push_back({kind, std::move(document), std::move(job)});
  }
  wake_.notify_one();
}

void Worker::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
    waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(), [](const Job& j) { return j.kind == Kind::Update; }),
                   waiting_.end());
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void Worker::Loop() {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return finishing_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      job = std::move(waiting_.front());
      waiting_.pop_front();
    }
    RunAlone(job.run);
  }
}

}  // namespace lsp

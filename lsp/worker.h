// Where documents are translated: a thread of its own, so that reading
// messages never waits on a large document, or, for reproducible
// transcripts, the calling thread at once.
//
// Jobs run one at a time, in the order they were posted.  A job posted
// with a key replaces the waiting job with the same key, if any, in its
// place: of several changes to one document that came while the worker was
// busy only the last is translated.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace lsp {

class Worker {
 public:
  // threaded: jobs run on the worker's thread; else in Post itself.
  explicit Worker(bool threaded);
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  void Post(std::string key, std::function<void()> job);
  // Drops the waiting jobs, lets the running one end, and ends the thread.
  void Stop();

 private:
  struct Job {
    std::string key;
    std::function<void()> run;
  };
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> waiting_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace lsp

// Where documents are translated: a thread of its own, so that reading
// messages never waits on a large document, or, for reproducible
// transcripts, the calling thread at once.
//
// Jobs run one at a time, in the order they were posted, but for one
// shortcut: an update (a document's new text, to translate and publish)
// takes the place of the waiting update of the same document, unless a job
// that answers a request on that document waits between the two.  Of
// several texts typed while the worker was busy only the last is
// translated, and a request still finds the translation of the text it
// was asked about.
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
  enum class Kind {
    Update,  // may be replaced by a later update of its document, or dropped at the end
    Answer,  // keeps its place and runs before the worker ends
  };

  // threaded: jobs run on the worker's thread; else in Post itself.
  explicit Worker(bool threaded);
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // document: the document the job is about ("" for none).
  void Post(Kind kind, std::string document, std::function<void()> job);
  // Drops the waiting updates, runs the waiting answers, and ends the
  // thread; jobs posted later do not run.
  void Finish();

 private:
  struct Job {
    Kind kind = Kind::Answer;
    std::string document;
    std::function<void()> run;
  };
  // The waiting update that a new update of document replaces, or null.
  Job* Replaced(const std::string& document);
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> waiting_;
  bool finishing_ = false;
  std::thread thread_;
};

}  // namespace lsp

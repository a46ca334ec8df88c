// Helpers that run code in a child process or run the built program, and
// collect what it wrote and how it ended.  Many operations of the translator
// end the process on purpose (DEADLY reports, bad command lines), so tests
// watch them from outside.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct Outcome {
  int status = -1;      // exit status, or 128 + signal number
  std::string out;      // standard output
  std::string err;      // standard error
};

// Runs body in a forked child; the child exits with 0 if body returns.
Outcome RunInChild(const std::function<void()>& body);

// Runs the program with the arguments, feeding input on standard input in
// pieces of at most piece bytes (0: all at once), in directory dir (empty:
// the current one).
Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& input = "", size_t piece = 0, const std::string& dir = "");

// Runs the program with the arguments in a child that calls setUp first:
// for a standard output that is no pipe, a limit, another directory.
Outcome RunProgramAfter(const std::function<void()>& setUp, const std::string& program,
                        const std::vector<std::string>& args);

// The resident memory of this process, in bytes.
size_t ResidentBytes();

// A file holding bytes, removed when the object goes away.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }
  int Open() const;  // a fresh read-only descriptor

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);

// text with every `from` in it replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

// The names of the entries of dir for which keep(name) holds, sorted: the
// cases of a data-driven test.
std::vector<std::string> CasesIn(const std::string& dir, const std::function<bool(const std::string&)>& keep);

// The names of the files of dir that end in suffix, without it, sorted: the
// cases of a test whose every case is NAME+suffix beside its expectations.
std::vector<std::string> StemsIn(const std::string& dir, const std::string& suffix);

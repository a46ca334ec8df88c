// qel2json-format -i and --check on real files: what changes is rewritten
// whole, what does not is not touched, and a failure at any step, or a
// signal, leaves every file as it was and no temporary file behind.  Output
// that cannot be written is a failure too.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench/generator.h"
#include "support/child.h"
#include "support/streams.h"

namespace {

namespace fs = std::filesystem;

const std::string kFormat = QEL2JSON_FORMAT;

const std::string kMessy =
    "SYSTEM LINEAR<\"m\"><>   -- messy\n"
    "<>\"C\" ISEXTERN<><>\t<><><><><><><><>\r\n";
const std::string kBroken = "SYSTEM LINEAR < \"m\" ? >\n";

// A folder of its own, removed with all it holds.
class Folder {
 public:
  Folder() {
    char name[] = "/tmp/qel2json-format-test-XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
    path_ = name;
  }
  ~Folder() {
    fs::permissions(path_, fs::perms::owner_all);
    fs::remove_all(path_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  std::string Put(const std::string& name, const std::string& bytes, mode_t mode = 0644) const {
    std::string at = *this / name;
    std::ofstream(at, std::ios::binary) << bytes;
    chmod(at.c_str(), mode);
    return at;
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(path_)) names.insert(e.path().filename());
    return names;
  }

 private:
  std::string path_;
};

std::string Formatted(const std::string& text) {
  Outcome o = RunProgram(kFormat, {"-"}, text);
  if (o.status != 0) throw std::runtime_error("the text does not format: " + o.err);
  return o.out;
}

struct stat StatOf(const std::string& path) {
  struct stat s = {};
  stat(path.c_str(), &s);
  return s;
}

void SetOldTime(const std::string& path) {
  timespec times[2] = {{978307200, 0}, {978307200, 0}};  // 2001-01-01
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// Runs the program in dir after `prepare` (in the child, before exec).
Outcome RunPrepared(const std::vector<std::string>& args, const std::string& dir, const std::function<void()>& prepare) {
  return RunProgramAfter(
      [&] {
        prepare();
        if (chdir(dir.c_str()) != 0) _exit(126);
      },
      kFormat, args);
}

// As a user without privileges, for whom permissions count: root may
// write anywhere.  Status 125 when the program cannot be run as that user.
Outcome RunUnprivileged(const std::vector<std::string>& args, const std::string& dir) {
  return RunPrepared(args, dir, [] {
    if (geteuid() != 0) return;
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(125);
    if (access(kFormat.c_str(), X_OK) != 0) _exit(125);
  });
}

TEST(InPlace, RewritesOnlyTheFilesThatChangeAndCheckChangesNothing) {
  Folder f;
  f.Put("messy.qel", kMessy, 0640);
  f.Put("tidy.qel", Formatted(kMessy), 0600);
  SetOldTime(f / "messy.qel");
  SetOldTime(f / "tidy.qel");
  struct stat tidyBefore = StatOf(f / "tidy.qel");

  Outcome check = RunProgram(kFormat, {"--check", "messy.qel", "tidy.qel"}, "", 0, f.path());
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, "messy.qel\n");
  EXPECT_EQ(ReadFileBytes(f / "messy.qel"), kMessy);
  EXPECT_EQ(StatOf(f / "messy.qel").st_mtime, 978307200) << "--check changes nothing";

  Outcome o = RunProgram(kFormat, {"-i", "messy.qel", "tidy.qel"}, "", 0, f.path());
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(ReadFileBytes(f / "messy.qel"), Formatted(kMessy));
  EXPECT_EQ(StatOf(f / "messy.qel").st_mode & 07777, 0640u) << "the rewritten file keeps its permissions";
  struct stat tidyAfter = StatOf(f / "tidy.qel");
  EXPECT_EQ(tidyAfter.st_ino, tidyBefore.st_ino) << "a file in the layout is not replaced";
  EXPECT_EQ(tidyAfter.st_mtime, 978307200) << "a file in the layout is not written";
  EXPECT_EQ(f.Names(), (std::set<std::string>{"messy.qel", "tidy.qel"}));
  EXPECT_EQ(RunProgram(kFormat, {"--check", "messy.qel", "tidy.qel"}, "", 0, f.path()).status, 0);
}

TEST(InPlace, AFileWithAnErrorIsLeftAndTheOthersAreDone) {
  Folder f;
  f.Put("broken.qel", kBroken);
  f.Put("messy.qel", kMessy);
  Outcome o = RunProgram(kFormat, {"-i", "broken.qel", "messy.qel"}, "", 0, f.path());
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err.substr(0, o.err.find('\n')), "\"broken.qel\", line 1:21 ERROR: char '?' is not a token");
  EXPECT_EQ(ReadFileBytes(f / "broken.qel"), kBroken);
  EXPECT_EQ(ReadFileBytes(f / "messy.qel"), Formatted(kMessy));
}

TEST(InPlace, ALinkLeadsToTheFileRewritten) {
  Folder f;
  f.Put("real.qel", kMessy);
  fs::create_symlink("real.qel", f / "link.qel");
  Outcome o = RunProgram(kFormat, {"-i", "link.qel"}, "", 0, f.path());
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(fs::is_symlink(f / "link.qel"));
  EXPECT_EQ(ReadFileBytes(f / "real.qel"), Formatted(kMessy));
  EXPECT_EQ(f.Names(), (std::set<std::string>{"link.qel", "real.qel"}));
}

// Writing fails in each way it can: the file is too large for the limit
// (the temporary file exists, half written), the folder takes no new file,
// the file itself may not be written.  Each leaves the file whole, removes
// what was begun, and the next file is still done.
TEST(InPlace, AFailedWriteLeavesTheFileWholeAndNoTemporaryFile) {
  // The size limit lies above what an instrumented program writes of its
  // counts as it ends, and below the long text's formatted one.
  const std::string longText = WrittenBy([](FILE* out) { bench::WriteDescription(out, 3 << 20); });
  struct Case {
    std::string failing, reason;
    mode_t fileMode, folderMode;
    bool limited;       // by the size of a file, else by permissions
    std::string other;  // a file named after it, rewritten all the same
  };
  for (const Case& c : {Case{"long.qel", "File too large", 0644, 0700, true, ""},
                        Case{"messy.qel", "Permission denied", 0666, 0555, false, ""},
                        Case{"read-only.qel", "Permission denied", 0444, 0777, false, "messy.qel"}}) {
#if defined(QEL_COVERAGE_BUILD)
    if (!c.limited) continue;  // an unprivileged program may not write its counts
#endif
    const std::string& text = c.limited ? longText : kMessy;
    Folder f;
    f.Put(c.failing, text, c.fileMode);
    std::vector<std::string> args = {"-i", c.failing};
    std::set<std::string> names = {c.failing};
    if (!c.other.empty()) {
      f.Put(c.other, kMessy, 0666);
      args.push_back(c.other);
      names.insert(c.other);
    }
    chmod(f.path().c_str(), c.folderMode);
    Outcome o = c.limited ? RunPrepared(args, f.path(),
                                        [] {
                                          rlimit small = {1 << 20, 1 << 20};
                                          setrlimit(RLIMIT_FSIZE, &small);
                                        })
                          : RunUnprivileged(args, f.path());
    if (o.status == 125) GTEST_SKIP() << "the program cannot be run without privileges";
    EXPECT_EQ(o.status, 1) << c.failing;
    EXPECT_EQ(o.err, "qel2json-format: cannot rewrite " + c.failing + ": " + c.reason + "\n");
    EXPECT_TRUE(ReadFileBytes(f / c.failing) == text) << c.failing << " is changed";
    if (!c.other.empty()) {
      EXPECT_EQ(ReadFileBytes(f / c.other), Formatted(kMessy));
    }
    EXPECT_EQ(f.Names(), names);
  }
}

// Standard input is read in a buffer that grows: a description several
// times its first size formats as the same file does.
TEST(Input, ALongDescriptionOnStandardInputFormatsAsItsFile) {
  Folder f;
  std::string text = WrittenBy([](FILE* out) { bench::WriteDescription(out, 300000); });
  f.Put("long.qel", text);
  Outcome fromFile = RunProgram(kFormat, {"long.qel"}, "", 0, f.path());
  Outcome fromPipe = RunProgram(kFormat, {"-"}, text);
  ASSERT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(fromPipe.status, 0) << fromPipe.err;
  EXPECT_GT(fromFile.out.size(), text.size() / 2);
  EXPECT_TRUE(fromPipe.out == fromFile.out) << "standard input formats otherwise than the file";
}

// Each way of writing to standard output fails with its reason on a full
// disk, as the command line does.
TEST(Output, AFullDiskIsAFailureWithItsReason) {
  Folder f;
  f.Put("messy.qel", kMessy);
  f.Put("messy.json", RunProgram(QEL2JSON, {}, kMessy).out);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"messy.qel"}, {"--from-json", "messy.json"}, {"--check", "messy.qel"}}) {
    Outcome o = RunPrepared(args, f.path(), [] { dup2(open("/dev/full", O_WRONLY), 1); });
    EXPECT_EQ(o.status, 1) << args[0];
    EXPECT_NE(o.err.find("cannot write the output: No space left on device\n"), std::string::npos) << o.err;
  }
}

// A description large enough that a run takes a while, in a messy layout.
std::string LargeMessyDescription() {
  std::string params;
  for (int i = 0; i < 40000; ++i) params += "\"p" + std::to_string(i) + "\" \"u\" < 1.0 > < > NIL < > NIL < >\n";
  return "SYSTEM LINEAR < \"big\" > < > < > \"C\" VARIABLES < > < > <\n" + params +
         "> < > < > < > < > < > < > < > < > < > < > < > < > < > < >\n";
}

bool HoldsTemporaryFile(const Folder& f) {
  for (const std::string& name : f.Names())
    if (name.starts_with(".qel2json-format-")) return true;
  return false;
}

// Ended by a signal at any moment, a run leaves the file with its old text
// or its new one, and no temporary file.  Runs of three kinds take turns:
// the signal comes as soon as the temporary file is seen (while writing),
// as soon as it is gone again (just after the rename), or after a delay
// that grows from run to run up to thrice a whole run.
TEST(InPlace, AnInterruptedRunLeavesTheFileWhole) {
  Folder f;
  const std::string original = LargeMessyDescription();
  const std::string formatted = Formatted(original);
  ASSERT_NE(formatted, original);
  f.Put("big.qel", original);
  auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(RunProgram(kFormat, {"-i", "big.qel"}, "", 0, f.path()).status, 0);
  auto whole = std::chrono::steady_clock::now() - started;
  int oldSeen = 0, newSeen = 0, caughtWriting = 0;
  for (int i = 0; i < 45 && (i < 12 || !oldSeen || !newSeen || !caughtWriting); ++i) {
    f.Put("big.qel", original);
    pid_t pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      if (chdir(f.path().c_str()) != 0) _exit(126);
      execl(kFormat.c_str(), kFormat.c_str(), "-i", "big.qel", nullptr);
      _exit(127);
    }
    const int kind = i % 3;
    auto deadline = std::chrono::steady_clock::now() + (kind == 0 ? whole * (i / 3) / 4 : std::chrono::seconds(20));
    bool seen = false, ended = false;
    int raw = 0;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
      ended = waitpid(pid, &raw, WNOHANG) == pid;
      bool holds = !ended && HoldsTemporaryFile(f);
      if ((kind == 1 && holds) || (kind == 2 && seen && !holds)) break;
      seen = seen || holds;
    }
    if (!ended) {
      kill(pid, i % 2 ? SIGTERM : SIGINT);
      waitpid(pid, &raw, 0);
    }
    caughtWriting += kind == 1 && !ended && WIFSIGNALED(raw);
    std::string now = ReadFileBytes(f / "big.qel");
    EXPECT_TRUE(now == original || now == formatted) << "run " << i;
    (now == original ? oldSeen : newSeen) += 1;
    EXPECT_EQ(f.Names(), std::set<std::string>{"big.qel"}) << "run " << i << " of kind " << kind;
  }
  EXPECT_GT(oldSeen, 0);
  EXPECT_GT(newSeen, 0);
  EXPECT_GT(caughtWriting, 0) << "no run was ended while its temporary file existed";
}

}  // namespace

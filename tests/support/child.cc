#include "support/child.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

// Present only in a build instrumented for coverage.
extern "C" void __gcov_dump() __attribute__((weak));

namespace {

// Waits (a bounded time) until the reader has taken every byte written to
// the pipe, so that the next write arrives as a piece of its own.  A reader
// that is gone takes nothing more.
void AwaitDrained(int fd) {
  for (int i = 0; i < 20000; ++i) {
    int pending = 0;
    if (ioctl(fd, FIONREAD, &pending) != 0 || pending == 0) return;
    pollfd p = {fd, POLLOUT, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & POLLERR)) return;
    usleep(50);
  }
}

int DecodeStatus(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

// Reads both pipes to their ends while writing input to the child.
void Pump(int outFd, int errFd, int inFd, const std::string& input, size_t piece, Outcome& o) {
  size_t sent = 0;
  if (inFd >= 0 && input.empty()) {
    close(inFd);
    inFd = -1;
  }
  while (outFd >= 0 || errFd >= 0 || inFd >= 0) {
    pollfd fds[3];
    int n = 0;
    if (outFd >= 0) fds[n++] = {outFd, POLLIN, 0};
    if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
    if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
    if (poll(fds, n, -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("poll failed");
    }
    for (int i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      int fd = fds[i].fd;
      if (fd == inFd) {
        size_t chunk = input.size() - sent;
        if (piece && chunk > piece) chunk = piece;
        ssize_t w = write(fd, input.data() + sent, chunk);
        if (w > 0) sent += size_t(w);
        if (w < 0 || sent == input.size()) {
          close(inFd);
          inFd = -1;
        } else if (piece) {
          AwaitDrained(fd);
        }
        continue;
      }
      char buf[65536];
      ssize_t r = read(fd, buf, sizeof buf);
      if (r > 0) {
        (fd == outFd ? o.out : o.err).append(buf, size_t(r));
      } else {
        close(fd);
        (fd == outFd ? outFd : errFd) = -1;
      }
    }
  }
}

// Executes the program with the arguments, in the child.
[[noreturn]] void Execute(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

}  // namespace

Outcome RunInChild(const std::function<void()>& body) {
  int out[2], err[2];
  if (pipe(out) || pipe(err)) throw std::runtime_error("pipe failed");
  fflush(stdout);
  fflush(stderr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    close(out[1]);
    close(err[1]);
    body();
    fflush(stdout);
    fflush(stderr);
    if (__gcov_dump) __gcov_dump();  // a coverage build counts what the child ran
    _exit(0);
  }
  close(out[1]);
  close(err[1]);
  Outcome o;
  Pump(out[0], err[0], -1, "", 0, o);
  int raw;
  waitpid(pid, &raw, 0);
  o.status = DecodeStatus(raw);
  return o;
}

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& input, size_t piece, const std::string& dir) {
  int in[2], out[2], err[2];
  if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe failed");
  signal(SIGPIPE, SIG_IGN);  // the program may stop reading early
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    signal(SIGPIPE, SIG_DFL);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    Execute(program, args);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  Outcome o;
  Pump(out[0], err[0], in[1], input, piece, o);
  int raw;
  waitpid(pid, &raw, 0);
  o.status = DecodeStatus(raw);
  return o;
}

Outcome RunProgramAfter(const std::function<void()>& setUp, const std::string& program,
                        const std::vector<std::string>& args) {
  return RunInChild([&] {
    setUp();
    Execute(program, args);
  });
}

TempFile::TempFile(const std::string& bytes) {
  char name[] = "/tmp/qel2json-test-XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
    if (w <= 0) throw std::runtime_error("write failed");
    done += size_t(w);
  }
  close(fd);
  path_ = name;
}

TempFile::~TempFile() { unlink(path_.c_str()); }

int TempFile::Open() const { return open(path_.c_str(), O_RDONLY); }

std::vector<std::string> CasesIn(const std::string& dir, const std::function<bool(const std::string&)>& keep) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name[0] != '.' && keep(name)) names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> StemsIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> stems = CasesIn(dir, [&](const std::string& name) { return name.ends_with(suffix); });
  for (std::string& stem : stems) stem.resize(stem.size() - suffix.size());
  return stems;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

size_t ResidentBytes() {
  long pages = 0, resident = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (f && fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  if (f) fclose(f);
  return size_t(resident) * size_t(sysconf(_SC_PAGESIZE));
}

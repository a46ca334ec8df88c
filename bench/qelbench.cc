// qelbench: times the translator on generated descriptions.
//
//   qelbench [--program PATH] [--data DIR] [--runs N] [--sizes 1,10,100] [--stress]
//            [--example PATH] [--formatter PATH]
//
// For each size (MB) it generates two descriptions once (kept in DIR): one
// with a realistic mix of constructs and names, and one dense in tokens whose
// output is about ten times its size.  It runs the program on each N times
// with standard output to /dev/null, and prints the median wall time, input
// and output MB/s and peak resident memory.  With --formatter (the program
// qel2json-format) it also formats each description and writes it back
// from its document, with the wall time as a multiple of the
// translation's.  With
// --stress it runs the stress shapes instead, each at a quarter and at full
// size, so that the time per unit shows whether it grows linearly.  Last,
// it translates the bundled example many times over, once by starting the
// program for each translation and once with one translator of the library
// used again and again, and prints the time per translation of each.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/generator.h"
#include "qel2json.hpp"

namespace {

struct Run {
  double seconds;
  double peakBytes;
  uint64_t outBytes;
  int status;
};

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Runs program with its arguments; standard output to /dev/null, or
// counted through a pipe when count is set.
Run RunOnce(const std::string& program, const std::vector<std::string>& args, bool count) {
  int pipefd[2] = {-1, -1};
  if (count && pipe(pipefd) != 0) exit(1);
  double start = Now();
  pid_t pid = fork();
  if (pid == 0) {
    int out = count ? pipefd[1] : open("/dev/null", O_WRONLY);
    int err = open("/dev/null", O_WRONLY);
    dup2(out, 1);
    dup2(err, 2);
    if (count) close(pipefd[0]);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  Run r = {0, 0, 0, 0};
  if (count) {
    close(pipefd[1]);
    std::vector<char> buf(1 << 20);
    ssize_t n;
    while ((n = read(pipefd[0], buf.data(), buf.size())) > 0) r.outBytes += uint64_t(n);
    close(pipefd[0]);
  }
  int raw;
  rusage usage;
  wait4(pid, &raw, 0, &usage);
  r.seconds = Now() - start;
  r.peakBytes = double(usage.ru_maxrss) * 1024.0;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return r;
}

uint64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

// Writes the file in a child process: a forked child starts with the
// resident memory of its parent, which counts in its peak, so the generators'
// buffers must never grow this process.  The file gets its name only when
// complete, so an interrupted run leaves no short file to be reused.
std::string Ensure(const std::string& dir, const std::string& name, const std::function<void(FILE*)>& write) {
  std::string path = dir + "/" + name;
  if (FileSize(path) > 0) return path;
  std::string part = path + ".part";
  pid_t pid = fork();
  if (pid == 0) {
    FILE* f = fopen(part.c_str(), "w");
    if (!f) {
      perror(part.c_str());
      _exit(1);
    }
    write(f);
    _exit(fclose(f) == 0 ? 0 : 1);
  }
  int raw = 0;
  if (pid < 0 || waitpid(pid, &raw, 0) != pid || !WIFEXITED(raw) || WEXITSTATUS(raw) != 0 ||
      rename(part.c_str(), path.c_str()) != 0) {
    fprintf(stderr, "cannot write %s\n", path.c_str());
    exit(1);
  }
  return path;
}

struct Options {
  std::string program = "build/qel2json";
  std::string example = "examples/plant.qel";
  std::string data = "build/bench-data";
  std::string formatter;
  int runs = 5;
  std::vector<int> sizes = {1, 10, 100};
  bool stress = false;
};

// Prints the row of a program's runs on a file and returns the median wall
// time; with `relative`, the time is also shown as a multiple of it.
double Measure(const std::string& program, const std::vector<std::string>& args, const std::string& label,
               const std::string& file, int runs, double relative = 0) {
  Run sized = RunOnce(program, args, true);
  std::vector<Run> all;
  for (int i = 0; i < runs; ++i) all.push_back(RunOnce(program, args, false));
  std::sort(all.begin(), all.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
  const Run& median = all[all.size() / 2];
  double peak = 0;
  for (const Run& r : all) peak = std::max(peak, r.peakBytes);
  double in = double(FileSize(file));
  double inMB = in / 1e6, outMB = double(sized.outBytes) / 1e6;
  printf("%-32s %9.1f %9.1f %8.3f %9.1f %9.1f %9.1f %7.1f %6d", label.c_str(), inMB, outMB, median.seconds,
         inMB / median.seconds, outMB / median.seconds, peak / 1e6, peak / in, median.status);
  if (relative > 0) printf("   x%.2f", median.seconds / relative);
  printf("\n");
  fflush(stdout);
  return median.seconds;
}

void Measure(const Options& o, const std::string& label, const std::string& file, int runs) {
  double translated = Measure(o.program, {file}, label, file, runs);
  if (o.formatter.empty()) return;
  Measure(o.formatter, {file}, "  formatted", file, runs, translated);
  std::string document = file.substr(0, file.size() - 4) + ".json";
  if (FileSize(document) == 0) {
    std::string command = o.program + " " + file + " > " + document;
    if (system(command.c_str()) != 0) exit(1);
  }
  Measure(o.formatter, {"--from-json", document}, "  written from its document", document, runs, translated);
}

std::string ReadFile(const std::string& path) {
  std::string text;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) {
    perror(path.c_str());
    exit(1);
  }
  char block[65536];
  for (size_t n; (n = fread(block, 1, sizeof block, f)) > 0;) text.append(block, n);
  fclose(f);
  return text;
}

// One translation of the example per process, against one translator of
// the library used for every translation: the median time per translation
// of several rounds of each.
void CompareReuse(const Options& o) {
  constexpr int kProcesses = 500, kReused = 20000;
  std::vector<double> process, reused;
  std::string text = ReadFile(o.example);
  qel2json::Translator translator;
  for (int round = 0; round < std::max(3, o.runs); ++round) {
    double start = Now();
    for (int i = 0; i < kProcesses; ++i)
      if (RunOnce(o.program, {o.example}, false).status != 0) exit(1);
    process.push_back((Now() - start) / kProcesses);
    start = Now();
    for (int i = 0; i < kReused; ++i)
      if (translator.translate(text, o.example.c_str()).status() != 0) exit(1);
    reused.push_back((Now() - start) / kReused);
  }
  std::sort(process.begin(), process.end());
  std::sort(reused.begin(), reused.end());
  double p = process[process.size() / 2], r = reused[reused.size() / 2];
  printf("\n%-32s %12s\n", "the example, per translation", "median us");
  printf("%-32s %12.1f\n", "a process each", p * 1e6);
  printf("%-32s %12.1f\n", "one translator, reused", r * 1e6);
  printf("%-32s %12.1f\n", "ratio", p / r);
}

void Header() {
  printf("%-32s %9s %9s %8s %9s %9s %9s %7s %6s\n", "case", "in MB", "out MB", "wall s", "in MB/s", "out MB/s",
         "peak MB", "B/B in", "status");
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        fprintf(stderr, "%s needs a value\n", a.c_str());
        exit(1);
      }
      return argv[++i];
    };
    if (a == "--program") {
      o.program = value();
    } else if (a == "--data") {
      o.data = value();
    } else if (a == "--runs") {
      o.runs = std::max(1, atoi(value().c_str()));
    } else if (a == "--sizes") {
      o.sizes.clear();
      std::string list = value();
      for (size_t at = 0; at < list.size();) {
        o.sizes.push_back(atoi(list.c_str() + at));
        size_t comma = list.find(',', at);
        at = comma == std::string::npos ? list.size() : comma + 1;
      }
    } else if (a == "--example") {
      o.example = value();
    } else if (a == "--formatter") {
      o.formatter = value();
    } else if (a == "--stress") {
      o.stress = true;
    } else {
      fprintf(stderr,
              "usage: qelbench [--program PATH] [--data DIR] [--runs N] [--sizes 1,10,100] [--stress] "
              "[--example PATH] [--formatter PATH]\n");
      return 1;
    }
  }
  mkdir(o.data.c_str(), 0755);
  Header();
  if (!o.stress) {
    for (int mb : o.sizes) {
      const uint64_t bytes = uint64_t(mb) * 1000000;
      std::string name = "description-" + std::to_string(mb) + "MB.qel";
      std::string file = Ensure(o.data, name, [&](FILE* f) { bench::WriteDescription(f, bytes); });
      Measure(o, name, file, o.runs);
      name = "dense-" + std::to_string(mb) + "MB.qel";
      file = Ensure(o.data, name, [&](FILE* f) { bench::WriteDense(f, bytes); });
      Measure(o, name, file, o.runs);
    }
    CompareReuse(o);
    return 0;
  }
  struct Shape {
    std::string name;
    uint64_t full;
    std::function<void(FILE*, uint64_t)> write;
  };
  std::vector<Shape> shapes = {
      // The densest descriptions: 25,000,000 strings "s", 100 MB, all on one
      // line or one on each line.
      {"strings-one-line", 25000000, [](FILE* f, uint64_t n) { bench::WriteStringList(f, n, 0); }},
      {"strings-per-line", 25000000, [](FILE* f, uint64_t n) { bench::WriteStringList(f, n, 1); }},
      {"coupletrees", 3000, [](FILE* f, uint64_t n) { bench::WriteNestedCoupletrees(f, int(n)); }},
      {"oneline", 100000000, [](FILE* f, uint64_t n) { bench::WriteOneLine(f, n); }},
      {"continued", 100000, [](FILE* f, uint64_t n) { bench::WriteContinuedString(f, n * 100, n); }},
      {"errors", 1000000, [](FILE* f, uint64_t n) { bench::WriteSyntaxErrors(f, n); }},
  };
  for (const Shape& s : shapes) {
    for (uint64_t n : {s.full / 4, s.full}) {
      std::string name = s.name + "-" + std::to_string(n) + ".qel";
      std::string file = Ensure(o.data, name, [&](FILE* f) { s.write(f, n); });
      Measure(o, name, file, std::min(o.runs, 3));
    }
  }
  return 0;
}

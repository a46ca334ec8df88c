// Scanner throughput over a large generated description, read through the
// source buffer as a translation reads its input.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "scanner/scanner.h"
#include "scanner/tokens.h"
#include "source/report.h"
#include "source/source_buffer.h"
#include "store/string_table.h"
#include "translator/translation.h"

using namespace qel2json::detail;

namespace {

constexpr size_t kTargetSize = 32u << 20;

// A description-like text: nested lists of variables with names, units,
// values and debug information, linear representations over index lists,
// comments, blank and tab indentation, LF and CR LF line ends.
class Generator {
 public:
  std::string Make(size_t size) {
    text_.reserve(size + 4096);
    text_ += "-- generated system description\nSYSTEM NONLINEAR < \"bench\" >\n";
    while (text_.size() < size) Block();
    return std::move(text_);
  }

 private:
  int Pick(int n) { return int(random_() % unsigned(n)); }

  void Indent() {
    if (Pick(4) == 0)
      text_ += "\t\t";
    else
      text_.append(size_t(2 + 2 * Pick(3)), ' ');
  }

  void LineEnd() { text_ += Pick(8) == 0 ? "\r\n" : "\n"; }

  void Name() {
    static const char* const kNames[] = {"k", "u_in", "y_out", "x", "gearbox", "motor.torque",
                                         "rad/s", "1/s", "V", "plant.c", "say \\\"hi\\\"", "tab\\t"};
    text_ += '"';
    text_ += kNames[Pick(12)];
    if (Pick(3) == 0) text_ += std::to_string(Pick(1000));
    text_ += '"';
  }

  void Real() {
    static const char* const kReals[] = {"1.0", "0.0", "2.5e-3", "-0.125", "3.14159", "1E5",
                                         "-2.75E+10", ".5", "6.02e23", "100.0F"};
    text_ += kReals[Pick(10)];
  }

  void Values() {
    text_ += "< ";
    for (int i = Pick(6); i > 0; --i) {
      Real();
      text_ += ' ';
    }
    text_ += '>';
  }

  void Variable() {
    Indent();
    text_ += "< ";
    Name();
    text_ += ' ';
    Name();
    text_ += ' ';
    Values();
    text_ += ' ';
    Values();
    text_ += Pick(2) ? " REAL " : " INTEGER ";
    text_ += std::to_string(Pick(100000) - 500);
    text_ += Pick(3) ? " NIL < > >" : " REFERENCES < \"plant.c\" 12 4 12 30 > IDENT X < 1 > 7 < Y < 1 > > \"x'\" >";
    if (Pick(5) == 0) text_ += "\t-- initial state";
    LineEnd();
  }

  void Linear() {
    Indent();
    static const char* const kWords[] = {"A", "A0", "E", "F", "H", "P", "T", "U", "X", "Y", "DX",
                                         "ALLP", "ALLU", "ALLY"};
    text_ += "< ";
    for (int i = 2 + Pick(8); i > 0; --i) {
      text_ += kWords[Pick(14)];
      text_ += " < ";
      text_ += std::to_string(1 + Pick(64));
      text_ += " > ";
    }
    text_ += "LINEARCODE >";
    LineEnd();
  }

  void Block() {
    text_ += "-- block ";
    text_ += std::to_string(blocks_++);
    text_ += ": state, auxiliary and function variables\n";
    text_ += Pick(2) ? "< \"block\" > \"BlockClass\" VARIABLES\n" : "SYSTEMTYPE PARTIALLINEAR ISEXTERN STRING\n";
    for (int i = 4 + Pick(12); i > 0; --i) Variable();
    for (int i = 1 + Pick(4); i > 0; --i) Linear();
    text_ += "< >";
    LineEnd();
  }

  std::mt19937 random_{20240611};
  std::string text_;
  int blocks_ = 0;
};

const std::string& Description() {
  static const std::string text = Generator().Make(kTargetSize);
  return text;
}

// The scanner with its own buffer, strings and reports, reading the
// description from memory in the blocks a file would give.
struct Scan : DiagnosticSink {
  Scan() : reader(Description().data(), Description().size()) {
    reports.Start("bench", *this, scanner.currentLine());
    buffer.Open(reader);
    scanner.Start();
  }
  void Add(const Diagnostic&) override { ++diagnostics; }

  int diagnostics = 0;
  MemoryReader reader;
  PageSource pages;
  Reports reports;
  SourceBuffer buffer{pages, reports};
  StringTable strings{pages};
  Scanner scanner{buffer, strings, reports};
};

// Rates relative to the size of the description, so that the benchmarks
// compare directly.
void SetRates(benchmark::State& state) {
  double size = double(Description().size());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
  state.counters["MB/s"] = benchmark::Counter(size / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ScanDescription(benchmark::State& state) {
  long tokens = 0;
  int diagnostics = 0;
  for (auto _ : state) {
    Scan scan;
    int attribute = 0;
    while (scan.scanner.Next(&attribute) != TK_EndOfText) ++tokens;
    benchmark::DoNotOptimize(attribute);
    diagnostics += scan.diagnostics;
  }
  if (diagnostics != 0) state.SkipWithError("the generated description has lexical errors");
  SetRates(state);
  state.counters["tokens"] = double(tokens) / double(state.iterations());
}

// The texts that the scan stores: every real and string literal.
struct Literals {
  std::string bytes;
  std::vector<int> lengths;
};

const Literals& LiteralsOfDescription() {
  static const Literals literals = [] {
    Literals l;
    Scan scan;
    int attribute = 0;
    for (int code; (code = scan.scanner.Next(&attribute)) != TK_EndOfText;) {
      if (code != TK_RealLiteral && code != TK_StringLiteral) continue;
      l.bytes.append(scan.scanner.tokenBegin(), scan.scanner.tokenLimit());
      l.lengths.push_back(int(scan.scanner.tokenLimit() - scan.scanner.tokenBegin()));
    }
    return l;
  }();
  return literals;
}

// The share of the string table in the scan: the same stores, without the
// scan around them.
void BM_StoreLiterals(benchmark::State& state) {
  const Literals& literals = LiteralsOfDescription();
  PageSource pages;
  StringTable table(pages);
  for (auto _ : state) {
    table.Clear();
    const char* text = literals.bytes.data();
    for (int length : literals.lengths) {
      benchmark::DoNotOptimize(table.Store(text, length));
      text += length;
    }
  }
  SetRates(state);
  state.counters["literals"] = double(literals.lengths.size());
}

BENCHMARK(BM_ScanDescription)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreLiterals)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

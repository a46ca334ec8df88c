#include "bench/generator.h"

#include <algorithm>
#include <string>

namespace bench {

namespace {

class Random {
 public:
  explicit Random(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return int(Next() % uint64_t(n)); }

 private:
  uint64_t s_;
};

// Writes through a string, flushed in large pieces.
class Writer {
 public:
  Writer(FILE* out, uint64_t seed) : r(seed), out_(out) {}
  ~Writer() { Flush(); }
  uint64_t Written() const { return written_ + buf_.size(); }
  Writer& operator<<(const std::string& s) {
    buf_ += s;
    if (buf_.size() > (1 << 20)) Flush();
    return *this;
  }
  Writer& operator<<(const char* s) { return *this << std::string(s); }
  Writer& operator<<(long v) { return *this << std::to_string(v); }
  void Flush() {
    fwrite(buf_.data(), 1, buf_.size(), out_);
    written_ += buf_.size();
    buf_.clear();
  }

  // Literals that are valid JSON as they stand.
  std::string Name() {
    static const char* const kWords[] = {
        "shaft_speed",        "motor_torque",     "valve_position", "controller_gain",
        "coolant_flow_rate",  "inlet_temperature", "actuator_stroke", "tank_fill_level",
        "angular_velocity",   "axle_load",         "k\\\"p factor",  "path\\\\segment"};
    std::string name = "\"";
    name.append(kWords[r.Below(12)]).append("_").append(std::to_string(r.Below(1000))).append("\"");
    return name;
  }
  std::string Unit() {
    static const char* const kUnits[] = {"\"m/s\"", "\"N*m\"", "\"1\"", "\"K\"", "\"rad/s\"", "\"kg/s\""};
    return kUnits[r.Below(6)];
  }
  std::string Real() {
    static const char* const kReals[] = {"1.5", "-0.25", "3.0e5", "2E-3", "0.0", "12.75", "-4.5e1", "100.125"};
    return kReals[r.Below(8)];
  }
  std::string Int() { return std::to_string(r.Below(200) - 20); }

  Random r;

 private:
  FILE* out_;
  std::string buf_;
  uint64_t written_ = 0;
};

void Reals(Writer& w, int n) {
  w << "< ";
  for (int i = 0; i < n; ++i) w << w.Real() << " ";
  w << "> ";
}

void Ints(Writer& w, int n) {
  w << "< ";
  for (int i = 0; i < n; ++i) w << w.Int() << " ";
  w << "> ";
}

void Strings(Writer& w, int n) {
  w << "< ";
  for (int i = 0; i < n; ++i) w << w.Name() << " ";
  w << "> ";
}

void Ident(Writer& w) {
  static const char* const kKinds[] = {"X", "Y", "U", "P", "T", "H", "A", "A0", "DX", "F"};
  int k = w.r.Below(12);
  if (k >= 10) {
    w << "E ";
    Ints(w, 1 + w.r.Below(2));
    Strings(w, w.r.Below(2));
    switch (w.r.Below(5)) {
      case 0: w << "ALLP "; Strings(w, 1); break;
      case 1: w << "ALLU "; Strings(w, 0); break;
      case 2: w << "ALLY "; Strings(w, 1); break;
      case 3: w << "INTEGER " << w.Int() << " "; break;
      default: w << "STRING " << w.Name() << " "; break;
    }
    return;
  }
  w << kKinds[k] << " ";
  Ints(w, 1 + w.r.Below(3));
}

// Expressions nest through functions; the depth is bounded by the caller,
// and an explicit budget keeps the generator itself from recursing deeply.
void Expr(Writer& w, int depth) {
  switch (depth > 0 ? w.r.Below(6) : w.r.Below(4)) {
    case 0: w << "INTEGER " << w.Int() << " "; break;
    case 1: w << "REAL " << w.Real() << " "; break;
    case 2: w << "STRING " << w.Name() << " "; break;
    case 3: w << "IDENT "; Ident(w); break;
    default: {
      w << "FUNCTION ";
      Ident(w);
      w << "< ";
      int n = 1 + w.r.Below(3);
      for (int i = 0; i < n; ++i) Expr(w, depth - 1);
      w << "> ";
    }
  }
}

void Assigns(Writer& w, int n) {
  w << "< ";
  for (int i = 0; i < n; ++i) {
    Ident(w);
    Expr(w, 2);
    w << "\n";
  }
  w << "> ";
}

void Debuginfo(Writer& w) {
  if (w.r.Below(3)) {
    w << "NIL ";
    Strings(w, w.r.Below(2));
    return;
  }
  w << "REFERENCES < ";
  int n = 1 + w.r.Below(2);
  for (int i = 0; i < n; ++i)
    w << w.Name() << " " << w.Int() << " " << w.Int() << " " << w.Int() << " " << w.Int() << " ";
  w << "> ";
  Expr(w, 1);
  w << w.Int() << " < ";
  Ident(w);
  w << "> " << w.Name() << " ";
}

// Inputs and states end with a start value, outputs have none.
void Quantities(Writer& w, int n, bool withValue) {
  for (int i = 0; i < n; ++i) {
    w << w.Name() << " " << w.Unit() << " ";
    Reals(w, w.r.Below(2));
    Reals(w, withValue ? w.r.Below(2) : 0);
    if (withValue) w << w.Real() << " ";
    Debuginfo(w);
    w << "\n";
  }
}

void Variables(Writer& w, int scale) {
  w << "VARIABLES\n";
  Strings(w, 1 + w.r.Below(2));
  Strings(w, 1);
  w << "\n< ";
  for (int i = 0; i < scale; ++i) {  // parameters
    w << w.Name() << " " << w.Unit() << " ";
    Reals(w, w.r.Below(3));
    Reals(w, w.r.Below(3));
    if (w.r.Below(2)) {
      w << "REAL " << w.Real() << " ";
    } else {
      w << "NIL ";
      Strings(w, 0);
    }
    Debuginfo(w);
    w << "\n";
  }
  w << ">\n< ";
  Quantities(w, scale, true);  // inputs
  w << ">\n< ";
  Quantities(w, scale, false);  // outputs
  w << ">\n";
  Strings(w, 1 + w.r.Below(4));  // functions
  w << "\n< ";
  Quantities(w, scale, true);  // states
  w << ">\n< ";
  for (int i = 0; i < scale; ++i) {  // auxiliaries
    w << w.Name() << " ";
    if (w.r.Below(2))
      w << "INTEGER " << w.Int() << " ";
    else
      w << "REAL " << w.Real() << " ";
    Debuginfo(w);
    w << "\n";
  }
  w << ">\n";
}

// A Specificationtree below the root: variables, an instantiation or an external part,
// with a few nested subtrees (at most `depth` levels).
void Subtree(Writer& w, int depth) {
  Strings(w, 1 + w.r.Below(2));
  w << w.Name() << " ";
  switch (w.r.Below(4)) {
    case 0: w << "INSTANTIATION "; Strings(w, 1); Assigns(w, 1 + w.r.Below(3)); break;
    case 1: w << "ISEXTERN "; Strings(w, 1); break;
    default: Variables(w, 1 + w.r.Below(8)); break;
  }
  w << "< ";
  int n = depth > 0 ? w.r.Below(3) : 0;
  for (int i = 0; i < n; ++i) Subtree(w, depth - 1);
  w << ">\n";
}

void Coupletree(Writer& w, int depth) {
  Assigns(w, w.r.Below(3));
  w << "< ";
  int n = depth > 0 ? w.r.Below(3) : 0;
  for (int i = 0; i < n; ++i) {
    Coupletree(w, depth - 1);
    w << "\n";
  }
  w << "> ";
}

void Matrix(Writer& w) {
  Ints(w, 1 + w.r.Below(3));
  w << "< ";
  int n = w.r.Below(4);
  for (int i = 0; i < n; ++i) {
    w << w.Int() << " " << w.Int() << " ";
    Expr(w, 1);
  }
  w << "> ";
}

void Basicblock(Writer& w) {
  Assigns(w, 1 + w.r.Below(3));
  Assigns(w, w.r.Below(2));  // the link code
  Assigns(w, 0);
  w << "< ";  // further link codes
  for (int i = w.r.Below(2); i > 0; --i) {
    Assigns(w, 1);
    Assigns(w, 0);
  }
  w << "> ";
  Assigns(w, w.r.Below(2));  // no link code
  Assigns(w, 0);
  if (w.r.Below(4)) {
    w << "LINEARCODE ";
    Assigns(w, w.r.Below(2));
    Assigns(w, w.r.Below(2));
    for (int m = 0; m < 4; ++m) Matrix(w);
  } else {
    w << "NIL ";
    Strings(w, 0);
  }
  w << "\n";
}

}  // namespace

void WriteDescription(FILE* out, uint64_t bytes, uint64_t seed) {
  Writer w(out, seed);
  w << "-- generated description of about " << long(bytes) << " bytes\n";
  w << "SYSTEM LINEAR < \"plant\" >\n";
  Strings(w, 3);
  w << "\n< \"root\" > \"RootClass\" ";
  Variables(w, 5);
  // Half of the text in Specificationtrees below the root, the rest spread over the
  // links, the couplings and the basic blocks.
  w << "< ";
  while (w.Written() < bytes / 2) Subtree(w, 3);
  w << ">\n< ";
  while (w.Written() < bytes / 2 + bytes / 20) {
    Ident(w);
    Ident(w);
    w << "\n";
  }
  w << ">\n";
  for (int c = 0; c < 2; ++c) {
    Assigns(w, 2);
    w << "< ";
    while (w.Written() < bytes / 2 + bytes / 20 + (uint64_t(c) + 1) * bytes / 10) {
      Coupletree(w, 4);
      w << "\n";
    }
    w << "> ";
    Assigns(w, 1);
    w << "\n";
  }
  w << "< ";
  while (w.Written() < bytes) Basicblock(w);
  w << ">\n";
}

namespace {

// Short literals for the token-dense description: one-letter names and
// units, integers below 100 and reals of three to five characters, all valid
// JSON as written.
const char* Letter(Writer& w) {
  static const char* const kNames[] = {"\"a\"", "\"b\"", "\"c\"", "\"x\"", "\"y\"", "\"k\"", "\"m\"", "\"q\""};
  return kNames[w.r.Below(8)];
}
const char* ShortUnit(Writer& w) {
  static const char* const kUnits[] = {"\"1\"", "\"m\"", "\"s\"", "\"K\"", "\"N\"", "\"V\""};
  return kUnits[w.r.Below(6)];
}
const char* ShortReal(Writer& w) {
  static const char* const kReals[] = {"1.0", "0.5", "-2.5", "1E3", "0.25", "9.81", "1e-3", "-0.75"};
  return kReals[w.r.Below(8)];
}
long SmallInt(Writer& w) { return w.r.Below(100); }

void ShortReals(Writer& w, int n) {
  w << "<";
  for (int i = 0; i < n; ++i) w << " " << ShortReal(w);
  w << " > ";
}

// An identifier with one to six indices, or now and then an E variable.
void ShortIdent(Writer& w) {
  static const char* const kKinds[] = {"X", "Y", "U", "P", "T", "H", "A", "A0", "DX", "F"};
  int k = w.r.Below(11);
  if (k == 10) {
    w << "E < " << SmallInt(w) << " > < " << Letter(w) << " > INTEGER " << SmallInt(w) << " ";
    return;
  }
  w << kKinds[k] << " <";
  for (int i = 1 + w.r.Below(6); i > 0; --i) w << " " << SmallInt(w);
  w << " > ";
}

void ShortExpr(Writer& w, bool nest) {
  switch (w.r.Below(nest ? 5 : 4)) {
    case 0: w << "INTEGER " << SmallInt(w) << " "; break;
    case 1: w << "REAL " << ShortReal(w) << " "; break;
    case 2: w << "STRING " << Letter(w) << " "; break;
    case 3: w << "IDENT "; ShortIdent(w); break;
    default:
      w << "FUNCTION F < " << SmallInt(w) << " > < ";
      for (int i = 1 + w.r.Below(2); i > 0; --i) ShortExpr(w, false);
      w << "> ";
  }
}

void ShortAssigns(Writer& w, int n) {
  w << "< ";
  for (int i = 0; i < n; ++i) {
    ShortIdent(w);
    ShortExpr(w, true);
  }
  w << "> ";
}

// A small matrix: its dimensions and up to three entries.
void ShortMatrix(Writer& w) {
  w << "< " << SmallInt(w) << " " << SmallInt(w) << " > < ";
  for (int i = w.r.Below(4); i > 0; --i) {
    w << SmallInt(w) << " " << SmallInt(w) << " ";
    ShortExpr(w, false);
  }
  w << "> ";
}

}  // namespace

void WriteDense(FILE* out, uint64_t bytes, uint64_t seed) {
  Writer w(out, seed);
  // The share of the text each part fills, in percent.  Every element of a
  // list of reals or indices gives 25 to 35 output bytes, every construct
  // around it many more, so the output is about ten times the input only
  // when most of the text is such lists: variables with six to sixteen
  // reals, links between identifiers with up to six indices.  The couplings
  // and blocks, nested deeper, give about twenty times their input.
  enum { kParameters, kInputs, kOutputs, kStates, kAuxiliaries, kSubtrees, kLinks, kCouples1, kCouples2, kBlocks };
  static const int kShare[] = {20, 18, 14, 18, 2, 2, 20, 1, 1, 4};
  auto until = [&](int part) {
    uint64_t percent = 0;
    for (int i = 0; i <= part; ++i) percent += uint64_t(kShare[i]);
    return bytes / 100 * percent;
  };
  auto quantity = [&](bool startValue) {
    w << Letter(w) << " " << ShortUnit(w) << " ";
    ShortReals(w, 6 + w.r.Below(11));  // 6 to 16 reals
    ShortReals(w, 4 + w.r.Below(9));   // 4 to 12 reals
    if (startValue) w << ShortReal(w) << " ";
  };
  w << "SYSTEM LINEAR < \"d\" > < \"a\" \"b\" >\n< \"r\" > \"R\" VARIABLES < \"t\" > < \"h\" >\n< ";
  while (w.Written() < until(kParameters)) {
    quantity(false);
    if (w.r.Below(2))
      w << "REAL " << ShortReal(w) << " NIL < >\n";
    else
      w << "NIL < > NIL < >\n";
  }
  w << ">\n< ";
  while (w.Written() < until(kInputs)) {
    quantity(true);
    w << "NIL < >\n";
  }
  w << ">\n< ";
  while (w.Written() < until(kOutputs)) {
    quantity(false);
    w << "NIL < >\n";
  }
  w << ">\n< \"f\" \"g\" >\n< ";  // the functions, then the states
  while (w.Written() < until(kStates)) {
    quantity(true);
    w << "NIL < >\n";
  }
  w << ">\n< ";
  while (w.Written() < until(kAuxiliaries)) {
    w << Letter(w);
    if (w.r.Below(2))
      w << " INTEGER " << SmallInt(w) << " NIL < >\n";
    else
      w << " REAL " << ShortReal(w) << " NIL < >\n";
  }
  w << ">\n< ";
  while (w.Written() < until(kSubtrees))
    w << "< " << Letter(w) << " > " << Letter(w) << " ISEXTERN < " << Letter(w) << " > < >\n";
  w << ">\n< ";
  while (w.Written() < until(kLinks)) {
    ShortIdent(w);
    ShortIdent(w);
    w << "\n";
  }
  w << ">\n";
  for (int c = kCouples1; c <= kCouples2; ++c) {  // small coupletrees
    ShortAssigns(w, 1);
    w << "< ";
    while (w.Written() < until(c)) {
      ShortAssigns(w, 1 + w.r.Below(2));
      w << "< > ";
      ShortAssigns(w, w.r.Below(2));
      w << "< >\n";
    }
    w << "> ";
    ShortAssigns(w, 1);
    w << "\n";
  }
  w << "< ";
  while (w.Written() < bytes) {
    ShortAssigns(w, 1 + w.r.Below(2));
    ShortAssigns(w, w.r.Below(2));
    w << "< > < > < > < > ";
    if (w.r.Below(4)) {
      w << "LINEARCODE < > < >\n";
      for (int m = 0; m < 4; ++m) ShortMatrix(w);
    } else {
      w << "NIL < >";
    }
    w << "\n";
  }
  w << ">\n";
}

namespace {

void Frame(Writer& w, const std::string& strings, const std::string& couples1) {
  w << "SYSTEM LINEAR < > " << strings << " < > \"c\" ISEXTERN < > < > < >\n" << couples1
    << " < > < > < > < >\n";
}

}  // namespace

void WriteStringList(FILE* out, uint64_t count, uint64_t perLine) {
  Writer w(out, 1);
  w << (perLine ? "SYSTEM LINEAR < > <\n" : "SYSTEM LINEAR < > < ");
  // Each string is followed by a blank, or by a line feed when it ends a
  // line.  The text is written in pieces of whole lines of about 4096
  // strings, the same every time.
  auto element = [&](uint64_t i) { return perLine && (i + 1) % perLine == 0 ? "\"s\"\n" : "\"s\" "; };
  const uint64_t piece = perLine ? perLine * std::max<uint64_t>(1, 4096 / perLine) : 4096;
  std::string strings;
  for (uint64_t i = 0; i < piece; ++i) strings += element(i);
  uint64_t i = 0;
  for (; i + piece <= count; i += piece) w << strings;
  for (; i < count; ++i) w << element(i);
  w << "> < > \"c\" ISEXTERN < > < > < > < > < > < > < > < > < > < >\n";
}

void WriteNestedCoupletrees(FILE* out, int depth) {
  Writer w(out, 1);
  std::string nested;
  for (int i = 0; i < depth; ++i) nested += "< > <\n";
  for (int i = 0; i < depth; ++i) nested += "> ";
  Frame(w, "< >", nested + "< >");
}

void WriteOneLine(FILE* out, uint64_t bytes) {
  // The generated description with every line end turned into a blank.
  char* text = nullptr;
  size_t size = 0;
  FILE* mem = open_memstream(&text, &size);
  WriteDescription(mem, bytes, 7);
  fclose(mem);
  for (size_t i = 0; i < size; ++i)
    if (text[i] == '\n') text[i] = ' ';
  // The first line is a comment: keep the description out of it.
  size_t first = std::string(text, size).find("SYSTEM");
  fwrite(text + first, 1, size - first, out);
  free(text);
}

void WriteContinuedString(FILE* out, uint64_t bytes, uint64_t lines) {
  Writer w(out, 1);
  uint64_t per = lines ? bytes / lines : bytes;
  std::string piece(per > 2 ? per - 2 : 1, 'x');
  w << "SYSTEM LINEAR < \"";
  for (uint64_t i = 0; i < lines; ++i) w << piece << "\\\n";
  w << "\" > < > < > \"c\" ISEXTERN < > < > < > < > < > < > < > < > < > < >\n";
}

void WriteSyntaxErrors(FILE* out, uint64_t errors) {
  // Every "INTEGER" inside the list of strings is one syntax error, skipped
  // up to the string after it.  The run allows one more error every twenty
  // lines, so each error is followed by twenty-one line ends.
  Writer w(out, 1);
  w << "SYSTEM LINEAR < > <\n";
  const std::string lines(21, '\n');
  for (uint64_t i = 0; i < errors; ++i) w << "INTEGER \"s\"" << lines;
  w << "> < > \"c\" ISEXTERN < > < > < > < > < > < > < > < > < > < >\n";
}

}  // namespace bench

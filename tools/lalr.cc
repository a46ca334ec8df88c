#include "tools/lalr.h"

#include "scanner/tokens.h"

#include <algorithm>
#include <bitset>
#include <deque>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

using namespace qel2json::detail;

namespace lalr {

namespace {

// ---------------------------------------------------------------- reading

[[noreturn]] void Fail(int line, const std::string& what) {
  throw std::runtime_error("grammar line " + std::to_string(line) + ": " + what);
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Words(const std::string& s, int line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == ' ' || s[i] == '\t') {
      ++i;
      continue;
    }
    size_t j = i;
    if (s[i] == '"') {
      j = s.find('"', i + 1);
      if (j == std::string::npos) Fail(line, "unclosed quote");
      ++j;
    } else {
      while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
    }
    words.push_back(s.substr(i, j - i));
    i = j;
  }
  return words;
}

class Reader {
 public:
  explicit Reader(const std::vector<Terminal>& terminals) {
    int count = 0;
    for (const Terminal& t : terminals) count = std::max(count, t.code + 1);
    g_.terminalCount = count;
    g_.names.assign(size_t(count), "");
    for (const Terminal& t : terminals) {
      g_.names[size_t(t.code)] = t.text.empty() ? t.name : "\"" + t.text + "\"";
      if (!t.text.empty()) symbols_["\"" + t.text + "\""] = t.code;
      if (t.text.empty() && !t.name.empty()) symbols_[t.name] = t.code;
    }
  }

  void Line(const std::string& raw, int line) {
    std::string s = Trim(raw);
    if (s.empty() || s[0] == '#') return;
    size_t arrow = s.find("->"), action = s.find("=>");
    if (arrow == std::string::npos || action == std::string::npos || action < arrow)
      Fail(line, "expected 'number Left -> right side => rule(...)'");
    std::vector<std::string> head = Words(s.substr(0, arrow), line);
    if (head.size() != 2) Fail(line, "expected a number and a left side before '->'");
    Production p;
    p.line = line;
    p.number = std::atoi(head[0].c_str());
    if (p.number <= 0 || std::to_string(p.number) != head[0]) Fail(line, "bad production number");
    p.lhs = Nonterminal(head[1], line);
    for (const std::string& w : Words(s.substr(arrow + 2, action - arrow - 2), line))
      p.rhs.push_back(Symbol(w, line));
    Action(Trim(s.substr(action + 2)), p);
    if (size_t(p.number) >= g_.productions.size()) g_.productions.resize(size_t(p.number) + 1);
    if (g_.productions[size_t(p.number)].number) Fail(line, "production number used twice");
    g_.productions[size_t(p.number)] = p;
  }

  Grammar Finish() {
    if (g_.productions.size() < 2) Fail(0, "no productions");
    std::set<int> onRight, defined;
    for (size_t n = 1; n < g_.productions.size(); ++n) {
      const Production& p = g_.productions[n];
      if (!p.number) Fail(0, "production number " + std::to_string(n) + " is missing");
      defined.insert(p.lhs);
      for (int s : p.rhs) onRight.insert(s);
    }
    for (int s = g_.terminalCount; s < int(g_.names.size()); ++s)
      if (!defined.count(s)) Fail(0, "nonterminal " + g_.names[size_t(s)] + " has no production");
    for (size_t n = 1; n < g_.productions.size(); ++n) {
      const Production& p = g_.productions[n];
      if (onRight.count(p.lhs)) continue;
      if (g_.start) Fail(p.line, "a second start symbol");
      if (p.rhs.size() != 1 || g_.IsTerminal(p.rhs[0]) || !p.rule.empty())
        Fail(p.line, "the start production must be 'Start -> Root => none'");
      g_.start = p.number;
    }
    if (!g_.start) Fail(0, "no start production");
    return g_;
  }

 private:
  int Nonterminal(const std::string& name, int line) {
    if (name.empty() || name[0] == '"') Fail(line, "a left side must be a nonterminal");
    int s = Symbol(name, line);
    if (g_.IsTerminal(s)) Fail(line, name + " is a terminal");
    return s;
  }

  int Symbol(const std::string& word, int line) {
    auto it = symbols_.find(word);
    if (it != symbols_.end()) return it->second;
    if (word[0] == '"') Fail(line, "unknown terminal " + word);
    int s = int(g_.names.size());
    g_.names.push_back(word);
    symbols_[word] = s;
    return s;
  }

  // "none" or "rule(#a, #b, ...)".
  void Action(const std::string& text, Production& p) {
    if (text == "none") return;
    size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close != text.size() - 1) Fail(p.line, "bad tree rule");
    p.rule = Trim(text.substr(0, open));
    std::stringstream args(text.substr(open + 1, close - open - 1));
    std::string arg;
    while (std::getline(args, arg, ',')) {
      arg = Trim(arg);
      if (arg.size() < 2 || arg[0] != '#') Fail(p.line, "bad argument " + arg);
      int k = std::atoi(arg.c_str() + 1);
      if (k < 1 || k > int(p.rhs.size())) Fail(p.line, "argument " + arg + " is not on the right side");
      p.args.push_back(k);
    }
  }

  Grammar g_;
  std::map<std::string, int> symbols_;
};

// ------------------------------------------------------------ automaton

// Lookahead sets: one bit per terminal code, and one for the placeholder
// that stands for "the lookahead of the kernel item" while propagating.
constexpr int kMaxTerminals = 63;
constexpr int kPropagate = 63;
using Lookahead = std::bitset<64>;

class Builder {
 public:
  explicit Builder(const Grammar& g) : g_(g) {
    if (g.terminalCount > kMaxTerminals) throw std::runtime_error("too many terminals");
    byLeft_.resize(g.names.size());
    for (size_t n = 1; n < g.productions.size(); ++n)
      byLeft_[size_t(g.productions[n].lhs)].push_back(int(n));
    ComputeFirst();
  }

  Automaton Run() {
    BuildLr0();
    ComputeLookaheads();
    Reductions();
    FindConflicts();
    return a_;
  }

 private:
  const Production& P(int n) const { return g_.productions[size_t(n)]; }
  int After(const Item& i) const {
    const Production& p = P(i.prod);
    return i.dot < int(p.rhs.size()) ? p.rhs[size_t(i.dot)] : -1;
  }

  void ComputeFirst() {
    first_.assign(g_.names.size(), Lookahead());
    nullable_.assign(g_.names.size(), false);
    for (int t = 0; t < g_.terminalCount; ++t) first_[size_t(t)].set(size_t(t));
    for (bool changed = true; changed;) {
      changed = false;
      for (size_t n = 1; n < g_.productions.size(); ++n) {
        const Production& p = P(int(n));
        Lookahead f = first_[size_t(p.lhs)];
        bool allNullable = true;
        for (int s : p.rhs) {
          f |= first_[size_t(s)];
          if (!nullable_[size_t(s)]) {
            allNullable = false;
            break;
          }
        }
        if (f != first_[size_t(p.lhs)] || (allNullable && !nullable_[size_t(p.lhs)])) {
          first_[size_t(p.lhs)] = f;
          nullable_[size_t(p.lhs)] = nullable_[size_t(p.lhs)] || allNullable;
          changed = true;
        }
      }
    }
  }

  // FIRST of rhs[from..] followed by `then`.
  Lookahead FirstOf(const Production& p, size_t from, const Lookahead& then) const {
    Lookahead f;
    for (size_t i = from; i < p.rhs.size(); ++i) {
      f |= first_[size_t(p.rhs[i])];
      if (!nullable_[size_t(p.rhs[i])]) return f;
    }
    return f | then;
  }

  std::vector<Item> Closure(const std::vector<Item>& kernel) const {
    std::vector<Item> items = kernel;
    std::vector<bool> added(g_.names.size(), false);
    for (size_t i = 0; i < items.size(); ++i) {
      int b = After(items[i]);
      if (b < 0 || g_.IsTerminal(b) || added[size_t(b)]) continue;
      added[size_t(b)] = true;
      for (int q : byLeft_[size_t(b)]) items.push_back({q, 0});
    }
    return items;
  }

  void BuildLr0() {
    std::map<std::vector<Item>, int> index;
    a_.states.push_back({{{g_.start, 0}}, {}, {}});
    index[a_.states[0].kernel] = 0;
    for (size_t s = 0; s < a_.states.size(); ++s) {
      std::map<int, std::vector<Item>> moves;
      for (const Item& i : Closure(a_.states[s].kernel)) {
        int x = After(i);
        if (x >= 0) moves[x].push_back({i.prod, i.dot + 1});
      }
      for (auto& [x, kernel] : moves) {
        std::sort(kernel.begin(), kernel.end());
        kernel.erase(std::unique(kernel.begin(), kernel.end()), kernel.end());
        auto [it, fresh] = index.emplace(kernel, int(a_.states.size()));
        if (fresh) a_.states.push_back({kernel, {}, {}});
        a_.states[s].next[x] = it->second;
      }
    }
  }

  // LR(1) closure of items with lookahead sets.
  std::map<Item, Lookahead> Closure1(const std::map<Item, Lookahead>& kernel) const {
    std::map<Item, Lookahead> items = kernel;
    std::deque<Item> work;
    for (const auto& [i, la] : kernel) work.push_back(i);
    while (!work.empty()) {
      Item i = work.front();
      work.pop_front();
      int b = After(i);
      if (b < 0 || g_.IsTerminal(b)) continue;
      Lookahead la = FirstOf(P(i.prod), size_t(i.dot) + 1, items[i]);
      for (int q : byLeft_[size_t(b)]) {
        Lookahead& have = items[{q, 0}];
        if ((have | la) != have) {
          have |= la;
          work.push_back({q, 0});
        }
      }
    }
    return items;
  }

  int KernelIndex(int state, const Item& i) const {
    const std::vector<Item>& k = a_.states[size_t(state)].kernel;
    return int(std::lower_bound(k.begin(), k.end(), i) - k.begin());
  }

  void ComputeLookaheads() {
    size_t n = a_.states.size();
    la_.assign(n, {});
    std::vector<std::vector<std::vector<std::pair<int, int>>>> spreads(n);
    for (size_t s = 0; s < n; ++s) {
      la_[s].assign(a_.states[s].kernel.size(), Lookahead());
      spreads[s].resize(a_.states[s].kernel.size());
    }
    la_[0][0].set(1);  // the start item is followed by end of text
    for (size_t s = 0; s < n; ++s) {
      const State& st = a_.states[s];
      for (size_t k = 0; k < st.kernel.size(); ++k) {
        Lookahead marker;
        marker.set(kPropagate);
        for (const auto& [i, la] : Closure1({{st.kernel[k], marker}})) {
          int x = After(i);
          if (x < 0) continue;
          int t = st.next.at(x);
          int tk = KernelIndex(t, {i.prod, i.dot + 1});
          Lookahead spontaneous = la;
          spontaneous.reset(kPropagate);
          la_[size_t(t)][size_t(tk)] |= spontaneous;
          if (la.test(kPropagate)) spreads[s][k].push_back({t, tk});
        }
      }
    }
    for (bool changed = true; changed;) {
      changed = false;
      for (size_t s = 0; s < n; ++s)
        for (size_t k = 0; k < spreads[s].size(); ++k)
          for (auto [t, tk] : spreads[s][k]) {
            Lookahead& to = la_[size_t(t)][size_t(tk)];
            if ((to | la_[s][k]) != to) {
              to |= la_[s][k];
              changed = true;
            }
          }
    }
  }

  void Reductions() {
    for (size_t s = 0; s < a_.states.size(); ++s) {
      State& st = a_.states[s];
      std::map<Item, Lookahead> kernel;
      for (size_t k = 0; k < st.kernel.size(); ++k) kernel[st.kernel[k]] = la_[s][k];
      for (const auto& [i, la] : Closure1(kernel)) {
        if (After(i) >= 0) continue;
        for (int t = 0; t < g_.terminalCount; ++t)
          if (la.test(size_t(t))) st.reduce[t].push_back(i.prod);
      }
    }
  }

  void FindConflicts() {
    for (size_t s = 0; s < a_.states.size(); ++s) {
      const State& st = a_.states[s];
      for (const auto& [t, prods] : st.reduce) {
        int actions = int(prods.size()) + (st.next.count(t) ? 1 : 0);
        if (actions < 2) continue;
        std::string what = "state " + std::to_string(s) + " on " + g_.names[size_t(t)] + ":";
        if (st.next.count(t)) what += " shift";
        for (int p : prods) what += " reduce " + std::to_string(p);
        a_.conflicts.push_back(what);
      }
    }
  }

  const Grammar& g_;
  std::vector<std::vector<int>> byLeft_;
  std::vector<Lookahead> first_;
  std::vector<bool> nullable_;
  std::vector<std::vector<Lookahead>> la_;  // [state][kernel item]
  Automaton a_;
};

// ---------------------------------------------------------- continuation

// For every nonterminal, its production with the fewest terminals in the
// shortest derivation, ties to the highest number.
std::vector<int> CompletingProductions(const Grammar& g) {
  constexpr int kUnknown = 1 << 29;
  std::vector<int> cost(g.names.size(), kUnknown), best(g.names.size(), 0);
  for (int t = 0; t < g.terminalCount; ++t) cost[size_t(t)] = 1;
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t n = 1; n < g.productions.size(); ++n) {
      const Production& p = g.productions[n];
      int c = 0;
      for (int s : p.rhs) c = std::min(kUnknown, c + cost[size_t(s)]);
      int& have = cost[size_t(p.lhs)];
      if (c < have || (c == have && c < kUnknown && int(n) > best[size_t(p.lhs)])) {
        changed = changed || c < have || best[size_t(p.lhs)] != int(n);
        have = c;
        best[size_t(p.lhs)] = int(n);
      }
    }
  }
  for (int s = g.terminalCount; s < int(g.names.size()); ++s)
    if (cost[size_t(s)] >= kUnknown) throw std::runtime_error(g.names[size_t(s)] + " derives no text");
  return best;
}

// The first terminal of the leftmost completion of `symbols`, or -1 when the
// completion is empty.  An explicit stack: no recursion on the grammar.
int FirstCompletingTerminal(const Grammar& g, const std::vector<int>& completing,
                            std::vector<int> symbols) {
  std::vector<int> todo(symbols.rbegin(), symbols.rend());
  size_t guard = 0;
  while (!todo.empty()) {
    int s = todo.back();
    todo.pop_back();
    if (g.IsTerminal(s)) return s;
    const std::vector<int>& rhs = g.productions[size_t(completing[size_t(s)])].rhs;
    todo.insert(todo.end(), rhs.rbegin(), rhs.rend());
    if (++guard > 100000) throw std::runtime_error("completion does not end");
  }
  return -1;
}

}  // namespace

std::vector<Terminal> LanguageTerminals() {
  std::vector<Terminal> terminals;
  for (const TokenSpelling& t : kTokens) terminals.push_back({t.code, std::string(t.name), std::string(t.text)});
  return terminals;
}

Grammar ReadLanguageGrammar(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::stringstream text;
  text << in.rdbuf();
  return ParseGrammar(text.str(), LanguageTerminals());
}

void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

Grammar ParseGrammar(const std::string& text, const std::vector<Terminal>& terminals) {
  Reader r(terminals);
  std::stringstream in(text);
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) r.Line(line, n);
  return r.Finish();
}

Automaton Build(const Grammar& g) { return Builder(g).Run(); }

bool IsReduceOnly(const Grammar& g, const State& s) {
  if (s.kernel.size() != 1) return false;
  const Item& i = s.kernel[0];
  return i.prod != g.start && i.dot == int(g.productions[size_t(i.prod)].rhs.size());
}

std::vector<int> Continuations(const Grammar& g, const Automaton& a) {
  std::vector<int> completing = CompletingProductions(g);
  std::vector<int> result;
  for (size_t s = 0; s < a.states.size(); ++s) {
    const State& st = a.states[s];
    const Item* furthest = &st.kernel[0];
    bool unique = true;
    for (const Item& i : st.kernel) {
      if (i.dot > furthest->dot) {
        furthest = &i;
        unique = true;
      } else if (&i != furthest && i.dot == furthest->dot) {
        unique = false;
      }
    }
    if (!unique) throw std::runtime_error("state " + std::to_string(s) + ": no single furthest item");
    const Production& p = g.productions[size_t(furthest->prod)];
    std::vector<int> rest(p.rhs.begin() + furthest->dot, p.rhs.end());
    int t = FirstCompletingTerminal(g, completing, rest);
    if (t < 0) {
      for (const auto& [la, prods] : st.reduce)
        if (std::find(prods.begin(), prods.end(), furthest->prod) != prods.end()) {
          t = la;
          break;
        }
    }
    if (t < 0) throw std::runtime_error("state " + std::to_string(s) + " has no continuation");
    result.push_back(t);
  }
  return result;
}

Tables Encode(const Grammar& g, const Automaton& a) {
  if (!a.conflicts.empty()) throw std::runtime_error("the grammar has conflicts: " + a.conflicts[0]);
  Tables t;
  t.lr0States = int(a.states.size());
  t.productionCount = int(g.productions.size()) - 1;
  std::vector<int> number(a.states.size(), 0);
  t.lr0.push_back(-1);
  for (size_t s = 0; s < a.states.size(); ++s) {
    if (IsReduceOnly(g, a.states[s])) {
      t.reduceOnlyStates++;
      continue;
    }
    number[s] = int(t.lr0.size());
    t.lr0.push_back(int(s));
  }
  int n = t.stateCount = int(t.lr0.size()) - 1;
  int p = t.productionCount;
  std::vector<int> lr0Continuation = Continuations(g, a);
  // A move into a reduce-only state becomes a combined code.
  auto target = [&](int state) {
    const State& to = a.states[size_t(state)];
    return IsReduceOnly(g, to) ? n + to.kernel[0].prod : number[size_t(state)];
  };
  t.action.assign(size_t(n) + 1, std::vector<int>(size_t(g.terminalCount), 0));
  t.go.assign(size_t(n) + 1, std::vector<int>(size_t(g.NonterminalCount()) + 1, 0));
  t.continuation.assign(size_t(n) + 1, 0);
  for (int s = 1; s <= n; ++s) {
    const State& st = a.states[size_t(t.lr0[size_t(s)])];
    for (const auto& [x, to] : st.next) {
      int code = target(to);
      if (g.IsTerminal(x)) {
        t.action[size_t(s)][size_t(x)] = code;
      } else {
        if (code == 1) throw std::runtime_error("a goto enters the start state");
        t.go[size_t(s)][size_t(g.NonterminalCode(x))] = code;
      }
    }
    for (const auto& [la, prods] : st.reduce) t.action[size_t(s)][size_t(la)] = n + p + prods[0];
    t.continuation[size_t(s)] = lr0Continuation[size_t(t.lr0[size_t(s)])];
    if (!t.action[size_t(s)][size_t(t.continuation[size_t(s)])])
      throw std::runtime_error("state " + std::to_string(s) + ": its continuation is an error");
  }
  // The start state accepts once the start symbol is complete.
  t.go[1][size_t(g.NonterminalCode(g.productions[size_t(g.start)].lhs))] = 1;
  return t;
}

namespace {

void EmitRows(std::ostringstream& o, const std::vector<std::vector<int>>& rows) {
  for (size_t s = 0; s < rows.size(); ++s) {
    o << "    {";
    for (size_t i = 0; i < rows[s].size(); ++i) o << (i ? "," : "") << rows[s][i];
    o << "},  // " << s << "\n";
  }
}

void EmitList(std::ostringstream& o, const std::vector<int>& v) {
  for (size_t i = 0; i < v.size(); ++i) o << (i ? (i % 20 ? ", " : ",\n    ") : "    ") << v[i];
  o << "\n";
}

// The comment that tells a reader how to decode the tables below it.
void EmitEncoding(std::ostringstream& o, const Tables& t, const std::string& source) {
  int n = t.stateCount, p = t.productionCount;
  o << "// Generated from " << source << " by tools/lalrgen; do not edit.\n"
    << "//\n"
    << "// States are numbered 1.." << n << " (1 is the start state); row 0 of every\n"
    << "// table is unused.  The " << t.reduceOnlyStates << " states of the LR(0) automaton ("
    << t.lr0States << " in all)\n"
    << "// whose only item is one complete item are left out: the codes that would\n"
    << "// enter them reduce at once instead.\n"
    << "//\n"
    << "// kAction[state][terminal code]: 0 error; 1.." << n << " shift and enter that state;\n"
    << "//   " << n + 1 << ".." << n + p << " shift, then reduce production code - " << n << ";\n"
    << "//   " << n + p + 1 << " and above: reduce production code - " << n + p << ".\n"
    << "// kGoto[state][nonterminal code]: 1 accept; 2.." << n << " enter that state;\n"
    << "//   above " << n << ": push the nonterminal, then reduce production code - " << n << ".\n"
    << "// kContinuation[state]: the terminal error recovery assumes in that state.\n"
    << "// kReduction[production]: the tree rule built (-1 none), the number of\n"
    << "//   nonterminals on the right side, and the rule's arguments: k >= 0 is the\n"
    << "//   attribute of right-side symbol k (from 0), -(j+1) the node of the j-th\n"
    << "//   right-side nonterminal (from 0).\n";
}

void EmitTables(std::ostringstream& o, const Grammar& g, const Tables& t) {
  int n = t.stateCount, p = t.productionCount, m = g.NonterminalCount();
  o << "inline constexpr uint16_t kAction[" << n + 1 << "][" << g.terminalCount << "] = {\n";
  EmitRows(o, t.action);
  o << "};\n\ninline constexpr uint16_t kGoto[" << n + 1 << "][" << m + 1 << "] = {\n";
  EmitRows(o, t.go);
  o << "};\n\ninline constexpr uint8_t kContinuation[" << n + 1 << "] = {\n";
  EmitList(o, t.continuation);
  std::vector<int> length(size_t(p) + 1, 0), left(size_t(p) + 1, 0);
  for (int i = 1; i <= p; ++i) {
    length[size_t(i)] = int(g.productions[size_t(i)].rhs.size());
    left[size_t(i)] = g.NonterminalCode(g.productions[size_t(i)].lhs);
  }
  o << "};\n\ninline constexpr uint8_t kLength[" << p + 1 << "] = {\n";
  EmitList(o, length);
  o << "};\n\ninline constexpr uint8_t kLeft[" << p + 1 << "] = {\n";
  EmitList(o, left);
  o << "};\n\n";
}

// One row per production: the tree rule and where its arguments come from.
void EmitReductions(std::ostringstream& o, const Grammar& g, int productions) {
  o << "struct Reduction {\n  int rule;\n  int nodes;\n  int argCount;\n  int arg[kMaxArguments];\n};\n\n"
    << "inline constexpr Reduction kReduction[" << productions + 1 << "] = {\n    {-1, 0, 0, {}},\n";
  for (int i = 1; i <= productions; ++i) {
    const Production& pr = g.productions[size_t(i)];
    std::vector<int> ordinal(pr.rhs.size(), 0);
    int nodes = 0;
    for (size_t k = 0; k < pr.rhs.size(); ++k)
      if (!g.IsTerminal(pr.rhs[k])) ordinal[k] = nodes++;
    o << "    {" << (pr.rule.empty() ? "-1" : "R_" + pr.rule) << ", " << nodes << ", " << pr.args.size()
      << ", {";
    for (size_t a = 0; a < pr.args.size(); ++a) {
      size_t k = size_t(pr.args[a] - 1);
      o << (a ? ", " : "") << (g.IsTerminal(pr.rhs[k]) ? int(k) : -(ordinal[k] + 1));
    }
    o << "}},  // " << i << " " << g.names[size_t(pr.lhs)] << " ->";
    for (int s : pr.rhs) o << " " << g.names[size_t(s)];
    o << "\n";
  }
  o << "};\n";
}

}  // namespace

std::string EmitRuleTexts(const Grammar& g, const std::string& source) {
  std::ostringstream o;
  o << "// Generated from " << source << " by tools/lalrgen; do not edit.\n//\n"
    << "// How each tree rule is written in a description: the right side of the\n"
    << "// production that builds it, a symbol a part.  A part is a terminal\n"
    << "// written as it is (argument -1), or the rule's argument `argument`: a\n"
    << "// literal terminal (its value), or a nonterminal (a child node; a list\n"
    << "// between \"<\" and \">\").  A list is written as its elements: the text of\n"
    << "// its appending rule names the list and the element.\n"
    << "#pragma once\n\n#include <array>\n#include <cstdint>\n\n#include \"tree/rule_table.h\"\n\n"
    << "namespace qel2json::detail::rule_texts {\n\n";
  size_t longest = 0;
  for (const Production& pr : g.productions) longest = std::max(longest, pr.rhs.size());
  o << "inline constexpr int kMaxParts = " << longest << ";\n\n"
    << "struct Part {\n  int8_t terminal;  // its code, or 0 for a nonterminal\n"
    << "  int8_t argument;  // of the rule, from 0; -1 for a terminal written as it is\n};\n\n"
    << "struct RuleText {\n  int count = 0;\n  Part part[kMaxParts] = {};\n};\n\n"
    << "inline constexpr std::array<RuleText, kRuleCount> kRuleTexts = [] {\n"
    << "  std::array<RuleText, kRuleCount> t{};\n";
  int lt = -1, gt = -1;
  for (int code = 1; code < g.terminalCount; ++code) {
    if (g.names[size_t(code)] == "\"<\"") lt = code;
    if (g.names[size_t(code)] == "\">\"") gt = code;
  }
  for (size_t n = 1; n < g.productions.size(); ++n) {
    const Production& pr = g.productions[n];
    if (pr.rule.empty() || pr.rhs.empty()) continue;
    o << "  t[R_" << pr.rule << "] = {" << pr.rhs.size() << ", {";
    for (size_t k = 0; k < pr.rhs.size(); ++k) {
      int s = pr.rhs[k];
      int argument = -1;
      for (size_t a = 0; a < pr.args.size(); ++a)
        if (size_t(pr.args[a] - 1) == k) argument = int(a);
      bool terminal = g.IsTerminal(s);
      bool fixed = terminal && g.names[size_t(s)][0] == '"';
      if (fixed == (argument >= 0))
        throw std::runtime_error("production " + std::to_string(n) + ": " + g.names[size_t(s)] +
                                 (fixed ? " is written as it is and an argument" : " is no argument"));
      if (s == lt && (k + 2 >= pr.rhs.size() || g.IsTerminal(pr.rhs[k + 1]) || pr.rhs[k + 2] != gt ||
                      g.names[size_t(pr.rhs[k + 1])].rfind("Seq_Of_", 0) != 0))
        throw std::runtime_error("production " + std::to_string(n) + ": a \"<\" that encloses no list");
      o << (k ? ", " : "") << "{" << (terminal ? s : 0) << ", " << argument << "}";
    }
    o << "}};  // " << g.names[size_t(pr.lhs)] << " ->";
    for (int s : pr.rhs) o << " " << g.names[size_t(s)];
    o << "\n";
  }
  o << "  return t;\n}();\n\n}  // namespace qel2json::detail::rule_texts\n";
  return o.str();
}

std::string EmitHeader(const Grammar& g, const Tables& t, const std::string& source) {
  size_t maxArgs = 0;
  for (const Production& pr : g.productions) maxArgs = std::max(maxArgs, pr.args.size());
  std::ostringstream o;
  EmitEncoding(o, t, source);
  o << "#pragma once\n\n#include <cstdint>\n\n#include \"tree/rule_table.h\"\n\n"
    << "namespace qel2json::detail::parse_tables {\n\n"
    << "inline constexpr int kStates = " << t.stateCount << ";\n"
    << "inline constexpr int kProductions = " << t.productionCount << ";\n"
    << "inline constexpr int kTerminals = " << g.terminalCount << ";  // codes 1.." << g.terminalCount - 1 << "\n"
    << "inline constexpr int kMaxArguments = " << maxArgs << ";  // of any tree rule a production builds\n\n";
  EmitTables(o, g, t);
  EmitReductions(o, g, t.productionCount);
  o << "\n}  // namespace qel2json::detail::parse_tables\n";
  return o.str();
}

}  // namespace lalr

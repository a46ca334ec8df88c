// The generated tables: lookaheads checked against an independent LR(1)
// construction, continuations, and the generator's refusals.
#include <map>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "tools/lalr.h"

namespace {

struct Fixture {
  lalr::Grammar g = lalr::ReadLanguageGrammar(GRAMMAR_FILE);
  lalr::Automaton a = lalr::Build(g);
  lalr::Tables t = lalr::Encode(g, a);

  int Symbol(const std::string& name) const {
    for (size_t s = 0; s < g.names.size(); ++s)
      if (g.names[s] == name) return int(s);
    return -1;
  }
  // The table state reached from the start state by shifting terminals.
  int After(std::initializer_list<const char*> terminals) const {
    int s = 1;
    for (const char* name : terminals) {
      int code = t.action[size_t(s)][size_t(Symbol(name))];
      EXPECT_GE(code, 1);
      EXPECT_LE(code, t.stateCount) << name << " does not enter a state";
      s = code;
    }
    return s;
  }
};

const Fixture& F() {
  static Fixture f;
  return f;
}

TEST(Tables, ContinuationExamples) {
  const Fixture& f = F();
  EXPECT_EQ(f.t.continuation[1], f.Symbol("\"SYSTEMTYPE\""));
  EXPECT_EQ(f.t.continuation[size_t(f.After({"\"SYSTEM\""}))], f.Symbol("\"PARTIALLINEAR\""));
  // Inside a list of strings the list ends rather than grows.
  int inList = f.After({"\"SYSTEM\"", "\"LINEAR\"", "\"<\""});
  EXPECT_EQ(f.t.continuation[size_t(inList)], f.Symbol("\">\""));
}

TEST(Tables, EveryContinuationIsAnAction) {
  const Fixture& f = F();
  for (int s = 1; s <= f.t.stateCount; ++s)
    EXPECT_NE(f.t.action[size_t(s)][size_t(f.t.continuation[size_t(s)])], 0) << "state " << s;
}

// After a complete description only end of text may follow.
TEST(Tables, OnlyEndOfTextFollowsTheRoot) {
  const Fixture& f = F();
  int root = f.t.go[1][size_t(f.g.NonterminalCode(f.Symbol("Root")))];
  ASSERT_GE(root, 2);
  ASSERT_LE(root, f.t.stateCount);
  for (int t = 0; t < f.g.terminalCount; ++t)
    EXPECT_EQ(f.t.action[size_t(root)][size_t(t)] != 0, t == 1) << "terminal " << t;
}

// An independent check of the lookaheads: build the canonical LR(1)
// automaton, merge its states by core, and compare the terminals on which
// each core reduces each production with the generator's.
class CanonicalLr1 {
 public:
  using Item = std::tuple<int, int, int>;  // production, dot, lookahead
  using ItemSet = std::set<Item>;

  explicit CanonicalLr1(const lalr::Grammar& g) : g_(g) {
    first_.resize(g.names.size());
    nullable_.assign(g.names.size(), false);
    for (int t = 0; t < g.terminalCount; ++t) first_[size_t(t)].insert(t);
    for (bool changed = true; changed;) {
      changed = false;
      for (size_t n = 1; n < g.productions.size(); ++n) {
        const lalr::Production& p = g.productions[n];
        size_t before = first_[size_t(p.lhs)].size();
        bool all = true;
        for (int s : p.rhs) {
          first_[size_t(p.lhs)].insert(first_[size_t(s)].begin(), first_[size_t(s)].end());
          if (!nullable_[size_t(s)]) {
            all = false;
            break;
          }
        }
        if (all && !nullable_[size_t(p.lhs)]) nullable_[size_t(p.lhs)] = changed = true;
        changed = changed || first_[size_t(p.lhs)].size() != before;
      }
    }
  }

  // Core (LR(0) kernel) -> production -> lookaheads of its complete item.
  std::map<std::vector<lalr::Item>, std::map<int, std::set<int>>> Reductions() {
    std::map<std::vector<lalr::Item>, std::map<int, std::set<int>>> result;
    std::map<ItemSet, int> seen;
    std::vector<ItemSet> todo = {{{g_.start, 0, 1}}};
    seen[todo[0]] = 0;
    for (size_t i = 0; i < todo.size(); ++i) {
      ItemSet kernel = todo[i];
      ItemSet items = Closure(kernel);
      std::vector<lalr::Item> core;
      for (auto [p, d, la] : kernel) core.push_back({p, d});
      std::sort(core.begin(), core.end());
      core.erase(std::unique(core.begin(), core.end()), core.end());
      result[core];  // also cores that reduce nothing
      std::map<int, ItemSet> moves;
      for (auto [p, d, la] : items) {
        const std::vector<int>& rhs = g_.productions[size_t(p)].rhs;
        if (d == int(rhs.size()))
          result[core][p].insert(la);
        else
          moves[rhs[size_t(d)]].insert({p, d + 1, la});
      }
      for (auto& [x, next] : moves)
        if (seen.emplace(next, int(todo.size())).second) todo.push_back(next);
    }
    states = todo.size();
    return result;
  }

  size_t states = 0;

 private:
  ItemSet Closure(ItemSet items) const {
    std::vector<Item> work(items.begin(), items.end());
    while (!work.empty()) {
      auto [p, d, la] = work.back();
      work.pop_back();
      const std::vector<int>& rhs = g_.productions[size_t(p)].rhs;
      if (d >= int(rhs.size()) || g_.IsTerminal(rhs[size_t(d)])) continue;
      std::set<int> follow;
      bool all = true;
      for (size_t k = size_t(d) + 1; k < rhs.size() && all; ++k) {
        follow.insert(first_[size_t(rhs[k])].begin(), first_[size_t(rhs[k])].end());
        all = nullable_[size_t(rhs[k])];
      }
      if (all) follow.insert(la);
      for (size_t q = 1; q < g_.productions.size(); ++q) {
        if (g_.productions[q].lhs != rhs[size_t(d)]) continue;
        for (int b : follow)
          if (items.insert({int(q), 0, b}).second) work.push_back({int(q), 0, b});
      }
    }
    return items;
  }

  const lalr::Grammar& g_;
  std::vector<std::set<int>> first_;
  std::vector<bool> nullable_;
};

TEST(Tables, LookaheadsAreThoseOfTheMergedCanonicalAutomaton) {
  const Fixture& f = F();
  CanonicalLr1 lr1(f.g);
  auto expected = lr1.Reductions();
  EXPECT_GT(lr1.states, size_t(f.t.lr0States));
  EXPECT_EQ(expected.size(), f.a.states.size());
  for (const lalr::State& s : f.a.states) {
    std::map<int, std::set<int>> got;
    for (const auto& [la, prods] : s.reduce)
      for (int p : prods) got[p].insert(la);
    EXPECT_EQ(got, expected[s.kernel]);
  }
}

TEST(Generator, RefusesConflicts) {
  std::vector<lalr::Terminal> terminals = {{1, "EndOfText", ""}, {2, "", "+"}, {3, "Num", ""}};
  lalr::Grammar g = lalr::ParseGrammar(
      "3 S -> E => none\n"
      "1 E -> E \"+\" E => sum(#1, #3)\n"
      "2 E -> Num => num(#1)\n",
      terminals);
  lalr::Automaton a = lalr::Build(g);
  ASSERT_FALSE(a.conflicts.empty());
  EXPECT_NE(a.conflicts[0].find("shift reduce 1"), std::string::npos);
  EXPECT_THROW(lalr::Encode(g, a), std::runtime_error);
}

TEST(Generator, NamesTheFaultyLine) {
  std::vector<lalr::Terminal> terminals = {{1, "EndOfText", ""}, {2, "", "x"}};
  try {
    lalr::ParseGrammar("2 S -> A => none\n\n1 A -> \"y\" => a()\n", terminals);
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "grammar line 3: unknown terminal \"y\"");
  }
  EXPECT_THROW(lalr::ParseGrammar("2 S -> A => none\n1 A -> \"x\" => a(#2)\n", terminals), std::runtime_error);
  EXPECT_THROW(lalr::ParseGrammar("2 S -> A => none\n", terminals), std::runtime_error);
}

}  // namespace

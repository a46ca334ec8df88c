// The text patterns: what each prints, the indentation they produce, the
// folding of PTGCat, and how PTGOut treats its output.
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "output/text_patterns.h"
#include "store/string_table.h"
#include "support/child.h"

namespace {

// What PTGOut writes for the text that build composes (built in a child, so
// that nothing reaches this process's standard output).
std::string Printed(const std::function<PTGNode()>& build) {
  Outcome o = RunInChild([&] { PTGOut(build()); });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  return o.out;
}

PTGNode Text(const std::string& s) { return PTGStr(StoreString(s.data(), int(s.size()))); }

TEST(TextStaticNodes, AreTheSameNodeEveryTime) {
  EXPECT_EQ(PTGNULL(), PTGNULL());
  EXPECT_EQ(PTGEmpty(), PTGEmpty());
  EXPECT_EQ(PTGNullMember(), PTGNullMember());
  EXPECT_NE(PTGEmpty(), PTGNULL());
  EXPECT_EQ(Printed([] { return PTGNULL(); }), "");
  EXPECT_EQ(Printed([] { return PTGEmpty(); }), "");
  EXPECT_EQ(Printed([] { return PTGNullMember(); }), "\"Null\": null");
}

TEST(TextBrackets, EmptyBracketsHoldOneLineOfIndentation) {
  EXPECT_EQ(Printed([] { return PTGArray(PTGEmpty()); }), "[\n   \n]");
  EXPECT_EQ(Printed([] { return PTGObject(PTGEmpty()); }), "{\n   \n}");
}

TEST(TextBrackets, ObjectMemberEndsWithALineFeedAtTheOuterLevel) {
  EXPECT_EQ(Printed([] { return PTGObjectMember("k", Text("x")); }), "\"k\": {\n   x\n}\n");
  EXPECT_EQ(Printed([] { return PTGMember("k", Text("x")); }), "\"k\": x");
}

TEST(TextBrackets, LevelsFollowTheNesting) {
  std::string out = Printed([] {
    return PTGObject(PTGSeq2(PTGMember("a", PTGArray(PTGSeq2(PTGInt(1), PTGInt(2)))),
                             PTGObjectMember("b", PTGObject(PTGInt(3)))));
  });
  EXPECT_EQ(out,
            "{\n"
            "   \"a\": [\n"
            "      1,\n"
            "      2\n"
            "   ],\n"
            "   \"b\": {\n"
            "      {\n"
            "         3\n"
            "      }\n"
            "   }\n"
            "   \n"
            "}");
}

TEST(TextSequences, PartsAreSeparatedAtTheCurrentLevel) {
  EXPECT_EQ(Printed([] { return PTGObject(PTGSeq2(Text("a"), Text("b"))); }), "{\n   a,\n   b\n}");
}

TEST(TextSequences, EveryAritySeparatesEachTwoNeighbours) {
  auto I = PTGInt;
  std::vector<std::function<PTGNode()>> seqs = {
      [&] { return PTGSeq2(I(1), I(2)); },
      [&] { return PTGSeq3(I(1), I(2), I(3)); },
      [&] { return PTGSeq4(I(1), I(2), I(3), I(4)); },
      [&] { return PTGSeq5(I(1), I(2), I(3), I(4), I(5)); },
      [&] { return PTGSeq6(I(1), I(2), I(3), I(4), I(5), I(6)); },
      [&] { return PTGSeq7(I(1), I(2), I(3), I(4), I(5), I(6), I(7)); },
      [&] { return PTGSeq8(I(1), I(2), I(3), I(4), I(5), I(6), I(7), I(8)); },
  };
  std::string expected = "1";
  for (size_t i = 0; i < seqs.size(); ++i) {
    expected += ",\n" + std::to_string(i + 2);
    EXPECT_EQ(Printed(seqs[i]), expected) << "PTGSeq" << i + 2;
  }
  EXPECT_EQ(Printed([&] {
              const PTGNode parts[] = {I(1), I(2), I(3)};
              return PTGSeq(3, parts);
            }),
            "1,\n2,\n3");
  // Empty parts still get their separators.
  EXPECT_EQ(Printed([] { return PTGSeq3(PTGEmpty(), PTGNULL(), PTGEmpty()); }), ",\n,\n");
}

TEST(TextLists, OpenTextEndsWithASeparatorAndClosedTextDoesNot) {
  EXPECT_EQ(Printed([] { return PTGListElem(PTGListElem(PTGEmpty(), Text("a")), Text("b")); }),
            "a,\nb,\n");
  EXPECT_EQ(Printed([] { return PTGCat(PTGListElem(PTGEmpty(), Text("a")), Text("b")); }), "a,\nb");
  EXPECT_EQ(Printed([] { return PTGArray(PTGCat(PTGListElem(PTGEmpty(), Text("a")), Text("b"))); }),
            "[\n   a,\n   b\n]");
}

TEST(TextCat, FoldsOnlyTwoNullNodes) {
  EXPECT_EQ(PTGCat(PTGNULL(), PTGNULL()), PTGNULL());
  PTGNode empties = PTGCat(PTGEmpty(), PTGEmpty());
  EXPECT_NE(empties, PTGEmpty());
  EXPECT_NE(empties, PTGNULL());
  EXPECT_NE(PTGCat(PTGNULL(), PTGEmpty()), PTGNULL());
  EXPECT_EQ(Printed([] { return PTGCat(PTGEmpty(), PTGEmpty()); }), "");
  EXPECT_EQ(Printed([] { return PTGCat(PTGNULL(), Text("x")); }), "x");
  EXPECT_EQ(Printed([] { return PTGCat(Text("x"), PTGInt(1)); }), "x1");
}

TEST(TextLeaves, IntsAreWrittenAsPercentD) {
  for (int i : {0, 7, -5, 10, -10, 123456789, INT_MAX, INT_MIN}) {
    char expected[16];
    snprintf(expected, sizeof expected, "%d", i);
    EXPECT_EQ(Printed([i] { return PTGInt(i); }), expected);
  }
}

TEST(TextLeaves, StoredTextsAreWrittenByteForByte) {
  for (const std::string& s : {std::string("\"a\\\"b\""), std::string("\"line\nfeed\""),
                               std::string("1.50"), std::string("\"a\0b\"", 5), std::string(),
                               std::string("\"\\u00e9\t\"")}) {
    EXPECT_EQ(Printed([&] { return Text(s); }), s);
  }
  EXPECT_EQ(Printed([] { return PTGStr(0); }), "");
}

TEST(TextSharing, ANodeIsIndentedWhereItIsPrinted) {
  std::string out = Printed([] {
    PTGNode shared = PTGArray(PTGSeq2(PTGInt(1), PTGInt(2)));
    return PTGSeq2(shared, PTGObject(PTGMember("x", shared)));
  });
  EXPECT_EQ(out,
            "[\n   1,\n   2\n],\n"
            "{\n   \"x\": [\n      1,\n      2\n   ]\n}");
}

// Lines of nested arrays: the innermost holds 0, each line one level deeper.
std::string NestedArrays(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s.append(size_t(3 * i), ' ').append("[\n");
  s.append(size_t(3 * depth), ' ').append("0");
  for (int i = depth - 1; i >= 0; --i) s.append("\n").append(size_t(3 * i), ' ').append("]");
  return s;
}

TEST(TextIndentation, DeepLevelsAreWrittenInFull) {
  for (int depth : {1, 1365, 1366, 1367, 3000}) {  // 4096 spaces lie at depth 1365.33
    std::string out = Printed([depth] {
      PTGNode n = PTGInt(0);
      for (int i = 0; i < depth; ++i) n = PTGArray(n);
      return n;
    });
    EXPECT_EQ(out, NestedArrays(depth)) << depth;
  }
}

TEST(TextIndentation, SeparatorsAtDeepLevels) {
  std::string out = Printed([] {
    PTGNode n = PTGSeq2(PTGInt(1), PTGInt(2));
    for (int i = 0; i < 2000; ++i) n = PTGArray(n);
    return n;
  });
  std::string deep(6000, ' ');
  EXPECT_NE(out.find("\n" + deep + "1,\n" + deep + "2\n"), std::string::npos);
}

TEST(TextOut, ReturnsItsRootAndPrintsNothingForNull) {
  Outcome o = RunInChild([] {
    PTGNode x = PTGInt(5);
    if (PTGOut(x) != x || PTGOut(nullptr) != nullptr || PTGOut(PTGNULL()) != PTGNULL()) _exit(3);
  });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "5");
}

TEST(TextOut, KeepsTheOrderOfEarlierOutputAndStartsEachCallAtLevelZero) {
  Outcome o = RunInChild([] {
    fputs("before ", stdout);
    PTGOut(PTGObject(PTGInt(1)));
    PTGOut(PTGObjectMember("k", PTGInt(2)));
    PTGOut(PTGArray(PTGInt(3)));
  });
  EXPECT_EQ(o.out, "before {\n   1\n}\"k\": {\n   2\n}\n[\n   3\n]");
}

TEST(TextOut, LongTextsAndManyPiecesArriveWhole) {
  std::string big(3 << 20, 'x');
  for (size_t i = 0; i < big.size(); i += 997) big[i] = char('a' + i % 26);
  std::string expected = "0";
  for (int i = 1; i < 200000; ++i) expected += ",\n" + std::to_string(i);
  expected += ",\n" + big + ",\n" + big;
  Outcome o = RunInChild([&] {
    PTGNode n = PTGInt(0);
    for (int i = 1; i < 200000; ++i) n = PTGSeq2(n, PTGInt(i));
    PTGNode t = Text(big);
    PTGOut(PTGSeq3(n, t, t));
  });
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.size(), expected.size());
  EXPECT_TRUE(o.out == expected);
}

volatile sig_atomic_t Interruptions;
void CountInterruption(int) { Interruptions = Interruptions + 1; }

// Writes cut short or interrupted by a signal go on where they stopped.
TEST(TextOut, InterruptedWritesAreResumed) {
  std::string line(100, 'y');
  Outcome o = RunInChild([&] {
    struct sigaction sa = {};
    sa.sa_handler = CountInterruption;  // no SA_RESTART: writes return early
    sigaction(SIGALRM, &sa, nullptr);
    itimerval every = {{0, 200}, {0, 200}};
    setitimer(ITIMER_REAL, &every, nullptr);
    PTGNode t = Text(line);
    PTGNode n = PTGEmpty();
    for (int i = 0; i < 300000; ++i) n = PTGListElem(n, t);
    PTGOut(n);
    itimerval off = {};
    setitimer(ITIMER_REAL, &off, nullptr);
    if (Interruptions == 0) _exit(3);
  });
  EXPECT_EQ(o.status, 0);
  std::string expected;
  for (int i = 0; i < 300000; ++i) expected += line + ",\n";
  EXPECT_EQ(o.out.size(), expected.size());
  EXPECT_TRUE(o.out == expected);
}

void ToDevFull() {
  int fd = open("/dev/full", O_WRONLY);
  dup2(fd, 1);
  close(fd);
}

TEST(TextWriteErrors, AFullDeviceIsDeadly) {
  const char* message = "\".\", line 0:0 DEADLY: cannot write the output: No space left on device\n";
  Outcome small = RunInChild([] {
    ToDevFull();
    PTGOut(PTGObject(PTGInt(1)));
  });
  EXPECT_EQ(small.status, 1);
  EXPECT_EQ(small.err, message);
  Outcome large = RunInChild([] {
    ToDevFull();
    PTGNode n = PTGEmpty();
    for (int i = 0; i < 200000; ++i) n = PTGListElem(n, PTGInt(i));
    PTGOut(n);
  });
  EXPECT_EQ(large.status, 1);
  EXPECT_EQ(large.err, message);
}

TEST(TextWriteErrors, AClosedPipeEndsTheRunBySigpipe) {
  Outcome o = RunInChild([] {
    signal(SIGPIPE, SIG_DFL);
    int p[2];
    if (pipe(p) != 0) _exit(3);
    close(p[0]);
    dup2(p[1], 1);
    PTGOut(PTGInt(1));
    _exit(4);
  });
  EXPECT_EQ(o.status, 128 + SIGPIPE);
  EXPECT_EQ(o.err, "");
}

}  // namespace

// Token streams of the scanner: keywords and longest match, numbers, comments,
// white space, columns and line ends, the end of the text.
#include <string>

#include <gtest/gtest.h>

#include "scanner/tokens.h"
#include "transcript.h"

namespace {

TEST(ScannerKeywords, EveryFixedTextIsOneToken) {
  struct Fixed {
    const char* name;
    const char* text;
  };
  constexpr Fixed kFixed[] = {
#define TOKEN(code, name, text) {#name, text},
#include "scanner/tokens.def"
#undef TOKEN
  };
  std::string input, expected;
  int line = 1;
  for (const Fixed& f : kFixed) {
    if (!*f.text) continue;
    input += std::string(f.text) + "\n";
    expected += std::to_string(line++) + ":1 " + f.name + "\n";
  }
  EXPECT_EQ(ScanFile(input), expected + std::to_string(line) + ":1 end\n");
}

TEST(ScannerKeywords, RunTogetherSplitByLongestMatch) {
  ExpectTranscript("SYSTEMTYPEX SYSTEMTYP\nA05 A1 ALLPALLU\nALLX FUNCTIONFUN\nINTEGER5 TYPE", R"(
1:1 SYSTEMTYPE
1:11 X
1:13 SYSTEM
1:19 T
1:20 Y
1:21 P
2:1 A0
2:3 int 5=5
2:5 A
2:6 int 1=1
2:8 ALLP
2:12 ALLU
3:1 A
3:2 ERROR: char 'L' is not a complete token
3:3 ERROR: char 'L' is not a complete token
3:4 X
3:6 FUNCTION
3:14 F
3:15 U
3:16 ERROR: char 'N' is not a complete token
4:1 INTEGER
4:8 int 5=5
4:10 T
4:11 Y
4:12 P
4:13 E
5:1 end
)");
}

TEST(ScannerKeywords, UnfinishedKeywordsSkipOnlyTheirFirstByte) {
  ExpectTranscript("INTEGE\nVARIABLE \nLINEARC NILS VARIABLES\n", R"(
1:1 ERROR: char 'I' is not a complete token
1:2 ERROR: char 'N' is not a complete token
1:3 T
1:4 E
1:5 ERROR: char 'G' is not a token
1:6 E
2:1 ERROR: char 'V' is not a complete token
2:2 A
2:3 ERROR: char 'R' is not a complete token
2:4 ERROR: char 'I' is not a complete token
2:5 A
2:6 ERROR: char 'B' is not a token
2:7 ERROR: char 'L' is not a complete token
2:8 E
3:1 LINEAR
3:7 ERROR: char 'C' is not a token
3:9 NIL
3:12 ERROR: char 'S' is not a complete token
3:14 VARIABLES
4:1 end
)");
}

TEST(ScannerKeywords, LowerCaseIsNoKeyword) {
  ExpectTranscript("<System>", R"(
1:1 Lt
1:2 ERROR: char 'S' is not a complete token
1:3 ERROR: char 'y' is not a token
1:4 ERROR: char 's' is not a token
1:5 ERROR: char 't' is not a token
1:6 ERROR: char 'e' is not a token
1:7 ERROR: char 'm' is not a token
1:8 Gt
2:1 end
)");
}

TEST(ScannerNumbers, Integers) {
  ExpectTranscript("0 007 -12 -0 0012 5-3 5L\n99999999999 2147483648 -2147483649 99999999999999999999\n", R"(
1:1 int 0=0
1:3 int 007=7
1:7 int -12=-12
1:11 int -0=0
1:14 int 0012=12
1:19 int 5=5
1:20 int -3=-3
1:23 int 5=5
1:24 ERROR: char 'L' is not a complete token
2:1 int 99999999999=1215752191
2:13 int 2147483648=-2147483648
2:24 int -2147483649=2147483647
2:36 int 99999999999999999999=-1
3:1 end
)");
}

TEST(ScannerNumbers, RealsInEveryShape) {
  ExpectTranscript("1.0F 1.e5 .5e+3f -2E10L 12. 1E5 2e-3 -.5 3.5l 7.F 0.25E-07\n", R"(
1:1 real 1.0F
1:6 real 1.e5
1:11 real .5e+3f
1:18 real -2E10L
1:25 real 12.
1:29 real 1E5
1:33 real 2e-3
1:38 real -.5
1:42 real 3.5l
1:47 real 7.F
1:51 real 0.25E-07
2:1 end
)");
}

TEST(ScannerNumbers, IncompleteOnesFallBack) {
  ExpectTranscript("3.E 3E+ 1..2 1.5.3 -.x 3E 1.5EF -\n4e-F 2.5e+\n", R"(
1:1 real 3.
1:3 E
1:5 int 3=3
1:6 E
1:7 ERROR: char '+' is not a token
1:9 real 1.
1:11 real .2
1:14 real 1.5
1:17 real .3
1:20 ERROR: char '-' is not a complete token
1:21 ERROR: char '.' is not a complete token
1:22 ERROR: char 'x' is not a token
1:24 int 3=3
1:25 E
1:27 real 1.5
1:30 E
1:31 F
1:33 ERROR: char '-' is not a complete token
2:1 int 4=4
2:2 ERROR: char 'e' is not a token
2:3 ERROR: char '-' is not a complete token
2:4 F
2:6 real 2.5
2:9 ERROR: char 'e' is not a token
2:10 ERROR: char '+' is not a token
3:1 end
)");
}

TEST(ScannerComments, RunToTheirLineEndWhateverItIs) {
  ExpectTranscript("-- a comment\nX --5\n5--c\n--\n  -- x\tNIL\"\r\nY\r--c\rU\n-- last", R"(
2:1 X
3:1 int 5=5
6:1 Y
8:1 U
10:1 end
)");
}

TEST(ScannerWhiteSpace, TabsMoveToTheNextStop) {
  ExpectTranscript("  X\tY\n\t\tT\n       \tU\nA\t \tP\n\"123456\"\tX\n\t", R"(
1:3 X
1:9 Y
2:17 T
3:9 U
4:1 A
4:17 P
5:1 str "123456"
5:17 X
7:1 end
)");
}

TEST(ScannerWhiteSpace, LoneReturnsAndReturnLineFeedsEndOneLineEach) {
  ExpectTranscript("A\rX\r\r\nY\n\r\n\rU\r\n\n T\r", R"(
1:1 A
2:1 X
4:1 Y
7:1 U
9:2 T
10:1 end
)");
}

TEST(ScannerWhiteSpace, ControlBytesAreNoWhiteSpace) {
  ExpectTranscript("\033 \310 \377 \f \\ \013 \b \177 \200 '\n", R"(
1:1 ERROR: char '\033' is not a token
1:3 ERROR: char '\310' is not a token
1:5 ERROR: char '\377' is not a token
1:7 ERROR: char '\f' is not a token
1:9 ERROR: char '\\' is not a token
1:11 ERROR: char '\013' is not a token
1:13 ERROR: char '\b' is not a token
1:15 ERROR: char '\177' is not a token
1:17 ERROR: char '\200' is not a token
1:19 ERROR: char ''' is not a token
2:1 end
)");
}

TEST(ScannerEndOfText, ComesAtColumnOneOfTheLineAfterTheLastLineEnd) {
  // The transcript also checks that later calls deliver the end again.
  ExpectTranscript("", "1:1 end\n");
  ExpectTranscript("  \n\t-- only a comment\n\n", "4:1 end\n");
  ExpectTranscript("NIL", "1:1 NIL\n2:1 end\n");
  ExpectTranscript("<>\r", "1:1 Lt\n1:2 Gt\n2:1 end\n");
}

}  // namespace

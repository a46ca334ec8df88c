// Token streams of the scanner.  Each case in transcripts/ is an input,
// NAME.qel, beside the transcript it must give, NAME.tokens (the notation
// is in transcript.h), delivered at once and in small pieces.  A NAME.start
// beside them, "LINE:COLUMN", starts the scan there instead of at 1:1: the
// coordinates past INT_MAX that only gigabytes of input reach otherwise.
// A NAME.pieces adds the sizes of pieces, one series to a line, in which
// the input arrives too: those that put a byte in question at the start or
// the end of a read.
// QEL_GOLDEN_UPDATE=1 rewrites the transcripts from the scanner's results;
// review the difference before committing it.
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scanner/tokens.h"
#include "support/child.h"
#include "support/golden.h"
#include "transcript.h"

using namespace qel2json::detail;

namespace {

const std::string kDir = TRANSCRIPT_DIR;

class Transcript : public ::testing::TestWithParam<std::string> {};

SrcPosition StartOf(const std::string& base) {
  std::string start = ReadFileBytes(base + ".start");
  if (start.empty()) return kFirstByte;
  size_t colon = start.find(':');
  return {std::stoi(start.substr(0, colon)), std::stoi(start.substr(colon + 1))};
}

TEST_P(Transcript, Case) {
  std::string base = kDir + "/" + GetParam();
  std::string input = ReadFileBytes(base + ".qel");
  SrcPosition start = StartOf(base);
  std::string expected = GoldenFile(base + ".tokens", ScanFile(input, start));
  ExpectTranscript(input, expected, start);
  std::istringstream series(ReadFileBytes(base + ".pieces"));
  for (std::string line; std::getline(series, line);) {
    std::istringstream sizes(line);
    std::vector<size_t> pieces{std::istream_iterator<size_t>(sizes), {}};
    EXPECT_EQ(ScanPieces(input, pieces, start), expected) << "pieces of " << line;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Transcript, ::testing::ValuesIn(StemsIn(kDir, ".qel")), CaseName);

// Every fixed text of the token list, each on a line of its own.
TEST(ScannerKeywords, EveryFixedTextIsOneToken) {
  std::string input, expected;
  int line = 1;
  for (const TokenSpelling& t : kTokens) {
    if (t.text.empty()) continue;
    input += std::string(t.text) + "\n";
    expected += std::to_string(line++) + ":1 " + std::string(t.name) + "\n";
  }
  EXPECT_EQ(ScanFile(input), expected + std::to_string(line) + ":1 end\n");
}

}  // namespace

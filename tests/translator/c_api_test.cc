// The C interface as a client sees it: every golden case gives the command
// line's document, diagnostics and status, held or streamed; diagnostics
// as records agree with their lines; and a translation that must end early
// (a bound passed, a failed write) ends alone.
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qel2json.h"
#include "support/golden.h"

namespace {

const std::vector<GoldenCase>& Cases() {
  static const std::vector<GoldenCase> cases = GoldenCases(GOLDEN_DIR);
  return cases;
}

struct Translator {
  Translator() : t(qel2json_translator_new()) {}
  ~Translator() { qel2json_translator_free(t); }
  qel2json_translator* t;
};

struct Result {
  explicit Result(qel2json_result* result) : r(result) {}
  ~Result() { qel2json_result_free(r); }
  std::string Document() const {
    size_t size = 0;
    const char* d = qel2json_result_document(r, &size);
    return d ? std::string(d, size) : std::string();
  }
  std::string Text() const {
    size_t size = 0;
    const char* t = qel2json_result_diagnostics_text(r, &size);
    return std::string(t, size);
  }
  qel2json_result* r;
};

// What the command line would print for each record.
std::string LinesOf(const qel2json_result* r) {
  std::string lines;
  qel2json_diagnostic d;
  const char* names[] = {"NOTE", "WARNING", "ERROR", "DEADLY"};
  for (size_t i = 0; qel2json_result_diagnostic(r, i, &d) == 0; ++i) {
    std::string line = "\"" + std::string(d.file) + "\", line " + std::to_string(d.line) + ":" +
                       std::to_string(d.column) + " " + names[d.severity] + ": " + d.message;
    // Failures that are no report (no memory, a read error) stand alone.
    if (d.line == 0 && d.severity == QEL2JSON_DEADLY && line != d.text) line = d.message;
    EXPECT_EQ(line, d.text);
    lines += line + "\n";
  }
  return lines;
}

class Golden : public ::testing::TestWithParam<size_t> {};

TEST_P(Golden, HeldAsTheCommandLineWritesIt) {
  const GoldenCase& c = Cases()[GetParam()];
  Translator t;
  for (int round = 0; round < 2; ++round) {  // a translator used again gives the same
    Result r(qel2json_translate(t.t, c.input.data(), c.input.size(), "input.qel"));
    ASSERT_NE(r.r, nullptr);
    EXPECT_EQ(qel2json_result_status(r.r), c.status);
    EXPECT_EQ(r.Text(), c.err);
    EXPECT_TRUE(r.Document() == c.out) << "document differs from " << c.name << "/stdout";
    EXPECT_EQ(qel2json_result_document(r.r, nullptr) != nullptr, !c.out.empty());
    EXPECT_EQ(qel2json_result_complete(r.r), !c.out.empty());
    EXPECT_EQ(LinesOf(r.r), c.err);
  }
}

struct Stream {
  explicit Stream(std::string text, std::vector<size_t> sizes = {}) : input(std::move(text)), pieces(std::move(sizes)) {}
  std::string input;
  std::vector<size_t> pieces;  // cycled; a read takes at most the next
  size_t at = 0, next = 0;
  std::string document;
  std::string lines;
  int failWrites = 0;  // an errno value every write returns
};

long ReadPiece(void* context, char* buffer, size_t size) {
  Stream* s = static_cast<Stream*>(context);
  size_t n = std::min(size, s->input.size() - s->at);
  if (!s->pieces.empty()) n = std::min(n, s->pieces[s->next++ % s->pieces.size()]);
  memcpy(buffer, s->input.data() + s->at, n);
  s->at += n;
  return long(n);
}

int WriteDocument(void* context, const char* bytes, size_t size) {
  Stream* s = static_cast<Stream*>(context);
  if (s->failWrites) return s->failWrites;
  s->document.append(bytes, size);
  return 0;
}

void ReportLine(void* context, const qel2json_diagnostic* d) {
  static_cast<Stream*>(context)->lines += std::string(d->text) + "\n";
}

qel2json_result* TranslateStream(qel2json_translator* t, Stream& s, bool write, bool report) {
  qel2json_stream stream = {ReadPiece, &s, write ? WriteDocument : nullptr, &s, report ? ReportLine : nullptr, &s};
  return qel2json_translate_stream(t, &stream, "stdin");
}

std::string AsStdin(std::string err) {
  const std::string file = "\"input.qel\"";
  for (size_t at = err.find(file); at != std::string::npos; at = err.find(file, at)) err.replace(at, file.size(), "\"stdin\"");
  return err;
}

TEST_P(Golden, StreamedInPiecesAsTheCommandLineWritesIt) {
  const GoldenCase& c = Cases()[GetParam()];
  Translator t;
  for (std::vector<size_t> pieces : {std::vector<size_t>{}, {1}, {7, 3}}) {
    Stream s(c.input, pieces);
    Result r(TranslateStream(t.t, s, true, true));
    EXPECT_EQ(qel2json_result_status(r.r), c.status);
    EXPECT_EQ(s.lines, AsStdin(c.err));
    EXPECT_TRUE(s.document == c.out) << "document differs from " << c.name << "/stdout";
    EXPECT_EQ(qel2json_result_document(r.r, nullptr), nullptr);  // it went to the writer
    EXPECT_EQ(r.Text(), "");                                     // they went to the reporter
    EXPECT_EQ(qel2json_result_diagnostic_count(r.r), 0u);
    Stream held(c.input, pieces);
    Result h(TranslateStream(t.t, held, false, false));
    EXPECT_EQ(h.Text(), AsStdin(c.err));
    EXPECT_TRUE(h.Document() == c.out);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::Range(size_t(0), Cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& i) {
                           std::string name = Cases()[i.param].name;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

// Each line of expected-terminals.txt: a description, " => ", and the
// terminals its first syntax error names as expected.
TEST(SyntaxError, NamesTheTerminalsThatCouldHaveCome) {
  std::string data = ReadFileBytes(std::string(DATA_DIR) + "/expected-terminals.txt");
  Translator t;
  int cases = 0;
  for (size_t at = 0; at < data.size();) {
    size_t end = data.find('\n', at);
    std::string line = data.substr(at, end - at);
    at = end + 1;
    size_t arrow = line.find(" => ");
    if (line.empty() || line[0] == '#' || arrow == std::string::npos) continue;
    std::string input = line.substr(0, arrow), expected = line.substr(arrow + 4);
    Result r(qel2json_translate(t.t, input.data(), input.size(), nullptr));
    std::string named;
    qel2json_diagnostic d;
    for (size_t i = 0; qel2json_result_diagnostic(r.r, i, &d) == 0; ++i) {
      if (strcmp(d.message, "Syntax error") != 0) {
        EXPECT_EQ(d.expected, nullptr);
        continue;
      }
      EXPECT_STREQ(d.file, "stdin");
      for (size_t k = 0; k < d.expected_count; ++k) named += (k ? " " : "") + std::string(d.expected[k]);
      break;
    }
    EXPECT_EQ(named, expected) << input;
    ++cases;
  }
  EXPECT_GT(cases, 3);
}

const std::string& Example() {
  static const std::string text = ReadFileBytes(EXAMPLE);
  return text;
}

TEST(Limit, ALongerDocumentEndsTheTranslation) {
  Translator t;
  Result whole(qel2json_translate(t.t, Example().data(), Example().size(), "plant.qel"));
  std::string document = whole.Document();
  ASSERT_FALSE(document.empty());
  qel2json_translator_set_max_document_size(t.t, document.size());
  Result exact(qel2json_translate(t.t, Example().data(), Example().size(), "plant.qel"));
  EXPECT_EQ(exact.Document(), document);
  qel2json_translator_set_max_document_size(t.t, document.size() - 1);
  Result over(qel2json_translate(t.t, Example().data(), Example().size(), "plant.qel"));
  EXPECT_EQ(qel2json_result_status(over.r), 1);
  EXPECT_EQ(qel2json_result_document(over.r, nullptr), nullptr);
  EXPECT_EQ(qel2json_result_complete(over.r), 0);
  EXPECT_EQ(over.Text(), "\"plant.qel\", line 0:0 DEADLY: the document is longer than the limit of " +
                             std::to_string(document.size() - 1) + " bytes\n");
  // Streamed, no byte beyond the limit is written.
  qel2json_translator_set_max_document_size(t.t, 100);
  Stream s(Example());
  Result streamed(TranslateStream(t.t, s, true, false));
  EXPECT_EQ(qel2json_result_complete(streamed.r), 0);
  EXPECT_LE(s.document.size(), 100u);
}

// A nesting depth of 20,000 asks for gigabytes of indentation; a bound
// stops it early.
TEST(Limit, DeepNestingIsBounded) {
  std::string text = "SYSTEM LINEAR < > < > < > \"c\" ISEXTERN < > < > < > ";
  for (int i = 0; i < 20000; ++i) text += "< > < ";
  for (int i = 0; i < 20000; ++i) text += "> ";
  text += "< > < > < > < > < >";
  Translator t;
  qel2json_translator_set_max_document_size(t.t, size_t(10) << 20);
  Result r(qel2json_translate(t.t, text.data(), text.size(), nullptr));
  EXPECT_EQ(qel2json_result_status(r.r), 1);
  EXPECT_NE(r.Text().find("DEADLY: the document is longer than the limit of 10485760 bytes"), std::string::npos);
}

// Line feeds for ever, counted.
long ReadEndlessly(void* delivered, char* buffer, size_t size) {
  memset(buffer, '\n', size);
  *static_cast<size_t*>(delivered) += size;
  return long(size);
}

// An input bound passes a text of exactly its size and ends a longer one
// with no document; of a stream that never ends, one byte past the bound
// is read and no more.  0 takes the bound away.
TEST(Limit, ALongerInputEndsTheTranslation) {
  Translator t;
  const std::string& text = Example();
  Result whole(qel2json_translate(t.t, text.data(), text.size(), "plant.qel"));
  ASSERT_FALSE(whole.Document().empty());
  qel2json_translator_set_max_input_size(t.t, text.size());
  Result exact(qel2json_translate(t.t, text.data(), text.size(), "plant.qel"));
  EXPECT_EQ(exact.Document(), whole.Document());
  qel2json_translator_set_max_input_size(t.t, text.size() - 1);
  Result over(qel2json_translate(t.t, text.data(), text.size(), "plant.qel"));
  EXPECT_EQ(qel2json_result_status(over.r), 1);
  EXPECT_EQ(qel2json_result_document(over.r, nullptr), nullptr);
  EXPECT_EQ(qel2json_result_complete(over.r), 0);
  EXPECT_EQ(over.Text(), "\"plant.qel\", line 0:0 DEADLY: the input is longer than the limit of " +
                             std::to_string(text.size() - 1) + " bytes\n");
  qel2json_translator_set_max_input_size(t.t, 1000000);
  size_t delivered = 0;
  qel2json_stream endless = {ReadEndlessly, &delivered, nullptr, nullptr, nullptr, nullptr};
  Result streamed(qel2json_translate_stream(t.t, &endless, nullptr));
  EXPECT_EQ(qel2json_result_status(streamed.r), 1);
  EXPECT_EQ(delivered, 1000001u);
  qel2json_translator_set_max_input_size(t.t, 0);
  Result unbounded(qel2json_translate(t.t, text.data(), text.size(), "plant.qel"));
  EXPECT_EQ(unbounded.Document(), whole.Document());
}

TEST(Stream, AFailedWriteEndsTheTranslation) {
  Translator t;
  Stream s(Example());
  s.failWrites = ENOSPC;
  Result r(TranslateStream(t.t, s, true, false));
  EXPECT_EQ(qel2json_result_status(r.r), 1);
  EXPECT_EQ(qel2json_result_complete(r.r), 0);
  EXPECT_EQ(r.Text(), "\"stdin\", line 0:0 DEADLY: cannot write the output: No space left on device\n");
  // The next translation is whole.
  Stream next(Example());
  Result again(TranslateStream(t.t, next, true, false));
  EXPECT_EQ(qel2json_result_status(again.r), 0);
  EXPECT_EQ(next.document, ReadFileBytes(EXAMPLE_JSON));
}

long FailRead(void*, char*, size_t) {
  errno = EIO;
  return -1;
}

TEST(Stream, AFailedReadEndsTheTranslation) {
  Translator t;
  qel2json_stream stream = {FailRead, nullptr, nullptr, nullptr, nullptr, nullptr};
  Result r(qel2json_translate_stream(t.t, &stream, "broken"));
  EXPECT_EQ(qel2json_result_status(r.r), 1);
  EXPECT_EQ(r.Text(), "refillBuf: Input/output error\n");
  qel2json_diagnostic d;
  ASSERT_EQ(qel2json_result_diagnostic(r.r, 0, &d), 0);
  EXPECT_EQ(d.severity, QEL2JSON_DEADLY);
  EXPECT_STREQ(d.file, "broken");
  EXPECT_EQ(d.line, 0);
  EXPECT_STREQ(d.text, "refillBuf: Input/output error");
}

TEST(Interface, ResultsOutliveTheirTranslatorAndNullIsRefused) {
  Translator* t = new Translator;
  qel2json_result* r = qel2json_translate(t->t, Example().data(), Example().size(), nullptr);
  delete t;
  size_t size = 0;
  const char* document = qel2json_result_document(r, &size);
  EXPECT_EQ(std::string(document, size), ReadFileBytes(EXAMPLE_JSON));
  qel2json_diagnostic d;
  EXPECT_EQ(qel2json_result_diagnostic(r, 0, &d), -1);
  EXPECT_EQ(qel2json_result_diagnostic(r, 0, nullptr), -1);
  qel2json_result_free(r);
  qel2json_result_free(nullptr);
  qel2json_translator_free(nullptr);
  EXPECT_EQ(qel2json_translate(nullptr, "", 0, nullptr), nullptr);
  EXPECT_EQ(qel2json_translate_stream(nullptr, nullptr, nullptr), nullptr);
  EXPECT_STREQ(qel2json_version(), QEL2JSON_RELEASE);
  // An empty text from a null pointer.
  Translator empty;
  Result e(qel2json_translate(empty.t, nullptr, 0, nullptr));
  EXPECT_EQ(e.Text(), AsStdin(ReadFileBytes(std::string(GOLDEN_DIR) + "/empty-input/stderr")));
}

}  // namespace

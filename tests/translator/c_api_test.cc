// The C interface as a client sees it: every golden case gives the command
// line's document, diagnostics and status, held or streamed, whatever is
// recorded besides; diagnostics as records agree with their lines, their
// codes with their messages and their byte places with their coordinates;
// the stream's functions are called as read(2) and write(2) would be; and
// a translation that must end early (a bound passed, a failed read or
// write) ends alone.
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qel2json.h"
#include "support/coordinates.h"
#include "support/diagnostic_checks.h"
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

const std::map<int, CodeRow>& Codes() {
  static const std::map<int, CodeRow> codes = ReadCodeTable(LIBRARY_GUIDE);
  return codes;
}

// What the command line would print for each record.
std::string LinesOf(const qel2json_result* r) {
  std::string lines;
  for (size_t i = 0; const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r, i); ++i) {
    std::string line(1, '"');
    line.append(d->file).append("\", line ").append(std::to_string(d->line)).append(":");
    line.append(std::to_string(d->column)).append(" ").append(qel2json_severity_name(d->severity));
    line.append(": ").append(d->message);
    // Failures that are no report (no memory, a read error) stand alone.
    if (d->line == 0 && d->severity == QEL2JSON_SEVERITY_DEADLY && line != d->text) line = d->message;
    EXPECT_EQ(line, d->text);
    lines += line + "\n";
  }
  return lines;
}

// Each diagnostic's code is that of its message, its place lies in the
// input and is where its line and column say, and each "Parsing resumed
// here" names the "Syntax error" before it.
void ExpectDataAgrees(const qel2json_result* r, std::string_view input, const std::string& what) {
  size_t open = QEL2JSON_NO_RELATED;  // a syntax error that waits for its note
  for (size_t i = 0; const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r, i); ++i) {
    std::string at = what + ", diagnostic " + std::to_string(i) + ": " + d->text;
    ASSERT_TRUE(Codes().count(d->code)) << at;
    const CodeRow& row = Codes().at(d->code);
    EXPECT_EQ(row.severity, qel2json_severity_name(d->severity)) << at;
    bool fits = false;
    for (const std::string& form : row.forms) fits = fits || HasForm(d->message, form);
    EXPECT_TRUE(fits) << at << " is no " << row.name;
    EXPECT_EQ(PlaceFault(input, *d), "") << at;
    if (d->code == QEL2JSON_CODE_PARSING_RESUMED) {
      EXPECT_EQ(d->related, open) << at;
      open = QEL2JSON_NO_RELATED;
    } else {
      EXPECT_EQ(d->related, QEL2JSON_NO_RELATED) << at;
    }
    if (d->code == QEL2JSON_CODE_SYNTAX_ERROR) {
      EXPECT_EQ(open, QEL2JSON_NO_RELATED) << at;
      open = i;
    }
  }
  EXPECT_EQ(qel2json_result_diagnostic_at(r, qel2json_result_diagnostic_count(r)), nullptr);
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
    ExpectDataAgrees(r.r, c.input, c.name);
    EXPECT_EQ(qel2json_result_token_count(r.r) + qel2json_result_span_count(r.r), 0u) << "none asked for";
  }
  // Records, and no document, change nothing else the command line shows.
  ASSERT_EQ(qel2json_translator_set_options(t.t, QEL2JSON_RECORD_SPANS | QEL2JSON_NO_DOCUMENT), 0);
  Result r(qel2json_translate(t.t, c.input.data(), c.input.size(), "input.qel"));
  EXPECT_EQ(qel2json_result_status(r.r), c.status);
  EXPECT_EQ(r.Text(), c.err);
  EXPECT_EQ(qel2json_result_document(r.r, nullptr), nullptr);
  EXPECT_GT(qel2json_result_token_count(r.r), 0u);
}

struct Stream {
  explicit Stream(std::string text, std::vector<size_t> sizes = {}) : input(std::move(text)), pieces(std::move(sizes)) {}
  std::string input;
  std::vector<size_t> pieces;  // cycled; a read takes at most the next
  size_t at = 0, next = 0;
  std::string document;
  std::string lines;
  size_t writeLimit = 0;  // bytes a write takes at most (0: all)
  int interrupt = 0;      // every interrupt-th call of either fails with EINTR
  int calls = 0;
  bool Interrupted() { return interrupt && ++calls % interrupt == 0; }
};

long ReadPiece(void* context, char* buffer, size_t size) {
  Stream* s = static_cast<Stream*>(context);
  if (s->Interrupted()) {
    errno = EINTR;
    return -1;
  }
  size_t n = std::min(size, s->input.size() - s->at);
  if (!s->pieces.empty()) n = std::min(n, s->pieces[s->next++ % s->pieces.size()]);
  memcpy(buffer, s->input.data() + s->at, n);
  s->at += n;
  return long(n);
}

long WriteDocument(void* context, const char* bytes, size_t size) {
  Stream* s = static_cast<Stream*>(context);
  if (s->Interrupted()) {
    errno = EINTR;
    return -1;
  }
  if (s->writeLimit) size = std::min(size, s->writeLimit);
  s->document.append(bytes, size);
  return long(size);
}

void ReportLine(void* context, const qel2json_diagnostic* d) {
  static_cast<Stream*>(context)->lines += std::string(d->text) + "\n";
}

using StreamWork = qel2json_result* (*)(qel2json_translator*, const qel2json_stream*, const char*);

qel2json_result* TranslateStream(qel2json_translator* t, Stream& s, bool write, bool report,
                                 StreamWork work = qel2json_translate_stream) {
  qel2json_stream stream = QEL2JSON_STREAM_INIT;
  stream.read = ReadPiece;
  stream.read_context = stream.write_context = stream.report_context = &s;
  if (write) stream.write = WriteDocument;
  if (report) stream.report = ReportLine;
  return work(t, &stream, "stdin");
}

std::string AsStdin(const std::string& err) { return Replaced(err, "\"input.qel\"", "\"stdin\""); }

TEST_P(Golden, StreamedInPiecesAsTheCommandLineWritesIt) {
  const GoldenCase& c = Cases()[GetParam()];
  Translator t;
  for (std::vector<size_t> pieces : {std::vector<size_t>{}, {1}, {7, 3}}) {
    Stream s(c.input, pieces);
    // Short writes and interrupted calls, as pipes and signals make them.
    s.writeLimit = pieces.empty() ? 0 : 1000;
    s.interrupt = pieces.empty() ? 0 : 3;
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
    // Formatted, what comes in pieces gives what the whole text gives.
    Result whole(qel2json_format(t.t, c.input.data(), c.input.size(), "stdin"));
    Stream formatting(c.input, pieces);
    formatting.writeLimit = s.writeLimit;
    formatting.interrupt = s.interrupt;
    Result f(TranslateStream(t.t, formatting, true, true, qel2json_format_stream));
    EXPECT_EQ(qel2json_result_status(f.r), qel2json_result_status(whole.r));
    EXPECT_EQ(formatting.lines, whole.Text());
    EXPECT_TRUE(formatting.document == whole.Document()) << c.name << " formats otherwise in pieces";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::Range(size_t(0), Cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& i) {
                           return CaseName({Cases()[i.param].name, i.index});
                         });

// Each line of expected-terminals.txt: a description, " => ", and the
// terminals its first syntax error names as expected.
TEST(SyntaxError, NamesTheTerminalsThatCouldHaveCome) {
  Translator t;
  EXPECT_GT(CheckArrowLines(std::string(DATA_DIR) + "/expected-terminals.txt", [&](const std::string& input) {
    Result r(qel2json_translate(t.t, input.data(), input.size(), nullptr));
    std::string named;
    for (size_t i = 0; const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r.r, i); ++i) {
      if (d->code != QEL2JSON_CODE_SYNTAX_ERROR) {
        EXPECT_EQ(d->expected, nullptr);
        continue;
      }
      EXPECT_STREQ(d->file, "stdin");
      for (size_t k = 0; k < d->expected_count; ++k) named += (k ? " " : "") + std::string(d->expected[k]);
      break;
    }
    return named;
  }), 3);
}

// Each line of repair-words.txt: a description, " => ", and the
// diagnostics it gives with words read whole.  Where a word is read as the
// keyword it resembles, the document is that of the text corrected so.
TEST(RepairWords, OneDiagnosticForAWordThatIsNoKeyword) {
  Translator repairing, plain;
  ASSERT_EQ(qel2json_translator_set_options(repairing.t, QEL2JSON_REPAIR_WORDS), 0);
  EXPECT_GT(CheckArrowLines(std::string(DATA_DIR) + "/repair-words.txt", [&](const std::string& line) {
    std::string input = line + "\n", shown, corrected = input;
    Result r(qel2json_translate(repairing.t, input.data(), input.size(), nullptr));
    for (size_t i = qel2json_result_diagnostic_count(r.r); i-- > 0;) {
      const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r.r, i);
      shown = std::string(d->text) + (shown.empty() ? "" : " | ") + shown;
      EXPECT_EQ(PlaceFault(input, *d), "") << input;
      EXPECT_EQ(d->suggestion != nullptr, d->code == QEL2JSON_CODE_UNKNOWN_KEYWORD && strchr(d->message, '?'));
      if (d->suggestion) corrected.replace(d->offset, d->length, d->suggestion);
    }
    if (corrected != input) {
      Result fixed(qel2json_translate(plain.t, corrected.data(), corrected.size(), nullptr));
      EXPECT_EQ(r.Document(), fixed.Document()) << corrected;
    }
    return shown;
  }), 8);
}

const std::string& Example() {
  static const std::string text = ReadFileBytes(EXAMPLE);
  return text;
}

// Line feeds for ever, counted.
long ReadEndlessly(void* delivered, char* buffer, size_t size) {
  memset(buffer, '\n', size);
  *static_cast<size_t*>(delivered) += size;
  return long(size);
}

// A bound on the document or on the input passes a translation of exactly
// its size and ends a longer one with no document; 0 takes it away.
// Streamed, no byte beyond a document bound is written, and of a stream
// that never ends one byte past an input bound is read and no more.
TEST(Limit, ALongerDocumentOrInputEndsTheTranslation) {
  const std::string& text = Example();
  Translator t;
  const std::string document = Result(qel2json_translate(t.t, text.data(), text.size(), "plant.qel")).Document();
  ASSERT_FALSE(document.empty());
  struct Bound {
    void (*set)(qel2json_translator*, size_t);
    size_t size;
    std::string what;
    int code;
  };
  for (const Bound& b : {Bound{qel2json_translator_set_max_document_size, document.size(), "document",
                               QEL2JSON_CODE_DOCUMENT_TOO_LONG},
                         Bound{qel2json_translator_set_max_input_size, text.size(), "input", QEL2JSON_CODE_INPUT_TOO_LONG}}) {
    b.set(t.t, b.size);
    EXPECT_EQ(Result(qel2json_translate(t.t, text.data(), text.size(), "plant.qel")).Document(), document) << b.what;
    b.set(t.t, b.size - 1);
    Result over(qel2json_translate(t.t, text.data(), text.size(), "plant.qel"));
    EXPECT_EQ(qel2json_result_status(over.r), 1);
    EXPECT_EQ(qel2json_result_document(over.r, nullptr), nullptr);
    EXPECT_EQ(qel2json_result_complete(over.r), 0);
    EXPECT_EQ(over.Text(), "\"plant.qel\", line 0:0 DEADLY: the " + b.what + " is longer than the limit of " +
                               std::to_string(b.size - 1) + " bytes\n");
    EXPECT_EQ(qel2json_result_diagnostic_at(over.r, 0)->code, b.code);
    b.set(t.t, 0);
    EXPECT_EQ(Result(qel2json_translate(t.t, text.data(), text.size(), "plant.qel")).Document(), document) << b.what;
  }
  qel2json_translator_set_max_document_size(t.t, 100);
  Stream s(text);
  Result streamed(TranslateStream(t.t, s, true, false));
  EXPECT_EQ(qel2json_result_complete(streamed.r), 0);
  EXPECT_LE(s.document.size(), 100u);
  qel2json_translator_set_max_input_size(t.t, 1000000);
  size_t delivered = 0;
  qel2json_stream endless = QEL2JSON_STREAM_INIT;
  endless.read = ReadEndlessly;
  endless.read_context = &delivered;
  EXPECT_EQ(qel2json_result_status(Result(qel2json_translate_stream(t.t, &endless, nullptr)).r), 1);
  EXPECT_EQ(delivered, 1000001u);
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

// What a read or write function answers: a value, with errno.
struct Answer {
  long value;
  int error;
  std::string reason;  // as the diagnostic gives it
};

long Answered(void* context) {
  const Answer* a = static_cast<const Answer*>(context);
  errno = a->error;
  return a->value;
}

// A read or a write that fails, or that breaks the convention (a write
// that takes nothing, more than it was offered or a read that gives more,
// an answer below -1), ends the translation alone with one DEADLY line:
// the next one is whole.
TEST(Stream, AFailedReadOrWriteEndsTheTranslation) {
  Translator t;
  const std::string io = "Input/output error";
  for (bool reading : {true, false}) {
    std::vector<Answer> answers =
        reading ? std::vector<Answer>{{-1, EIO, io}, {-1, 0, io}, {-7, 0, io}, {1L << 40, 0, io}, {-1, EISDIR, "Is a directory"}}
                : std::vector<Answer>{{-1, ENOSPC, "No space left on device"}, {-1, 0, io}, {0, 0, io}, {1L << 40, 0, io}, {-2, 0, io}};
    for (Answer& a : answers) {
      Stream s(Example());
      qel2json_stream stream = QEL2JSON_STREAM_INIT;
      stream.read = ReadPiece;
      stream.read_context = &s;
      if (reading) {
        stream.read = [](void* c, char*, size_t) { return Answered(c); };
        stream.read_context = &a;
      } else {
        stream.write = [](void* c, const char*, size_t) { return Answered(c); };
        stream.write_context = &a;
      }
      Result r(qel2json_translate_stream(t.t, &stream, "broken"));
      std::string line = reading ? "refillBuf: " + a.reason : "\"broken\", line 0:0 DEADLY: cannot write the output: " + a.reason;
      EXPECT_EQ(qel2json_result_status(r.r), 1);
      EXPECT_EQ(qel2json_result_complete(r.r), 0);
      EXPECT_EQ(r.Text(), line + "\n") << a.value;
      const qel2json_diagnostic* d = qel2json_result_diagnostic_at(r.r, 0);
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(d->severity, QEL2JSON_SEVERITY_DEADLY);
      EXPECT_EQ(d->code, reading ? QEL2JSON_CODE_CANNOT_READ : QEL2JSON_CODE_CANNOT_WRITE);
      EXPECT_STREQ(d->file, "broken");
      EXPECT_EQ(d->line, 0);
      EXPECT_EQ(d->text, line);
      Stream next(Example());
      Result again(TranslateStream(t.t, next, true, false));
      EXPECT_EQ(next.document, ReadFileBytes(EXAMPLE_JSON));
    }
  }
}

// A stream set up without QEL2JSON_STREAM_INIT (size 0), or by a program
// whose stream is smaller than the library's, is refused.
TEST(Stream, AStreamOfUnknownSizeIsRefused) {
  Translator t;
  Stream s(Example());
  qel2json_stream stream = QEL2JSON_STREAM_INIT;
  stream.read = ReadPiece;
  stream.read_context = &s;
  stream.size = 0;
  EXPECT_EQ(qel2json_translate_stream(t.t, &stream, nullptr), nullptr);
  stream.size = sizeof(qel2json_stream) - 1;
  EXPECT_EQ(qel2json_translate_stream(t.t, &stream, nullptr), nullptr);
  stream.size = sizeof(qel2json_stream) + 64;  // a later release's
  Result r(qel2json_translate_stream(t.t, &stream, nullptr));
  EXPECT_EQ(qel2json_result_status(r.r), 0);
  stream.read = nullptr;
  stream.size = sizeof(qel2json_stream);
  EXPECT_EQ(qel2json_translate_stream(t.t, &stream, nullptr), nullptr);
}

TEST(Interface, ResultsOutliveTheirTranslatorAndNullIsRefused) {
  Translator* t = new Translator;
  qel2json_result* r = qel2json_translate(t->t, Example().data(), Example().size(), nullptr);
  delete t;
  size_t size = 0;
  const char* document = qel2json_result_document(r, &size);
  EXPECT_EQ(std::string(document, size), ReadFileBytes(EXAMPLE_JSON));
  EXPECT_EQ(qel2json_result_diagnostic_at(r, 0), nullptr);
  EXPECT_EQ(qel2json_result_token_at(r, 0), nullptr);
  EXPECT_EQ(qel2json_result_span_at(r, 0), nullptr);
  EXPECT_EQ(qel2json_result_diagnostic_at(nullptr, 0), nullptr);
  qel2json_result_free(r);
  qel2json_result_free(nullptr);
  qel2json_translator_free(nullptr);
  EXPECT_EQ(qel2json_translate(nullptr, "", 0, nullptr), nullptr);
  EXPECT_EQ(qel2json_translate_stream(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(qel2json_format(nullptr, "", 0, nullptr), nullptr);
  EXPECT_EQ(qel2json_format_stream(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(qel2json_write_description(nullptr, "{}", 2, nullptr), nullptr);
  EXPECT_EQ(qel2json_translator_trim(nullptr), -1);
  qel2json_translator_set_max_document_size(nullptr, 1);
  qel2json_translator_set_max_input_size(nullptr, 1);
  // A null result reads as a failed translation with nothing in it.
  EXPECT_EQ(qel2json_result_status(nullptr), 1);
  EXPECT_EQ(qel2json_result_complete(nullptr), 0);
  size = 7;
  EXPECT_EQ(qel2json_result_document(nullptr, &size), nullptr);
  EXPECT_EQ(size, 0u);
  size = 7;
  EXPECT_STREQ(qel2json_result_diagnostics_text(nullptr, &size), "");
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(qel2json_result_diagnostic_count(nullptr), 0u);
  EXPECT_EQ(qel2json_result_token_count(nullptr), 0u);
  EXPECT_EQ(qel2json_result_span_count(nullptr), 0u);
  EXPECT_EQ(qel2json_result_token_at(nullptr, 0), nullptr);
  EXPECT_EQ(qel2json_result_span_at(nullptr, 0), nullptr);
  // An empty text from a null pointer; none of a length.
  Translator empty;
  Result e(qel2json_translate(empty.t, nullptr, 0, nullptr));
  EXPECT_EQ(e.Text(), AsStdin(ReadFileBytes(std::string(GOLDEN_DIR) + "/empty-input/stderr")));
  Result f(qel2json_format(empty.t, nullptr, 0, nullptr));
  EXPECT_EQ(f.Text(), e.Text());
  EXPECT_EQ(qel2json_write_description(empty.t, nullptr, 2, nullptr), nullptr);
  Result w(qel2json_write_description(empty.t, nullptr, 0, nullptr));
  EXPECT_EQ(qel2json_result_status(w.r), 1);
  EXPECT_EQ(w.Text(), "\"stdin\", line 1:1 ERROR: the document: expected an object, found the end of the document\n");
}

TEST(Interface, VersionsOfTheHeaderAndTheLibraryAgree) {
  EXPECT_STREQ(qel2json_version(), QEL2JSON_VERSION_STRING);
  EXPECT_EQ(qel2json_version_number(), QEL2JSON_VERSION_NUMBER);
  EXPECT_EQ(std::to_string(QEL2JSON_VERSION_MAJOR) + "." + std::to_string(QEL2JSON_VERSION_MINOR) + "." +
                std::to_string(QEL2JSON_VERSION_PATCH),
            QEL2JSON_VERSION_STRING);
  EXPECT_EQ(QEL2JSON_VERSION_STRING, std::string(BUILD_VERSION));
}

TEST(Interface, NamesOfNumbers) {
  EXPECT_STREQ(qel2json_severity_name(QEL2JSON_SEVERITY_NOTE), "NOTE");
  EXPECT_STREQ(qel2json_severity_name(QEL2JSON_SEVERITY_DEADLY), "DEADLY");
  EXPECT_EQ(qel2json_severity_name(4), nullptr);
  EXPECT_EQ(qel2json_severity_name(-1), nullptr);
  EXPECT_STREQ(qel2json_kind_name(QEL2JSON_KIND_SYSTEM), "System");
  EXPECT_STREQ(qel2json_kind_name(QEL2JSON_KIND_SEQ_OF_PARAM), "Seq_Of_Param");
  EXPECT_EQ(qel2json_kind_name(qel2json_kind_count()), nullptr);
  EXPECT_EQ(qel2json_kind_name(-1), nullptr);
}

// An option the library does not know is refused and changes nothing.
TEST(Interface, UnknownOptionsAreRefused) {
  Translator t;
  EXPECT_EQ(qel2json_translator_set_options(t.t, QEL2JSON_RECORD_TOKENS), 0);
  EXPECT_EQ(qel2json_translator_set_options(t.t, QEL2JSON_NO_DOCUMENT | 16u), -1);
  EXPECT_EQ(qel2json_translator_set_options(t.t, 1u << 31), -1);
  EXPECT_EQ(qel2json_translator_set_options(nullptr, 0), -1);
  Result r(qel2json_translate(t.t, Example().data(), Example().size(), nullptr));
  EXPECT_GT(qel2json_result_token_count(r.r), 0u);
  EXPECT_FALSE(r.Document().empty());
}

// The copying functions of release 1.1 fill in the members it knew of and
// leave those added since as the caller set them.
TEST(Interface, CopiesOfRecordsKeepToTheFirstRelease) {
  Translator t;
  ASSERT_EQ(qel2json_translator_set_options(t.t, QEL2JSON_RECORD_SPANS), 0);
  std::string text = "SYSTEM LINEAR < \"a\" > ?";
  Result r(qel2json_translate(t.t, text.data(), text.size(), nullptr));
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  qel2json_diagnostic d;
  d.code = QEL2JSON_CODE_INTERNAL_FAULT;
  d.offset = 77;
  ASSERT_EQ(qel2json_result_diagnostic(r.r, 0, &d), 0);
  EXPECT_STREQ(d.message, "char '?' is not a token");
  EXPECT_EQ(d.column, 23);
  EXPECT_EQ(d.code, QEL2JSON_CODE_INTERNAL_FAULT);
  EXPECT_EQ(d.offset, 77u);
  qel2json_span s;
  s.code = QEL2JSON_KIND_MATRIX;
  ASSERT_EQ(qel2json_result_span(r.r, 0, &s), 0);
  EXPECT_STREQ(s.kind, qel2json_result_span_at(r.r, 0)->kind);
  EXPECT_NE(qel2json_result_span_at(r.r, 0)->code, QEL2JSON_KIND_MATRIX);
  EXPECT_EQ(s.code, QEL2JSON_KIND_MATRIX);
  qel2json_token k;
  ASSERT_EQ(qel2json_result_token(r.r, 0, &k), 0);
  EXPECT_STREQ(k.name, "SYSTEM");
  EXPECT_EQ(qel2json_result_token(r.r, 1000, &k), -1);
  EXPECT_EQ(qel2json_result_diagnostic(r.r, 0, nullptr), -1);
#pragma GCC diagnostic pop
}

}  // namespace

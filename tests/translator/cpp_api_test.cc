// The C++ interface: callables may throw, write and report may be left
// out, nothing it hands out can dangle, options are flags.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "qel2json.hpp"
#include "support/child.h"
#include "support/streams.h"

namespace {

const std::string& Example() {
  static const std::string text = ReadFileBytes(EXAMPLE);
  return text;
}

// Reads the example in blocks of at most 100 bytes.
TextSource ExampleInBlocks() { return {Example(), 100}; }

struct Disappointment : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Whichever callable throws, the translation ends and the caller catches
// the exception itself; the translator goes on as new.  Left out, the
// write and report callables leave the document and the diagnostics in
// the result; given, they take them.
TEST(CppStream, CallablesMayThrowOrBeLeftOut) {
  qel2json::Translator t;
  TextSource reader = ExampleInBlocks();
  auto throwing = [](auto&&...) -> long { throw Disappointment("the caller's own"); };
  EXPECT_THROW((void)t.translate_stream(throwing, "a.qel"), Disappointment);
  EXPECT_THROW((void)t.translate_stream(reader, "a.qel", throwing), Disappointment);
  int reports = 0;
  auto throwingReport = [&](const qel2json::Diagnostic&) {
    ++reports;
    throw Disappointment("report");
  };
  TextSource bad{"SYSTEM ; ; ;"};
  EXPECT_THROW((void)t.translate_stream(bad, "bad.qel", nullptr, throwingReport), Disappointment);
  EXPECT_EQ(reports, 1) << "no report after the first exception";
  reader = ExampleInBlocks();
  qel2json::Result held = t.translate_stream(reader, "plant.qel");
  EXPECT_EQ(held.status(), 0);
  ASSERT_TRUE(held.document());
  EXPECT_EQ(*held.document(), ReadFileBytes(EXAMPLE_JSON));
  std::string written;
  reader = ExampleInBlocks();
  qel2json::Result streamed = t.translate_stream(reader, "plant.qel", [&](const char* bytes, size_t size) {
    size = std::min(size, size_t(333));  // short writes are called again
    written.append(bytes, size);
    return long(size);
  });
  EXPECT_FALSE(streamed.document());
  EXPECT_TRUE(streamed.complete());
  EXPECT_EQ(written, ReadFileBytes(EXAMPLE_JSON));
}

// A Diagnostic owns its strings: one kept from a report callable, or from
// a result that is gone, reads as it was.
TEST(CppResult, DiagnosticsOutliveTheirResult) {
  qel2json::Translator t;
  std::vector<qel2json::Diagnostic> kept;
  std::string text = "SYSTEM LINEAR < \"a\" > ?";
  TextSource source{text};
  (void)t.translate_stream(source, "kept.qel", nullptr, [&](const qel2json::Diagnostic& d) { kept.push_back(d); });
  std::vector<qel2json::Diagnostic> fromTemporary = t.translate(text, "temporary.qel").diagnostics();
  ASSERT_EQ(kept.size(), 3u);
  ASSERT_EQ(fromTemporary.size(), 3u);
  EXPECT_EQ(kept[0].text, "\"kept.qel\", line 1:23 ERROR: char '?' is not a token");
  EXPECT_EQ(fromTemporary[1].message, "Syntax error");
  EXPECT_EQ(fromTemporary[1].code, QEL2JSON_CODE_SYNTAX_ERROR);
  EXPECT_EQ(fromTemporary[1].expected, std::vector<std::string>{"<"});
  EXPECT_EQ(fromTemporary[2].related, std::optional<size_t>(1));
  EXPECT_EQ(fromTemporary[1].related, std::nullopt);
  EXPECT_EQ(fromTemporary[0].offset, 22u);
  EXPECT_EQ(fromTemporary[0].length, 1u);
}

// Views into a result may not be taken from a temporary one.
template <typename R>
constexpr bool kViewsOf = requires { std::declval<R>().document(); } || requires { std::declval<R>().diagnostics_text(); };
static_assert(kViewsOf<const qel2json::Result&>);
static_assert(!kViewsOf<qel2json::Result&&>);

TEST(CppTranslator, OptionsAreFlagsAndUnknownOnesAreRefused) {
  qel2json::Translator t;
  t.set_options(qel2json::Options::RecordTokens | qel2json::Options::NoDocument);
  qel2json::Result r = t.translate(Example());
  EXPECT_FALSE(r.document());
  EXPECT_GT(r.tokens().size(), 100u);
  EXPECT_THROW(t.set_options(qel2json::Options(1u << 20)), std::invalid_argument);
  qel2json::Result same = t.translate(Example());
  EXPECT_EQ(same.tokens().size(), r.tokens().size()) << "a refused option changes nothing";
  EXPECT_EQ(qel2json::severity_name(qel2json::Severity::Deadly), "DEADLY");
  EXPECT_EQ(qel2json::kind_name(QEL2JSON_KIND_SEQ_OF_PARAM), "Seq_Of_Param");
  EXPECT_EQ(qel2json::version_number(), QEL2JSON_VERSION_NUMBER);
}

TEST(CppTranslator, FileNamesAreViews) {
  qel2json::Translator t;
  std::string name = "a long name.qel and more";
  qel2json::Result r = t.translate("?", std::string_view(name).substr(0, 15));
  EXPECT_EQ(r.diagnostics().at(0).file, "a long name.qel");
}

// The three directions through the C++ interface: the formatted example
// translates to the example's document, streamed or held alike, and the
// description written from that document translates to it again.
TEST(CppFormat, FormattedAndWrittenDescriptionsTranslateToTheSameDocument) {
  qel2json::Translator t;
  const std::string json = ReadFileBytes(EXAMPLE_JSON);
  qel2json::Result formatted = t.format(Example(), "plant.qel");
  ASSERT_TRUE(formatted.document());
  qel2json::Result again = t.translate(*formatted.document());
  EXPECT_EQ(again.document(), json);
  TextSource reader = ExampleInBlocks();
  std::string streamed;
  qel2json::Result s = t.format_stream(reader, "plant.qel", [&](const char* bytes, size_t size) {
    streamed.append(bytes, size);
    return long(size);
  });
  EXPECT_TRUE(s.complete());
  EXPECT_EQ(streamed, *formatted.document());
  qel2json::Result written = t.write_description(json, "plant.json");
  ASSERT_TRUE(written.document());
  qel2json::Result back = t.translate(*written.document());
  EXPECT_EQ(back.document(), json);
}

// A description with an ERROR is not formatted, and a document of the
// wrong shape gives no description; each says why.
TEST(CppFormat, FaultyInputsGiveNoText) {
  qel2json::Translator t;
  qel2json::Result bad = t.format("SYSTEM ?", "bad.qel");
  EXPECT_EQ(bad.status(), 1);
  EXPECT_FALSE(bad.document());
  EXPECT_EQ(bad.diagnostics().at(0).text, "\"bad.qel\", line 1:8 ERROR: char '?' is not a token");
  qel2json::Result notJson = t.write_description("{\"Qel_Object\": [", "bad.json");
  EXPECT_EQ(notJson.status(), 1);
  EXPECT_FALSE(notJson.document());
  ASSERT_EQ(notJson.diagnostics().size(), 1u);
  EXPECT_EQ(notJson.diagnostics()[0].file, "bad.json");
}

}  // namespace

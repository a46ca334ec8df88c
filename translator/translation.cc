#include "translator/translation.h"

#include <cstring>
#include <new>

namespace qel2json::detail {

Translation::Translation()
    : source_(pages_, reports_),
      strings_(pages_),
      scanner_(source_, strings_, reports_),
      tree_(pages_, reports_),
      parser_(pages_, scanner_, tree_, reports_),
      output_(reports_),
      printer_(pages_, tree_, strings_, output_) {}

void Translation::Run(TextReader& input, DocumentSink& document) {
  strings_.Clear();
  tree_.Clear();
  bool record = options_.recordTokens || options_.recordSpans;
  recording_.Start(options_.recordSpans);
  parser_.Observe(record ? &recording_ : nullptr);
  scanner_.ObserveComments(record ? &recording_ : nullptr);
  scanner_.ReadWordsWhole(options_.repairWords);
  source_.Open(input, inputLimit_);
  root_ = parser_.Parse();
  if (!options_.noDocument) printer_.Write(root_, document, documentLimit_);
}

Translation::Outcome Translation::Translate(TextReader& input, std::string_view name, DocumentSink& document,
                                            DiagnosticSink& diagnostics) {
  root_ = 0;
  reports_.Start(name, diagnostics, scanner_.currentLine());
  try {
    Run(input, document);
  } catch (const TranslationEnded&) {
    return {1, false};
  } catch (const std::bad_alloc&) {  // OutOfMemory too
    reports_.Add(Code::OutOfMemory, KindOf(Code::OutOfMemory).text);
    return {1, false};
  }
  return {reports_.Count(Severity::Error) > 0 ? 1 : 0, true};
}

std::unique_ptr<Translation> Translation::Renewed() const {
  auto renewed = std::make_unique<Translation>();
  renewed->options_ = options_;
  renewed->documentLimit_ = documentLimit_;
  renewed->inputLimit_ = inputLimit_;
  return renewed;
}

long MemoryReader::Read(char* into, size_t size) {
  size_t n = size < left_ ? size : left_;
  if (n) memcpy(into, next_, n);
  next_ += n;
  left_ -= n;
  return long(n);
}

}  // namespace qel2json::detail

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
      printer_(pages_, tree_, strings_, output_),
      describer_(pages_, tree_, strings_, output_),
      reader_(tree_, strings_, reports_),
      noteTaking_(notes_) {}

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

bool Translation::RunFormat(TextReader& input, DocumentSink& text) {
  strings_.Clear();
  tree_.Clear();
  noteTaking_.Start();
  parser_.Observe(&noteTaking_);
  scanner_.ObserveComments(&noteTaking_);
  scanner_.ReadWordsWhole(false);
  source_.Open(input, inputLimit_);
  root_ = parser_.Parse();
  if (reports_.Count(Severity::Error) > 0) return false;
  describer_.Write(root_, &notes_, text, documentLimit_);
  return true;
}

// Runs a piece of work that reports to `diagnostics` and that a DEADLY
// report, the error limit or running out of memory may end early; `work`
// returns whether it wrote its whole text.
template <typename Work>
Translation::Outcome Translation::Guarded(std::string_view name, DiagnosticSink& diagnostics, Work work) {
  root_ = 0;
  reports_.Start(name, diagnostics, scanner_.currentLine());
  bool complete = false;
  try {
    complete = work();
  } catch (const TranslationEnded&) {
    return {1, false};
  } catch (const std::bad_alloc&) {  // OutOfMemory too
    reports_.Add(Code::OutOfMemory, KindOf(Code::OutOfMemory).text);
    return {1, false};
  }
  return {reports_.Count(Severity::Error) > 0 ? 1 : 0, complete};
}

Translation::Outcome Translation::Translate(TextReader& input, std::string_view name, DocumentSink& document,
                                            DiagnosticSink& diagnostics) {
  return Guarded(name, diagnostics, [&] {
    Run(input, document);
    return true;
  });
}

Translation::Outcome Translation::Format(TextReader& input, std::string_view name, DocumentSink& text,
                                         DiagnosticSink& diagnostics) {
  return Guarded(name, diagnostics, [&] { return RunFormat(input, text); });
}

Translation::Outcome Translation::WriteDescription(const char* document, size_t size, std::string_view name,
                                                   DocumentSink& text, DiagnosticSink& diagnostics) {
  return Guarded(name, diagnostics, [&] {
    strings_.Clear();
    tree_.Clear();
    root_ = reader_.Read(document, size);
    if (!root_) return false;
    describer_.Write(root_, nullptr, text, documentLimit_);
    return true;
  });
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

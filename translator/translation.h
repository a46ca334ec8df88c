// The translation object: owns every piece of state of a translation (the
// source buffer, the reports, the string table, the tree, the parser's
// stacks and the printer's buffer), runs the stages in order, and keeps its
// memory from one translation to the next.
//
// One object is used by one thread at a time; objects on different threads
// share only constant tables.  No path ends the process: a DEADLY report,
// the error limit, running out of memory and a failed write each end the
// translation at hand, and the object then translates the next one as if it
// were new.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "description/description_printer.h"
#include "json_reader/json_reader.h"
#include "memory/pages.h"
#include "output/output_buffer.h"
#include "output/printer.h"
#include "parser/parser.h"
#include "scanner/scanner.h"
#include "source/report.h"
#include "source/source_buffer.h"
#include "store/string_table.h"
#include "translator/note_taking.h"
#include "translator/recording.h"
#include "tree/construction.h"

namespace qel2json::detail {

class Translation {
 public:
  Translation();
  Translation(const Translation&) = delete;
  Translation& operator=(const Translation&) = delete;

  struct Outcome {
    int status;     // the command line's exit status: 1 when an ERROR was reported or the end came early
    bool complete;  // the whole text went to the document sink
  };

  // Translates the text that `input` reads, named `name` in diagnostics.
  // The document goes to `document`, and every diagnostic, as it is made,
  // to `diagnostics`.
  Outcome Translate(TextReader& input, std::string_view name, DocumentSink& document, DiagnosticSink& diagnostics);

  // Writes the description that `input` reads anew, in the canonical layout
  // of description/description_printer.h, with its comments, to `text`.
  // A description with an ERROR is not written (its tree is a repair, not
  // what was meant): the outcome is then status 1 and not complete.
  Outcome Format(TextReader& input, std::string_view name, DocumentSink& text, DiagnosticSink& diagnostics);

  // Writes the description of the `size` bytes of JSON at `document` (as
  // this library writes documents) to `text`, in the same layout.  A
  // document that does not have the shape of the mapping gets one
  // diagnostic, at its first place that does not fit, and no text.
  Outcome WriteDescription(const char* document, size_t size, std::string_view name, DocumentSink& text,
                           DiagnosticSink& diagnostics);

  // The document's bound in bytes; 0, the default, is none.  A document that
  // would be longer ends its translation with a DEADLY report.
  void SetDocumentLimit(size_t bytes) { documentLimit_ = bytes; }

  // The input's bound in bytes; 0, the default, is none.  An input that is
  // longer ends its translation with a DEADLY report, once the first byte
  // past the bound is read: no more is read.
  void SetInputLimit(size_t bytes) { inputLimit_ = bytes; }

  // What the next translations do beyond the command line's work: record
  // the tokens and comments, record the spans of the tree's nodes, whether
  // they make no document at all (only diagnostics), and whether they read
  // a word that is no keyword as one mistake.
  struct Options {
    bool recordTokens = false;
    bool recordSpans = false;
    bool noDocument = false;
    bool repairWords = false;
  };
  void SetOptions(const Options& options) { options_ = options; }
  const Options& options() const { return options_; }

  // A new translation object with this one's settings (bounds, options):
  // what this one would be had it never translated.
  std::unique_ptr<Translation> Renewed() const;

  // What the last translation recorded (empty unless its options asked).
  Recording& recording() { return recording_; }

  // The tree of the last translation that got through the parse, and its
  // root (0 when none did), readable until the next translation.
  const Tree& tree() const { return tree_; }
  NodeRef root() const { return root_; }

 private:
  // Tests make this object's mappings fail.
  friend struct FaultInjection;

  template <typename Work>
  Outcome Guarded(std::string_view name, DiagnosticSink& diagnostics, Work work);
  void Run(TextReader& input, DocumentSink& document);
  bool RunFormat(TextReader& input, DocumentSink& text);

  PageSource pages_;
  Reports reports_;
  SourceBuffer source_;
  StringTable strings_;
  Scanner scanner_;
  Tree tree_;
  Parser parser_;
  OutputBuffer output_;
  Printer printer_;
  DescriptionPrinter describer_;
  JsonReader reader_;
  Recording recording_;
  SourceNotes notes_;
  NoteTaking noteTaking_;
  Options options_;
  size_t documentLimit_ = 0;
  size_t inputLimit_ = 0;
  NodeRef root_ = 0;
};

// A text held in memory, read as from a file.
class MemoryReader final : public TextReader {
 public:
  MemoryReader(const char* data, size_t size) : next_(data), left_(size) {}
  long Read(char* into, size_t size) override;

 private:
  const char* next_;
  size_t left_;
};

}  // namespace qel2json::detail

// Reading a JSON document back into the tree it was written from, so that
// a description can be written from it.
//
// The reader follows the print programs of the mapping table, the same
// ones the printer runs (output/json_mapping.h): what the printer writes,
// the reader expects, in the same order, whatever the blanks and line
// breaks between.  Where a kind has several rules, the keys that follow
// tell which one wrote the text.  Literals are taken as they stand, as the
// printer wrote them ("1.0F", ".5", "\q" included), and checked to be
// literals of the description language.
//
// The first place that does not fit is reported, with its line and column
// in the document and its path ("Qel_Object.System.Strings[2]"), and the
// reading ends there.  Nothing recurses with the document's depth: the
// open nodes wait on a stack on the heap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "source/report.h"
#include "store/string_table.h"
#include "tree/construction.h"

namespace qel2json::detail {

class JsonReader {
 public:
  JsonReader(Tree& tree, StringTable& strings, Reports& reports)
      : tree_(&tree), strings_(&strings), reports_(&reports) {}
  JsonReader(const JsonReader&) = delete;
  JsonReader& operator=(const JsonReader&) = delete;

  // Builds the tree of the `size` bytes of the document at `text` and
  // returns its root, or 0 after reporting the first place that does not
  // fit.
  NodeRef Read(const char* text, size_t size);

  struct Lexeme {
    int token;
    size_t begin;
    size_t end;
    const char* broken = nullptr;  // why a kBroken lexeme is none
  };

  struct Frame {
    int rule;
    int pc = 0;              // the next instruction of the rule's program
    int child = -1;          // the argument a child frame above fills, -1: the list's next element
    NodeArg args[kMaxArgs] = {};
    bool set[kMaxArgs] = {};
    NodeRef list = 0;        // the open list of a List instruction, 0: none
    uint32_t elements = 0;   // read so far into it
  };

  struct PathStep {
    std::string_view key;  // of an object: the member being read
    bool array = false;
    uint32_t index = 0;
  };

 private:
  Lexeme Lex(size_t at) const;
  const Lexeme& Ahead(size_t i) const;
  Lexeme Peek() const;
  Lexeme Take();
  int RuleAt(int kind);
  bool Is(const Lexeme& l, int token, std::string_view text) const;
  struct Fit {
    bool viable;
    size_t reached;  // lexemes ahead that fit
  };
  Fit FitOf(int rule, size_t ahead, int depth) const;
  bool Expect(int token, const char* what);
  bool IsKey(const Lexeme& l, std::string_view key) const;
  bool ReadKey(std::string_view key);
  bool ReadFixed(std::string_view fixed);
  bool ReadValue(Frame& frame, int argument, bool integer, NodeArg* value);
  bool ListStep(Frame& frame);
  int ListKindOf(const Frame& frame) const;
  void Deliver(Frame& frame, NodeRef node);
  NodeRef Finish(Frame& frame);
  void Fail(int code, const Lexeme& at, const std::string& text);
  void FailExpected(const Lexeme& found, std::string_view what);
  std::string Path() const;

  Tree* tree_;
  StringTable* strings_;
  Reports* reports_;
  const char* text_ = nullptr;
  size_t size_ = 0;
  size_t at_ = 0;  // the next byte to read
  // The lexemes from at_ on, lexed once: as many as choosing a rule looks
  // ahead.
  static constexpr size_t kAhead = 32;
  mutable Lexeme queue_[kAhead] = {};
  mutable size_t head_ = 0;
  mutable size_t queued_ = 0;
  std::vector<Frame> frames_;
  std::vector<PathStep> path_;
  std::string scratch_;  // a real literal, with a NUL behind it for the scanner's test
  bool failed_ = false;
};

}  // namespace qel2json::detail

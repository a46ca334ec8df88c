// The JSON printer: runs the print program of each node's rule on the node.
#include "output/printer.h"

#include "output/json_mapping.h"

namespace qel2json::detail {

// ---- The programs as the printer runs them ----
//
// The bound programs of json_mapping.h, with every run of fixed bytes (a
// key with its quotes and ": ", a bracket, a comma) joined into one piece
// of text in a pool, and the level changes joined with the line break that
// always follows or precedes them.

enum class Printer::Step : uint8_t {
  End,       // the text is complete
  Text,      // len bytes of the pool at `at`
  Deeper,    // the level rises by one step, a line break
  Shallower, // the level falls by one step, a line break
  Newline,   // a line break
  Comma,     // ",", a line break
  Int,       // the word at slot, in decimal
  Literal,   // the stored text of the string index at slot
  Child,     // the text of the node at slot
  List,      // the elements of the list at slot
};

struct Printer::Code {
  Step step = Step::End;
  uint8_t slot = 0;
  json::Element element = json::Element::Node;
  uint16_t len = 0;
  uint32_t at = 0;
};

namespace {

using Code = Printer::Code;
using Step = Printer::Step;

using json::Instr;
using json::Op;
using json::kPrograms;

// The fixed bytes an instruction writes, before and after its level change.
struct Fixed {
  const char* text = nullptr;
  int len = 0;
  bool key = false;  // text is a key: written as "text": 
};

constexpr Fixed FixedOf(const Instr& in) {
  switch (in.op) {
    case Op::Text: return {in.text, in.len};
    case Op::Key: return {in.text, in.len, true};
    case Op::Open:
    case Op::Close: return {in.text, 1};
    default: return {};
  }
}

constexpr int FixedLength(const Fixed& f) { return f.key ? f.len + 4 : f.len; }

// The pool holds every piece once per place it stands, and room behind
// the last for a block copy.
constexpr int kPoolSize = [] {
  int n = 0;
  for (const Instr& in : kPrograms.code) n += FixedLength(FixedOf(in));
  return n + OutputBuffer::kBlock;
}();

struct Printable {
  std::array<char, kPoolSize> pool{};
  std::array<Code, 2 * kPrograms.code.size()> code{};  // Open and Close become two steps
  std::array<int, kRuleCount> start{};
};

constexpr Printable Join() {
  Printable p;
  int pool = 0, at = 0;
  auto append = [&](const Fixed& f) {
    Code& last = at > 0 ? p.code[size_t(at - 1)] : p.code[0];
    if (!(at > 0 && last.step == Step::Text)) p.code[size_t(at++)] = {Step::Text, 0, json::Element::Node, 0, uint32_t(pool)};
    Code& text = p.code[size_t(at - 1)];
    if (f.key) p.pool[size_t(pool++)] = '"';
    for (int i = 0; i < f.len; ++i) p.pool[size_t(pool++)] = f.text[i];
    if (f.key)
      for (char c : {'"', ':', ' '}) p.pool[size_t(pool++)] = c;
    text.len = uint16_t(text.len + FixedLength(f));
  };
  auto step = [&](Step s, const Instr& in) { p.code[size_t(at++)] = {s, in.slot, in.element, 0, 0}; };
  for (int r = 0; r < kRuleCount; ++r) {
    p.start[size_t(r)] = -1;
    int from = kPrograms.start[size_t(r)];
    if (from < 0) continue;
    p.start[size_t(r)] = at;
    for (const Instr* in = kPrograms.code.data() + from;; ++in) {
      switch (in->op) {
        case Op::Text:
        case Op::Key: append(FixedOf(*in)); break;
        case Op::Open: append(FixedOf(*in)); step(Step::Deeper, *in); break;
        case Op::Close: step(Step::Shallower, *in); append(FixedOf(*in)); break;
        case Op::Break: step(Step::Newline, *in); break;
        case Op::CommaBreak: step(Step::Comma, *in); break;
        case Op::Int: step(Step::Int, *in); break;
        case Op::Literal: step(Step::Literal, *in); break;
        case Op::Child: step(Step::Child, *in); break;
        case Op::List: step(Step::List, *in); break;
        case Op::End: break;
      }
      if (in->op == Op::End) break;
    }
    step(Step::End, Instr{});
  }
  return p;
}

constexpr Printable kPrintable = Join();

}  // namespace

// ---- Printing ----

void Printer::PutLiteral(int index) { out_->Put(strings_->At(index), strings_->Length(index)); }

// The elements of a list of ints or stored texts, from `from` on.
void Printer::PutValues(json::Element sort, NodeRef list, int from) {
  const uint32_t* element = tree_->ListElements(list);
  for (int i = from, n = tree_->ListLength(list); i < n; ++i) {
    if (i > 0) out_->CommaNewline();
    if (sort == json::Element::Int)
      out_->PutInt(int(element[i]));
    else
      PutLiteral(int(element[i]));
  }
}

void Printer::Print(NodeRef root) {
  const uint32_t* words = tree_->Words();
  auto programOf = [&](NodeRef node) { return kPrintable.code.data() + kPrintable.start[words[node]]; };
  OutputBuffer& out = *out_;
  pending_.Clear();
  NodeRef node = root;
  const Code* pc = programOf(node);
  int element = 0;  // of the List at pc, when we come back to one
  for (;;) {
    const Code& in = *pc;
    switch (in.step) {
      case Step::Text:
        out.PutShort(kPrintable.pool.data() + in.at, in.len);
        break;
      case Step::Deeper:
        out.IndentIncrease();
        out.Newline();
        break;
      case Step::Shallower:
        out.IndentDecrease();
        out.Newline();
        break;
      case Step::Newline:
        out.Newline();
        break;
      case Step::Comma:
        out.CommaNewline();
        break;
      case Step::Int:
        out.PutInt(int(words[node + 1 + in.slot]));
        break;
      case Step::Literal:
        PutLiteral(int(words[node + 1 + in.slot]));
        break;
      case Step::Child:
        pending_.Push({node, pc + 1, 0});
        node = words[node + 1 + in.slot];
        pc = programOf(node);
        continue;
      case Step::List: {
        NodeRef list = words[node + 1 + in.slot];
        if (in.element != json::Element::Node) {
          PutValues(in.element, list, element);
          break;
        }
        if (element == tree_->ListLength(list)) break;
        if (element > 0) out.CommaNewline();
        pending_.Push({node, pc, element + 1});
        node = tree_->ListElements(list)[element];
        pc = programOf(node);
        element = 0;
        continue;
      }
      case Step::End:
        if (pending_.empty()) return;
        node = pending_.back().node;
        pc = pending_.back().pc;
        element = pending_.back().element;
        pending_.Pop();
        continue;
    }
    ++pc;
    element = 0;
  }
}

void Printer::Write(NodeRef root, DocumentSink& sink, size_t limit) {
  out_->Start(sink, limit);
  Print(root);
  out_->Drain();
}

}  // namespace qel2json::detail

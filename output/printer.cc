// The JSON printer: runs the print program of each node's rule on the node.
#include "output/printer.h"

#include <vector>

#include "output/json_mapping.h"
#include "output/output_buffer.h"
#include "store/string_table.h"
#include "tree/walk.h"

namespace {

using json::Element;
using json::Instr;
using json::Op;

OutputBuffer Out;

const Instr* ProgramOf(NodeRef node) {
  return json::kPrograms.code.data() + json::kPrograms.start[size_t(RuleOf(node))];
}

void PutLiteral(int index) { Out.Put(StringAt(index), size_t(StringLength(index))); }

// Where to go on once the text in hand is written, innermost last: the
// node, its next instruction, and, when that instruction is a List, the
// next element.  Lists are as long and objects nest as deep as the input,
// so this stack is kept on the heap instead of the call stack.
struct Frame {
  NodeRef node;
  const Instr* pc;
  int element;
};

// The elements of a list of ints or stored texts, from `from` on.
void PutValues(Element sort, NodeRef list, int from) {
  const uint32_t* element = ListElements(list);
  for (int i = from, n = ListLength(list); i < n; ++i) {
    if (i > 0) Out.CommaNewline();
    if (sort == Element::Int)
      Out.PutInt(int(element[i]));
    else
      PutLiteral(int(element[i]));
  }
}

void Print(NodeRef root) {
  std::vector<Frame> pending;
  NodeRef node = root;
  const Instr* pc = ProgramOf(node);
  int element = 0;  // of the List at pc, when we come back to one
  for (;;) {
    const Instr& in = *pc;
    switch (in.op) {
      case Op::Text:
        Out.Put(in.text, size_t(in.len));
        break;
      case Op::Open:
        Out.PutChar(in.text[0]);
        Out.IndentIncrease();
        Out.Newline();
        break;
      case Op::Close:
        Out.IndentDecrease();
        Out.Newline();
        Out.PutChar(in.text[0]);
        break;
      case Op::Break:
        Out.Newline();
        break;
      case Op::CommaBreak:
        Out.CommaNewline();
        break;
      case Op::Key:
        Out.PutChar('"');
        Out.Put(in.text, size_t(in.len));
        Out.Put("\": ", 3);
        break;
      case Op::Int:
        Out.PutInt(int(NodeWords[node + 1 + in.slot]));
        break;
      case Op::Literal:
        PutLiteral(int(NodeWords[node + 1 + in.slot]));
        break;
      case Op::Child:
        pending.push_back({node, pc + 1, 0});
        node = NodeWords[node + 1 + in.slot];
        pc = ProgramOf(node);
        continue;
      case Op::List: {
        NodeRef list = NodeWords[node + 1 + in.slot];
        if (in.element != Element::Node) {
          PutValues(in.element, list, element);
          break;
        }
        if (element == ListLength(list)) break;
        if (element > 0) Out.CommaNewline();
        pending.push_back({node, pc, element + 1});
        node = ListElements(list)[element];
        pc = ProgramOf(node);
        element = 0;
        continue;
      }
      case Op::End:
        if (pending.empty()) return;
        node = pending.back().node;
        pc = pending.back().pc;
        element = pending.back().element;
        pending.pop_back();
        continue;
    }
    ++pc;
    element = 0;
  }
}

// Visiting a node writes its text.
void Visit(NodeRef node) { PTGOut(node); }

}  // namespace

NodeRef PTGOut(NodeRef root) {
  Out.Clear();
  Print(root);
  Out.Drain();
  return root;
}

const std::array<VisitProc, kRuleCount> VisitTable = [] {
  std::array<VisitProc, kRuleCount> table;
  table.fill(&Visit);
  return table;
}();

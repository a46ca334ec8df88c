// Writing the JSON text of the tree, straight from its nodes: each node's
// text is the print program of its rule (json_mapping.h) run on the node.
#pragma once

#include <cstdint>

#include "memory/growing_array.h"
#include "output/json_notation.h"
#include "output/output_buffer.h"
#include "store/string_table.h"
#include "tree/construction.h"

namespace qel2json::detail {

class Printer {
 public:
  Printer(PageSource& pages, const Tree& tree, const StringTable& strings, OutputBuffer& out)
      : tree_(&tree), strings_(&strings), out_(&out), pending_(pages) {}

  // Writes the text of the subtree at root to sink, at most limit bytes of
  // it (0: no limit): the whole document when root is the root of the
  // tree.  The text is written in one pass, without recursion, however
  // deep the tree; a failed write or a text longer than the limit is a
  // DEADLY report, which ends the translation.
  void Write(NodeRef root, DocumentSink& sink, size_t limit);

  enum class Step : uint8_t;
  struct Code;

 private:
  // Where to go on once the text in hand is written, innermost last: the
  // node, its next step, and, when that step is a List, the next element.
  // Lists are as long and objects nest as deep as the input, so this stack
  // is kept on the heap instead of the call stack.
  struct Frame {
    NodeRef node;
    const Code* pc;
    int element;
  };

  void Print(NodeRef root);
  void PutLiteral(int index);
  void PutValues(json::Element sort, NodeRef list, int from);

  const Tree* tree_;
  const StringTable* strings_;
  OutputBuffer* out_;
  GrowingArray<Frame> pending_;
};

}  // namespace qel2json::detail

// Writing a tree as description text, in the one canonical layout that the
// formatter gives every description and the writer every document:
//
// - Lines are at most 80 columns wide where tokens allow; every level of
//   nesting indents by two blanks, up to a depth of 20 levels.
// - A node or a list that fits on the rest of its line, and holds no
//   comment, is written there, its tokens separated by one blank.
// - A list that does not opens: "<" ends its line, its elements follow one
//   level deeper, literals filling their lines and anything else one to a
//   line, and ">" stands on a line of its own.
// - A node that does not writes its first part where it begins and its
//   further parts one level deeper: each on a new line in a node of three
//   lists or more, else as many on a line as fit.  A keyword and the part
//   it introduces stay together.
// - Comments keep their places: one that ended a line still does, one that
//   stood on lines of its own still does, before the part it preceded (an
//   empty line before it is kept); lines end in a line feed.
//
// What is written comes from the rule texts generated from the grammar; the
// layout is decided in two passes over the tree, the first measuring every
// node and list, the second writing.  Neither recurses: the work waits on
// a stack on the heap, as deep as the tree.
#pragma once

#include <cstdint>

#include "description/source_notes.h"
#include "memory/growing_array.h"
#include "output/output_buffer.h"
#include "store/string_table.h"
#include "tree/construction.h"

namespace qel2json::detail {

class DescriptionPrinter {
 public:
  DescriptionPrinter(PageSource& pages, const Tree& tree, const StringTable& strings, OutputBuffer& out)
      : tree_(&tree), strings_(&strings), out_(&out), widths_(pages), work_(pages) {}
  DescriptionPrinter(const DescriptionPrinter&) = delete;
  DescriptionPrinter& operator=(const DescriptionPrinter&) = delete;

  // Writes the description of the tree at root to sink (at most limit
  // bytes of it; 0: no limit), with the comments and integer texts of
  // `notes` (null: none), as a DEADLY report when the sink fails.
  void Write(NodeRef root, const SourceNotes* notes, DocumentSink& sink, size_t limit);

  enum class Mark : uint8_t;
  struct Event;
  // A piece of work of a walk over the tree, waiting on its stack.
  struct Task {
    enum Op : uint8_t { Node, Part, Elements, Marking, Terminal, Int, Literal } op;
    Mark mark;      // of a Marking
    uint8_t at;     // a Part's place in its rule text; an Elements' sort
    NodeRef node;   // a node, a list, a terminal code, or a value
    uint32_t next;  // an Elements' next element
  };

 private:
  class Walk;
  void Measure(NodeRef root, const SourceNotes* notes);
  void Print(NodeRef root, const SourceNotes* notes);

  const Tree* tree_;
  const StringTable* strings_;
  OutputBuffer* out_;
  // The flat width of every node and list in the order they begin, at most
  // kNeverFlat, which marks one that must open (too wide, or holding a
  // comment or a line end).
  GrowingArray<uint8_t> widths_;
  GrowingArray<Task> work_;  // a walk's stack of tasks
};

}  // namespace qel2json::detail

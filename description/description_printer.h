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
//   lists or more, else as many on a line as fit; a part that took lines of
//   its own is followed by a new line.  A keyword and the part it
//   introduces stay together.
// - Comments keep their places: one that ended a line still does, one that
//   stood on lines of its own still does, before the part it preceded (an
//   empty line before it is kept); lines end in a line feed.
//
// What is written comes from the rule texts generated from the grammar.
// The flat width of every node and list is measured first, from the leaves
// up; the text is then written from the root down.  Neither recurses: the
// work waits on stacks on the heap, as deep as the tree.
#pragma once

#include <cstdint>
#include <string_view>

#include "description/source_notes.h"
#include "memory/growing_array.h"
#include "output/output_buffer.h"
#include "store/string_table.h"
#include "tree/construction.h"

namespace qel2json::detail {

class DescriptionPrinter {
 public:
  DescriptionPrinter(PageSource& pages, const Tree& tree, const StringTable& strings, OutputBuffer& out)
      : tree_(&tree), strings_(&strings), out_(&out), widths_(pages), tokens_(pages), frames_(pages) {}
  DescriptionPrinter(const DescriptionPrinter&) = delete;
  DescriptionPrinter& operator=(const DescriptionPrinter&) = delete;

  // Writes the description of the tree at root to sink (at most limit
  // bytes of it; 0: no limit), with the comments and integer texts of
  // `notes` (null: none), as a DEADLY report when the sink fails.
  void Write(NodeRef root, const SourceNotes* notes, DocumentSink& sink, size_t limit);

  // A node or list on the way from the root to what is being measured or
  // written.
  struct Frame {
    NodeRef ref;
    int16_t rule;        // of a node; -1 for a list
    uint8_t sort;        // of a list's elements
    bool flat;           // written on one line
    uint8_t hanging;     // levels deeper for the rest of a part a comment broke
    uint32_t next;       // the node's next part, the list's next element
  };

 private:
  class Writing;

  template <typename Visit>
  void EachFromTheLeaves(NodeRef root, Visit visit);
  void Measure(NodeRef root);
  void MarkComments(NodeRef root, const SourceNotes& notes);
  void CountTokens(NodeRef root);
  uint32_t WidthOfPart(NodeRef node, int rule, int at) const;
  uint32_t TokensOfPart(NodeRef node, int rule, int at) const;
  std::string_view LiteralText(int rule, int argument, int value, char* digits) const;

  const Tree* tree_;
  const StringTable* strings_;
  OutputBuffer* out_;
  // The flat width of every node and list, by its place in the store (one
  // byte a word, most of them unused), at most kNeverFlat, which marks one
  // that must open: too wide, or holding a comment or a line end.
  GrowingArray<uint8_t> widths_;
  // The tokens of every node and list, by its place in the store: counted
  // only where comments stand between tokens, to find the nodes around them.
  GrowingArray<uint32_t> tokens_;
  GrowingArray<Frame> frames_;
};

}  // namespace qel2json::detail

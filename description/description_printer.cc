// The description printer: every node is written as the parts of its rule
// text.  The flat widths come first, from the leaves up; then the text is
// written from the root down, each node or list flat where its width fits
// the rest of its line, open otherwise.
#include "description/description_printer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "description/rule_texts.h"
#include "scanner/tokens.h"

namespace qel2json::detail {

namespace {

using rule_texts::kRuleTexts;

constexpr int kWidth = 80;
constexpr int kIndentStep = 2;
constexpr int kDeepest = 20;  // levels that still indent
constexpr uint8_t kNeverFlat = 255;

// ---- The parts of each rule text ----

// A part is a keyword with the part it introduces, a list between "<" and
// ">", a literal, or a child node.
enum class PartKind : uint8_t { Keyword, List, Literal, Child };

constexpr PartKind KindAt(const rule_texts::RuleText& t, int k) {
  const rule_texts::Part& p = t.part[k];
  if (p.argument < 0) return p.terminal == TK_Lt ? PartKind::List : PartKind::Keyword;
  return p.terminal ? PartKind::Literal : PartKind::Child;
}

// How many symbols of the rule text the part at k takes.
constexpr int PartLength(const rule_texts::RuleText& t, int k) {
  switch (KindAt(t, k)) {
    case PartKind::Keyword: return k + 1 < t.count ? 1 + PartLength(t, k + 1) : 1;
    case PartKind::List: return 3;
    default: return 1;
  }
}

struct RuleLayout {
  int parts = 0;
  int at[rule_texts::kMaxParts] = {};  // where each part begins in the rule text
  bool partPerLine = false;            // a node of three lists or more
};

inline constexpr std::array<RuleLayout, kRuleCount> kLayouts = [] {
  std::array<RuleLayout, kRuleCount> layouts{};
  for (int r = 0; r < kRuleCount; ++r) {
    const rule_texts::RuleText& t = kRuleTexts[size_t(r)];
    RuleLayout& l = layouts[size_t(r)];
    int lists = 0;
    for (int k = 0; k < t.count; k += PartLength(t, k)) l.at[l.parts++] = k;
    for (int k = 0; k < t.count; ++k) lists += KindAt(t, k) == PartKind::List;
    l.partPerLine = lists >= 3;
  }
  return layouts;
}();

// What a kind is: a node's, or a list's of nodes, ints or literals.
enum class Sort : uint8_t { Node, Int, Literal, NotAList };

inline constexpr std::array<Sort, kKindCount> kListSorts = [] {
  std::array<Sort, kKindCount> sorts{};
  sorts.fill(Sort::NotAList);
  for (const RuleInfo& r : kRules)
    if (r.list == ListRole::Append)
      sorts[size_t(r.kind)] = r.arg[1] == kIntArg ? Sort::Int : r.arg[1] == kStringArg ? Sort::Literal : Sort::Node;
  return sorts;
}();

// The list or child node an argument of a rule names.
NodeRef ChildAt(const Tree& tree, NodeRef node, int rule, int argument) {
  return tree.ChildOf(node, kRules[size_t(rule)].slot[argument]);
}

// A frame for the child node or list an argument names.
DescriptionPrinter::Frame FrameOf(const Tree& tree, NodeRef node, int rule, int argument, bool flat) {
  NodeRef child = ChildAt(tree, node, rule, argument);
  Sort sort = kListSorts[size_t(kRules[size_t(rule)].arg[argument])];
  if (sort == Sort::NotAList) return {child, int16_t(tree.RuleOf(child)), 0, flat, 0, 0};
  return {child, -1, uint8_t(sort), flat, 0, 0};
}

// An integer in decimal, in the 12 bytes at digits.
std::string_view Decimal(int value, char* digits) {
  char* end = digits + 12;
  char* p = end;
  unsigned u = value < 0 ? 0u - unsigned(value) : unsigned(value);
  do {
    *--p = char('0' + u % 10);
    u /= 10;
  } while (u);
  if (value < 0) *--p = '-';
  return {p, size_t(end - p)};
}

bool HoldsLineEnd(std::string_view text) {
  for (char c : text)
    if (c == '\n' || c == '\r') return true;
  return false;
}

uint32_t TextWidth(std::string_view text, bool mayEndLines) {
  return mayEndLines && HoldsLineEnd(text) ? kNeverFlat : uint32_t(text.size());
}

uint8_t Capped(uint32_t width) { return width < kNeverFlat ? uint8_t(width) : kNeverFlat; }

int Indentation(int depth) { return kIndentStep * std::min(depth, kDeepest); }

// The texts of the fixed tokens with a block to spare behind each, so that
// the output buffer copies them in one move of fixed size.
inline constexpr auto kPaddedTexts = [] {
  std::array<std::array<char, OutputBuffer::kBlock>, kTokenCount + 1> texts{};
  for (const TokenSpelling& t : kTokens)
    for (size_t i = 0; i < t.text.size(); ++i) texts[size_t(t.code)][i] = t.text[i];
  return texts;
}();

}  // namespace

std::string_view DescriptionPrinter::LiteralText(int rule, int argument, int value, char* digits) const {
  if (kRules[size_t(rule)].arg[argument] == kIntArg) return Decimal(value, digits);
  return {strings_->At(value), strings_->Length(value)};
}

// ---- Widths, from the leaves up ----

uint32_t DescriptionPrinter::WidthOfPart(NodeRef node, int rule, int at) const {
  const rule_texts::RuleText& t = kRuleTexts[size_t(rule)];
  const rule_texts::Part& p = t.part[at];
  switch (KindAt(t, at)) {
    case PartKind::Keyword: {
      uint32_t width = uint32_t(kTokens[p.terminal - 1].text.size());
      return at + 1 < t.count ? width + 1 + WidthOfPart(node, rule, at + 1) : width;
    }
    case PartKind::List: return widths_[ChildAt(*tree_, node, rule, t.part[at + 1].argument)];
    case PartKind::Child: return widths_[ChildAt(*tree_, node, rule, p.argument)];
    case PartKind::Literal: {
      const RuleInfo& r = kRules[size_t(rule)];
      char digits[12];
      return TextWidth(LiteralText(rule, p.argument, tree_->ValueOf(node, r.slot[p.argument] - r.childCount), digits),
                       p.terminal == TK_StringLiteral);
    }
  }
  return kNeverFlat;
}

// Every node and list below root, children first: a frame waits for its
// children (its next argument, or next element) to be visited.
template <typename Visit>
void DescriptionPrinter::EachFromTheLeaves(NodeRef root, Visit visit) {
  frames_.Clear();
  frames_.Push({root, int16_t(tree_->RuleOf(root)), 0, false, 0, 0});
  while (!frames_.empty()) {
    Frame& f = frames_.back();
    if (f.rule >= 0) {
      const rule_texts::RuleText& t = kRuleTexts[size_t(f.rule)];
      while (f.next < uint32_t(t.count) && (t.part[f.next].argument < 0 || t.part[f.next].terminal)) ++f.next;
      if (f.next < uint32_t(t.count)) {
        int argument = t.part[f.next++].argument;
        frames_.Push(FrameOf(*tree_, f.ref, f.rule, argument, false));
        continue;
      }
    } else if (Sort(f.sort) == Sort::Node && f.next < uint32_t(tree_->ListLength(f.ref))) {
      NodeRef element = tree_->ListElements(f.ref)[f.next++];
      frames_.Push({element, int16_t(tree_->RuleOf(element)), 0, false, 0, 0});
      continue;
    }
    visit(f);
    frames_.Pop();
  }
}

void DescriptionPrinter::Measure(NodeRef root) {
  widths_.Resize(tree_->WordCount());
  EachFromTheLeaves(root, [&](const Frame& f) {
    if (f.rule >= 0) {
      const RuleLayout& l = kLayouts[size_t(f.rule)];
      uint32_t width = uint32_t(l.parts - 1);
      for (int i = 0; i < l.parts && width < kNeverFlat; ++i) width += WidthOfPart(f.ref, f.rule, l.at[i]);
      widths_[f.ref] = Capped(width);
      return;
    }
    uint32_t count = uint32_t(tree_->ListLength(f.ref));
    const uint32_t* elements = tree_->ListElements(f.ref);
    uint32_t width = count + 3;  // "<", ">" and the blanks around each element
    for (uint32_t i = 0; i < count && width < kNeverFlat; ++i) {
      char digits[12];
      switch (Sort(f.sort)) {
        case Sort::Node: width += widths_[elements[i]]; break;
        case Sort::Int: width += uint32_t(Decimal(int(elements[i]), digits).size()); break;
        default: width += TextWidth({strings_->At(int(elements[i])), strings_->Length(int(elements[i]))}, true); break;
      }
    }
    widths_[f.ref] = Capped(width);
  });
}

// ---- Comments between tokens: the nodes and lists around them open ----

uint32_t DescriptionPrinter::TokensOfPart(NodeRef node, int rule, int at) const {
  const rule_texts::RuleText& t = kRuleTexts[size_t(rule)];
  const rule_texts::Part& p = t.part[at];
  switch (KindAt(t, at)) {
    case PartKind::Keyword: return at + 1 < t.count ? 1 + TokensOfPart(node, rule, at + 1) : 1;
    case PartKind::List: return tokens_[ChildAt(*tree_, node, rule, t.part[at + 1].argument)];
    case PartKind::Child: return tokens_[ChildAt(*tree_, node, rule, p.argument)];
    case PartKind::Literal: return 1;
  }
  return 0;
}

void DescriptionPrinter::CountTokens(NodeRef root) {
  tokens_.Resize(tree_->WordCount());
  EachFromTheLeaves(root, [&](const Frame& f) {
    uint32_t tokens = 0;
    if (f.rule >= 0) {
      const RuleLayout& l = kLayouts[size_t(f.rule)];
      for (int i = 0; i < l.parts; ++i) tokens += TokensOfPart(f.ref, f.rule, l.at[i]);
    } else {
      uint32_t count = uint32_t(tree_->ListLength(f.ref));
      tokens = count + 2;
      if (Sort(f.sort) == Sort::Node) {
        tokens -= count;
        for (uint32_t i = 0; i < count; ++i) tokens += tokens_[tree_->ListElements(f.ref)[i]];
      }
    }
    tokens_[f.ref] = tokens;
  });
}

// Every node and list that holds both tokens around a comment (the comment
// stands before token `before`) is never written flat: from the root down
// to the innermost of them.
void DescriptionPrinter::MarkComments(NodeRef root, const SourceNotes& notes) {
  CountTokens(root);
  for (const SourceNotes::Comment& c : notes.comments()) {
    if (c.before == 0 || c.before >= tokens_[root]) continue;
    Frame f = {root, int16_t(tree_->RuleOf(root)), 0, false, 0, 0};
    uint32_t first = 0;  // the ordinal of f's first token
    for (bool inner = true; inner;) {
      widths_[f.ref] = kNeverFlat;
      inner = false;
      if (f.rule >= 0) {
        const rule_texts::RuleText& t = kRuleTexts[size_t(f.rule)];
        // Symbol by symbol: a keyword or literal is one token.
        for (int k = 0; k < t.count; k += KindAt(t, k) == PartKind::List ? 3 : 1) {
          PartKind kind = KindAt(t, k);
          bool group = kind == PartKind::List || kind == PartKind::Child;
          uint32_t tokens = group ? TokensOfPart(f.ref, f.rule, k) : 1;
          if (group && c.before - 1 >= first && c.before < first + tokens) {
            f = FrameOf(*tree_, f.ref, f.rule, kind == PartKind::List ? t.part[k + 1].argument : t.part[k].argument, false);
            inner = true;
            break;
          }
          first += tokens;
          if (first >= c.before) break;
        }
      } else if (Sort(f.sort) == Sort::Node) {
        ++first;  // "<"
        for (uint32_t i = 0; i < uint32_t(tree_->ListLength(f.ref)); ++i) {
          NodeRef element = tree_->ListElements(f.ref)[i];
          uint32_t tokens = tokens_[element];
          if (c.before - 1 >= first && c.before < first + tokens) {
            f = {element, int16_t(tree_->RuleOf(element)), 0, false, 0, 0};
            inner = true;
            break;
          }
          first += tokens;
          if (first >= c.before) break;
        }
      }
    }
  }
}

// ---- Writing, from the root down ----

// The line being written, and the comments and integer texts of the source
// that come with the tokens.
class DescriptionPrinter::Writing {
 public:
  Writing(OutputBuffer& out, const SourceNotes* notes) : out_(&out), notes_(notes) {}

  // Where the next token would stand.
  int Column() const { return atStart_ || mustBreak_ ? Indentation(depth_) : column_ + blank_; }
  bool Fits(uint32_t width) const { return width < kNeverFlat && Column() + int(width) <= kWidth; }
  void Deeper() { ++depth_; }
  void Shallower() { --depth_; }

  // A blank is written with the token after it, so that a line that breaks
  // there ends without one.
  void Blank() {
    if (mustBreak_) return Break();
    blank_ = true;
  }
  void Break() {
    out_->PutByte('\n');
    atStart_ = true;
    mustBreak_ = false;
    blank_ = false;
  }
  // Whether a comment stands before the next token: the line breaks there.
  bool CommentComes() const {
    const SourceNotes::Comment* c = PendingComment();
    return c && c->before <= ordinal_;
  }

  // A fixed token, such as a keyword or bracket.
  void Fixed(int code) { Token({kPaddedTexts[size_t(code)].data(), kTokens[code - 1].text.size()}, false, true); }

  // A token, with the comments before it and the one that ended its line.
  // `padded` says that a block to spare follows its text.
  void Token(std::string_view text, bool mayEndLines, bool padded = false) {
    while (const SourceNotes::Comment* c = PendingComment()) {
      if (c->before > ordinal_) break;
      Comment(*c);
    }
    Put(text, padded);
    if (mayEndLines && HoldsLineEnd(text)) column_ = int(text.size() - text.find_last_of("\r\n") - 1);
    ++ordinal_;
    const SourceNotes::Comment* c = PendingComment();
    if (c && c->before == ordinal_ && c->trailing) Comment(*c);
  }
  // An integer, as the source wrote it where that differs from its value.
  void Integer(int value) {
    if (notes_) {
      const auto& written = notes_->integers();
      while (integer_ < written.size() && written[integer_].ordinal < ordinal_) ++integer_;
      if (integer_ < written.size() && written[integer_].ordinal == ordinal_)
        return Token(notes_->TextOf(written[integer_].at, written[integer_].length), false);
    }
    char digits[OutputBuffer::kBlock + 12];
    Token(Decimal(value, digits), false, true);
  }
  // The comments after the last token, and the last line's end.
  void Finish() {
    while (const SourceNotes::Comment* c = PendingComment()) Comment(*c);
    if (!atStart_) Break();
  }

 private:
  const SourceNotes::Comment* PendingComment() const {
    if (!notes_ || comment_ == notes_->comments().size()) return nullptr;
    return &notes_->comments()[comment_];
  }
  void Put(std::string_view text, bool padded = false) {
    if (mustBreak_) Break();
    if (blank_) {
      out_->PutByte(' ');
      ++column_;
      blank_ = false;
    }
    if (atStart_) {
      static constexpr char kSpaces[] = "                                        ";
      static_assert(sizeof kSpaces - 1 >= size_t(kIndentStep * kDeepest));
      column_ = Indentation(depth_);
      out_->Put(kSpaces, size_t(column_));
      atStart_ = false;
    }
    if (padded)
      out_->PutShort(text.data(), text.size());
    else
      out_->Put(text.data(), text.size());
    column_ += int(text.size());
    written_ = true;
  }
  void Comment(const SourceNotes::Comment& c) {
    ++comment_;
    std::string_view text = notes_->TextOf(c.at, c.length);
    if (c.trailing && !atStart_ && !mustBreak_) {
      blank_ = true;
      Put(text);
      mustBreak_ = true;
    } else {
      if (!atStart_) Break();
      if (c.blankBefore && written_) out_->PutByte('\n');
      Put(text);
      Break();
    }
    if (c.blankAfter) {
      if (!atStart_) Break();
      out_->PutByte('\n');
    }
  }

  OutputBuffer* out_;
  const SourceNotes* notes_;
  int depth_ = 0;
  int column_ = 0;
  bool atStart_ = true;     // the line's indentation is not written yet
  bool mustBreak_ = false;  // a comment ended the line
  bool blank_ = false;      // a blank waits for the next token
  bool written_ = false;
  size_t ordinal_ = 0;      // of the next token
  size_t comment_ = 0;
  size_t integer_ = 0;
};

void DescriptionPrinter::Write(NodeRef root, const SourceNotes* notes, DocumentSink& sink, size_t limit) {
  out_->Start(sink, limit);
  Measure(root);
  if (notes && notes->CommentBetweenTokens()) MarkComments(root, *notes);
  Writing w(*out_, notes);
  frames_.Clear();
  frames_.Push({root, int16_t(tree_->RuleOf(root)), 0, w.Fits(widths_[root]), 0, 0});
  bool afterOpen = false;  // the part just written took lines of its own
  // A separator where a line may break: a blank in a flat node or list, a
  // line break where every part takes a line of its own or where the part
  // before took lines, else a blank where `width` fits the line.
  auto separate = [&](bool flat, bool ownLine, uint32_t width) {
    if (flat)
      w.Blank();
    else if (ownLine || afterOpen || !w.Fits(width + 1))
      w.Break();
    else
      w.Blank();
    afterOpen = false;
  };
  while (!frames_.empty()) {
    Frame f = frames_.back();
    if (f.rule >= 0) {
      const RuleLayout& l = kLayouts[size_t(f.rule)];
      if (f.next == uint32_t(l.parts)) {
        for (; f.hanging > 0; --f.hanging) w.Shallower();
        if (l.parts > 1) w.Shallower();
        frames_.Pop();
        afterOpen = !f.flat;
        continue;
      }
      int at = l.at[f.next];
      for (; frames_.back().hanging > 0; --frames_.back().hanging) w.Shallower();
      if (f.next == 1) w.Deeper();
      if (f.next > 0) separate(f.flat, l.partPerLine, WidthOfPart(f.ref, f.rule, at));
      frames_.back().next++;
      // The part: keywords and literals here, a list or child on a frame.
      const rule_texts::RuleText& t = kRuleTexts[size_t(f.rule)];
      for (;; ++at) {
        const rule_texts::Part& p = t.part[at];
        PartKind kind = KindAt(t, at);
        if (kind == PartKind::Keyword) {
          w.Fixed(p.terminal);
          if (at + 1 == t.count) break;
          // A comment between the keyword and its part breaks the line: the
          // part goes on one level deeper, until the node's next part.
          if (w.CommentComes() && !f.flat) {
            w.Deeper();
            frames_.back().hanging++;
          }
          w.Blank();
          continue;
        }
        if (kind == PartKind::Literal) {
          const RuleInfo& r = kRules[size_t(f.rule)];
          int value = tree_->ValueOf(f.ref, r.slot[p.argument] - r.childCount);
          if (r.arg[p.argument] == kIntArg)
            w.Integer(value);
          else
            w.Token({strings_->At(value), strings_->Length(value)}, p.terminal == TK_StringLiteral);
          break;
        }
        Frame child = FrameOf(*tree_, f.ref, f.rule, kind == PartKind::List ? t.part[at + 1].argument : p.argument,
                              false);
        child.flat = f.flat || w.Fits(widths_[child.ref]);
        frames_.Push(child);
        break;
      }
      continue;
    }
    // A list: "<", its elements, ">".
    uint32_t count = uint32_t(tree_->ListLength(f.ref));
    const uint32_t* elements = tree_->ListElements(f.ref);
    if (count == 0) {
      w.Fixed(TK_Lt);
      w.Blank();
      w.Fixed(TK_Gt);
      frames_.Pop();
      continue;
    }
    if (f.next == 0) {
      w.Fixed(TK_Lt);
      w.Deeper();
      separate(f.flat, true, 0);
    } else if (f.next <= count) {
      uint32_t width = 0;
      char digits[12];
      uint32_t e = elements[f.next - 1];
      if (Sort(f.sort) == Sort::Int) width = uint32_t(Decimal(int(e), digits).size());
      if (Sort(f.sort) == Sort::Literal) width = TextWidth({strings_->At(int(e)), strings_->Length(int(e))}, true);
      if (f.next > 1) separate(f.flat, Sort(f.sort) == Sort::Node, width);
    }
    if (f.next == count + 1) {
      w.Shallower();
      separate(f.flat, true, 0);
      w.Fixed(TK_Gt);
      frames_.Pop();
      afterOpen = !f.flat;
      continue;
    }
    uint32_t element = f.next == 0 ? 0 : elements[f.next - 1];
    frames_.back().next++;
    if (f.next == 0) continue;
    switch (Sort(f.sort)) {
      case Sort::Node:
        frames_.Push({element, int16_t(tree_->RuleOf(element)), 0, f.flat || w.Fits(widths_[element]), 0, 0});
        break;
      case Sort::Int: w.Integer(int(element)); break;
      default: w.Token({strings_->At(int(element)), strings_->Length(int(element))}, true); break;
    }
  }
  w.Finish();
  out_->Drain();
}

}  // namespace qel2json::detail

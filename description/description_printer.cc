// The description printer: a walk over the tree turns each node into the
// parts of its rule text, with the marks of the layout between them; the
// first pass measures what the marks enclose, the second writes.
#include "description/description_printer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

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

// What the elements of a list kind are.
enum class Sort : uint8_t { Node, Int, Literal };

constexpr Sort SortOfList(int listKind) {
  for (const RuleInfo& r : kRules)
    if (r.kind == listKind && r.list == ListRole::Append)
      return r.arg[1] == kIntArg ? Sort::Int : r.arg[1] == kStringArg ? Sort::Literal : Sort::Node;
  return Sort::Node;
}

inline constexpr std::array<Sort, kKindCount> kListSorts = [] {
  std::array<Sort, kKindCount> sorts{};
  for (int k = 0; k < kKindCount; ++k) sorts[size_t(k)] = SortOfList(k);
  return sorts;
}();

}  // namespace

// ---- The walk ----

using Mark = DescriptionPrinter::Mark;
using Task = DescriptionPrinter::Task;

enum class DescriptionPrinter::Mark : uint8_t {
  Text,        // a token
  Space,       // a blank that never breaks
  Break,       // a blank, or a line break where the enclosing node or list opens
  Fill,        // a blank, or a line break where what follows does not fit
  Begin,       // a node or list begins
  End,         // it ends
  Deeper,      // what breaks from here on is one level deeper
  Shallower,
  Comment,     // a comment of the source
  Done,
};

struct DescriptionPrinter::Event {
  Mark mark = Mark::Done;
  std::string_view text;                        // of a token or comment
  bool lineEnds = false;                        // a token that holds a line end
  const SourceNotes::Comment* comment = nullptr;
};

class DescriptionPrinter::Walk {
 public:
  Walk(const DescriptionPrinter& p, GrowingArray<Task>& work, NodeRef root, const SourceNotes* notes)
      : tree_(p.tree_), strings_(p.strings_), work_(&work), notes_(notes) {
    work_->Clear();
    Push({Task::Node, Mark::Done, 0, root, 0});
  }

  Event Next() {
    if (peeked_) {
      peeked_ = false;
      return peek_;
    }
    return Make();
  }
  const Event& Peek() {
    if (!peeked_) {
      peek_ = Make();
      peeked_ = true;
    }
    return peek_;
  }
  // The ordinal of the next token.
  size_t ordinal() const { return ordinal_; }

 private:
  void Push(Task t) { work_->Push(t); }
  void PushMark(Mark m) { Push({Task::Marking, m, 0, 0, 0}); }

  const SourceNotes::Comment* NextComment() const {
    if (!notes_ || comment_ == notes_->comments().size()) return nullptr;
    return &notes_->comments()[comment_];
  }

  Event Make() {
    // A comment that ended the line of the token just written comes first,
    // then those that stand before the next token.
    const SourceNotes::Comment* c = NextComment();
    if (c && c->before <= ordinal_ && (held_ || c->before < ordinal_ || (c->trailing && justWrote_))) {
      ++comment_;
      justWrote_ = false;
      return {Mark::Comment, notes_->TextOf(c->at, c->length), false, c};
    }
    justWrote_ = false;
    if (held_) {
      held_ = false;
      return Token(heldText_);
    }
    while (!work_->empty()) {
      Task t = work_->back();
      work_->Pop();
      if (t.op == Task::Marking) return {t.mark, {}, false, nullptr};
      std::string_view text;
      if (!Expand(t, &text)) continue;
      heldText_ = text;
      held_ = true;
      return Make();
    }
    if (const SourceNotes::Comment* c = NextComment()) {
      ++comment_;
      return {Mark::Comment, notes_->TextOf(c->at, c->length), false, c};
    }
    return {Mark::Done, {}, false, nullptr};
  }

  Event Token(std::string_view text) {
    ++ordinal_;
    justWrote_ = true;
    bool lineEnds = text.find_first_of("\r\n") != std::string_view::npos;
    return {Mark::Text, text, lineEnds, nullptr};
  }

  // Expands a task into the tasks it stands for, or into the text of a
  // token (returns true).
  bool Expand(const Task& t, std::string_view* text) {
    switch (t.op) {
      case Task::Node: ExpandNode(t.node); return false;
      case Task::Part: ExpandPart(t.node, t.at); return false;
      case Task::Elements: ExpandElements(t); return false;
      case Task::Terminal: *text = kTokens[t.node - 1].text; return true;
      case Task::Int: *text = IntText(int(t.node)); return true;
      case Task::Literal: *text = {strings_->At(int(t.node)), strings_->Length(int(t.node))}; return true;
      case Task::Marking: break;
    }
    return false;
  }

  // parts[0] Deeper (Break|Fill parts[k])... Shallower, between Begin and End.
  void ExpandNode(NodeRef n) {
    int rule = tree_->RuleOf(n);
    const RuleLayout& l = kLayouts[size_t(rule)];
    if (l.parts == 1) return Push({Task::Part, Mark::Done, uint8_t(l.at[0]), n, 0});
    PushMark(Mark::End);
    PushMark(Mark::Shallower);
    for (int i = l.parts; i-- > 1;) {
      Push({Task::Part, Mark::Done, uint8_t(l.at[i]), n, 0});
      PushMark(l.partPerLine ? Mark::Break : Mark::Fill);
    }
    PushMark(Mark::Deeper);
    Push({Task::Part, Mark::Done, uint8_t(l.at[0]), n, 0});
    PushMark(Mark::Begin);
  }

  void ExpandPart(NodeRef n, int k) {
    int rule = tree_->RuleOf(n);
    const rule_texts::RuleText& text = kRuleTexts[size_t(rule)];
    const rule_texts::Part& p = text.part[k];
    switch (KindAt(text, k)) {
      case PartKind::Keyword:
        if (k + 1 == text.count) return Push({Task::Terminal, Mark::Done, 0, NodeRef(p.terminal), 0});
        PushMark(Mark::End);
        Push({Task::Part, Mark::Done, uint8_t(k + 1), n, 0});
        PushMark(Mark::Space);
        Push({Task::Terminal, Mark::Done, 0, NodeRef(p.terminal), 0});
        PushMark(Mark::Begin);
        return;
      case PartKind::List: {
        int argument = text.part[k + 1].argument;
        const RuleInfo& r = kRules[size_t(rule)];
        NodeRef list = tree_->ChildOf(n, r.slot[argument]);
        if (tree_->ListLength(list) == 0) {
          Push({Task::Terminal, Mark::Done, 0, NodeRef(TK_Gt), 0});
          PushMark(Mark::Space);
          Push({Task::Terminal, Mark::Done, 0, NodeRef(TK_Lt), 0});
          return;
        }
        PushMark(Mark::End);
        Push({Task::Terminal, Mark::Done, 0, NodeRef(TK_Gt), 0});
        PushMark(Mark::Break);
        PushMark(Mark::Shallower);
        Push({Task::Elements, Mark::Done, uint8_t(kListSorts[size_t(r.arg[argument])]), list, 0});
        PushMark(Mark::Break);
        PushMark(Mark::Deeper);
        Push({Task::Terminal, Mark::Done, 0, NodeRef(TK_Lt), 0});
        PushMark(Mark::Begin);
        return;
      }
      case PartKind::Literal: {
        const RuleInfo& r = kRules[size_t(rule)];
        int value = tree_->ValueOf(n, r.slot[p.argument] - r.childCount);
        Push({r.arg[p.argument] == kIntArg ? Task::Int : Task::Literal, Mark::Done, 0, NodeRef(value), 0});
        return;
      }
      case PartKind::Child:
        Push({Task::Node, Mark::Done, 0, tree_->ChildOf(n, kRules[size_t(rule)].slot[p.argument]), 0});
        return;
    }
  }

  // Element t.next of the list, the rest after it: nodes one to a line,
  // literals filling their lines.
  void ExpandElements(const Task& t) {
    uint32_t count = uint32_t(tree_->ListLength(t.node));
    if (t.next == count) return;
    Sort sort = Sort(t.at);
    if (t.next + 1 < count) Push({Task::Elements, Mark::Done, t.at, t.node, t.next + 1});
    uint32_t element = tree_->ListElements(t.node)[t.next];
    Push({sort == Sort::Node ? Task::Node : sort == Sort::Int ? Task::Int : Task::Literal, Mark::Done, 0, element, 0});
    if (t.next > 0) PushMark(sort == Sort::Node ? Mark::Break : Mark::Fill);
  }

  // An integer as written in the source where that differs from its value.
  std::string_view IntText(int value) {
    if (notes_) {
      const auto& written = notes_->integers();
      while (integer_ < written.size() && written[integer_].ordinal < ordinal_) ++integer_;
      if (integer_ < written.size() && written[integer_].ordinal == ordinal_)
        return notes_->TextOf(written[integer_].at, written[integer_].length);
    }
    char* end = digits_ + sizeof digits_;
    char* p = end;
    unsigned u = value < 0 ? 0u - unsigned(value) : unsigned(value);
    do {
      *--p = char('0' + u % 10);
      u /= 10;
    } while (u);
    if (value < 0) *--p = '-';
    return {p, size_t(end - p)};
  }

  const Tree* tree_;
  const StringTable* strings_;
  GrowingArray<Task>* work_;
  const SourceNotes* notes_;
  size_t ordinal_ = 0;
  size_t comment_ = 0;
  size_t integer_ = 0;
  bool justWrote_ = false;  // the last event was a token
  bool held_ = false;       // a token waits for the comments before it
  std::string_view heldText_;
  bool peeked_ = false;
  Event peek_;
  char digits_[12];
};

namespace {

int Indentation(int depth) { return kIndentStep * std::min(depth, kDeepest); }

uint8_t WidthOf(size_t width) { return width < kNeverFlat ? uint8_t(width) : kNeverFlat; }

}  // namespace

// ---- The first pass: the flat width of every node and list ----

void DescriptionPrinter::Measure(NodeRef root, const SourceNotes* notes) {
  struct Open {
    size_t group;
    size_t width;
    size_t firstToken;  // the ordinal of its first token
  };
  std::vector<Open> open;
  widths_.Clear();
  Walk walk(*this, work_, root, notes);
  bool commentSeen = false;
  for (Event e = walk.Next(); e.mark != Mark::Done; e = walk.Next()) {
    switch (e.mark) {
      case Mark::Begin:
        open.push_back({widths_.size(), 0, walk.ordinal()});
        widths_.Push(0);
        break;
      case Mark::End: {
        Open done = open.back();
        open.pop_back();
        widths_[done.group] = WidthOf(done.width);
        if (!open.empty()) open.back().width += done.width;
        break;
      }
      case Mark::Text:
        // A comment must stay between the tokens it stood between: the
        // innermost node or list that holds both never stands on one line.
        if (commentSeen)
          for (size_t i = open.size(); i-- > 0;)
            if (open[i].firstToken + 1 < walk.ordinal()) {
              open[i].width = kNeverFlat;
              break;
            }
        commentSeen = false;
        if (!open.empty()) open.back().width += e.lineEnds ? kNeverFlat : e.text.size();
        break;
      case Mark::Space:
      case Mark::Break:
      case Mark::Fill:
        if (!open.empty()) open.back().width += 1;
        break;
      case Mark::Comment:
        commentSeen = true;
        break;
      default:
        break;
    }
  }
}

// ---- The second pass: writing ----

namespace {

// The state of the line being written.
class Lines {
 public:
  explicit Lines(OutputBuffer& out) : out_(&out) {}

  int column() const { return atStart_ ? Indentation(depth_) : column_; }
  bool empty() const { return atStart_; }
  bool written() const { return written_; }
  bool mustBreak() const { return mustBreak_; }
  void MustBreak() { mustBreak_ = true; }
  void Deeper() { ++depth_; }
  void Shallower() { --depth_; }

  void Put(std::string_view text, bool lineEnds) {
    if (mustBreak_) Break();
    Indent();
    out_->Put(text.data(), text.size());
    column_ += int(text.size());
    size_t last = text.find_last_of("\r\n");
    if (lineEnds && last != std::string_view::npos) column_ = int(text.size() - last - 1);
    written_ = true;
  }
  void Blank() {
    if (mustBreak_) return Break();
    out_->Put(" ", 1);
    ++column_;
  }
  void Break() {
    out_->Put("\n", 1);
    atStart_ = true;
    mustBreak_ = false;
  }
  void EmptyLine() { out_->Put("\n", 1); }

 private:
  void Indent() {
    if (!atStart_) return;
    static constexpr char kSpaces[] = "                                        ";
    static_assert(sizeof kSpaces - 1 >= size_t(kIndentStep * kDeepest));
    out_->Put(kSpaces, size_t(Indentation(depth_)));
    column_ = Indentation(depth_);
    atStart_ = false;
  }

  OutputBuffer* out_;
  int depth_ = 0;
  int column_ = 0;
  bool atStart_ = true;     // the line's indentation is not written yet
  bool mustBreak_ = false;  // a comment ended the line
  bool written_ = false;
};

}  // namespace

void DescriptionPrinter::Print(NodeRef root, const SourceNotes* notes) {
  Lines lines(*out_);
  std::vector<bool> flat;  // of the open nodes and lists
  size_t group = 0;
  bool afterOpened = false;  // the last part took lines of its own: what follows starts a line
  Walk walk(*this, work_, root, notes);
  auto fits = [&](size_t width) { return width < kNeverFlat && lines.column() + int(width) <= kWidth; };
  for (Event e = walk.Next(); e.mark != Mark::Done; e = walk.Next()) {
    bool inFlat = !flat.empty() && flat.back();
    if (afterOpened && e.mark != Mark::End && e.mark != Mark::Shallower) {
      afterOpened = false;
      if (e.mark == Mark::Fill) e.mark = Mark::Break;
    }
    switch (e.mark) {
      case Mark::Text:
        lines.Put(e.text, e.lineEnds);
        break;
      case Mark::Space:
        lines.Blank();
        break;
      case Mark::Break:
        if (inFlat)
          lines.Blank();
        else
          lines.Break();
        break;
      case Mark::Fill: {
        if (inFlat) {
          lines.Blank();
          break;
        }
        const Event& next = walk.Peek();
        size_t width = next.mark == Mark::Begin ? widths_[group] : next.mark == Mark::Text && !next.lineEnds ? next.text.size() : kNeverFlat;
        if (!lines.mustBreak() && width < kNeverFlat && lines.column() + 1 + int(width) <= kWidth)
          lines.Blank();
        else
          lines.Break();
        break;
      }
      case Mark::Begin:
        flat.push_back(inFlat || (!lines.mustBreak() && fits(widths_[group])));
        ++group;
        break;
      case Mark::End:
        afterOpened = afterOpened || !flat.back();
        flat.pop_back();
        break;
      case Mark::Deeper:
        lines.Deeper();
        break;
      case Mark::Shallower:
        lines.Shallower();
        break;
      case Mark::Comment:
        if (e.comment->trailing && lines.written() && !lines.empty()) {
          lines.Blank();
          lines.Put(e.text, false);
          lines.MustBreak();
          break;
        }
        if (!lines.empty()) lines.Break();
        if (e.comment->blankBefore && lines.written()) lines.EmptyLine();
        lines.Put(e.text, false);
        lines.Break();
        break;
      case Mark::Done:
        break;
    }
  }
  if (!lines.empty()) lines.Break();
}

void DescriptionPrinter::Write(NodeRef root, const SourceNotes* notes, DocumentSink& sink, size_t limit) {
  out_->Start(sink, limit);
  Measure(root, notes);
  Print(root, notes);
  out_->Drain();
}

}  // namespace qel2json::detail

#include "description/source_notes.h"

namespace qel2json::detail {

void SourceNotes::Clear() {
  tokens_ = 0;
  comments_.clear();
  integers_.clear();
  texts_.clear();
}

void SourceNotes::AddComment(size_t before, bool trailing, bool blankBefore, std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  comments_.push_back({before, trailing, blankBefore, false, texts_.size(), text.size()});
  texts_.append(text);
}

void SourceNotes::AddIntegerText(size_t ordinal, std::string_view text) {
  integers_.push_back({ordinal, texts_.size(), text.size()});
  texts_.append(text);
}

}  // namespace qel2json::detail

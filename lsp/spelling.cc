#include "lsp/spelling.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "qel2json.hpp"

namespace lsp {

namespace {

std::vector<std::string> Keywords() {
  std::vector<std::string> keywords;
  for (int code = 1; code <= qel2json::terminal_count(); ++code)
    if (qel2json::terminal_kind(code) == QEL2JSON_TOKEN_KEYWORD) keywords.emplace_back(qel2json::terminal_name(code));
  return keywords;
}

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string NearestKeyword(std::string_view word) {
  std::vector<std::string> keywords = Keywords();
  // Words longer than any keyword by far are no misspelt keyword.
  if (word.empty() || word.size() > 20) return "";
  std::string upper(word);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  std::string best;
  size_t bestDistance = size_t(-1);
  for (const std::string& k : keywords) {
    size_t d = EditDistance(upper, k);
    if (d < bestDistance) {
      best = k;
      bestDistance = d;
    }
  }
  // At most one edit in three letters of the keyword, and at least one.
  if (bestDistance > std::max<size_t>(1, best.size() / 3) || best == word) return "";
  return best;
}

}  // namespace lsp

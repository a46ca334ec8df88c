#include "scanner/spelling.h"

#include <algorithm>
#include <array>

#include "scanner/tokens.h"

namespace qel2json::detail {

namespace {

// Words longer than any keyword by far are no misspelt keyword.
constexpr size_t kLongestWord = 20;

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

size_t EditDistance(std::string_view a, std::string_view b) {
  std::array<size_t, kLongestWord + 1> row{};
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (Upper(a[i - 1]) == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

int NearestKeyword(std::string_view word) {
  if (word.empty() || word.size() > kLongestWord) return 0;
  int best = 0;
  size_t bestDistance = size_t(-1);
  for (const TokenSpelling& t : kTokens) {
    if (ClassOf(t.code) != TokenClass::Keyword || t.text.size() > kLongestWord) continue;
    size_t d = EditDistance(word, t.text);
    if (d < bestDistance) {
      best = t.code;
      bestDistance = d;
    }
  }
  std::string_view keyword = kTokens[best - 1].text;
  if (bestDistance > std::max<size_t>(1, keyword.size() / 3) || keyword == word) return 0;
  return best;
}

}  // namespace qel2json::detail

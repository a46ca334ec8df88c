// Constant tables of the scanner, derived at compile time from the token
// list, so that a keyword is written down exactly once: what each byte can
// begin, and the letter tree of all fixed token texts.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "scanner/tokens.h"

namespace qel2json::detail {

namespace scan_tables {

// What a byte can begin, as the first byte of a token.  Blanks have no kind
// of their own: the scan steps over them before it looks at a token.
enum ByteKind : uint8_t {
  kNotAToken,  // reported and skipped
  kNul,        // the end of the available text, or a stray NUL byte
  kTab,
  kLineFeed,
  kReturn,
  kDigit,
  kDot,
  kMinus,      // a negative number or a comment
  kQuote,      // a string literal
  kSingle,     // a token of this one byte, which no longer token extends
  kKeyword,    // a walk over the letter tree below
  kWord,       // a letter, when words are read whole
};

inline constexpr int kMaxNodes = 256;   // node numbers fit a byte
inline constexpr int kMaxColumns = 32;  // distinct bytes of all fixed texts, plus column 0

// The letter tree of the fixed texts.  Node 0 is the root; a transition to
// node 0 means "no transition".  Bytes that occur in no fixed text share
// column 0, which has no transitions at all.
struct LetterTree {
  uint8_t column[256] = {};
  uint8_t next[kMaxNodes][kMaxColumns] = {};
  uint8_t accept[kMaxNodes] = {};  // the code of the text that ends here, or 0
  int nodes = 1;
};

constexpr int ColumnOf(LetterTree& t, int& columns, unsigned char byte) {
  if (!t.column[byte]) {
    if (columns == kMaxColumns) throw "too many distinct bytes in fixed token texts";
    t.column[byte] = uint8_t(columns++);
  }
  return t.column[byte];
}

constexpr void AddText(LetterTree& t, int& columns, const TokenSpelling& token) {
  int node = 0;
  for (char ch : token.text) {
    int col = ColumnOf(t, columns, static_cast<unsigned char>(ch));
    if (!t.next[node][col]) {
      if (t.nodes == kMaxNodes) throw "too many letter tree nodes";
      t.next[node][col] = uint8_t(t.nodes++);
    }
    node = t.next[node][col];
  }
  t.accept[node] = uint8_t(token.code);
}

constexpr LetterTree BuildLetterTree() {
  LetterTree t;
  int columns = 1;
  for (const TokenSpelling& token : kTokens)
    if (!token.text.empty()) AddText(t, columns, token);
  return t;
}

inline constexpr LetterTree kLetterTree = BuildLetterTree();

// The node a first byte leads to, or 0.
constexpr int FirstNode(unsigned char byte) { return kLetterTree.next[0][kLetterTree.column[byte]]; }

// Whether no longer fixed text goes on from a node.
constexpr bool IsLeaf(int node) {
  for (int col = 0; col < kMaxColumns; ++col)
    if (kLetterTree.next[node][col]) return false;
  return true;
}

constexpr std::array<ByteKind, 256> BuildByteKinds() {
  std::array<ByteKind, 256> kinds{};
  for (int b = 0; b < 256; ++b) {
    int node = FirstNode(static_cast<unsigned char>(b));
    if (node) kinds[b] = IsLeaf(node) ? kSingle : kKeyword;
  }
  constexpr std::pair<unsigned char, ByteKind> kFixed[] = {
      {'\0', kNul}, {'\t', kTab}, {'\n', kLineFeed}, {'\r', kReturn},
      {'.', kDot},  {'-', kMinus}, {'"', kQuote}};
  for (auto [byte, kind] : kFixed) {
    if (kinds[byte] != kNotAToken) throw "a fixed token text begins with a separator or literal byte";
    kinds[byte] = kind;
  }
  for (int b = '0'; b <= '9'; ++b) {
    if (kinds[b] != kNotAToken) throw "a fixed token text begins with a digit";
    kinds[b] = kDigit;
  }
  return kinds;
}

inline constexpr std::array<ByteKind, 256> kByteKind = BuildByteKinds();

constexpr bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The kinds when words are read whole: every letter begins a word.
inline constexpr std::array<ByteKind, 256> kByteKindOfWords = [] {
  std::array<ByteKind, 256> kinds = kByteKind;
  for (int b = 0; b < 256; ++b)
    if (IsLetter(char(b))) kinds[b] = kWord;
  return kinds;
}();

// The code of a kSingle byte.
constexpr std::array<uint8_t, 256> BuildSingleCodes() {
  std::array<uint8_t, 256> codes{};
  for (int b = 0; b < 256; ++b)
    if (kByteKind[b] == kSingle) codes[b] = kLetterTree.accept[FirstNode(static_cast<unsigned char>(b))];
  return codes;
}

inline constexpr std::array<uint8_t, 256> kSingleCode = BuildSingleCodes();

constexpr bool IsDigit(char c) { return static_cast<unsigned char>(c) - unsigned('0') < 10u; }

}  // namespace scan_tables

}  // namespace qel2json::detail

#include <cstdint>

#include "scanner/literals.h"
#include "store/string_table.h"

namespace {

bool IsDigit(char c) { return static_cast<unsigned char>(c) - unsigned('0') < 10u; }

// What atoi gives on this platform: strtol's value, which saturates at the
// 64-bit limits, truncated to 32 bits.  Up to 19 significant digits fit an
// unsigned 64-bit value; more always saturate.
int32_t AtoiValue(const char* p) {
  bool negative = *p == '-';
  p += negative;
  while (*p == '0') ++p;
  uint64_t magnitude = 0;
  int digits = 0;
  for (; IsDigit(*p); ++p, ++digits)
    if (digits < 19) magnitude = magnitude * 10 + unsigned(*p - '0');
  constexpr uint64_t kCap = uint64_t(1) << 63;  // magnitude of the least long
  if (digits > 19 || magnitude > kCap) magnitude = kCap;
  uint64_t value = negative ? 0 - magnitude : (magnitude == kCap ? kCap - 1 : magnitude);
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

// The token is exactly "-"? digits, followed by a byte that is no digit, so
// the digits end the number and the length is not needed.
void ConvertInteger(char* begin, int, int*, int* attribute) { *attribute = AtoiValue(begin); }

void StoreTokenText(char* begin, int length, int*, int* attribute) {
  *attribute = StoreString(begin, length);
}

#include "platform/Number.h"

#include <charconv>
#include <system_error>

namespace plat {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Decimal position of the first nonzero digit of a number that from_chars
// found out of range, plus its exponent: above zero it overflowed, below zero
// it underflowed (the two lie hundreds of places apart). The exponent
// saturates, so that no text can overflow the sum.
bool overflows(std::string_view number) {
  std::size_t i = number[0] == '+' || number[0] == '-' ? 1 : 0;
  std::int64_t position = 0;
  bool nonzero = false;
  for (; i < number.size() && isDigit(number[i]); ++i) {
    nonzero = nonzero || number[i] != '0';
    if (nonzero) ++position;
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && isDigit(number[i]); ++i) {
      if (nonzero) continue;
      if (number[i] != '0') {
        nonzero = true;
        break;
      }
      --position;
    }
    while (i < number.size() && isDigit(number[i])) ++i;
  }
  std::int64_t exponent = 0;
  bool negative = false;
  if (i < number.size()) {  // the exponent: 'e', a sign perhaps, digits
    ++i;
    if (number[i] == '+' || number[i] == '-') negative = number[i++] == '-';
    for (; i < number.size(); ++i)
      if (exponent < 1000000000) exponent = exponent * 10 + (number[i] - '0');
  }
  return position + (negative ? -exponent : exponent) > 0;
}

}  // namespace

std::size_t decimalLength(std::string_view text) noexcept {
  std::size_t i = 0;
  const std::size_t n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < n && isDigit(text[i])) ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < n && isDigit(text[j])) {
      while (j < n && isDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

DecimalStatus parseDecimal(std::string_view text, double& value) noexcept {
  if (text.empty() || decimalLength(text) != text.size()) return DecimalStatus::NotANumber;
  // from_chars takes a '-' but no '+'.
  const char* first = text.data() + (text[0] == '+' ? 1 : 0);
  const char* last = text.data() + text.size();
  double v = 0;
  const auto [end, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ec == std::errc() && end == last) {
    value = v;
    return DecimalStatus::Ok;
  }
  if (ec != std::errc::result_out_of_range || end != last) return DecimalStatus::NotANumber;
  if (overflows(text)) return DecimalStatus::Overflow;
  value = text[0] == '-' ? -0.0 : 0.0;
  return DecimalStatus::Underflow;
}

}  // namespace plat

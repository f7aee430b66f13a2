// Decimal numbers as the exchange files write them, read without the locale.
//
// The grammar: an optional sign ('+' or '-'); decimal digits with at most one
// decimal point among, before or after them, at least one digit in all; then
// optionally an exponent: 'e' or 'E', an optional sign and at least one digit.
// No blanks, no decimal comma, no hexadecimal form, no "inf" or "nan".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Export.h"

namespace plat {

// Length of the longest start of text that is a decimal number; 0 when text
// does not start with one. An 'e' without exponent digits is not part of the
// number: "1e" and "1e+" give 1.
PLAT_API std::size_t decimalLength(std::string_view text) noexcept;

enum class DecimalStatus : std::uint8_t {
  Ok,          // value set
  NotANumber,  // text is not one whole decimal number; value untouched
  Overflow,    // too large in magnitude for a double; value untouched
  Underflow,   // not zero, but nearer to zero than the least double: value is
               // a zero of the number's sign
};

// Value of text, which must be one whole decimal number, rounded to the
// nearest double. Allocates nothing; the locale plays no part.
PLAT_API DecimalStatus parseDecimal(std::string_view text, double& value) noexcept;

}  // namespace plat

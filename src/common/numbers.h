#pragma once
// Numbers as the system writes and reads them.
//
// Fixed patterns ("0.00" for coordinates in tables, lists and tile names,
// "0.0" in the batch view, "0.00000000" in the point report, "00" in sheet
// numbers) round half away from zero on the number's 15-significant-digit
// decimal form, so 2.675 gives "2.68" and -0.125 gives "-0.13" with "0.00".
// A value that rounds to zero is written without a sign ("0.00", never
// "-0.00").
//
// The plain form (number_to_text) is the one used wherever a number is
// written "as it is": up to 15 significant digits, no trailing zeros, no
// grouping, "." as the decimal point, a leading "0" before the point
// (2543210.5, 548900, 0.75, -12.25). Numbers from 1E+15 upwards and below
// 0.0001 in magnitude are written with an exponent, mantissa trimmed the same
// way and at least two exponent digits: 1E+15, 1.23456789012346E+15, 1E-05,
// 2.5E-07.
#include <optional>
#include <string>
#include <string_view>

namespace korvane::common {

// Formats with a pattern of the form [#...][0...][.[0...][#...]]: the zeros
// before the point give the least number of integer digits (none: a value
// below 1 starts with "." as in ".50"), the zeros after the point the number
// of decimals always written, '#' after them further decimals written only
// when not zero. No grouping. Anything else in the pattern:
// std::invalid_argument.
std::string format_number(double value, std::string_view pattern);

// Shorthands for the system's patterns.
inline std::string format_0_00(double v) { return format_number(v, "0.00"); }
inline std::string format_0_0(double v) { return format_number(v, "0.0"); }
inline std::string format_0_8(double v) { return format_number(v, "0.00000000"); }
inline std::string format_00(double v) { return format_number(v, "00"); }

// Rounds half away from zero to `decimals` places, on the 15-digit decimal
// form as the patterns do (2.675 -> 2.68).
double round_half_away(double value, int decimals = 0);

// The plain number-to-text form (see above). NaN gives "NaN", infinities
// "Inf" / "-Inf".
std::string number_to_text(double value);
// Whole numbers (map numbers, counters, sequence numbers).
std::string number_to_text(long long value);

// The leading number of a text, as the system's Val reads it: blanks, tabs
// and line feeds are skipped anywhere in the number (" 1 2" is 12); then an
// optional sign, digits with at most one ".", an optional exponent (E or D,
// optional sign, digits); reading stops at the first other character
// ("12abc" is 12, "1.2.3" is 1.2, "1,5" is 1). No number at the start gives 0
// ("abc", "", "-"). "&H1F" and "&O17" are read as hexadecimal and octal whole
// numbers; up to four hex digits (six octal) are a signed 16-bit number
// ("&HFFFF" is -1), up to eight hex digits (eleven octal) a signed 32-bit one,
// longer ones an unsigned number.
double val(std::string_view text);

// The strict reading used where a text must be a number (IsNumeric, numeric
// conversion): leading and trailing blanks and tabs allowed; an optional
// sign; digits with at most one "." and at least one digit; an optional
// exponent E/e/D/d with optional sign and at least one digit; or &H / &O
// forms as val reads them. Nothing else ("1,000", "12abc", "", "1e") is a
// number: std::nullopt.
std::optional<double> to_number(std::string_view text);
inline bool is_numeric(std::string_view text) { return to_number(text).has_value(); }

}  // namespace korvane::common

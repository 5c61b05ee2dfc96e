// Numbers as texts and back, always with "." as the decimal point: settings, the dialog, the
// meters and the logs read the same in every locale.
#pragma once

#include <string>

namespace sonivex {

// A number as typed (blanks around, sign, decimals, exponent); no hexadecimal, "inf" or "nan".
bool NumericText(const std::string& text, double& value);
// The number with that many decimals, as the format "0.00" shows it.
std::string FixedText(double value, int decimals);

}  // namespace sonivex

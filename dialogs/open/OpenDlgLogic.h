#pragma once
// The arithmetic of the Open dialog, kept apart from its windows.
#include <cstdint>
#include <string>

#include "terrain/MemoryFit.h"

namespace lib3d::open {

// What a factor edit holds while the user types: the text scanned like "%lg" (leading blanks, an
// optional sign, a decimal or hexadecimal number, "inf", "nan") in the C locale whatever the
// process's locale, from 0 when nothing scans, as an absolute value. A NaN counts as "nothing
// typed" (0): it is no factor, and passing it on would make the whole part meaningless.
double scan_factor(const std::string& text);

// The whole part of a scanned factor as the integer the edits show. A value too large for a
// 32-bit integer (infinity included) becomes INT_MAX: the label then shows what such a factor
// gives (no cells) and Open's range check refuses it.
int whole_factor(double scanned);

// The component the raster file dialog's flag word picks: bit 0 -> 1, else bit 1 -> 2, else
// bit 2 -> 3, else 0.
unsigned component_from_flags(std::uint32_t flags);

// "<width word>: <w / fx>    <height word>: <h / fy>" with integer division (0 for a factor <= 0).
std::string size_label(const std::string& widthWord, const std::string& heightWord, int width, int height,
                       int factorX, int factorY);

// The dialog data exchange's reading of an integer edit: optional blanks, an optional sign, at
// least one digit, optional blanks, nothing else, and the value fits a 32-bit int.
bool parse_int(const std::string& text, int& value);

// A number typed into an edit: optional blanks, a finite decimal number read like "%lg" in the C
// locale, optional blanks, nothing else.
bool parse_number(const std::string& text, double& value);

// The exchange's messages in the current resource language. The range message takes the bounds
// for "%1" and "%2" of its resource text.
std::string integer_message();
std::string number_message();
std::string integer_range_message(int lo, int hi);
// A relief that would not fit in memory at the chosen factors: what it needs, what may be used and
// the smallest factors that fit.
std::string memory_message(const loading::MemoryFit& fit);

}  // namespace lib3d::open

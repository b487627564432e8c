#pragma once
// Window-free helpers shared by the tool window's pages.
#include <cstdint>
#include <string>

namespace tools {

// The help book path for a host whose executable directory is `exeDir` (as the host library gives
// it for the process command line). The Windows layout "\On-line Help\..." maps to '/' here. Every
// double quote is dropped (the command line may start with a quoted program path); like the frame's
// rule, quotes are first turned into '*' and then every '*' is removed, so asterisks go too.
std::string MakeHelpPath(const std::string& exeDir);

// The help address of the tools topic: "<helpPath>::/<language tag>/PanelTools.htm".
std::string MakeToolsHelpAddress(const std::string& helpPath, const std::string& languageTag);

// Colour words are 0x00BBGGRR.
constexpr std::uint32_t ColorWord(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned RedOf(std::uint32_t c) { return c & 0xFFu; }
constexpr unsigned GreenOf(std::uint32_t c) { return (c >> 8) & 0xFFu; }
constexpr unsigned BlueOf(std::uint32_t c) { return (c >> 16) & 0xFFu; }

constexpr int kCustomColorCount = 16;

// Stores `color` in slot `next` of `slots` and advances `next`, wrapping after the last slot.
// A `next` outside 0..15 (never produced here) restarts at slot 0 instead of writing out of bounds.
void PushCustomColor(std::uint32_t (&slots)[kCustomColorCount], int& next, std::uint32_t color);

// "×3.2": two significant digits, whole numbers from 100 on; "×—" for 0 (no true scale known).
std::string ExaggerationText(double exaggeration);
// An exaggeration typed by the user: a number 0.01..1000 (a decimal comma is taken as a point).
bool ParseExaggeration(const std::string& text, double& out);

}  // namespace tools

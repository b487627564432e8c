#include "colour/ColourTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace lib3d {
namespace palette {
namespace {

std::uint32_t word(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}
int red(std::uint32_t c) { return static_cast<int>(c & 0xFFu); }
int green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFFu); }
int blue(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFFu); }

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

// A whole token as a finite number; strtod alone would take "1e" or "0x10" or stop early.
bool number(const std::string& token, double& v) {
  if (token.empty() || token.size() > 64) return false;
  for (char c : token)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  char* end = nullptr;
  v = std::strtod(token.c_str(), &end);
  return end == token.c_str() + token.size() && std::isfinite(v);
}

std::vector<std::string> split(const std::string& line, const char* separators) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : line) {
    if (std::strchr(separators, c) && c != '\0') {
      if (!cur.empty()) out.push_back(cur), cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// The names both tools know with the same values (X11's): the ones a table is likely to use.
bool named_colour(const std::string& token, std::uint32_t& c) {
  static const struct { const char* name; std::uint32_t colour; } kNames[] = {
      {"white", 0xFFFFFF}, {"black", 0x000000},  {"red", 0x0000FF},     {"green", 0x00FF00},  {"blue", 0xFF0000},
      {"yellow", 0x00FFFF}, {"cyan", 0xFFFF00}, {"aqua", 0xFFFF00},    {"magenta", 0xFF00FF}, {"fuchsia", 0xFF00FF},
  };
  const std::string name = lower(token);
  for (const auto& n : kNames)
    if (name == n.name) return c = n.colour, true;
  return false;
}

TableProblem component(const std::string& token, int& v) {
  double d;
  if (!number(token, d) || d < 0 || d > 255) return TableProblem::BadColourValue;
  v = static_cast<int>(std::lround(d));
  return TableProblem::None;
}

TableProblem rgb_of(const std::string& r, const std::string& g, const std::string& b, std::uint32_t& c) {
  int v[3];
  const std::string* t[3] = {&r, &g, &b};
  for (int k = 0; k < 3; ++k)
    if (component(*t[k], v[k]) != TableProblem::None) return TableProblem::BadColourValue;
  c = word(v[0], v[1], v[2]);
  return TableProblem::None;
}

TableProblem hsv_of(const std::string& h, const std::string& s, const std::string& v, std::uint32_t& c) {
  double hue, sat, val;
  if (!number(h, hue) || !number(s, sat) || !number(v, val) || hue < 0 || hue > 360 || sat < 0 || sat > 1 || val < 0 ||
      val > 1)
    return TableProblem::BadHsv;
  const double sector = std::fmod(hue, 360.0) / 60.0;
  const int i = static_cast<int>(sector);
  const double f = sector - i, p = val * (1 - sat), q = val * (1 - sat * f), t = val * (1 - sat * (1 - f));
  const double rgb[6][3] = {{val, t, p}, {q, val, p}, {p, val, t}, {p, q, val}, {t, p, val}, {val, p, q}};
  const auto byte = [](double x) { return static_cast<int>(std::lround(x * 255)); };
  c = word(byte(rgb[i][0]), byte(rgb[i][1]), byte(rgb[i][2]));
  return TableProblem::None;
}

// One cpt colour written as one token: R/G/B (or H/S/V in an HSV table), H-S-V, a grey level,
// #rrggbb or a name.
TableProblem cpt_colour(std::string token, bool hsv, std::uint32_t& c) {
  const std::size_t at = token.find('@');  // transparency: the view has none
  if (at != std::string::npos) token.erase(at);
  if (token.size() == 7 && token[0] == '#') {
    if (!std::all_of(token.begin() + 1, token.end(), [](char ch) { return std::isxdigit(static_cast<unsigned char>(ch)); }))
      return TableProblem::BadColourValue;
    const unsigned long v = std::strtoul(token.c_str() + 1, nullptr, 16);
    c = word(static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF));
    return TableProblem::None;
  }
  const std::vector<std::string> slash = split(token, "/");
  if (slash.size() == 3 && token.find("//") == std::string::npos)
    return hsv ? hsv_of(slash[0], slash[1], slash[2], c) : rgb_of(slash[0], slash[1], slash[2], c);
  const std::vector<std::string> dash = split(token, "-");
  if (dash.size() == 3 && token.front() != '-' && token.find("--") == std::string::npos)
    return hsv_of(dash[0], dash[1], dash[2], c);
  double grey;
  if (number(token, grey)) return rgb_of(token, token, token, c);
  if (named_colour(token, c)) return TableProblem::None;
  const bool letters = std::all_of(token.begin(), token.end(), [](char ch) { return std::isalpha(static_cast<unsigned char>(ch)); });
  return letters ? TableProblem::UnknownColourName : TableProblem::BadColourValue;
}

// The colour starting at tokens[i], one token or three; advances i.
TableProblem cpt_colour_at(const std::vector<std::string>& t, std::size_t& i, std::size_t count, bool hsv,
                           std::uint32_t& c) {
  if (count == 3) {
    if (i + 3 > t.size()) return TableProblem::ExpectedSlice;
    const TableProblem p = hsv ? hsv_of(t[i], t[i + 1], t[i + 2], c) : rgb_of(t[i], t[i + 1], t[i + 2], c);
    i += 3;
    return p;
  }
  if (i >= t.size()) return TableProblem::ExpectedSlice;
  return cpt_colour(t[i++], hsv, c);
}

std::string trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r\n\v\f");
  if (a == std::string::npos) return std::string();
  return s.substr(a, s.find_last_not_of(" \t\r\n\v\f") - a + 1);
}

TableProblem gdaldem_line(const std::string& line, ColourTable& table) {
  const std::vector<std::string> t = split(line, " \t,:\r\v\f");
  if (t.empty()) return TableProblem::None;
  if (t.size() != 2 && t.size() != 4 && t.size() != 5) return TableProblem::ExpectedEntry;
  std::uint32_t c = 0;
  if (t.size() == 2) {
    if (!named_colour(t[1], c)) return TableProblem::UnknownColourName;
  } else {
    const TableProblem p = rgb_of(t[1], t[2], t[3], c);
    int alpha;
    if (p != TableProblem::None) return p;
    if (t.size() == 5 && component(t[4], alpha) != TableProblem::None) return TableProblem::BadColourValue;
  }
  ColourStop stop;
  stop.colour = c;
  if (lower(t[0]) == "nv") {
    table.noData = c;
    return TableProblem::None;
  }
  std::string value = t[0];
  if (value.back() == '%') {
    stop.percent = true;
    value.pop_back();
  }
  if (!number(value, stop.value)) return TableProblem::BadHeight;
  table.stops.push_back(stop);
  return TableProblem::None;
}

TableProblem cpt_line(std::string line, bool& hsv, ColourTable& table) {
  line = trim(line);
  if (line.empty()) return TableProblem::None;
  if (line[0] == '#') {
    std::string words = lower(line.substr(1));
    words.erase(std::remove_if(words.begin(), words.end(), [](char c) { return c == ' ' || c == '\t'; }), words.end());
    if (words.rfind("color_model=", 0) == 0) {
      const std::string model = words.substr(12);
      if (model == "rgb" || model == "+rgb") hsv = false;
      else if (model == "hsv" || model == "+hsv") hsv = true;
      else return TableProblem::UnsupportedModel;
    }
    return TableProblem::None;  // hinges and other comments: the heights stand as written
  }
  const std::size_t label = line.find(';');
  if (label != std::string::npos) line.erase(label);
  std::vector<std::string> t = split(line, " \t\r\v\f");
  if (t.empty()) return TableProblem::None;
  const std::string key = t[0];
  if (key == "B" || key == "F" || key == "N") {
    if (t.size() == 2 && t[1] == "-") return TableProblem::None;  // "skip": nothing to colour with
    if (t.size() != 2 && t.size() != 4) return TableProblem::ExpectedSlice;
    std::size_t i = 1;
    std::uint32_t c;
    const TableProblem p = cpt_colour_at(t, i, t.size() - 1, hsv, c);
    if (p != TableProblem::None) return p;
    (key == "B" ? table.below : key == "F" ? table.above : table.noData) = c;
    return TableProblem::None;
  }
  if (t.size() == 5 || t.size() == 9) {
    if (t.back() == "L" || t.back() == "U" || t.back() == "B") t.pop_back();  // where to annotate
  }
  if (t.size() != 4 && t.size() != 8) return TableProblem::ExpectedSlice;
  const std::size_t per = t.size() == 8 ? 3 : 1;
  ColourStop low, high;
  std::size_t i = 0;
  if (!number(t[i++], low.value)) return TableProblem::BadHeight;
  TableProblem p = cpt_colour_at(t, i, per, hsv, low.colour);
  if (p != TableProblem::None) return p;
  if (!number(t[i++], high.value)) return TableProblem::BadHeight;
  p = cpt_colour_at(t, i, per, hsv, high.colour);
  if (p != TableProblem::None) return p;
  if (high.value < low.value) return TableProblem::DescendingSlice;
  table.stops.push_back(low);
  table.stops.push_back(high);
  return TableProblem::None;
}

struct Resolved {
  double value;
  std::uint32_t colour;
};

// Stops in height order with percentages resolved; equal heights keep their file order.
std::vector<Resolved> resolve(const ColourTable& table, double min, double max) {
  std::vector<Resolved> r;
  r.reserve(table.stops.size());
  for (const ColourStop& s : table.stops)
    r.push_back({s.percent ? min + s.value / 100.0 * (max - min) : s.value, s.colour});
  std::stable_sort(r.begin(), r.end(), [](const Resolved& a, const Resolved& b) { return a.value < b.value; });
  return r;
}

std::uint32_t colour_in(const ColourTable& table, const std::vector<Resolved>& r, double h) {
  if (r.empty()) return 0;
  if (h < r.front().value) return table.below.value_or(r.front().colour);
  if (h > r.back().value) return table.above.value_or(r.back().colour);
  const auto key = [](const Resolved& a, double v) { return a.value < v; };
  auto it = std::lower_bound(r.begin(), r.end(), h, key);  // the first stop at or above h
  if (it->value == h) {
    if (table.format == TableFormat::Cpt)
      while (it + 1 != r.end() && (it + 1)->value == h) ++it;
    return it->colour;
  }
  const Resolved& a = *(it - 1);
  const Resolved& b = *it;
  double t = (h - a.value) / (b.value - a.value);
  if (!(t > 0)) t = 0;  // also NaN, from stops at huge heights whose difference overflowed
  if (t > 1) t = 1;
  const auto mix = [t](int x, int y) {
    return std::min(255, std::max(0, static_cast<int>(std::floor(x + t * (y - x) + 0.5))));
  };
  return word(mix(red(a.colour), red(b.colour)), mix(green(a.colour), green(b.colour)),
              mix(blue(a.colour), blue(b.colour)));
}

// Entries where the colour changes its slope: from each kept entry, the farthest one such that the
// straight line between them passes within one level of every entry between. Whole levels at the
// ends cannot do better: each entry of a smooth ramp is already rounded by up to half a level, so a
// line between two of them may miss a third by a level, and holding to half a level would keep
// nearly every entry. Reading the table back thus gives each entry within one level, the kept ones
// exactly. The farthest fit, not the first run that fits: rounding lets an entry whose channels lie
// near whole levels fit far beyond others that do not.
std::vector<int> breakpoints(const std::array<std::uint32_t, 256>& p) {
  std::vector<int> kept{0};
  const auto fits = [&p](int a, int b) {
    for (int j = a + 1; j < b; ++j) {
      const double t = double(j - a) / (b - a);
      for (int shift : {0, 8, 16}) {
        const int x = (p[a] >> shift) & 0xFF, y = (p[b] >> shift) & 0xFF, z = (p[j] >> shift) & 0xFF;
        if (std::fabs(x + t * (y - x) - z) > 1.0) return false;
      }
    }
    return true;
  };
  int a = 0;
  while (a < 255) {
    int b = 255;
    while (b > a + 1 && !fits(a, b)) --b;
    kept.push_back(b);
    a = b;
  }
  return kept;
}

// The heights of the entries, and the fewest significant digits that write each back within a
// ten-thousandth of a step.
struct Heights {
  double h[256];
  int digits = 6;
};

Heights heights_of(double min, double max) {
  Heights out;
  if (!std::isfinite(min)) min = 0;
  if (!(max > min) || !std::isfinite(max)) max = min + 1;
  for (int i = 0; i < 256; ++i) out.h[i] = i == 255 ? max : min + i * (max - min) / 255.0;
  const double tolerance = (max - min) / 255.0 * 1e-4;
  for (out.digits = 6; out.digits < 17; ++out.digits) {
    bool ok = true;
    for (double v : out.h) {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.*g", out.digits, v);
      if (std::fabs(std::strtod(buf, nullptr) - v) > tolerance) ok = false;
    }
    if (ok) break;
  }
  return out;
}

std::string height_text(const Heights& hs, int i) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.*g", hs.digits, hs.h[i]);
  return buf;
}

std::string rgb_text(std::uint32_t c, char sep) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d%c%d%c%d", red(c), sep, green(c), sep, blue(c));
  return buf;
}

}  // namespace

TableFormat format_of_path(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return TableFormat::Gdaldem;
  const std::string ext = lower(path.substr(dot + 1));
  if (ext == "pal") return TableFormat::Palette;
  if (ext == "cpt") return TableFormat::Cpt;
  return TableFormat::Gdaldem;
}

std::string problem_text(TableProblem problem) {
  switch (problem) {
    case TableProblem::None: return "no problem";
    case TableProblem::Unreadable: return "cannot be read";
    case TableProblem::NotRegularFile: return "not a regular file";
    case TableProblem::TooLarge: return "larger than any colour table";
    case TableProblem::ExpectedEntry: return "expected a height and three colour values";
    case TableProblem::BadHeight: return "the height is not a number, nv or a percentage";
    case TableProblem::BadColourValue: return "colour values must be numbers from 0 to 255";
    case TableProblem::BadHsv: return "hue must be 0 to 360, saturation and value 0 to 1";
    case TableProblem::UnknownColourName: return "unknown colour name";
    case TableProblem::ExpectedSlice: return "expected a slice: a height and a colour, twice";
    case TableProblem::DescendingSlice: return "the slice ends below its start";
    case TableProblem::UnsupportedModel: return "only RGB and HSV colour models can be read";
    case TableProblem::NoEntries: return "no heights with colours";
  }
  return std::string();
}

std::string describe(const TableError& error) {
  std::string s = error.line > 0 ? "line " + std::to_string(error.line) + ": " : std::string();
  s += problem_text(error.problem);
  if (!error.system.empty()) s += " (" + error.system + ")";
  return s;
}

bool read_colour_table(const std::string& text, TableFormat format, ColourTable& out, TableError& error) {
  ColourTable table;
  table.format = format == TableFormat::Cpt ? TableFormat::Cpt : TableFormat::Gdaldem;
  bool hsv = false;
  std::istringstream in(text);
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    TableProblem p;
    if (table.format == TableFormat::Cpt) {
      p = cpt_line(line, hsv, table);
    } else {
      const std::size_t hash = line.find('#');
      p = gdaldem_line(hash == std::string::npos ? line : line.substr(0, hash), table);
    }
    if (p != TableProblem::None) {
      error = TableError{p, n, std::string()};
      return false;
    }
  }
  if (table.stops.empty()) {
    error = TableError{TableProblem::NoEntries, 0, std::string()};
    return false;
  }
  out = std::move(table);
  error = TableError();
  return true;
}

bool load_colour_table(const std::string& path, ColourTable& out, TableError& error) {
  std::string text, system;
  switch (read_small_file(path, text, system)) {
    case FileRefusal::None: break;
    case FileRefusal::Unreadable: error = TableError{TableProblem::Unreadable, 0, system}; return false;
    case FileRefusal::NotRegular: error = TableError{TableProblem::NotRegularFile, 0, std::string()}; return false;
    case FileRefusal::TooLarge: error = TableError{TableProblem::TooLarge, 0, system}; return false;
  }
  return read_colour_table(text, format_of_path(path) == TableFormat::Cpt ? TableFormat::Cpt : TableFormat::Gdaldem,
                           out, error);
}

std::uint32_t colour_at(const ColourTable& table, double h, double min, double max) {
  return colour_in(table, resolve(table, min, max), h);
}

PaletteFileData to_palette(const ColourTable& table, double min, double max) {
  if (!(max > min) || !std::isfinite(min) || !std::isfinite(max)) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const ColourStop& s : table.stops)
      if (!s.percent) lo = std::min(lo, s.value), hi = std::max(hi, s.value);
    if (hi > lo) min = lo, max = hi;
    else if (!std::isfinite(min)) min = 0, max = 1;
    else max = min + 1;
  }
  const std::vector<Resolved> r = resolve(table, min, max);
  PaletteFileData data;
  for (int i = 0; i < 256; ++i) data.palette[i] = colour_in(table, r, i == 255 ? max : min + i * (max - min) / 255.0);
  return data;
}

std::string format_gdaldem(const std::array<std::uint32_t, 256>& palette, double min, double max,
                           const std::optional<std::uint32_t>& noData) {
  const Heights hs = heights_of(min, max);
  std::string s = "# height red green blue (gdaldem color-relief), from heights " + height_text(hs, 0) + " to " +
                  height_text(hs, 255) + "\n";
  for (int i : breakpoints(palette)) s += height_text(hs, i) + " " + rgb_text(palette[i], ' ') + "\n";
  if (noData) s += "nv " + rgb_text(*noData, ' ') + "\n";
  return s;
}

std::string format_cpt(const std::array<std::uint32_t, 256>& palette, double min, double max,
                       const std::optional<std::uint32_t>& noData) {
  const Heights hs = heights_of(min, max);
  std::string s = "# COLOR_MODEL = RGB\n";
  const std::vector<int> kept = breakpoints(palette);
  for (std::size_t k = 0; k + 1 < kept.size(); ++k)
    s += height_text(hs, kept[k]) + "\t" + rgb_text(palette[kept[k]], '/') + "\t" + height_text(hs, kept[k + 1]) + "\t" +
         rgb_text(palette[kept[k + 1]], '/') + "\n";
  s += "B\t" + rgb_text(palette[0], '/') + "\n";
  s += "F\t" + rgb_text(palette[255], '/') + "\n";
  if (noData) s += "N\t" + rgb_text(*noData, '/') + "\n";
  return s;
}

}  // namespace palette
}  // namespace lib3d

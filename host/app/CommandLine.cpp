#include "host/app/CommandLine.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Base palettes in the palette editor's order.
const char* const kBasePalettes[] = {"grey",  "blue-red",   "ends",      "solid",      "six-hues",
                                     "table", "purple-red", "hue-cycle", "blue-purple"};

// A value echoed in a message stays one short line whatever it holds.
std::string shown(const std::string& v) {
  std::string out;
  for (char c : v.substr(0, 60)) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  if (v.size() > 60) out += "...";
  return "'" + out + "'";
}

bool parse_double(const std::string& s, double& out) {
  const char* b = s.data();
  const char* e = b + s.size();
  if (b != e && *b == '+') ++b;
  double v = 0;
  const auto r = std::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool parse_int(const std::string& s, long lo, long hi, long& out) {
  const char* b = s.data();
  const char* e = b + s.size();
  if (b != e && *b == '+') ++b;
  long v = 0;
  const auto r = std::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool split_pair(const std::string& s, char sep, std::string& a, std::string& b) {
  const std::size_t at = s.find(sep);
  if (at == std::string::npos || s.find(sep, at + 1) != std::string::npos) return false;
  a = s.substr(0, at);
  b = s.substr(at + 1);
  return true;
}

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool known_picture_extension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string ext = lower(path.substr(dot + 1));
  return ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "tif" || ext == "tiff";
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Parser {
public:
  Parser(const std::vector<std::string>& args, CommandLine& cl) : args_(args), cl_(cl) {}

  void run() {
    for (i_ = 1; i_ < args_.size() && cl_.error.empty(); ++i_) one(args_[i_]);
    if (!cl_.error.empty() || cl_.action == HostAction::Help || cl_.action == HostAction::Version) return;
    if (!cl_.snapshot.empty()) {
      if (cl_.relief.empty()) return fail("--snapshot needs --relief FILE");
      if (cl_.action == HostAction::Interactive) cl_.action = HostAction::Snapshot;
    } else if (cl_.viewOptionGiven) {
      fail("--" + lastViewOption_ + " applies only to a picture written with --snapshot");
    }
    if (!cl_.paletteFile.empty() && cl_.view.base_palette >= 0)
      fail("--palette and --base-palette exclude each other");
  }

private:
  void fail(const std::string& message) {
    if (cl_.error.empty()) cl_.error = message;
  }

  // The value of option `name` from "--name=value" or the next argument. A next argument that is
  // itself an option is never taken as the value.
  bool value(const std::string& a, const char* name, std::string& out) {
    const std::string opt = std::string("--") + name;
    if (a.compare(0, opt.size() + 1, opt + "=") == 0) {
      out = a.substr(opt.size() + 1);
    } else if (a == opt) {
      if (i_ + 1 >= args_.size() || args_[i_ + 1].compare(0, 2, "--") == 0) {
        fail(opt + " needs a value");
        out.clear();
        return true;
      }
      out = args_[++i_];
    } else {
      return false;
    }
    matched_ = name;
    return true;
  }

  bool view_value(const std::string& a, const char* name, std::string& out) {
    if (!value(a, name, out)) return false;
    cl_.viewOptionGiven = true;
    lastViewOption_ = name;
    return true;
  }

  bool camera_value(const std::string& a, const char* name, std::string& out) {
    if (!value(a, name, out)) return false;
    cl_.cameraGiven = true;
    return true;
  }

  void bad(const std::string& v, const char* expected) {
    fail("--" + matched_ + " takes " + expected + ", not " + shown(v));
  }

  void number(const std::string& v, double lo, double hi, double& out, const char* expected) {
    double d = 0;
    if (!parse_double(v, d) || d < lo || d > hi) return bad(v, expected);
    out = d;
  }

  void integer(const std::string& v, long lo, long hi, int& out, const char* expected) {
    long n = 0;
    if (!parse_int(v, lo, hi, n)) return bad(v, expected);
    out = static_cast<int>(n);
  }

  void one(const std::string& a) {
    std::string v;
    if (a == "--help" || a == "-h") {
      cl_.action = HostAction::Help;
    } else if (a == "--version") {
      if (cl_.action != HostAction::Help) cl_.action = HostAction::Version;
    } else if (a == "--list") {
      if (cl_.action == HostAction::Interactive) cl_.action = HostAction::List;
    } else if (value(a, "lang", v)) {
      if (v == "ru") cl_.russian = true;
      else if (v == "en") cl_.russian = false;
      else if (cl_.error.empty()) bad(v, "en or ru");
    } else if (value(a, "plugins", v)) {
      cl_.pluginDir = v;
    } else if (value(a, "relief", v)) {
      cl_.relief = v;
    } else if (value(a, "factors", v)) {
      std::string x, y;
      long fx = 0, fy = 0;
      if (!split_pair(v, ',', x, y) || !parse_int(x, 1, 1000, fx) || !parse_int(y, 1, 1000, fy))
        return bad(v, "FX,FY with whole numbers 1..1000");
      cl_.view.factor_x = static_cast<unsigned long>(fx);
      cl_.view.factor_y = static_cast<unsigned long>(fy);
    } else if (value(a, "texture", v)) {
      if (v.empty()) return bad(v, "FILE or RED,GREEN,BLUE");
      cl_.texture = v;
    } else if (value(a, "snapshot", v)) {
      if (!known_picture_extension(v)) return bad(v, "a picture file ending in .png, .jpg, .jpeg, .tif or .tiff");
      cl_.snapshot = v;
    } else if (view_value(a, "size", v)) {
      std::string w, h;
      long pw = 0, ph = 0;
      if (!(split_pair(lower(v), 'x', w, h) && parse_int(w, 1, 16384, pw) && parse_int(h, 1, 16384, ph)))
        return bad(v, "WIDTHxHEIGHT in pixels, 1..16384 each");
      cl_.view.width = static_cast<int>(pw);
      cl_.view.height = static_cast<int>(ph);
    } else if (camera_value(a, "azimuth", v)) {
      number(v, -1e6, 1e6, cl_.view.azimuth, "degrees");
    } else if (camera_value(a, "tilt", v)) {
      number(v, 0.0, 180.0, cl_.view.tilt, "degrees 0..180");
    } else if (camera_value(a, "zoom", v)) {
      long z = 0;
      if (!parse_int(v, -1000, 1000, z) || z == 0 || z == -1)
        return bad(v, "a zoom step: 1, 2, 3, ... (100%, 200%, ...) or -2, -3, ... (50%, 33%, ...)");
      cl_.view.zoom_level = static_cast<int>(z);
    } else if (camera_value(a, "pan", v)) {
      std::string x, y;
      double px = 0, py = 0;
      if (!split_pair(v, ',', x, y) || !parse_double(x, px) || !parse_double(y, py) || std::fabs(px) > 1e6 ||
          std::fabs(py) > 1e6)
        return bad(v, "X,Y in view units");
      cl_.view.pan_x = px;
      cl_.view.pan_y = py;
    } else if (view_value(a, "scale-z", v)) {
      number(v, 0.01, 1.0, cl_.view.scale_z, "a factor 0.01..1");
    } else if (view_value(a, "light", v)) {
      std::string az, el;
      long laz = 0, lel = 0;
      if (!split_pair(v, ',', az, el) || !parse_int(az, 0, 360, laz) || !parse_int(el, 0, 90, lel))
        return bad(v, "AZIMUTH,ELEVATION in whole degrees, 0..360 and 0..90");
      cl_.view.light_azimuth = static_cast<int>(laz);
      cl_.view.light_elevation = static_cast<int>(lel);
    } else if (view_value(a, "ambient", v)) {
      integer(v, 0, 100, cl_.view.ambient, "a percentage 0..100");
    } else if (view_value(a, "diffuse", v)) {
      integer(v, 0, 100, cl_.view.diffuse, "a percentage 0..100");
    } else if (view_value(a, "specular", v)) {
      integer(v, 0, 100, cl_.view.specular, "a percentage 0..100");
    } else if (view_value(a, "background", v)) {
      const std::string hex = !v.empty() && v[0] == '#' ? v.substr(1) : v;
      unsigned rgb[3] = {0, 0, 0};
      bool ok = hex.size() == 6;
      for (int k = 0; ok && k < 3; ++k) {
        const int hi = hex_digit(hex[2 * k]), lo = hex_digit(hex[2 * k + 1]);
        ok = hi >= 0 && lo >= 0;
        rgb[k] = static_cast<unsigned>(hi * 16 + lo);
      }
      if (!ok) return bad(v, "a colour RRGGBB in hexadecimal");
      cl_.view.background = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
    } else if (view_value(a, "palette", v)) {
      if (v.empty()) return bad(v, "a palette file");
      cl_.paletteFile = v;
    } else if (view_value(a, "base-palette", v)) {
      const std::string name = lower(v);
      for (int k = 0; k < 9; ++k)
        if (name == kBasePalettes[k] || name == std::to_string(k)) cl_.view.base_palette = k;
      if (cl_.view.base_palette < 0)
        return bad(v, "grey, blue-red, ends, solid, six-hues, table, purple-red, hue-cycle or blue-purple");
    } else {
      fail("unknown option " + shown(a));
    }
  }

  const std::vector<std::string>& args_;
  CommandLine& cl_;
  std::size_t i_ = 1;
  std::string matched_;
  std::string lastViewOption_;
};

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& args, bool environmentRussian) {
  CommandLine cl;
  cl.russian = environmentRussian;
  Parser(args, cl).run();
  return cl;
}

bool split_texture(const std::string& value, const std::function<bool(const std::string&)>& isFile,
                   std::string files[3]) {
  const std::size_t c1 = value.find(',');
  if (c1 == std::string::npos || (isFile && isFile(value))) {
    files[0] = files[1] = files[2] = value;
    return !value.empty();
  }
  const std::size_t c2 = value.find(',', c1 + 1);
  if (c2 == std::string::npos || value.find(',', c2 + 1) != std::string::npos) return false;
  files[0] = value.substr(0, c1);
  files[1] = value.substr(c1 + 1, c2 - c1 - 1);
  files[2] = value.substr(c2 + 1);
  return !files[0].empty() && !files[1].empty() && !files[2].empty();
}

std::string usage_text() {
  return R"(Usage: relief3d-host [OPTION]...
Runs the tools of the plug-ins in the plug-in folder; with --relief and --snapshot it renders one
picture of a relief without any window or display and exits.

General:
  --help, -h             show this text and exit
  --version              show the version and exit
  --lang=en|ru           language of the interface (default: from the locale)
  --plugins DIR          plug-in folder (default: plugins/ beside the program)
  --list                 list the tools found and exit

Opening a relief (in the viewer, or for a picture):
  --relief FILE          relief raster (anything GDAL reads)
  --factors FX,FY        keep every FX-th column and FY-th row, 1..1000 (default 1,1)
  --texture FILE|R,G,B   colour from one raster, or from three single-band rasters

The camera (of the viewer's window, or of the picture):
  --azimuth DEG          turn about the vertical axis (default 45)
  --tilt DEG             0 looks straight down, 90 along the ground, 180 from below (default 45)
  --zoom STEP            the viewer's zoom steps: 1, 2, 3, ... = 100%, 200%, 300%;
                         -2, -3, ... = 50%, 33% (default -2)
  --pan X,Y              shift in view units, the relief's longer side being 1 (default 0,0)

Writing a picture (needs --relief; rendered offscreen, no display needed):
  --snapshot OUT         picture file; the format follows the extension: .png, .jpg/.jpeg,
                         .tif/.tiff
  --size WxH             picture size in pixels, 1..16384 each (default: the viewer's view,
                         638x403)
  --scale-z S            height exaggeration 0.01..1 (default 1)
  --light AZ,EL          light direction in whole degrees: azimuth 0..360, elevation 0..90
                         from the viewing direction (default 0,0)
  --ambient P, --diffuse P, --specular P
                         light strengths in percent 0..100 (default 30, 70, 20)
  --background RRGGBB    background colour in hexadecimal (default 7F7F7F)
  --palette FILE.pal     colour the heights with a palette file of the palette editor
  --base-palette NAME    or with a base palette: grey, blue-red, ends, solid, six-hues, table,
                         purple-red, hue-cycle, blue-purple (default: white)

Exit status:
  0  success
  1  an input could not be read (missing file, permission denied, not a raster, texture size
     differs from the relief, bad palette file) or the picture could not be written
  2  the command line is wrong (unknown option, missing or bad value)
  3  no graphics: no offscreen OpenGL for a picture, or no display for the window
Every failure prints one line naming its cause on standard error.
)";
}

bool russian_from_environment() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return std::strncmp(v, "ru", 2) == 0;
  }
  return false;
}

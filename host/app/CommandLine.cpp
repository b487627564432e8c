#include "host/app/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

using namespace lib3d;

// A value echoed in a message stays one short line whatever it holds.
std::string shown(const std::string& v) {
  std::string out;
  for (char c : v.substr(0, 60)) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  if (v.size() > 60) out += "...";
  return "'" + out + "'";
}

// A number within `range` into `field`, with an optional '+': T is long for whole numbers, double for any.
template <class T, class F>
bool number(const std::string& s, Range range, F& field) {
  const char *b = s.data() + (!s.empty() && s[0] == '+'), *e = s.data() + s.size();
  T v{};
  const auto r = std::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e || !range.holds(static_cast<double>(v))) return false;
  field = static_cast<F>(v);
  return true;
}

// Two numbers "A<sep>B", each within its range ("A<sep>B<sep>C" fails as B).
template <class T, class F>
bool pair(const std::string& s, char sep, Range ra, F& a, Range rb, F& b) {
  const std::size_t at = s.find(sep);
  return at != std::string::npos && number<T>(s.substr(0, at), ra, a) && number<T>(s.substr(at + 1), rb, b);
}

// The groups of --help: an option names the title of its group.
const char* const kGeneral = "General:";
const char* const kOpening = "Opening a relief (in the viewer, or for a picture):";
const char* const kCamera = "The camera and look (of the viewer's window, or of the picture):";
const char* const kPicture = "Writing a picture (needs --relief; rendered offscreen, no display needed):";

// Camera and look options set the viewer's window too; the others that draw apply only to a picture.
enum Kind { kPlain, kCameraOption, kLookOption, kPictureOnly };

// One command-line option: it is parsed, checked and shown in --help from this alone.
struct Option {
  const char* name;         // --name
  const char* placeholder;  // its value in --help; null: it takes none
  const char* group;        // the title of its group in --help
  Kind kind;
  std::string help, expected;  // its text in --help; what a refused value is told to be
  bool (*take)(const std::string& value, CommandLine& cl);  // false: the value is refused
  const char* alias = nullptr;  // another name, taken as it is
};

// --help wins over --version, and either over --list.
template <HostAction A>
bool act(const std::string&, CommandLine& c) {
  if (A == HostAction::Help || c.action == HostAction::Interactive || c.action == HostAction::List) c.action = A;
  return true;
}

// A file name kept as given (refused when empty unless `mayBeEmpty`).
template <std::string CommandLine::*field, bool mayBeEmpty = true>
bool keep(const std::string& v, CommandLine& c) {
  c.*field = v;
  return mayBeEmpty || !v.empty();
}

// Every option, in the order of --help.
std::vector<Option> options() {
  using V = const std::string&;  // the value and the command line it goes to
  using C = CommandLine&;
  const std::vector<std::string> palettes(std::begin(kBasePaletteNames), std::end(kBasePaletteNames));
  const std::string percent = " light strength in percent " + kPercentRange.text() + " (default ";
  return {
      {"help", nullptr, kGeneral, kPlain, "show this text and exit", "", act<HostAction::Help>, "-h"},
      {"version", nullptr, kGeneral, kPlain, "show the version and exit", "", act<HostAction::Version>},
      {"lang", "en|ru", kGeneral, kPlain, "language of the interface (default: from the locale)", "en or ru",
       [](V v, C c) { return (c.russian = v == "ru") || v == "en"; }},
      {"plugins", "DIR", kGeneral, kPlain, "plug-in folder (default: plugins/ beside the program)", "",
       keep<&CommandLine::pluginDir>},
      {"list", nullptr, kGeneral, kPlain, "list the tools found and exit", "", act<HostAction::List>},
      {"relief", "FILE", kOpening, kPlain, "relief raster (anything GDAL reads)", "", keep<&CommandLine::relief>},
      {"info", nullptr, kOpening, kPlain,
       "print what the viewer derives from --relief and --factors, one 'key: value' a line, and exit: file, "
       "size, factors, grid, type, band, overviews, georeferenced, crs, cell_size_m, height_unit, height_range, "
       "true_scale_z, exaggeration_at_scale_z_1; with --texture also texture, texture_size, "
       "texture_resolution_m, texture_coverage",
       "", act<HostAction::Info>},
      {"factors", "FX,FY", kOpening, kPlain,
       "keep every FX-th column and FY-th row, " + kFactorRange.text() + " (default 1,1)",
       "FX,FY with whole numbers " + kFactorRange.text(),
       [](V v, C c) { return pair<long>(v, ',', kFactorRange, c.view.factor_x, kFactorRange, c.view.factor_y); }},
      {"band", "N", kOpening, kPlain, "the relief's band, " + kBandRange.text() + " (default 1)",
       "a band number " + kBandRange.text(), [](V v, C c) { return number<long>(v, kBandRange, c.view.band); }},
      {"nodata", "hole|height", kOpening, kPlain,
       "no-data, masked and non-finite cells are holes (default), or heights as their values say",
       "hole or height", [](V v, C c) { return (c.view.nodata_height = v == "height") || v == "hole"; }},
      {"nodata-value", "V", kOpening, kPlain, "a no-data value the file does not declare (such as -9999)",
       "a number", [](V v, C c) { return (c.view.nodata_given = 1) && number<double>(v, Range{-1e308, 1e308}, c.view.nodata_value); }},
      {"overviews", nullptr, kOpening, kPlain,
       "read a reduced relief from the file's overview level nearest to the factors (a few megabytes of a "
       "remote file instead of all of it); without it cell (r, c) is pixel (FY r, FX c) exactly",
       "", [](V, C c) { return (c.view.overviews = 1) == 1; }},
      {"texture", "FILE|R,G,B", kOpening, kPlain,
       "colour from one raster (of three bands or more: bands 1, 2, 3 as red, green, blue), or from three "
       "single-band rasters",
       "FILE or RED,GREEN,BLUE", keep<&CommandLine::texture, false>},
      {"texture-resampling", "nearest|bilinear|cubic", kOpening, kPlain,
       "how a georeferenced texture is warped onto a georeferenced relief's ground, at its own resolution "
       "(default bilinear)",
       "nearest, bilinear or cubic", [](V v, C c) {
         c.view.texture_resampling = v == "nearest" ? 1 : v == "cubic" ? 2 : 0;
         return v == "nearest" || v == "bilinear" || v == "cubic";
       }},
      {"texture-stretch", "minmax|cut:LO,HI", kOpening, kPlain,
       "how texture values other than bytes become colours: from the LO % to the HI % point of each band's "
       "values (default cut:2,98), or from its minimum to its maximum",
       "minmax or cut:LO,HI with percentages 0..100, LO below HI", [](V v, C c) {
         if ((c.view.texture_minmax = v == "minmax")) return true;
         return v.compare(0, 4, "cut:") == 0 &&
                pair<double>(v.substr(4), ',', Range{0, 100}, c.view.texture_cut_low, Range{0, 100},
                             c.view.texture_cut_high) &&
                c.view.texture_cut_low < c.view.texture_cut_high;
       }},
      {"azimuth", "DEG", kCamera, kCameraOption, "turn about the vertical axis (default 45)", "degrees",
       [](V v, C c) { return number<double>(v, kAzimuthPanRange, c.view.azimuth); }},
      {"tilt", "DEG", kCamera, kCameraOption,
       kTiltRange.text() + " degrees: 0 looks straight down, 90 along the ground, 180 from below (default 45)",
       "degrees " + kTiltRange.text(), [](V v, C c) { return number<double>(v, kTiltRange, c.view.tilt); }},
      {"zoom", "STEP", kCamera, kCameraOption,
       "the viewer's zoom steps: 1, 2, 3, ... = 100%, 200%, 300%;\n-2, -3, ... = 50%, 33% (default -2)",
       "a zoom step: 1, 2, 3, ... (100%, 200%, ...) or -2, -3, ... (50%, 33%, ...)",
       [](V v, C c) { return number<long>(v, kZoomRange, c.view.zoom_level) && is_zoom_step(c.view.zoom_level); }},
      {"pan", "X,Y", kCamera, kCameraOption, "shift in view units, the relief's longer side being 1 (default 0,0)",
       "X,Y in view units",
       [](V v, C c) { return pair<double>(v, ',', kAzimuthPanRange, c.view.pan_x, kAzimuthPanRange, c.view.pan_y); }},
      {"exaggeration", "E", kCamera, kLookOption,
       "draw a georeferenced relief E times its true height, " + kExaggerationRange.text() +
           " (1: true scale; the window's Scale page shows it)",
       "a factor " + kExaggerationRange.text(),
       [](V v, C c) { return number<double>(v, kExaggerationRange, c.view.exaggeration); }},
      {"light", "AZ,EL", kCamera, kLookOption,
       "light direction in whole degrees: azimuth " + kLightAzimuthRange.text() + ", elevation " +
           kLightElevationRange.text() + " from the viewing direction (default 0,0); 90 lights from the side",
       "AZIMUTH,ELEVATION in whole degrees, " + kLightAzimuthRange.text() + " and " + kLightElevationRange.text(),
       [](V v, C c) {
         return (c.lightGiven = true) && pair<long>(v, ',', kLightAzimuthRange, c.view.light_azimuth,
                                                    kLightElevationRange, c.view.light_elevation);
       }},
      {"snapshot", "OUT", kPicture, kPlain,
       "picture file; the format follows the extension: " + picture_extensions("/"),
       "a picture file ending in " + picture_extensions(),
       [](V v, C c) { return picture_format(v) && keep<&CommandLine::snapshot>(v, c); }},
      {"probe", "X,Y", kPicture, kPictureOnly,
       "print what lies under picture pixel X,Y as the viewer's pointer finds it: the cell (column, row "
       "of the file), its centre in the relief's CRS, longitude and latitude, the height with its unit; "
       "or 'background'. May be given again",
       "X,Y in picture pixels",
       [](V v, C c) {
         double x = 0, y = 0;
         const Range pixels{0, kPixelRange.hi};
         if (!pair<double>(v, ',', pixels, x, pixels, y)) return false;
         c.probes.insert(c.probes.end(), {x, y});
         return true;
       }},
      {"size", "WxH", kPicture, kPictureOnly,
       "picture size in pixels, " + kPixelRange.text() + " each (default: the viewer's view, " +
           std::to_string(LIB3D_VIEW_WIDTH) + "x" + std::to_string(LIB3D_VIEW_HEIGHT) + ")",
       "WIDTHxHEIGHT in pixels, " + kPixelRange.text() + " each",
       [](V v, C c) { return pair<long>(lower(v), 'x', kPixelRange, c.view.width, kPixelRange, c.view.height); }},
      {"scale-z", "S", kPicture, kPictureOnly,
       "Z scale " + kScaleZRange.text() + ": 1 draws the height range as tall as the relief's longer side (default 1)",
       "a factor " + kScaleZRange.text(),
       [](V v, C c) { return (c.scaleZGiven = true) && number<double>(v, kScaleZRange, c.view.scale_z); }},
      {"ambient", "P", kPicture, kPictureOnly, "ambient" + percent + "30)", "a percentage " + kPercentRange.text(),
       [](V v, C c) { return number<long>(v, kPercentRange, c.view.ambient); }},
      {"diffuse", "P", kPicture, kPictureOnly, "diffuse" + percent + "70)", "a percentage " + kPercentRange.text(),
       [](V v, C c) { return number<long>(v, kPercentRange, c.view.diffuse); }},
      {"specular", "P", kPicture, kPictureOnly, "specular" + percent + "20)", "a percentage " + kPercentRange.text(),
       [](V v, C c) { return number<long>(v, kPercentRange, c.view.specular); }},
      {"background", "RRGGBB", kPicture, kPictureOnly, "background colour in hexadecimal (default 7F7F7F)",
       "a colour RRGGBB in hexadecimal",
       [](V v, C c) {
         const char *b = v.data() + (!v.empty() && v[0] == '#'), *e = v.data() + v.size();
         unsigned x = 0;  // 0xRRGGBB; the request's colour word is 0x00BBGGRR
         const bool ok = e - b == 6 && std::from_chars(b, e, x, 16).ptr == e;
         c.view.background = (x >> 16) | (x & 0xFF00u) | ((x & 0xFFu) << 16);
         return ok;
       }},
      {"turntable", "N", kPicture, kPictureOnly,
       "write N pictures, the azimuth turned by 360/N from one to the next, reading the relief once; "
       "--snapshot names them with one frame number, such as 'frame_%03d.png'",
       "a number of pictures " + kTurntableRange.text(),
       [](V v, C c) { return number<long>(v, kTurntableRange, c.view.turntable); }},
      {"palette", "FILE", kPicture, kPictureOnly,
       "colour the heights with a palette file of the palette editor (.pal), a GMT colour table (.cpt) or a gdaldem "
       "color-relief table (any other name), spread over the relief's height range",
       "a palette file or colour table", keep<&CommandLine::paletteFile, false>},
      {"base-palette", "NAME", kPicture, kPictureOnly,
       "or with a base palette: " + listed(palettes, ", ") + " (default: white)", listed(palettes),
       [](V v, C c) {
         c.view.base_palette = base_palette_index(v);
         return c.view.base_palette >= 0;
       }},
  };
}

// An option's entry in --help: its help from column 25 (below a longer option), wrapped before
// column 100 and at its own line breaks.
std::string entry(const Option& o) {
  const std::size_t column = 25, width = 100;
  std::string out = std::string("  --") + o.name + (o.placeholder ? std::string(" ") + o.placeholder : "") +
                    (o.alias ? std::string(", ") + o.alias : "");
  if (out.size() >= column) out += '\n';
  const std::string& text = o.help;
  for (std::size_t b = 0, e; b < text.size(); b = e + 1) {
    e = std::min(text.find_first_of(" \n", b), text.size());
    const std::size_t at = out.size() - (out.rfind('\n') + 1);  // the last line's length so far
    if (at > column && (at + 1 + e - b > width || text[b - 1] == '\n')) out += '\n' + std::string(column, ' ');
    else out.append(at < column ? column - at : 1, ' ');
    out.append(text, b, e - b);
  }
  return out + '\n';
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& args, bool environmentRussian) {
  CommandLine cl;
  cl.russian = environmentRussian;
  static const std::vector<Option> all = options();
  std::string pictureOption;  // the last option that only a picture uses
  for (std::size_t i = 1; i < args.size() && cl.error.empty(); ++i) {
    const std::string& a = args[i];
    const auto o = std::find_if(all.begin(), all.end(), [&a](const Option& x) {
      const std::string opt = std::string("--") + x.name;
      return a == opt || (x.alias && a == x.alias) || (x.placeholder && a.compare(0, opt.size() + 1, opt + "=") == 0);
    });
    if (o == all.end()) {
      cl.error = "unknown option " + shown(a);
      break;
    }
    // The value comes from "--name=value" or the next argument, which is never itself an option.
    const std::string opt = std::string("--") + o->name;
    std::string v;
    if (o->placeholder && a != opt) v = a.substr(opt.size() + 1);
    else if (o->placeholder && i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0) v = args[++i];
    else if (o->placeholder) cl.error = opt + " needs a value";
    cl.cameraGiven |= o->kind == kCameraOption;
    cl.lookGiven |= o->kind == kLookOption;
    cl.viewOptionGiven |= o->kind == kPictureOnly;
    if (o->kind == kPictureOnly) pictureOption = o->name;
    if (cl.error.empty() && !o->take(v, cl)) cl.error = opt + " takes " + o->expected + ", not " + shown(v);
  }
  if (!cl.error.empty() || cl.action == HostAction::Help || cl.action == HostAction::Version) return cl;
  if (cl.action == HostAction::Info && cl.relief.empty()) cl.error = "--info needs --relief FILE";
  else if (!cl.snapshot.empty() && cl.relief.empty()) cl.error = "--snapshot needs --relief FILE";
  else if (!cl.snapshot.empty() && cl.action == HostAction::Interactive) cl.action = HostAction::Snapshot;
  else if (cl.snapshot.empty() && cl.viewOptionGiven)
    cl.error = "--" + pictureOption + " applies only to a picture written with --snapshot";
  if (cl.error.empty() && !cl.paletteFile.empty() && cl.view.base_palette >= 0)
    cl.error = "--palette and --base-palette exclude each other";
  if (cl.error.empty() && cl.scaleZGiven && cl.view.exaggeration > 0)
    cl.error = "--scale-z and --exaggeration exclude each other";
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
  std::string out = R"(Usage: relief3d-host [OPTION]...
Runs the tools of the plug-ins in the plug-in folder; with --relief and --snapshot it renders one
picture of a relief without any window or display and exits.
)";
  static const std::vector<Option> all = options();  // grouped in their order
  for (std::size_t k = 0; k < all.size(); ++k)
    out += (k == 0 || all[k].group != all[k - 1].group ? std::string("\n") + all[k].group + "\n" : "") + entry(all[k]);
  return out + R"(
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

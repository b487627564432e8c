// The host program run as a user's script runs it, with no display: every command line answers
// with its exit status and one line naming the cause, and a picture is written whole or not at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <tuple>

#include <gdal.h>
#include <string>

#include "tests/support/RangeServer.h"
#include "tests/support/RunCommand.h"
#include "tests/support/RasterFixtures.h"

namespace {

using r3dtest::Outcome;

Outcome host(const std::string& args) {
  return r3dtest::RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY '" R3D_BIN_DIR "/relief3d-host' " + args);
}

class HostCommandLine : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::ifstream(R3D_BIN_DIR "/relief3d-host").good()) GTEST_SKIP() << "host program not built";
    auto wave = [](int x, int y, double*) { return 10.0 * x + (y % 7); };
    ASSERT_TRUE(r3dtest::WriteRaster(dir_.file("dem.tif"), 30, 20, GDT_Float32, wave));
    ASSERT_TRUE(r3dtest::WriteRaster(dir_.file("tex.tif"), 30, 20, GDT_Byte, wave));
    ASSERT_TRUE(r3dtest::WriteRaster(dir_.file("small.tif"), 10, 10, GDT_Byte, wave));
    ASSERT_TRUE(r3dtest::WriteTextFile(dir_.file("text.tif"), "not a raster\n"));
    ASSERT_TRUE(r3dtest::WriteTextFile(dir_.file("bad.pal"), "[Palette file]\ninHistmin = '0'\n"));
    std::filesystem::create_directory(dir_.file("taken.png"));
    const double turned[6] = {500000, 30, 5, 4e6, 5, -30};
    ASSERT_TRUE(r3dtest::WriteRaster(dir_.file("turned.tif"), 30, 20, GDT_Float32, wave) &&
                r3dtest::Georeference(dir_.file("turned.tif"), turned, "EPSG:32633"));
  }
  // {d} in a command line stands for the test's directory.
  std::string expand(std::string s) const {
    for (std::size_t at; (at = s.find("{d}")) != std::string::npos;) s.replace(at, 3, dir_.path());
    return s;
  }
  r3dtest::TempDir dir_;
};

}  // namespace

TEST_F(HostCommandLine, EveryOutcomeHasItsStatusAndCause) {
  const std::string ok = "--relief {d}/dem.tif --snapshot {d}/o.png";
  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {"--help", 0, "Exit status"},
      {"--version", 0, "relief3d-host 1."},
      {"", 3, "no display"},
      {"--frobnicate", 2, "unknown option '--frobnicate'"},
      {"--snapshot {d}/o.png", 2, "--snapshot needs --relief"},
      {"--relief --snapshot {d}/o.png", 2, "--relief needs a value"},
      {"--relief {d}/dem.tif --snapshot {d}/o.bmp", 2, ".png, .jpg, .jpeg, .tif or .tiff"},
      {"--relief {d}/dem.tif --scale-z 0.5", 2, "--scale-z applies only to a picture"},
      {"--relief {d}/dem.tif --azimuth 30 --zoom 2", 3, "no display"},  // the window's camera: parsed, then no display
      {ok + " --tilt 200", 2, "--tilt takes degrees 0..180, not '200'"},
      {ok + " --size 0x10", 2, "--size takes"},
      {ok + " --zoom -1", 2, "--zoom takes a zoom step"},
      {ok + " --scale-z 200", 2, "--scale-z takes a factor 0.0001..100"},
      {ok + " --scale-z 0.5 --exaggeration 2", 2, "--scale-z and --exaggeration exclude each other"},
      {ok + " --exaggeration 2", 1, "relief {d}/dem.tif has no georeferencing"},
      {"--info --factors 2,2", 2, "--info needs --relief"},
      {"--relief {d}/turned.tif --snapshot {d}/o.png", 0, "note: the geotransform turns the grid; it is drawn north-up"},
      {"--relief {d}/dem.tif --factors 2,4 --info", 0, "grid: 15 x 5\ntype: Float32\nband: 1 of 1\noverviews: none\ngeoreferenced: no"},
      {ok + " --light 10,95", 2, "--light takes"},
      {ok + " --ambient 101", 2, "--ambient takes a percentage"},
      {ok + " --background 12345G", 2, "--background takes a colour RRGGBB"},
      {ok + " --base-palette rainbow", 2, "--base-palette takes"},
      {ok + " --factors 0,4", 2, "--factors takes"},
      {ok + " --pan 1", 2, "--pan takes X,Y"},
      {ok + " --palette {d}/bad.pal --base-palette grey", 2, "exclude each other"},
      {ok + " --texture a,b", 2, "--texture takes FILE or RED,GREEN,BLUE"},
      {ok + " --texture-resampling linear", 2, "--texture-resampling takes nearest, bilinear or cubic"},
      {ok + " --texture-stretch cut:98,2", 2, "--texture-stretch takes minmax or cut:LO,HI"},
      {"--relief {d}/dem.tif --info --texture {d}/tex.tif", 0, "texture: one colour a cell\ntexture_size: 30 x 20\n"},
      {ok + " --turntable 3", 2, "one frame number in their name, such as frame_%03d.png"},
      {"--relief {d}/dem.tif --snapshot '{d}/t_%02d.png' --turntable 3", 0, "wrote 3 pictures {d}/t_%02d.png"},
      {"--relief {d}/none.tif --snapshot {d}/o.png", 1, "cannot read relief {d}/none.tif: No such file or directory"},
      {"--relief {d}/text.tif --snapshot {d}/o.png", 1, "not a raster GDAL can read ("},
      {"--relief {d} --snapshot {d}/o.png", 1, "is a directory"},
      {"--relief {d}/dem.tif --factors 40,1 --snapshot {d}/o.png", 1, "no cells left after reduction by 40,1"},
      {ok + " --band 2", 1, "cannot read relief {d}/dem.tif: it has 1 band, no band 2"},
      {ok + " --texture {d}/small.tif", 1, "texture size differs from the relief: 10x10 cells against 30x20"},
      {ok + " --texture {d}/tex.tif,{d}/none.tif,{d}/tex.tif", 1, "cannot read texture {d}/none.tif"},
      {ok + " --palette {d}/bad.pal", 1, "cannot read palette {d}/bad.pal: not a palette file"},
      {ok + " --palette {d}/none.pal", 1, "No such file or directory"},
      {"--relief {d}/dem.tif --snapshot {d}/no/dir/o.png", 1, "cannot write {d}/no/dir/o.png: No such file"},
      {"--relief {d}/dem.tif --snapshot {d}/taken.png", 1, "cannot write {d}/taken.png: is a directory"},
      {ok + " --size 64x48 --azimuth -30 --tilt 0 --zoom 2 --pan 0.1,-0.1 --scale-z 0.5 --light 90,45 "
            "--ambient 0 --diffuse 100 --specular 0 --background 000000 --base-palette hue-cycle --texture {d}/tex.tif",
       0, "wrote {d}/o.png (64x48)"},
      {"--relief={d}/dem.tif --snapshot={d}/o.JPG --factors=2,2 --base-palette=table", 0, "wrote"},
      {"--relief {d}/dem.tif --snapshot {d}/o.tiff --base-palette 'Blue to red'", 0, "wrote"},
  };
  for (const Case& c : cases) {
    const Outcome r = host(expand(c.args));
    EXPECT_EQ(c.status, r.status) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(expand(c.says)), std::string::npos) << c.args << "\n" << r.out;
    const bool oneLine = c.status == 0 || c.args == "--help" || std::count(r.out.begin(), r.out.end(), '\n') == 1;
    EXPECT_TRUE(oneLine) << "a failure says one line: " << r.out;
  }
  // The pictures are what their names say, of the size asked for.
  const struct { const char* file; const char* driver; int width; } written[] = {
      {"o.png", "PNG", 64}, {"o.JPG", "JPEG", 638}, {"o.tiff", "GTiff", 638}, {"t_02.png", "PNG", 638}};
  for (const auto& w : written) {
    GDALDatasetH d = GDALOpen(dir_.file(w.file).c_str(), GA_ReadOnly);
    ASSERT_TRUE(d) << w.file;
    EXPECT_STREQ(w.driver, GDALGetDriverShortName(GDALGetDatasetDriver(d)));
    EXPECT_EQ(w.width, GDALGetRasterXSize(d)) << w.file;
    GDALClose(d);
  }
  // Failures after the output was reserved leave no stray file behind.
  for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_NE('.', e.path().filename().string()[0]) << e.path();
}

// Root reads every file through its DAC override capabilities: the host then runs as root without
// them, so a file of mode 0 is unreadable while every folder on the way stays open to it (running as
// another user failed wherever the checkout lay below a folder of mode 0700).
TEST_F(HostCommandLine, UnreadableFilesAreNamedAsSuch) {
  ASSERT_EQ(0, ::chmod(dir_.file("dem.tif").c_str(), 0));
  std::string as;
  if (::geteuid() == 0) {
    as = "setpriv --inh-caps=-dac_override,-dac_read_search --bounding-set=-dac_override,-dac_read_search ";
    if (r3dtest::RunCommand(as + "true").status != 0) GTEST_SKIP() << "setpriv cannot drop root's file capabilities here";
  }
  const Outcome r = r3dtest::RunCommand(as + "env -u DISPLAY -u WAYLAND_DISPLAY '" R3D_BIN_DIR "/relief3d-host' " +
                                        expand("--relief {d}/dem.tif --snapshot {d}/o.png"));
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_NE(r.out.find("cannot read relief " + dir_.file("dem.tif") + ": Permission denied"), std::string::npos)
      << r.out;
}

// The same ground (1200 m east-west, 900 m north-south, a 100 m block in its north-west corner)
// written as files of every layout is drawn the same from straight above at azimuth 0: the block at
// the top left, the ground at its shape. A file without georeferencing keeps the bare grid: row 0
// at the bottom, square cells.
TEST_F(HostCommandLine, PicturesFollowTheMapWhateverTheFileLayout) {
  const double lat = 30 / 110574.2727, lon = 30 / 111319.4908;  // 30 m in degrees at the equator
  const struct Layout {
    const char* name;
    int w, h;
    double cell_x, cell_y;  // metres on the ground
    double gt[6];
    const char* crs;  // null: no georeferencing
  } layouts[] = {{"north-up", 40, 30, 30, 30, {500000, 30, 0, 4e6, 0, -30}, "EPSG:32633"},
                 {"south-up", 40, 30, 30, 30, {500000, 30, 0, 4e6 - 900, 0, 30}, "EPSG:32633"},
                 {"cells-60x30", 20, 30, 60, 30, {500000, 60, 0, 4e6, 0, -30}, "EPSG:32633"},
                 {"geographic", 40, 30, 30, 30, {0, lon, 0, 15 * lat, 0, -lat}, "EPSG:4326"},
                 {"bare", 40, 30, 30, 30, {}, nullptr}};
  for (const Layout& l : layouts) {
    const std::string dem = dir_.file(std::string(l.name) + ".tif"), png = dir_.file(std::string(l.name) + ".png");
    const bool bare = !l.crs;
    const auto block = [&l](int x, int y, double*) {
      const double east = (x + 0.5) * l.cell_x, down = (y + 0.5) * l.cell_y;
      return east < 300 && (l.gt[5] > 0 ? 900 - down : down) < 300 ? 100.0 : 0.0;
    };
    ASSERT_TRUE(r3dtest::WriteRaster(dem, l.w, l.h, GDT_Float32, block));
    if (!bare) {
      ASSERT_TRUE(r3dtest::Georeference(dem, l.gt, l.crs));
    }
    const Outcome r = host("--relief " + dem + " --snapshot " + png + " --size 400x300 --tilt 0 --azimuth 0 --zoom 1 " +
                           "--base-palette grey --ambient 100 --diffuse 0 --specular 0 --background 808080 --probe 200,150");
    ASSERT_EQ(0, r.status) << r.out;
    // The probe at the picture's centre names the cell whose centre GDAL finds there, to a tenth of a cell.
    int c = -1, row = -1;
    double x = 0, y = 0;
    const std::size_t at = r.out.find("200,150: cell ");
    ASSERT_NE(at, std::string::npos) << r.out;
    std::sscanf(r.out.c_str() + at, "200,150: cell %d,%d | x %lf%*s y %lf", &c, &row, &x, &y);
    if (!bare) {
      const Outcome g = r3dtest::RunCommand("gdallocationinfo -geoloc " + dem + " " + std::to_string(x) + " " + std::to_string(y));
      EXPECT_NE(g.out.find("(" + std::to_string(c) + "P," + std::to_string(row) + "L)"), std::string::npos) << g.out << r.out;
      const Outcome t = r3dtest::RunCommand("echo " + std::to_string(c + 0.5) + " " + std::to_string(row + 0.5) + " | gdaltransform " + dem);
      double gx = 0, gy = 0;
      std::sscanf(t.out.c_str(), "%lf %lf", &gx, &gy);
      EXPECT_TRUE(std::fabs(gx - x) < std::fabs(l.gt[1]) / 10 && std::fabs(gy - y) < std::fabs(l.gt[5]) / 10) << r.out << t.out;
    }
    int pw = 0, ph = 0;
    const std::vector<double> red = r3dtest::ReadWholeRaster(png, &pw, &ph);
    int x0 = pw, x1 = -1, y0 = ph, y1 = -1;  // the relief: what is not background
    for (int y = 0; y < ph; ++y)
      for (int x = 0; x < pw; ++x)
        if (red[y * pw + x] != 128) {
          x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        }
    ASSERT_LT(x0, x1) << l.name;
    const double aspect = double(x1 - x0) / (y1 - y0);
    EXPECT_NEAR(bare ? 39.0 / 29 : 1200.0 / 900, aspect, 0.05) << l.name;
    if (l.crs && l.gt[5] < 0 && l.cell_x == l.cell_y) {
      // Exaggeration 1 is the Z scale of the height range over the longer side (between the outer
      // cells' centres), both in metres; heights in feet draw the same at the same exaggeration.
      const std::string feet = dir_.file("feet.tif"), views = " --tilt 60 --azimuth 30 --size 200x150 --snapshot ";
      ASSERT_TRUE(r3dtest::WriteRaster(feet, l.w, l.h, GDT_Float32, [&](int x, int y, double* i) { return block(x, y, i) / 0.3048; }));
      ASSERT_TRUE(r3dtest::Georeference(feet, l.gt, l.crs, "ft"));
      char scale[64];
      std::snprintf(scale, sizeof scale, "%.17g", 100.0 / ((l.w - 1) * l.cell_x));
      for (const auto& [dem2, how, out] : {std::tuple{dem, std::string("--scale-z ") + scale, "s.png"},
                                           {dem, "--exaggeration 1", "e.png"}, {feet, "--exaggeration 1", "f.png"}})
        ASSERT_EQ(0, host("--relief " + dem2 + " " + how + views + dir_.file(out)).status) << how;
      const auto s = r3dtest::ReadWholeRaster(dir_.file("s.png")), e = r3dtest::ReadWholeRaster(dir_.file("e.png")),
                 f = r3dtest::ReadWholeRaster(dir_.file("f.png"));
      EXPECT_TRUE(s == e && e == f) << l.name;
    }
    // Ground 150 m squares: bright where the block stands (top left; bottom left for the bare grid).
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 6; ++j) {
        const int x = x0 + int((i + 0.5) / 8 * (x1 - x0)), y = y0 + int((j + 0.5) / 6 * (y1 - y0));
        const bool block = i < 2 && (bare ? j >= 4 : j < 2);
        EXPECT_EQ(block, red[y * pw + x] > 128) << l.name << " at " << i << "," << j;
      }
  }
}

// Voids are holes: a block of voids written as -32768 or -3.4e38 with the file's no-data flag, as
// NaN, or as the collar a reprojection leaves is the intact relief's picture with the background
// where the voids are and the same pixels elsewhere. --nodata height draws a flagged value as a height
// again, as a file that declares none does, and a void value that is not declared is noted.
TEST_F(HostCommandLine, VoidsAreHolesInAnIntactPicture) {
  const int w = 40, h = 30;
  // Highest and lowest inside, clear of the voids: holes must not change the range.
  const auto ground = [](int x, int y) { return 500 + 200 * std::sin(M_PI * x / (w - 1)) * std::sin(2 * M_PI * y / (h - 1)); };
  const auto in_block = [](int x, int y) { return x >= 4 && x < 11 && y >= 11 && y < 19; };
  const auto in_collar = [](int x, int y) { return x < 3 || y < 2 || x >= w - 3 || y >= h - 2; };
  const struct Void {
    const char* name;
    double value;
    bool flagged, collar;
    const char* extra;
  } voids[] = {{"intact", 0, false, false, ""},   {"srtm", -32768, true, false, ""},
               {"float-fill", -3.4028234663852886e38, true, false, ""}, {"nan", NAN, false, false, ""},
               {"collar", -32768, true, true, ""}, {"undeclared", -32768, false, false, ""},
               {"as-height", -32768, true, false, " --nodata height"}};
  std::vector<double> intact, undeclared;
  for (const Void& v : voids) {
    const std::string name = v.name, dem = dir_.file(name + ".tif"), png = dir_.file(name + ".png");
    ASSERT_TRUE(r3dtest::WriteRaster(dem, w, h, GDT_Float32, [&](int x, int y, double*) {
      return name != "intact" && (v.collar ? in_collar(x, y) : in_block(x, y)) ? v.value : ground(x, y);
    }));
    if (v.flagged) {
      GDALDatasetH ds = GDALOpen(dem.c_str(), GA_Update);
      GDALSetRasterNoDataValue(GDALGetRasterBand(ds, 1), v.value);
      GDALClose(ds);
    }
    const Outcome r = host("--relief " + dem + " --snapshot " + png + " --size 200x150 --tilt 0 --azimuth 0 --zoom 1 " +
                           "--base-palette six-hues --background 0000FF" + v.extra);
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ(name == "undeclared", r.out.find("-32768, a common void value: --nodata-value -32768") != std::string::npos)
        << name << ": " << r.out;
    const std::vector<double> red = r3dtest::ReadWholeRaster(png);
    if (name == "intact") intact = red;
    if (name == "undeclared") undeclared = red;
    if (name == "as-height") {
      EXPECT_EQ(red, undeclared);
    }
    if (name == "intact" || name == "undeclared" || name == "as-height") continue;
    // What differs from the intact picture lies over the voids (and their neighbours' shading):
    // the relief's 39 cells span the picture's 150 rows about its centre.
    int changed = 0, outside = 0;
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) {
        if (red[y * 200 + x] == intact[y * 200 + x]) continue;
        ++changed;
        const int cx = static_cast<int>(std::lround((x - 100) / 150.0 * (w - 1) + (w - 1) / 2.0));
        const int cy = static_cast<int>(std::lround((75 - y) / 150.0 * (w - 1) + (h - 1) / 2.0));
        bool near = false;
        for (int d = 0; d < 25; ++d) near |= v.collar ? in_collar(cx + d % 5 - 2, cy + d / 5 - 2) : in_block(cx + d % 5 - 2, cy + d / 5 - 2);
        outside += !near;
      }
    EXPECT_TRUE(changed > 100 && outside == 0) << name << ": " << changed << " changed, " << outside << " away from the voids";
    EXPECT_EQ(v.collar ? red[75 * 200 + 100] : red[(75 - 6) * 200 + 100 - 40], v.collar ? intact[75 * 200 + 100] : 0) << name;
  }
}

// --band 2 draws what a one-band copy of band 2 draws; one texture file of three bands colours the
// relief, where a one-band file leaves it grey. --overviews at factors 8,8 reads a small part of a
// remote file that has overviews and draws close to the exact picture; --info lists the levels.
TEST_F(HostCommandLine, BandsRgbTexturesAndOverviews) {
  using r3dtest::Layout;
  auto bumps = [](int x, int y, double*) { return std::sin(x * 0.4) * 40 + std::cos(y * 0.3) * 30; };
  auto stripes = [](int x, int, double*) { return x % 3 ? 0.0 : 255.0; };  // bands 1, 2, 3: red, blue, green columns
  auto slopes = [](int x, int y, double*) { return std::sin(x / 150.0) * 800 + std::cos(y / 230.0) * 600; };
  ASSERT_TRUE(r3dtest::WriteRaster(dir_.file("two.tif"), 30, 20, GDT_Float32, bumps, Layout::Striped, 0, {}, "GTiff", 2) &&
              r3dtest::WriteRaster(dir_.file("second.tif"), 30, 20, GDT_Float32, [&](int x, int y, double* i) { return bumps(x + 1, y, i); }) &&
              r3dtest::WriteRaster(dir_.file("rgb.tif"), 30, 20, GDT_Byte, stripes, Layout::Striped, 0, {}, "GTiff", 3) &&
              r3dtest::WriteRaster(dir_.file("big.tif"), 2048, 2048, GDT_Int16, slopes, Layout::Tiled));
  GDALDatasetH big = GDALOpen(dir_.file("big.tif").c_str(), GA_Update);
  const int levels[] = {2, 4, 8};
  ASSERT_TRUE(big && GDALBuildOverviews(big, "AVERAGE", 3, levels, 0, nullptr, nullptr, nullptr) == CE_None);
  GDALClose(big);
  r3dtest::RangeServer server(dir_.path());
  ASSERT_TRUE(server.ok());
  const std::string url = server.url("big.tif") + " --factors 8,8", view = " --size 200x150 --tilt 0 --azimuth 0 "
      "--ambient 100 --diffuse 0 --specular 0 --background 808080 --base-palette grey --snapshot {d}/";
  std::vector<long long> bytes;  // served, after each picture
  for (const std::string& args : {"{d}/two.tif --band 2" + view + "b2.png", "{d}/second.tif" + view + "copy.png",
                                  "{d}/two.tif" + view + "b1.png", "{d}/dem.tif --texture {d}/rgb.tif" + view + "rgb.png",
                                  "{d}/dem.tif --texture {d}/tex.tif" + view + "grey.png", url + view + "exact.png",
                                  url + " --overviews" + view + "ov.png"}) {
    ASSERT_EQ(0, host("--relief " + expand(args)).status) << args;
    bytes.push_back(server.rangeBytes());
  }
  const auto picture = [&](const char* name) {  // its red values, then its green ones, then its blue ones
    std::vector<double> rgb;
    for (int b = 1; b <= 3; ++b)
      for (double v : r3dtest::ReadWholeRaster(dir_.file(name), nullptr, nullptr, b)) rgb.push_back(v);
    return rgb;
  };
  const auto coloured = [&](const char* name) {  // pixels whose channels differ by more than 60
    const std::vector<double> p = picture(name);
    int count = 0;
    for (std::size_t i = 0, n = p.size() / 3; i < n; ++i)
      count += std::fabs(p[i] - p[n + i]) + std::fabs(p[n + i] - p[2 * n + i]) > 60;
    return count;
  };
  EXPECT_TRUE(picture("b2.png") == picture("copy.png") && picture("b1.png") != picture("b2.png"));
  EXPECT_GT(coloured("rgb.png"), 200 * 150 / 10);  // the relief covers an eighth of the picture
  EXPECT_EQ(coloured("grey.png"), 0);
  EXPECT_GE(bytes[5] - bytes[4], 20 * (bytes[6] - bytes[5])) << "bytes read exactly against from overviews";
  const std::vector<double> a = picture("exact.png"), b = picture("ov.png");
  ASSERT_EQ(a.size(), b.size());
  EXPECT_LT(std::transform_reduce(a.begin(), a.end(), b.begin(), 0.0, std::plus<>(),
                                  [](double x, double y) { return std::fabs(x - y); }) / a.size(), 2.0)
      << "mean difference of the overview picture, in levels of 255";
  EXPECT_NE(host("--relief " + url + " --info").out.find("overviews: 1024x1024, 512x512, 256x256\n"), std::string::npos);
}

#pragma once
// Reading relief and texture rasters reduced by whole compression factors (plain i*k sampling; a
// relief may instead be read through the file's overviews, see read_relief).
//
// Both readers convert only the pixels they keep, hold at most one file block besides the result
// and read only the rows and blocks they keep pixels from; the full-resolution raster is never in
// memory. Both build their result aside and
// touch the outputs only on success, so a refused load leaves the caller's state as it was.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "terrain/LoadError.h"
#include "terrain/MemoryFit.h"
#include "hostlib/HostString.h"

namespace lib3d::loading {

// Told how many of `total` steps of a read are done; called on the reading thread between reads.
using Progress = std::function<void(std::size_t done, std::size_t total)>;

// Reads every factorY-th row of band `band` (1 is the first) and keeps every factorX-th value as a float: cell (r, c) is
// file pixel (r * factorY, c * factorX). Returns false, leaving the outputs untouched, when nothing
// may be loaded (the file does not open, a factor is 0, ...).
//
// - A factor of 0 is refused (there is no block to take a pixel from); so is a band beyond the
//   file's count, with a cause naming the count.
// - A file that no longer opens, or whose row cannot be read or converted, is refused.
// - A two-valued (complex) relief gives its real part.
// - A factor larger than the width (height) gives zero columns (rows) and success; with no
//   columns or no rows no file row is read.
// - Values beyond float's range become +/- infinity.
//
// Before any row is read, the grid's cost (`bytesPerCell` a cell: a shown view's by default, or
// kPictureBytesPerCell for one offscreen picture) is checked against the memory this process may
// use (MemoryFit.h): a grid that would not fit is refused, and the cause names the factors that fit.
// On every refusal `error` (when given) says why.
//
// With `overviews` a reduction reads the grid through GDAL's overview level nearest to the factors
// (CFileLayer::ReadFromOverviews): the same number of cells, each near rather than at its pixel,
// for a fraction of the file's bytes. The memory check then counts the raw grid GDAL fills too.
bool read_relief(const CString& path, std::size_t factorX, std::size_t factorY, std::vector<float>& heights,
                 std::size_t& cols, std::size_t& rows, const Progress& progress = {},
                 LoadError* error = nullptr, std::uint64_t bytesPerCell = kBytesPerCell, int band = 1,
                 bool overviews = false);

// Reads the three channel files the same way and packs colour words 0x00BBGGRR, each channel
// scaled from its file's value range to 0..255. The same path three times is a grey texture from
// its band 1, or, when the file has three bands or more, red, green and blue from its bands 1, 2, 3.
// `component` picks the component of two-valued pixels. Returns false, leaving the outputs
// untouched, when nothing may be loaded.
//
// - A factor of 0, or any of the three files not opening, is refused; so is a grid too large for
//   memory. On every refusal `error` (when given) says why.
// - Green and blue must match the red file in width, height and in being two-valued or not;
//   otherwise the texture is refused. The reader does not know the relief: the caller compares
//   cols x rows with the height matrix (the view ignores a colour matrix of another size).
// - Component codes above 3 take the real part.
bool read_texture(const CString& red, const CString& green, const CString& blue, std::size_t factorX,
                  std::size_t factorY, std::size_t component, std::vector<std::uint32_t>& colors,
                  std::size_t& cols, std::size_t& rows, const Progress& progress = {},
                  LoadError* error = nullptr, std::uint64_t bytesPerCell = kBytesPerCell);

// One channel byte: t = (v - min) / (max - min) * 255 in double, truncated toward zero to a 64-bit
// integer, low 8 bits. Values outside the range wrap (1/255 of the range above max gives 0, below
// min 255). An empty range and a NaN give 0; a t beyond int64's range gives 0, which is what its
// low 8 bits are.
std::uint8_t scale_to_byte(double v, double min, double max);

}  // namespace lib3d::loading

#pragma once
// Reading relief and texture rasters reduced by whole compression factors (plain i*k sampling).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "hostlib/HostString.h"

namespace lib3d::loading {

// Reads every factorY-th row of band 1 and keeps every factorX-th value as a float: cell (r, c) is
// file pixel (r * factorY, c * factorX). Returns false, leaving the outputs untouched, when nothing
// may be loaded (the file does not open, a factor is 0, ...).
bool read_relief(const CString& path, std::size_t factorX, std::size_t factorY, std::vector<float>& heights,
                 std::size_t& cols, std::size_t& rows);

// Reads the three channel files (the same path three times for a grey texture) the same way and
// packs colour words 0x00BBGGRR, each channel scaled from its file's value range to 0..255.
// `component` picks the component of two-valued pixels. Returns false, leaving the outputs
// untouched, when nothing may be loaded.
bool read_texture(const CString& red, const CString& green, const CString& blue, std::size_t factorX,
                  std::size_t factorY, std::size_t component, std::vector<std::uint32_t>& colors,
                  std::size_t& cols, std::size_t& rows);

}  // namespace lib3d::loading

#pragma once
// Raster access of the host's common library (implemented over GDAL in host/common).
#include <cstddef>
#include <functional>
#include <memory>

#include "hostlib/Export.h"

class CMeterInfoBase;  // progress display; the module always passes null

// Pixel type codes reported by CFileLayer::Type(). Codes 9..16 are the two-valued (complex) types,
// which ConvertLineToDouble expands to two doubles per pixel (real, imaginary).
enum PixelType : int {
  PT_UNKNOWN = 0,
  PT_BYTE = 1,
  PT_INT8 = 2,
  PT_UINT16 = 3,
  PT_INT16 = 4,
  PT_UINT32 = 5,
  PT_INT32 = 6,
  PT_FLOAT32 = 7,
  PT_FLOAT64 = 8,
  PT_CINT16 = 9,
  PT_CINT32 = 10,
  PT_CFLOAT32 = 11,
  PT_CFLOAT64 = 12,
  // 13..16 are reserved two-valued codes; no raster reports them.
  PT_UINT64 = 17,
  PT_INT64 = 18,
};

inline bool IsTwoValuedType(int type) { return type >= 9 && type <= 16; }
BASEKIT_API int PixelTypeSize(int type);  // bytes of one raw pixel, 0 for an unknown code

class BASEKIT_API CFileLayer {
public:
  explicit CFileLayer(CMeterInfoBase* meter = nullptr);
  ~CFileLayer();
  CFileLayer(const CFileLayer&) = delete;
  CFileLayer& operator=(const CFileLayer&) = delete;

  // Non-zero when `path` is a raster that can be read. mode/flags/access are accepted as the module
  // passes them (0x110, 0, 0x80000000) and otherwise ignored: layers are read-only.
  int Open(const char* path, unsigned long mode = 0x110, int flags = 0, unsigned long access = 0x80000000);
  // Open, reading band `band` (1 is the first) instead of band 1: every call below then reads that
  // band. A band beyond the file's count is refused with a cause that names the count.
  int OpenBand(const char* path, int band);
  void Close();
  bool IsOpen() const;

  int Width() const;     // 0 when closed
  int Height() const;    // 0 when closed
  int Type() const;      // PixelType code of the band read, PT_UNKNOWN when closed
  int LineSize() const;  // bytes of one raw full-resolution row of the band read, 0 when closed
  int BandCount() const;  // bands of the file, 0 when closed
  // The description the file gives band `band`, "" when it gives none (or there is no such band).
  const char* BandDescription(int band) const;

  // Reads `count` raw pixels of the band from (firstColumn, row) into `buffer` at full resolution
  // (never from overviews). Returns non-zero on success; on any bad argument (null buffer, row or
  // columns outside the raster) writes nothing and returns 0. The buffer must hold count pixels.
  int ReadRow(void* buffer, int firstColumn, int row, int count);

  // One run of kept pixels from ReadSampled: `count` raw pixels (of Type()) of output row `row`,
  // output columns [column, column + count), the first at `first` and each next `stride` bytes on.
  // The bytes are the layer's own and valid only during the call.
  struct SampleRun {
    std::size_t row, column, count, stride;
    const unsigned char* first;
  };
  using SampleReceiver = std::function<bool(const SampleRun&)>;
  using Progress = std::function<void(std::size_t done, std::size_t total)>;

  // Reduces the band by whole steps: output cell (r, c) is file pixel (c * stepX, r * stepY) for
  // r < Height() / stepY, c < Width() / stepX. Every cell reaches `receiver` exactly once; runs of
  // one row come left to right, but rows may arrive interleaved (a tiled file is read tile by tile).
  // Rows and blocks holding no kept pixel are not read, blocks bypass GDAL's block cache, and the
  // layer holds at most one block (or one row) per reading thread besides.
  //
  // Threads: an uncompressed GeoTIFF in the host's byte order is read by the calling thread and one
  // helper thread together, so `receiver` may run on two threads at once. The two calls then
  // always carry different output rows, and all runs of one row come from the same thread; a
  // receiver that writes only its run's cells needs no lock, but any scratch memory or total it
  // shares between calls must be per call or atomic. Every other file is read on the calling
  // thread alone. `progress` (optional) runs on the calling thread only, with the number of output
  // rows complete so far, never decreasing, and after a full read last equal to the total. Both
  // have returned before ReadSampled does. Returns non-zero when every cell was delivered; 0 when
  // closed, a step is 0, a read fails or the receiver returns false (the other thread may first
  // finish the rows it has begun: 16 KiB of file, or one row or one row of tiles where larger).
  int ReadSampled(std::size_t stepX, std::size_t stepY, const SampleReceiver& receiver,
                  const Progress& progress = {});

  // The same grid of Width() / stepX x Height() / stepY cells, read through GDAL's overviews: one
  // read of the whole band into a grid of that size with nearest-neighbour resampling, from the
  // overview level GDAL finds nearest to the steps, so cell (r, c) is near, not at, pixel
  // (c * stepX, r * stepY). A band without overviews, or steps of 1, is read by ReadSampled. Holds
  // the raw grid besides; delivers its rows in order on the calling thread, progress as above.
  int ReadFromOverviews(std::size_t stepX, std::size_t stepY, const SampleReceiver& receiver,
                        const Progress& progress = {});

  double Min();  // exact value range of the band (computed once, then cached); 0 when closed
  double Max();

private:
  struct Impl;
  static int read_reduced(Impl& d, std::size_t stepX, std::size_t stepY, const SampleReceiver& receiver,
                          const Progress& progress, bool overviews);
  std::unique_ptr<Impl> impl_;
};

// Why the last failed Open, ReadRow or ReadSampled of the calling thread failed, in one line:
// GDAL's own message where it gave one, else what this library found wrong. Empty after a
// successful Open; valid until the thread's next call of one of the three.
BASEKIT_API const char* RasterErrorMessage();

// Converts `width` raw pixels of type `type` into doubles. Two-valued types give two doubles per
// pixel (real, imaginary), so `out` must hold 2 * width values for them. Returns non-zero on success.
BASEKIT_API int ConvertLineToDouble(const void* raw, int width, int type, double* out);

// The same for `count` pixels that lie `stride` bytes apart (a run of ReadSampled).
BASEKIT_API int ConvertSamplesToDouble(const void* first, std::size_t count, std::size_t stride, int type,
                                       double* out);

// Components of a two-valued pixel, chosen in the raster file dialog.
enum Component : int { COMPONENT_REAL = 0, COMPONENT_IMAGINARY = 1, COMPONENT_AMPLITUDE = 2, COMPONENT_PHASE = 3 };

// From `width` two-valued pixels (2 * width doubles) writes `width` doubles of the chosen component
// (phase in radians, atan2(im, re)). Unknown components give the real part. Returns non-zero on success.
BASEKIT_API int ExtractDesiredComponent(const double* in, int width, double* out, int component);

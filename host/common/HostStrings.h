#pragma once
// Ids of the host library's own strings beyond those the module uses (269..273, 296, 308..310, 317).
// The host keeps its private texts in 1000..1099, clear of every module's ids.
namespace hoststr {
enum : int {
  kBrowse = 1000,
  kSizeFormat,
  kNoFile,
  kUnreadable,
  kOpenRaster,
  kFileLabel,
  kComponent,
  kReal,
  kImaginary,
  kAmplitude,
  kPhase,
  kAllFiles,
  kRasterFiles,
  kHostTitle,
  kRunTool,
  kNoTools,
  kHelpMissing,
  kPathHint,
};
}  // namespace hoststr

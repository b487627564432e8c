#pragma once
// Plug-in modules of the host: every *.so in the plug-in folder, loaded for the life of the process.
#include <cstddef>
#include <string>
#include <vector>

#include <wx/icon.h>

// What a module exports (C linkage, undecorated names).
using GetNumModulsFn = int (*)();
using GetModuleInfoFn = int (*)(int module, int query, void* out, std::size_t size);
using GetModuleFunctionFn = void* (*)(int module);
// A tool's entry: the host calls it with no arguments and ignores any result, so an entry declared
// as returning int or void can be called through this type.
using ToolEntryFn = void (*)();
// The automation export of a viewer module.
using OpenFilesFn = int (*)(const char* relief, unsigned long factorX, unsigned long factorY, const char* red,
                            const char* green, const char* blue, unsigned long component);
using SetCameraFn = int (*)(double tilt, double azimuth, int zoomLevel, double panX, double panY);
using SetLookFn = int (*)(double exaggeration, int lightAzimuth, int lightElevation);
using SetReliefOptionsFn = int (*)(int band, int overviews, int nodataHeight, int nodataGiven, double nodataValue);

struct Tool {
  std::string library;  // file the tool comes from
  int index = 0;        // module number inside the library
  std::string caption;  // query 3
  std::string shortCaption;  // query 5
  // Query 1 and 2 give "icon handles": pointers to wxIcon objects the module owns and keeps alive.
  const wxIcon* icon = nullptr;
  const wxIcon* greyIcon = nullptr;
  ToolEntryFn entry = nullptr;
  OpenFilesFn openFiles = nullptr;  // set when the library exports the automation functions
  SetCameraFn setCamera = nullptr;
  SetLookFn setLook = nullptr;
  SetReliefOptionsFn setReliefOptions = nullptr;
};

// Loads every plug-in in `dir` (sorted by file name) and lists their tools. Libraries are never
// unloaded: windows they created live until the process ends. Problems go to `errors`.
// Without `icons` no icon is asked for, so no toolkit needs to run.
std::vector<Tool> LoadPlugins(const std::string& dir, std::vector<std::string>* errors, bool icons = true);

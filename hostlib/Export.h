#pragma once
// Symbols of the host's common library and of the plug-in module that other modules may call.
#define BASEKIT_API __attribute__((visibility("default")))
#define LIB3D_API __attribute__((visibility("default")))

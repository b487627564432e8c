// Captions under which the host lists the viewer tool.
#include <iterator>

#include "resources/ModuleResources.h"

namespace {

const ResourceString kModuleStrings[] = {
    {2761, "3D Viewer", "Окно 3D просмотра"},
    {2764, "3D Viewer", "3D просмотр"},
};

const lib3d::StringTableRegistrar kRegisterModuleStrings(kModuleStrings, std::size(kModuleStrings));

}  // namespace

// Strings of the tool window "Tools" and its Scale, Lighting and Background pages.
#include <iterator>

#include "resources/tools_ids.h"
#include "resources/ModuleResources.h"

namespace {

const ResourceString kToolStrings[] = {
    {IDS_TOOLS_TAB_SCALE, "Scale", "Масштаб"},
    {IDS_TOOLS_TAB_LIGHTING, "Lighting", "Освещение"},
    {IDS_TOOLS_TAB_BACKGROUND, "Background", "Фон"},
    {IDS_TOOLS_CAPTION, "Tools", "Инструменты"},
    {IDS_TOOLS_APPLY, "Apply", "Применить"},
    {IDS_TOOLS_HELP, "Help", "Помощь"},
    {IDS_TOOLS_CLOSE, "Close", "Закрыть"},
    {IDS_TOOLS_SCALE_GROUP, "Scale along Z", "Масштаб по Z"},
    {IDS_TOOLS_EXAGGERATION, "Exaggeration:", "Преувеличение:"},
    {IDS_TOOLS_NO_TRUE_SCALE, "The relief has no georeferencing: its true height is unknown",
     "У рельефа нет географической привязки: его истинная высота неизвестна"},
    {IDS_TOOLS_AZIMUTH, "Azimuth", "Азимут"},
    {IDS_TOOLS_ELEVATION, "Elevation", "Возвышение"},
    {IDS_TOOLS_AMBIENT, "Ambient light", "Фоновый свет"},
    {IDS_TOOLS_DIFFUSE, "Diffuse light", "Рассеянный свет"},
    {IDS_TOOLS_SPECULAR, "Specular light", "Отражённый свет"},
    {IDS_TOOLS_CHOOSE_COLOR, ">>", ">>"},
};

const lib3d::StringTableRegistrar kRegisterToolStrings(kToolStrings, std::size(kToolStrings));

}  // namespace

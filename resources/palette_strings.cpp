// Texts of the palette dialog.
#include <iterator>

#include "resources/palette_ids.h"
#include "resources/ModuleResources.h"

namespace {

const ResourceString kPaletteStrings[] = {
    {IDS_PAL_CAPTION, "Palette", "Палитра"},
    {IDS_PAL_INPUT_HISTOGRAM, "Input histogram", "Входная гистограмма"},
    {IDS_PAL_COLOR, "Color", "Цвет"},
    {IDS_PAL_INTERVAL, "Palette interval", "Интервал палитры"},
    {IDS_PAL_PALETTE, "Palette", "Палитра"},
    {IDS_PAL_BINS, "Bins number", "Число градаций"},
    {IDS_PAL_UPDATE, "Update", "Обновить"},
    {IDS_PAL_OUTPUT_HISTOGRAM, "Output histogram", "Выходная гистограмма"},
    {IDS_PAL_LOAD, "Load", "Загрузить"},
    {IDS_PAL_SAVE, "Save", "Сохранить"},
    {IDS_PAL_APPLY, "Apply", "Применить"},
    {IDS_PAL_CANCEL, "Cancel", "Отменить"},
    {IDS_PAL_MIN, "min", "min"},
    {IDS_PAL_MAX, "max", "max"},
    {IDS_PAL_REPLACE, "%s already exists. Replace it?", "%s уже существует. Заменить?"},
    {IDS_PAL_SAVE_AS, "Save As", "Сохранить как"},
    {IDS_PAL_OPEN, "Open", "Открыть"},
};

const lib3d::StringTableRegistrar kRegisterPaletteStrings(kPaletteStrings, std::size(kPaletteStrings));

}  // namespace

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
    {IDS_PAL_GDALDEM_FILES, "gdaldem colour table", "Таблица цветов gdaldem"},
    {IDS_PAL_CPT_FILES, "GMT colour table", "Таблица цветов GMT"},
    {IDS_PAL_TABLE_ERROR, "Cannot read the colour table %s: %s", "Не удаётся прочитать таблицу цветов %s: %s"},
    {IDS_PAL_TABLE_LINE, "line %d", "строка %d"},
    {IDS_PAL_TABLE_UNREADABLE, "cannot be read", "файл не читается"},
    {IDS_PAL_TABLE_NOT_REGULAR, "not a regular file", "это не обычный файл"},
    {IDS_PAL_TABLE_TOO_LARGE, "larger than any colour table", "файл больше любой таблицы цветов"},
    {IDS_PAL_TABLE_EXPECTED_ENTRY, "expected a height and three colour values", "ожидались высота и три значения цвета"},
    {IDS_PAL_TABLE_BAD_HEIGHT, "the height is not a number, nv or a percentage", "высота не число, не nv и не процент"},
    {IDS_PAL_TABLE_BAD_COLOUR, "colour values must be numbers from 0 to 255",
     "значения цвета должны быть числами от 0 до 255"},
    {IDS_PAL_TABLE_BAD_HSV, "hue must be 0 to 360, saturation and value 0 to 1",
     "тон должен быть от 0 до 360, насыщенность и яркость от 0 до 1"},
    {IDS_PAL_TABLE_UNKNOWN_NAME, "unknown colour name", "неизвестное название цвета"},
    {IDS_PAL_TABLE_EXPECTED_SLICE, "expected a slice: a height and a colour, twice",
     "ожидался интервал: дважды высота и цвет"},
    {IDS_PAL_TABLE_DESCENDING, "the slice ends below its start", "конец интервала ниже его начала"},
    {IDS_PAL_TABLE_MODEL, "only RGB and HSV colour models can be read", "читаются только цветовые модели RGB и HSV"},
    {IDS_PAL_TABLE_EMPTY, "no heights with colours", "нет ни одной высоты с цветом"},
};

const lib3d::StringTableRegistrar kRegisterPaletteStrings(kPaletteStrings, std::size(kPaletteStrings));

}  // namespace

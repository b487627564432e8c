// Strings of the viewer frame: title, language tag of the help book, toolbar tooltips and menu texts.
// A toolbar string is a status prompt (empty here), a newline and the tooltip. Menu texts are the
// label, a blank, a tab and the shortcut; wx reads what follows the tab as the item's accelerator.
#include <iterator>

#include "resources/ModuleResources.h"

namespace {

const ResourceString kFrameStrings[] = {
    {2755, " 3D Viewer", " Трёхмерный просмотр"},
    {2759, "Eng", "Rus"},
    {2765, "\nOpen file ( Ctrl+O )", "\nОткрыть файл ( Ctrl+O )"},
    {2748, "\nZoom In ( Ctrl+3 ), ( + )", "\nУвеличение ( Ctrl+3 ), ( + )"},
    {2747, "\nZoom Out ( Ctrl+4 ), ( - )", "\nУменьшение ( Ctrl+4 ), ( - )"},
    {2749, "\nPointer ( Ctrl+W )", "\nУказатель ( Ctrl+W )"},
    {2750, "\nPalette ( Ctrl+L )", "\nПалитра ( Ctrl+L )"},
    {2751, "\nTools ( Ctrl+T )", "\nИнструменты ( Ctrl+T )"},
    {2752, "\nHelp ( Ctrl+Z )", "\nПомощь ( Ctrl+Z )"},
    {30000, "File", "Файл"},
    {30001, "Open \tCtrl+O", "Открыть \tCtrl+O"},
    {30002, "Exit \tAlt+F4", "Выход \tAlt+F4"},
    {30003, "Mode", "Режим"},
    {30004, "Zoom In \tCtrl+3", "Увеличение \tCtrl+3"},
    {30005, "Zoom Out \tCtrl+4", "Уменьшение \tCtrl+4"},
    {30006, "Image", "Изображение"},
    {30007, "Palette \tCtrl+L", "Палитра \tCtrl+L"},
    {30008, "Analysis", "Анализ"},
    {30009, "Pointer \tCtrl+W", "Указатель \tCtrl+W"},
    {30010, "Tools", "Инструменты"},
    {30011, "Tools \tCtrl+T", "Инструменты \tCtrl+T"},
    {30120, "Save Picture... \tCtrl+S", "Сохранить изображение... \tCtrl+S"},
    {30121, "Copy View as Command \tCtrl+Shift+C", "Копировать вид как команду \tCtrl+Shift+C"},
    {30122, "Save Picture", "Сохранить изображение"},
    {30123, "File:", "Файл:"},
    {30124, "Browse...", "Обзор..."},
    {30125, "Width:", "Ширина:"},
    {30126, "Height:", "Высота:"},
    {30127, "Keep proportions", "Сохранять пропорции"},
    {30128, "Drawing the picture...", "Рисование изображения..."},
    {30129, "The picture was not saved", "Изображение не сохранено"},
    {30130, "The command that draws this picture is on the clipboard", "Команда, рисующая это изображение, скопирована в буфер обмена"},
    {30100, "N", "с. ш."},
    {30101, "S", "ю. ш."},
    {30102, "E", "в. д."},
    {30103, "W", "з. д."},
    {30104, "m", "м"},
    {30105, "ft", "фут"},
    {30106, "US ft", "амер. фут"},
    {30107, "no data", "нет данных"},
    {30111, "Heights from band %d of %d", "Высоты из канала %d из %d"},
    {30112, "Sharpening the relief: %zu of %zu tiles", "Уточнение рельефа: %zu из %zu фрагментов"},
    {30110, "The geotransform turns the grid; it is drawn north-up", "Геопривязка поворачивает сетку; она показана севером вверх"},
    {30109, "%zu cells of no data are holes", "%zu ячеек без данных показаны дырами"},
    {30108, "%zu cells hold %g, a common void value: give it as the no-data value in Open to make them holes",
     "%zu ячеек содержат %g, частое значение пустот: укажите его как значение «нет данных» в окне открытия, чтобы они стали дырами"},
};

const lib3d::StringTableRegistrar kRegisterFrameStrings(kFrameStrings, std::size(kFrameStrings));

}  // namespace

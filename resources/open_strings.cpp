// Texts of the Open dialog and of its data exchange.
#include "resources/open_ids.h"
#include "resources/ModuleResources.h"

namespace {

using namespace lib3d::open::ids;

const ResourceString kOpenStrings[] = {
    {kStrWidth, "Width", "Ширина"},
    {kStrHeight, "Height", "Высота"},
    {kStrCaption, "Open", "Открыть"},
    {kStrReliefGroup, "Relief file", "Файл рельефа"},
    {kStrFactorGroup, "Compression factor on input", "Коэффициент сжатия на входе"},
    {kStrSizeX, "Size X", "Ось X"},
    {kStrSizeY, "Size Y", "Ось Y"},
    {kStrKeepProportions, "Save proportions", "Сохранить пропорции"},
    {kStrNewSize, "New size", "Новый размер"},
    {kStrTexture, "Texture file", "Файл текстуры"},
    {kStrDrapeNote, "Laid over the ground by its georeferencing: %d x %d pixels of %s m; the factors reduce only the relief",
     "Ляжет на местность по своей привязке: %d x %d пикселей по %s м; коэффициенты сжимают только рельеф"},
    {kStrRgb, "RGB file", "RGB файл"},
    {kStrPick, "L", "L"},
    {kStrOpen, "Open", "Открыть"},
    {kStrCancel, "Cancel", "Отменить"},
    {kStrReadingGroup, "Reading the relief", "Чтение рельефа"},
    {kStrBand, "Band:", "Канал:"},
    {kStrOverviews, "Read reduced reliefs from overviews", "Читать уменьшенный рельеф из обзоров"},
    {kStrHoles, "No-data cells are holes", "Ячейки без данных — дыры"},
    {kStrNodataValue, "Undeclared no-data value:", "Своё значение «нет данных»:"},
    {kMsgInteger, "Please enter an integer.", "Введите целое число."},
    {kMsgNumber, "Please enter a number, or nothing.", "Введите число или оставьте поле пустым."},
    {kMsgIntegerRange, "Please enter an integer between %1 and %2.", "Введите целое число от %1 до %2."},
    {kMsgTooLarge,
     "At these compression factors the relief needs about %1 of memory, but only %2 can be used. "
     "Please enter factors of at least %3 and %4.",
     "При таких коэффициентах сжатия рельефу нужно около %1 памяти, а доступно только %2. "
     "Введите коэффициенты не меньше %3 и %4."},
};

const lib3d::StringTableRegistrar kRegisterOpenStrings(kOpenStrings, sizeof kOpenStrings / sizeof kOpenStrings[0]);

}  // namespace

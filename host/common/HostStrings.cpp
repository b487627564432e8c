// The host library's own string table, linked into the resource chain when the library is loaded
// (before any plug-in, so that every module's tables are searched before it).
#include "host/common/HostStrings.h"

#include "hostlib/Resources.h"

namespace {

const ResourceString kHostStrings[] = {
    // Palette kinds, in the order the palette dialog lists them: 317, 269, 270, 271, 272, 296,
    // 308, 309, 310.
    {317, "Grey", "Серая"},
    {269, "Blue to red", "От синего к красному"},
    {270, "Gradient between ends", "Градиент между концами"},
    {271, "Solid color", "Один цвет"},
    {272, "Six hues", "Шесть оттенков"},
    {296, "Hypsometric", "Гипсометрическая"},
    {308, "Purple to red", "От фиолетового к красному"},
    {309, "Hue cycle", "Цикл оттенков"},
    {310, "Blue to purple", "От синего к фиолетовому"},
    // Description of palette files in file dialogs.
    {273, "Palette files", "Файлы палитр"},

    // Texts of the host's controls and main window.
    {hoststr::kBrowse, "Browse...", "Обзор..."},
    {hoststr::kSizeFormat, "%d x %d", "%d x %d"},
    {hoststr::kNoFile, "No file chosen", "Файл не выбран"},
    {hoststr::kUnreadable, "Not a readable raster", "Файл не читается"},
    {hoststr::kOpenRaster, "Open raster", "Открыть растр"},
    {hoststr::kFileLabel, "File:", "Файл:"},
    {hoststr::kComponent, "Component of complex values", "Компонента комплексных значений"},
    {hoststr::kReal, "Real", "Действительная"},
    {hoststr::kImaginary, "Imaginary", "Мнимая"},
    {hoststr::kAmplitude, "Amplitude", "Амплитуда"},
    {hoststr::kPhase, "Phase", "Фаза"},
    {hoststr::kAllFiles, "All files", "Все файлы"},
    {hoststr::kRasterFiles, "Raster files", "Растровые файлы"},
    {hoststr::kHostTitle, "Relief 3D host", "Relief 3D: программа"},
    {hoststr::kRunTool, "Run", "Запустить"},
    {hoststr::kNoTools, "No tools found in %s", "В %s не найдено инструментов"},
    {hoststr::kHelpMissing, "The help file is missing: %s", "Нет файла справки: %s"},
    {hoststr::kPathHint, "Path or URL, then Enter", "Путь или URL, затем Enter"},
};

const ResourceString* const kTables[] = {kHostStrings};
const std::size_t kSizes[] = {sizeof kHostStrings / sizeof kHostStrings[0]};

ResourceModule make_module() {
  ResourceModule m;
  m.name = "basekit";
  m.tables = kTables;
  m.tableSizes = kSizes;
  m.tableCount = 1;
  return m;
}

const ResourceModule kHostModule = make_module();

struct LinkAtLoad {
  LinkAtLoad() { LinkResourceModule(&kHostModule); }
} linkAtLoad;

}  // namespace

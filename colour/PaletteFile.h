#pragma once
// Palette files (*.pal): a text file of 262 lines holding the four range values and the 256 entries of
// the edited palette. Plain code without any window or toolkit header, so that the reader can be
// built on its own (the fuzz target does).
#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <sys/types.h>
#include <vector>

namespace lib3d {
namespace palette {

struct PaletteFileData {
  int inMin = 0;
  int inMax = 255;
  int outMin = 0;
  int outMax = 255;
  std::array<std::uint32_t, 256> palette{};  // colour words 0x00BBGGRR
};

// The file's text: header, four key lines, the palette heading and 256 lines "index R G B", each line
// ended by '\n' (the platform's text-mode line break).
std::string format_palette_file(const PaletteFileData& data);

// Why a read gave no palette (for tests and diagnostics; the dialog stays silent in every case).
enum class ReadError {
  None,
  MissingKey,        // the file ended before one of the four keys
  MissingQuotes,     // a key line without its two single quotes
  BadRangeValue,     // a quoted value that is not an integer within 0..255
  MissingHeading,    // no "PALETTE (index R G B)" line after the keys
  ShortPalette,      // fewer than 256 lines after the heading
  BadPaletteLine,    // a line that does not hold exactly four integers
  BadIndex,          // an index outside 0..255
  MissingEntry,      // some index named by no line
};

// Scans a palette file. Keys are searched in the order inHistmin, inHistmax, outHistmin, outHistmax,
// each from the line after the previous find, anywhere in a line (text around them is ignored); the
// value is the text between the line's first single quote and the next one. The heading follows, then
// exactly the next 256 lines are read as "index red green blue"; components keep their low 8 bits
// (so -1 reads as 255), a later line for the same index replaces an earlier one.
//
// What a file written by this program never holds is refused instead of guessed at: range values or
// indices outside 0..255, numbers that are not integers or do not fit in 32 bits, a palette line with
// other than four numbers, fewer than 256 palette lines, or an index that no line names. On any
// refusal `out` is left untouched and the reason is returned; a line break may be "\n" or "\r\n".
ReadError read_palette_file(std::istream& in, PaletteFileData& out);
ReadError read_palette_file(const std::string& contents, PaletteFileData& out);
// A valid file is about 3 KB; anything beyond this is refused unread.
constexpr std::size_t kMaxPaletteFileBytes = 1u << 20;

// Reads `path` whole into `text` when it is a regular file of at most kMaxPaletteFileBytes (checked on
// a non-blocking descriptor first, so that a FIFO, a device or a huge file never blocks or fills
// memory); `system` gets strerror's text of a failed open or read, or the size of a file too large.
enum class FileRefusal { None, Unreadable, NotRegular, TooLarge };
FileRefusal read_small_file(const std::string& path, std::string& text, std::string& system);

// Reads `path` when it is a regular file of at most kMaxPaletteFileBytes (checked on a non-blocking
// descriptor first, so that a FIFO, a device or a huge file never blocks or fills memory); false
// when it cannot be read or read_palette_file refuses it, with a one-line `cause` when given.
bool load_palette_file(const std::string& path, PaletteFileData& out, std::string* cause = nullptr);

// The write(2)-shaped function used for saving; replaceable so that tests can make a write fail.
using WriteFunction = std::function<ssize_t(int fd, const void* buf, std::size_t count)>;

// Writes the file beside its target under a temporary name and renames it over the target only when
// every byte reached the disk (then syncs the directory), so a failing write never destroys an
// existing file and never leaves the temporary one. The target is the file `path` finally names
// (symbolic links are followed, the link stays). An existing target keeps its permissions and, where
// this process may set them, its owner and group; a new one gets 0666 less the umask. A target that is
// not a regular file, or is read-only, is refused. A target with several hard links is rewritten in
// place instead, so all its names keep sharing it; should that write fail, the old bytes are put
// back. A file-size limit (SIGXFSZ) makes the save fail instead of ending the process. False on any
// failure.
bool save_palette_file(const std::string& path, const PaletteFileData& data,
                       const WriteFunction& write = WriteFunction());
// The same care for any text the palette editor saves (colour tables).
bool save_text_file(const std::string& path, const std::string& bytes, const WriteFunction& write = WriteFunction());

// The directory part of a chosen path, as remembered for the file dialogs: everything before the last
// separator, which is '/' when the last '/' follows the last '\\' and '\\' otherwise; empty without one.
std::string directory_of(const std::string& path);

// The palette a view shows: a palette file's as the editor sends it after loading the file (its
// levels mapped), else base palette `baseKind` over the whole range drawn on white, else (-1) the
// all-white palette a new viewer starts with.
std::vector<std::uint32_t> view_palette(const PaletteFileData* file, int baseKind);

}  // namespace palette
}  // namespace lib3d

#pragma once

#include <filesystem>
#include <functional>
#include <string>

class QPagedPaintDevice;
class QPrinter;

namespace orv {

// Draws a document's pages on a paged device; returns an empty string when every page was
// drawn, otherwise why not.
using PageDrawing = std::function<std::string(QPagedPaintDevice& device)>;

// Writes the pages `draw` draws as a PDF file at `path`, set up as `printer` is (its page
// layout, resolution, document name and creator). The PDF is made in memory and written whole
// through the program's atomic writer, so that a write that fails (a full disk, a file-size
// limit) is reported with its reason and leaves the old file exactly as it was; a path that may
// not be replaced (a folder, a named pipe, a device, a read-only file) is refused before
// anything is drawn. Returns an empty string on success, otherwise the reason, naming the file.
std::string WritePdfFile(const QPrinter& printer, const std::filesystem::path& path,
                         const PageDrawing& draw);

// Prints the pages `draw` draws through `printer` as the user chose it: a printer that writes
// a file (a PDF file, or "print to file") has it written by `WritePdfFile` to its output file;
// any other printer is drawn on directly. Returns an empty string on success, otherwise why not.
std::string PrintThrough(QPrinter& printer, const PageDrawing& draw);

// Sets the resolution of a printer or a PDF writer (other devices have a fixed one).
void SetPageResolution(QPagedPaintDevice& device, int dotsPerInch);

}  // namespace orv

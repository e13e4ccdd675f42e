#pragma once

#include <QString>
#include <filesystem>
#include <string>

#include "app/graph_model.h"

class QPagedPaintDevice;

namespace orv {

// The title printed above the graph.
inline constexpr const char* kGraphPrintTitle = "Orvantis Graph";

// The graph as pictures and printed pages: the shown curves with their axes, cursor lines and
// a legend naming each curve with its unit and curve-list text, drawn from `model` on a canvas
// of their own (the window's graph is left as it is). Errors of the engine's curve values (a
// floating-point fault) travel to the caller. With a `reference` (the graph model over a
// reference engine) its curves are drawn dashed beside the current engine's, as in the window.

// The picture's bytes: PNG and BMP `width` by `height` pixels, SVG with that view box, PDF one
// page of `width` by `height` points. `title` (when not empty) is drawn above the graph.
std::string RenderGraphPicture(const GraphModel& model, PictureFormat format, int width, int height,
                               const QString& title = {}, const GraphModel* reference = nullptr);

// Writes the picture whole to `path` (through a temporary file in the same folder, so that a
// failed write leaves nothing half-written). Returns an empty text on success, otherwise the
// reason with the path.
std::string WriteGraphPicture(const GraphModel& model, const std::filesystem::path& path,
                              PictureFormat format, int width, int height,
                              const GraphModel* reference = nullptr);

// Prints the graph with its legend under the title "Orvantis Graph" on one page of `printer`
// (set up by the printer choice, or a PDF writer set up as the chosen printer). Returns false
// when the printer cannot be painted on.
bool PrintGraph(const GraphModel& model, QPagedPaintDevice& printer,
                const GraphModel* reference = nullptr);

}  // namespace orv

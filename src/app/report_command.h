#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/application.h"
#include "reports/report_builder.h"

namespace orv {

// The report of a command-line name: "general", "intake", "exhaust", "details".
std::optional<ReportKind> ReportKindOfName(std::string_view name) noexcept;

// Builds a report for the screen from the application's engine, settings and interface texts.
// The general report's second-stage sections are included when `secondStage` is true (the
// window passes whether its second input stage is open); the output pages it reads are
// refilled first. The comparison report compares the engine with the application's reference
// engine (or says that none is set). `enginePath` is the engine file named in the title. Errors of
// the engine travel to the caller.
std::string BuildScreenReport(Application& app, ReportKind kind, bool secondStage,
                              const std::string& enginePath, const ReportStamp& stamp);

// Prints a report on pages laid out for the printer's metrics; the pages go to `sink`.
void PrintReport(Application& app, ReportKind kind, bool secondStage, const std::string& enginePath,
                 const ReportStamp& stamp, const PrinterMetrics& printer, ReportPageSink& sink);

// Writes a report text to `path` exactly as built. When it cannot be written the prompter
// beeps and shows miscellaneous text 23 in a warning titled with one blank, followed by the path
// and the reason on lines of their own, and the result is false.
bool WriteReportTo(Application& app, const std::filesystem::path& path, std::string_view text);

// File, Save Report: asks for the report file (starting from the last one, setting "Report")
// and writes the last report text there; the chosen file becomes the last report file.
// Returns false when cancelled or not written.
bool SaveToFile(Application& app, std::string_view text);

// A degree range typed as "FROM,TO,STEP", checked as the report setup dialog checks it: from
// and to within -360..360 (text 130), from below to (text 131), the step above 0 and not above
// 90 (text 132). Gives the three values, or the message why not (`error`).
std::optional<std::array<float, 3>> ParseDegreeRange(std::string_view text,
                                                     const InterfaceStrings& strings,
                                                     std::string& error);

// Reads the report settings (sections, headings, degree ranges, customer heading, unit system)
// of the configuration file in the data root `dataRoot` when that file exists; the other
// settings stay. Returns false (after telling why on the prompter) when the file exists but
// cannot be read as a configuration file.
bool ReadReportSettings(Application& app, const std::filesystem::path& dataRoot);

}  // namespace orv

#pragma once

#include "engine/Frame.h"
#include "report/Messages.h"
#include "report/ReportOptions.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One frame as a JSON object on one line, ended by a line feed: its values, or its flaw with
// the place; with --check the verdict and the byte the frame should end with; with --append
// the frame; with --lines its line number. `wellFormedAs` names the other formats that read the
// text, `matches` the checks a frame that fails its check matches; `time`, where given, is when
// its line end arrived. The object is valid JSON whatever bytes the text holds.
std::string JsonFrame(const TReportOptions& options, std::string_view text, const TFrame& frame,
                      const std::vector<std::uint8_t>& bytes, std::optional<std::size_t> line,
                      const std::vector<std::string_view>& wellFormedAs,
                      const std::vector<TOtherCheck>& matches = {}, std::string_view time = {});

// A line of a log that a port error fell in (or, with no line begun, the error alone): which
// error, and the column of the line's first character after it.
std::string JsonPortError(std::size_t line, TPortFault fault, std::size_t column,
                          std::string_view time);

// A line longer than a checker keeps, cut at `limit` bytes and the rest dropped.
std::string JsonOverlong(std::size_t line, std::size_t limit, std::string_view time);

// The last line of --lines --json: the tally (with the port errors where the log is a port's).
std::string JsonSummary(const TTally& tally, bool port = false);

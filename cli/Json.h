#pragma once

#include "cli/Messages.h"
#include "cli/Options.h"
#include "engine/Frame.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One frame as a JSON object on one line, ended by a line feed: its values, or its flaw with
// the place; with --check the verdict and the byte the frame should end with; with --append
// the frame; with --lines its line number. `wellFormedAs` names the other formats that read the
// text. The object is valid JSON whatever bytes the text holds.
std::string JsonFrame(const TOptions& options, std::string_view text, const TFrame& frame,
                      const std::vector<std::uint8_t>& bytes, std::optional<std::size_t> line,
                      const std::vector<std::string_view>& wellFormedAs);

// The last line of --lines --json: the tally.
std::string JsonSummary(const TTally& tally);

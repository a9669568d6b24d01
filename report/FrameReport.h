#pragma once

#include "report/ReportOptions.h"

#include <string>
#include <string_view>

// What sumvane-lrc says of one frame's text: its standard output, its standard error and its
// exit status (ExitOk or ExitMalformed).
struct TFrameAnswer
{
    int Status = ExitOk;
    std::string Out;
    std::string Err;
};

// The answer to `text` read as one frame. `fileName`, where the text given names an existing
// file, is that name, for the hint that its contents belong on standard input.
TFrameAnswer AnswerFrame(const TReportOptions& options, std::string_view text,
                         std::string_view fileName = {});

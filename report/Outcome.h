#pragma once

#include "engine/Frame.h"
#include "report/Messages.h"
#include "report/ReportOptions.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a frame came to, as a report counts it.
enum class TOutcome
{
    Good,
    WrongLrc,
    Malformed
};

inline TOutcome OutcomeOf(const TReportOptions& options, const TFrame& frame)
{
    if (frame.Flaw)
        return TOutcome::Malformed;
    return options.check && frame.Result.Lrc != 0 ? TOutcome::WrongLrc : TOutcome::Good;
}

// Reads a frame as the options ask. A Modbus ASCII frame to be built is given without its colon
// and LRC, so its data reads as packed pairs; a frame to be built hands its bytes to `bytes`.
inline TFrame ReadFrame(const TFrameReader& reader, std::string_view text, TFrameFormat format,
                        bool append, std::vector<std::uint8_t>* bytes = nullptr)
{
    if (append && format == TFrameFormat::ModbusAscii)
        format = TFrameFormat::Packed;
    if (bytes)
        bytes->clear();
    return reader.Read(text, format, append ? bytes : nullptr);
}

// "ends with 7F, should end with 7E", with `should` the words before the byte it should end with.
inline std::string Mismatch(const TFrame& frame, std::string_view should)
{
    return "ends with " + HexOf(frame.LastByte) + ", " + std::string(should) + " end with " +
           HexOf(ExpectedLastByte(frame));
}

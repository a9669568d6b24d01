#include "report/FrameReport.h"

#include "report/Json.h"
#include "report/Messages.h"
#include "report/Outcome.h"

#include <vector>

TFrameAnswer AnswerFrame(const TReportOptions& options, std::string_view text,
                         std::string_view fileName)
{
    const TFrameFormat format = options.Format();
    TFrameReader reader;
    std::vector<std::uint8_t> bytes;
    const TFrame frame = ReadFrame(reader, text, format, options.append, &bytes);
    const TOutcome outcome = OutcomeOf(options, frame);
    TFrameAnswer answer;
    answer.Status = outcome == TOutcome::Good ? ExitOk : ExitMalformed;
    if (options.status)
        return answer;

    // Frames copied from a serial monitor or from code often come in another format.
    std::vector<std::string_view> wellFormedAs;
    if (frame.Flaw && !options.format) {
        for (const auto& [name, other] : FormatNames) {
            if (other != format && !ReadFrame(reader, text, other, options.append).Flaw)
                wellFormedAs.push_back(name);
        }
    }
    std::vector<TOtherCheck> matches;
    if (outcome == TOutcome::WrongLrc) {
        reader.Read(text, format, &bytes);
        matches = OtherChecksOf(text, format, bytes);
    }
    if (options.json) {
        answer.Out = JsonFrame(options, text, frame, bytes, std::nullopt, wellFormedAs, matches);
        return answer;
    }
    if (frame.Flaw) {
        answer.Err = "sumvane-lrc: " + std::string(MalformedWords) + " at " +
                     PlaceText(PlaceOf(text, *frame.Flaw), *frame.Flaw, false) + ": " +
                     FlawText(*frame.Flaw, format) + " (" +
                     std::string(ExpectedText(format, options.append)) + ")\n";
        for (const std::string_view name : wellFormedAs)
            answer.Err +=
                "sumvane-lrc: hint: it is well-formed as --format " + std::string(name) + "\n";
        if (!fileName.empty())
            answer.Err += "sumvane-lrc: hint: '" + std::string(fileName) +
                          "' is a file; to check what it holds, give it on standard input: " +
                          "sumvane-lrc < " + std::string(fileName) + "\n";
    } else if (options.append) {
        answer.Out = AppendedFrame(text, format, bytes, frame.Result.Lrc);
    } else if (outcome == TOutcome::WrongLrc) {
        answer.Err = "sumvane-lrc: LRC mismatch: the frame " + Mismatch(frame, "it should") +
                     OtherChecksText(matches, frame.LastByte) + "\n";
    } else if (options.check) {
        answer.Out = "check: ok\n";
    } else {
        answer.Out = FieldText(frame.Result, options.field.value_or(TField::All)) + "\n";
    }
    return answer;
}

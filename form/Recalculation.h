#pragma once

#include "form/Display.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Milliseconds on a clock the front end keeps: any origin, never going back.
using TMilliseconds = std::int64_t;

// What a change of the data field comes to, for every front end: the text becomes what the
// window shows, and the status that display settles on becomes due for assistive technology
// once the text has rested the quiet time. The front end hands in the text and its clock, paints
// the display, and runs one timer that calls Settle when SettlesAt says; nothing else.
class TRecalculation
{
public:
    explicit TRecalculation(TMilliseconds quiet = StatusQuietMilliseconds) : m_quiet(quiet) {}

    // Edit1's text changed at `now`: what the window shows for it. Throws ELrcError when the
    // calculation fails rather than decides; the pending status then stays as it was.
    TDisplay Change(std::u16string_view text, TMilliseconds now);
    // The same for the text as UTF-8 (the page hands it over so); bytes that are not UTF-8 make
    // it malformed, as a lone surrogate does the UTF-16 text.
    TDisplay ChangeUtf8(std::string_view utf8, TMilliseconds now);

    // When the pending status will have rested the quiet time; nothing when none is pending.
    std::optional<TMilliseconds> SettlesAt() const;

    // The clock reads `now`: the status to announce, once it has rested the quiet time and
    // differs from the one last announced (a blank that changes nothing, or a detour through
    // "malformed" and back, says nothing new). Nothing before that; each status once.
    std::optional<std::u16string> Settle(TMilliseconds now);

private:
    TDisplay Changed(const TDisplay& display, TMilliseconds now);

    TMilliseconds m_quiet;
    std::optional<TMilliseconds> m_changedAt; // set while a status is pending
    std::u16string m_pending;
    std::u16string m_announced;
};

#include "form/Recalculation.h"

#include "engine/Lrc.h"

TDisplay TRecalculation::Change(std::u16string_view text, TMilliseconds now)
{
    return Changed(DisplayFor(CalculateLrc(text)), now);
}

TDisplay TRecalculation::ChangeUtf8(std::string_view utf8, TMilliseconds now)
{
    return Changed(DisplayFor(CalculateLrcUtf8(utf8)), now);
}

TDisplay TRecalculation::Changed(const TDisplay& display, TMilliseconds now)
{
    // Every change starts the quiet time again, even one that leaves the status as it was.
    m_pending = display.Label9Caption;
    m_changedAt = now;
    return display;
}

std::optional<TMilliseconds> TRecalculation::SettlesAt() const
{
    if (!m_changedAt)
        return std::nullopt;
    return *m_changedAt + m_quiet;
}

std::optional<std::u16string> TRecalculation::Settle(TMilliseconds now)
{
    const std::optional<TMilliseconds> due = SettlesAt();
    if (!due || now < *due)
        return std::nullopt;
    m_changedAt.reset();
    if (m_pending == m_announced)
        return std::nullopt;
    m_announced = m_pending;
    return m_announced;
}

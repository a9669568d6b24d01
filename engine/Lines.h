#pragma once

#include <string>
#include <string_view>

// Cuts a stream of text into lines at LF, CR LF or CR, however the chunks fall; the line end
// is not part of the line. Holds one line at a time. onLine(std::string_view line) is called
// once per line, in order.
class TLineSplitter
{
public:
    template <typename OnLine> void Feed(std::string_view chunk, OnLine onLine)
    {
        for (std::size_t at = 0; at < chunk.size();) {
            if (m_afterCr && chunk[at] == '\n') {
                m_afterCr = false;
                ++at;
                continue;
            }
            m_afterCr = false;
            const std::size_t end = chunk.find_first_of("\r\n", at);
            if (end == std::string_view::npos) {
                m_line.append(chunk.substr(at));
                return;
            }
            // A line that lies wholly in the chunk is handed on without a copy.
            if (m_line.empty()) {
                onLine(chunk.substr(at, end - at));
            } else {
                m_line.append(chunk.substr(at, end - at));
                onLine(std::string_view(m_line));
                m_line.clear();
            }
            m_afterCr = chunk[end] == '\r';
            at = end + 1;
        }
    }

    // The last line, when the text does not end with a line end.
    template <typename OnLine> void Finish(OnLine onLine)
    {
        if (!m_line.empty())
            onLine(std::string_view(m_line));
        m_line.clear();
    }

private:
    std::string m_line;
    bool m_afterCr = false;
};

#include "cli/SerialPort.h"

void TMarkedInput::Decode(std::string_view raw,
                          const std::function<void(std::string_view)>& onBytes,
                          const std::function<void(TPortFault)>& onFault)
{
    m_plain.clear();
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (m_pending == 0) {
            if (byte == 0xFF)
                m_pending = 1;
            else
                m_plain += c;
        } else if (m_pending == 1) {
            if (byte == 0x00) {
                m_pending = 2;
                continue;
            }
            // FF FF is a byte FF; FF before anything else is no mark, and is kept as it came.
            m_plain += '\xFF';
            if (byte != 0xFF)
                m_plain += c;
            m_pending = 0;
        } else {
            // The character of a mark is not what was sent: it is reported, not passed on.
            if (!m_plain.empty())
                onBytes(m_plain);
            m_plain.clear();
            onFault(byte == 0x00 ? TPortFault::Break : m_fault);
            m_pending = 0;
        }
    }
    if (!m_plain.empty())
        onBytes(m_plain);
}

#include "platform/comm/hartip/HartIpReassembler.h"

namespace comm {

HartIpReassembler::HartIpReassembler(int maxMessageSize)
    : m_maxMessageSize(maxMessageSize)
{
}

bool HartIpReassembler::feed(QByteArrayView bytes)
{
    if (failed())
        return false;
    m_buffer.append(bytes);
    while (m_buffer.size() >= kHartIpHeaderSize) {
        HartIpHeader header;
        QString why;
        if (!decodeHartIpHeader(m_buffer, header, &why, m_maxMessageSize)) {
            m_error = why;
            m_buffer.clear();
            return false;
        }
        if (m_buffer.size() < header.byteCount)
            break;
        HartIpMessage message;
        message.header = header;
        message.body = m_buffer.mid(kHartIpHeaderSize, header.byteCount - kHartIpHeaderSize);
        m_buffer.remove(0, header.byteCount);
        m_ready.push_back(std::move(message));
    }
    return true;
}

std::optional<HartIpMessage> HartIpReassembler::next()
{
    if (m_ready.empty())
        return std::nullopt;
    HartIpMessage message = std::move(m_ready.front());
    m_ready.pop_front();
    return message;
}

void HartIpReassembler::reset()
{
    m_buffer.clear();
    m_ready.clear();
    m_error.clear();
}

} // namespace comm

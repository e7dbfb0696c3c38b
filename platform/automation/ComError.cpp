#include "platform/automation/ComError.h"

namespace automation {

ComError::ComError(int32_t number, QString description, QString source)
    : m_number(number), m_description(std::move(description)), m_source(std::move(source))
{
    m_what = QStringLiteral("0x%1 %2 (%3)")
                 .arg(static_cast<uint32_t>(m_number), 8, 16, QLatin1Char('0'))
                 .arg(m_description, m_source)
                 .toStdString();
}

} // namespace automation

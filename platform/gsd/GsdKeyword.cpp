#include "platform/gsd/GsdKeyword.h"
#include <utility>

namespace gsd {

GsdKeyword::GsdKeyword(QString name, Kind kind, QString text, std::vector<int64_t> values, int line)
    : m_name(std::move(name)), m_kind(kind), m_text(std::move(text)), m_values(std::move(values)), m_line(line)
{
}

int64_t GsdKeyword::NumericValue(bool* ok) const
{
    const bool single = m_kind == Kind::Numbers && m_values.size() == 1;
    if (ok)
        *ok = single;
    return single ? m_values.front() : 0;
}

} // namespace gsd

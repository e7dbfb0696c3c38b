#include "fennick/dataset/clsDataBag.h"
#include "fennick/services/Debugging.h"

void clsDataBag::SetChannelCount(int32_t count)
{
    if (count <= 0) {
        m_channels.clear();
        return;
    }
    m_channels.resize(count);
}

QString clsDataBag::ChannelData(int32_t index) const
{
    if (index < 1 || index > ChannelCount()) {
        Debugging::TraceError(QStringLiteral("clsDataBag.ChannelData (get) : Invalid index"));
        return QString();
    }
    return m_channels[index - 1];
}

void clsDataBag::SetChannelData(int32_t index, const QString& text)
{
    if (index < 1 || index > ChannelCount()) {
        Debugging::TraceError(QStringLiteral("clsDataBag.ChannelData (let): Invalid index"));
        return;
    }
    m_channels[index - 1] = text;
}

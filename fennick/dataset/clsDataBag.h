#pragma once
// One DTM dataset on its way between the data manager and the frame's
// property bag: the DTM parameter document and one document per channel
// (indices 1 to ChannelCount).
#include <QString>
#include <QStringList>
#include <cstdint>

class clsDataBag {
public:
    int32_t ChannelCount() const { return static_cast<int32_t>(m_channels.size()); }
    // 0 or less empties the list; otherwise the list gets count entries,
    // keeping the texts at the indices that remain.
    void SetChannelCount(int32_t count);
    // Index 1..ChannelCount; outside it is traced and nothing is stored, or
    // the empty text is returned.
    QString ChannelData(int32_t index) const;
    void SetChannelData(int32_t index, const QString& text);
    QString DtmParameters() const { return m_parameters; }
    void SetDtmParameters(const QString& text) { m_parameters = text; }

private:
    QStringList m_channels;
    QString m_parameters;
};

#pragma once
// One channel of a DTM, as the frame reads and writes it.
#include <QString>

namespace fdt {

class IFdtChannel {
public:
    virtual ~IFdtChannel() = default;

    virtual QString GetChannelParameters(const QString& parameterPath, const QString& protocolId) = 0;
    virtual QString GetChannelPath() = 0;
    virtual bool SetChannelParameters(const QString& parameterPath, const QString& protocolId,
                                      const QString& xmlDocument) = 0;
};

} // namespace fdt

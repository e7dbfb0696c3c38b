#pragma once
// The dataset of a DTM as a parameter document.
#include <QString>

namespace fdt {

class IDtmParameter {
public:
    virtual ~IDtmParameter() = default;

    virtual QString GetParameters(const QString& parameterPath) = 0;
    virtual bool SetParameters(const QString& parameterPath, const QString& xmlDocument) = 0;
};

} // namespace fdt

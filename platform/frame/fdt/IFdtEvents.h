#pragma once
// What the frame tells a DTM about its dataset: another party changed it,
// locked it or unlocked it.
#include <QString>

namespace fdt {

class IFdtEvents {
public:
    virtual ~IFdtEvents() = default;

    virtual void OnChildParameterChanged(const QString& systemTag) = 0;
    virtual void OnLockDataSet(const QString& systemTag, const QString& userName) = 0;
    virtual void OnParameterChanged(const QString& systemTag, const QString& parameter) = 0;
    virtual bool OnUnlockDataSet(const QString& systemTag, const QString& userName) = 0;
};

} // namespace fdt

#pragma once
// The frame's container of one DTM instance: schema folder, save request and
// the dataset lock.
#include <QString>

namespace fdt {

class IFdtContainer {
public:
    virtual ~IFdtContainer() = default;

    // The folder of the FDT schemas the frame's documents follow.
    virtual QString GetXmlSchemaPath() = 0;
    // True when the frame granted the lock of the instance's dataset.
    virtual bool LockDataSet(const QString& systemTag) = 0;
    // True when the frame will save the instance (it calls the DTM's
    // persistence later).
    virtual bool SaveRequest(const QString& systemTag) = 0;
    virtual bool UnlockDataSet(const QString& systemTag) = 0;
};

} // namespace fdt

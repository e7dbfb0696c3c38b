#pragma once
// The container's bulk-data interface: a folder of files for one DTM instance.
#include <QString>

namespace fdt {

class FrameBulkData {
public:
    virtual ~FrameBulkData() = default;

    // The folder (ending in "/") that belongs to the instance; raises
    // automation::ComError when the frame has none for it.
    virtual QString GetBulkDataPath(const QString& systemTag) = 0;
};

} // namespace fdt

#pragma once
// Applications (windows) of a DTM that the frame starts and ends.
#include <QString>

namespace fdt {

class IDtmApplication {
public:
    virtual ~IDtmApplication() = default;

    virtual bool StartApplication(const QString& invokeId, const QString& functionCall, const QString& windowTitle) = 0;
    virtual bool ExitApplication(const QString& invokeId) = 0;
};

} // namespace fdt

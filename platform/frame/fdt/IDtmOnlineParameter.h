#pragma once
// Uploads and downloads of the dataset that the frame requests.
#include <QString>

namespace fdt {

class IDtmOnlineParameter {
public:
    virtual ~IDtmOnlineParameter() = default;

    virtual bool CancelAction(const QString& invokeId) = 0;
    virtual bool DownloadRequest(const QString& invokeId, const QString& parameterPath) = 0;
    virtual bool UploadRequest(const QString& invokeId, const QString& parameterPath) = 0;
};

} // namespace fdt

#pragma once
// What a DTM tells the frame. Every event carries the DTM's system tag first.
#include <QString>
#include <cstdint>

namespace fdt {

class IDtmEvents {
public:
    virtual ~IDtmEvents() = default;

    virtual void OnApplicationClosed(const QString& systemTag, const QString& invokeId) = 0;
    virtual void OnDownloadFinished(const QString& systemTag, const QString& invokeId, bool success) = 0;
    virtual void OnErrorMessage(const QString& systemTag, const QString& message) = 0;
    virtual void OnFunctionChanged(const QString& systemTag) = 0;
    virtual void OnInvokedFunctionFinished(const QString& systemTag, const QString& invokeId, bool success) = 0;
    virtual void OnOnlineStateChanged(const QString& systemTag, bool connected) = 0;
    virtual void OnParameterChanged(const QString& systemTag, const QString& parameter) = 0;
    virtual void OnPreparedToRelease(const QString& systemTag) = 0;
    virtual void OnPreparedToReleaseCommunication(const QString& systemTag) = 0;
    virtual void OnProgress(const QString& systemTag, const QString& title, int32_t percent, bool show) = 0;
    virtual void OnUploadFinished(const QString& systemTag, const QString& invokeId, bool success) = 0;
};

} // namespace fdt

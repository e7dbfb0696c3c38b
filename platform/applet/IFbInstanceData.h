#pragma once
// The instance-data store that the client of the applet host supplies
// (fncSetDBInstance): the host reads and writes the persisted values of its
// items through it. Each member returns a COM result, 0 for success.
#include "platform/applet/ParameterInfo.h"
#include <QString>
#include <QVariant>
#include <cstdint>

namespace applet {

class IFbInstanceData {
public:
    virtual ~IFbInstanceData() = default;

    virtual int32_t fncC2VBString(int32_t address, QString& text) = 0;
    // value: the stored value (as text), or an empty variant when the store
    // does not hold the name.
    virtual int32_t ReadParameter(const QVariant& context, const QString& instanceId, const QString& name,
                                  QVariant& value) = 0;
    virtual int32_t WriteParameter(const QVariant& context, const QString& instanceId, const QString& name,
                                   const QVariant& value) = 0;
    // Stores info.Name() = info.Value(); the host saves through this member.
    virtual int32_t WriteParameterInfo(const QVariant& context, const QString& instanceId,
                                       const clsParameterInfo& info) = 0;
    virtual int32_t DeleteParameter(const QVariant& context, const QString& instanceId, const QString& name) = 0;
    virtual int32_t OpenInstance(const QVariant& context, const QString& instanceId, int32_t connection) = 0;
    virtual int32_t CloseInstance(const QVariant& context, const QString& instanceId) = 0;
};

} // namespace applet

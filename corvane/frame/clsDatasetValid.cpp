#include "corvane/frame/clsDatasetValid.h"

clsDatasetValid::clsDatasetValid() = default;
clsDatasetValid::~clsDatasetValid() = default;

void clsDatasetValid::Register(const std::shared_ptr<IViewEx>& /*myView*/)
{
    m_registered = true;
}

void clsDatasetValid::UnRegister()
{
    m_registered = false;
}

void clsDatasetValid::Abort()
{
    CompatibilityCheck();
}

void clsDatasetValid::HandleUploadCompleted()
{
    CompatibilityCheck();
}

int clsDatasetValid::CompatibilityCheck()
{
    return kFits;
}

void clsDatasetValid::SoftwareRevision_ValueChanged(short /*index*/, const QString& /*Value*/, bool /*suppressRule*/) {}

void clsDatasetValid::m_SeqGetDeviceInfo_StatusChanged(int32_t /*sequenceStatus*/) {}

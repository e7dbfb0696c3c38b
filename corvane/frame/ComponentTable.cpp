#include "corvane/frame/ComponentTable.h"
#include "corvane/frame/clsConnEventHandler.h"
#include "corvane/frame/clsCurrSeqMgr.h"
#include "corvane/frame/clsDatasetValid.h"
#include "corvane/frame/clsFactoryReset.h"
#include "corvane/frame/clsHandleDataBurn.h"
#include "corvane/frame/clsMenuMgr.h"
#include "corvane/frame/clsRecordMgr.h"
#include "corvane/frame/clsReportFactory.h"
#include "corvane/frame/clsUpDownloadMgr.h"
#include "corvane/rules/clsAiObjectMgr.h"
#include "corvane/rules/clsMvCalculation.h"
#include "corvane/rules/clsPbObjectMgr.h"
#include "corvane/rules/clsTtrbObjectMgr.h"
#include "corvane/rules/clsUserCurve.h"

namespace corvane {

namespace {

template <class Component>
std::shared_ptr<IStartAlwaysComp> Make()
{
    return std::make_shared<Component>();
}

} // namespace

const std::vector<ComponentEntry>& ComponentTable()
{
    static const std::vector<ComponentEntry> table = {
        {QStringLiteral("clsMenuMgr"), &Make<clsMenuMgr>},
        {QStringLiteral("clsRecordMgr"), &Make<clsRecordMgr>},
        {QStringLiteral("clsCurrSeqMgr"), &Make<clsCurrSeqMgr>},
        {QStringLiteral("clsUploadDownloadMgr"), &Make<clsUpDownloadMgr>},
        {QStringLiteral("clsConnEventHandler"), &Make<clsConnEventHandler>},
        {QStringLiteral("clsHandleDataBurn"), &Make<clsHandleDataBurn>},
        {QStringLiteral("clsUserCurve"), &Make<clsUserCurve>},
        {QStringLiteral("clsDatasetValidation"), &Make<clsDatasetValid>},
        {QStringLiteral("clsTtrbObjectMgr"), &Make<clsTtrbObjectMgr>},
        {QStringLiteral("clsPbObjectMgr"), &Make<clsPbObjectMgr>},
        {QStringLiteral("clsMvCalculation"), &Make<clsMvCalculation>},
        {QStringLiteral("clsFactoryReset"), &Make<clsFactoryReset>},
        {QStringLiteral("clsHTMLReportFactory"), &Make<clsReportFactory>},
        {QStringLiteral("clsAiObjectMgr"), &Make<clsAiObjectMgr>},
    };
    return table;
}

const std::vector<QString>& UploadCompletedReceivers()
{
    static const std::vector<QString> receivers = {
        QStringLiteral("clsCurrSeqMgr"),
        kHostFormReceiver,
        QStringLiteral("clsPbObjectMgr"),
        QStringLiteral("clsAiObjectMgr"),
        QStringLiteral("clsDatasetValidation"),
    };
    return receivers;
}

const std::vector<QString>& ValuesEnteredReceivers()
{
    static const std::vector<QString> receivers = {
        kHostFormReceiver,
        QStringLiteral("clsTtrbObjectMgr"),
        QStringLiteral("clsAiObjectMgr"),
    };
    return receivers;
}

} // namespace corvane

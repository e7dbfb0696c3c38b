#include "corvane/frame/ComponentTable.h"
#include "corvane/frame/clsConnEventHandler.h"
#include "corvane/frame/clsCurrSeqMgr.h"
#include "corvane/frame/clsDatasetValid.h"
#include "corvane/frame/clsFactoryReset.h"
#include "corvane/frame/clsHandleDataBurn.h"
#include "corvane/frame/clsMenuMgr.h"
#include "corvane/frame/clsRecordMgr.h"
#include "corvane/frame/clsUpDownloadMgr.h"

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
    // Rows marked "not built yet" are the components of later work; each is
    // added here, in its place, by the work that builds it.
    static const std::vector<ComponentEntry> table = {
        {QStringLiteral("clsMenuMgr"), &Make<clsMenuMgr>},
        {QStringLiteral("clsRecordMgr"), &Make<clsRecordMgr>},
        {QStringLiteral("clsCurrSeqMgr"), &Make<clsCurrSeqMgr>},
        {QStringLiteral("clsUploadDownloadMgr"), &Make<clsUpDownloadMgr>},
        {QStringLiteral("clsConnEventHandler"), &Make<clsConnEventHandler>},
        {QStringLiteral("clsHandleDataBurn"), &Make<clsHandleDataBurn>},
        // 7 "clsUserCurve"          clsUserCurve        -- not built yet (user linearisation curve)
        {QStringLiteral("clsDatasetValidation"), &Make<clsDatasetValid>},
        // 9 "clsTtrbObjectMgr"      clsTtrbObjectMgr    -- not built yet (temperature rules)
        // 10 "clsPbObjectMgr"       clsPbObjectMgr      -- not built yet (physical block rules)
        // 11 "clsMvCalculation"     clsMvCalculation    -- not built yet (flow-coefficient calculation)
        {QStringLiteral("clsFactoryReset"), &Make<clsFactoryReset>},
        // 13 "clsHTMLReportFactory" clsReportFactory    -- not built yet (HTML report)
        // 14 "clsAiObjectMgr"       clsAiObjectMgr      -- not built yet (analog-input rules)
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

} // namespace corvane

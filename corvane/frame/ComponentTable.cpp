#include "corvane/frame/ComponentTable.h"
#include "corvane/frame/clsConnEventHandler.h"
#include "corvane/frame/clsCurrSeqMgr.h"
#include "corvane/frame/clsMenuMgr.h"
#include "corvane/frame/clsRecordMgr.h"
#include "corvane/rules/clsMvCalculation.h"

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
        // 4 "clsUploadDownloadMgr"  clsUpDownloadMgr    -- not built yet (upload and download chains)
        {QStringLiteral("clsConnEventHandler"), &Make<clsConnEventHandler>},
        // 6 "clsHandleDataBurn"     clsHandleDataBurn   -- not built yet (burn delay and data burn)
        // 7 "clsUserCurve"          clsUserCurve        -- not built yet (user linearisation curve)
        // 8 "clsDatasetValidation"  clsDatasetValid     -- not built yet (dataset compatibility check)
        // 9 "clsTtrbObjectMgr"      clsTtrbObjectMgr    -- not built yet (temperature rules)
        // 10 "clsPbObjectMgr"       clsPbObjectMgr      -- not built yet (physical block rules)
        {QStringLiteral("clsMvCalculation"), &Make<clsMvCalculation>},
        // 12 "clsFactoryReset"      clsFactoryReset     -- not built yet (factory reset)
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
        // "clsPbObjectMgr"       -- not built yet
        // "clsAiObjectMgr"       -- not built yet
        // "clsDatasetValidation" -- not built yet
    };
    return receivers;
}

} // namespace corvane

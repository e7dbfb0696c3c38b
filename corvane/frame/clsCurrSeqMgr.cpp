#include "corvane/frame/clsCurrSeqMgr.h"
#include "corvane/frame/AbortRequest.h"
#include "corvane/frame/ConnectionState.h"
#include "corvane/frame/clsStartAlwaysView.h"
#include "pioextensions/clsRecordItem.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <algorithm>
#include <array>

namespace {

// Sequence states as the state sub-item reports them.
constexpr int kSequenceReady = 0;
constexpr std::array kSequenceActive = {32, 64, 128}; // write, read, adjust active

constexpr int32_t kStopSequence = 2; // sequence action: stop
constexpr int32_t kIgnoreRecord = 4; // record action: ignore the error and go on
constexpr int16_t kStateOnly = REGISTER_STATE;
constexpr int16_t kControlOnly = REGISTER_CONTROL;

// The components told first, in this order, to stop their own work. Each is
// added here by the work that builds it.
const std::vector<QString> kAbortBeforeSequence = {
    QStringLiteral("clsUploadDownloadMgr"),
    QStringLiteral("clsHandleDataBurn"),
    QStringLiteral("clsUserCurve"),
    QStringLiteral("clsFactoryReset"), // ends the factory reset's busy poll
    QStringLiteral("clsRecordMgr"),    // drops a busy repeat still scheduled
};
// Told last: the compatibility check, which the abort re-runs. Skipped while
// the device is not connected, so the verdict 5 of a lost connection stands.
const std::vector<QString> kRecheckAfterAbort = {
    QStringLiteral("clsDatasetValidation"),
};

} // namespace

clsCurrSeqMgr::clsCurrSeqMgr() = default;

clsCurrSeqMgr::~clsCurrSeqMgr()
{
    if (m_AbortSequences)
        disconnect(m_AbortSequences.get(), nullptr, this, nullptr);
}

void clsCurrSeqMgr::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    const auto view = std::dynamic_pointer_cast<clsStartAlwaysView>(myView);
    if (!view) {
        const QString description = QStringLiteral("the running-sequence register needs the frame view");
        applet::AppletTrace::Error(QStringLiteral("clsCurrSeqMgr.Register: %1").arg(description));
        throw automation::ComError(automation::E_INVALIDARG_, description, QStringLiteral("clsCurrSeqMgr.Register"));
    }
    m_view = view;
    m_manager = view->appletItemManagerRef();
    // The connection state decides whether the abort re-checks the dataset.
    for (const QString& name : {kCurrentRecord, kCurrentSequence, corvane::kAbortSequencesItem, corvane::kConnectItem})
        m_items.Add(name, false, 0);
    m_AbortSequences = m_items.Item(corvane::kAbortSequencesItem);
    // "abortSequences" keeps its last "1" until the next request writes "0"
    // first; the refresh that follows a dataset load repeats that stale value
    // and must not abort whatever runs then.
    disconnect(m_AbortSequences.get(), nullptr, this, nullptr);
    connect(m_AbortSequences.get(), &clsAppItem::ValueChanged3, this,
            [this](const QString& value, int32_t itemState) {
                if ((itemState & applet::StateInfo::kRefresh) == 0)
                    m_AbortSequences_ValueChanged(value);
            });
    BindAllSequences();
    m_items.Register(m_manager);
    m_sequences.Register(m_manager);
    m_registered = true;
}

void clsCurrSeqMgr::BindAllSequences()
{
    const QString kind = QStringLiteral("Sequence");
    std::shared_ptr<applet::TdxFileParser> parser;
    if (m_manager)
        m_manager->GetDataDictionary(parser);
    if (!parser) {
        applet::AppletTrace::Error(QStringLiteral("clsCurrSeqMgr.Register: no description to list the sequences of"));
        return;
    }
    int32_t count = 0;
    int32_t error = 0;
    parser->fncNumberOfEntries(kind, count, error);
    if (error != 0 || count <= 0)
        return;
    int32_t handle = 0;
    parser->fncGetFirstEntryHandle(kind, handle, error);
    while (error == 0) {
        QString name;
        parser->fncGetEntryName(handle, name, error);
        if (error != 0) {
            applet::AppletTrace::Error(
                QStringLiteral("clsCurrSeqMgr.Register: the name of sequence entry %1 is not readable (%2); "
                               "the sequences after it are not watched").arg(handle).arg(error));
            break;
        }
        m_sequences.Add(name, false, 0, kStateOnly, this, kStatusCallback);
        if (--count == 0)
            break;
        parser->fncGetNextEntryHandle(handle, error);
    }
}

void clsCurrSeqMgr::UnRegister()
{
    if (!m_registered)
        return;
    m_items.UnRegister();
    m_sequences.UnRegister();
    m_registered = false;
}

void clsCurrSeqMgr::HandleUploadCompleted()
{
    m_items.Item(kCurrentSequence)->SetStringValue(QString());
}

void clsCurrSeqMgr::sequenceItem_StatusChanged(const QString& sequenceItemName, int sequenceStatus)
{
    if (!m_registered)
        return;
    const std::shared_ptr<clsAppItem> current = m_items.Item(kCurrentSequence);
    if (std::find(kSequenceActive.begin(), kSequenceActive.end(), sequenceStatus) != kSequenceActive.end()) {
        current->SetStringValue(sequenceItemName);
        m_LastSequenceName = sequenceItemName;
    } else if (sequenceStatus == kSequenceReady && current->StringValue() == sequenceItemName) {
        current->SetStringValue(QString());
    }
}

void clsCurrSeqMgr::m_AbortSequences_ValueChanged(const QString& /*appItemValue*/)
{
    if (!m_registered)
        return;
    bool isNumber = false;
    const double request = m_AbortSequences->StringValue().trimmed().toDouble(&isNumber);
    if (!isNumber || request != 1)
        return;
    AbortComponents(kAbortBeforeSequence);
    AbortRunningSequence();
    AbortRunningRecord();
    if (m_items.Item(corvane::kConnectItem)->UIntValue() == corvane::kConnected)
        AbortComponents(kRecheckAfterAbort);
}

void clsCurrSeqMgr::AbortComponents(const std::vector<QString>& keys)
{
    const std::shared_ptr<clsStartAlwaysView> view = m_view.lock();
    for (const QString& key : keys)
        if (view)
            view->Components().Item(key)->Abort();
}

void clsCurrSeqMgr::AbortRunningSequence()
{
    QString name = m_items.Item(kCurrentSequence)->StringValue();
    if (name.isEmpty()) {
        name = m_LastSequenceName; // the remembered name is used once
        m_LastSequenceName.clear();
    }
    if (name.isEmpty())
        return;
    clsSequenceItem sequence;
    sequence.Register(m_manager, name, false, 0, kControlOnly);
    sequence.DoAction(kStopSequence);
    sequence.UnRegister();
}

void clsCurrSeqMgr::AbortRunningRecord()
{
    const QString name = m_items.Item(kCurrentRecord)->StringValue();
    if (name.isEmpty())
        return;
    clsRecordItem record;
    record.Register(m_manager, name, false, 0, kControlOnly);
    record.DoAction(kIgnoreRecord);
    record.UnRegister();
}

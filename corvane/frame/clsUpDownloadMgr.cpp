#include "corvane/frame/clsUpDownloadMgr.h"
#include <QPointer>
#include "corvane/frame/clsRecordMgr.h"
#include "corvane/frame/clsStartAlwaysView.h"
#include "corvane/frame/ComponentSupport.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/ValueAdmission.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <exception>

namespace {

const QString kSource = QStringLiteral("clsUpDownloadMgr");

// The items: applet item and key.
struct ItemRow {
    const char* name;
    const char* key;
};
const ItemRow kItems[] = {
    {"XXXTransferCompletedXXX", "TransferCompleted"},
    {"XXXTransferFailureXXX", "TransferFailure"},
    {"XXXTransferNoticeXXX", "TransferNotice"},
    {"currentRecordState", "currentRecordState"},
    {"userCurveDirty", "userCurveDirty"},
    {"_mfrDeviceTypeHART", "DeviceTypeHART"},
    {"ptrbLinType", "ptrbLinType"},
    {"&&private&&CurrentSource", "CurrentSource"},
};
// "&&private&&CurrentSource" once the dataset holds what was read from the device.
const QString kSourceDevice = QStringLiteral("2");

// The sequences, in this order, and the method each calls by name.
struct SequenceRow {
    const char* name;
    const char* callback;
};
const char* const kUploadCallback = "seqUpload_StatusChanged";
const char* const kInitialDownloadCallback = "seqInitialDownload_StatusChanged";
const char* const kDownloadCallback = "seqDownload_StatusChanged";
const SequenceRow kSequences[] = {
    {"upload", kUploadCallback},
    {"upload_Revision20", kUploadCallback},
    {"upload_Revision21", kUploadCallback},
    {"uploadTtrb", kUploadCallback},
    {"uploadMv", kUploadCallback},
    {"uploadPid", kUploadCallback},
    {"UploadUserCurve", kUploadCallback},
    {"uploadMv_Revision20", kUploadCallback},
    {"uploadMv_Revision21", kUploadCallback},
    {"ReadBeforeDownload", kUploadCallback},
    {"download", kInitialDownloadCallback},
    {"downloadAi", kDownloadCallback},
    {"downloadTtrb", kDownloadCallback},
    {"downloadMv", kDownloadCallback},
    {"downloadPid", kDownloadCallback},
    {"SetUserCurve", kDownloadCallback},
    {"downloadMV_Revision20", kDownloadCallback},
    {"downloadMV_Revision21", kDownloadCallback},
    {"downloadAi_Revision21", kDownloadCallback},
    {"WriteBeforeDownload", kDownloadCallback},
    {"PostDownload", kDownloadCallback},
    {"downloadWriteLock", kDownloadCallback},
    {"SetEnableBurnDelay", "seqSetEnableBurnDelay_StatusChanged"},
    {"SetDisableBurnDelay", "seqDisableBurnDelay_StatusChanged"},
};

const QString kUpload = QStringLiteral("upload");
const QString kDownloadAi = QStringLiteral("downloadAi");
const QString kSetUserCurve = QStringLiteral("SetUserCurve");
const QString kDownloadWriteLock = QStringLiteral("downloadWriteLock");
const QString kSetEnableBurnDelay = QStringLiteral("SetEnableBurnDelay");
const QString kRecordMgrKey = QStringLiteral("clsRecordMgr");

constexpr int kDeviceType139 = 139;
constexpr int kRecordWriteActive = applet::RecordState::WriteActive; // the burn-delay trigger
constexpr int16_t kIndexLimit = 32767;

// Upload phases of the sequence now running.
constexpr int32_t kPhaseNone = 0;
constexpr int32_t kPhaseRead = 1;
constexpr int32_t kPhaseWritten = 2;

bool IsRequest(int status)
{
    return status == applet::SequenceState::WriteRequest || status == applet::SequenceState::ReadRequest;
}

} // namespace

clsUpDownloadMgr::clsUpDownloadMgr() = default;

clsUpDownloadMgr::~clsUpDownloadMgr()
{
    if (m_CurrentRecordState)
        disconnect(m_CurrentRecordState.get(), nullptr, this, nullptr);
}

void clsUpDownloadMgr::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    const auto manager = corvane::RequireManager(myView, kSource);
    m_view = std::dynamic_pointer_cast<clsStartAlwaysView>(myView);
    m_deviceInfo = corvane::RegisteredDeviceInfo(manager);
    for (const ItemRow& row : kItems)
        m_items.Add(QLatin1String(row.name), false, 0, nullptr, QString(), QLatin1String(row.key));
    m_CurrentRecordState = m_items.Item(QStringLiteral("currentRecordState"));
    connect(m_CurrentRecordState.get(), &clsAppItem::ValueChanged, this,
            &clsUpDownloadMgr::m_CurrentRecordState_ValueChanged, Qt::UniqueConnection);
    for (const SequenceRow& row : kSequences)
        m_sequences.Add(QLatin1String(row.name), false, 0, REGISTER_STATE | REGISTER_CONTROL, this,
                        QLatin1String(row.callback));
    m_items.Register(manager);
    m_sequences.Register(manager);
    m_registered = true;
}

void clsUpDownloadMgr::UnRegister()
{
    if (!m_registered)
        return;
    m_items.UnRegister();
    m_sequences.UnRegister();
    m_registered = false;
}

void clsUpDownloadMgr::Abort()
{
    m_abortPending = true;
    if (!m_registered)
        return;
    if (Read(QStringLiteral("TransferCompleted")) == kTransferRunning)
        FailTransfer(QStringLiteral("the transfer was aborted"));
    m_uploadRunning = false;
    m_downloadRunning = false;
    m_initialDownloadRunning = false;
}

// --- The upload chain ---------------------------------------------------------------------

void clsUpDownloadMgr::seqUpload_StatusChanged(const QString& name, int status)
{
    if (!m_registered)
        return;
    if (IsRequest(status)) {
        if (name.compare(kUpload, Qt::CaseInsensitive) == 0) {
            m_uploadIndex = 0; // a new upload begins
            BeginTransfer();
        }
        m_uploadRunning = true;
        m_uploadPhase = kPhaseNone;
        m_abortPending = false;
        SetTransferCompleted(kTransferRunning);
        m_sequences.Item(name)->DoAction(applet::SequenceAction::Run);
    } else if (status == applet::SequenceState::ReadActive) {
        m_uploadPhase = kPhaseRead;
    } else if (status == applet::SequenceState::WriteActive || status == applet::SequenceState::AdjustActive) {
        m_uploadPhase = kPhaseWritten;
    } else if (status == applet::SequenceState::Ready) {
        if (m_uploadPhase == kPhaseNone || !m_uploadRunning)
            return;
        // A step the host stopped is neither adjusted nor followed: what it
        // read must not reach the dataset as a good upload.
        if (const QString failure = StepFailure(name); !failure.isEmpty()) {
            m_uploadPhase = kPhaseNone;
            FailTransfer(failure);
            return;
        }
        if (m_uploadPhase == kPhaseRead) {
            try {
                m_sequences.Item(name)->Adjust(); // reports 128 and 0 again
            } catch (const std::exception& error) {
                m_uploadPhase = kPhaseNone;
                FailTransfer(QStringLiteral("the values of %1 were not taken over: %2").arg(name, corvane::Describe(error)));
            }
            return;
        }
        m_uploadPhase = kPhaseNone;
        if (m_burnDelayPending)
            Run(kSetEnableBurnDelay, true); // the chain goes on when it is ready
        else if (!m_abortPending)
            UploadStep();
    }
}

void clsUpDownloadMgr::UploadStep()
{
    const QString next = GetNextUploadSequenceName();
    if (!next.isEmpty()) {
        Run(next, false);
        return;
    }
    m_uploadRunning = false;
}

QString clsUpDownloadMgr::GetNextUploadSequenceName()
{
    if (!m_registered)
        return QString();
    QString next;
    try {
        next = NextEntry(UploadList(), m_uploadIndex);
    } catch (const std::exception& error) {
        // The steps still to come are unknown: what was read so far is only
        // part of the dataset and must not count as a good upload.
        FailTransfer(QStringLiteral("the next upload sequence is not known (%1); the chain ends")
                         .arg(corvane::Describe(error)));
        return QString();
    }
    if (next.isEmpty()) {
        // Told before the end, at which the frame stores the dataset: the
        // project keeps where its dataset came from, and what the rules make
        // of the device's values at the end of an upload (a unit forced with
        // the values it governs converted, a transfer function the flow block
        // allows), so that the project shows what a later download sends.
        if (!RecordErrorPassedOver()) {
            try {
                m_items.Item(QStringLiteral("CurrentSource"))->SetStringValue(kSourceDevice);
            } catch (const std::exception& error) {
                applet::AppletTrace::Error(QStringLiteral("%1: the dataset's source not written: %2")
                                               .arg(kSource, corvane::Describe(error)));
            }
            m_uploadRunning = false;
            const QPointer<clsUpDownloadMgr> self(this);
            emit UploadCompleted();
            if (!self)
                return QString();
        }
        EndTransfer();
    } else {
        SetTransferCompleted(kTransferRunning);
    }
    return next;
}

QStringList clsUpDownloadMgr::UploadList()
{
    const enmCommType bus = m_deviceInfo->CommType();
    const double revision = m_deviceInfo->softwareRevision().toDouble();
    const bool hart = bus == enmCommType::HART;
    QStringList list;
    if (hart)
        list << (revision < 21 ? QStringLiteral("upload_Revision20") : QStringLiteral("upload_Revision21"));
    if (m_deviceInfo->MvFunctionEnabled() && hart)
        list << (revision > 20 ? QStringLiteral("uploadMv_Revision21") : QStringLiteral("uploadMv_Revision20"));
    if (m_deviceInfo->MvFunctionEnabled())
        list << QStringLiteral("uploadTtrb") << QStringLiteral("uploadMv");
    if (m_deviceInfo->PidEnabled() || Read(QStringLiteral("DeviceTypeHART")).toDouble() == kDeviceType139)
        list << QStringLiteral("uploadPid");
    if (LinearisedByCurve())
        list << QStringLiteral("UploadUserCurve");
    if (bus == enmCommType::ff)
        list << QStringLiteral("ReadBeforeDownload");
    return list;
}

// --- The download chain -------------------------------------------------------------------

void clsUpDownloadMgr::seqDownload_StatusChanged(const QString& name, int status)
{
    if (!m_registered)
        return;
    if (status == applet::SequenceState::WriteRequest) {
        if (name.compare(kDownloadAi, Qt::CaseInsensitive) == 0) {
            BeginTransfer();
            m_downloadRunning = true;
            if (!DeriveBeforeDownload(name))
                return;
        }
        // Any other sequence begins no chain: a page that writes one block
        // itself (the curve tab's Write) writes that block and nothing else.
        if (m_downloadRunning) {
            m_abortPending = false;
            SetTransferCompleted(kTransferRunning);
        }
        m_sequences.Item(name)->DoAction(applet::SequenceAction::Run);
        return;
    }
    // Only the end of a step that ran counts: the ready state every sequence
    // shows when it is registered starts nothing.
    if (status != applet::SequenceState::Ready || !m_downloadRunning)
        return;
    if (name.compare(kDownloadAi, Qt::CaseInsensitive) == 0)
        m_downloadIndex = 0;
    if (m_abortPending) {
        m_abortPending = false;
        m_downloadRunning = false;
        return;
    }
    if (m_lockRestoring) {
        m_lockRestoring = false;
        const QString failure = StepFailure(name);
        FailTransfer(failure.isEmpty() ? m_restoreReason + QStringLiteral("; the write lock was written again")
                                       : m_restoreReason + QStringLiteral("; the write lock was not written again: ")
                                             + failure);
        return;
    }
    if (const QString failure = StepFailure(name); !failure.isEmpty()) {
        // Cut off mid-way: the device holds part of the dataset.
        m_downloadIndex = 0;
        RestoreLockAfter(name, QStringLiteral("%1; the download was cut off there").arg(failure));
        return;
    }
    DownloadStep();
}

void clsUpDownloadMgr::DownloadStep()
{
    QString next = GetNextDownloadSequenceName();
    // A clean user curve is not written; the entries after it still run.
    while (next.compare(kSetUserCurve, Qt::CaseInsensitive) == 0 && Read(QStringLiteral("userCurveDirty")).toDouble() == 0)
        next = GetNextDownloadSequenceName();
    if (next.isEmpty())
        return;
    Run(next, next.compare(kSetUserCurve, Qt::CaseInsensitive) == 0);
}

QString clsUpDownloadMgr::GetNextDownloadSequenceName()
{
    if (!m_registered)
        return QString();
    QString next;
    try {
        next = NextEntry(DownloadList(), m_downloadIndex);
    } catch (const std::exception& error) {
        // The device holds part of the dataset: the download failed.
        m_downloadIndex = 0;
        FailTransfer(QStringLiteral("the next download sequence is not known (%1); the chain ends")
                         .arg(corvane::Describe(error)));
        return QString();
    }
    if (next.isEmpty()) {
        m_downloadIndex = 0;
        m_downloadRunning = false;
        EndTransfer();
    } else {
        SetTransferCompleted(kTransferRunning);
    }
    return next;
}

QStringList clsUpDownloadMgr::DownloadList()
{
    const enmCommType bus = m_deviceInfo->CommType();
    const double revision = m_deviceInfo->softwareRevision().toDouble();
    const bool hart = bus == enmCommType::HART;
    QStringList list;
    if (bus == enmCommType::ff)
        list << QStringLiteral("WriteBeforeDownload");
    if (hart && revision > 20)
        list << QStringLiteral("downloadAi_Revision21");
    if (m_deviceInfo->MvFunctionEnabled() && hart)
        list << (revision > 20 ? QStringLiteral("downloadMV_Revision21") : QStringLiteral("downloadMV_Revision20"));
    if (m_deviceInfo->MvFunctionEnabled())
        list << QStringLiteral("downloadTtrb") << QStringLiteral("downloadMv");
    if (m_deviceInfo->PidEnabled() || Read(QStringLiteral("DeviceTypeHART")).toDouble() == kDeviceType139)
        list << QStringLiteral("downloadPid");
    if (LinearisedByCurve())
        list << kSetUserCurve;
    // The first step unlocked the device; the dataset's lock goes last, when
    // nothing is left that a lock would refuse.
    list << kDownloadWriteLock;
    if (bus == enmCommType::ff)
        list << QStringLiteral("PostDownload");
    return list;
}

QString clsUpDownloadMgr::NextEntry(const QStringList& list, int16_t& index)
{
    if (index < kIndexLimit)
        ++index;
    return index >= 1 && index <= list.size() ? list.at(index - 1) : QString();
}

bool clsUpDownloadMgr::LinearisedByCurve()
{
    const double type = Read(QStringLiteral("ptrbLinType")).toDouble();
    return type == m_deviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::USER_CURVE)
           || type == m_deviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION);
}

// --- The single-sequence download ---------------------------------------------------------

void clsUpDownloadMgr::seqInitialDownload_StatusChanged(const QString& name, int status)
{
    if (IsRequest(status)) {
        BeginTransfer();
        m_abortPending = false;
        SetTransferCompleted(kTransferRunning);
        // Refused, the sequence is stopped at once: its end is no step of a
        // download that ran, and keeps the reason of the refusal.
        if (!DeriveBeforeDownload(name))
            return;
        m_initialDownloadRunning = true;
        m_sequences.Item(name)->DoAction(applet::SequenceAction::Run);
    } else if (status == applet::SequenceState::Ready && m_initialDownloadRunning) {
        m_initialDownloadRunning = false;
        if (const QString failure = StepFailure(name); !failure.isEmpty()) {
            RestoreLockAfter(name, QStringLiteral("%1; the download was cut off there").arg(failure));
        } else if (!m_registered) {
            EndTransfer();
        } else {
            // "download" wrote what every variant's upload reads; the chain
            // goes on with the blocks the dataset's variant read, as after
            // "downloadAi", so a block the dataset never read is not written.
            m_downloadIndex = 0;
            m_downloadRunning = true;
            DownloadStep();
        }
    }
}

// --- Burn delay inside the upload chain ---------------------------------------------------

void clsUpDownloadMgr::m_CurrentRecordState_ValueChanged(const QString& /*appItemValue*/)
{
    if (!m_registered || m_burnDelayPending)
        return;
    if (m_CurrentRecordState->UIntValue() == kRecordWriteActive && m_deviceInfo->DeviceCanBeBusy())
        m_burnDelayPending = true;
}

void clsUpDownloadMgr::seqSetEnableBurnDelay_StatusChanged(const QString& name, int status)
{
    if (IsRequest(status)) {
        m_sequences.Item(name)->DoAction(applet::SequenceAction::Run);
    } else if (status == applet::SequenceState::WriteActive) {
        m_burnDelayPhase = kPhaseWritten;
    } else if (status == applet::SequenceState::Ready) {
        if (m_burnDelayPhase != kPhaseWritten)
            return;
        // Acted on once: a later, unrelated run of the sequence continues nothing.
        m_burnDelayPhase = kPhaseNone;
        if (!m_uploadRunning || m_abortPending)
            return;
        if (const QString failure = StepFailure(name); !failure.isEmpty())
            FailTransfer(failure);
        else
            UploadStep();
    }
}

void clsUpDownloadMgr::seqDisableBurnDelay_StatusChanged(const QString& /*name*/, int status)
{
    if (m_registered && status == applet::SequenceState::Ready)
        m_burnDelayPending = false;
}

// --- Results ------------------------------------------------------------------------------

void clsUpDownloadMgr::BeginTransfer()
{
    m_failureReason.clear();
    SetTransferFailure(QString());
    SetText(QStringLiteral("TransferNotice"), QString());
    if (const auto records = RecordManager()) {
        records->ClearWrittenRecords();
        records->ClearNotices();
    }
    m_lockRestoring = false;
    ClearRecordErrors();
}

QString clsUpDownloadMgr::StepFailure(const QString& name)
{
    double control = 0;
    try {
        const auto sequence = m_sequences.Item(name);
        int32_t failed = 0;
        if (sequence->Manager())
            sequence->Manager()->fncGetUIntValue(sequence->ControlHandle(), control, failed);
    } catch (const std::exception& error) {
        return QStringLiteral("the state of %1 is not readable: %2").arg(name, corvane::Describe(error));
    }
    if (control == applet::SequenceAction::Stop)
        return QStringLiteral("sequence %1 was stopped or failed").arg(name);
    if (RecordErrorPassedOver())
        return QStringLiteral("a record of %1 failed and its error was passed over").arg(name);
    return QString();
}

bool clsUpDownloadMgr::DeriveBeforeDownload(const QString& name)
{
    // Whatever road the values took into the dataset (a default dataset
    // writes one item of a pair), the two items that carry one device value
    // agree: the download writes what the project holds.
    QString failure;
    try {
        const auto view = m_view.lock();
        const auto& manager = m_CurrentRecordState->Manager();
        if (!view)
            failure = QStringLiteral("no frame view");
        else if (!manager)
            failure = QStringLiteral("no item manager");
        else if (failure = view->DeviceIdentityChanged(); failure.isEmpty())
            failure = view->AlignTwins(QStringLiteral("before %1").arg(name));
        // Every value the chain will send is checked once the pairs agree.
        if (failure.isEmpty())
            failure = CheckBeforeWriting(*manager, name);
    } catch (const std::exception& error) {
        failure = corvane::Describe(error);
    }
    if (failure.isEmpty())
        return true;
    FailTransfer(QStringLiteral("%1 was not started, nothing was written: %2").arg(name, failure));
    m_sequences.Item(name)->DoAction(applet::SequenceAction::Stop);
    return false;
}

QString clsUpDownloadMgr::CheckBeforeWriting(const applet::clsAppletItemManager& manager, const QString& first)
{
    const auto description = manager.GetDescription();
    if (!description)
        return QStringLiteral("no device description");
    QStringList chain{first};
    for (const QString& next : DownloadList())
        if (next.compare(kSetUserCurve, Qt::CaseInsensitive) != 0 || Read(QStringLiteral("userCurveDirty")).toDouble() != 0)
            chain << next;
    for (const QString& sequenceName : chain) {
        const applet::DescSequence* sequence = description->FindSequence(sequenceName);
        if (!sequence)
            continue;
        for (const QString& recordName : sequence->records) {
            const applet::DescRecord* record = description->FindRecord(recordName);
            if (!record || record->kind == applet::RecordKind::Read)
                continue;
            // Each request is built as it will be sent, so that a value the
            // record cannot carry is found now, not after other records wrote.
            QByteArray data(record->requestLength, '\0');
            for (const applet::FieldLayout& field : record->request) {
                if (field.item.isEmpty())
                    continue;
                const applet::AppletItem* item = manager.Item(manager.HandleOf(field.item));
                if (!item)
                    return QStringLiteral("nothing was written: record %1 carries %2, which is not known")
                        .arg(record->name, field.item);
                QString why;
                if (!applet::ValueAdmission::Fits(description.get(), *item, item->Value(), why)
                    || !applet::ValueEncoding::Encode(field, item->Type(), item->Value(), data, &why))
                    return QStringLiteral("nothing was written: record %1: %2")
                        .arg(record->name, applet::ValueAdmission::Refusal(
                                               item->Name(), applet::ItemValue::ToText(item->Type(), item->Value()), why));
            }
        }
    }
    return QString();
}

void clsUpDownloadMgr::RestoreLockAfter(const QString& failedSequence, const QString& why)
{
    const auto records = RecordManager();
    const QStringList written = records ? records->WrittenRecords() : QStringList();
    // Nothing written: the device keeps its lock as it was.
    if (written.isEmpty() || m_abortPending || failedSequence.compare(kDownloadWriteLock, Qt::CaseInsensitive) == 0) {
        FailTransfer(written.isEmpty() ? why : why + WrittenRecords());
        return;
    }
    // The first step unlocked the device; it is not left so.
    m_restoreReason = why + WrittenRecords();
    ClearRecordErrors(); // the error that cut the download off is in why
    m_lockRestoring = true;
    m_downloadRunning = true;
    if (!Run(kDownloadWriteLock, false))
        m_lockRestoring = false;
}

QString clsUpDownloadMgr::WrittenRecords() const
{
    const auto records = RecordManager();
    return QStringLiteral("; written before: %1")
        .arg(records ? records->WrittenRecords().join(QStringLiteral(", ")) : QString());
}

void clsUpDownloadMgr::FailTransfer(const QString& why)
{
    m_failureReason = why;
    m_uploadRunning = false;
    m_downloadRunning = false;
    applet::AppletTrace::Error(QStringLiteral("%1: the transfer failed: %2").arg(kSource, why));
    SetTransferFailure(why);
    SetTransferCompleted(kTransferFailed);
}

void clsUpDownloadMgr::EndTransfer()
{
    if (RecordErrorPassedOver()) {
        FailTransfer(QStringLiteral("a record failed and its error was passed over"));
        return;
    }
    // Told by the frame before the end: what the device took other than it was sent.
    if (const auto records = RecordManager())
        SetText(QStringLiteral("TransferNotice"), records->Notices().join(QLatin1Char('\n')));
    SetTransferCompleted(kTransferDone);
}

bool clsUpDownloadMgr::Run(const QString& name, bool force)
{
    try {
        const auto sequence = m_sequences.Item(name);
        if (force)
            sequence->Force();
        else
            sequence->Start();
        return true;
    } catch (const std::exception& error) {
        FailTransfer(QStringLiteral("sequence %1 did not start: %2").arg(name, corvane::Describe(error)));
        return false;
    }
}

void clsUpDownloadMgr::SetTransferCompleted(const QString& value)
{
    try {
        m_items.Item(QStringLiteral("TransferCompleted"))->SetStringValue(value);
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: XXXTransferCompletedXXX not written (%2): %3").arg(kSource, value, corvane::Describe(error)));
    }
}

void clsUpDownloadMgr::SetTransferFailure(const QString& why)
{
    SetText(QStringLiteral("TransferFailure"), why);
}

void clsUpDownloadMgr::SetText(const QString& key, const QString& text)
{
    try {
        m_items.Item(key)->SetStringValue(text);
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: item %2 not written: %3").arg(kSource, key, corvane::Describe(error)));
    }
}

QString clsUpDownloadMgr::Read(const QString& key)
{
    return m_items.Item(key)->StringValue().trimmed();
}

std::shared_ptr<clsRecordMgr> clsUpDownloadMgr::RecordManager() const
{
    const auto view = m_view.lock();
    if (!view || !view->Components().Contains(kRecordMgrKey))
        return nullptr;
    return std::dynamic_pointer_cast<clsRecordMgr>(view->Components().Item(kRecordMgrKey));
}

bool clsUpDownloadMgr::RecordErrorPassedOver() const
{
    const auto records = RecordManager();
    return records && records->TransferFailed();
}

void clsUpDownloadMgr::ClearRecordErrors()
{
    if (const auto records = RecordManager())
        records->ClearTransferFailed();
}

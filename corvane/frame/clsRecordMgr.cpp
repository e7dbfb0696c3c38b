#include "corvane/frame/clsRecordMgr.h"
#include "corvane/frame/AbortRequest.h"
#include "corvane/rules/Module1.h"
#include "mvtrivexhelper/clsDebugInfo.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include "platform/dialogs/DialogTypes.h"
#include <QStringList>
#include <algorithm>
#include <exception>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

const QString kSource = QStringLiteral("clsRecordMgr");
const QString kRecordHandler = QStringLiteral("RecordItem_StatusChanged");

// The items of the component: applet item and key.
struct ItemRow {
    const char* name;
    const char* key;
};
const ItemRow kItems[] = {
    {"abortSequences", "abortSequences"},
    {"&&private&&Connect", "ConnectionStatus"},
    {"currentRecord", "currentRecord"},
    {"currentRecordState", "currentRecordState"},
    {"currentResponseCode", "currentResponseCode"},
    {"_mfrDeviceTypeHART", "DeviceTypeHART"},
};
// "ActiveForms" and "EngineeringContext" come from Module1::AddMessageBoxItems.

constexpr int kConnected = applet::ConnectState::Connected;
constexpr int kDeviceType139 = 139;
constexpr int32_t kStyleOkOnly = 4160;           // system modal, information, OK
constexpr int32_t kStyleAbortRetryIgnore = 4162; // system modal, information, Abort/Retry/Ignore
constexpr int kTextParameterError = 1218;        // "Error writing/reading parameter!"

const QString kStaticPressureScaleIn = QStringLiteral("Read_Write_PTRB_STATIC_PRESSURE_SCALE_IN");
const QString kSetUpperRangeValue = QStringLiteral("Read_Write_PTRB_SET_UPPER_RANGE_VALUE");

// Record states that mean "no valid response" (failed read/write without answer or too short).
const std::initializer_list<int> kHartNoResponseStates = {17, 18, 33, 34};
const std::initializer_list<int> kFailedStates = {16, 32};
const std::initializer_list<int> kFieldbusIgnoredStates = {18, 34};

// The HART rules for a failed record (states 16 and 32), first matching row
// wins. An empty list matches any value.
enum class HartEffect { Abort, Accept, TakeDeviceValue, Repeat, RangeMessage, Message };
struct HartRow {
    std::vector<int> commands;
    std::vector<int> codes;
    bool deviceType139;
    HartEffect effect;
};
// A warning of a write the device carried out with the nearest value it can hold.
constexpr int kCodeNearestValue = 8;
// The data of a response follows the command, response code and device status.
constexpr int kResponseDataOffset = 3;
const HartRow kHartRows[] = {
    {{225}, {2, 38}, false, HartEffect::Abort},
    {{223}, {24}, false, HartEffect::Accept},
    {{248, 249}, {}, true, HartEffect::Accept},
    {{}, {0, 14, 34, 64}, false, HartEffect::Accept},
    {{}, {kCodeNearestValue}, false, HartEffect::TakeDeviceValue},
    {{}, {32}, false, HartEffect::Repeat},
    {{}, {9, 10}, false, HartEffect::RangeMessage},
    {{}, {}, false, HartEffect::Message},
};
// Range-setting commands: their codes 9 and 10 show the texts at id code + 100.
const std::initializer_list<int> kRangeCommands = {36, 37, 43, 130, 131, 227, 228};
constexpr int kRangeTextOffset = 100;

// The PROFIBUS and FOUNDATION Fieldbus rules before the message step, first
// matching row wins: by record name (empty: any), by the module not being a
// differential pressure module, by error class and code (-1: any).
enum class FieldbusEffect { Ignore, Repeat };
struct FieldbusRow {
    QString record;
    bool notDifferentialModule;
    int errorClass;
    int errorCode;
    FieldbusEffect effect;
};
const FieldbusRow kFieldbusRows[] = {
    {kSetUpperRangeValue, false, -1, -1, FieldbusEffect::Ignore},
    {kStaticPressureScaleIn, true, -1, -1, FieldbusEffect::Ignore},
    {QString(), false, 12, 2, FieldbusEffect::Repeat},
};
constexpr int kFieldbusClassFactor = 100;

// The record answer of each button; Abort requests the shared abort instead.
constexpr int32_t kAbortInstead = -1;
struct ButtonAnswer {
    dialogs::DialogResult button;
    int32_t action;
};
const ButtonAnswer kButtonAnswers[] = {
    {dialogs::DialogResult::Ok, applet::RecordAction::Accept},
    {dialogs::DialogResult::Retry, applet::RecordAction::Repeat},
    {dialogs::DialogResult::Ignore, applet::RecordAction::Ignore},
    {dialogs::DialogResult::Abort, kAbortInstead},
};

bool Contains(const std::initializer_list<int>& list, int value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}
bool Matches(const std::vector<int>& list, int value)
{
    return list.empty() || std::find(list.begin(), list.end(), value) != list.end();
}

// The byte at index, or -1 when the response is shorter.
int ByteAt(const QByteArray& bytes, int index)
{
    return index < bytes.size() ? static_cast<uint8_t>(bytes[index]) : -1;
}

// Runs one step of the record callback; its errors are traced and the callback goes on.
template <class Fn>
void Step(const char* what, Fn&& fn)
{
    try {
        fn();
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1.RecordItem_StatusChanged: %2: %3").arg(kSource, QLatin1String(what), error.description()));
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1.RecordItem_StatusChanged: %2: %3")
                                       .arg(kSource, QLatin1String(what), QString::fromLocal8Bit(error.what())));
    }
}

} // namespace

clsRecordMgr::clsRecordMgr() = default;

clsRecordMgr::~clsRecordMgr() = default;

void clsRecordMgr::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    const auto manager = myView ? myView->appletItemManagerRef() : nullptr;
    if (!manager) {
        const QString description = QStringLiteral("The view has no applet item manager");
        applet::AppletTrace::Error(QStringLiteral("%1.Register: %2").arg(kSource, description));
        throw automation::ComError(automation::E_FAIL_, description, kSource + QStringLiteral(".Register"));
    }
    m_debugMode = clsDebugInfo().InDebugMode().toBool();
    m_view = myView;
    m_manager = manager;
    auto deviceInfo = std::make_shared<clsDeviceInfo>();
    deviceInfo->Register(manager);
    m_deviceInfo = deviceInfo;
    for (const ItemRow& row : kItems)
        m_items.Add(QLatin1String(row.name), false, 0, nullptr, QString(), QLatin1String(row.key));
    Module1::AddMessageBoxItems(m_items);
    HookRecords(manager);
    m_items.Register(manager);
    try {
        m_records.Register(manager);
    } catch (const automation::ComError&) {
        // Leave nothing half bound behind.
        m_items.UnRegister();
        m_records.UnRegister();
        throw;
    }
    m_registered = true;
}

void clsRecordMgr::HookRecords(const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    std::shared_ptr<applet::TdxFileParser> dictionary;
    manager->GetDataDictionary(dictionary);
    if (!dictionary) {
        applet::AppletTrace::Error(QStringLiteral("%1.Register: no data dictionary; no record is hooked").arg(kSource));
        return;
    }
    const QString kind = QStringLiteral("Sequence");
    int32_t count = 0;
    int32_t error = 0;
    dictionary->fncNumberOfEntries(kind, count, error);
    if (error != 0 || count <= 0)
        return;
    int32_t handle = 0;
    dictionary->fncGetFirstEntryHandle(kind, handle, error);
    while (error == 0 && count > 0) {
        QString text;
        QStringList records;
        int32_t recordCount = 0;
        int32_t recordsError = 0;
        dictionary->fncGetSequenceRecords(handle, text, recordsError, records, recordCount);
        if (recordsError != 0)
            applet::AppletTrace::Error(
                QStringLiteral("%1.Register: records of sequence entry %2 not read").arg(kSource).arg(handle));
        for (const QString& record : records)
            m_records.Add(record, false, 0, REGISTER_STATE | REGISTER_RESPONSE | REGISTER_CONTROL, this,
                          kRecordHandler);
        --count;
        if (count > 0)
            dictionary->fncGetNextEntryHandle(handle, error);
    }
}

void clsRecordMgr::UnRegister()
{
    if (!m_registered)
        return;
    m_items.UnRegister();
    m_records.UnRegister();
    m_registered = false;
}

void clsRecordMgr::Abort()
{
    // The abort answers the running record itself; repeats are answered at
    // once, so none is left waiting here.
}

void clsRecordMgr::recordItem_StatusChanged(const QString& name, int status)
{
    if (!m_registered)
        return;
    std::shared_ptr<clsRecordItem> record;
    QByteArray response;
    Step("record", [&] { record = m_records.Item(name); });
    Step("currentRecordState", [&] { m_items.Item(QStringLiteral("currentRecordState"))->SetUIntValue(status); });
    // A write record that went out and ended without a failure in between was written.
    if (status == applet::RecordState::WriteActive)
        m_writing = name;
    else if (status == applet::RecordState::Ready && name.compare(m_writing, Qt::CaseInsensitive) == 0)
        m_written << std::exchange(m_writing, QString());
    else if (status != applet::RecordState::Ready)
        m_writing.clear();
    Step("currentResponseCode", [&] {
        if (record)
            response = record->ResponseCode();
        // The item takes the response at its own length, whatever it held before.
        const auto item = m_items.Item(QStringLiteral("currentResponseCode"));
        if (!item->IsRegistered())
            throw automation::ComError(automation::E_FAIL_, QStringLiteral("currentResponseCode is not registered"));
        int32_t failed = 0;
        item->Manager()->fncPutOctetsValue(item->ItemHandle(), response, failed);
        if (failed != 0)
            throw automation::ComError(automation::E_FAIL_, QStringLiteral("currentResponseCode not written"));
    });
    if (status == applet::RecordState::Ready) {
        Step("currentRecord", [&] { m_items.Item(QStringLiteral("currentRecord"))->SetStringValue(QString()); });
        if (name.compare(m_repeatRecord, Qt::CaseInsensitive) == 0) {
            m_repeatRecord.clear();
            m_repeats = 0;
        }
        return;
    }
    Step("currentRecord", [&] { m_items.Item(QStringLiteral("currentRecord"))->SetStringValue(name); });
    if (!record)
        return;
    bool connected = false;
    Step("ConnectionStatus",
         [&] { connected = m_items.Item(QStringLiteral("ConnectionStatus"))->UIntValue() == kConnected; });
    if (!connected) {
        Answer(*record, applet::RecordAction::Accept);
        return;
    }
    Step("CommType", [&] {
        switch (m_deviceInfo->CommType()) {
        case enmCommType::HART:
            HartRules(*record, status, response);
            break;
        case enmCommType::PROFIBUS:
        case enmCommType::ff:
            FieldbusRules(*record, status, response);
            break;
        }
    });
}

void clsRecordMgr::HartRules(clsRecordItem& record, int status, const QByteArray& response)
{
    if (Contains(kHartNoResponseStates, status)) {
        RepeatBounded(record, QStringLiteral("no valid response (state %1)").arg(status));
        return;
    }
    if (!Contains(kFailedStates, status))
        return;
    const int command = ByteAt(response, 0);
    const int code = ByteAt(response, 1);
    if (code < 0) {
        // Without a response code there is nothing to look up: the general text.
        applet::AppletTrace::Error(QStringLiteral("%1: record %2 failed with a response of %3 bytes")
                                       .arg(kSource, record.Name())
                                       .arg(response.size()));
        HartMessage(record, QString(), code, response);
        return;
    }
    bool deviceType139 = false;
    Step("DeviceTypeHART",
         [&] { deviceType139 = m_items.Item(QStringLiteral("DeviceTypeHART"))->UIntValue() == kDeviceType139; });
    for (const HartRow& row : kHartRows) {
        if (!Matches(row.commands, command) || !Matches(row.codes, code) || (row.deviceType139 && !deviceType139))
            continue;
        switch (row.effect) {
        case HartEffect::Abort:
            RequestAbort(QStringLiteral("record %1: command %2 answered %3").arg(record.Name()).arg(command).arg(code));
            return;
        case HartEffect::Accept:
            Answer(record, applet::RecordAction::Accept);
            return;
        case HartEffect::TakeDeviceValue:
            if (!TakeDeviceValues(record, response))
                break;
            Answer(record, applet::RecordAction::Accept);
            return;
        case HartEffect::Repeat:
            RepeatBounded(record, QStringLiteral("device busy (response code %1)").arg(code));
            return;
        case HartEffect::RangeMessage: {
            const int textId = Contains(kRangeCommands, command) ? code + kRangeTextOffset : code;
            HartMessage(record, Text(textId), code, response);
            return;
        }
        case HartEffect::Message: {
            bool lookupFailed = false;
            QString text = Text(code, &lookupFailed);
            if (lookupFailed)
                text = QStringLiteral("Responsecode %1").arg(code);
            HartMessage(record, text, code, response);
            return;
        }
        }
    }
}

bool clsRecordMgr::TakeDeviceValues(clsRecordItem& record, const QByteArray& response)
{
    const auto description = m_manager ? m_manager->GetDescription() : nullptr;
    const applet::DescRecord* described = description ? description->FindRecord(record.Name()) : nullptr;
    if (!described || described->kind == applet::RecordKind::Read)
        return false;
    // The write was carried out: the device answers with what it now holds,
    // and the project takes that, so that it shows what the device holds.
    const QByteArray data = response.mid(kResponseDataOffset);
    QStringList taken;
    for (const applet::FieldLayout& field : described->response) {
        const int32_t handle = field.item.isEmpty() ? 0 : m_manager->HandleOf(field.item);
        const applet::AppletItem* item = m_manager->Item(handle);
        QVariant held;
        if (!item || !applet::ValueEncoding::Decode(field, item->Type(), item->Size(), data, held)
            || applet::ItemValue::Equal(item->Type(), held, item->Value()))
            continue;
        const QString before = applet::ItemValue::ToText(item->Type(), item->Value());
        const QString name = item->Name();
        const QString now = applet::ItemValue::ToText(item->Type(), held);
        if (m_manager->Write(handle, held, applet::WriteOrigin::Adjust)) {
            taken << QStringLiteral("%1 %2 (was %3)").arg(name, now, before);
            m_notices << QStringLiteral("the device took \"%1\" as %2 (%3 was sent: set to nearest possible value)")
                             .arg(name, now, before);
        }
    }
    applet::AppletTrace::Info(QStringLiteral("%1: record %2: the device set the nearest value it can hold%3")
                                  .arg(kSource, record.Name(),
                                       taken.isEmpty() ? QString() : QStringLiteral("; the project takes ") + taken.join(QStringLiteral(", "))));
    return true;
}

void clsRecordMgr::HartMessage(clsRecordItem& record, const QString& text, int responseCode,
                               const QByteArray& response)
{
    if (!BoxAllowedElsePassOver(record, QStringLiteral("response code %1").arg(responseCode)))
        return;
    const int32_t style = responseCode == 12 ? kStyleOkOnly : kStyleAbortRetryIgnore;
    const bool silent = SilentRecord();
    if (text.isEmpty()) {
        if (silent) {
            Answer(record, applet::RecordAction::Ignore);
            return;
        }
        ShowAndAnswer(record, Text(kTextParameterError), style, false, response);
        return;
    }
    if (!m_debugMode && silent) {
        Answer(record, applet::RecordAction::Ignore);
        return;
    }
    ShowAndAnswer(record, text, style, m_debugMode, response);
}

void clsRecordMgr::FieldbusRules(clsRecordItem& record, int status, const QByteArray& response)
{
    if (Contains(kFieldbusIgnoredStates, status)) {
        applet::AppletTrace::Info(
            QStringLiteral("%1: record %2 without valid response (state %3) passed over").arg(kSource, record.Name()).arg(status));
        Answer(record, applet::RecordAction::Ignore);
        return;
    }
    if (!Contains(kFailedStates, status))
        return;
    const QString current = CurrentRecord();
    bool notDifferential = false;
    Step("ModuleType",
         [&] { notDifferential = m_deviceInfo->ModuleType() != enmModuleType::DIFFERENTIAL_PRESSURE; });
    const int errorByte = ByteAt(response, 2);
    const int errorClass = errorByte < 0 ? -1 : errorByte >> 4;
    const int errorCode = errorByte < 0 ? -1 : errorByte & 0x0F;
    for (const FieldbusRow& row : kFieldbusRows) {
        if (!row.record.isEmpty() && current != row.record)
            continue;
        if (row.notDifferentialModule && !notDifferential)
            continue;
        if (row.errorClass >= 0 && (row.errorClass != errorClass || row.errorCode != errorCode))
            continue;
        if (row.effect == FieldbusEffect::Repeat) {
            RepeatBounded(record, QStringLiteral("device busy (error class %1, code %2)").arg(errorClass).arg(errorCode));
        } else {
            applet::AppletTrace::Info(QStringLiteral("%1: error of record %2 passed over").arg(kSource, current));
            Answer(record, applet::RecordAction::Ignore);
        }
        return;
    }
    if (!BoxAllowedElsePassOver(record, QStringLiteral("error byte %1").arg(errorByte)))
        return;
    QString text;
    if (errorByte < 0) {
        applet::AppletTrace::Error(QStringLiteral("%1: record %2 failed with a response of %3 bytes")
                                       .arg(kSource, record.Name())
                                       .arg(response.size()));
        text = Text(kTextParameterError);
    } else {
        text = Text(errorClass * kFieldbusClassFactor + errorCode);
    }
    if (text.isEmpty()) {
        applet::AppletTrace::Info(QStringLiteral("%1: record %2: error class %3 code %4 has no text; ignored")
                                      .arg(kSource, record.Name())
                                      .arg(errorClass)
                                      .arg(errorCode));
        Answer(record, applet::RecordAction::Ignore);
        return;
    }
    ShowAndAnswer(record, text, kStyleAbortRetryIgnore, m_debugMode, response);
}

bool clsRecordMgr::BoxAllowedElsePassOver(clsRecordItem& record, const QString& what)
{
    bool allowed = false;
    Step("message-box rule", [&] { allowed = Module1::MessageBoxAllowed(m_items); });
    if (allowed)
        return true;
    // Nobody can be asked: the record goes on, but the error must not pass as success.
    m_transferFailed = true;
    applet::AppletTrace::Error(
        QStringLiteral("%1: record %2 failed (%3) with no form open; ignored and the transfer marked failed")
            .arg(kSource, record.Name(), what));
    Answer(record, applet::RecordAction::Ignore);
    return false;
}

void clsRecordMgr::ShowAndAnswer(clsRecordItem& record, const QString& text, int32_t style, bool detailed,
                                 const QByteArray& response)
{
    QString prompt = text;
    if (detailed) {
        const int byte3 = ByteAt(response, 3);
        const QString code = byte3 < 0 ? QStringLiteral("--") : QString::number(byte3, 16).toUpper();
        prompt = QStringLiteral("Record=%1, Responsecode=0x%2\n%3").arg(CurrentRecord(), code, text);
    }
    int32_t button = 0;
    Step("message box", [&] { button = Module1::ShowMessageOnTop(prompt, style, QString()); });
    AnswerByButton(record, button);
}

void clsRecordMgr::AnswerByButton(clsRecordItem& record, int32_t button)
{
    for (const ButtonAnswer& row : kButtonAnswers) {
        if (static_cast<int32_t>(row.button) != button)
            continue;
        if (row.action == kAbortInstead)
            RequestAbort(QStringLiteral("record %1: the user chose Abort").arg(record.Name()));
        else
            Answer(record, row.action);
        return;
    }
}

void clsRecordMgr::RepeatBounded(clsRecordItem& record, const QString& why)
{
    if (record.Name().compare(m_repeatRecord, Qt::CaseInsensitive) != 0) {
        m_repeatRecord = record.Name();
        m_repeats = 0;
    }
    if (m_repeats >= kMaxRepeats) {
        m_repeatRecord.clear();
        m_repeats = 0;
        m_transferFailed = true;
        RequestAbort(QStringLiteral("record %1: %2 after %3 repeats").arg(record.Name(), why).arg(kMaxRepeats));
        return;
    }
    ++m_repeats;
    // Answered at once: the applet host spaces the repeats of a record itself.
    Answer(record, applet::RecordAction::Repeat);
}

void clsRecordMgr::Answer(clsRecordItem& record, int32_t action)
{
    Step("DoAction", [&] { record.DoAction(action); });
}

void clsRecordMgr::RequestAbort(const QString& why)
{
    applet::AppletTrace::Error(QStringLiteral("%1: abort requested: %2").arg(kSource, why));
    Step("abortSequences", [&] { corvane::RequestAbort(m_manager); });
}

QString clsRecordMgr::Text(int32_t textId, bool* lookupFailed)
{
    QString text;
    bool failed = true;
    Step("text", [&] {
        text = Module1::LoadLocalizedText(m_deviceInfo->CountryCode(), textId);
        failed = false;
    });
    if (lookupFailed)
        *lookupFailed = failed;
    return text;
}

QString clsRecordMgr::CurrentRecord()
{
    QString name;
    Step("currentRecord", [&] { name = m_items.Item(QStringLiteral("currentRecord"))->StringValue(); });
    return name;
}

bool clsRecordMgr::SilentRecord()
{
    bool silent = false;
    Step("ModuleType", [&] {
        silent = m_deviceInfo->ModuleType() != enmModuleType::DIFFERENTIAL_PRESSURE
                 && CurrentRecord() == kStaticPressureScaleIn;
    });
    return silent;
}

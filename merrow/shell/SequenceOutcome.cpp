#include "merrow/shell/SequenceOutcome.h"
#include "merrow/shell/global.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/comm/hart/HartStatus.h"
#include <QStringList>
#include <memory>

namespace {

// The octet of a record's response that holds the device's response code.
constexpr int kResponseCodeOctet = 1;

// The reason of a refusal in words, by response code; any other code is
// named by its number.
struct RefusalText {
    int code;
    int16_t textId;
};
constexpr RefusalText kRefusalTexts[] = {
    {comm::ResponseCode::CommandNotImplemented, 3992}, // "The device does not support this command."
    {comm::ResponseCode::WriteProtected, 3993},        // "The device is write-protected."
    {comm::ResponseCode::AccessRestricted, 3994},      // "The device restricts the access to this function."
};
constexpr int16_t kOtherRefusalText = 3995; // "The device refused the command (response code %1)."
constexpr int16_t kNothingDoneText = 3996;  // "The function was not carried out."

QStringList RecordsOf(applet::clsAppletItemManager& manager, const QString& sequence)
{
    std::shared_ptr<applet::TdxFileParser> dictionary;
    manager.GetDataDictionary(dictionary);
    QStringList records;
    if (!dictionary)
        return records;
    int32_t handle = 0;
    int32_t error = 0;
    dictionary->fncGetEntryHandle(QStringLiteral("Sequence"), sequence, handle, error);
    if (error != 0)
        return records;
    QString text;
    int32_t count = 0;
    dictionary->fncGetSequenceRecords(handle, text, error, records, count);
    if (error != 0)
        records.clear();
    return records;
}

} // namespace

namespace sequenceoutcome {

SequenceOutcome Judge(applet::clsAppletItemManager* manager, const QString& sequence)
{
    SequenceOutcome outcome;
    if (!manager) {
        applet::AppletTrace::Error(QStringLiteral("no item manager to read the end of %1").arg(sequence));
        outcome.end = SequenceOutcome::End::Stopped;
        return outcome;
    }
    double control = 0;
    int32_t failed = 0;
    manager->fncGetUIntValue(
        manager->HandleOf(applet::SubItemName::Compose(applet::SubItemKind::SequenceControl, sequence)), control, failed);
    if (failed != 0 || static_cast<int32_t>(control) == applet::SequenceAction::Stop) {
        outcome.end = SequenceOutcome::End::Stopped;
        return outcome;
    }
    for (const QString& record : RecordsOf(*manager, sequence)) {
        QByteArray response;
        int32_t unread = 0;
        manager->fncGetOctetsValue(
            manager->HandleOf(applet::SubItemName::Compose(applet::SubItemKind::RecordResponse, record)), response,
            unread);
        if (unread != 0 || response.size() <= kResponseCodeOctet)
            continue;
        const auto code = static_cast<uint8_t>(response[kResponseCodeOctet]);
        if (comm::responseCodeClass(code) != comm::ResponseCodeClass::Error)
            continue;
        outcome.end = SequenceOutcome::End::Refused;
        outcome.responseCode = code;
        outcome.record = record;
        applet::AppletTrace::Error(
            QStringLiteral("%1: the device refused record %2 with response code %3").arg(sequence, record).arg(code));
        return outcome;
    }
    return outcome;
}

QString RefusalReason(const SequenceOutcome& outcome)
{
    if (outcome.end != SequenceOutcome::End::Refused)
        return QString();
    QString reason = global::FillPlaceholders(global::LoadLocalizedText(kOtherRefusalText), {outcome.responseCode});
    for (const RefusalText& known : kRefusalTexts)
        if (known.code == outcome.responseCode)
            reason = global::LoadLocalizedText(known.textId);
    return QStringLiteral("%1 %2").arg(reason, global::LoadLocalizedText(kNothingDoneText));
}

QString FailureText(const QString& notDone, const SequenceOutcome& outcome)
{
    if (outcome.end != SequenceOutcome::End::Refused)
        return notDone;
    return QStringLiteral("%1\n%2").arg(notDone, RefusalReason(outcome));
}

} // namespace sequenceoutcome

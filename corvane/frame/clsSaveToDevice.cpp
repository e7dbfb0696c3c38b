#include "corvane/frame/clsSaveToDevice.h"
#include "corvane/frame/clsDatasetValid.h"
#include "corvane/rules/Module1.h"
#include "corvane/rules/clsMvCalculation.h"
#include "mvtrivexhelper/HelperErrors.h"
#include "mvtrivexhelper/NumberText.h"
#include "pioextensions/clsAppItem.h"
#include "pioextensions/clsAppItemCollection.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/dialogs/DialogService.h"
#include <algorithm>
#include <array>

namespace {

const QString kAbortSequences = QStringLiteral("abortSequences");
const QString kCountryCode = QStringLiteral("&&private&&countrycode");

// The verdicts of the compatibility check that let the dataset be written: it
// fits, or the device's revision is not supported / the connection is lost.
constexpr std::array kWritableVerdicts = {static_cast<int>(clsDatasetValid::kFits),
                                          static_cast<int>(clsDatasetValid::kRevisionUnsupportedOrLost)};

// The classic style of the blocked-write box: OK button, exclamation icon.
constexpr int kExclamationOk = 48;

} // namespace

bool clsSaveToDevice::Writable(int verdict)
{
    return std::find(kWritableVerdicts.begin(), kWritableVerdicts.end(), verdict) != kWritableVerdicts.end();
}

void clsSaveToDevice::Perform()
{
    double verdict = 0;
    {
        const std::unique_ptr<clsAppItem> inCompatible = Bind(clsDatasetValid::kInCompatibleDataset);
        verdict = Number(*inCompatible);
    }
    if (verdict == static_cast<int>(verdict) && Writable(static_cast<int>(verdict)))
        Download();
    else
        TellBlocked();
}

void clsSaveToDevice::Download()
{
    const std::unique_ptr<clsAppItem> abortSequences = Bind(kAbortSequences);
    const std::unique_ptr<clsAppItem> calculateMv = Bind(clsMvCalculation::kCalculateMv);
    abortSequences->SetStringValue(QStringLiteral("0"));
    // The calculation runs inside this write and, when it fails, has asked
    // for the abort before the write returns.
    calculateMv->SetStringValue(QStringLiteral("1"));
    if (Number(*abortSequences) != 0) {
        applet::AppletTrace::Info(QStringLiteral("%1: the calculation before the download asked for the abort; "
                                                 "nothing is written to the device")
                                      .arg(Source()));
        return;
    }
    int32_t result = 0;
    Applet()->StartSequence(kDownloadSequence, result);
    if (result != applet::kResultOk)
        applet::AppletTrace::Error(QStringLiteral("%1: %2 not started: %3")
                                       .arg(Source(), kDownloadSequence, applet::ResultText(result)));
}

void clsSaveToDevice::TellBlocked()
{
    applet::AppletTrace::Info(
        QStringLiteral("%1: the dataset does not fit the device; nothing is written to it").arg(Source()));
    clsAppItemCollection items;
    Module1::AddMessageBoxItems(items);
    items.Register(appletItemManagerRef());
    if (!Module1::MessageBoxAllowed(items))
        return;
    const std::unique_ptr<clsAppItem> countryCode = Bind(kCountryCode);
    int16_t country = 0;
    if (!NumberText::RoundToInt16(Number(*countryCode), country))
        HelperErrors::Raise(HelperErrors::kOverflow,
                            QStringLiteral("%1 holds no country code: %2").arg(kCountryCode, countryCode->StringValue()),
                            Source());
    dialogs::DialogService::instance().ShowMessageStyle(Module1::LoadLocalizedText(country, kTextBlocked),
                                                        kExclamationOk, QString());
}

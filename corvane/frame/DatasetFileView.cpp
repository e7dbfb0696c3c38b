#include "corvane/frame/DatasetFileView.h"
#include "corvane/frame/ComponentSupport.h"
#include "corvane/frame/clsStartAlwaysView.h"
#include "corvane/rules/Module1.h"
#include "mvtrivexhelper/NumberText.h"
#include "pioextensions/clsAppItem.h"
#include "pioextensions/clsAppItemCollection.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"

namespace {

const QString kCountryCode = QStringLiteral("&&private&&countrycode");

// The frame view of the manager's applet; none while it is not started.
std::shared_ptr<clsStartAlwaysView> FrameView(const applet::clsAppletItemManager& manager)
{
    for (const auto& view : manager.RegisteredViews())
        if (auto frameView = std::dynamic_pointer_cast<clsStartAlwaysView>(view))
            return frameView;
    return nullptr;
}

} // namespace

// One row per view: the marker that stands in "currentSequence" while the
// operation runs, the operation of the applet host, and whether the host
// tells the user itself when it refuses the file.
struct DatasetFileView::Row {
    Command command;
    const char* marker;
    const char* operation;
    void (*run)(applet::AppletHost& host, int32_t& result);
    bool hostTellsRefusal;
    int32_t failureText;
};

const DatasetFileView::Row& DatasetFileView::RowOf(Command command)
{
    static const Row kRows[] = {
        {Command::Load, "ReadFile", "LoadDataset", [](applet::AppletHost& host, int32_t& result) { host.LoadDataset(result); },
         true, kTextNotLoaded},
        {Command::Save, "WriteFile", "SaveToDatabase",
         [](applet::AppletHost& host, int32_t& result) { host.SaveToDatabase(0, result); }, false, kTextNotSaved},
        {Command::SaveAs, "WriteFile", "SaveDatasetAs",
         [](applet::AppletHost& host, int32_t& result) { host.SaveDatasetAs(result); }, true, kTextNotSaved},
    };
    for (const Row& row : kRows)
        if (row.command == command)
            return row;
    return kRows[0];
}

void DatasetFileView::Perform()
{
    const Row& row = RowOf(m_command);
    const auto manager = appletItemManagerRef();
    const std::shared_ptr<clsStartAlwaysView> frameView =
        m_command == Command::Load && manager ? FrameView(*manager) : nullptr;
    // The pairs as the project held them: the item of a pair that the file
    // changed is the edit.
    const twins::PairTexts before = frameView ? twins::Snapshot(*manager) : twins::PairTexts{};
    bool loaded = false;
    try {
        Run(row, loaded);
    } catch (const std::exception& error) {
        const QString reason = corvane::Describe(error);
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(Source(), reason));
        Report(row, reason);
        throw;
    }
    // The rules run once the marker is gone, as for a user's edit.
    if (loaded && frameView)
        if (const QString failure = frameView->ValuesEntered(QStringLiteral("a dataset file was loaded"), &before);
            !failure.isEmpty()) {
            applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(Source(), failure));
            Report(row, failure);
        }
}

void DatasetFileView::Run(const Row& row, bool& loaded)
{
    {
        const std::unique_ptr<clsAppItem> currentSequence = Bind(kCurrentSequence);
        currentSequence->SetStringValue(QLatin1String(row.marker));
        // The marker goes whatever the operation does, also when it raises:
        // a marker left standing would silence every rule for the session.
        struct ClearMarker {
            clsAppItem& item;
            QString source;
            ~ClearMarker()
            {
                try {
                    item.SetStringValue(QString());
                } catch (const std::exception& error) {
                    applet::AppletTrace::Error(QStringLiteral("%1: \"currentSequence\" could not be cleared: %2")
                                                   .arg(source, corvane::Describe(error)));
                }
            }
        } clearMarker{*currentSequence, Source()};
        int32_t result = 0;
        row.run(*Applet(), result);
        if (result == applet::kResultCancelled)
            return;
        if (result != applet::kResultOk) {
            const QString reason =
                QStringLiteral("%1 failed: %2").arg(QLatin1String(row.operation), applet::ResultText(result));
            applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(Source(), reason));
            if (!row.hostTellsRefusal || result != applet::kResultFileError)
                Report(row, reason);
            return;
        }
        loaded = m_command == Command::Load;
    }
}

// The failure in the user's language, under the rule for message boxes; a
// box that cannot be shown is traced, the failure stays the one reported.
void DatasetFileView::Report(const Row& row, const QString& reason) const
{
    try {
        clsAppItemCollection items;
        Module1::AddMessageBoxItems(items);
        items.Add(kCountryCode, false, 0);
        items.Register(appletItemManagerRef());
        const bool allowed = Module1::MessageBoxAllowed(items);
        int16_t country = Module1::kCountryEnglish;
        double code = 0;
        if (NumberText::ToNumber(items.Item(kCountryCode)->StringValue(), code))
            NumberText::RoundToInt16(code, country);
        items.UnRegister();
        if (allowed)
            Module1::ShowMessageOnTop(Module1::LoadLocalizedText(country, row.failureText) + QStringLiteral("\n\n")
                                          + reason,
                                      48, QString());
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: the failure could not be shown: %2").arg(Source(), corvane::Describe(error)));
    }
}

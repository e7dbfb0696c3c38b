#include "platform/applet/clsAppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/DatasetFile.h"
#include "platform/applet/Description.h"
#include "platform/applet/IFbInstanceData.h"
#include "platform/applet/LiveValuePoller.h"
#include "platform/applet/SequenceRunner.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/ValueAdmission.h"
#include "platform/applet/View.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/applet/clsCommClient.h"
#include "platform/applet/clsTdxFileParser.h"
#include "platform/dialogs/DialogService.h"
#include "platform/loop/EventLoop.h"
#include <QFileInfo>
#include <QHash>
#include <exception>

namespace applet {

namespace {

const QString kCloseFormMessage = QStringLiteral("FNCCLOSEFORM:");
const QString kDatasetExtension = QStringLiteral(".tds");

// What the user reads of the dataset files, in English and German.
struct HostText {
    const char* english;
    const char* german;
};
constexpr HostText kDatasetFilter = {"Trivex dataset (*.tds);;All files (*)",
                                     "Trivex-Datensatz (*.tds);;Alle Dateien (*)"};
constexpr HostText kLoadTitle = {"Load dataset", "Datensatz laden"};
constexpr HostText kSaveAsTitle = {"Save dataset as", "Datensatz speichern unter"};
constexpr HostText kNotLoaded = {"The dataset was not loaded from the file",
                                 "Der Datensatz wurde nicht aus der Datei geladen"};
constexpr HostText kNotSaved = {"The dataset was not saved in the file",
                                "Der Datensatz wurde nicht in der Datei gespeichert"};

QString InLanguage(const HostText& text, const std::shared_ptr<clsAppletItemManager>& manager)
{
    const bool german = manager && UserNumber::CountryCode(*manager) == UserNumber::kCountryGerman;
    return QString::fromUtf8(german ? text.german : text.english);
}

// The language number of the parser from the country code of the init string.
int32_t LanguageOf(const QString& initString)
{
    for (const QString& part : initString.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int equals = part.indexOf(QLatin1Char('='));
        if (equals < 0 || !part.left(equals).trimmed().endsWith(QLatin1String("countrycode"), Qt::CaseInsensitive))
            continue;
        const int code = part.mid(equals + 1).trimmed().toInt();
        if (code == 49 || code == 33 || code == 34)
            return code;
    }
    return 1;
}

} // namespace

clsAppletHost::clsAppletHost() = default;

clsAppletHost::~clsAppletHost()
{
    Teardown(true);
}

// --- Start-up -------------------------------------------------------------------

void clsAppletHost::fncInit(const QString& tdxPath, const QString&, const QString& initString, int32_t& code)
{
    const auto keep = KeepAlive();
    if (m_manager || m_destroyed) {
        AppletTrace::Error(QStringLiteral("fncInit: the applet is already started"));
        code = kResultNotInitialised;
        return;
    }
    auto parser = std::make_shared<clsTdxFileParser>();
    QString error;
    int32_t status = 0;
    parser->Load(kTdxKindDevice, tdxPath, LanguageOf(initString), error, status);
    if (status != 0) {
        AppletTrace::Error(QStringLiteral("fncInit: %1").arg(error));
        code = kResultDescriptionInvalid;
        return;
    }
    m_parser = parser;
    m_description = parser->GetDescription();
    m_manager = std::make_shared<clsAppletItemManager>(m_description, m_parser, weak_from_this());
    m_comm = std::make_shared<clsCommClient>(m_manager, m_description);
    m_sequences = std::make_unique<SequenceRunner>(*m_manager, *m_comm, m_description);
    m_poller = std::make_unique<LiveValuePoller>(*m_manager, *m_comm, *m_sequences, m_description);
    m_comm->SetListener({[this](const IoResponse& response) {
                             if (!m_poller->OnResponse(response))
                                 m_sequences->OnResponse(response);
                         },
                         [this] {
                             m_poller->Stop();
                             m_sequences->OnConnectionEnding();
                         }});
    m_manager->SetIntervalObserver([this] { m_poller->Reschedule(); });
    m_manager->SetObservers(
        [this](const AppletItem& item, WriteOrigin origin, bool shadowChange) {
            OnItemChanged(item, origin, shadowChange);
        },
        [this](const View* view) { OnViewUnregistered(view); });

    m_dirtyHandle = m_manager->HandleOf(QStringLiteral("&&private&&Dirty"));
    m_messageHandle = m_manager->HandleOf(QStringLiteral("&&private&&Message"));
    m_activeFormsHandle = m_manager->HandleOf(QStringLiteral("&&private_FDT&&ActiveForms"));
    m_fileNameHandle = m_manager->HandleOf(QStringLiteral("&&private_PM&&FileName"));

    if (m_store) {
        if (const int32_t loaded = LoadValues(false); loaded == kResultValueRefused) {
            code = loaded;
            return;
        }
    }
    ApplyInitString(initString);
    WriteText(m_manager->HandleOf(QStringLiteral("&&private_PM&&TDXPath")),
              QFileInfo(tdxPath).absolutePath() + QLatin1Char('/'));
    WriteNumber(m_dirtyHandle, 0);
    code = kResultOk;
    for (const QString& progId : m_description->startViews) {
        int32_t result = 0;
        StartView(progId, result);
        if (result != 0)
            AppletTrace::Error(QStringLiteral("fncInit: view %1 not started: %2").arg(progId, ResultText(result)));
    }
}

void clsAppletHost::ApplyInitString(const QString& initString)
{
    for (const QString& part : initString.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int equals = part.indexOf(QLatin1Char('='));
        const QString name = part.left(equals).trimmed();
        const int32_t handle = equals > 0 ? m_manager->HandleOf(name) : 0;
        if (handle == 0) {
            AppletTrace::Error(QStringLiteral("fncInit: '%1' assigns no known item").arg(part));
            continue;
        }
        WriteText(handle, part.mid(equals + 1).trimmed());
    }
}

void clsAppletHost::WriteText(int32_t handle, const QString& text)
{
    const AppletItem* item = m_manager ? m_manager->Item(handle) : nullptr;
    if (!item)
        return;
    QVariant stored;
    QString why;
    if (!ItemValue::FromText(item->Type(), item->Size(), text, stored, &why)) {
        AppletTrace::Error(QStringLiteral("%1 does not take '%2': %3").arg(item->Name(), text, why));
        return;
    }
    m_manager->Write(handle, stored, WriteOrigin::Host);
}

void clsAppletHost::WriteNumber(int32_t handle, double value)
{
    const AppletItem* item = m_manager ? m_manager->Item(handle) : nullptr;
    QVariant stored;
    if (item && ItemValue::FromNumber(item->Type(), item->Size(), value, stored))
        m_manager->Write(handle, stored, WriteOrigin::Host);
}

void clsAppletHost::GetItemManager(std::shared_ptr<clsAppletItemManager>& manager)
{
    manager = m_manager;
}

// --- Item changes ------------------------------------------------------------------

void clsAppletHost::OnItemChanged(const AppletItem& item, WriteOrigin origin, bool shadowChange)
{
    if (m_destroyed)
        return;
    if (!m_loading && !shadowChange && origin != WriteOrigin::Device && item.IsPersistent())
        WriteNumber(m_dirtyHandle, 1);
    m_sequences->OnItemChanged(item);
    m_poller->OnItemChanged(item);
}

// --- Connection --------------------------------------------------------------------

void clsAppletHost::fncSetCServer(const std::shared_ptr<CServerRequestClass>& server, int32_t& code)
{
    if (!Initialised()) {
        AppletTrace::Error(QStringLiteral("fncSetCServer before fncInit refused"));
        code = kServerRefused;
        return;
    }
    m_comm->SetServer(server);
    code = kServerAccepted;
}

void clsAppletHost::Connect(int32_t, int32_t& result)
{
    result = Initialised() ? m_comm->Connect() : kResultNotInitialised;
    if (result != 0)
        AppletTrace::Error(QStringLiteral("Connect refused: %1").arg(ResultText(result)));
}

void clsAppletHost::Disconnect(int32_t, int32_t& result)
{
    result = Initialised() ? m_comm->Disconnect() : kResultNotInitialised;
}

// --- Sequences ---------------------------------------------------------------------

void clsAppletHost::StartSequence(const QString& sequenceName, int32_t& result)
{
    result = Initialised() ? m_sequences->Start(sequenceName) : kResultNotInitialised;
    if (result == kResultBusy)
        AppletTrace::Info(QStringLiteral("Sequence %1 not started: %2 runs").arg(sequenceName, m_sequences->RunningSequence()));
    else if (result != 0)
        AppletTrace::Error(QStringLiteral("Sequence %1 not started: %2").arg(sequenceName, ResultText(result)));
}

void clsAppletHost::ForceSequence(const QString& sequenceName, int32_t& result)
{
    StartSequence(sequenceName, result);
}

void clsAppletHost::StartAdjust(const QString& sequenceName, int32_t& result)
{
    result = Initialised() ? m_sequences->StartAdjust(sequenceName) : kResultNotInitialised;
    if (result != 0 && result != kResultBusy)
        AppletTrace::Error(QStringLiteral("Adjust of %1 not started: %2").arg(sequenceName, ResultText(result)));
}

void clsAppletHost::LoadFromDevice(int32_t, int32_t& result)
{
    StartSequence(kUploadSequence, result);
}

// --- Instance data ------------------------------------------------------------------

void clsAppletHost::fncSetDBInstance(const std::shared_ptr<IFbInstanceData>& store, int32_t& code)
{
    if (!store || m_destroyed) {
        code = kResultInvalidArgument;
        return;
    }
    m_store = store;
    code = kResultOk;
}

int32_t clsAppletHost::ReadStoredValues(QList<QPair<int32_t, QVariant>>& values, QString* refusal) const
{
    if (!m_store)
        return kResultNoStore;
    for (int32_t handle = 1; handle <= m_manager->ItemCount(); ++handle) {
        const AppletItem* item = m_manager->Item(handle);
        if (!item->IsPersistent())
            continue;
        QVariant value;
        int32_t result = 0;
        try {
            result = m_store->ReadParameter(QVariant(), kInstanceId, item->Name(), value);
        } catch (const std::exception& error) {
            AppletTrace::Error(QStringLiteral("ReadParameter(%1) failed: %2").arg(item->Name(), QString::fromLocal8Bit(error.what())));
            result = kResultStoreFailed;
        }
        if (result != 0) {
            AppletTrace::Error(QStringLiteral("The instance-data store did not give %1 (%2); no value is reloaded")
                                   .arg(item->Name(), ResultText(result)));
            return result;
        }
        // A value the item cannot hold is no value to download: the dataset
        // is refused, never loaded with a substitute.
        QVariant stored;
        QString why;
        if (value.isValid()
            && !ValueAdmission::FromText(m_description.get(), *item, value.toString(), stored, why)) {
            const QString text = ValueAdmission::Refusal(item->Name(), value.toString(), why);
            AppletTrace::Error(QStringLiteral("The stored dataset is not loaded: %1").arg(text));
            if (refusal)
                *refusal = text;
            return kResultValueRefused;
        }
        values.append({handle, stored});
    }
    return kResultOk;
}

int32_t clsAppletHost::LoadValues(bool refresh)
{
    // Every value is read before the first one is taken, so that a store that
    // fails leaves the applet, its unsaved changes and their mark as they were.
    QList<QPair<int32_t, QVariant>> values; // stored form; none: back to the description default
    m_refusal.clear();
    if (const int32_t read = ReadStoredValues(values, &m_refusal); read != kResultOk)
        return read;
    for (const auto& [handle, stored] : values) {
        if (stored.isValid())
            m_manager->Load(handle, stored);
        else
            m_manager->ResetToDefault(handle);
    }
    WriteNumber(m_dirtyHandle, 0);
    if (refresh) {
        // What the views' rules derive again from the values just loaded (the
        // device's tag from the project's) is part of the load, no change of
        // the user's: the dataset stays unmarked, and nothing asks to save it.
        const bool loading = std::exchange(m_loading, true);
        m_manager->RefreshAll();
        m_loading = loading;
    }
    return kResultOk;
}

void clsAppletHost::LoadFromDatabase(int32_t, int32_t& result)
{
    const auto keep = KeepAlive();
    result = Initialised() ? LoadValues(true) : kResultNotInitialised;
}

bool clsAppletHost::HoldsChanges()
{
    const auto keep = KeepAlive();
    if (!Initialised())
        return false;
    if (m_manager->Item(m_dirtyHandle) && m_manager->Item(m_dirtyHandle)->Value().toDouble() == 0)
        return false;
    // The mark counts writes, not differences: a rule that wrote a value and
    // the connection that wrote it back leave the mark set on what is stored.
    QList<QPair<int32_t, QVariant>> values;
    if (ReadStoredValues(values) != kResultOk)
        return true;
    for (const auto& [handle, stored] : values) {
        const AppletItem* item = m_manager->Item(handle);
        if (item->Value() != (stored.isValid() ? stored : item->Initial()))
            return true;
    }
    WriteNumber(m_dirtyHandle, 0);
    return false;
}

void clsAppletHost::SaveToDatabase(int32_t, int32_t& result)
{
    const auto keep = KeepAlive();
    if (!Initialised() || !m_store) {
        result = Initialised() ? kResultNoStore : kResultNotInitialised;
        return;
    }
    result = kResultOk;
    for (int32_t handle = 1; handle <= m_manager->ItemCount(); ++handle) {
        const AppletItem* item = m_manager->Item(handle);
        if (!item->IsPersistent())
            continue;
        const clsParameterInfo info(handle, item->Name(), static_cast<int32_t>(item->Type()),
                                    ItemValue::ToText(item->Type(), item->Value(), item->Style()));
        int32_t written = 0;
        try {
            written = m_store->WriteParameterInfo(QVariant(), kInstanceId, info);
        } catch (const std::exception& error) {
            AppletTrace::Error(QStringLiteral("WriteParameterInfo(%1) failed: %2").arg(item->Name(), QString::fromLocal8Bit(error.what())));
            written = kResultStoreFailed;
        }
        if (written != 0 && result == kResultOk) {
            AppletTrace::Error(QStringLiteral("SaveToDatabase: %1 not stored: %2").arg(item->Name(), ResultText(written)));
            result = written;
        }
    }
    // A store that failed part-way holds neither the old nor the whole new
    // dataset: the mark stays set, so nobody is told the dataset was saved
    // and closing the window still asks.
    WriteNumber(m_dirtyHandle, result == kResultOk ? 0 : 1);
}

// --- Dataset files ----------------------------------------------------------------------

dialogs::FileDialogRequest clsAppletHost::DatasetFileRequest(const QString& title) const
{
    const AppletItem* item = m_manager ? m_manager->Item(m_fileNameHandle) : nullptr;
    const QString file = item ? ItemValue::ToText(item->Type(), item->Value()) : QString();
    dialogs::FileDialogRequest request;
    request.title = title;
    request.folder = file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
    request.defaultName = file.isEmpty() ? QString() : QFileInfo(file).fileName();
    request.filter = InLanguage(kDatasetFilter, m_manager);
    return request;
}

// A dataset file the user chose but that was not read or written: the user is
// told why, and the reason is traced.
int32_t clsAppletHost::RefuseDatasetFile(const QString& title, const QString& what, const QString& path,
                                        const QString& reason)
{
    AppletTrace::Error(QStringLiteral("%1: %2: %3").arg(title, path, reason));
    dialogs::DialogService::instance().Warning(title, QStringLiteral("%1\n%2\n\n%3").arg(what, path, reason));
    return kResultFileError;
}

void clsAppletHost::LoadDataset(int32_t& result)
{
    const auto keep = KeepAlive();
    if (!Initialised()) {
        result = kResultNotInitialised;
        return;
    }
    const QString title = InLanguage(kLoadTitle, m_manager);
    const QString path = dialogs::DialogService::instance().ChooseOpenFile(DatasetFileRequest(title));
    if (path.isEmpty()) {
        result = kResultCancelled;
        return;
    }
    if (m_destroyed) { // the applet ended while the dialog was open
        result = kResultNotInitialised;
        return;
    }
    const QString refused = InLanguage(kNotLoaded, m_manager);
    DatasetFile::Contents contents;
    QString error;
    if (!DatasetFile::Read(path, contents, error)) {
        result = RefuseDatasetFile(title, refused, path, error);
        return;
    }
    // Every value is checked before the first one is taken.
    QList<DatasetFile::Accepted> accepted;
    QStringList skipped;
    if (!DatasetFile::Check(contents, *m_description, *m_manager, accepted, skipped, error)) {
        result = RefuseDatasetFile(title, refused, path, error);
        return;
    }
    if (!skipped.isEmpty())
        AppletTrace::Info(QStringLiteral("LoadDataset: %1 keeps values this applet does not (revision %2): %3")
                              .arg(path, contents.softwareRevision, skipped.join(QStringLiteral(", "))));
    m_loading = true;
    for (const DatasetFile::Accepted& value : accepted)
        m_manager->Load(value.handle, value.stored);
    m_loading = false;
    WriteText(m_fileNameHandle, path);
    WriteNumber(m_dirtyHandle, 1);
    m_manager->RefreshAll();
    result = kResultOk;
}

void clsAppletHost::SaveDatasetAs(int32_t& result)
{
    const auto keep = KeepAlive();
    if (!Initialised()) {
        result = kResultNotInitialised;
        return;
    }
    const QString title = InLanguage(kSaveAsTitle, m_manager);
    QString path = dialogs::DialogService::instance().ChooseSaveFile(DatasetFileRequest(title));
    if (path.isEmpty()) {
        result = kResultCancelled;
        return;
    }
    if (m_destroyed) {
        result = kResultNotInitialised;
        return;
    }
    // A name typed without an extension gets the dataset's, so that Open finds the file again.
    if (QFileInfo(path).suffix().isEmpty())
        path += kDatasetExtension;
    const QString refused = InLanguage(kNotSaved, m_manager);
    DatasetFile::Contents contents;
    QString error;
    if (!DatasetFile::Collect(*m_description, *m_manager, contents, error)
        || !DatasetFile::Write(path, contents, error)) {
        result = RefuseDatasetFile(title, refused, path, error);
        return;
    }
    WriteText(m_fileNameHandle, path);
    result = kResultOk;
}

// --- Views ------------------------------------------------------------------------------

int32_t clsAppletHost::CreateView(const QString& progId, std::shared_ptr<View>& view)
{
    try {
        view = automation::ClassRegistry::instance().Create<View>(progId);
    } catch (const automation::ComError& error) {
        AppletTrace::Error(QStringLiteral("View %1 not created: %2").arg(progId, error.description()));
        return kResultViewNotCreated;
    }
    return view ? kResultOk : kResultViewNotCreated;
}

void clsAppletHost::StartView(const QString& progId, int32_t& result)
{
    const auto keep = KeepAlive();
    if (!Initialised()) {
        result = kResultNotInitialised;
        return;
    }
    std::shared_ptr<View> view;
    result = CreateView(progId, view);
    if (result != kResultOk)
        return;
    m_manager->RegisterView(view, result);
    if (!m_manager->IsRegistered(view.get()))
        return; // the view did its work and closed itself
    int32_t shown = 0;
    try {
        view->Show(shown);
    } catch (const std::exception& error) {
        AppletTrace::Error(QStringLiteral("Show of %1 failed: %2").arg(progId, QString::fromLocal8Bit(error.what())));
    }
}

void clsAppletHost::StartSingleView(const QString& formName, int32_t& result)
{
    const auto keep = KeepAlive();
    if (!Initialised()) {
        result = kResultNotInitialised;
        return;
    }
    for (const OpenForm& form : m_forms) {
        const std::shared_ptr<View> open = form.view.lock();
        if (open && form.name.compare(formName, Qt::CaseInsensitive) == 0 && m_manager->IsRegistered(open.get())) {
            int32_t shown = 0;
            open->Show(shown);
            result = kResultOk;
            return;
        }
    }
    const DescForm* described = m_description->FindForm(formName);
    const QString progId = described ? described->progId : formName;
    std::shared_ptr<View> view;
    result = CreateView(progId, view);
    if (result != kResultOk)
        return;
    // Known before it registers: a view may close inside its registration.
    m_forms.append(OpenForm{formName, view});
    PublishActiveForms();
    m_manager->RegisterView(view, result);
    if (!m_manager->IsRegistered(view.get()))
        return;
    int32_t shown = 0;
    try {
        view->Show(shown);
    } catch (const std::exception& error) {
        AppletTrace::Error(QStringLiteral("Show of form %1 failed: %2").arg(formName, QString::fromLocal8Bit(error.what())));
    }
}

void clsAppletHost::fncCloseForm(const QString& formName, int32_t& result)
{
    const auto keep = KeepAlive();
    result = kResultFormNotOpen;
    if (!Initialised())
        return;
    for (const OpenForm& form : m_forms) {
        if (form.name.compare(formName, Qt::CaseInsensitive) != 0)
            continue;
        const std::shared_ptr<View> view = form.view.lock();
        if (!view)
            continue;
        int32_t destroyed = 0;
        try {
            view->Destroy(destroyed);
        } catch (const std::exception& error) {
            AppletTrace::Error(QStringLiteral("Destroy of form %1 failed: %2").arg(formName, QString::fromLocal8Bit(error.what())));
        }
        int32_t unregistered = 0;
        m_manager->UnregisterView(view.get(), unregistered);
        result = kResultOk;
        return;
    }
}

void clsAppletHost::OnViewUnregistered(const View* view)
{
    if (m_destroyed)
        return;
    for (int i = 0; i < m_forms.size(); ++i) {
        const std::shared_ptr<View> open = m_forms[i].view.lock();
        if (open.get() != view)
            continue;
        const QString name = m_forms[i].name;
        m_forms.removeAt(i);
        PublishActiveForms();
        // Written on the next turn: the view may be inside one of its own calls.
        std::weak_ptr<clsAppletHost> weak = weak_from_this();
        loop::PostToLoop(
            [weak, name] {
                auto self = weak.lock();
                if (!self || self->m_destroyed)
                    return;
                self->WriteText(self->m_messageHandle, QString());
                self->WriteText(self->m_messageHandle, kCloseFormMessage + name);
            },
            weak);
        return;
    }
}

void clsAppletHost::PublishActiveForms()
{
    WriteNumber(m_activeFormsHandle, m_forms.size());
}

// --- End ----------------------------------------------------------------------------------

void clsAppletHost::DestroyApplet(std::shared_ptr<AppletHost>& host, int32_t& result)
{
    const auto keep = KeepAlive(); // the caller's reference may be the last
    Teardown(true);
    host.reset();
    result = kResultOk;
}

void clsAppletHost::Teardown(bool callDestroy)
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    if (m_poller)
        m_poller->Shutdown();
    if (m_sequences)
        m_sequences->Shutdown();
    if (m_comm) {
        m_comm->SetListener({});
        m_comm->Release();
    }
    if (m_manager) {
        m_manager->SetObservers({}, {});
        m_manager->SetIntervalObserver({});
        // A view and the manager hold each other until the view is unregistered.
        // A view may register another one while it ends; those end as well,
        // in rounds, up to a bound against views that keep coming back.
        constexpr int kRounds = 8;
        for (int round = 0; round < kRounds && !m_manager->RegisteredViews().empty(); ++round) {
            for (const std::shared_ptr<View>& view : m_manager->RegisteredViews()) {
                if (callDestroy) {
                    int32_t destroyed = 0;
                    try {
                        view->Destroy(destroyed);
                    } catch (const std::exception& error) {
                        AppletTrace::Error(QStringLiteral("Destroy of a view failed: %1").arg(QString::fromLocal8Bit(error.what())));
                    }
                }
                int32_t unregistered = 0;
                m_manager->UnregisterView(view.get(), unregistered);
            }
        }
        if (!m_manager->RegisteredViews().empty())
            AppletTrace::Error(QStringLiteral("The applet ends with %1 views that registered again while they were ended")
                                   .arg(m_manager->RegisteredViews().size()));
    }
    m_forms.clear();
}

} // namespace applet

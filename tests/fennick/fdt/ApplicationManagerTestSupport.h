#pragma once
// What the tests of the application and function manager share: the frame's
// function-call and operation-state documents, the functions a DTM offers
// read back from its functions document, stand-in description parsers, an
// applet host double that counts its database calls, and a copy of the
// Trivex description with more menu entries and a form of the test.
#include "DtmTestSupport.h"
#include "fennick/fdt/clsApplicationFunction.h"
#include "fennick/fdt/clsApplicationManager.h"
#include "fennick/services/LoadResource.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/frame/FrameDocuments.h"
#include <QFile>
#include <algorithm>
#include <set>

namespace appmgrtest {

using Offered = frame::FrameDocuments::OfferedFunction;

inline QString Call(int32_t functionId, const QString& phase = QStringLiteral("commissioning"))
{
    return frame::FrameDocuments::FunctionCallDocument(functionId, phase);
}

inline QString State(const QString& phase = QStringLiteral("commissioning"))
{
    return frame::FrameDocuments::OperationStateDocument(phase);
}

// The entries of a functions document; a document that does not parse fails the test.
inline QList<Offered> Entries(const QString& document)
{
    QList<Offered> entries;
    QString error;
    EXPECT_TRUE(frame::FrameDocuments::Functions(document, entries, &error)) << error.toStdString();
    return entries;
}

// The ids of the "Function" (standard false) or "StandardFunction" entries.
inline std::set<int32_t> Ids(const QList<Offered>& entries, bool standard)
{
    std::set<int32_t> ids;
    for (const Offered& entry : entries)
        if (entry.standard == standard)
            ids.insert(entry.functionId);
    return ids;
}

inline const Offered* Find(const QList<Offered>& entries, int32_t functionId)
{
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const Offered& entry) { return entry.functionId == functionId; });
    return it == entries.end() ? nullptr : &*it;
}

// A device description whose only content of interest is its menu.
class MenuParser : public applet::TdxFileParser {
public:
    struct Entry {
        QString name;
        QString label;
        QString help;
        QString command;
    };
    explicit MenuParser(QList<Entry> menu) : entries(std::move(menu)) {}

    void Load(int32_t, const QString&, int32_t, QString&, int32_t& status) override { status = 0; }
    void fncNumberOfEntries(const QString& kind, int32_t& count, int32_t& error) override
    {
        count = kind.compare(QStringLiteral("menu"), Qt::CaseInsensitive) == 0 ? static_cast<int32_t>(entries.size())
                                                                                : 0;
        error = 0;
    }
    void fncGetFirstEntryHandle(const QString&, int32_t& handle, int32_t& error) override
    {
        handle = 1;
        error = entries.isEmpty() ? 1 : 0;
    }
    void fncGetNextEntryHandle(int32_t& handle, int32_t& error) override
    {
        ++handle;
        error = handle > entries.size() ? 1 : 0;
    }
    void fncGetMenuEntry(int32_t handle, QString& name, QString& label, QString& help, QString& command,
                         int32_t& number, int32_t& failed) override
    {
        failed = handle < 1 || handle > entries.size() ? 1 : 0;
        if (failed != 0)
            return;
        const Entry& entry = entries[handle - 1];
        name = entry.name;
        label = entry.label;
        help = entry.help;
        command = entry.command;
        number = handle;
    }

    QList<Entry> entries;
};

// An FDT file whose only content of interest is its applications.
class ApplicationParser : public applet::FdtFileParser {
public:
    struct Application {
        QString text;
        QString form;
        int32_t flags = 0;
    };
    explicit ApplicationParser(QList<Application> list) : applications(std::move(list)) {}

    void Load(const QString&, QString&) override {}
    void fncGetNumberOfApplications(int32_t, int32_t& count) override
    {
        count = static_cast<int32_t>(applications.size());
    }
    void fncGetApplication(int32_t index, QString& text, QString& formName, int32_t& flags, int32_t& error) override
    {
        error = index < 0 || index >= applications.size() ? 1 : 0;
        if (error != 0)
            return;
        text = applications[index].text;
        formName = applications[index].form;
        flags = applications[index].flags;
    }

    QList<Application> applications;
};

// The applet host double of the DTM tests, counting its database calls.
class CountingHost : public dtmtest::FakeAppletHost {
public:
    void SaveToDatabase(int32_t, int32_t& result) override
    {
        calls << QStringLiteral("SaveToDatabase");
        result = saveResult;
    }
    void LoadFromDatabase(int32_t, int32_t& result) override
    {
        calls << QStringLiteral("LoadFromDatabase");
        result = loadResult;
    }
    void StartSingleView(const QString& form, int32_t& result) override
    {
        calls << QStringLiteral("StartSingleView ") + form;
        result = startResult;
    }
    void StartView(const QString& progId, int32_t& result) override
    {
        calls << QStringLiteral("StartView ") + progId;
        result = startResult;
    }
    void fncCloseForm(const QString& form, int32_t& result) override
    {
        calls << QStringLiteral("fncCloseForm ") + form;
        result = 0;
    }
    // The applet's message that a form or view closed.
    void CloseMessage(const QString& form)
    {
        int32_t failed = 0;
        const int32_t handle = Handle(QStringLiteral("&&private&&Message"));
        manager->fncPutString(handle, QString(), failed);
        manager->fncPutString(handle, QStringLiteral("FNCCLOSEFORM:") + form, failed);
        EXPECT_EQ(failed, 0);
    }

    // The applet holds changes not yet in the instance data (its change mark).
    void MarkChanged()
    {
        int32_t failed = 0;
        manager->fncPutUintValue(Handle(QStringLiteral("&&private&&Dirty")), 1, failed);
        EXPECT_EQ(failed, 0);
    }

    int32_t saveResult = 0;
    int32_t loadResult = 0;
    int32_t startResult = 0;
};

// The Trivex description with more menu entries (each offered: state 3) and
// more forms, written into the folder. Returns its path.
inline QString ExtendedDescription(const QString& folder, const QStringList& menuEntries,
                                   const QStringList& forms = {})
{
    QFile source(dtmtest::TrivexDescriptionDir() + QStringLiteral("Trivex.tdx"));
    EXPECT_TRUE(source.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(source.readAll());
    QString menu;
    for (const QString& entry : menuEntries)
        menu += QStringLiteral("    ") + entry + QLatin1Char('\n');
    QString formText;
    for (const QString& form : forms)
        formText += QStringLiteral("    ") + form + QLatin1Char('\n');
    text.replace(QStringLiteral("  </Menu>"), menu + QStringLiteral("  </Menu>"));
    text.replace(QStringLiteral("  </Forms>"), formText + QStringLiteral("  </Forms>"));
    const QString path = folder + QStringLiteral("/Extended.tdx");
    QFile target(path);
    EXPECT_TRUE(target.open(QIODevice::WriteOnly | QIODevice::Truncate));
    target.write(text.toUtf8());
    return path;
}

// The menu entries the invocation tests add, with their function ids: the
// Trivex menu has nine functions after its obsolete start-form entry, so the
// first added entry is 22 and the export follows the last.
inline const QStringList kExtraMenu{
    QStringLiteral("<Entry name=\"SaveDb\" label=\"&amp;Save\" help=\"Keeps the changes\" "
                   "command=\"SAVETODATABASE\" number=\"11\" state=\"3\"/>"),
    QStringLiteral("<Entry name=\"LoadDb\" label=\"&amp;Discard\" help=\"Drops the changes\" "
                   "command=\"LOADFROMDATABASE\" number=\"12\" state=\"3\"/>"),
    QStringLiteral("<Entry name=\"Trend\" label=\"&amp;Trend\" help=\"Shows the trend\" "
                   "command=\"FNCSTARTFORM frmTrend\" number=\"13\" state=\"3\"/>"),
    QStringLiteral("<Entry name=\"Report\" label=\"&amp;Report\" help=\"Shows the report\" "
                   "command=\"STARTVIEW TestViews.Report\" number=\"14\" state=\"3\"/>"),
};
inline const QStringList kExtraForms{QStringLiteral("<Form name=\"frmTrend\" progId=\"TestViews.Trend\"/>")};
constexpr int32_t kConnectId = 13;
constexpr int32_t kDisconnectId = 14;
constexpr int32_t kLoadFromDeviceId = 15;
constexpr int32_t kSaveToDeviceId = 16;
constexpr int32_t kGenericViewId = 18;
constexpr int32_t kTrivexExportId = 22;
constexpr int32_t kSaveDbId = 22;
constexpr int32_t kLoadDbId = 23;
constexpr int32_t kTrendId = 24;
constexpr int32_t kReportId = 25;
constexpr int32_t kExtendedExportId = 26;

} // namespace appmgrtest

// File New of the main window: the default-dataset dialog on the database of
// the device's bus kind and series, its lists in the user's language, and
// OK writing the chosen device type's and ranges' values into the dataset,
// giving "currentSequence" and the main window back however it ends.
#include "DefaultDatasetSupport.h"
#include "tests/common/WindowScreenshot.h"
#include "pioitems/PioAppItem.h"
#include <QLocale>
#include <QTest>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace merrowtest;
using namespace defaultstest;

namespace {

const QString kPressureLabel = QStringLiteral("250 mbar");
const QString kStaticLabel = QStringLiteral("160 bar");

struct Series {
    const char* softwareCode; // chooses the bus kind
    int deviceType;
    const char* file;
    QStringList deviceTypes;  // English labels in the database's order
    QStringList multivariable; // those whose multivariable function is on
};

const Series kSeries[] = {
    {"4607215", 137, "mvtrivexhart.mdb", {"TRIVEX MV 137", "TRIVEX DP 137"}, {"TRIVEX MV 137"}},
    {"4607215", 138, "mvkessachart.mdb", {"KESSAC MV 138", "KESSAC DP 138", "KESSAC MV 139 Modbus PID"},
     {"KESSAC MV 138", "KESSAC MV 139 Modbus PID"}},
    {"4607215", 139, "mvkessachart.mdb", {"KESSAC MV 138", "KESSAC DP 138", "KESSAC MV 139 Modbus PID"},
     {"KESSAC MV 138", "KESSAC MV 139 Modbus PID"}},
    {"4607221", 137, "mvtrivexprofi.mdb", {"TRIVEX MV 137 PA", "TRIVEX DP 137 PA"}, {"TRIVEX MV 137 PA"}},
    {"4607221", 138, "mvkessacprofi.mdb", {"KESSAC MV 138 PA"}, {"KESSAC MV 138 PA"}},
    {"4607246", 138, "mvkessacff.mdb", {"KESSAC MV 138 FF", "KESSAC DP 138 FF"}, {"KESSAC MV 138 FF"}},
};

frmMain* StartDevice(MerrowApplet& applet, const char* softwareCode, int deviceType, int countryCode = 1)
{
    applet.Variant(softwareCode, 1, true, 8, deviceType);
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), countryCode);
    return applet.Start();
}

// What OK always leaves behind, however the writing went.
void ExpectHandedBack(MerrowApplet& applet, frmMain& window)
{
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QString());
    EXPECT_TRUE(window.isEnabled());
}

// Chooses device type, pressure and static pressure range and presses OK.
void ChooseAndAccept(frmSelectDefaultDataset& page, const QString& deviceType, const QString& pressure,
                     const QString& pstat)
{
    EXPECT_TRUE(Choose(page, "lstDeviceID", deviceType)) << deviceType.toStdString();
    EXPECT_TRUE(Choose(page, "lstPRanges", pressure)) << pressure.toStdString();
    EXPECT_TRUE(Choose(page, "lstPStatRanges", pstat)) << pstat.toStdString();
    Press(page, "cmdOK");
}

} // namespace

TEST(NewDatasetFromDefaults, DatabaseFileFollowsBusKindAndDeviceType)
{
    EXPECT_EQ(frmSelectDefaultDataset::DatabaseFile(0, "137"), "mvtrivexhart.mdb");
    EXPECT_EQ(frmSelectDefaultDataset::DatabaseFile(0, "139"), frmSelectDefaultDataset::DatabaseFile(0, "138"));
    EXPECT_EQ(frmSelectDefaultDataset::DatabaseFile(1, "138"), "mvkessacprofi.mdb");
    EXPECT_EQ(frmSelectDefaultDataset::DatabaseFile(2, "138"), "mvkessacff.mdb");
    EXPECT_EQ(frmSelectDefaultDataset::DatabaseFile(1, "139"), QString());
    EXPECT_EQ(frmSelectDefaultDataset::DatabaseFile(2, "137"), QString());
    EXPECT_EQ(frmSelectDefaultDataset::DatabaseFile(0, "140"), QString());
}

TEST(NewDatasetFromDefaults, EveryDeviceTypeOfEveryDatabaseWritesItsValues)
{
    for (const Series& series : kSeries) {
        SCOPED_TRACE(std::string(series.file) + " for device type " + std::to_string(series.deviceType));
        MerrowApplet applet;
        PIO_REQUIRE_APPLET(applet);
        frmMain* window = StartDevice(applet, series.softwareCode, series.deviceType);
        ASSERT_NE(window, nullptr);
        for (const QString& deviceType : series.deviceTypes) {
            applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("1"));
            applet.PutText(QStringLiteral("ptrbUpperSensorLimit"), QStringLiteral("1"));
            applet.PutText(QStringLiteral("ptrbStaticPressureHiLim"), QStringLiteral("1"));
            const bool shown = RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog& dialog) {
                EXPECT_EQ(dialog.windowTitle(), "Create new device dataset");
                EXPECT_EQ(Labels(page, "lstDeviceID"), series.deviceTypes);
                EXPECT_EQ(Selected(page, "lstDeviceID"), series.deviceTypes.first());
                EXPECT_FALSE(Selected(page, "lstPRanges").isEmpty());
                EXPECT_FALSE(Selected(page, "lstPStatRanges").isEmpty());
                ASSERT_TRUE(Choose(page, "lstDeviceID", deviceType));
                EXPECT_FALSE(Description(page).isEmpty());
                EXPECT_TRUE(Labels(page, "lstPRanges").contains(kPressureLabel));
                ChooseAndAccept(page, deviceType, kPressureLabel, kStaticLabel);
                EXPECT_EQ(dialog.result(), QDialog::Accepted);
            });
            ASSERT_TRUE(shown);
            EXPECT_EQ(applet.Text(QStringLiteral("ptrbUpperSensorLimit")), "250") << deviceType.toStdString();
            // In the unit of the cell's limits, mbar.
            EXPECT_EQ(applet.Text(QStringLiteral("ptrbStaticPressureHiLim")), "160000");
            EXPECT_EQ(applet.Number(QStringLiteral("pbMultivariableFunction")),
                      series.multivariable.contains(deviceType) ? 1 : 0)
                << deviceType.toStdString();
            EXPECT_EQ(applet.Text(QStringLiteral("InCompatibleDataset")), "0");
            ExpectHandedBack(applet, *window);
        }
        EXPECT_TRUE(applet.dialogs.Errors().isEmpty());
    }
}

TEST(NewDatasetFromDefaults, GermanRowsWhereTheSeriesHasThemEnglishOtherwise)
{
    struct Case {
        const char* softwareCode;
        int deviceType;
        const char* description;
    };
    for (const Case& c : {Case{"4607215", 137,
                               "Multivariabler Messumformer: Differenzdruck, statischer Druck, Temperatur und "
                               "berechneter Durchfluss"},
                          Case{"4607246", 138, "Multivariable flow transmitter for FOUNDATION Fieldbus"}}) {
        MerrowApplet applet;
        PIO_REQUIRE_APPLET(applet);
        frmMain* window = StartDevice(applet, c.softwareCode, c.deviceType, 49);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Neuen Gerätedatensatz erstellen");
            EXPECT_EQ(Description(page), QString::fromUtf8(c.description));
            Press(page, "cmdCancel");
        }));
    }
}

TEST(NewDatasetFromDefaults, RangesShowTheUsersDecimalSeparatorAndChooseTheSameRows)
{
    QMap<int, QString> upperRange;
    for (const auto& [country, shown] : {std::pair{1, QStringLiteral("2.5 bar")}, std::pair{49, QStringLiteral("2,5 bar")}}) {
        SCOPED_TRACE(country);
        MerrowApplet applet;
        PIO_REQUIRE_APPLET(applet);
        frmMain* window = StartDevice(applet, "4607215", 137, country);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(RunDialog(applet, *window, [&, country = country, &shown = shown](frmSelectDefaultDataset& page,
                                                                                      QDialog& dialog) {
            ASSERT_TRUE(Choose(page, "lstDeviceID", QStringLiteral("TRIVEX MV 137")));
            EXPECT_TRUE(Labels(page, "lstPRanges").contains(shown)) << Labels(page, "lstPRanges").join(" | ").toStdString();
            ASSERT_TRUE(Choose(page, "lstPRanges", shown));
            EXPECT_FALSE(Labels(page, "lstPStatRanges").isEmpty());
            if (country == 49)
                TakeScreenshot(dialog, QStringLiteral("default-dataset-dialog-de"));
            Press(page, "cmdOK");
        }));
        upperRange[country] = applet.Text(QStringLiteral("ptrbScaleIn100"));
    }
    EXPECT_EQ(upperRange[49], upperRange[1]);
    EXPECT_NE(upperRange[1], QStringLiteral("25"));
}

TEST(NewDatasetFromDefaults, NumbersAreReadWithAPointAndReachFloatItemsInAnyLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    MerrowApplet applet;
    if (!applet.Ready()) {
        QLocale::setDefault(before);
        GTEST_FAIL() << "no staged Trivex description";
    }
    frmMain* window = StartDevice(applet, "4607215", 137);
    ASSERT_NE(window, nullptr);
    // The general damping, then the small cell's own, which overwrites it.
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog& dialog) {
        // The dialog opens centred on the main window.
        EXPECT_LE((dialog.frameGeometry().center() - window->frameGeometry().center()).manhattanLength(), 2);
        ChooseAndAccept(page, QStringLiteral("TRIVEX MV 137"), kPressureLabel, kStaticLabel);
    }));
    EXPECT_EQ(window->PanelText(4), "New dataset created.");
    EXPECT_EQ(window->PanelText(2), "Source: Default");
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbDamping")), "0.4");
    EXPECT_EQ(applet.Text(QStringLiteral("lowAlarmCurr")), "3.6");
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog&) {
        ChooseAndAccept(page, QStringLiteral("TRIVEX MV 137"), QStringLiteral("25 mbar"), kStaticLabel);
    }));
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbDamping")), "1.6");
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")), "25");
    QLocale::setDefault(before);
}

// Each value is written as an edit (units excepted, which come first and
// under the marker, so that they convert nothing); a value its item refuses
// is not entered, and the user is told which.
TEST(NewDatasetFromDefaults, ValuesAreWrittenAsEditsAndRefusedOnesAreNamed)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartDevice(applet, "4607215", 137);
    ASSERT_NE(window, nullptr);
    QTemporaryDir folder;
    UseChangedCopy(applet, folder, QStringLiteral("mvtrivexhart.mdb"),
                   {QStringLiteral("INSERT INTO GeneralData VALUES ('noSuchItem', '1')"),
                    QStringLiteral("UPDATE GeneralData SET ObjectValue = 'high' WHERE ObjectName = 'lowAlarmCurr'"),
                    QStringLiteral("UPDATE GeneralData SET ObjectValue = '1,5' WHERE ObjectName = 'timeConstTADC'"),
                    QStringLiteral("UPDATE DeviceTypeData SET ObjectValue = 'square' WHERE ObjectName = 'ptrbLinType'")});
    applet.PutText(QStringLiteral("lowAlarmCurr"), QStringLiteral("3.7"));
    applet.PutText(QStringLiteral("ptrbLinType"), QStringLiteral("1"));
    applet.PutText(QStringLiteral("timeConstTADC"), QStringLiteral("2"));
    // What a rule component sees when a row reaches an item.
    QWidget form;
    pioitems::PioAppItem watched(&form);
    watched.SetAppItemName(QStringLiteral("ptrbUpperSensorLimit"));
    watched.Register(applet.manager);
    pioitems::PioAppItem unit(&form);
    unit.SetAppItemName(QStringLiteral("ptrbScaleInUnit"));
    unit.Register(applet.manager);
    QStringList seen;
    for (pioitems::PioAppItem* item : {&watched, &unit})
        QObject::connect(item, &pioitems::PioAppItem::ValueChanged, [&, item](const QString& value) {
            seen.append(QStringLiteral("%1 %2 '%3' %4")
                            .arg(item->AppItemName(), value, applet.Text(QStringLiteral("currentSequence")),
                                 window->isEnabled() ? "enabled" : "disabled"));
        });
    seen.clear();
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog&) {
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        ChooseAndAccept(page, QStringLiteral("TRIVEX MV 137"), QStringLiteral("2.5 bar"), kStaticLabel);
    }));
    EXPECT_EQ(seen, QStringList({"ptrbScaleInUnit 7 'ReadDefaultdataset' disabled",
                                 "ptrbUpperSensorLimit 2.5 '' disabled"}));
    EXPECT_EQ(applet.Text(QStringLiteral("lowAlarmCurr")), "3.7");
    EXPECT_EQ(applet.Text(QStringLiteral("timeConstTADC")), "2");
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), 1) << "a text that is no code";
    EXPECT_EQ(applet.Text(QStringLiteral("highAlarmCurr")), "21");
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbStaticPressureHiLim")), "160");
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    const QString told = applet.dialogs.Requests()[1].text;
    for (const char* item : {"noSuchItem = 1", "lowAlarmCurr = high", "timeConstTADC = 1,5", "ptrbLinType = square"})
        EXPECT_TRUE(told.contains(QLatin1String(item))) << told.toStdString();
    ExpectHandedBack(applet, *window);
    watched.UnRegister();
    unit.UnRegister();
}

TEST(NewDatasetFromDefaults, LabelsWithQuotesAreArgumentsNeverPartOfTheQuery)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartDevice(applet, "4607215", 137);
    ASSERT_NE(window, nullptr);
    // A range of the shipped data whose label holds a quote (feet of water).
    const QString feet = QStringLiteral("600 mbar (20' H2O)");
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog&) {
        ASSERT_TRUE(Choose(page, "lstPRanges", feet));
        EXPECT_EQ(Labels(page, "lstPStatRanges"), QStringList({"160 bar", "420 bar"}));
        ChooseAndAccept(page, QStringLiteral("TRIVEX DP 137"), feet, QStringLiteral("420 bar"));
    }));
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbUpperSensorLimit")), "600");
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbStaticPressureHiLim")), "420000");

    // A crafted label that would widen a query built from text finds only its own rows.
    QTemporaryDir folder;
    const QString crafted = QStringLiteral("X' OR '1'='1");
    UseChangedCopy(applet, folder, QStringLiteral("mvtrivexhart.mdb"),
                   {QStringLiteral("INSERT INTO DeviceType VALUES ('%1', 9)").arg(QString(crafted).replace("'", "''")),
                    QStringLiteral("INSERT INTO DeviceTypeText VALUES ('%1', 1, 'crafted')")
                        .arg(QString(crafted).replace("'", "''")),
                    QStringLiteral("INSERT INTO PRange VALUES ('%1', '1 mbar', 1)").arg(QString(crafted).replace("'", "''")),
                    QStringLiteral("INSERT INTO PRangePstatRange VALUES ('%1', '1 mbar', '40 bar')")
                        .arg(QString(crafted).replace("'", "''"))});
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog&) {
        ASSERT_TRUE(Choose(page, "lstDeviceID", crafted));
        EXPECT_EQ(Labels(page, "lstPRanges"), QStringList({"1 mbar"}));
        EXPECT_EQ(Labels(page, "lstPStatRanges"), QStringList({"40 bar"}));
        Press(page, "cmdCancel");
    }));
}

TEST(NewDatasetFromDefaults, FailingQueryGivesBackTheWindowAndNamesTheStep)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartDevice(applet, "4607215", 137);
    ASSERT_NE(window, nullptr);
    QTemporaryDir folder;
    UseChangedCopy(applet, folder, QStringLiteral("mvtrivexhart.mdb"), {QStringLiteral("DROP VIEW ViewPRangeData")});
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("1"));
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog& dialog) {
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        ChooseAndAccept(page, QStringLiteral("TRIVEX MV 137"), kPressureLabel, kStaticLabel);
        EXPECT_EQ(dialog.result(), QDialog::Rejected); // still open: the user may cancel or choose again
        EXPECT_TRUE(page.Registered());
        Press(page, "cmdCancel");
    }));
    ExpectHandedBack(applet, *window);
    EXPECT_EQ(applet.Text(QStringLiteral("InCompatibleDataset")), "1");
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    const auto& report = applet.dialogs.Requests()[1];
    EXPECT_EQ(report.icon, dialogs::MessageIcon::Warning);
    EXPECT_TRUE(report.text.contains("ViewPRangeData")) << report.text.toStdString();
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
}

TEST(NewDatasetFromDefaults, OkWithoutSelectionWritesNothingAndSaysSo)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartDevice(applet, "4607215", 137);
    ASSERT_NE(window, nullptr);
    // A device type built with no measuring cell yet: nothing to choose below it.
    QTemporaryDir folder;
    UseChangedCopy(applet, folder, QStringLiteral("mvtrivexhart.mdb"),
                   {QStringLiteral("INSERT INTO DeviceType VALUES ('TRIVEX SPARE', 0)"),
                    QStringLiteral("INSERT INTO DeviceTypeText VALUES ('TRIVEX SPARE', 1, 'no cells')")});
    applet.PutText(QStringLiteral("lowAlarmCurr"), QStringLiteral("3.7"));
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog& dialog) {
        ASSERT_EQ(Selected(page, "lstDeviceID"), "TRIVEX SPARE");
        EXPECT_TRUE(Labels(page, "lstPRanges").isEmpty());
        EXPECT_TRUE(Labels(page, "lstPStatRanges").isEmpty());
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        Press(page, "cmdOK");
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_TRUE(page.Registered());
        Press(page, "cmdCancel");
    }));
    EXPECT_EQ(applet.Text(QStringLiteral("lowAlarmCurr")), "3.7");
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    EXPECT_EQ(applet.dialogs.Requests()[1].text,
              "Please select a device type, a pressure range and a static pressure range.");
    ExpectHandedBack(applet, *window);
}

TEST(NewDatasetFromDefaults, EscapeEndsTheDialogAsCancelDoesInBothLanguages)
{
    for (const int country : {1, 49}) {
        SCOPED_TRACE(country);
        MerrowApplet applet;
        PIO_REQUIRE_APPLET(applet);
        frmMain* window = StartDevice(applet, "4607215", 137, country);
        ASSERT_NE(window, nullptr);
        applet.PutText(QStringLiteral("lowAlarmCurr"), QStringLiteral("3.7"));
        bool endedByEscape = false;
        ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog& dialog) {
            dialog.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            ASSERT_TRUE(Choose(page, "lstDeviceID", QStringLiteral("TRIVEX DP 137")));
            auto* list = page.findChild<QListWidget*>(QStringLiteral("lstDeviceID"));
            ASSERT_NE(list, nullptr);
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Escape);
            // The dialog itself ends: no empty frame stays behind with the window locked.
            endedByEscape = piotest::RunUntil([&] { return !dialog.isVisible(); });
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
        }));
        EXPECT_TRUE(endedByEscape);
        EXPECT_EQ(applet.Text(QStringLiteral("lowAlarmCurr")), "3.7");
        ExpectHandedBack(applet, *window);
        EXPECT_TRUE(applet.dialogs.Errors().isEmpty());
    }
}

TEST(NewDatasetFromDefaults, NoDatabaseForTheDeviceIsReportedAndNoDialogShown)
{
    struct Case {
        const char* softwareCode;
        int deviceType;
        bool emptyFolder;
    };
    for (const Case& c : {Case{"4607246", 137, false}, Case{"4607215", 137, true}}) {
        MerrowApplet applet;
        PIO_REQUIRE_APPLET(applet);
        frmMain* window = StartDevice(applet, c.softwareCode, c.deviceType);
        ASSERT_NE(window, nullptr);
        QTemporaryDir folder;
        if (c.emptyFolder)
            applet.PutText(QStringLiteral("&&private_PM&&TDXPath"), folder.path() + QLatin1Char('/'));
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        window->Menu(QStringLiteral("mnuFileNew"))->trigger();
        ASSERT_EQ(applet.dialogs.Requests().size(), 1u);
        const auto& report = applet.dialogs.Requests()[0];
        EXPECT_EQ(report.kind, dialogs::DialogKind::Message);
        EXPECT_EQ(report.icon, dialogs::MessageIcon::Warning);
        EXPECT_TRUE(report.text.startsWith("Default Datasets not found!\n")) << report.text.toStdString();
        EXPECT_TRUE(applet.dialogs.Errors().isEmpty());
        EXPECT_TRUE(window->isEnabled());
    }
}

TEST(NewDatasetFromDefaults, FileNewClosesTheOpenPagesFirst)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartDevice(applet, "4607215", 137);
    ASSERT_NE(window, nullptr);
    window->ShowChildForm(new PioPage(QStringLiteral("frmProbe"), false, false));
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog&) {
        piotest::Settle();
        EXPECT_TRUE(window->ChildForms().isEmpty());
        EXPECT_EQ(page.viewRef(), std::static_pointer_cast<IViewEx>(applet.View()));
        Press(page, "cmdCancel");
    }));
}

TEST(NewDatasetFromDefaults, DialogDrawsOffscreen)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartDevice(applet, "4607215", 137);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog& dialog) {
        Choose(page, "lstPRanges", kPressureLabel);
        Choose(page, "lstPStatRanges", kStaticLabel);
        TakeScreenshot(dialog, QStringLiteral("default-dataset-dialog"));
        Press(page, "cmdCancel");
    }));
}

TEST(NewDatasetFromDefaults, ADatasetNeverReadFromADeviceFindsItsDatabaseByItsDescription)
{
    // A fresh project: no device type read yet, the description of the HART device type 137.
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartDevice(applet, "4607215", 0);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(DescriptionFolder().endsWith(QLatin1String("_0_0089/")));
    ASSERT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog&) {
        EXPECT_EQ(Labels(page, "lstDeviceID"), kSeries[0].deviceTypes);
        Press(page, "cmdCancel");
    }));
    // The dialog was the only request: no report that no database was found.
    EXPECT_EQ(applet.dialogs.Requests().size(), 1u);
}

namespace {

// Should the dialog open what lies at path after all, a FIFO there would
// block it for good: once the patience has run out, the guard opens the FIFO's
// other end, which lets the blocked open return, and the test fails.
class FifoGuard {
public:
    explicit FifoGuard(QString path) : m_path(std::move(path))
    {
        m_thread = std::thread([this] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_done.wait_for(lock, std::chrono::seconds(60), [this] { return m_finished; }))
                return;
            m_released = true;
            const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~FifoGuard()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    bool Released()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_released;
    }

private:
    QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_released = false;
    std::thread m_thread;
};

} // namespace

// The databases are only read: what lies at the journal's path is never
// opened, and a database that is no regular file is refused with its name.
TEST(NewDatasetFromDefaults, AFifoBesideOrInPlaceOfTheDatabaseNeitherHangsNorIsOpened)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartDevice(applet, "4607215", 137);
    ASSERT_NE(window, nullptr);
    QTemporaryDir folder;
    const QString database = folder.filePath(QStringLiteral("mvtrivexhart.mdb"));
    UseChangedCopy(applet, folder, QStringLiteral("mvtrivexhart.mdb"), {});
    const QString journal = database + QStringLiteral("-journal");
    ASSERT_EQ(::mkfifo(QFile::encodeName(journal).constData(), 0600), 0);
    {
        FifoGuard guard(journal);
        EXPECT_TRUE(RunDialog(applet, *window, [&](frmSelectDefaultDataset& page, QDialog&) {
            EXPECT_EQ(Labels(page, "lstDeviceID"), QStringList({"TRIVEX MV 137", "TRIVEX DP 137"}));
            ChooseAndAccept(page, QStringLiteral("TRIVEX DP 137"), kPressureLabel, kStaticLabel);
        }));
        EXPECT_FALSE(guard.Released()) << "the journal's FIFO was opened";
    }
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbUpperSensorLimit")), "250");
    EXPECT_TRUE(applet.dialogs.Requests().size() == 1u);

    ASSERT_TRUE(QFile::remove(database));
    ASSERT_EQ(::mkfifo(QFile::encodeName(database).constData(), 0600), 0);
    FifoGuard guard(database);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    window->Menu(QStringLiteral("mnuFileNew"))->trigger();
    EXPECT_FALSE(guard.Released()) << "the database's FIFO was opened";
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    const auto& report = applet.dialogs.Requests()[1];
    EXPECT_EQ(report.icon, dialogs::MessageIcon::Warning);
    EXPECT_TRUE(report.text.startsWith("Default Datasets not found!\n")) << report.text.toStdString();
    EXPECT_TRUE(report.text.contains(database)) << report.text.toStdString();
    EXPECT_TRUE(window->isEnabled());
}

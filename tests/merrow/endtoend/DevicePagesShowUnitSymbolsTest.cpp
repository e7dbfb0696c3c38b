// The device pages that show units, open on the simulated transmitter: no
// label and no entry of a list shows a unit text of the description for
// which the description's unit table has a symbol ("degC" where "°C" is
// meant), and each page shows a unit it is known to have as its symbol.
#include "merrow/shell/PioPage.h"
#include "platform/applet/UnitTable.h"
#include "sim/SimOptions.h"
#include "sim/Totaliser.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>

using namespace merrowtest;

namespace {

// The texts a user reads on the page: every label and every entry of every list.
QStringList ShownTexts(const QWidget& page)
{
    QStringList texts;
    for (const QLabel* label : page.findChildren<QLabel*>())
        texts << label->text();
    for (const QComboBox* list : page.findChildren<QComboBox*>())
        for (int i = 0; i < list->count(); ++i)
            texts << list->itemText(i);
    return texts;
}

// The description unit texts that stand alone in the shown texts (not as
// part of a longer unit: "m3/h" in "Nm3/h" is another unit).
QStringList DescriptionUnits(const QStringList& texts, const QHash<QString, QString>& symbols)
{
    QStringList found;
    for (auto it = symbols.constBegin(); it != symbols.constEnd(); ++it) {
        const QRegularExpression alone(QStringLiteral("(^|[\\s\\[(])%1($|[\\s\\])])")
                                           .arg(QRegularExpression::escape(it.key())));
        for (const QString& text : texts)
            if (alone.match(text).hasMatch())
                found << QStringLiteral("\"%1\" in \"%2\"").arg(it.key(), text);
    }
    return found;
}

// Opens each page by its menu entry, waits until it shows the unit given, and
// finds no unit text of the description there that has a symbol.
void ExpectSymbolsOnPages(DeviceApplet& applet, frmMain& window,
                          std::initializer_list<std::pair<const char*, const char*>> pages)
{
    // The one table the pages take their symbols from.
    QFile file(QDir(applet.Text(QStringLiteral("&&private_PM&&TDXPath"))).filePath(applet::kUnitTableName));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const applet::UnitTable table = applet::ParseUnitTable(QString::fromUtf8(file.readAll()));
    ASSERT_TRUE(table.errors.isEmpty()) << table.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(table.symbols.value(QStringLiteral("degC")), QStringLiteral("°C"));

    for (const auto& [entry, unit] : pages) {
        SCOPED_TRACE(entry);
        applet.Trigger(window, entry);
        piotest::Settle();
        ASSERT_EQ(window.ChildForms().size(), 1);
        PioPage* page = window.ChildForms().front();
        const QString expected = QString::fromUtf8(unit);
        EXPECT_TRUE(piotest::RunUntil([&] { return ShownTexts(*page).contains(expected); }))
            << ShownTexts(*page).join(QStringLiteral(" | ")).toStdString();
        const QStringList found = DescriptionUnits(ShownTexts(*page), table.symbols);
        EXPECT_TRUE(found.isEmpty()) << found.join(QStringLiteral("; ")).toStdString();
        page->parentWidget()->close();
        ASSERT_TRUE(piotest::RunUntil([&] { return window.ChildForms().isEmpty(); }));
    }
}

} // namespace

TEST(DevicePagesShowUnitSymbols, NoPageShowsADescriptionUnitTextThatHasASymbol)
{
    {
        CorvaneDeviceApplet applet;
        ASSERT_TRUE(applet.Ready()) << "no staged Trivex description";
        frmMain* window = applet.StartConnectedWithTheDevicesDataset();
        ASSERT_NE(window, nullptr);
        ExpectSymbolsOnPages(applet, *window,
                             {
                                 {"mnuCalibratePressure", "°C"}, // the measuring cell's temperature
                                 {"mnuCalibrateStaticPressure", "bar"},
                                 {"mnuCalibrateTemperature", "°C"},
                                 {"mnuDiagnosticsMaxValues", "[°C]"},
                                 {"mnuConfigurePressure", "inH₂O"}, // an entry of the unit lists
                                 {"mnuConfigureFlow", "kg/m³"},
                             });
    }
    // The flow computer's totaliser counts the quantity of the volume flow in m³/h.
    CorvaneDeviceApplet applet;
    sim::VariantOptions variant;
    variant.deviceType = 139;
    variant.module = sim::ModuleType::Differential;
    variant.multivariable = true;
    QString error;
    ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, error)) << error.toStdString();
    applet.device.transmitter().device().totaliser.select(sim::Totaliser::Volume);
    frmMain* window = applet.StartConnected(139, sim::ModuleType::Differential);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ReadIntoDataset(applet, "uploadPid"));
    ExpectSymbolsOnPages(applet, *window, {{"mnuFlowBuffer", "m³"}});
}

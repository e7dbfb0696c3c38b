// The flow simulation, measured-values and display windows as a user reads
// them: every field and caption of the flow simulation shows its whole text in
// English and German, the trend shows no internal name, and units come as the
// symbols the report prints ("°C", "m³/h"), never as the description's texts.
#include "DeviceFunctionSupport.h"
#include "dalvex/ctlDigitalDisplay.h"
#include "lumette/DynamicLabel.h"
#include "merrow/pages/frmDisplayBar.h"
#include "merrow/pages/frmDisplayDigital2.h"
#include "merrow/pages/frmDisplayTrend.h"
#include "merrow/pages/frmMesswerte.h"
#include "merrow/pages/frmSimulateFlow.h"
#include "merrow/shell/PageTabs.h"
#include "platform/controls/PioBarGraph.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/PioPlotter.h"
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

using namespace merrowtest;

namespace {

// Every shown text control of the page that is narrower than its text or
// lies partly outside the page, by name; none when all are whole.
QStringList CutOff(const QWidget& page)
{
    QStringList cut;
    for (QWidget* each : page.findChildren<QWidget*>()) {
        const bool text = qobject_cast<QLabel*>(each) || qobject_cast<QLineEdit*>(each)
            || qobject_cast<QAbstractButton*>(each) || qobject_cast<QTabBar*>(each) || qobject_cast<QGroupBox*>(each);
        if (!text || !each->isVisibleTo(&page) || qobject_cast<QAbstractButton*>(each->parentWidget()))
            continue;
        const QRect inPage(each->mapTo(&page, QPoint(0, 0)), each->size());
        if (each->width() < each->sizeHint().width() || each->height() < each->minimumSizeHint().height()
            || !page.rect().contains(inPage))
            cut << QStringLiteral("%1/%2 %3x%4 wants %5x%6")
                       .arg(each->parentWidget()->objectName(), each->objectName())
                       .arg(each->width())
                       .arg(each->height())
                       .arg(each->sizeHint().width())
                       .arg(each->minimumSizeHint().height());
    }
    return cut;
}

bool SelectEntry(QComboBox& selector, const QString& caption)
{
    for (int i = 0; i < selector.count(); ++i)
        if (selector.itemText(i) == caption) {
            selector.setCurrentIndex(i);
            return true;
        }
    return false;
}

const QString kDegC = QStringLiteral("degC");

} // namespace

TEST(SimulationAndDisplayWindowsShowWholeTexts, FlowSimulationFieldsAndCaptionsAreWholeInEnglishAndGerman)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    for (const int country : {1, 49}) {
        SCOPED_TRACE(country);
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), country);
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes); // the simulation influences the process
        applet.Trigger(*window, "mnuDiagnosticsSimulateFlow");
        piotest::Settle();
        auto* page = FindPage<frmSimulateFlow>(*window);
        ASSERT_NE(page, nullptr);
        // Whole once the units came, which may make the page wider.
        ASSERT_TRUE(piotest::RunUntil([&] {
            for (int i = 0; i < frmSimulateFlow::kChannels; ++i)
                if (page->lblUnit(i)->text().isEmpty())
                    return false;
            return page->cmdSetSimulation()->isEnabled();
        }));
        piotest::Settle();
        EXPECT_EQ(page->chkSimulate(0)->text(), global::LoadLocalizedText(2232));
        for (const char* tab : {"0t", "1t"}) {
            page->Tabs()->SelectKey(QLatin1String(tab));
            piotest::Settle();
            const QStringList cut = CutOff(*page);
            EXPECT_TRUE(cut.isEmpty()) << tab << ": " << cut.join(QStringLiteral("; ")).toStdString();
            for (int i = 0; i < frmSimulateFlow::kChannels; ++i) {
                QLineEdit* field = page->txtSimValue(i)->ValueField();
                if (field->isVisibleTo(page)) {
                    EXPECT_GE(field->width(), field->fontMetrics().horizontalAdvance(QStringLiteral("-12345.678")));
                }
            }
        }
        // Not simulating: the page closes without asking, the measured values with it.
        page->parentWidget()->close();
        ASSERT_TRUE(piotest::RunUntil([&] { return window->ChildForms().isEmpty(); }));
    }
}

TEST(SimulationAndDisplayWindowsShowWholeTexts, MeasuredValuesAndDisplaysShowUnitSymbolsAndNoInternalName)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    for (const char* entry : {"mnuDisplayMeasuredValues", "mnuDisplayBar", "mnuDisplayDigital", "mnuDisplayTrend"})
        applet.Trigger(*window, entry);
    piotest::Settle();
    auto* values = FindPage<frmMesswerte>(*window);
    auto* bar = FindPage<frmDisplayBar>(*window);
    auto* digital = FindPage<frmDisplayDigital2>(*window);
    auto* trend = FindPage<frmDisplayTrend>(*window);
    ASSERT_TRUE(values && bar && digital && trend);

    // Temperature row and volume flow row: the units as symbols.
    constexpr int kVolumeFlow = 1;
    constexpr int kTemperature = 2;
    EXPECT_TRUE(piotest::RunUntil([&] { return values->lblUnit(kTemperature)->text() == QStringLiteral("°C"); }))
        << values->lblUnit(kTemperature)->text().toStdString();
    EXPECT_TRUE(piotest::RunUntil([&] { return values->lblUnit(kVolumeFlow)->text() == QStringLiteral("m³/h"); }))
        << values->lblUnit(kVolumeFlow)->text().toStdString();

    // The bar graph and the digital display on the temperature.
    const QString temperature = values->RowLabel(kTemperature)->text();
    ASSERT_TRUE(SelectEntry(*bar->cmbMeasValue(), temperature)) << temperature.toStdString();
    ASSERT_TRUE(SelectEntry(*digital->cmbMeasValue(), temperature));
    EXPECT_TRUE(piotest::RunUntil([&] { return bar->displayCtrl()->ValueText().endsWith(QStringLiteral(" °C")); }))
        << bar->displayCtrl()->ValueText().toStdString();
    EXPECT_TRUE(piotest::RunUntil([&] { return digital->displayCtrl()->lblValue()->Caption().contains(QStringLiteral("°C")); }))
        << digital->displayCtrl()->lblValue()->Caption().toStdString();

    // The trend: no caption of its own, its legends with the symbols.
    controls::PioPlotter* plotter = trend->PioPlotter();
    EXPECT_TRUE(plotter->Caption().isEmpty());
    const auto legends = [&] {
        QStringList texts;
        for (int curve = 1; curve <= frmDisplayTrend::kCurves; ++curve)
            texts << plotter->LegendText(curve);
        return texts.join(QLatin1Char('\n'));
    };
    EXPECT_TRUE(piotest::RunUntil([&] { return legends().contains(QStringLiteral(" °C")); })) << legends().toStdString();
    EXPECT_FALSE(legends().contains(kDegC)) << legends().toStdString();
    EXPECT_FALSE(legends().contains(QStringLiteral("PioPlotter")));
    const QImage picture = trend->grab().toImage();
    EXPECT_FALSE(picture.isNull());
    for (int row = 0; row < frmMesswerte::kRows; ++row)
        EXPECT_FALSE(values->lblUnit(row)->text().contains(kDegC)) << row;
}

// Every page and window of the device window as a user opens it on a real X
// server with a window manager (scripts/with-x-server), in English and
// German: each opens whole on the screen and inside the main window, each
// control shows its whole text at the size the page opens with, no two
// visible controls overlap, and a window opened beside another does not
// cover it. The main window comes back where it was closed, however often it
// opens. With TRIVEX_SCREENSHOT_DIR set, the screen is saved with each page
// as it opened (page-LANGUAGE-DPI.png).
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/SequenceOutcome.h"
#include "platform/dialogs/QtDialogService.h"
#include "platform/controls/PioFieldControl.h"
#include "platform/controls/PioPlotter.h"
#include "platform/printview/PrintViewWindow.h"
#include "sim/SimOptions.h"
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTest>
#include <algorithm>
#include <optional>

using namespace merrowtest;

namespace {

// The pages of the device window by their menu entries, in menu order.
const char* const kPages[] = {
    "mnuDeviceIdentification",      "mnuConfigurePressure",          "mnuConfigureStaticPressure",
    "mnuConfigureTemperature",      "mnuConfigureFlow",              "mnuFlowBuffer",
    "mnuConfigureBasicParameter",   "mnuConfigureBusparameter",      "mnuBlockmodes",
    "mnuCalibratePressure",         "mnuCalibrateStaticPressure",    "mnuCalibrateTemperature",
    "mnuCalibrateCurrent",          "mnuDisplayMeasuredValues",      "mnuDisplayBar",
    "mnuDisplayDigital",            "mnuDisplayTrend",               "mnuDiagnosticsStatus",
    "mnuDiagnosticsEventCounter",   "mnuDiagnosticsMaxValues",       "mnuDiagnosticsSimulateCurrent",
    "mnuDiagnosticsSimulatePressure", "mnuDiagnosticsSimulateFlow",
};

// The texts the device keeps, by their items, and how many characters each holds.
struct DeviceText {
    const char* item;
    int characters;
};
constexpr DeviceText kDeviceTexts[] = {{"_tagHart", 8}, {"pbDescriptor", 16}, {"pbDeviceMessage", 32}};

// "Dataset saved. The project file takes it when the window closes."
constexpr int16_t kDatasetSavedText = 3968;

// Pages of the fieldbus variants, which the simulated HART transmitter cannot be.
const QSet<QString> kFieldbusPages = {QStringLiteral("mnuDiagnosticsSimulatePressure")};

QString Dpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return QString::number(qRound(screen->logicalDotsPerInch() * screen->devicePixelRatio()));
}

QString Where(const QWidget& widget, const QWidget& root)
{
    QStringList path;
    for (const QWidget* each = &widget; each && each != &root; each = each->parentWidget())
        if (!each->objectName().isEmpty() && !each->objectName().startsWith(QLatin1String("qt_")))
            path.prepend(each->objectName());
    return path.join(QLatin1Char('/')) + QStringLiteral(" (%1)").arg(QLatin1String(widget.metaObject()->className()));
}

bool Shown(const QWidget& widget, const QWidget& root)
{
    return widget.isVisibleTo(&root) && !widget.size().isEmpty();
}

QRect InRoot(const QWidget& widget, const QWidget& root)
{
    return QRect(widget.mapTo(&root, QPoint(0, 0)), widget.size());
}

// The width a line edit needs to show its whole text.
int LineEditNeeds(const QLineEdit& edit)
{
    const QMargins margins = edit.textMargins();
    const int frame = edit.hasFrame() ? 2 * edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit) : 0;
    // A field scrolls what is longer than fourteen characters; up to that it shows its value whole.
    const QString shown = edit.displayText().left(14);
    return edit.fontMetrics().horizontalAdvance(shown) + margins.left() + margins.right() + frame + 4;
}

// The width a combo box needs to show its current text.
int ComboNeeds(const QComboBox& combo)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.currentText = combo.currentText();
    const QSize text(combo.fontMetrics().horizontalAdvance(combo.currentText()), combo.fontMetrics().height());
    return combo.style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, &combo).width();
}

QString Rect(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// What is cut or covered on a window: its controls whose text does not fit
// them, that reach past their parent, or that overlap another control.
QStringList Findings(const QWidget& root)
{
    QStringList found;
    QList<const QWidget*> controls;
    for (const QWidget* each : root.findChildren<QWidget*>()) {
        if (!Shown(*each, root) || each->inherits("QScrollBar") || each->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (qobject_cast<const QTabBar*>(each->parentWidget())) {
            // A tab strip shows its scroll buttons when its tabs do not fit it.
            if (each->objectName() == QLatin1String("ScrollLeftButton"))
                found << QStringLiteral("%1: its tabs do not fit it").arg(Where(*each->parentWidget(), root));
            continue;
        }
        const QString where = Where(*each, root);
        const bool inControl = qobject_cast<QAbstractButton*>(each->parentWidget())
            || qobject_cast<QComboBox*>(each->parentWidget()) || qobject_cast<QAbstractSpinBox*>(each->parentWidget());
        if (inControl)
            continue;
        int needWidth = 0;
        int needHeight = each->minimumSizeHint().height();
        if (auto* label = qobject_cast<const QLabel*>(each)) {
            if (label->text().isEmpty() && !label->pixmap().isNull())
                continue;
            if (label->text().isEmpty())
                needHeight = 0;
            else if (label->wordWrap())
                needHeight = label->heightForWidth(label->width());
            else
                needWidth = label->sizeHint().width();
            controls << each;
        } else if (auto* button = qobject_cast<const QAbstractButton*>(each)) {
            if (!button->text().isEmpty())
                needWidth = button->sizeHint().width();
            controls << each;
        } else if (auto* edit = qobject_cast<const QLineEdit*>(each)) {
            needWidth = LineEditNeeds(*edit);
            controls << each;
        } else if (auto* combo = qobject_cast<const QComboBox*>(each)) {
            needWidth = ComboNeeds(*combo);
            controls << each;
        } else if (auto* box = qobject_cast<const QGroupBox*>(each)) {
            needWidth = box->fontMetrics().horizontalAdvance(box->title());
        } else if (qobject_cast<const QAbstractSpinBox*>(each) || qobject_cast<const QSlider*>(each)) {
            controls << each;
        } else if (!qobject_cast<const QTabBar*>(each)) {
            needHeight = 0;
        }
        if (each->width() < needWidth || each->height() < needHeight)
            found << QStringLiteral("%1 is %2x%3, its text needs %4x%5")
                         .arg(where)
                         .arg(each->width())
                         .arg(each->height())
                         .arg(needWidth)
                         .arg(needHeight);
        const QWidget* parent = each->parentWidget();
        // Where the fonts scale by a fraction of 96 dpi, a caption's measured width and the
        // width the layout gives it may round apart by one pixel; at 96 dpi nothing may reach past.
        const int dpi = each->logicalDpiX();
        const int rounding = dpi % 96 != 0 ? 1 : 0;
        if (parent && !parent->inherits("QAbstractScrollArea") && parent->objectName() != "qt_scrollarea_viewport"
            && !parent->rect().adjusted(0, 0, rounding, rounding).contains(each->geometry()))
            found << QStringLiteral("%1 at %2,%3 %4x%5 reaches past %6 (%7x%8)")
                         .arg(where)
                         .arg(each->x())
                         .arg(each->y())
                         .arg(each->width())
                         .arg(each->height())
                         .arg(Where(*parent, root))
                         .arg(parent->width())
                         .arg(parent->height());
    }
    // The value fields of a page's rows of one kind start at one x.
    std::optional<int> firstX;
    for (const QWidget* each : root.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^txtSimValue\\(\\d+\\)$")))) {
        const QLineEdit* value = each->findChild<QLineEdit*>();
        if (!value || !Shown(*value, root))
            continue;
        const int x = InRoot(*value, root).x();
        if (!firstX)
            firstX = x;
        else if (*firstX != x)
            found << QStringLiteral("%1 starts at x %2, the first of its kind at %3").arg(Where(*each, root)).arg(x).arg(*firstX);
    }
    // A unit label shows a unit and stands beside what it names.
    static const QRegularExpression kUnitLabel(QStringLiteral("^lbl\\w*Unit"));
    for (const QLabel* unit : root.findChildren<QLabel*>(kUnitLabel)) {
        // A caption from the text table ("Unit") is no unit shown.
        if (!Shown(*unit, root) || unit->property("Tag").isValid())
            continue;
        if (unit->text().trimmed().isEmpty())
            found << QStringLiteral("%1 shows no unit").arg(Where(*unit, root));
        const QRect at = InRoot(*unit, root);
        const bool beside = std::any_of(controls.begin(), controls.end(), [&](const QWidget* other) {
            const QRect there = InRoot(*other, root);
            return other != unit && there.right() < at.left() && there.top() <= at.center().y()
                && there.bottom() >= at.center().y();
        });
        if (!beside)
            found << QStringLiteral("%1 at %2 stands beside nothing").arg(Where(*unit, root), Rect(at));
    }
    // A field of a device text shows as many characters as the device keeps.
    for (const controls::PioFieldControl* field : root.findChildren<controls::PioFieldControl*>()) {
        const QLineEdit* value = field->ValueField();
        if (!value || !Shown(*value, root))
            continue;
        for (const DeviceText& text : kDeviceTexts) {
            if (field->ObjectNameText().compare(QLatin1String(text.item), Qt::CaseInsensitive) != 0)
                continue;
            const int needs = value->fontMetrics().horizontalAdvance(QString(text.characters, QLatin1Char('N')));
            if (value->contentsRect().width() < needs)
                found << QStringLiteral("%1 is %2 wide, its %3 characters need %4")
                             .arg(Where(*field, root))
                             .arg(value->contentsRect().width())
                             .arg(text.characters)
                             .arg(needs);
        }
    }
    // Each line of a trend's legend shows whole, apart from the others.
    for (const controls::PioPlotter* plotter : root.findChildren<controls::PioPlotter*>()) {
        if (!Shown(*plotter, root))
            continue;
        const auto places = plotter->LegendPlaces();
        for (qsizetype i = 0; i < places.size(); ++i) {
            const QString text = plotter->LegendText(places[i].channel);
            const int needs = plotter->fontMetrics().horizontalAdvance(text);
            if (places[i].place.width() < needs || !plotter->rect().contains(places[i].place))
                found << QStringLiteral("%1: the legend \"%2\" needs %3 pixels, it has %4 at %5")
                             .arg(Where(*plotter, root), text)
                             .arg(needs)
                             .arg(places[i].place.width())
                             .arg(Rect(places[i].place));
            for (qsizetype j = i + 1; j < places.size(); ++j)
                if (places[i].place.intersects(places[j].place))
                    found << QStringLiteral("%1: the legend lines %2 and %3 overlap")
                                 .arg(Where(*plotter, root))
                                 .arg(places[i].channel)
                                 .arg(places[j].channel);
        }
    }
    for (qsizetype i = 0; i < controls.size(); ++i)
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            const QWidget& a = *controls[i];
            const QWidget& b = *controls[j];
            if (a.isAncestorOf(&b) || b.isAncestorOf(&a))
                continue;
            if (InRoot(a, root).intersects(InRoot(b, root)))
                found << QStringLiteral("%1 and %2 overlap (%3 and %4)")
                             .arg(Where(a, root), Where(b, root), Rect(InRoot(a, root)), Rect(InRoot(b, root)));
        }
    return found;
}

// What is off the screen or outside the visible part of the main window.
QStringList Placement(const frmMain& window, const QMdiSubWindow& frame)
{
    QStringList found;
    const QRect screen = window.screen()->availableGeometry();
    if (!screen.contains(window.frameGeometry()))
        found << QStringLiteral("the main window at %1,%2 %3x%4 leaves the screen")
                     .arg(window.frameGeometry().x())
                     .arg(window.frameGeometry().y())
                     .arg(window.frameGeometry().width())
                     .arg(window.frameGeometry().height());
    const QWidget* viewport = frame.mdiArea()->viewport();
    // A page larger than the screen lets the main window show is reached by scrolling.
    const QSize chrome = window.frameGeometry().size() - viewport->size();
    const bool screenFull = frame.width() + chrome.width() > screen.width()
        || frame.height() + chrome.height() > screen.height();
    const bool scrolls = frame.mdiArea()->verticalScrollBar()->isVisible()
        || frame.mdiArea()->horizontalScrollBar()->isVisible();
    if (!viewport->rect().contains(frame.geometry()) && !(screenFull && scrolls))
        found << QStringLiteral("at %1,%2 %3x%4 it leaves the main window's visible area of %5x%6")
                     .arg(frame.x())
                     .arg(frame.y())
                     .arg(frame.width())
                     .arg(frame.height())
                     .arg(viewport->width())
                     .arg(viewport->height());
    // A page reached only by scrolling needs that height: no empty half below its content.
    if (const QWidget* content = frame.widget(); content && frame.height() > viewport->height()) {
        const int needs = content->minimumSizeHint().height();
        if (needs < content->height() * 3 / 4)
            found << QStringLiteral("it is %1 high, past the visible %2, while its content needs %3")
                         .arg(content->height())
                         .arg(viewport->height())
                         .arg(needs);
    }
    // The page inside its frame: what reaches past the frame's inner area is cut off.
    const QWidget* page = frame.widget();
    if (page && !frame.contentsRect().contains(page->geometry()))
        found << QStringLiteral("the page of %1x%2 is cut by its frame's inner area of %3x%4")
                     .arg(page->width())
                     .arg(page->height())
                     .arg(frame.contentsRect().width())
                     .arg(frame.contentsRect().height());
    return found;
}

void SaveScreen(const QString& name)
{
    const QString folder = qEnvironmentVariable("TRIVEX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    EXPECT_TRUE(shot.save(QDir(folder).filePath(name + QStringLiteral(".png")))) << name.toStdString();
}

// The frames of the main window's pages, the one in front last.
QList<QMdiSubWindow*> Frames(const frmMain& window)
{
    return window.findChild<QMdiArea*>()->subWindowList(QMdiArea::StackingOrder);
}

bool Exposed(const QList<QMdiSubWindow*>& frames)
{
    for (QMdiSubWindow* frame : frames)
        if (!frame->isVisible())
            return false;
    return true;
}

} // namespace

TEST(WindowsFitTheScreen, EveryPageOpensWholeWithWholeTextsAndNoOverlapsInEnglishAndGerman)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "runs on an X server (scripts/with-x-server)";
    QStringList found;
    QSet<QString> opened;
    // The transmitter and the flow computer, whose flow totaliser only it has.
    for (const auto& [deviceType, country] : {std::pair{137, 1}, std::pair{137, 49}, std::pair{139, 1}, std::pair{139, 49}}) {
        // The user's language is set before the window opens, as the frame does.
        const QString language = country == 49 ? QStringLiteral("de") : QStringLiteral("en");
        QLocale::setDefault(QLocale(country == 49 ? QLocale::German : QLocale::English, QLocale::AnyTerritory));
        CorvaneDeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), country);
        sim::VariantOptions variant;
        variant.deviceType = static_cast<uint32_t>(deviceType);
        variant.multivariable = true;
        QString refused;
        ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, refused)) << refused.toStdString();
        // The window with the device's dataset read, as a user works in it.
        frmMain* window = applet.StartConnectedWithTheDevicesDataset(deviceType);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        for (const char* entry : kPages) {
            QAction* action = window->Menu(QLatin1String(entry));
            if (!action || !action->isVisible() || !action->isEnabled())
                continue;
            // Each page once per language is enough; the flow computer adds its own.
            if (deviceType != 137 && opened.contains(QLatin1String(entry) + language))
                continue;
            opened.insert(QLatin1String(entry) + language);
            applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes); // a simulation influences the process
            action->trigger();
            piotest::Settle();
            const QList<QMdiSubWindow*> frames = Frames(*window);
            if (frames.isEmpty()) {
                found << QStringLiteral("%1 (%2): no page opened").arg(QLatin1String(entry), language);
                continue;
            }
            EXPECT_TRUE(piotest::RunUntil([&] { return Exposed(frames); })) << entry;
            piotest::Settle();
            for (QMdiSubWindow* frame : frames) {
                const QString name = QStringLiteral("%1 %2 (%3)").arg(QLatin1String(entry), frame->widget()->objectName(), language);
                for (const QString& finding : Placement(*window, *frame) + Findings(*frame->widget()))
                    found << name + QStringLiteral(": ") + finding;
            }
            // Every tab of the page in front as the user picks it, and back to the first.
            if (auto* tabs = frames.last()->widget()->findChild<QTabBar*>(); tabs && tabs->count() > 1) {
                const int first = tabs->currentIndex();
                for (int tab = 0; tab < tabs->count(); ++tab) {
                    if (tab == first || !tabs->isTabEnabled(tab) || !tabs->isTabVisible(tab))
                        continue;
                    tabs->setCurrentIndex(tab);
                    piotest::Settle();
                    const QString name = QStringLiteral("%1 %2, tab \"%3\" (%4)")
                                             .arg(QLatin1String(entry), frames.last()->widget()->objectName(),
                                                  tabs->tabText(tab), language);
                    for (const QString& finding : Placement(*window, *frames.last()) + Findings(*frames.last()->widget()))
                        found << name + QStringLiteral(": ") + finding;
                }
                tabs->setCurrentIndex(first);
                piotest::Settle();
            }
            for (qsizetype i = 0; i < frames.size(); ++i)
                for (qsizetype j = i + 1; j < frames.size(); ++j)
                    if (frames[i]->geometry().intersects(frames[j]->geometry()))
                        found << QStringLiteral("%1 (%2): %3 covers %4")
                                     .arg(QLatin1String(entry), language, frames[j]->widget()->objectName(),
                                          frames[i]->widget()->objectName());
            // Escape closes the page in front (a simulation asks first), once
            // the window is the user's again after what the page read.
            EXPECT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); })) << entry;
            piotest::Settle();
            SaveScreen(QStringLiteral("%1-%2-%3").arg(frames.last()->widget()->objectName(), language, Dpi()));
            QWidget* front = frames.last()->widget();
            window->activateWindow();
            front->setFocus();
            EXPECT_TRUE(piotest::RunUntil([&] {
                const QWidget* focus = QApplication::focusWidget();
                return focus && (focus == front || front->isAncestorOf(focus));
            })) << entry;
            applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
            // Escape in the one language, Ctrl+F4 in the other.
            const bool ctrlF4 = country == 49;
            QTest::keyClick(frames.last()->widget(), ctrlF4 ? Qt::Key_F4 : Qt::Key_Escape,
                            ctrlF4 ? Qt::ControlModifier : Qt::NoModifier);
            if (!piotest::RunUntil([&] { return Frames(*window).size() < frames.size(); }))
                found << QStringLiteral("%1 (%2): %3 does not close the page")
                             .arg(QLatin1String(entry), language, ctrlF4 ? QStringLiteral("Ctrl+F4") : QStringLiteral("Escape"));
            for (QMdiSubWindow* frame : Frames(*window))
                frame->close();
            piotest::Settle();
        }
    }
    // Every page a HART device offers was opened: a menu entry that stays
    // hidden or off is no page checked.
    for (const char* entry : kPages)
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("de")})
            if (!opened.contains(QLatin1String(entry) + language) && !kFieldbusPages.contains(QLatin1String(entry)))
                found << QStringLiteral("%1 (%2): never offered, never checked").arg(QLatin1String(entry), language);
    EXPECT_TRUE(found.isEmpty()) << "at " << Dpi().toStdString() << " dpi:\n" << found.join(QLatin1Char('\n')).toStdString();
}

TEST(WindowsFitTheScreen, TheMainWindowOpensWhereItWasClosedAndOnTheScreen)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "runs on an X server (scripts/with-x-server)";
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    QRect closed;
    for (int opening = 0; opening < 3; ++opening) {
        SCOPED_TRACE(opening);
        frmMain* window = applet.Start();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        // The window manager's frame arrives after the window is shown.
        ASSERT_TRUE(piotest::RunUntil([&] { return window->frameGeometry() != window->geometry(); }));
        EXPECT_TRUE(piotest::RunUntil(
            [&] { return window->screen()->availableGeometry().contains(window->frameGeometry()); }))
            << window->frameGeometry().y();
        piotest::Settle();
        const QRect outer = window->frameGeometry();
        if (opening > 0) {
            EXPECT_EQ(outer, closed);
        }
        closed = outer;
        int32_t result = 0;
        applet.View()->Destroy(result);
        piotest::Settle();
    }
}

TEST(WindowsFitTheScreen, ThePrintPreviewOpensWholeOnTheScreenInTheUsersLanguageAndClosesWithEscape)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "runs on an X server (scripts/with-x-server)";
    for (const auto& [country, title] : {std::pair{1, "Print-out"}, std::pair{49, "Ausdruck"}}) {
        SCOPED_TRACE(country);
        CorvaneDeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), country);
        frmMain* window = applet.StartConnectedWithTheDevicesDataset();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        applet.Trigger(*window, "mnuFilePrintPreview");
        printview::PrintViewWindow* preview = nullptr;
        ASSERT_TRUE(piotest::RunUntil([&] {
            for (QWidget* each : QApplication::topLevelWidgets())
                if (auto* candidate = qobject_cast<printview::PrintViewWindow*>(each); candidate && candidate->isVisible())
                    preview = candidate;
            return preview != nullptr;
        }));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
        // The window manager's frame, title bar included, lies on the screen.
        ASSERT_TRUE(piotest::RunUntil([&] { return preview->frameGeometry() != preview->geometry(); }));
        EXPECT_TRUE(piotest::RunUntil(
            [&] { return preview->screen()->availableGeometry().contains(preview->frameGeometry()); }))
            << Rect(preview->frameGeometry()).toStdString();
        EXPECT_TRUE(preview->windowTitle().startsWith(QLatin1String(title))) << preview->windowTitle().toStdString();
        const QStringList findings = Findings(*preview);
        EXPECT_TRUE(findings.isEmpty()) << findings.join(QLatin1Char('\n')).toStdString();
        SaveScreen(QStringLiteral("print-view-%1-%2").arg(country == 49 ? "de" : "en", Dpi()));
        preview->activateWindow();
        ASSERT_TRUE(piotest::RunUntil([&] { return preview->isActiveWindow(); }));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : preview, Qt::Key_Escape);
        EXPECT_TRUE(piotest::RunUntil([&] { return !preview->isVisible(); }));
    }
}

TEST(WindowsFitTheScreen, TheNewDatasetDialogAndTheStatusLineShowWholeInEnglishAndGerman)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "runs on an X server (scripts/with-x-server)";
    QStringList found;
    for (const int country : {1, 49}) {
        const QString language = country == 49 ? QStringLiteral("de") : QStringLiteral("en");
        QLocale::setDefault(QLocale(country == 49 ? QLocale::German : QLocale::English, QLocale::AnyTerritory));
        // Offline, where a new dataset is made.
        DeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), country);
        applet.Variant("4607215", 1, true, 8, 137);
        frmMain* window = applet.StartWithConnectAllowed();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

        // File > New: the dialog as it opens, on the screen with its buttons whole.
        bool shown = false;
        applet.dialogs.AnswerModal([&](QDialog& dialog) {
            dialog.show();
            shown = QTest::qWaitForWindowExposed(&dialog);
            piotest::RunUntil([&] { return dialog.frameGeometry() != dialog.geometry(); });
            piotest::Settle();
            const QString name = QStringLiteral("new dataset (%1)").arg(language);
            if (!dialog.screen()->availableGeometry().contains(dialog.frameGeometry()))
                found << name + QStringLiteral(": at %1 it leaves the screen").arg(Rect(dialog.frameGeometry()));
            for (const QString& finding : Findings(dialog))
                found << name + QStringLiteral(": ") + finding;
            SaveScreen(QStringLiteral("frmSelectDefaultDataset-%1-%2").arg(language, Dpi()));
            return static_cast<int>(QDialog::Rejected);
        });
        applet.Trigger(*window, "mnuFileNew");
        piotest::Settle();
        EXPECT_TRUE(shown) << language.toStdString();

        // The status line shows its longest confirmation (File > Save) whole.
        window->ShowStatus(global::LoadLocalizedText(kDatasetSavedText));
        piotest::Settle();
        for (const QString& finding : Findings(*window->statusBar()))
            found << QStringLiteral("status line (%1): %2").arg(language, finding);
    }
    EXPECT_TRUE(found.isEmpty()) << "at " << Dpi().toStdString() << " dpi:\n" << found.join(QLatin1Char('\n')).toStdString();
}

namespace {

// What of a message box is cut: its title, which the window manager draws in
// its bar beside the window's icon and buttons, each about as wide as the bar
// is high, and its texts and buttons.
// The window manager's decoration is the one it gives the main window
// (framed): on a loaded machine the box's own frame extents may reach Qt
// only after the check.
QStringList BoxFindings(const QMessageBox& box, const QWidget& framed)
{
    QStringList found = Findings(box);
    const QMargins decoration(framed.geometry().left() - framed.frameGeometry().left(),
                              framed.geometry().top() - framed.frameGeometry().top(),
                              framed.frameGeometry().right() - framed.geometry().right(),
                              framed.frameGeometry().bottom() - framed.geometry().bottom());
    const QRect frame = box.geometry().marginsAdded(decoration);
    const int bar = decoration.top();
    QFont bold = box.font();
    bold.setBold(true);
    const int needs = QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + 4 * bar;
    if (frame.width() < needs)
        found << QStringLiteral("the title \"%1\" needs %2 pixels, the box is %3 wide")
                     .arg(box.windowTitle())
                     .arg(needs)
                     .arg(frame.width());
    if (!box.screen()->availableGeometry().contains(frame))
        found << QStringLiteral("at %1 it leaves the screen").arg(Rect(frame));
    return found;
}

// Shows the box as the dialog service would, on the screen beside the main
// window; what does not fit, and the screen saved under the name.
QStringList ShownBoxFindings(const dialogs::MessageBoxRequest& request, const QWidget& window, const QString& screen)
{
    const std::unique_ptr<QMessageBox> box = dialogs::QtDialogService::CreateMessageBox(request);
    box->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    // The window manager's frame arrives after the box is shown
    // (for the screenshot; the check takes the main window's).
    [[maybe_unused]] const bool framed = QTest::qWaitFor([&] { return box->frameGeometry() != box->geometry(); }, 3000);
    piotest::Settle();
    const QStringList found = BoxFindings(*box, window);
    SaveScreen(screen);
    box->close();
    piotest::Settle();
    return found;
}

} // namespace

TEST(WindowsFitTheScreen, TheBoxesOfClosingASimulationAndOfARefusedFunctionShowWhole)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "runs on an X server (scripts/with-x-server)";
    QStringList found;
    for (const int country : {1, 49}) {
        const QString language = country == 49 ? QStringLiteral("de") : QStringLiteral("en");
        QLocale::setDefault(QLocale(country == 49 ? QLocale::German : QLocale::English, QLocale::AnyTerritory));
        CorvaneDeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), country);
        frmMain* window = applet.StartConnectedWithTheDevicesDataset(137);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        for (const char* entry : {"mnuDiagnosticsSimulateCurrent", "mnuDiagnosticsSimulateFlow"}) {
            applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes); // a simulation influences the process
            applet.Trigger(*window, entry);
            piotest::Settle();
            const QList<QMdiSubWindow*> frames = Frames(*window);
            ASSERT_FALSE(frames.isEmpty()) << entry;
            const QWidget& page = *frames.last()->widget();
            // The questions and notes of closing a simulation page: "%1 Close" with the page's caption.
            struct Box {
                int16_t textId;
                dialogs::MessageButtons buttons;
                dialogs::MessageIcon icon;
            };
            for (const Box& kind : {Box{2124, dialogs::MessageButtons::YesNoCancel, dialogs::MessageIcon::Question},
                                    Box{2122, dialogs::MessageButtons::Ok, dialogs::MessageIcon::Information}}) {
                dialogs::MessageBoxRequest request;
                request.title = pagecontrols::CloseTitle(page).text;
                request.text = global::LoadLocalizedText(kind.textId);
                request.buttons = kind.buttons;
                request.icon = kind.icon;
                request.ownTitle = true;
                const QString screen = QStringLiteral("box%1-%2-%3-%4").arg(kind.textId).arg(page.objectName(), language, Dpi());
                for (const QString& finding : ShownBoxFindings(request, *window, screen))
                    found << QStringLiteral("%1 box %2 (%3): %4").arg(QLatin1String(entry)).arg(kind.textId).arg(language, finding);
            }
            for (QMdiSubWindow* frame : Frames(*window))
                frame->close();
            piotest::Settle();
        }
        // A function the device refused, titled with the longest caption a
        // page gives it: what was not done, with each kind of reason.
        for (const int16_t notDone : {3879, 3997, 3991}) {
            for (const int code : {64, 7, 16, 5}) {
                SequenceOutcome refused;
                refused.end = SequenceOutcome::End::Refused;
                refused.responseCode = code;
                dialogs::MessageBoxRequest request;
                request.title = global::LoadLocalizedText(2225); // "Calibrate Static Pressure Measurement"
                request.text = sequenceoutcome::FailureText(global::LoadLocalizedText(notDone), refused);
                request.buttons = dialogs::MessageButtons::Ok;
                request.icon = dialogs::MessageIcon::Warning;
                const QString screen = QStringLiteral("refusal%1-%2-%3-%4").arg(notDone).arg(code).arg(language, Dpi());
                for (const QString& finding : ShownBoxFindings(request, *window, screen))
                    found << QStringLiteral("refusal box %1/%2 (%3): %4").arg(notDone).arg(code).arg(language, finding);
            }
        }
    }
    EXPECT_TRUE(found.isEmpty()) << "at " << Dpi().toStdString() << " dpi:\n" << found.join(QLatin1Char('\n')).toStdString();
}


#include "merrow/shell/global.h"
#include "platform/applet/UserNumber.h"
#include "merrow/shell/frmMain.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/NumberedTextTable.h"
#include "platform/automation/IniFile.h"
#include "platform/controls/Twips.h"
#include "platform/controls/WindowPlacement.h"
#include "platform/dialogs/DialogService.h"
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHash>
#include <QPixmap>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <map>
#include <optional>
#include <utility>

namespace global {

std::shared_ptr<IDeviceInfo> gDeviceInfo;
bool RangeValuesRead = false;
bool RangeValuesRequested = false;

namespace {

const QString kStringTable = QStringLiteral(":/merrow/strings/Merrow.json");
constexpr int kCountryGerman = 49;
QPointer<::frmMain> g_frmMain;
// The page in use and its control with the keyboard focus when the window was
// taken from the user: enabling the window again makes the area activate its
// first page, so both are given back.
QPointer<QMdiSubWindow> g_pageInUse;
QPointer<QWidget> g_focusInUse;

// The main window's placement keys and defaults (twips).
struct MainPlacement {
    const char* key;
    int fallback;
};
const MainPlacement kMainPlacement[] = {{"MainLeft", 1000}, {"MainTop", 1000}, {"MainWidth", 6500}, {"MainHeight", 6500}};

// Pages that would reach past these margins of the main window come back to these edges (twips).
constexpr int kRightMargin = 300;
constexpr int kBottomMargin = 2000;
constexpr int kFallbackLeft = 50;
constexpr int kFallbackTop = 100;

const std::map<int, QString>& StringTable()
{
    static const std::map<int, QString> table =
        applet::ReadNumberedTextTable(kStringTable, QStringLiteral("global.LoadLocalizedText"));
    return table;
}

int CountryCode()
{
    return g_frmMain ? static_cast<int>(std::lround(g_frmMain->CountryCodeValue())) : 0;
}

// The numeric value of a text id property; 0 for none or a text that is no number.
int TextId(const QObject& object, const char* property)
{
    bool ok = false;
    const int id = object.property(property).toString().trimmed().toInt(&ok);
    return ok ? id : 0;
}

// A menu text as a tooltip: the access-key marks go ("&Copy" shows "Copy"), a doubled one stays single.
QString WithoutAccessKeys(const QString& text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain.append(text[i]);
    }
    return plain;
}

void LocalizeObject(QObject& object)
{
    const int tag = TextId(object, "Tag");
    const int tip = TextId(object, "ToolTipText");
    if (auto* action = qobject_cast<QAction*>(&object)) {
        if (tag > 0)
            action->setText(LoadLocalizedText(static_cast<int16_t>(tag)));
        if (tip > 0)
            action->setToolTip(WithoutAccessKeys(LoadLocalizedText(static_cast<int16_t>(tip))));
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(&object)) {
        if (tag > 0)
            menu->setTitle(LoadLocalizedText(static_cast<int16_t>(tag)));
        return;
    }
    if (auto* strip = qobject_cast<QTabBar*>(&object); strip && !qobject_cast<QTabWidget*>(strip->parent())) {
        // Each tab of a tab strip carries its own text ids.
        for (int i = 0; i < strip->count(); ++i) {
            const QVariantMap ids = strip->tabData(i).toMap();
            const int caption = ids.value(QStringLiteral("Tag")).toString().toInt();
            const int tabTip = ids.value(QStringLiteral("ToolTipText")).toString().toInt();
            if (caption > 0)
                strip->setTabText(i, LoadLocalizedText(static_cast<int16_t>(caption)));
            if (tabTip > 0)
                strip->setTabToolTip(i, LoadLocalizedText(static_cast<int16_t>(tabTip)));
        }
        return;
    }
    if (auto* list = qobject_cast<QTreeWidget*>(&object)) {
        // A list's column headers carry their text ids in the header item.
        QTreeWidgetItem* header = list->headerItem();
        for (int column = 0; header && column < list->columnCount(); ++column) {
            const int id = header->data(column, Qt::UserRole).toString().toInt();
            if (id > 0)
                header->setText(column, LoadLocalizedText(static_cast<int16_t>(id)));
        }
    }
    if (auto* tabs = qobject_cast<QTabWidget*>(&object)) {
        // The tabs of one tab control have consecutive text ids.
        if (tag > 0)
            for (int i = 0; i < tabs->count(); ++i)
                tabs->setTabText(i, LoadLocalizedText(static_cast<int16_t>(tag + i)));
        return;
    }
    auto* widget = qobject_cast<QWidget*>(&object);
    if (!widget)
        return;
    if (tag > 0) {
        const QString text = LoadLocalizedText(static_cast<int16_t>(tag));
        if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(text);
        else if (auto* box = qobject_cast<QGroupBox*>(widget))
            box->setTitle(text);
        else if (widget->metaObject()->indexOfProperty("Caption") >= 0)
            widget->setProperty("Caption", text); // the caption part of an item-bound field control
    }
    if (tip > 0)
        widget->setToolTip(LoadLocalizedText(static_cast<int16_t>(tip)));
}

// The per-user settings at the section every position is kept in: read when
// made (a file that is no regular file is refused, not waited on), written
// back whole when a value was set.
class Settings {
public:
    Settings()
    {
        QString error;
        m_read = automation::IniFile::Read(SettingsPath(), m_entries, &error);
        if (!m_read)
            applet::AppletTrace::Error(QStringLiteral("global: the stored positions are not used: %1").arg(error));
    }
    ~Settings()
    {
        // A file that could not be read is not replaced by what little is known.
        QString error;
        if (m_changed && m_read && !automation::IniFile::Write(SettingsPath(), m_entries, &error))
            applet::AppletTrace::Error(QStringLiteral("global: the positions are not stored: %1").arg(error));
    }
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;
    bool contains(const QString& key) const { return m_entries.contains(Key(key)); }
    QVariant value(const QString& key) const { return m_entries.value(Key(key)); }
    void setValue(const QString& key, const QString& value)
    {
        m_entries.insert(Key(key), value);
        m_changed = true;
    }

private:
    static QString Key(const QString& key) { return kSettingsSection + QLatin1Char('/') + key; }
    automation::IniFile::Entries m_entries;
    bool m_read = false;
    bool m_changed = false;
};

// The window that carries the form: its MDI frame when it is a page, its
// dialog when it is shown modally in one.
QWidget& Frame(QWidget& form)
{
    if (auto* frame = qobject_cast<QMdiSubWindow*>(form.parentWidget()))
        return *frame;
    if (auto* dialog = qobject_cast<QDialog*>(form.parentWidget()))
        return *dialog;
    return form;
}

// A stored number of twips; none when the key is missing or holds no number.
std::optional<int> StoredTwips(const Settings& settings, const QString& key)
{
    if (!settings.contains(key))
        return std::nullopt;
    bool ok = false;
    const int value = settings.value(key).toString().trimmed().toInt(&ok);
    if (!ok) {
        applet::AppletTrace::Error(QStringLiteral("global: stored position %1 is no number").arg(key));
        return std::nullopt;
    }
    return value;
}

bool OnSomeScreen(const QRect& rect)
{
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(rect))
            return true;
    return false;
}

} // namespace

QString SettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
           + kSettingsOrganisation + QLatin1Char('/') + kAppTitle + QStringLiteral(".conf");
}

::frmMain* MainWindow()
{
    return g_frmMain;
}

void ShowStatus(const QString& text)
{
    if (g_frmMain)
        g_frmMain->ShowStatus(text);
}

void UnloadFrmMesswerte()
{
    if (g_frmMain)
        g_frmMain->UnloadFrmMesswerte();
}

void ReleaseFrmMesswerte()
{
    if (g_frmMain)
        g_frmMain->ReleaseFrmMesswerte();
}

void SetMainWindow(::frmMain* window)
{
    g_frmMain = window;
}

bool HasText(int32_t id)
{
    return StringTable().count(id) != 0;
}

bool GermanTexts()
{
    const auto& table = StringTable();
    const auto language = table.find(CountryCode());
    const auto german = table.find(kCountryGerman);
    return language != table.end() && german != table.end() && language->second == german->second;
}

QString LoadLocalizedText(int16_t textId)
{
    const auto& table = StringTable();
    int32_t base = 0;
    const auto language = table.find(CountryCode());
    if (language != table.end())
        base = language->second.toInt();
    const int32_t id = static_cast<int32_t>(textId) + base;
    const auto text = table.find(id);
    if (text != table.end())
        return text->second;
    const QString description = QStringLiteral("Resource with identifier %1 not found").arg(id);
    applet::AppletTrace::Error(QStringLiteral("global.LoadLocalizedText: %1").arg(description));
    dialogs::DialogService::instance().Information(QString(), description);
    return QString();
}

void LocalizeForm(QWidget& form)
{
    const int tag = TextId(form, "Tag");
    if (tag > 0)
        form.setWindowTitle(LoadLocalizedText(static_cast<int16_t>(tag)));
    for (QObject* child : form.findChildren<QObject*>())
        LocalizeObject(*child);
}

int UserCountryCode()
{
    return CountryCode();
}

std::optional<double> ParseNumber(const QString& text)
{
    return applet::UserNumber::Parse(text, CountryCode());
}

QString FormatNumber(double value, int decimals)
{
    return applet::UserNumber::Format(value, CountryCode(), decimals);
}

QString FillPlaceholders(const QString& text, const QVariantList& values)
{
    QString result;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 1 < text.size() && text[i + 1].isDigit()) {
            const int index = text[i + 1].digitValue() - 1;
            if (index >= 0 && index < values.size()) {
                result += values[index].toString();
                ++i;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

void SetTopMost(QWidget& window, bool onTop)
{
    controls::WindowPlacement::SetTopMost(window, onTop);
}

void SetMainWindowEnabled(bool enabled)
{
    if (!enabled) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    if (!g_frmMain)
        return;
    auto* area = g_frmMain->findChild<QMdiArea*>();
    if (!enabled) {
        if (g_frmMain->isEnabled() && area) {
            g_pageInUse = area->activeSubWindow();
            QWidget* focus = QApplication::focusWidget();
            g_focusInUse = focus && g_pageInUse && g_pageInUse->isAncestorOf(focus) ? focus : nullptr;
        }
        g_frmMain->setEnabled(false);
        return;
    }
    g_frmMain->setEnabled(true);
    const QPointer<QMdiSubWindow> page = std::exchange(g_pageInUse, nullptr);
    const QPointer<QWidget> focus = std::exchange(g_focusInUse, nullptr);
    if (!area || !page || !area->subWindowList().contains(page.data()))
        return;
    area->setActiveSubWindow(page);
    if (focus && focus->isEnabled() && focus->isVisible())
        focus->setFocus(Qt::OtherFocusReason);
    else if (QWidget* content = page->widget(); content && !content->isAncestorOf(QApplication::focusWidget()))
        content->setFocus(Qt::OtherFocusReason);
}

bool CheckDiagnosisExtension(const QByteArray& octets, int selector)
{
    constexpr int kFixedCurrentOctet = 3;
    constexpr int kFixedCurrentBit = 16;
    return selector == kFixedCurrentOctet && octets.size() > kFixedCurrentOctet &&
           (static_cast<uint8_t>(octets[kFixedCurrentOctet]) & kFixedCurrentBit) != 0;
}

void RestoreFormPosition(QWidget& form, bool restoreWidth, bool restoreHeight)
{
    using controls::Twips::FromPixels;
    using controls::Twips::ToPixels;
    QWidget& frame = Frame(form);
    const QString name = form.objectName();
    const Settings settings;
    int left = StoredTwips(settings, name + QStringLiteral("Left")).value_or(0);
    int top = StoredTwips(settings, name + QStringLiteral("Top")).value_or(0);
    int width = FromPixels(frame.width());
    int height = FromPixels(frame.height());
    if (restoreWidth)
        if (const auto stored = StoredTwips(settings, name + QStringLiteral("Width")); stored && *stored > 0)
            width = *stored;
    if (restoreHeight)
        if (const auto stored = StoredTwips(settings, name + QStringLiteral("Height")); stored && *stored > 0)
            height = *stored;
    if (g_frmMain) {
        const int mainWidth = FromPixels(g_frmMain->frameGeometry().width());
        const int mainHeight = FromPixels(g_frmMain->frameGeometry().height());
        if (left + width > mainWidth - kRightMargin || left < 0)
            left = kFallbackLeft;
        if (top + height > mainHeight - kBottomMargin || top < 0)
            top = kFallbackTop;
    }
    frame.setGeometry(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

void SaveFormPosition(QWidget& form, bool saveWidth, bool saveHeight)
{
    using controls::Twips::FromPixels;
    QWidget& frame = Frame(form);
    if (frame.isMinimized())
        return;
    const QString name = form.objectName();
    Settings settings;
    settings.setValue(name + QStringLiteral("Left"), QString::number(FromPixels(frame.x())));
    settings.setValue(name + QStringLiteral("Top"), QString::number(FromPixels(frame.y())));
    if (saveWidth)
        settings.setValue(name + QStringLiteral("Width"), QString::number(FromPixels(frame.width())));
    if (saveHeight)
        settings.setValue(name + QStringLiteral("Height"), QString::number(FromPixels(frame.height())));
}

QPixmap LoadJpegResource(const QString& name)
{
    // The pictures are compiled into the program; the logo is a PNG for its transparency.
    static const QHash<QString, QString> files = {{QStringLiteral("1LOGO"), QStringLiteral("TrivexLogo.png")}};
    const QString file = files.value(name, name + QStringLiteral(".jpg"));
    QPixmap picture(QStringLiteral(":/merrow/pictures/") + file);
    if (picture.isNull())
        applet::AppletTrace::Error(QStringLiteral("global.LoadJpegResource: no picture %1").arg(name));
    return picture;
}

void UseQtTranslations(int countryCode)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (countryCode != kCountryGerman)
        return;
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        applet::AppletTrace::Error(
            QStringLiteral("global: Qt's German texts were not found in %1; its own buttons stay English").arg(folder));
        return;
    }
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
}

void CenterOnOwner(QWidget& window, const QWidget& owner)
{
    const QRect outer = owner.frameGeometry();
    window.move(outer.center() - QPoint(window.width() / 2, window.height() / 2));
}

bool RestoreMainPosition(QWidget& window)
{
    using controls::Twips::ToPixels;
    const Settings settings;
    int values[4];
    bool sizeStored = true;
    for (int i = 0; i < 4; ++i) {
        const auto stored = StoredTwips(settings, QLatin1String(kMainPlacement[i].key));
        values[i] = stored.value_or(kMainPlacement[i].fallback);
        if (i >= 2 && (!stored || values[i] <= 0)) {
            values[i] = kMainPlacement[i].fallback;
            sizeStored = false;
        }
    }
    // Left and top are those of the outer frame, as stored; the size is the inner one.
    QRect rect(ToPixels(values[0]), ToPixels(values[1]), ToPixels(values[2]), ToPixels(values[3]));
    if (!OnSomeScreen(rect)) {
        applet::AppletTrace::Error(QStringLiteral("global: the stored main window position lies on no screen"));
        rect.moveTo(ToPixels(kMainPlacement[0].fallback), ToPixels(kMainPlacement[1].fallback));
    }
    window.resize(rect.size());
    controls::WindowPlacement::PlaceOnScreen(window, rect.topLeft());
    return sizeStored;
}

void SaveMainPosition(QWidget& window)
{
    using controls::Twips::FromPixels;
    if (window.isMinimized())
        return;
    Settings settings;
    // Where the window manager put the frame: stored as it comes back.
    const QPoint outer = window.frameGeometry().topLeft();
    const int values[4] = {FromPixels(outer.x()), FromPixels(outer.y()), FromPixels(window.width()),
                           FromPixels(window.height())};
    for (int i = 0; i < 4; ++i)
        settings.setValue(QLatin1String(kMainPlacement[i].key), QString::number(values[i]));
}

} // namespace global

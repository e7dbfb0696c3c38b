#include "mvtrivexbusywindow/CountryTexts.h"
#include "pioitems/PioUserControl.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/NumberedTextTable.h"
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <functional>
#include <map>
#include <vector>

namespace mvtrivexbusywindow {

namespace {

const QString kStringTable = QStringLiteral(":/mvtrivexbusywindow/strings/MVTrivexBusyWindow.json");
const QString kSource = QStringLiteral("MVTrivexBusyWindow");
// The id of the entry that holds the English base, and that base should the entry be missing too.
constexpr int kEnglishEntry = 1;
constexpr int kEnglishBase = 1000;

const std::map<int, QString>& StringTable()
{
    static const std::map<int, QString> table =
        applet::ReadNumberedTextTable(kStringTable, kSource + QStringLiteral(".LoadCountryText"));
    return table;
}

// The base of a language: the entry of the id as a whole number; none when it is missing or no number.
bool BaseOf(int id, int& base)
{
    const auto entry = StringTable().find(id);
    if (entry == StringTable().end())
        return false;
    bool ok = false;
    base = entry->second.trimmed().toInt(&ok);
    return ok;
}

// The numeric value of a text number ("Val" of the text: 0 for none or a text that is no number).
int NumberOf(const QVariant& value)
{
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : 0;
}

int Tag(const QObject& object)
{
    return NumberOf(object.property("Tag"));
}
int ToolTipText(const QObject& object)
{
    return NumberOf(object.property("ToolTipText"));
}

// ---- How each kind of control takes its texts ----
struct ControlRule {
    const char* kind;
    std::function<bool(QObject&)> matches;
    std::function<void(QObject&, int countryCode)> apply;
};

const std::vector<ControlRule>& ControlRules()
{
    static const std::vector<ControlRule> rules = {
        {"Label", [](QObject& o) { return qobject_cast<QLabel*>(&o) != nullptr; },
         [](QObject& o, int code) { static_cast<QLabel&>(o).setText(LoadCountryText(code, Tag(o))); }},
        {"Menu", [](QObject& o) { return qobject_cast<QMenu*>(&o) != nullptr; },
         [](QObject& o, int code) { static_cast<QMenu&>(o).setTitle(LoadCountryText(code, Tag(o))); }},
        {"Menu", [](QObject& o) { return qobject_cast<QAction*>(&o) != nullptr; },
         [](QObject& o, int code) { static_cast<QAction&>(o).setText(LoadCountryText(code, Tag(o))); }},
        // Each tab keeps its text numbers in its data, a map with "Tag" and "ToolTipText".
        {"TabStrip", [](QObject& o) { return qobject_cast<QTabBar*>(&o) != nullptr; },
         [](QObject& o, int code) {
             auto& tabs = static_cast<QTabBar&>(o);
             for (int i = 0; i < tabs.count(); ++i) {
                 const QVariantMap numbers = tabs.tabData(i).toMap();
                 tabs.setTabText(i, LoadCountryText(code, NumberOf(numbers.value(QStringLiteral("Tag")))));
                 tabs.setTabToolTip(i, LoadCountryText(code, NumberOf(numbers.value(QStringLiteral("ToolTipText")))));
             }
         }},
        {"Toolbar", [](QObject& o) { return qobject_cast<QToolBar*>(&o) != nullptr; },
         [](QObject& o, int code) {
             for (QAction* button : static_cast<QToolBar&>(o).actions())
                 button->setToolTip(LoadCountryText(code, ToolTipText(*button)));
         }},
        // Each column header keeps its text number in its user data.
        {"ListView", [](QObject& o) { return qobject_cast<QTreeWidget*>(&o) != nullptr; },
         [](QObject& o, int code) {
             QTreeWidgetItem* header = static_cast<QTreeWidget&>(o).headerItem();
             for (int i = 0; i < header->columnCount(); ++i)
                 header->setText(i, LoadCountryText(code, NumberOf(header->data(i, Qt::UserRole))));
         }},
    };
    return rules;
}

// Any other control: its caption and tool tip where it carries a number above 0.
void ApplyOther(QObject& object, int code)
{
    if (const int tag = Tag(object); tag > 0) {
        const QString text = LoadCountryText(code, tag);
        if (auto* button = qobject_cast<QAbstractButton*>(&object))
            button->setText(text);
        else if (auto* box = qobject_cast<QGroupBox*>(&object))
            box->setTitle(text);
    }
    if (const int tip = ToolTipText(object); tip > 0)
        if (auto* widget = qobject_cast<QWidget*>(&object))
            widget->setToolTip(LoadCountryText(code, tip));
}

// The form's controls, depth first; a user control's own parts are its own business.
void CollectControls(QObject& parent, QList<QObject*>& found)
{
    for (QObject* child : parent.children()) {
        found.append(child);
        if (!qobject_cast<pioitems::PioUserControl*>(child))
            CollectControls(*child, found);
    }
}

void Step(const char* kind, const QObject& object, const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1.LocalizeForm(%2 %3): %4")
                                       .arg(kSource, QLatin1String(kind), object.objectName(),
                                            QString::fromLocal8Bit(error.what())));
    }
}

} // namespace

QString LoadCountryText(int countryCode, int n)
{
    int base = 0;
    if (!BaseOf(countryCode, base) && !BaseOf(kEnglishEntry, base))
        base = kEnglishBase;
    const auto entry = StringTable().find(n + base);
    return entry == StringTable().end() ? QString() : entry->second;
}

void LocalizeForm(QWidget& form, int countryCode)
{
    Step("Form", form, [&] { form.setWindowTitle(LoadCountryText(countryCode, Tag(form))); });
    QList<QObject*> controls;
    CollectControls(form, controls);
    for (QObject* control : controls) {
        const ControlRule* rule = nullptr;
        for (const ControlRule& candidate : ControlRules())
            if (candidate.matches(*control)) {
                rule = &candidate;
                break;
            }
        if (rule)
            Step(rule->kind, *control, [&] { rule->apply(*control, countryCode); });
        else
            Step("Control", *control, [&] { ApplyOther(*control, countryCode); });
    }
}

} // namespace mvtrivexbusywindow

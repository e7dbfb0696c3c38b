#include "dalvex/DisplayProtocol.h"
#include "pioitems/ControlErrors.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioItemProtocol.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/CallByName.h"
#include "platform/controls/PioDisplayControl.h"
#include <QMetaProperty>
#include <QObject>
#include <cmath>

namespace dalvex::DisplayProtocol {

namespace {

QString SetterOf(const char* property)
{
    return QStringLiteral("Set") + QLatin1String(property);
}

void TraceSkipped(const QString& context, const QString& member, automation::CallResult result)
{
    applet::AppletTrace::Info(QStringLiteral("%1: the display skips %2 (%3)")
                                  .arg(context, member, automation::CallResultText(result)));
}

// CallByName with the display's errors traced; the call's result, NoMethod
// also for a call that raised (the caller goes on as if it was skipped).
automation::CallResult TryCall(QObject* display, const QString& member, const QVariantList& args,
                               const QString& context, bool& raised)
{
    automation::CallResult result = automation::CallResult::NoMethod;
    raised = !pioitems::ControlErrors::Run(context + QLatin1Char('.') + member, [&] {
        result = automation::CallByName(display, member, args);
    });
    return result;
}

// The first of the members that takes args; true when one ran.
bool CallFirst(QObject* display, std::initializer_list<QString> members, const QVariantList& args,
               const QString& context)
{
    automation::CallResult last = automation::CallResult::NoMethod;
    for (const QString& member : members) {
        bool raised = false;
        last = TryCall(display, member, args, context, raised);
        if (raised)
            return false;
        if (last == automation::CallResult::Called)
            return true;
        if (last != automation::CallResult::NoMethod)
            break;
    }
    TraceSkipped(context, *members.begin(), last);
    return false;
}

int FindProperty(const QMetaObject* meta, const char* name)
{
    for (int i = 0; i < meta->propertyCount(); ++i)
        if (qstricmp(meta->property(i).name(), name) == 0)
            return i;
    return -1;
}

int32_t ItemNumber(QObject* itemControl, int32_t fallback)
{
    const auto* item = qobject_cast<pioitems::PioAppItem*>(itemControl);
    if (!item || !item->IsRegistered())
        return fallback;
    const double value = item->UIntValue();
    return std::isfinite(value) ? static_cast<int32_t>(value) : fallback;
}

} // namespace

bool Call(QObject* display, const char* member, const QVariantList& args, const QString& context)
{
    return CallFirst(display, {QLatin1String(member)}, args, context);
}

bool Put(QObject* display, const char* property, const QVariant& value, const QString& context)
{
    if (!display) {
        TraceSkipped(context, QLatin1String(property), automation::CallResult::NoObject);
        return false;
    }
    const int index = FindProperty(display->metaObject(), property);
    if (index >= 0 && display->metaObject()->property(index).isWritable()) {
        bool written = false;
        pioitems::ControlErrors::Run(context + QLatin1Char('.') + QLatin1String(property), [&] {
            written = display->metaObject()->property(index).write(display, value);
        });
        if (!written)
            applet::AppletTrace::Error(QStringLiteral("%1: the display refused %2 = %3")
                                           .arg(context, QLatin1String(property), value.toString()));
        return written;
    }
    return CallFirst(display, {QLatin1String(property), SetterOf(property)}, {value}, context);
}

bool PutIndexed(QObject* display, const char* property, int channel, const QVariant& value, const QString& context)
{
    return CallFirst(display, {QLatin1String(property), SetterOf(property)}, {channel, value}, context);
}

bool Register(QObject* display, const std::shared_ptr<applet::clsAppletItemManager>& manager,
              QObject* userLevelItem, QObject* countryCodeItem, const QString& context)
{
    bool raised = false;
    const QVariantList args{QVariant::fromValue(manager), QVariant::fromValue(userLevelItem),
                            QVariant::fromValue(countryCodeItem)};
    const automation::CallResult result = TryCall(display, QLatin1String(kRegister), args, context, raised);
    if (raised)
        return false;
    if (result == automation::CallResult::Called)
        return true;
    const QString source = context + QStringLiteral(".Register");
    if (auto* protocol = dynamic_cast<pioitems::PioItemProtocol*>(display))
        return pioitems::ControlErrors::Run(source, [&] { protocol->Register(manager); });
    if (auto* control = qobject_cast<controls::PioDisplayControl*>(display))
        return pioitems::ControlErrors::Run(source, [&] {
            control->Register(manager, ItemNumber(userLevelItem, control->UserLevel()),
                              ItemNumber(countryCodeItem, control->CountryCode()));
        });
    TraceSkipped(context, QLatin1String(kRegister), result);
    return false;
}

} // namespace dalvex::DisplayProtocol

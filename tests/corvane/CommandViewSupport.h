#pragma once
// What the tests of the command views share: the views started through the
// applet host as the user interface starts them, a look at every kept value
// of the dataset, a change of every kept value to another one its item takes,
// and a connection to the simulated transmitter that has run the device
// identification.
#include "CorvaneTestSupport.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/Description.h"
#include <QTemporaryDir>

namespace commandtest {

using namespace corvanetest;

inline const QString kCurrentSequence = QStringLiteral("currentSequence");

// Starts the view of the ProgID; the host's result.
inline int32_t StartView(CorvaneApplet& applet, const QString& progId)
{
    int32_t result = -1;
    applet.host->StartView(progId, result);
    Settle();
    return result;
}

// Every item's value as "name=text"; the kept (dataset) values only, or all.
inline QStringList Snapshot(const applet::clsAppletItemManager& manager, bool keptOnly)
{
    QStringList values;
    for (int32_t handle = 1; handle <= manager.ItemCount(); ++handle) {
        const applet::AppletItem* item = manager.Item(handle);
        if (keptOnly && !item->IsPersistent())
            continue;
        values << item->Name() + QLatin1Char('=') + applet::ItemValue::ToText(item->Type(), item->Value(), item->Style());
    }
    return values;
}

// The entries in which two snapshots differ, "expected -> actual"; empty when alike.
inline std::string Differences(const QStringList& expected, const QStringList& actual)
{
    QStringList lines;
    for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const QString a = i < expected.size() ? expected[i] : QStringLiteral("(none)");
        const QString b = i < actual.size() ? actual[i] : QStringLiteral("(none)");
        if (a != b)
            lines << a + QStringLiteral(" -> ") + b;
    }
    return lines.join(QLatin1Char('\n')).toStdString();
}

// Another value the item takes (inside its range, an entry of its
// enumeration), derived from round so that two rounds give other values.
inline QString OtherValue(const applet::Description& description, const applet::AppletItem& item, int round)
{
    using applet::ItemType;
    const QString now = applet::ItemValue::ToText(item.Type(), item.Value(), item.Style());
    const applet::DescObject* object = description.FindObject(item.Name());
    const auto inRange = [&](double candidate) { return !object || object->InRange(candidate); };
    switch (item.Type()) {
    case ItemType::Float:
    case ItemType::Int:
    case ItemType::Unsigned: {
        const double value = applet::ItemValue::ToNumber(item.Type(), item.Value());
        for (double step : {1.0, -1.0, 0.5, -0.5}) {
            const double candidate = value + step * round;
            QVariant stored;
            if (inRange(candidate)
                && applet::ItemValue::FromNumber(item.Type(), item.Size(), candidate, stored))
                return applet::ItemValue::ToText(item.Type(), stored);
        }
        return now;
    }
    case ItemType::Enumerated: {
        const applet::DescEnumeration* enumeration =
            object ? description.FindEnumeration(object->enumeration) : nullptr;
        if (!enumeration || enumeration->entries.isEmpty())
            return now;
        return QString::number(enumeration->entries[round % enumeration->entries.size()].value);
    }
    case ItemType::Boolean:
        return round % 2 ? QStringLiteral("1") : QStringLiteral("0");
    case ItemType::Text:
        if (object && object->dateText)
            return QStringLiteral("2020-01-%1").arg(10 + round % 18);
        return item.Size() > 0 && item.Size() < 3 ? QStringLiteral("T") : QStringLiteral("T%1").arg(round);
    case ItemType::PackedAscii:
        return QStringLiteral("P%1").arg(round);
    case ItemType::Octets: {
        QByteArray bytes = item.Value().toByteArray();
        if (bytes.isEmpty())
            return now;
        bytes[0] = static_cast<char>(round);
        return QString::fromLatin1(bytes.toHex(' ')).toUpper();
    }
    case ItemType::HartDate:
        return QStringLiteral("20%1-02-03").arg(10 + round % 80);
    }
    return now;
}

// Gives every kept value another value, with the rules silenced (as while a
// file loads), so that each item holds what was written to it.
inline void ChangeEveryKeptValue(CorvaneApplet& applet, int round)
{
    const auto description = applet.manager->GetDescription();
    applet.PutText(kCurrentSequence, QStringLiteral("ReadFile"));
    for (int32_t handle = 1; handle <= applet.manager->ItemCount(); ++handle) {
        const applet::AppletItem* item = applet.manager->Item(handle);
        if (!item->IsPersistent())
            continue;
        int32_t failed = 0;
        applet.manager->fncPutString(handle, OtherValue(*description, *item, round), failed);
    }
    applet.PutText(kCurrentSequence, QString());
    Settle();
}

// Connected to the simulated transmitter, after the device identification
// that the connection starts.
inline bool ConnectAndIdentify(CorvaneApplet& applet)
{
    ItemLog identification(applet.manager);
    identification.Watch(kCurrentSequence, QStringLiteral("running"));
    if (!applet.Connect())
        return false;
    return RunUntil([&] {
        return identification.changes.contains(QStringLiteral("running=GetDeviceInfo"))
               && applet.Text(kCurrentSequence).isEmpty();
    });
}

} // namespace commandtest

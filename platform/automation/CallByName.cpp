#include "platform/automation/CallByName.h"
#include <QMetaMethod>
#include <QObject>
#include <array>
#include <vector>

namespace automation {

namespace {

// Invoke carries at most ten arguments.
constexpr int kMaxArguments = 10;

int FindMethod(const QMetaObject* meta, const QString& name, int argumentCount)
{
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.access() != QMetaMethod::Public || method.methodType() == QMetaMethod::Signal
            || method.methodType() == QMetaMethod::Constructor)
            continue;
        if (method.parameterCount() != argumentCount)
            continue;
        if (QString::fromLatin1(method.name()).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

CallResult CallByName(QObject* target, const QString& method, const QVariantList& args)
{
    if (!target)
        return CallResult::NoObject;
    if (args.size() > kMaxArguments)
        return CallResult::BadArguments;
    const int index = FindMethod(target->metaObject(), method, static_cast<int>(args.size()));
    if (index < 0)
        return CallResult::NoMethod;
    const QMetaMethod meta = target->metaObject()->method(index);
    std::vector<QVariant> converted;
    converted.reserve(static_cast<size_t>(args.size()));
    for (int i = 0; i < args.size(); ++i) {
        QVariant value = args[i];
        const QMetaType wanted(meta.parameterType(i));
        if (value.metaType() != wanted && !value.convert(wanted))
            return CallResult::BadArguments;
        converted.push_back(std::move(value));
    }
    std::array<QGenericArgument, kMaxArguments> arguments{};
    for (size_t i = 0; i < converted.size(); ++i)
        arguments[i] = QGenericArgument(converted[i].typeName(), converted[i].constData());
    const bool called = meta.invoke(target, Qt::DirectConnection, arguments[0], arguments[1], arguments[2],
                                    arguments[3], arguments[4], arguments[5], arguments[6], arguments[7],
                                    arguments[8], arguments[9]);
    return called ? CallResult::Called : CallResult::BadArguments;
}

QString CallResultText(CallResult result)
{
    struct Row {
        CallResult result;
        const char* text;
    };
    static constexpr Row kTexts[] = {
        {CallResult::Called, "called"},
        {CallResult::NoObject, "no object"},
        {CallResult::NoMethod, "no method"},
        {CallResult::BadArguments, "bad arguments"},
    };
    for (const Row& row : kTexts)
        if (row.result == result)
            return QString::fromLatin1(row.text);
    return QString();
}

} // namespace automation

#include "platform/crosscheck/clsConsistencyChecker.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/ItemValue.h"
#include <QSet>
#include <array>

namespace crosscheck {

namespace {

using applet::ItemType;

constexpr uint32_t Bit(ItemType type)
{
    return 1u << static_cast<int32_t>(type);
}

constexpr uint32_t kWholeNumber = Bit(ItemType::Int) | Bit(ItemType::Unsigned) | Bit(ItemType::Enumerated);
constexpr uint32_t kUnitCode = Bit(ItemType::Enumerated) | Bit(ItemType::Unsigned);
constexpr uint32_t kNumber = Bit(ItemType::Int) | Bit(ItemType::Unsigned) | Bit(ItemType::Float);
constexpr uint32_t kTextual = Bit(ItemType::Text) | Bit(ItemType::PackedAscii);

// Description type codes whose role asks for particular object types. A code
// not listed here accepts an object of any type.
struct TypeFit {
    int32_t typeCode;
    const char* role;
    uint32_t allowed;
};

constexpr std::array<TypeFit, 9> kTypeFits{{
    {38, "module type id", kWholeNumber},
    {40, "module name", kTextual},
    {41, "configuration data", Bit(ItemType::Octets)},
    {42, "slot", kWholeNumber},
    {2004, "channel unit", kUnitCode},
    {2005, "range unit", kUnitCode},
    {2006, "upper range", kNumber},
    {2007, "lower range", kNumber},
    {2014, "frame application tag", kTextual},
}};

const TypeFit* FitOf(int32_t typeCode)
{
    for (const TypeFit& fit : kTypeFits)
        if (fit.typeCode == typeCode)
            return &fit;
    return nullptr;
}

QString AllowedTypeNames(uint32_t allowed)
{
    QStringList names;
    for (int32_t code = 0; code <= static_cast<int32_t>(ItemType::Boolean); ++code)
        if (allowed & (1u << code))
            names.append(applet::ItemValue::TypeName(static_cast<ItemType>(code)));
    return names.join(QStringLiteral(", "));
}

QString Quoted(const QString& name)
{
    return QStringLiteral(">>") + name + QStringLiteral("<<");
}

// A parser that answers "not loaded" cannot be checked against at all.
void RequireLoaded(int32_t error, const char* which)
{
    if (error == applet::kParserNotLoaded)
        throw automation::ComError(applet::kParserNotLoaded,
                                   QStringLiteral("The %1 parser holds no description").arg(QLatin1String(which)),
                                   kConsistencyCheckerProgId);
}

void CheckAppletItems(applet::FdtFileParser& fdt, applet::TdxFileParser& tdx, QSet<QString>& parameters,
                      QStringList& findings)
{
    int32_t count = 0;
    fdt.fncGetNumberOfEntries(applet::kFdtEntryAppletItem, count);
    for (int32_t i = 0; i < count; ++i) {
        QString name;
        applet::FdtAppletItemRecord record;
        int32_t error = 0;
        fdt.fncGetAppletItemEntry(i, name, record, error);
        RequireLoaded(error, "FDT-file");
        if (error != applet::kParserOk) {
            findings.append(QStringLiteral("FDT parameter entry %1 cannot be read (%2)")
                                .arg(i)
                                .arg(applet::ResultText(error)));
            continue;
        }
        parameters.insert(name.toLower());
        const QString where = QStringLiteral("FDT parameter ") + Quoted(name) + QStringLiteral(": object ")
                              + Quoted(record.objectName);
        int32_t handle = 0;
        tdx.fncGetEntryHandle(QStringLiteral("OBJECT"), record.objectName, handle, error);
        RequireLoaded(error, "TDX-file");
        if (error != applet::kParserOk) {
            findings.append(where + QStringLiteral(" not found in the TDX file"));
            continue;
        }
        QString text;
        int32_t dataType = -1;
        int32_t size = 0;
        QVariant value;
        QString enumeration;
        tdx.fncGetObjectInfo(handle, text, dataType, size, value, enumeration, error);
        if (error != applet::kParserOk || !applet::ItemValue::IsTypeCode(dataType)) {
            findings.append(where + QStringLiteral(" has no readable type in the TDX file"));
            continue;
        }
        const TypeFit* fit = FitOf(record.typeCode);
        if (fit && !(fit->allowed & (1u << dataType)))
            findings.append(where + QStringLiteral(" is of type %1, which does not fit description type code %2 (%3: %4)")
                                        .arg(applet::ItemValue::TypeName(static_cast<ItemType>(dataType)))
                                        .arg(record.typeCode)
                                        .arg(QLatin1String(fit->role), AllowedTypeNames(fit->allowed)));
    }
}

void CollectFixedItems(applet::FdtFileParser& fdt, QSet<QString>& parameters, QStringList& findings)
{
    int32_t count = 0;
    fdt.fncGetNumberOfEntries(applet::kFdtEntryFixedItem, count);
    for (int32_t i = 0; i < count; ++i) {
        QString name;
        applet::FdtFixedItemRecord record;
        int32_t error = 0;
        fdt.fncGetFixedItemEntry(i, name, record, error);
        if (error != applet::kParserOk)
            findings.append(QStringLiteral("FDT fixed parameter entry %1 cannot be read (%2)")
                                .arg(i)
                                .arg(applet::ResultText(error)));
        else
            parameters.insert(name.toLower());
    }
}

// Channels (kind 3) list parameters; modules (kind 4) list parameters and channels.
void CheckLists(applet::FdtFileParser& fdt, int32_t kind, const QSet<QString>& parameters, QSet<QString>& channels,
                QStringList& findings)
{
    const bool isChannel = kind == applet::kFdtEntryChannel;
    const QString what = isChannel ? QStringLiteral("Channel ") : QStringLiteral("Module ");
    int32_t count = 0;
    fdt.fncGetNumberOfEntries(kind, count);
    for (int32_t i = 0; i < count; ++i) {
        QString name;
        QVariant entries;
        int32_t error = 0;
        if (isChannel)
            fdt.fncGetChannelEntry(i, name, entries, error);
        else
            fdt.fncGetModuleEntry(i, name, entries, error);
        if (error != applet::kParserOk) {
            findings.append(what + QStringLiteral("entry %1 cannot be read (%2)").arg(i).arg(applet::ResultText(error)));
            continue;
        }
        if (isChannel)
            channels.insert(name.toLower());
        for (const QString& entry : entries.toStringList()) {
            const QString key = entry.toLower();
            if (parameters.contains(key) || (!isChannel && channels.contains(key)))
                continue;
            findings.append(what + Quoted(name) + QStringLiteral(": entry ") + Quoted(entry)
                            + (isChannel ? QStringLiteral(" is no FDT parameter of the file")
                                         : QStringLiteral(" is neither an FDT parameter nor a channel of the file")));
        }
    }
}

} // namespace

QStringList clsConsistencyChecker::Findings(applet::FdtFileParser& fdtParser, applet::TdxFileParser& tdxParser)
{
    QStringList findings;
    QSet<QString> parameters;
    QSet<QString> channels;
    CheckAppletItems(fdtParser, tdxParser, parameters, findings);
    CollectFixedItems(fdtParser, parameters, findings);
    CheckLists(fdtParser, applet::kFdtEntryChannel, parameters, channels, findings);
    CheckLists(fdtParser, applet::kFdtEntryModule, parameters, channels, findings);
    return findings;
}

void clsConsistencyChecker::CheckConsistency(applet::FdtFileParser& fdtParser, applet::TdxFileParser& tdxParser,
                                             QTextStream& report, bool& ok)
{
    ok = false;
    const QStringList findings = Findings(fdtParser, tdxParser);
    for (const QString& finding : findings)
        report << finding << '\n';
    if (findings.isEmpty())
        report << "FDT file and TDX file are consistent.\n";
    else
        report << findings.size() << (findings.size() == 1 ? " inconsistency" : " inconsistencies") << " found.\n";
    report.flush();
    ok = findings.isEmpty();
}

} // namespace crosscheck

#include "corvane/rules/TwinItems.h"

#include "platform/applet/AppletItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/comm/hart/PackedAscii.h"
#include <algorithm>

namespace twins {

namespace {

struct Side {
    int32_t handle = 0;
    QString value;
    QString shadow;
    bool shadowValid = false;
};

bool ReadSide(applet::clsAppletItemManager& manager, const QString& name, Side& side)
{
    side.handle = manager.HandleOf(name);
    const applet::AppletItem* item = side.handle > 0 ? manager.Item(side.handle) : nullptr;
    if (!item)
        return false;
    int32_t failed = 0;
    manager.GetValueAsText(side.handle, side.value, false, failed);
    if (failed != 0)
        return false;
    side.shadowValid = item->IsDeviceParameter() && item->IsShadowValid();
    if (side.shadowValid) {
        manager.GetValueAsText(side.handle, side.shadow, true, failed);
        side.shadowValid = failed == 0;
    }
    side.value = side.value.trimmed();
    side.shadow = side.shadow.trimmed();
    return true;
}

bool ReadPair(applet::clsAppletItemManager& manager, const TwinPair& pair, Side& standard, Side& block)
{
    return ReadSide(manager, QLatin1String(pair.standard), standard) && ReadSide(manager, QLatin1String(pair.block), block);
}

int32_t SizeOf(const applet::clsAppletItemManager& manager, const QString& name)
{
    const applet::AppletItem* item = manager.Item(manager.HandleOf(name));
    return item ? item->Size() : 0;
}

// Whether two texts of one item are the same value.
bool Same(TwinKind kind, const QString& a, const QString& b)
{
    if (kind != TwinKind::Number)
        return a == b;
    bool aNumber = false;
    bool bNumber = false;
    const float x = a.toFloat(&aNumber);
    const float y = b.toFloat(&bNumber);
    return aNumber && bNumber ? x == y : a == b;
}

} // namespace

const TwinPair* FindPair(const QString& item)
{
    for (const TwinPair& pair : kTwinPairs)
        if (item.compare(QLatin1String(pair.standard), Qt::CaseInsensitive) == 0
            || item.compare(QLatin1String(pair.block), Qt::CaseInsensitive) == 0)
            return &pair;
    return nullptr;
}

QString AsTwin(const applet::clsAppletItemManager& manager, const TwinPair& pair, const QString& to,
               const QString& text)
{
    const QString trimmed = text.trimmed();
    if (pair.kind != TwinKind::Text)
        return trimmed;
    if (to.compare(QLatin1String(pair.block), Qt::CaseInsensitive) == 0) {
        const int32_t length = SizeOf(manager, to);
        return length > 0 ? trimmed.left(length) : trimmed;
    }
    // The packed field: the characters it holds, as the device answers them.
    const int32_t bytes = SizeOf(manager, to);
    const QString cut = bytes > 0 ? trimmed.left(comm::PackedAscii::charCapacity(bytes)) : trimmed;
    QByteArray packed;
    if (bytes > 0 && comm::PackedAscii::pack(cut, bytes, packed))
        return comm::PackedAscii::unpack(packed).trimmed();
    return cut.toUpper(); // the item refuses what cannot be packed, and says why
}

bool Agree(const applet::clsAppletItemManager& manager, const TwinPair& pair, const QString& standardText,
           const QString& blockText)
{
    const QString standard = standardText.trimmed();
    const QString block = blockText.trimmed();
    switch (pair.kind) {
    case TwinKind::Text:
        return AsTwin(manager, pair, QLatin1String(pair.standard), block) == standard;
    case TwinKind::Date:
        return block.isEmpty() || block == standard;
    case TwinKind::Number:
        return Same(pair.kind, standard, block);
    }
    return false;
}

namespace {

// What the device last reported for the pair, as its standard item holds it,
// through either command; false when it reported nothing since the project
// was opened.
bool DeviceValue(const applet::clsAppletItemManager& manager, const TwinPair& pair, const Side& standard,
                 const Side& block, QString& value)
{
    if (standard.shadowValid) {
        value = standard.shadow;
        return true;
    }
    if (!block.shadowValid || (pair.kind == TwinKind::Date && block.shadow.isEmpty()))
        return false;
    value = AsTwin(manager, pair, QLatin1String(pair.standard), block.shadow);
    return true;
}

// The item of a disagreeing pair that differs from the device's value is the
// edit; Device when both do.
TwinChoice EditedItem(const applet::clsAppletItemManager& manager, const TwinPair& pair, const Side& standard,
                      const Side& block, const QString& device)
{
    const bool standardEdited = !Same(pair.kind, standard.value, device);
    const bool blockEdited = !Agree(manager, pair, device, block.value);
    if (standardEdited == blockEdited)
        return TwinChoice::Device;
    return blockEdited ? TwinChoice::Block : TwinChoice::Standard;
}

} // namespace

TwinPlan PlanForDownload(applet::clsAppletItemManager& manager)
{
    TwinPlan plan{};
    for (size_t index = 0; index < kTwinPairs.size(); ++index) {
        const TwinPair& pair = kTwinPairs[index];
        Side standard;
        Side block;
        QString device;
        // A variant without one of the two items has no pair to keep.
        if (!ReadPair(manager, pair, standard, block) || Agree(manager, pair, standard.value, block.value))
            plan[index] = TwinChoice::Agreed;
        else if (!DeviceValue(manager, pair, standard, block, device))
            plan[index] = TwinChoice::Device;
        else
            // Both edited, against a report that may be old: the device tells.
            plan[index] = EditedItem(manager, pair, standard, block, device);
    }
    return plan;
}

bool AsksTheDevice(const TwinPlan& plan)
{
    return std::find(plan.begin(), plan.end(), TwinChoice::Device) != plan.end();
}

QString AlignForDownload(applet::clsAppletItemManager& manager, const QString& source, const TwinPlan& plan)
{
    for (size_t index = 0; index < kTwinPairs.size(); ++index) {
        const TwinPair& pair = kTwinPairs[index];
        Side standard;
        Side block;
        if (plan[index] == TwinChoice::Agreed || !ReadPair(manager, pair, standard, block)
            || Agree(manager, pair, standard.value, block.value))
            continue;
        TwinChoice choice = plan[index];
        if (choice == TwinChoice::Device) {
            if (!standard.shadowValid)
                return QStringLiteral("the device's value of \"%1\" was not read").arg(QLatin1String(pair.standard));
            choice = EditedItem(manager, pair, standard, block, standard.shadow);
            if (choice == TwinChoice::Device) {
                // Two edits of one value: nothing tells which one is meant;
                // the standard command's item is taken.
                applet::AppletTrace::Info(
                    QStringLiteral("%1: \"%2\" (\"%3\") and \"%4\" (\"%5\") both differ from the device's \"%6\": "
                                   "two edits of one value, the standard item's is taken")
                        .arg(source, QLatin1String(pair.standard), standard.value, QLatin1String(pair.block),
                             block.value, standard.shadow));
                choice = TwinChoice::Standard;
            }
        }
        const bool blockWins = choice == TwinChoice::Block;
        const char* from = blockWins ? pair.block : pair.standard;
        const char* to = blockWins ? pair.standard : pair.block;
        const QString value = AsTwin(manager, pair, QLatin1String(to), blockWins ? block.value : standard.value);
        applet::AppletTrace::Info(QStringLiteral("%1: \"%2\" takes \"%3\" of \"%4\" before the download (it held \"%5\")")
                                      .arg(source, QLatin1String(to), value, QLatin1String(from),
                                           blockWins ? standard.value : block.value));
        int32_t failed = 0;
        manager.PutValueAsText(blockWins ? standard.handle : block.handle, value, failed);
        if (failed != 0)
            return QStringLiteral("\"%1\" refuses \"%2\" of \"%3\" (%4): the device would take two values")
                .arg(QLatin1String(to), value, QLatin1String(from))
                .arg(failed);
    }
    return QString();
}

} // namespace twins

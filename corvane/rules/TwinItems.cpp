#include "corvane/rules/TwinItems.h"

#include "platform/applet/AppletItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/comm/hart/PackedAscii.h"

namespace twins {

namespace {

struct Side {
    int32_t handle = 0;
    QString value;
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
    side.value = side.value.trimmed();
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

PairTexts Snapshot(applet::clsAppletItemManager& manager)
{
    PairTexts texts{};
    for (size_t index = 0; index < kTwinPairs.size(); ++index) {
        Side standard;
        Side block;
        if (ReadPair(manager, kTwinPairs[index], standard, block))
            texts[index] = {standard.value, block.value};
    }
    return texts;
}

QString AlignAtEntry(applet::clsAppletItemManager& manager, const QString& source, const PairTexts* before)
{
    for (size_t index = 0; index < kTwinPairs.size(); ++index) {
        const TwinPair& pair = kTwinPairs[index];
        Side standard;
        Side block;
        // A variant without one of the two items has no pair to keep.
        if (!ReadPair(manager, pair, standard, block) || Agree(manager, pair, standard.value, block.value))
            continue;
        const bool standardChanged = before && !Same(pair.kind, (*before)[index][0], standard.value);
        const bool blockChanged = before && !Same(pair.kind, (*before)[index][1], block.value);
        const bool blockWins = blockChanged && !standardChanged;
        const char* from = blockWins ? pair.block : pair.standard;
        const char* to = blockWins ? pair.standard : pair.block;
        const QString value = AsTwin(manager, pair, QLatin1String(to), blockWins ? block.value : standard.value);
        applet::AppletTrace::Info(
            QStringLiteral("%1: \"%2\" takes \"%3\" of \"%4\" (it held \"%5\"): %6")
                .arg(source, QLatin1String(to), value, QLatin1String(from), blockWins ? standard.value : block.value,
                     blockWins ? QStringLiteral("only the block's item changed")
                               : QStringLiteral("the two items disagreed, the standard item's value is taken")));
        const Side& source = blockWins ? block : standard;
        int32_t failed = 0;
        manager.PutValueAsText(blockWins ? standard.handle : block.handle, value, failed);
        // The twin rule that the write runs copies the packed (upper-case)
        // text back into the block's item: the block keeps its own text.
        QString after;
        int32_t unread = 0;
        if (failed == 0)
            manager.GetValueAsText(source.handle, after, false, unread);
        if (failed == 0 && unread == 0 && after.trimmed() != source.value)
            manager.PutValueAsText(source.handle, source.value, failed);
        if (failed != 0)
            return QStringLiteral("\"%1\" refuses \"%2\" of \"%3\" (%4): the device would take two values")
                .arg(QLatin1String(to), value, QLatin1String(from))
                .arg(failed);
    }
    return QString();
}

} // namespace twins

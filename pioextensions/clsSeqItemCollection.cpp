#include "pioextensions/clsSeqItemCollection.h"

clsSeqItemCollection::clsSeqItemCollection()
    : ItemCollection(QStringLiteral("clsSeqItemCollection"), QStringLiteral("SeqItem: "), false)
{
}

std::shared_ptr<clsSequenceItem> clsSeqItemCollection::Add(const QString& AppItemName, bool RegisterOnShadow,
                                                           int16_t UpdateInterval, int16_t regMask,
                                                           QObject* eventHandler, const QString& methodName,
                                                           const QString& alias)
{
    return AddUnder(AppItemName, alias, [&](clsSequenceItem& item) {
        item.Init(AppItemName, RegisterOnShadow, UpdateInterval, regMask, eventHandler, methodName);
    });
}

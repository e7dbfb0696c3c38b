#include "pioextensions/clsRecItemCollection.h"

clsRecItemCollection::clsRecItemCollection()
    : ItemCollection(QStringLiteral("clsRecItemCollection"), QStringLiteral("RecItem: "), false)
{
}

std::shared_ptr<clsRecordItem> clsRecItemCollection::Add(const QString& AppItemName, bool RegisterOnShadow,
                                                         int16_t UpdateInterval, int16_t regMask,
                                                         QObject* eventHandler, const QString& methodName,
                                                         const QString& alias)
{
    return AddUnder(AppItemName, alias, [&](clsRecordItem& item) {
        item.Init(AppItemName, RegisterOnShadow, UpdateInterval, regMask, eventHandler, methodName);
    });
}

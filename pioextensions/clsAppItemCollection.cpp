#include "pioextensions/clsAppItemCollection.h"

clsAppItemCollection::clsAppItemCollection()
    : ItemCollection(QStringLiteral("clsAppItemCollection"), QStringLiteral("AppItem: "), true)
{
}

std::shared_ptr<clsAppItem> clsAppItemCollection::Add(const QString& AppItemName, bool RegisterOnShadow,
                                                      int16_t UpdateInterval, QObject* eventHandler,
                                                      const QString& methodName, const QString& alias)
{
    return AddUnder(AppItemName, alias, [&](clsAppItem& item) {
        item.Init(AppItemName, RegisterOnShadow, UpdateInterval, eventHandler, methodName, static_cast<int16_t>(Count()));
    });
}

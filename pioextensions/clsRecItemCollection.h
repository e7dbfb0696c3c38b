#pragma once
// Keyed record items of one component, registered and unregistered all at
// once. Registration stops at the first error and raises it.
#include "pioextensions/ItemCollection.h"
#include "pioextensions/clsRecordItem.h"

class clsRecItemCollection : public ItemCollection<clsRecordItem> {
public:
    clsRecItemCollection();

    std::shared_ptr<clsRecordItem> Add(const QString& AppItemName, bool RegisterOnShadow, int16_t UpdateInterval,
                                       int16_t regMask = 0, QObject* eventHandler = nullptr,
                                       const QString& methodName = QString(), const QString& alias = QString());
};

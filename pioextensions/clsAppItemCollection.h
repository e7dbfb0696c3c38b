#pragma once
// Keyed app items of one component, registered and unregistered all at once.
// A member's key is its alias when one is given, else its item name.
// Registration goes on past an item the manager does not know.
#include "pioextensions/ItemCollection.h"
#include "pioextensions/clsAppItem.h"

class clsAppItemCollection : public ItemCollection<clsAppItem> {
public:
    clsAppItemCollection();

    // The member under the key when there is one (unchanged); else a new,
    // unregistered item whose Index is its 1-based position.
    std::shared_ptr<clsAppItem> Add(const QString& AppItemName, bool RegisterOnShadow, int16_t UpdateInterval,
                                    QObject* eventHandler = nullptr, const QString& methodName = QString(),
                                    const QString& alias = QString());
};

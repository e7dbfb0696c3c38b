#include "platform/controls/ItemComboBox.h"
#include "platform/applet/Description.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QSignalBlocker>
#include <cmath>

namespace controls {

ItemComboBox::ItemComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    // Only a choice of the user writes; filling and refreshing do not.
    connect(this, &QComboBox::activated, this, &ItemComboBox::WriteSelection);
}

int32_t ItemComboBox::SelectedItemData() const
{
    const int index = currentIndex();
    if (index < 0)
        return -1;
    bool ok = false;
    const int32_t value = itemData(index).toInt(&ok);
    return ok ? value : -1;
}

void ItemComboBox::OnBindingChanged()
{
    const QSignalBlocker blocker(this);
    clear();
    const auto manager = Manager();
    if (const applet::DescEnumeration* enumeration = BoundEnumeration())
        for (const applet::DescEnumEntry& entry : enumeration->entries)
            addItem(entry.Text(applet::UserNumber::CountryCode(*manager)), entry.value);
}

void ItemComboBox::RefreshFromItem()
{
    const QSignalBlocker blocker(this);
    const auto manager = Manager();
    if (!manager) {
        setCurrentIndex(-1);
        return;
    }
    double value = 0;
    int32_t failed = 0;
    manager->fncGetUIntValue(ItemHandle(), value, failed);
    setCurrentIndex(failed == 0 && std::isfinite(value) ? findData(static_cast<int32_t>(std::lround(value))) : -1);
}

void ItemComboBox::WriteSelection(int index)
{
    const auto manager = Manager();
    if (!manager || index < 0)
        return;
    int32_t failed = 0;
    manager->fncPutUintValue(ItemHandle(), itemData(index).toDouble(), failed);
    if (failed != 0)
        RefreshFromItem(); // the item refused the value: show what it holds
}

} // namespace controls

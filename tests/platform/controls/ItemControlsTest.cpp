// Item-bound controls on a form: the handler registers their items, the
// combo box offers the item's enumeration and writes the user's choice, the
// label follows the item, and nothing is bound after the handler is gone.
#include "platform/applet/Description.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/ItemComboBox.h"
#include "platform/controls/PioCtrlItemHandler.h"
#include "platform/controls/ItemLabel.h"
#include "platform/loop/EventLoop.h"
#include <QMimeData>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<applet::clsAppletItemManager> MakeManager()
{
    auto description = std::make_shared<applet::Description>();
    applet::DescEnumeration modules;
    modules.name = QStringLiteral("Modules");
    modules.entries = {{1, QStringLiteral("Analog input"), {}}, {5, QStringLiteral("Relay output"), {}}};
    description->enumerations.append(modules);
    applet::DescObject list;
    list.name = QStringLiteral("ModuleList");
    list.type = applet::ItemType::Enumerated;
    list.size = 8;
    list.enumeration = QStringLiteral("Modules");
    list.defaultText = QStringLiteral("5");
    list.scope = applet::ObjectScope::Applet;
    description->objects.append(list);
    applet::DescObject plain;
    plain.name = QStringLiteral("Plain");
    plain.type = applet::ItemType::Text;
    plain.scope = applet::ObjectScope::Applet;
    description->objects.append(plain);
    description->Index();
    return std::make_shared<applet::clsAppletItemManager>(description, nullptr, std::weak_ptr<applet::AppletHost>());
}

void Drain()
{
    for (int i = 0; i < 100 && loop::PendingPostedCalls() > 0; ++i)
        loop::RunPostedCalls();
}

struct Form {
    QWidget widget;
    controls::ItemComboBox* combo = new controls::ItemComboBox(&widget);
    controls::ItemLabel* label = new controls::ItemLabel(&widget);
    std::shared_ptr<controls::PioCtrlItemHandler> handler = std::make_shared<controls::PioCtrlItemHandler>();
};

} // namespace

TEST(ItemControls, BoundControlsShowAndWriteTheirItem)
{
    const auto manager = MakeManager();
    Form form;
    form.combo->SetItemName(QStringLiteral("modulelist"));
    form.label->SetItemName(QStringLiteral("ModuleList"));
    EXPECT_FALSE(form.combo->IsValid());
    EXPECT_FALSE(form.handler->IsRegistered());

    ASSERT_EQ(form.handler->Register(&form.widget, manager), 0);
    Drain();
    EXPECT_TRUE(form.handler->IsRegistered());
    ASSERT_TRUE(form.combo->IsValid());
    ASSERT_EQ(form.combo->count(), 2);
    EXPECT_EQ(form.combo->itemText(0), "Analog input");
    EXPECT_EQ(form.combo->SelectedItemData(), 5);
    EXPECT_EQ(form.label->text(), "Relay output");

    // The user's choice goes to the item, and the label hears of it.
    form.combo->activated(0);
    double value = 0;
    int32_t failed = 0;
    manager->fncGetUIntValue(form.combo->ItemHandle(), value, failed);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(form.label->text(), "Analog input");

    // A write by someone else moves the selection without writing back.
    manager->fncPutUintValue(form.combo->ItemHandle(), 5, failed);
    EXPECT_EQ(form.combo->SelectedItemData(), 5);
    EXPECT_EQ(form.label->text(), "Relay output");

    form.handler->Unregister();
    EXPECT_FALSE(form.handler->IsRegistered());
    EXPECT_FALSE(form.combo->IsValid());
    EXPECT_EQ(form.combo->SelectedItemData(), -1);
    EXPECT_FALSE(manager->IsRegistered(form.handler.get()));
}

TEST(ItemControls, AnUnknownItemLeavesTheControlInvalid)
{
    const auto manager = MakeManager();
    Form form;
    form.combo->SetItemName(QStringLiteral("NoSuchItem"));
    ASSERT_EQ(form.handler->Register(&form.widget, manager), 0);
    EXPECT_FALSE(form.combo->IsValid());
    EXPECT_EQ(form.combo->count(), 0);
    EXPECT_EQ(form.combo->SelectedItemData(), -1);
    // Unbound label: nothing registered for it, nothing shown.
    EXPECT_EQ(form.label->ItemHandle(), -1);
    EXPECT_TRUE(form.label->text().isEmpty());

    // Rebinding needs a new registration, which the handler does on Register.
    form.combo->SetItemName(QStringLiteral("ModuleList"));
    EXPECT_FALSE(form.combo->IsValid());
    ASSERT_EQ(form.handler->Register(&form.widget, manager), 0);
    EXPECT_TRUE(form.combo->IsValid());
    form.handler->Unregister();
}

TEST(ItemControls, ANotEnumeratedItemGivesAnEmptyListAndTheLabelItsText)
{
    const auto manager = MakeManager();
    Form form;
    form.combo->SetItemName(QStringLiteral("Plain"));
    form.label->SetItemName(QStringLiteral("Plain"));
    ASSERT_EQ(form.handler->Register(&form.widget, manager), 0);
    EXPECT_TRUE(form.combo->IsValid());
    EXPECT_EQ(form.combo->count(), 0);
    int32_t failed = 0;
    manager->PutStringValue(form.label->ItemHandle(), QStringLiteral("hello"), failed);
    EXPECT_EQ(form.label->text(), "hello");
    form.handler->Unregister();
}

TEST(ItemControls, TheHandlerSurvivesItsControlsAndTheManagersEnd)
{
    const auto manager = MakeManager();
    auto form = std::make_unique<Form>();
    form->combo->SetItemName(QStringLiteral("ModuleList"));
    ASSERT_EQ(form->handler->Register(&form->widget, manager), 0);
    const int32_t handle = form->combo->ItemHandle();
    delete form->combo;
    int32_t failed = 0;
    manager->fncPutUintValue(handle, 1, failed); // no control left to tell
    EXPECT_EQ(failed, 0);

    int32_t result = -1;
    form->handler->Destroy(result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(form->handler->IsRegistered());
    form->handler->NotifyChanged(handle, false, 0, 0, result);
    EXPECT_EQ(result, 1);
    int32_t ignored = 0;
    manager->UnregisterView(form->handler.get(), ignored);
}

TEST(ItemControls, TheLabelsDragDataNamesItsItem)
{
    controls::ItemLabel label;
    label.SetItemName(QStringLiteral("ModuleList"));
    std::unique_ptr<QMimeData> data(label.CreateDragData());
    EXPECT_TRUE(controls::ItemLabel::IsLabelDrag(data.get()));
    EXPECT_EQ(data->data(controls::ItemLabel::kMimeType), "ModuleList");
    QMimeData other;
    other.setText(QStringLiteral("text"));
    EXPECT_FALSE(controls::ItemLabel::IsLabelDrag(&other));
    EXPECT_FALSE(controls::ItemLabel::IsLabelDrag(nullptr));
}

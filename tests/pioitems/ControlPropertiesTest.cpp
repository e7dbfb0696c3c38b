// The controls' persisted properties and their container's mode: a form's
// controls come back from property bags as they were saved, defaults are not
// stored, a bag that does not fit is refused whole, and properties of one
// mode fail in the other with nothing changed.
#include "pioitems/PioAppItem.h"
#include "pioitems/PioControlItemHandler.h"
#include "pioitems/PioItemsClasses.h"
#include "pioitems/PioRecordItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/automation/PropertyBag.h"
#include "tests/pioextensions/PioTestSupport.h"
#include "tests/common/ErrorNumber.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <QLabel>
#include <gtest/gtest.h>
#include <map>

using namespace pioitems;
using automation::PropertyBag;

namespace {

// The form a designer saves: one control of each kind.
struct DesignedForm : pioitemstest::Form {
    DesignedForm() : Form(false)
    {
        app->setObjectName("app");
        record->setObjectName("record");
        sequence->setObjectName("sequence");
        handler->setObjectName("handler");
    }
    // Each control's properties in a bag of its own, by control name.
    std::map<QString, PropertyBag> Save() const
    {
        std::map<QString, PropertyBag> bags;
        for (PioUserControl* control : widget.findChildren<PioUserControl*>())
            control->WriteProperties(bags[control->objectName()]);
        return bags;
    }
    void Load(const std::map<QString, PropertyBag>& bags)
    {
        for (PioUserControl* control : widget.findChildren<PioUserControl*>())
            control->ReadProperties(bags.at(control->objectName()));
    }

    PioAppItem* app = new PioAppItem(&widget);
    PioRecordItem* record = new PioRecordItem(&widget);
    PioSequenceItem* sequence = new PioSequenceItem(&widget);
    PioControlItemHandler* handler = new PioControlItemHandler(&widget);
};

} // namespace

TEST(ControlProperties, NewControlsStoreNothingAndShowTheirDefaults)
{
    DesignedForm form;
    for (const auto& [name, bag] : form.Save())
        EXPECT_TRUE(bag.IsEmpty()) << name.toStdString();
    EXPECT_EQ(form.app->DecimalPlaces(), 10);
    EXPECT_EQ(form.app->MaxDigits(), 255);
    EXPECT_EQ(form.app->UpdateInterval(), 0);
    EXPECT_FALSE(form.app->RegisterOnShadow());
    EXPECT_TRUE(form.record->RegisterStateItem() && form.record->RegisterControlItem()
                && form.record->RegisterResponseItem());
    EXPECT_TRUE(form.sequence->RegisterStateItem() && form.sequence->RegisterControlItem());
    EXPECT_FALSE(form.handler->StandAlone());
    EXPECT_EQ(form.app->Typ(), "PioItem");
    EXPECT_EQ(form.app->FaceCaption(), "AppItem: ");
    EXPECT_EQ(form.record->FaceCaption(), "Record: ");
    EXPECT_EQ(form.sequence->FaceCaption(), "Sequence: ");
    EXPECT_EQ(form.handler->FaceCaption(), "PioControlItemHandler");
}

TEST(ControlProperties, AFormsControlsComeBackAsTheyWereSaved)
{
    std::map<QString, PropertyBag> bags;
    {
        DesignedForm form;
        QStringList changed;
        QObject::connect(form.app, &PioUserControl::PropertyChanged, [&](const QString& p) { changed << p; });
        form.app->SetAppItemName("dummyFloat");
        form.app->SetRegisterOnShadow(true);
        form.app->SetUpdateInterval(30);
        form.app->SetDecimalPlaces(3);
        form.app->SetMaxDigits(7);
        EXPECT_EQ(changed, QStringList({"AppItemName", "RegisterOnShadow", "UpdateInterval", "DecimalPlaces",
                                        "MaxDigits"}));
        form.record->SetAppItemName("Read_048");
        form.record->SetRegisterResponseItem(false);
        form.sequence->SetAppItemName("GetDiagnosis");
        form.sequence->SetRegisterControlItem(false);
        form.handler->SetStandAlone(true);
        bags = form.Save();
    }
    EXPECT_EQ(bags["app"].Keys().size(), 5);
    EXPECT_EQ(bags["record"].Keys(), QStringList({"AppItemName", "RegisterResponseItem"}));
    EXPECT_EQ(bags["sequence"].Read("RegisterControlItem"), QVariant(false));
    EXPECT_EQ(bags["app"].Read("UpdateInterval"), QVariant(30));

    DesignedForm loaded;
    loaded.Load(bags);
    EXPECT_EQ(loaded.app->AppItemName(), "dummyFloat");
    EXPECT_EQ(loaded.app->FaceCaption(), "AppItem: dummyFloat") << "the face follows the name read";
    EXPECT_TRUE(loaded.app->RegisterOnShadow());
    EXPECT_EQ(loaded.app->UpdateInterval(), 30);
    EXPECT_EQ(loaded.app->DecimalPlaces(), 3);
    EXPECT_EQ(loaded.app->MaxDigits(), 7);
    EXPECT_EQ(loaded.record->AppItemName(), "Read_048");
    EXPECT_EQ(loaded.record->FaceCaption(), "Record: Read_048");
    EXPECT_TRUE(loaded.record->RegisterStateItem());
    EXPECT_FALSE(loaded.record->RegisterResponseItem());
    EXPECT_EQ(loaded.sequence->FaceCaption(), "Sequence: GetDiagnosis");
    EXPECT_TRUE(loaded.sequence->RegisterStateItem());
    EXPECT_FALSE(loaded.sequence->RegisterControlItem());
    EXPECT_TRUE(loaded.handler->StandAlone());

    // Saved again, the bags are the same; set back to its default, a value
    // leaves the bag.
    EXPECT_EQ(loaded.Save()["app"].Keys(), bags["app"].Keys());
    loaded.app->SetMaxDigits(255);
    PropertyBag again = bags["app"];
    loaded.app->WriteProperties(again);
    EXPECT_FALSE(again.Contains("MaxDigits"));
}

TEST(ControlProperties, ABagThatDoesNotFitIsRefusedWhole)
{
    DesignedForm form;
    form.app->SetAppItemName("dummyFloat");
    PropertyBag bag;
    bag.Write("AppItemName", QStringLiteral("other"));
    bag.Write("DecimalPlaces", 2);
    bag.Write("UpdateInterval", 70000);
    try {
        form.app->ReadProperties(bag);
        FAIL() << "a 16-bit value out of range was taken";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.number(), 13);
        EXPECT_TRUE(error.description().contains("UpdateInterval"));
    }
    EXPECT_EQ(form.app->AppItemName(), "dummyFloat") << "nothing of the bag was taken";
    EXPECT_EQ(form.app->DecimalPlaces(), 10);
    EXPECT_EQ(form.app->FaceCaption(), "AppItem: dummyFloat");

    for (const QVariant& wrong : {QVariant(QStringLiteral("yes")), QVariant(2), QVariant(0.5)}) {
        PropertyBag flags;
        flags.Write("RegisterStateItem", wrong);
        EXPECT_EQ(ErrorNumber([&] { form.record->ReadProperties(flags); }), 13) << wrong.toString().toStdString();
    }
    PropertyBag numberAsName;
    numberAsName.Write("AppItemName", 5);
    EXPECT_EQ(ErrorNumber([&] { form.sequence->ReadProperties(numberAsName); }), 13);
    PropertyBag fraction;
    fraction.Write("MaxDigits", 7.5);
    EXPECT_EQ(ErrorNumber([&] { form.app->ReadProperties(fraction); }), 13);

    // The stored 16-bit forms are taken: -1 true, whole numbers as text.
    PropertyBag stored;
    stored.Write("RegisterStateItem", 0);
    stored.Write("RegisterControlItem", -1);
    form.record->ReadProperties(stored);
    EXPECT_FALSE(form.record->RegisterStateItem());
    EXPECT_TRUE(form.record->RegisterControlItem());
    PropertyBag text;
    text.Write("MaxDigits", QStringLiteral("7"));
    form.app->ReadProperties(text);
    EXPECT_EQ(form.app->MaxDigits(), 7);
}

TEST(ControlProperties, DesignTimePropertiesFailWhileTheFormRuns)
{
    pioitemstest::Form form(true);
    auto* app = new PioAppItem(&form.widget);
    auto* record = new PioRecordItem(&form.widget);
    auto* sequence = new PioSequenceItem(&form.widget);
    auto* handler = new PioControlItemHandler(&form.widget);
    EXPECT_EQ(ErrorNumber([&] { app->SetRegisterOnShadow(true); }), 382);
    EXPECT_EQ(ErrorNumber([&] { record->SetRegisterOnShadow(true); }), 382);
    EXPECT_EQ(ErrorNumber([&] { sequence->SetRegisterOnShadow(true); }), 382);
    EXPECT_EQ(ErrorNumber([&] { handler->SetStandAlone(true); }), 382);
    EXPECT_FALSE(app->RegisterOnShadow() || record->RegisterOnShadow() || sequence->RegisterOnShadow()
                 || handler->StandAlone());
    // The other switches may be set in either mode.
    record->SetRegisterStateItem(false);
    sequence->SetRegisterControlItem(false);
    EXPECT_FALSE(record->RegisterStateItem() || sequence->RegisterControlItem());
}

TEST(ControlProperties, ValueWritesFailWhileTheFormIsDesignedAndWriteNothing)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    pioitemstest::Form form(false);
    auto* app = new PioAppItem(&form.widget);
    app->SetAppItemName("currentSequence");
    app->Register(applet.manager);
    ASSERT_TRUE(app->IsRegistered());
    auto* number = new PioAppItem(&form.widget);
    number->SetAppItemName("abortSequences");
    number->Register(applet.manager);

    EXPECT_EQ(ErrorNumber([&] { app->SetStringValue("Upload"); }), 387);
    EXPECT_EQ(ErrorNumber([&] { number->SetUIntValue(1); }), 387);
    EXPECT_EQ(ErrorNumber([&] { number->SetIntValue(1); }), 387);
    EXPECT_EQ(ErrorNumber([&] { app->SetOctetValue(QByteArray("x")); }), 387);
    EXPECT_EQ(ErrorNumber([&] { app->SetPCAValue(QByteArray("x")); }), 387);
    EXPECT_EQ(app->StringValue(), "");
    EXPECT_EQ(applet.Number("abortSequences"), 0);

    form.SetUserMode(true);
    app->SetStringValue("Upload");
    number->SetUIntValue(1);
    EXPECT_EQ(app->StringValue(), "Upload");
    EXPECT_EQ(applet.Number("abortSequences"), 1);
}

TEST(ControlProperties, AValueTheItemRefusesRaisesInvalidDatatypeAndChangesNothing)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    pioitemstest::Form form(true);
    auto* number = new PioAppItem(&form.widget);
    number->SetAppItemName("abortSequences");
    number->Register(applet.manager);
    ASSERT_TRUE(number->IsRegistered());
    auto* text = new PioAppItem(&form.widget);
    text->SetAppItemName("currentSequence");
    text->Register(applet.manager);
    text->SetStringValue("Upload");

    EXPECT_EQ(static_cast<uint32_t>(ErrorNumber([&] { number->SetStringValue("not a number"); })), 0x80040065u);
    EXPECT_EQ(static_cast<uint32_t>(ErrorNumber([&] { text->SetFloatValue(1.5f); })), 0x80040065u);
    EXPECT_EQ(static_cast<uint32_t>(ErrorNumber([&] { text->SetUIntValue(2); })), 0x80040065u);
    EXPECT_EQ(applet.Number("abortSequences"), 0);
    EXPECT_EQ(text->StringValue(), "Upload");
    // A write the item takes raises nothing.
    EXPECT_EQ(ErrorNumber([&] { number->SetUIntValue(1); }), 0);
    EXPECT_EQ(applet.Number("abortSequences"), 1);
}

TEST(ControlProperties, TheFaceShowsOnlyWhileTheFormIsDesigned)
{
    pioitemstest::Form form(false);
    form.widget.show();
    auto* sequence = new PioSequenceItem(&form.widget);
    sequence->SetAppItemName("GetDiagnosis");
    EXPECT_FALSE(sequence->isHidden());
    EXPECT_EQ(sequence->palette().color(QPalette::Window), QColor(255, 0, 0));
    auto* label = sequence->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Sequence: GetDiagnosis");
    sequence->resize(300, 5);
    EXPECT_EQ(label->width(), 300) << "the label takes the control's width";
    EXPECT_EQ(sequence->height(), label->height()) << "the control takes the label's height";

    form.SetUserMode(true);
    EXPECT_TRUE(sequence->isHidden());
    // A control placed on a running form is not shown either.
    auto* later = new PioAppItem;
    later->setParent(&form.widget);
    EXPECT_TRUE(later->isHidden());
    form.SetUserMode(false);
    EXPECT_FALSE(later->isHidden());
}

TEST(ControlProperties, FormsCreateTheControlsByName)
{
    RegisterClasses();
    pioitemstest::Form form(false);
    for (const QString progId : {"PioItems.PioAppItem", "PioItems.PioRecordItem", "PioItems.PioSequenceItem",
                                  "PioItems.PioControlItemHandler"}) {
        QWidget* control = CreateControl(progId, &form.widget);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), &form.widget);
        EXPECT_EQ(QString::fromLatin1(control->metaObject()->className()),
                  "pioitems::" + progId.section('.', 1));
    }
    EXPECT_EQ(form.widget.findChildren<PioUserControl*>().size(), 4);
    EXPECT_EQ(ErrorNumber([&] { CreateControl("PioItems.NoSuchControl", &form.widget); }), 429);
    EXPECT_NE(ErrorNumber([&] { CreateControl("PioItems.PioAppItem", nullptr); }), 0);
    // A control created by name and never placed goes with its last reference.
    auto unplaced = automation::ClassRegistry::instance().CreateObject("PioItems.PioAppItem");
    EXPECT_NE(dynamic_cast<PioAppItem*>(unplaced.get()), nullptr);
}

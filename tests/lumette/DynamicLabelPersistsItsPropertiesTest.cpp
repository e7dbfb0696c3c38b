// The dynamic label's persisted properties: defaults, a round trip through a
// property bag, stored values that do not fit (refused, nothing changed), and
// creation by name through the class registry.
#include "lumette/DynamicLabel.h"
#include "lumette/LumetteClasses.h"
#include "platform/automation/ComError.h"
#include "platform/automation/PropertyBag.h"
#include <QLabel>
#include <QSignalSpy>
#include <gtest/gtest.h>

using lumette::DynamicLabel;

TEST(DynamicLabel, StartsWithItsDefaultsAndColours)
{
    DynamicLabel label;
    EXPECT_EQ(label.Caption(), QStringLiteral("123,345"));
    EXPECT_EQ(label.ForeColor(), 65280u);
    EXPECT_EQ(label.BackColor(), 0u);
    EXPECT_EQ(label.Alignment(), 2);
    EXPECT_EQ(label.FontSize(), 0);
    const QPalette palette = label.Label1()->palette();
    EXPECT_EQ(palette.color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(palette.color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_TRUE(label.Label1()->alignment() & Qt::AlignHCenter);

    // Colours are 0x00BBGGRR.
    label.SetForeColor(0x00804020);
    EXPECT_EQ(label.Label1()->palette().color(QPalette::WindowText), QColor(0x20, 0x40, 0x80));
}

TEST(DynamicLabel, PropertiesRoundTripThroughTheBag)
{
    DynamicLabel label;
    QSignalSpy changed(&label, &DynamicLabel::PropertyChanged);
    label.Size(2000, 0);
    label.SetCaption(QStringLiteral("  17.3") + QStringLiteral("\r\n") + QStringLiteral("  mbar"));
    label.SetForeColor(8421504);
    label.SetBackColor(0xFFFFFF);
    label.SetAlignment(DynamicLabel::kAlignRight);
    EXPECT_EQ(changed.count(), 4);
    automation::PropertyBag bag;
    label.WriteProperties(bag);
    EXPECT_EQ(bag.Keys().size(), 5);

    DynamicLabel copy;
    QSignalSpy copyChanged(&copy, &DynamicLabel::PropertyChanged);
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.Caption(), label.Caption());
    EXPECT_EQ(copy.ForeColor(), 8421504u);
    EXPECT_EQ(copy.BackColor(), 0xFFFFFFu);
    EXPECT_EQ(copy.Alignment(), DynamicLabel::kAlignRight);
    EXPECT_FLOAT_EQ(copy.FontSize(), label.FontSize());
    EXPECT_TRUE(copy.Label1()->alignment() & Qt::AlignRight);
    EXPECT_EQ(copyChanged.count(), 0) << "a label just read is not changed";

    // A bag without the keys gives the defaults.
    DynamicLabel fromEmpty;
    fromEmpty.SetCaption(QStringLiteral("x"));
    fromEmpty.ReadProperties(automation::PropertyBag());
    EXPECT_EQ(fromEmpty.Caption(), QStringLiteral("123,345"));
    EXPECT_EQ(fromEmpty.Alignment(), 2);
}

TEST(DynamicLabel, StoredValuesThatDoNotFitChangeNothing)
{
    struct Case {
        const char* key;
        QVariant value;
        int32_t error;
    };
    const Case cases[] = {
        {"Caption", 12, 13},
        {"ForeColor", QStringLiteral("green"), 13},
        {"BackColor", qlonglong(1) << 40, 13},
        {"Alignment", 3, 380},
        {"Alignment", true, 13},
        {"FontSize", -1.0, 380},
        {"FontSize", std::numeric_limits<double>::quiet_NaN(), 380},
        {"FontSize", QStringLiteral("12"), 13},
    };
    for (const Case& c : cases) {
        DynamicLabel label;
        automation::PropertyBag bag;
        bag.Write(QStringLiteral("Caption"), QStringLiteral("changed"));
        bag.Write(QString::fromLatin1(c.key), c.value);
        try {
            label.ReadProperties(bag);
            ADD_FAILURE() << c.key << " was taken";
        } catch (const automation::ComError& error) {
            EXPECT_EQ(error.number(), c.error) << c.key;
        }
        EXPECT_EQ(label.Caption(), QStringLiteral("123,345")) << c.key;
    }
    DynamicLabel label;
    EXPECT_THROW(label.SetAlignment(7), automation::ComError);
    EXPECT_THROW(label.SetFontSize(-2), automation::ComError);
    EXPECT_THROW(label.Size(-15, 0), automation::ComError);
    EXPECT_EQ(label.Alignment(), 2);
}

TEST(DynamicLabel, IsCreatedByItsProgId)
{
    lumette::RegisterClasses();
    const auto object = automation::ClassRegistry::instance().CreateObject(QStringLiteral("Lumette.DynamicLabel"));
    auto* label = dynamic_cast<DynamicLabel*>(object.get());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), QStringLiteral("123,345"));
}

// With the flow function on, the items a rule derives from others (the
// output scales and units that copy a range and its unit, the flow block's
// unit copies, the revision-21 unit twins, the transfer function and the
// materials forced in automatic mode, the pressure unit forced below
// revision 21) edited by hand in the stored project: the project a later
// run opens shows each rule's value, the download sends what the project
// shows and stores it, and a new project reads the same from the device.
#include "tests/corvane/TransferSupport.h"
#include "sim/SimTransmitter.h"
#include <cmath>

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

// A derived item, the value a hand edit gives it, and the item it follows
// (none: a value the rule forces, compared with the device only).
struct DerivedEdit {
    const char* item;
    const char* value;
    const char* source;
    uint32_t fromRevision; // the variant's revision from which the edit is made
    uint32_t belowRevision;
};
constexpr uint32_t kAny = 1000;
const DerivedEdit kEdits[] = {
    {"aiDPOutScale0", "1.234567", "ptrbScaleIn0", 0, kAny},
    {"aiDPOutScale100", "77.5", "ptrbScaleIn100", 0, kAny},
    {"ptrbScaleOut0", "2.5", "ptrbScaleIn0", 0, kAny},
    {"aidpXdScale100", "66.25", "ptrbScaleIn100", 0, kAny},
    {"aiDPOutScaleUnit", "12", "ptrbScaleInUnit", 0, kAny},
    {"ptrbScaleOutUnit", "12", "ptrbScaleInUnit", 0, kAny},
    {"aiPOutScale100", "3.5", "ptrbStaticPressureScaleIn100", 0, kAny},
    {"aipXdScale0", "0.5", "ptrbStaticPressureScaleIn0", 0, kAny},
    {"aiPOutScaleUnit", "12", "ptrbStaticPressureScaleInUnit", 0, kAny},
    {"aiTOutScale0", "-12.5", "ttrbPrimaryValueRange0", 0, kAny},
    {"aiTOutScaleUnit", "33", "ttrbPrimaryValueUnit", 0, kAny},
    {"mvInDPUnit", "7", "ptrbScaleInUnit", 0, kAny},
    {"mvInPUnit", "12", "ptrbStaticPressureScaleInUnit", 0, kAny},
    {"mvInTUnit", "33", "ttrbPrimaryValueUnit", 0, kAny},
    {"ptrbScaleInUnit_21", "12", "ptrbScaleInUnit", 21, kAny},
    {"ptrbStaticPressureScaleInUnit_21", "12", "ptrbStaticPressureScaleInUnit", 21, kAny},
    {"ptrbTemperatureValueUnit_21", "33", "ptrbTemperatureValueUnit", 21, kAny},
    {"ttrbPrimaryValueUnit_21", "33", "ttrbPrimaryValueUnit", 21, kAny},
    {"ptrbLinType", "0", nullptr, 0, kAny},
    // Below revision 22 a device knows no material codes: any entry but
    // "not used" is forced to it. From 22 on every entry of the list is a code.
    {"mvh0", "0", nullptr, 0, 22},
    {"mvMolCO2", "0", nullptr, 0, 22},
    {"ptrbScaleInUnit", "7", nullptr, 0, 21},
};

bool SameValue(const QString& a, const QString& b)
{
    bool aNumber = false;
    bool bNumber = false;
    const double x = a.toDouble(&aNumber);
    const double y = b.toDouble(&bNumber);
    return a == b || (aNumber && bNumber && std::abs(x - y) <= 1e-6 * std::max(1.0, std::abs(x)));
}

class DerivedItemEdited : public TransferRoad, public ::testing::WithParamInterface<Variant> {
protected:
    // The standard commands' transfer function and range unit are kept
    // apart from the block parameters.
    QString OnDevice(const QString& item)
    {
        if (item == QLatin1String("ptrbLinType"))
            return QString::number(device.device().transferFunction);
        if (item == QLatin1String("ptrbScaleInUnit"))
            return QString::number(device.device().pv().units);
        return device.transmitter().parameters().value(item).toString();
    }
};

TEST_P(DerivedItemEdited, TheProjectShowsStoresAndSendsTheRulesValue)
{
    Start(GetParam());
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(Upload(QStringLiteral("U0")));
    ASSERT_TRUE(Unlocked());
    std::vector<std::pair<QString, QString>> edits;
    QStringList items;
    for (const DerivedEdit& edit : kEdits)
        if (GetParam().revision >= edit.fromRevision && GetParam().revision < edit.belowRevision
            && manager->HandleOf(QLatin1String(edit.item)) != 0) {
            ASSERT_FALSE(SameValue(Text(QLatin1String(edit.item)), QLatin1String(edit.value))) << edit.item;
            edits.emplace_back(QLatin1String(edit.item), QLatin1String(edit.value));
            items << QLatin1String(edit.item);
        }
    ReopenEdited(edits);
    ASSERT_FALSE(HasFatalFailure());

    QMap<QString, QString> shown;
    for (const DerivedEdit& edit : kEdits) {
        const QString item = QLatin1String(edit.item);
        if (!items.contains(item))
            continue;
        shown.insert(item, Text(item));
        if (edit.source)
            EXPECT_TRUE(SameValue(Text(item), Text(QLatin1String(edit.source))))
                << edit.item << " shows " << Text(item).toStdString() << ", " << edit.source << " "
                << Text(QLatin1String(edit.source)).toStdString();
        else
            EXPECT_FALSE(SameValue(Text(item), QLatin1String(edit.value))) << edit.item << ": the rule forced nothing";
    }
    ASSERT_TRUE(Download(QStringLiteral("D1"))) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(Unlocked());
    for (const QString& item : items) {
        EXPECT_EQ(Text(item), shown.value(item)) << item.toStdString() << ": the download changed the project";
        EXPECT_TRUE(SameValue(OnDevice(item), shown.value(item)))
            << item.toStdString() << ": the device holds " << OnDevice(item).toStdString() << ", the project shows "
            << shown.value(item).toStdString();
    }
    // Stored by the download: a later run shows the same.
    TearDown();
    Reopen();
    ASSERT_FALSE(HasFatalFailure());
    for (const QString& item : items)
        EXPECT_TRUE(SameValue(Text(item), shown.value(item)))
            << item.toStdString() << " stored as " << Text(item).toStdString();
    // An unchanged download and a new upload change nothing.
    ASSERT_TRUE(Download(QStringLiteral("D2"))) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(Unlocked());
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    ASSERT_TRUE(Unlocked());
    for (const QString& item : items)
        EXPECT_TRUE(SameValue(Text(item), shown.value(item)))
            << item.toStdString() << " read back as " << Text(item).toStdString();
}

const Variant kVariants[] = {
    {"rev22_137", 137, 22, true, false, {}},
    {"rev20_139", 139, 20, true, false, {}},
};

INSTANTIATE_TEST_SUITE_P(Variants, DerivedItemEdited, ::testing::ValuesIn(kVariants),
                         [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

} // namespace

// The keyed collections of app, record and sequence items: keys and aliases,
// lookups that fail, and registration all at once.
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsRecItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include "pioextensions/enmExeption.h"
#include "pioextensions/enmRegMask.h"
#include "tests/pioextensions/PioTestSupport.h"

namespace {

using piotest::Handler;
using piotest::Settle;
using piotest::TrivexApplet;

} // namespace

TEST(ItemCollection, KeysAreAliasesOrNamesFirstAddWinsAndPositionsAreOneBased)
{
    Handler first;
    Handler second;
    clsAppItemCollection items;
    auto a = items.Add(QStringLiteral("ptrbScaleIn0"), false, 0, &first, QStringLiteral("one"));
    auto again = items.Add(QStringLiteral("PTRBSCALEIN0"), true, 0, &second, QStringLiteral("two"));
    EXPECT_EQ(a, again);
    EXPECT_FALSE(a->RegisterOnShadow());
    auto b = items.Add(QStringLiteral("ptrbScaleIn100"), false, 0);
    auto c = items.Add(QStringLiteral("ptrbScaleIn100"), false, 0, nullptr, QString(), QStringLiteral("upper"));
    EXPECT_NE(b, c);
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(items.Item(2), b);
    EXPECT_EQ(items.Item(QStringLiteral("UPPER")), c);
    EXPECT_EQ(c->Index(), 3);
    EXPECT_EQ(c->Name(), QStringLiteral("ptrbScaleIn100"));

    QList<std::shared_ptr<clsAppItem>> walked;
    for (const auto& member : items)
        walked.append(member);
    EXPECT_EQ(walked, QList<std::shared_ptr<clsAppItem>>({a, b, c}));

    items.Remove(QStringLiteral("nothing")); // silent
    items.Remove(1);
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item(1), b);
}

TEST(ItemCollection, AFailedLookupIsTracedAndRaisedWithTheKeyAndTheReason)
{
    piotest::ErrorTraces traces;
    clsAppItemCollection items;
    items.Add(QStringLiteral("abortSequences"), false, 0);
    try {
        items.Item(QStringLiteral("missing"));
        FAIL() << "no error";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("AppItem: missing, Invalid procedure call or argument"));
    }
    EXPECT_TRUE(traces.Contains(QStringLiteral("AppItem: missing, ")));

    clsRecItemCollection records;
    try {
        records.Item(4);
        FAIL() << "no error";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("RecItem: 4, Subscript out of range"));
    }
    clsSeqItemCollection sequences;
    sequences.Add(QStringLiteral("Upload"), false, 0);
    EXPECT_THROW(sequences.Item(0), automation::ComError);
    try {
        sequences.Item(QStringLiteral("Download"));
        FAIL() << "no error";
    } catch (const automation::ComError& error) {
        EXPECT_TRUE(error.description().startsWith(QStringLiteral("SeqItem: Download, ")));
    }
}

TEST(ItemCollection, AppItemsRegisterPastAnUnknownItemAndAliasesAreNotifiedEachForItself)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    Handler handler;
    clsAppItemCollection items;
    items.Add(QStringLiteral("abortSequences"), false, 0, &handler, QStringLiteral("appItem_ValueChanged2"));
    items.Add(QStringLiteral("noSuchItem"), false, 0);
    items.Add(QStringLiteral("abortSequences"), false, 0, &handler, QStringLiteral("appItem_ValueChanged2"),
              QStringLiteral("abortAgain"));
    items.Register(applet.manager);
    EXPECT_TRUE(items.Item(1)->IsRegistered());
    EXPECT_FALSE(items.Item(2)->IsRegistered());
    EXPECT_TRUE(items.Item(3)->IsRegistered());
    EXPECT_TRUE(traces.Contains(QStringLiteral("noSuchItem")));
    Settle();
    handler.calls.clear();

    applet.PutNumber(QStringLiteral("abortSequences"), 1);
    EXPECT_EQ(handler.calls, QStringList({QStringLiteral("handler(1,1,false)"), QStringLiteral("handler(3,1,false)")}));

    items.UnRegister();
    applet.PutNumber(QStringLiteral("abortSequences"), 0);
    EXPECT_EQ(handler.calls.size(), 2);
}

TEST(ItemCollection, RecordAndSequenceCollectionsStopAtTheFirstError)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsSeqItemCollection sequences;
    sequences.Add(QStringLiteral("Upload"), false, 0, REGISTER_STATE);
    sequences.Add(QStringLiteral("Download"), false, 0, REGISTER_STATE);
    // A sub-item the manager does not know is no error of the member.
    sequences.Add(QStringLiteral("NoSuchSequence"), false, 0, REGISTER_STATE);
    sequences.Register(applet.manager);
    EXPECT_TRUE(sequences.Item(3)->IsRegistered());

    clsRecItemCollection records;
    records.Add(QStringLiteral("Read_013"), false, 0, REGISTER_STATE);
    records.Add(QStringLiteral("Read_048"), false, 0, REGISTER_STATE);
    // Without a manager the first member fails and the rest stay unregistered.
    EXPECT_THROW(records.Register(nullptr), automation::ComError);
    EXPECT_FALSE(records.Item(1)->IsRegistered());
    EXPECT_FALSE(records.Item(2)->IsRegistered());
    records.Register(applet.manager);
    EXPECT_TRUE(records.Item(2)->IsRegistered());
    records.UnRegister();
    EXPECT_FALSE(records.Item(1)->IsRegistered());
}

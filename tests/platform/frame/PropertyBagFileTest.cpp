// Stored property bags: every kind of value comes back as it was written, and
// a file that is not such a bag is refused with the bag and the file unchanged.
#include "platform/automation/ComError.h"
#include "platform/frame/ProjectFolder.h"
#include "platform/frame/PropertyBagFile.h"
#include <QDataStream>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <QVariantMap>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using automation::ComError;
using automation::PropertyBag;
namespace PropertyBagFile = frame::PropertyBagFile;

namespace {

PropertyBag RoundTrip(const PropertyBag& bag)
{
    PropertyBag copy;
    PropertyBagFile::FromBytes(PropertyBagFile::ToBytes(bag), copy);
    return copy;
}

QString Refusal(const QByteArray& bytes)
{
    PropertyBag bag;
    bag.Write(QStringLiteral("kept"), 1);
    try {
        PropertyBagFile::FromBytes(bytes, bag);
    } catch (const ComError& e) {
        EXPECT_EQ(bag.Keys(), QStringList{QStringLiteral("kept")}) << "a refused file changes the bag";
        return e.description();
    }
    ADD_FAILURE() << "accepted: " << bytes.left(200).toStdString();
    return QString();
}

QByteArray Document(const QByteArray& values)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PropertyBag xmlns=\"urn:trivex:property-bag:1\" version=\"1\">"
         + values + "</PropertyBag>\n";
}

TEST(PropertyBagFile, EveryKindOfValueComesBackWithItsType)
{
    QVariantMap inner;
    inner.insert(QStringLiteral("flag"), false);
    inner.insert(QStringLiteral("deeper"), QVariantMap{{QStringLiteral("n"), -7}});
    inner.insert(QStringLiteral("empty"), QVariantMap());

    PropertyBag bag;
    const QString text = QStringLiteral("<FDT a=\"1\">&amp; \u00e4\u20ac\U0001F600</FDT>\r\n\t  end  ");
    bag.Write(QStringLiteral("DTM_PARAMETERS"), text);
    bag.Write(QStringLiteral("blank"), QStringLiteral("   "));
    bag.Write(QStringLiteral("none"), QString());
    bag.Write(QStringLiteral("DTM_SIZE"), 2);
    bag.Write(QStringLiteral("big"), std::numeric_limits<qlonglong>::min());
    bag.Write(QStringLiteral("unsigned"), QVariant::fromValue<qulonglong>(4000000000ull));
    bag.Write(QStringLiteral("short"), QVariant::fromValue<int16_t>(-3));
    bag.Write(QStringLiteral("yes"), true);
    bag.Write(QStringLiteral("pi"), 3.141592653589793);
    bag.Write(QStringLiteral("tiny"), 5e-324);
    bag.Write(QStringLiteral("minus zero"), -0.0);
    bag.Write(QStringLiteral("inf"), -std::numeric_limits<double>::infinity());
    bag.Write(QStringLiteral("nan"), std::numeric_limits<double>::quiet_NaN());
    bag.Write(QStringLiteral("single"), 1.5f);
    bag.Write(QStringLiteral("bytes"), QByteArray("\x00\xff\r\n<&", 6));
    bag.Write(QStringLiteral("no bytes"), QByteArray());
    bag.Write(QStringLiteral("inner"), inner);
    bag.Write(QStringLiteral("name \"with\" <odd>\n\tcharacters & \u00df"), 1);

    const PropertyBag copy = RoundTrip(bag);
    ASSERT_EQ(copy.Keys(), bag.Keys());
    EXPECT_EQ(copy.Read(QStringLiteral("DTM_PARAMETERS")), QVariant(text));
    EXPECT_EQ(copy.Read(QStringLiteral("blank")).toString(), QStringLiteral("   "));
    EXPECT_EQ(copy.Read(QStringLiteral("none")).typeId(), QMetaType::QString);
    EXPECT_TRUE(copy.Read(QStringLiteral("none")).toString().isEmpty());
    EXPECT_EQ(copy.Read(QStringLiteral("DTM_SIZE")).typeId(), QMetaType::Int);
    EXPECT_EQ(copy.Read(QStringLiteral("DTM_SIZE")).toInt(), 2);
    EXPECT_EQ(copy.Read(QStringLiteral("big")).typeId(), QMetaType::LongLong);
    EXPECT_EQ(copy.Read(QStringLiteral("big")).toLongLong(), std::numeric_limits<qlonglong>::min());
    EXPECT_EQ(copy.Read(QStringLiteral("unsigned")).toLongLong(), 4000000000ll);
    EXPECT_EQ(copy.Read(QStringLiteral("short")).toInt(), -3);
    EXPECT_EQ(copy.Read(QStringLiteral("yes")).typeId(), QMetaType::Bool);
    EXPECT_TRUE(copy.Read(QStringLiteral("yes")).toBool());
    EXPECT_EQ(copy.Read(QStringLiteral("pi")).toDouble(), 3.141592653589793);
    EXPECT_EQ(copy.Read(QStringLiteral("tiny")).toDouble(), 5e-324);
    EXPECT_TRUE(std::signbit(copy.Read(QStringLiteral("minus zero")).toDouble()));
    EXPECT_EQ(copy.Read(QStringLiteral("inf")).toDouble(), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(copy.Read(QStringLiteral("nan")).toDouble()));
    EXPECT_EQ(copy.Read(QStringLiteral("single")).typeId(), QMetaType::Double);
    EXPECT_EQ(copy.Read(QStringLiteral("single")).toDouble(), 1.5);
    EXPECT_EQ(copy.Read(QStringLiteral("bytes")).typeId(), QMetaType::QByteArray);
    EXPECT_EQ(copy.Read(QStringLiteral("bytes")).toByteArray(), QByteArray("\x00\xff\r\n<&", 6));
    EXPECT_EQ(copy.Read(QStringLiteral("no bytes")).typeId(), QMetaType::QByteArray);
    EXPECT_EQ(copy.Read(QStringLiteral("inner")).typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(copy.Read(QStringLiteral("inner")).toMap(), inner);
    EXPECT_EQ(copy.Read(QStringLiteral("name \"with\" <odd>\n\tcharacters & \u00df")).toInt(), 1);

    // Written twice, the same bytes: a stored bag compares as text.
    EXPECT_EQ(PropertyBagFile::ToBytes(copy), PropertyBagFile::ToBytes(RoundTrip(copy)));
    EXPECT_TRUE(RoundTrip(PropertyBag()).IsEmpty());
}

TEST(PropertyBagFile, BagsNestUpToTheLimit)
{
    auto nested = [](int levels) {
        QVariant value = 1;
        for (int i = 1; i < levels; ++i)
            value = QVariantMap{{QStringLiteral("b"), value}};
        PropertyBag bag;
        bag.Write(QStringLiteral("top"), value);
        return bag;
    };
    const PropertyBag deepest = nested(PropertyBagFile::kMaxDepth);
    EXPECT_EQ(RoundTrip(deepest).Read(QStringLiteral("top")), deepest.Read(QStringLiteral("top")));
    EXPECT_THROW(PropertyBagFile::ToBytes(nested(PropertyBagFile::kMaxDepth + 1)), ComError);

    // A file that nests deeper than a writer would is refused as well.
    QByteArray values = "<Integer name=\"n\">1</Integer>";
    for (int i = 1; i < PropertyBagFile::kMaxDepth + 1; ++i)
        values = "<Bag name=\"b\">" + values + "</Bag>";
    EXPECT_TRUE(Refusal(Document(values)).contains(QStringLiteral("deeper than 16 levels")));
}

TEST(PropertyBagFile, ValuesAFileCannotHoldAreNotWritten)
{
    struct Case {
        const char* what;
        QString name;
        QVariant value;
        const char* reason;
    };
    const Case cases[] = {
        {"no value", QStringLiteral("v"), QVariant(), "cannot hold"},
        {"a list", QStringLiteral("v"), QStringList{QStringLiteral("a")}, "QStringList"},
        {"a nested list", QStringLiteral("v"), QVariantMap{{QStringLiteral("x"), QVariantList{1}}}, "v/x"},
        {"an integer beyond 63 bits", QStringLiteral("v"), QVariant::fromValue<qulonglong>(1ull << 63), "larger"},
        {"a control character", QStringLiteral("v"), QStringLiteral("a\u0001b"), "U+0001"},
        {"a zero character", QStringLiteral("v"), QString(QChar(0)), "U+0000"},
        {"a lone surrogate", QStringLiteral("v"), QString(QChar(0xD800)), "U+d800"},
        {"U+FFFF", QStringLiteral("v"), QString(QChar(0xFFFF)), "U+ffff"},
        {"a control character in a name", QStringLiteral("a\u0007"), 1, "The name"},
        {"an empty name", QString(), 1, "empty"},
        {"a long name", QString(PropertyBagFile::kMaxNameLength + 1, QLatin1Char('n')), 1, "longer"},
        {"a long text", QStringLiteral("v"), QString(PropertyBagFile::kMaxTextLength + 1, QLatin1Char('t')),
         "longer"},
        {"many bytes", QStringLiteral("v"), QByteArray(PropertyBagFile::kMaxBytesLength + 1, 'b'), "more than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PropertyBag bag;
        bag.Write(QStringLiteral("fine"), 1);
        bag.Write(c.name, c.value);
        try {
            PropertyBagFile::ToBytes(bag);
            ADD_FAILURE() << "written";
        } catch (const ComError& e) {
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(c.reason))) << e.description().toStdString();
        }
    }
}

TEST(PropertyBagFile, ValuesAtTheLimitsAreStored)
{
    PropertyBag large;
    large.Write(QStringLiteral("text"), QString(PropertyBagFile::kMaxTextLength, QLatin1Char('t')));
    large.Write(QStringLiteral("bytes"), QByteArray(PropertyBagFile::kMaxBytesLength, '\x01'));
    const PropertyBag copy = RoundTrip(large);
    EXPECT_EQ(copy.Read(QStringLiteral("text")).toString().size(), PropertyBagFile::kMaxTextLength);
    EXPECT_EQ(copy.Read(QStringLiteral("bytes")).toByteArray().size(), PropertyBagFile::kMaxBytesLength);
}

TEST(PropertyBagFile, TheEarlierBinaryFormIsRefused)
{
    QByteArray earlier;
    QDataStream out(&earlier, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << quint32(0x54504231) << QMap<QString, QVariant>{{QStringLiteral("DTM_SIZE"), 0}};
    EXPECT_TRUE(Refusal(earlier).contains(QStringLiteral("earlier binary form"))) << Refusal(earlier).toStdString();
}

TEST(PropertyBagFile, BrokenFilesAreRefusedWithTheReason)
{
    PropertyBag bag;
    bag.Write(QStringLiteral("DTM_PARAMETERS"), QStringLiteral("<FDT/>"));
    bag.Write(QStringLiteral("DTM_SIZE"), 0);
    const QByteArray good = PropertyBagFile::ToBytes(bag);

    struct Case {
        const char* what;
        QByteArray bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", QByteArray(), "not a stored property bag"},
        {"truncated", good.left(good.size() - 20), "not a stored property bag: line"},
        {"not UTF-8", Document("<Text name=\"t\">\xff\xfe</Text>"), "not a stored property bag"},
        {"another document", "<FDT xmlns=\"urn:trivex:property-bag:1\"/>", "its root is FDT"},
        {"another namespace", "<PropertyBag version=\"1\"/>", "its root is PropertyBag in the namespace ''"},
        {"a wrong type", Document("<Integer name=\"n\">12a</Integer>"), "does not fit its schema: line 2"},
        {"an integer beyond 64 bits", Document("<Integer name=\"n\">9223372036854775808</Integer>"), "schema"},
        {"a wrong boolean", Document("<Boolean name=\"b\">yes</Boolean>"), "schema"},
        {"a wrong double", Document("<Double name=\"d\">1,5</Double>"), "schema"},
        {"wrong base64", Document("<Bytes name=\"b\">!!</Bytes>"), "is no base64"},
        {"an unknown kind", Document("<Date name=\"d\">2024-01-01</Date>"), "schema"},
        {"a name twice", Document("<Integer name=\"n\">1</Integer><Text name=\"n\"/>"), "schema"},
        {"a name twice in a bag", Document("<Bag name=\"b\"><Text name=\"n\"/><Text name=\"n\"/></Bag>"), "schema"},
        {"no name", Document("<Integer>1</Integer>"), "schema"},
        {"a long name", Document("<Integer name=\"" + QByteArray(257, 'n') + "\">1</Integer>"), "schema"},
        {"another version", "<PropertyBag xmlns=\"urn:trivex:property-bag:1\" version=\"2\"/>", "schema"},
        {"text between values", Document("stray<Integer name=\"n\">1</Integer>"), "schema"},
        {"a value inside a text", Document("<Text name=\"t\"><Text name=\"u\"/></Text>"), "schema"},
        {"too large", QByteArray(PropertyBagFile::kMaxFileSize + 1, ' '), "more than"},
        {"an internal entity",
         "<?xml version=\"1.0\"?><!DOCTYPE PropertyBag [<!ENTITY e \"x\">]>"
         "<PropertyBag xmlns=\"urn:trivex:property-bag:1\" version=\"1\"><Text name=\"t\">&e;</Text></PropertyBag>",
         "document type"},
        {"an external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE PropertyBag [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
         "<PropertyBag xmlns=\"urn:trivex:property-bag:1\" version=\"1\"><Text name=\"t\">&e;</Text></PropertyBag>",
         "document type"},
        {"an external document type",
         "<!DOCTYPE PropertyBag SYSTEM \"http://127.0.0.1:1/bag.dtd\">"
         "<PropertyBag xmlns=\"urn:trivex:property-bag:1\" version=\"1\"/>",
         "document type"},
        {"an undeclared entity", Document("<Text name=\"t\">&e;</Text>"), "not a stored property bag"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString reason = Refusal(c.bytes);
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << reason.toStdString();
    }
}

TEST(PropertyBagFile, LayoutsOfOtherWritersAreRead)
{
    // Another writer may lay the file out differently: signs, exponents,
    // base64 in lines, comments.
    PropertyBag bag;
    PropertyBagFile::FromBytes(Document("\n  <!-- written by hand -->\n"
                                        "  <Integer name=\"i\">+42</Integer>\n"
                                        "  <Boolean name=\"b\">1</Boolean>\n"
                                        "  <Double name=\"d\">1E3</Double>\n"
                                        "  <Double name=\"p\">INF</Double>\n"
                                        "  <Bytes name=\"x\">QUJD\n REVG</Bytes>\n"
                                        "  <Text name=\"t\">a&lt;b&#13;</Text>\n"),
                               bag);
    EXPECT_EQ(bag.Read(QStringLiteral("i")).toInt(), 42);
    EXPECT_TRUE(bag.Read(QStringLiteral("b")).toBool());
    EXPECT_EQ(bag.Read(QStringLiteral("d")).toDouble(), 1000.0);
    EXPECT_EQ(bag.Read(QStringLiteral("p")).toDouble(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(bag.Read(QStringLiteral("x")).toByteArray(), QByteArray("ABCDEF"));
    EXPECT_EQ(bag.Read(QStringLiteral("t")).toString(), QStringLiteral("a<b\r"));
}

TEST(PropertyBagFile, ARefusedProjectFileStaysAsItWas)
{
    QTemporaryDir dir;
    frame::ProjectFolder project(dir.filePath(QStringLiteral("project")));
    ASSERT_TRUE(project.Ensure());
    const QByteArray broken = Document("<Integer name=\"n\">x</Integer>");
    QFile file(project.InstanceFile(QStringLiteral("T")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(broken);
    file.close();

    PropertyBag bag;
    bag.Write(QStringLiteral("kept"), 1);
    QString error;
    EXPECT_FALSE(project.LoadInstance(QStringLiteral("T"), bag, &error));
    EXPECT_TRUE(error.startsWith(project.InstanceFile(QStringLiteral("T")))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("schema"))) << error.toStdString();
    EXPECT_EQ(bag.Keys(), QStringList{QStringLiteral("kept")});
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), broken);
    file.close();

    // A bag that cannot be stored leaves the stored one in place.
    PropertyBag unstorable;
    unstorable.Write(QStringLiteral("list"), QStringList());
    EXPECT_FALSE(project.StoreInstance(QStringLiteral("T"), unstorable, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("list"))) << error.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), broken);
}

} // namespace

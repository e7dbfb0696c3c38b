// Data items on an applet of a small description: the length and data-type
// tables, the cached length, fixed items, items without registration, values
// through the applet and the enumeration under its limit mask.
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/StateInfo.h"
#include "tests/fennick/fdt/DtmTestSupport.h"
#include <QFile>

namespace {

using dtmtest::CountMessage;
using dtmtest::FakeAppletHost;

const char* const kDescription = R"(<?xml version="1.0" encoding="UTF-8"?>
<TdxDescription xmlns="urn:trivex:tdx-description:1" kind="device">
  <Header><Key name="Nickname" value="Items"/></Header>
  <Enumerations>
    <Enumeration name="Units" text="Units">
      <Entry value="7" text="bar"/><Entry value="8" text="mbar"/><Entry value="11" text="Pa"/><Entry value="12" text="kPa"/>
    </Enumeration>
  </Enumerations>
  <Objects>
    <Object name="Text6" type="text" size="6"/>
    <Object name="Text4" type="text" size="4"/>
    <Object name="Int16" type="int" size="16"/>
    <Object name="Unsigned8" type="unsigned" size="8"/>
    <Object name="Unsigned16" type="unsigned" size="16"/>
    <Object name="Unit" type="enumerated" size="8" enumeration="Units" default="8"/>
    <Object name="Float" type="float"/>
    <Object name="Octets3" type="octets" size="3"/>
    <Object name="Packed3" type="packedAscii" size="3"/>
    <Object name="Date" type="hartDate"/>
    <Object name="Flag" type="boolean"/>
  </Objects>
</TdxDescription>
)";

// The description's parser, counting the object look-ups.
class CountingParser : public applet::TdxFileParser {
public:
    explicit CountingParser(std::shared_ptr<applet::TdxFileParser> inner) : m_inner(std::move(inner)) {}
    void Load(int32_t, const QString&, int32_t, QString&, int32_t& status) override { status = 0; }
    void fncGetEntryHandle(const QString& kind, const QString& name, int32_t& handle, int32_t& error) override
    {
        ++lookUps;
        m_inner->fncGetEntryHandle(kind, name, handle, error);
    }
    void fncGetObjectInfo(int32_t handle, QString& text, int32_t& dataType, int32_t& size, QVariant& value,
                          QString& enumerationName, int32_t& error) override
    {
        m_inner->fncGetObjectInfo(handle, text, dataType, size, value, enumerationName, error);
    }
    void fncGetEnumEntries(int32_t handle, QString& text, QList<applet::TdxEnumEntry>& entries, int32_t& error) override
    {
        m_inner->fncGetEnumEntries(handle, text, entries, error);
    }
    int lookUps = 0;

private:
    std::shared_ptr<applet::TdxFileParser> m_inner;
};

class DataItem : public ::testing::Test {
protected:
    DataItem()
    {
        const QString path = m_dir.filePath(QStringLiteral("items.tdx"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kDescription);
        file.close();
        auto inner = std::make_shared<applet::clsTdxFileParser>();
        QString error;
        int32_t status = -1;
        inner->Load(applet::kTdxKindDevice, path, 1, error, status);
        EXPECT_EQ(status, 0) << error.toStdString();
        parser = std::make_shared<CountingParser>(inner);
        host = FakeAppletHost::Make(path, parser);
        global::AppletHost() = host;
    }
    ~DataItem() override
    {
        for (const auto& view : host->manager->RegisteredViews()) {
            int32_t result = 0;
            host->manager->UnregisterView(view.get(), result);
        }
        global::AppletHost().reset();
    }

    std::shared_ptr<clsDataManagerDataItem> Bound(const QString& object, int32_t typeCode = 0)
    {
        auto item = std::make_shared<clsDataManagerDataItem>();
        item->InitAppletItem(QStringLiteral("fdt_") + object, applet::FdtAppletItemRecord{object, typeCode});
        return item;
    }
    static std::shared_ptr<clsDataManagerDataItem> Fixed(int32_t valueType, const QVariant& value, int32_t length = 0)
    {
        auto item = std::make_shared<clsDataManagerDataItem>();
        item->InitFixedItem(QStringLiteral("fixed"), applet::FdtFixedItemRecord{valueType, 2008, value, length});
        return item;
    }
    void WriteMask(const QByteArray& mask)
    {
        int32_t failed = 0;
        host->manager->PutOctetsValue(host->Handle(QStringLiteral("&&ObjectLimit&&Unit")), mask, failed);
        ASSERT_EQ(failed, 0);
    }

    QTemporaryDir m_dir;
    TraceCapture traces;
    std::shared_ptr<CountingParser> parser;
    std::shared_ptr<FakeAppletHost> host;
};

TEST_F(DataItem, LengthAndDataTypeFollowTheObjectType)
{
    const struct {
        const char* object;
        int32_t length;
        const char* dataType;
    } rows[] = {
        {"Text6", 8, "bin.hex"},       // 6 bytes of packed characters hold 8
        {"Text4", 5, "bin.hex"},       {"Int16", 16, "int"},          {"Unsigned8", 8, "byte"},
        {"Unsigned16", 16, "unsigned"}, {"Unit", 8, "byte"},          {"Float", 32, "float"},
        {"Octets3", 24, "hexString"},  {"Packed3", 24, "packedAscii"}, {"Date", 24, "bin.hex"},
        {"Flag", 1, "byte"},
    };
    for (const auto& row : rows) {
        const auto item = Bound(QLatin1String(row.object));
        EXPECT_EQ(item->ObjectLength(), row.length) << row.object;
        EXPECT_EQ(item->FdtDataType(), QLatin1String(row.dataType)) << row.object;
    }
}

TEST_F(DataItem, LengthIsAskedOnceUnlessTheLookUpFailed)
{
    const auto item = Bound(QStringLiteral("Int16"));
    parser->lookUps = 0;
    EXPECT_EQ(item->ObjectLength(), 16);
    EXPECT_EQ(item->ObjectLength(), 16);
    EXPECT_EQ(parser->lookUps, 1);

    // An object the description lacks: no registration, length 0, asked again.
    const auto ghost = Bound(QStringLiteral("Ghost"));
    EXPECT_EQ(ghost->AppletItemHandle(), -1);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Registration for AppletItem >>Ghost<< failed!")), 1);
    parser->lookUps = 0;
    EXPECT_EQ(ghost->ObjectLength(), 0);
    EXPECT_EQ(ghost->ObjectLength(), 0);
    EXPECT_EQ(parser->lookUps, 2);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Unable to locate object >>Ghost<< in TDX file!")), 2);
    EXPECT_EQ(ghost->FdtDataType(), QString());
}

TEST_F(DataItem, FixedItemsHoldTheirEntrysValue)
{
    const struct {
        int32_t valueType;
        QVariant value;
        const char* text;
        const char* dataType;
    } rows[] = {
        {2, QVariant(-40), "-40", "int"},       {3, QVariant(100000), "100000", "int"},
        {16, QVariant(-3), "-3", "int"},        {8, QVariant(QStringLiteral("x1")), "x1", "binary"},
        {11, QVariant(true), "True", "byte"},   {17, QVariant(200u), "200", "unsigned"},
        {18, QVariant(60000u), "60000", "unsigned"}, {19, QVariant(70000u), "70000", "unsigned"},
    };
    for (const auto& row : rows) {
        const auto item = Fixed(row.valueType, row.value, 12);
        EXPECT_FALSE(item->IsAppletBound());
        EXPECT_EQ(item->Value(), QLatin1String(row.text)) << row.valueType;
        EXPECT_EQ(item->FdtDataType(), QLatin1String(row.dataType)) << row.valueType;
        EXPECT_EQ(item->ObjectLength(), 12);
    }
    const auto odd = Fixed(5, QVariant(1.5));
    EXPECT_EQ(odd->FdtDataType(), QStringLiteral("hexString"));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Datatype defined for FdtParameter>>fixed<< is not supported!")), 1);
    odd->SetValue(QStringLiteral("2.5"));
    EXPECT_EQ(odd->Value(), QStringLiteral("2.5"));
    EXPECT_EQ(host->manager->RegisteredViews().size(), 0u); // fixed items never register
}

TEST_F(DataItem, AppletBoundValuesGoThroughTheAppletItem)
{
    const auto item = Bound(QStringLiteral("Float"));
    ASSERT_GT(item->AppletItemHandle(), 0);
    item->SetValue(QStringLiteral("12.5"));
    QString text;
    int32_t failed = 0;
    host->manager->GetValueAsText(host->Handle(QStringLiteral("Float")), text, false, failed);
    EXPECT_EQ(text, QStringLiteral("12.5"));
    EXPECT_EQ(item->Value(), QStringLiteral("12.5"));
    item->SetValue(QStringLiteral("not a number"));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Writing AppletItem >>Float<< failed!")), 1);
    EXPECT_EQ(item->Value(), QStringLiteral("12.5"));

    // Without registration reads give "" and writes are ignored, each traced.
    const auto ghost = Bound(QStringLiteral("Ghost"));
    EXPECT_EQ(ghost->Value(), QString());
    ghost->SetValue(QStringLiteral("1"));
    ghost->CheckProtectionAccess(true);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Read access for invalid AppletItem registration :Ghost")), 1);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Write access for invalid AppletItem registration :Ghost")), 1);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Protection access for invalid AppletItem registration :Ghost")), 1);

    // The release ends both registrations at the manager.
    item->UnregisterView();
    EXPECT_EQ(item->AppletItemHandle(), -1);
    EXPECT_FALSE(host->manager->IsRegistered(item.get()));
}

TEST_F(DataItem, EnumerationListsWhatTheLimitMaskAllows)
{
    const auto item = Bound(QStringLiteral("Unit"), 2004);
    WriteMask(QByteArray("\x00\x01\x01\x00", 4));
    clsDataManagerDataItem::EnumerationList entries;
    ASSERT_FALSE(item->EnumerationEntries(entries));
    EXPECT_EQ(entries, (clsDataManagerDataItem::EnumerationList{{8, "mbar"}, {11, "Pa"}}));

    // A change of the mask refreshes the flags; a refresh notification does not.
    WriteMask(QByteArray("\x01\x00\x00\x01", 4));
    ASSERT_FALSE(item->EnumerationEntries(entries));
    EXPECT_EQ(entries, (clsDataManagerDataItem::EnumerationList{{7, "bar"}, {12, "kPa"}}));
    int32_t key = 0;
    EXPECT_TRUE(item->EnumerationKey(QStringLiteral("kPa"), key));
    EXPECT_EQ(key, 12);
    EXPECT_FALSE(item->EnumerationKey(QStringLiteral("KPA"), key)) << "texts are compared as they are";
    EXPECT_EQ(key, -1);
    QString text;
    EXPECT_FALSE(item->EnumerationText(11, text)); // there, but not allowed
    EXPECT_EQ(text, QStringLiteral("Pa"));
    EXPECT_FALSE(item->EnumerationText(99, text));
    EXPECT_EQ(text, QString());

    // Entries the mask does not reach are not allowed.
    WriteMask(QByteArray("\x01\x01", 2));
    ASSERT_FALSE(item->EnumerationEntries(entries));
    EXPECT_EQ(entries, (clsDataManagerDataItem::EnumerationList{{7, "bar"}, {8, "mbar"}}));
    ASSERT_FALSE(item->EnumerationEntries(entries, false));
    EXPECT_EQ(entries.size(), 4);

    int32_t result = -1;
    const int32_t limit = host->Handle(QStringLiteral("&&ObjectLimit&&Unit"));
    host->manager->Load(limit, QVariant(QByteArray("\x00\x00\x00\x01", 4)));
    item->NotifyChanged(limit, false, applet::StateInfo::kRefreshBits, 0, result);
    EXPECT_EQ(result, 0);
    ASSERT_FALSE(item->EnumerationEntries(entries));
    EXPECT_EQ(entries.size(), 2) << "a refresh leaves the flags";
    item->NotifyChanged(limit, false, 0, 0, result);
    ASSERT_FALSE(item->EnumerationEntries(entries));
    EXPECT_EQ(entries, (clsDataManagerDataItem::EnumerationList{{12, "kPa"}}));

    // Without its manager the item answers 1.
    item->Destroy(result);
    item->NotifyChanged(limit, false, 0, 0, result);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(traces.contains(QStringLiteral("privAppletItemManager Is Nothing")));
}

TEST_F(DataItem, ObjectWithoutEnumerationReturnsNoEntries)
{
    const auto item = Bound(QStringLiteral("Float"));
    clsDataManagerDataItem::EnumerationList entries{{1, "kept"}};
    EXPECT_TRUE(item->EnumerationEntries(entries));
    EXPECT_EQ(entries, (clsDataManagerDataItem::EnumerationList{{1, "kept"}}));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Not able to return EnumData for AppletItem Float !")), 1);
}

} // namespace

#include "fennick/services/Language.h"
#include "fennick/services/LoadResource.h"
#include "platform/automation/ComError.h"
#include "tests/common/TraceCapture.h"
#include <QFile>
#include <QTemporaryDir>
#include "tests/fennick/services/QStringPrinter.h"
#include <gtest/gtest.h>

namespace {
class LoadResourceTest : public ::testing::Test {
protected:
    void TearDown() override { Language::SetLocaleIdSource(nullptr); }
    static void userIn(uint32_t lcid)
    {
        Language::SetLocaleIdSource([lcid] { return lcid; });
    }
};

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}
} // namespace

TEST_F(LoadResourceTest, TheTablesLanguageWinsOnlyWhereTheTableHasIt)
{
    userIn(1031);
    EXPECT_EQ(Language::GetLanguageCode(), "049");
    EXPECT_EQ(LoadResource::GetResourceString(5001), "Gerät nicht verbunden");
    EXPECT_EQ(LoadResource::GetResourceString(403), "Konfuguration");
    EXPECT_EQ(LoadResource::GetResourceString(800), "*** Channel data consisteny warning form");

    // Spanish and Swiss German users: their code, but English texts.
    userIn(3082);
    EXPECT_EQ(Language::GetLanguageCode(), "034");
    EXPECT_EQ(LoadResource::GetResourceString(5001), "Device not connected");
    userIn(2055);
    EXPECT_EQ(Language::GetLanguageCode(), "049");
    EXPECT_EQ(LoadResource::GetResourceString(5003),
              "Warning: Your currently actve application does not support online functions.");
}

TEST_F(LoadResourceTest, TextsKeepTheirBlanksAndAbsentEntriesOfABlockAreEmpty)
{
    for (uint32_t lcid : {1031u, 1033u, 3082u}) {
        userIn(lcid);
        EXPECT_EQ(LoadResource::GetResourceString(5002), "") << lcid;
        EXPECT_EQ(LoadResource::GetResourceString(5009), "") << lcid;
        EXPECT_EQ(LoadResource::GetResourceString(605), "s") << lcid;
        EXPECT_EQ(LoadResource::GetResourceString(411), "") << lcid; // block of 400..415
    }
    userIn(1033);
    EXPECT_EQ(LoadResource::GetResourceString(5012), "Data set locked by: ");
    EXPECT_EQ(LoadResource::GetResourceString(5008),
              "Error: This data set is  not related to a device supported by the selected DTM.");
    userIn(1031);
    EXPECT_EQ(LoadResource::GetResourceString(302), "Gerätetypinformation ");
    EXPECT_EQ(LoadResource::GetResourceString(802), " die von der Rahmenapplikation gerade eingelesen wurden.");
    EXPECT_EQ(LoadResource::GetResourceString(5011),
              "Die gewuenschte Funktion kann nicht durchgefuehrt werden, da der Datensatz benutzt wird von: ");
}

TEST_F(LoadResourceTest, AnIdWhoseBlockNoLanguageHasRaises)
{
    userIn(1031);
    for (int16_t id : {int16_t(1000), int16_t(416), int16_t(-1), int16_t(32767)}) {
        try {
            LoadResource::GetResourceString(id);
            ADD_FAILURE() << "no error for " << id;
        } catch (const automation::ComError& error) {
            EXPECT_EQ(error.number(), LoadResource::ERR_RESOURCE_NOT_FOUND);
            EXPECT_EQ(error.description(), QStringLiteral("Resource with identifier '%1' not found").arg(id));
        }
    }
}

TEST_F(LoadResourceTest, LoadingOneLanguageAnswersWhetherItHasTheBlock)
{
    const auto module = LoadResource::FennickModule();
    QString text = "unchanged";
    EXPECT_FALSE(LoadResource::LoadResourceStringForLanguage(module, 5001, LoadResource::kLanguageNeutral, text));
    EXPECT_FALSE(LoadResource::LoadResourceStringForLanguage(module, 5001, 1036, text));
    EXPECT_FALSE(LoadResource::LoadResourceStringForLanguage(module, 1000, 1033, text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_TRUE(LoadResource::LoadResourceStringForLanguage(module, 5002, 1031, text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(LoadResource::LoadResourceStringForLanguage(module, 204, 1031, text));
    EXPECT_EQ(text, "Zustatzfunktionen des DTMs");
}

TEST_F(LoadResourceTest, AMalformedTableIsTracedAndCountsAsAbsent)
{
    QTemporaryDir dir;
    const QString module = dir.path() + "/Other";
    writeFile(module + "_1033.txt", "16 \"fine\"\n17 no quotes\n");
    writeFile(module + "_1031.txt", "# only German has this block\r\n17 \"siebzehn\"\r\n");
    TraceCapture trace;
    userIn(1033);
    EXPECT_EQ(LoadResource::LoadResString(16, module), "");
    EXPECT_TRUE(trace.contains("String table " + module + "_1033.txt: line 2: expected <id> \"<text>\""));
    EXPECT_EQ(LoadResource::LoadResString(17, module), "siebzehn");
    EXPECT_THROW(LoadResource::LoadResString(40, module), automation::ComError);
}

TEST(StringTableText, IsReadStrictly)
{
    LoadResource::StringTable table;
    QString error;
    ASSERT_TRUE(LoadResource::ParseStringTable("# c\n\n  \n7\t\"say \"hi\" \"\r\n8 \"\"\n", table, error));
    EXPECT_EQ(table, (LoadResource::StringTable{{7, "say \"hi\" "}, {8, ""}}));

    struct Bad {
        QByteArray text;
        const char* error;
    };
    for (const Bad& bad : {Bad{"1 \"a\"\n2 \"b\n", "line 2: expected <id> \"<text>\""},
                           Bad{"x \"a\"", "line 1: expected <id> \"<text>\""},
                           Bad{"-1 \"a\"", "line 1: expected <id> \"<text>\""},
                           Bad{" 1 \"a\"", "line 1: expected <id> \"<text>\""},
                           Bad{"32768 \"a\"", "line 1: id 32768 is outside 0..32767"},
                           Bad{"99999999999999999999 \"a\"", "line 1: id 99999999999999999999 is outside 0..32767"},
                           Bad{"5 \"a\"\n5 \"b\"", "line 2: id 5 appears twice"},
                           Bad{"5 \"\xff\"", "the text is not valid UTF-8"}}) {
        LoadResource::StringTable kept{{1, "old"}};
        EXPECT_FALSE(LoadResource::ParseStringTable(bad.text, kept, error)) << bad.text.constData();
        EXPECT_EQ(error, bad.error);
        EXPECT_EQ(kept.size(), 1u);
    }
}

// The project folder: stored property bags, atomic replacement, refused input.
#include "platform/frame/ProjectFolder.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using frame::ProjectFolder;

namespace {

automation::PropertyBag Bag(const QString& parameters)
{
    automation::PropertyBag bag;
    bag.Write(QStringLiteral("DTM_PARAMETERS"), parameters);
    bag.Write(QStringLiteral("DTM_SIZE"), 0);
    return bag;
}

class ProjectFolderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ProjectFolder project{dir.filePath(QStringLiteral("project"))};
};

TEST_F(ProjectFolderTest, StoredBagsAreListedAndReadBack)
{
    ASSERT_TRUE(project.StoreInstance(QStringLiteral("B"), Bag(QStringLiteral("<b/>"))));
    ASSERT_TRUE(project.StoreInstance(QStringLiteral("A"), Bag(QStringLiteral("<a/>"))));
    EXPECT_EQ(project.Instances(), (QStringList{"A", "B"}));
    automation::PropertyBag bag;
    ASSERT_TRUE(project.LoadInstance(QStringLiteral("B"), bag));
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_PARAMETERS")).toString(), QStringLiteral("<b/>"));

    ASSERT_TRUE(project.StoreInstance(QStringLiteral("B"), Bag(QStringLiteral("<b2/>"))));
    ASSERT_TRUE(project.LoadInstance(QStringLiteral("B"), bag));
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_PARAMETERS")).toString(), QStringLiteral("<b2/>"));
    // No temporary file is left beside the instances.
    EXPECT_EQ(QDir(project.Path()).entryList(QDir::Files).size(), 2);

    ASSERT_TRUE(project.RemoveInstance(QStringLiteral("A")));
    EXPECT_EQ(project.Instances(), (QStringList{"B"}));
}

TEST_F(ProjectFolderTest, TagsThatCouldLeaveTheFolderAreRefused)
{
    for (const char* tag : {"", "../x", "a/b", ".hidden", "tag with blank", "t\xc3\xa4g"}) {
        QString error;
        EXPECT_FALSE(project.StoreInstance(QString::fromUtf8(tag), Bag("x"), &error)) << tag;
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_TRUE(ProjectFolder::IsValidSystemTag(QStringLiteral("{0F1E-22}_x.1")));
    EXPECT_FALSE(ProjectFolder::IsValidSystemTag(QString(65, QLatin1Char('a'))));
    QString folder;
    EXPECT_FALSE(project.BulkDataFolder(QStringLiteral(".."), folder));
}

TEST_F(ProjectFolderTest, CorruptFileIsRefusedAndTheBagKept)
{
    ASSERT_TRUE(project.Ensure());
    QFile file(project.InstanceFile(QStringLiteral("X")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a bag");
    file.close();
    automation::PropertyBag bag = Bag(QStringLiteral("<kept/>"));
    QString error;
    EXPECT_FALSE(project.LoadInstance(QStringLiteral("X"), bag, &error));
    EXPECT_TRUE(error.contains("not a stored property bag")) << error.toStdString();
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_PARAMETERS")).toString(), QStringLiteral("<kept/>"));

    // A truncated copy of a real bag is refused as well.
    ASSERT_TRUE(project.StoreInstance(QStringLiteral("Y"), Bag(QStringLiteral("<whole/>"))));
    QFile stored(project.InstanceFile(QStringLiteral("Y")));
    ASSERT_TRUE(stored.open(QIODevice::ReadWrite));
    ASSERT_TRUE(stored.resize(stored.size() - 3));
    stored.close();
    EXPECT_FALSE(project.LoadInstance(QStringLiteral("Y"), bag, &error));
}

TEST_F(ProjectFolderTest, FailedStoreLeavesTheOldInstance)
{
    ASSERT_TRUE(project.StoreInstance(QStringLiteral("A"), Bag(QStringLiteral("<old/>"))));
    // A folder where the instance file should go cannot be replaced.
    ASSERT_TRUE(QDir().mkpath(project.InstanceFile(QStringLiteral("D"))));
    QString error;
    EXPECT_FALSE(project.StoreInstance(QStringLiteral("D"), Bag(QStringLiteral("<new/>")), &error));
    EXPECT_FALSE(error.isEmpty());
    automation::PropertyBag bag;
    ASSERT_TRUE(project.LoadInstance(QStringLiteral("A"), bag));
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_PARAMETERS")).toString(), QStringLiteral("<old/>"));
}

} // namespace

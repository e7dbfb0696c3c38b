// The files a registration writes, on a real file system: a full disk keeps
// the old catalogue and category store and names the cause; the cross-check
// report replaces whatever stands at its name and never writes through a
// link; and a registration line without its date or classification still
// registers, while one that cannot be carried out says why and what it
// unregistered instead.
#include "tests/common/SmallTmpfs.h"
#include "tests/fennick/services/RegistrationTestSupport.h"
#include "platform/applet/SchemaFiles.h"
#include <QFileInfo>

namespace {

using namespace registration_test;

class ARegistration : public RegistrationTest {
protected:
    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString Failures() { return Deployment::Failures().join(QLatin1Char('\n')); }
};

TEST_F(ARegistration, OnAFullDiskKeepsTheCatalogueAndTheCategoryStoreAndSaysWhy)
{
    SmallTmpfs disk(m_temp.filePath(QStringLiteral("disk")));
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    const QString bin = disk.Folder() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    Deployment::SetCatalogueFolder(bin);
    const QString store = disk.Folder() + QStringLiteral("/ComponentCategories.ini");
    crosscheck::RegisterClasses(store);
    ASSERT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    const QByteArray catalogue = Bytes(bin + QStringLiteral("/DEVICECATALOGUE.XML"));
    const QByteArray categories = Bytes(store);
    ASSERT_TRUE(catalogue.contains("deviceTypeId=\"137\""));
    ASSERT_TRUE(categories.contains(kCatHart.toLatin1()));
    ASSERT_TRUE(disk.Fill());

    // A second device type cannot be entered: the catalogue stays as it was.
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(DescribeSecondHart(), "Other")));
    EXPECT_TRUE(Failures().contains("Unable to write the device catalogue: Cannot write " + bin
                                    + "/DEVICECATALOGUE.XML: No space left on device"))
        << Failures().toStdString();
    EXPECT_EQ(Bytes(bin + QStringLiteral("/DEVICECATALOGUE.XML")), catalogue);
    EXPECT_EQ(Bytes(store), categories);

    // With the catalogue elsewhere the category store is the file that fails.
    crosscheck::RegisterClasses(disk.Folder() + QStringLiteral("/Other.ini"));
    Deployment::SetCatalogueFolder(m_bin);
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_TRUE(Failures().contains("The component categories could not be registered: Unable to write the category "
                                    "store: Cannot write "))
        << Failures().toStdString();
    EXPECT_FALSE(QFileInfo::exists(disk.Folder() + QStringLiteral("/Other.ini")));
    EXPECT_FALSE(QFileInfo::exists(CataloguePath())) << "a failed registration enters no device type";
    EXPECT_EQ(QDir(disk.Folder()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{".fill", "ComponentCategories.ini"}));
}

TEST_F(ARegistration, ReplacesALinkAtTheReportsNameAndLeavesItsTargetAlone)
{
    const QString report = m_report + QStringLiteral("/CROSSCHECKERRORS.TXT");
    const QString target = m_temp.filePath(QStringLiteral("precious.txt"));
    WriteText(target, QStringLiteral("kept as it is\n"));
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner));
    const QFileDevice::Permissions mode = QFileInfo(target).permissions();
    const auto targetUntouched = [&] {
        EXPECT_EQ(ReadText(target), "kept as it is\n");
        EXPECT_EQ(QFileInfo(target).permissions(), mode);
    };

    ASSERT_TRUE(QFile::link(target, report));
    EXPECT_TRUE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_FALSE(QFileInfo(report).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(report));
    targetUntouched();

    ASSERT_TRUE(QFile::link(target, report));
    QString fdt = ReadText(m_hartDir + "Trivex.fdt");
    WriteText(m_hartDir + "Trivex.fdt", fdt.replace("object=\"pbDescriptor\"", "object=\"pbDescriptorX\""));
    EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(m_hartDir, "Trivex")));
    EXPECT_FALSE(QFileInfo(report).isSymLink());
    EXPECT_TRUE(ReadText(report).contains("1 inconsistency found.")) << ReadText(report).toStdString();
    targetUntouched();
}

TEST_F(ARegistration, WithoutDateOrClassificationRegistersAndAFailedOneSaysWhatItUnregistered)
{
    const QString line = QStringLiteral("func:registerdtm dscr_dir:") + m_hartDir
                         + QStringLiteral(" tdx_file:Trivex.tdx fdt_file:Trivex.fdt");
    ASSERT_TRUE(Deployment::ProcessCommandLine(line)) << Failures().toStdString();
    ASSERT_EQ(Entries().size(), 1);
    EXPECT_EQ(Entries().first().Attribute("classificationId"), "dtmSpecific");
    EXPECT_EQ(Entries().first().FirstChildElement("fdt:VersionInformation").Attribute("date"), "");
    EXPECT_TRUE(Failures().isEmpty()) << Failures().toStdString();

    // A missing TDX file fails the parse: the device type is unregistered, and
    // the run says both.
    EXPECT_FALSE(Deployment::ProcessCommandLine(QString(line).replace("Trivex.tdx", "Gone.tdx")));
    EXPECT_EQ(Deployment::Failures(),
              (QStringList{"TDX file not found: " + m_hartDir + "Gone.tdx",
                           "The device type was not registered, and the device types of " + m_hartDir
                               + "Trivex.fdt were unregistered"}));
    EXPECT_FALSE(QFile::exists(CataloguePath()));
}

TEST_F(ARegistration, ADescriptionFileThatDoesNotLoadIsNamedWithItsCause)
{
    struct Bad {
        const char* kind;    // "tdx" or "fdt"
        QByteArray content;  // empty: an empty file
        qint64 size;         // > 0: a file of this size
        const char* cause;
    };
    const qint64 oversize = applet::SchemaFiles::kMaxDescriptionBytes + 1;
    const Bad bads[] = {
        {"tdx", "<TdxDescription", 0, "Couldn't find end of Start Tag"},
        {"tdx", "", 0, "Document is empty"},
        {"tdx", "", oversize, "more than the 16777216 a description may have"},
        {"fdt", "<FdtDescription><Parameters>", 0, "Premature end of data"},
        {"fdt", "", 0, "Document is empty"},
        {"fdt", "", oversize, "more than the 16777216 a description may have"},
    };
    for (const Bad& bad : bads) {
        const QString kind = QString::fromLatin1(bad.kind);
        const QString dir = Describe(QStringLiteral("bad"), QStringLiteral("Bad"), {});
        const QString path = dir + QStringLiteral("Bad.") + kind;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bad.content);
        if (bad.size > 0) {
            ASSERT_TRUE(file.resize(bad.size));
        }
        file.close();
        const std::string said = kind.toStdString() + " of " + std::to_string(QFileInfo(path).size()) + " bytes: ";

        EXPECT_FALSE(Deployment::ProcessCommandLine(RegisterLine(dir, QStringLiteral("Bad")))) << said;
        const QStringList failures = Deployment::Failures();
        ASSERT_FALSE(failures.isEmpty()) << said;
        // The first failure names the file and why it did not load.
        const QString first = failures.first();
        EXPECT_TRUE(first.startsWith("The " + kind.toUpper() + " file could not be loaded: " + path + ": ")
                    || first.startsWith("The " + kind.toUpper() + " file could not be loaded: " + path + "("))
            << said << first.toStdString();
        EXPECT_TRUE(first.contains(QLatin1String(bad.cause))) << said << first.toStdString();
    }
}

} // namespace

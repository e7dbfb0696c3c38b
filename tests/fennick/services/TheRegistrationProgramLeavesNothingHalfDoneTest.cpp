// The staged registration program, run as an installer runs it from an
// installation of its own (the program, the FDT schemas and a copy of the
// Trivex HART description in a scratch folder, with its own settings and
// temporary folder): what is not a regular file where it reads a file is
// named and kept, never waited on or replaced; a registration that fails
// enters nothing; an unfinished catalogue of a killed run goes at the next;
// and no run leaves a folder in the temporary folder. Every run ends by a
// deadline, so a program that hangs again fails instead of blocking CI.
#include "platform/applet/SchemaFiles.h"
#include "platform/xml/EmbeddedSchemas.h"
#include "platform/xml/SchemaCache.h"
#include "tests/common/SmallTmpfs.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kRunMs = 120000;

struct Outcome {
    int exitCode = -1;
    QString err;
};

class TheRegistrationProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_scratch.isValid());
        const QString staged = QCoreApplication::applicationDirPath();
        for (const QString& folder : {m_bin, m_schemas, m_desc, m_config, m_tmp})
            ASSERT_TRUE(QDir().mkpath(folder));
        // The program is linked, not copied: it finds its schemas and its
        // catalogue beside the path it was started from.
        if (::link(QFile::encodeName(staged + "/fennick").constData(), QFile::encodeName(m_bin + "/fennick").constData())
            != 0) {
            ASSERT_TRUE(QFile::copy(staged + "/fennick", m_bin + "/fennick"));
        }
        CopyFiles(staged + "/../schemas", m_schemas);
        CopyFiles(staged + "/../../TDXDESC/COM_HART/_0063/_0_0089", m_desc);
    }

    static void CopyFiles(const QString& from, const QString& to)
    {
        const QDir source(from);
        const QStringList files = source.entryList(QDir::Files);
        ASSERT_FALSE(files.isEmpty()) << from.toStdString();
        for (const QString& file : files)
            ASSERT_TRUE(QFile::copy(source.filePath(file), to + '/' + file)) << file.toStdString();
    }

    Outcome Fennick(const QString& function) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_scratch.path());
        environment.insert("XDG_CONFIG_HOME", m_config);
        environment.insert("TMPDIR", m_tmp);
        process.setProcessEnvironment(environment);
        QStringList arguments{"func:" + function, "dscr_dir:" + m_desc + '/', "fdt_file:Trivex.fdt"};
        if (function == "registerdtm")
            arguments << "tdx_file:Trivex.tdx" << "dtminfo_date:2024-05-15" << "fdtclassificationid:1";
        process.start(m_bin + "/fennick", arguments);
        Outcome run;
        if (!process.waitForFinished(kRunMs)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "fennick " << function.toStdString() << " did not end";
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    static void MakeFifo(const QString& path)
    {
        QFile::remove(path);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
    }

    static bool IsFifo(const QString& path)
    {
        struct stat info {};
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
    }

    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The lines of standard error that hold the text.
    static QStringList LinesWith(const QString& err, const QString& text)
    {
        return err.split('\n').filter(text);
    }

    // A registration with a FIFO at the path registers all the same and
    // tells it in one line of standard error.
    void GoesOnAndNamesTheFifoInOneLine(const QString& path) const
    {
        const Outcome run = Fennick("registerdtm");
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(LinesWith(run.err, path + ": is a FIFO").size(), 1) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(IsFifo(path));
    }

    QStringList LeftInTmp() const
    {
        return QDir(m_tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_scratch;
    const QString m_bin = m_scratch.filePath("FDT 1.2/bin");
    const QString m_schemas = m_scratch.filePath("FDT 1.2/schemas");
    const QString m_desc = m_scratch.filePath("TDXDESC/COM_HART/_0063/_0_0089");
    const QString m_config = m_scratch.filePath("config");
    const QString m_tmp = m_scratch.filePath("tmp");
    const QString m_catalogue = m_bin + "/DEVICECATALOGUE.XML";
};

TEST_F(TheRegistrationProgram, NamesAFifoWhereItReadsAFileAndWaitsOnNoneAndReplacesNone)
{
    Outcome run = Fennick("registerdtm");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, "");

    // A schema that another one imports: libxml2 opens it itself. The
    // registration goes on without the schemas and says so in one line.
    for (const QString name : {"FDTDataTypesSchema.xml", "FDTOperationPhaseSchema.xml"}) {
        const QString schema = m_schemas + '/' + name;
        const QByteArray kept = Bytes(schema);
        MakeFifo(schema);
        GoesOnAndNamesTheFifoInOneLine(schema);
        QFile::remove(schema);
        QFile file(schema);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kept);
    }

    // The per-user trace switches: one line, and the registration goes on.
    const QString switches = m_config + "/Trivex/Fennick.ini";
    ASSERT_TRUE(QDir().mkpath(m_config + "/Trivex"));
    MakeFifo(switches);
    GoesOnAndNamesTheFifoInOneLine(switches);
    QFile::remove(switches);

    // The catalogue: neither a registration nor an unregistration replaces it.
    QFile::remove(m_catalogue);
    MakeFifo(m_catalogue);
    for (const QString function : {"registerdtm", "unregisterdtm"}) {
        run = Fennick(function);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_FALSE(LinesWith(run.err, m_catalogue + ": is a FIFO").isEmpty()) << run.err.toStdString();
        EXPECT_TRUE(IsFifo(m_catalogue)) << function.toStdString();
    }
    QFile::remove(m_catalogue);

    // The device's TDX file.
    MakeFifo(m_desc + "/Trivex.tdx");
    run = Fennick("registerdtm");
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("TDX file " + m_desc + "/Trivex.tdx: is a FIFO")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("not found")) << run.err.toStdString();
    EXPECT_TRUE(IsFifo(m_desc + "/Trivex.tdx"));

    EXPECT_EQ(LeftInTmp(), QStringList()) << "no run leaves a folder for its schemas";
}

TEST_F(TheRegistrationProgram, EntersNothingWhenTheCategoryStoreIsFullAndRemovesAnUnfinishedCatalogue)
{
    // A registration killed while it wrote the catalogue left its temporary.
    const QString unfinished = m_bin + "/.DEVICECATALOGUE.XML.Xq3ZpA";
    {
        QFile file(unfinished);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?><FDT");
    }

    SmallTmpfs store(m_config + "/Trivex");
    if (!store.Mounted())
        GTEST_SKIP() << store.Why().toStdString();
    ASSERT_TRUE(store.Fill());
    Outcome run = Fennick("registerdtm");
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Unable to write the category store")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_catalogue)) << "the device type was entered: " << Bytes(m_catalogue).toStdString();
    EXPECT_FALSE(QFileInfo::exists(unfinished));

    // Once the store has room, the same registration enters the device type.
    ASSERT_TRUE(QFile::resize(m_config + "/Trivex/.fill", 0));
    run = Fennick("registerdtm");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(Bytes(m_catalogue).contains("deviceTypeId=\"137\""));
    EXPECT_EQ(QDir(m_bin).entryList(QDir::Files | QDir::Hidden), (QStringList{"DEVICECATALOGUE.XML", "fennick"}));
    EXPECT_EQ(LeftInTmp(), QStringList());
}

// The schemas compiled into a program are read from it: while a cache of
// them lives (the whole run of a program) nothing of theirs is in the
// temporary folder, where a killed program would leave it.
TEST(EmbeddedSchemas, AreReadFromTheProgramWithNoCopyInTheTemporaryFolder)
{
    ASSERT_TRUE(applet::SchemaFiles::Schemas()); // makes the program's schema resources known
    QTemporaryDir tmp;
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    QString error;
    const auto cache = xml::EmbeddedSchemas::Prepare(
        {{":/applet/schemas/TdxDescription.xsd", applet::SchemaFiles::kTdxNamespace},
         {":/applet/schemas/DatasetFile.xsd", applet::SchemaFiles::kDatasetNamespace}},
        error);
    qputenv("TMPDIR", saved);
    ASSERT_TRUE(cache) << error.toStdString();
    EXPECT_EQ(cache->Count(), 2);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

} // namespace

#pragma once
// A registration set-up of its own for each test: catalogue, cross-check
// report, category store and description files in a temporary folder, the
// parsers, the consistency checker, the category manager and the DTM class
// registered, and the FDT schemas loaded so documents can be validated.
#include "fennick/fdt/FennickClasses.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/automation/CategoryRegistry.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/crosscheck/CategoryManager.h"
#include "platform/crosscheck/ConsistencyChecker.h"
#include "platform/crosscheck/CrosscheckClasses.h"
#include "platform/xml/SchemaCache.h"
#include "tests/common/TraceCapture.h"
#include "tests/fennick/services/QStringPrinter.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace registration_test {

inline const QString kSourceHartDir = QStringLiteral(TRIVEX_SOURCE_DIR "/descriptions/TDXDESC/COM_HART/_0063/_0_0089/");
inline const QString kSchemaDir = QStringLiteral(TRIVEX_SOURCE_DIR "/descriptions/schemas");

inline const QString kCatDtm = QStringLiteral("036D1490-387B-11D4-86E1-00E0987270B9");
inline const QString kCatDevice = QStringLiteral("036D1491-387B-11D4-86E1-00E0987270B9");
inline const QString kCatDpv0 = QStringLiteral("036D1497-387B-11D4-86E1-00E0987270B9");
inline const QString kCatHart = QStringLiteral("036D1498-387B-11D4-86E1-00E0987270B9");
inline const QString kCatDpv1 = QStringLiteral("036D1499-387B-11D4-86E1-00E0987270B9");

inline QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

inline void WriteText(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_bin = m_temp.filePath(QStringLiteral("bin"));
        m_report = m_temp.filePath(QStringLiteral("report"));
        QDir().mkpath(m_bin);
        QDir().mkpath(m_report);
        m_store = m_temp.filePath(QStringLiteral("ComponentCategories.ini"));
        Deployment::SetCatalogueFolder(m_bin);
        Deployment::SetReportFolder(m_report);
        applet::RegisterClasses();
        crosscheck::RegisterClasses(m_store);
        fennick::RegisterClasses();
        XMLHelper::LoadSchemaCache(kSchemaDir);
        m_trace = std::make_unique<TraceCapture>();
        m_hartDir = Describe(QStringLiteral("hart"), QStringLiteral("Trivex"), {});
    }

    void TearDown() override
    {
        m_trace.reset();
        Deployment::SetCatalogueFolder(QString());
        Deployment::SetReportFolder(QString());
        Publics::SetProgramFolder(QString());
        XMLHelper::ReleaseSchemaCache();
        // Other tests of the program register stand-ins under these class identifiers.
        auto& registry = automation::ClassRegistry::instance();
        for (const QString& progId : {applet::kAppletHostProgId, applet::kTdxFileParserProgId,
                                      applet::kFdtFileParserProgId, crosscheck::kConsistencyCheckerProgId,
                                      crosscheck::kCategoryManagerProgId, Deployment::kDtmProgId})
            registry.Unregister(progId);
    }

    // A description folder (ending in "/") with copies of the Trivex TDX and
    // FDT files named <name>.tdx and <name>.fdt, the TDX text changed by the
    // replacements.
    QString Describe(const QString& folder, const QString& name,
                     const std::vector<std::pair<QString, QString>>& tdxChanges)
    {
        const QString dir = m_temp.filePath(QStringLiteral("TDXDESC/") + folder) + QLatin1Char('/');
        QString tdx = ReadText(kSourceHartDir + QStringLiteral("Trivex.tdx"));
        for (const auto& [from, to] : tdxChanges) {
            EXPECT_TRUE(tdx.contains(from)) << from.toStdString();
            tdx.replace(from, to);
        }
        WriteText(dir + name + QStringLiteral(".tdx"), tdx);
        WriteText(dir + name + QStringLiteral(".fdt"), ReadText(kSourceHartDir + QStringLiteral("Trivex.fdt")));
        return dir;
    }

    // A second HART device type (device id 0xA6).
    QString DescribeSecondHart()
    {
        return Describe(QStringLiteral("hart2"), QStringLiteral("Other"),
                        {{QStringLiteral("value=\"0x89\""), QStringLiteral("value=\"0xA6\"")},
                         {QStringLiteral("value=\"Trivex HART\""), QStringLiteral("value=\"Other HART\"")}});
    }

    // A PROFIBUS DPV1 device type (device id 0xA7) with its GSD file "TRVX.gsd".
    QString DescribeProfibus()
    {
        const QString dir = Describe(QStringLiteral("dpv1"), QStringLiteral("TrivexPA"),
                                     {{QStringLiteral("value=\"0x89\""), QStringLiteral("value=\"0xA7\"")},
                                      {QStringLiteral("value=\"COM_HART\""), QStringLiteral("value=\"COM_DPV1\"")}});
        WriteText(dir + QStringLiteral("TRVX.gsd"), QStringLiteral("#Profibus_DP\nVendor_Name = \"Korvel\"\n"));
        return dir;
    }

    static QString RegisterLine(const QString& dir, const QString& name, const QString& extra = QString())
    {
        return QStringLiteral("FUNC:REGISTERDTM DSCR_DIR:") + dir + QStringLiteral(" TDX_FILE:") + name
               + QStringLiteral(".tdx FDT_FILE:") + name
               + QStringLiteral(".fdt DTMINFO_DATE:2024-05-15 FDTCLASSIFICATIONID:1") + extra;
    }

    static QString UnregisterLine(const QString& dir, const QString& name)
    {
        return QStringLiteral("FUNC:UNREGISTERDTM DSCR_DIR:") + dir + QStringLiteral(" FDT_FILE:") + name
               + QStringLiteral(".fdt");
    }

    QString CataloguePath() const { return m_bin + QStringLiteral("/DEVICECATALOGUE.XML"); }

    // The catalogue as it is on disk, loaded and checked against the schemas.
    XMLHelper::DocumentPtr Catalogue() const
    {
        auto document = std::make_shared<xml::XmlDocument>();
        document->SetSchemas(XMLHelper::SchemaCache());
        EXPECT_TRUE(document->Load(CataloguePath())) << document->ParseError().reason.toStdString();
        return document;
    }

    xml::XmlNodeList Entries() const
    {
        m_catalogue = Catalogue();
        return m_catalogue->SelectNodes(QStringLiteral("FDT/DtmInfo/DtmDeviceTypes/fdt:DtmDeviceType"));
    }

    // The categories the DTM class is marked with, sorted.
    QStringList Categories() const
    {
        const QString classId = automation::ClassRegistry::instance().ClassIdOf(Deployment::kDtmProgId);
        QStringList categories = automation::CategoryRegistry(m_store).CategoriesOfClass(classId);
        categories.sort();
        return categories;
    }

    static QStringList Sorted(QStringList list)
    {
        list.sort();
        return list;
    }

    const TraceCapture& Trace() const { return *m_trace; }

    QTemporaryDir m_temp;
    QString m_bin;
    QString m_report;
    QString m_store;
    QString m_hartDir;
    mutable XMLHelper::DocumentPtr m_catalogue;
    std::unique_ptr<TraceCapture> m_trace;
};

} // namespace registration_test

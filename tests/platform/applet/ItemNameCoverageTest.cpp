// Every item name the code base uses with the toolkit must exist in the Trivex
// description. The names come from two places: string literals in the source
// of the device and FDT deliverables that carry a private or sub-item marker,
// and the list item_names.txt beside this test, which each issue extends with
// the plain names its Parts use.
#include "AppletTestSupport.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/clsTdxFileParser.h"
#include <QDirIterator>
#include <QRegularExpression>
#include <QTextStream>

using namespace applet;
using namespace applettest;

namespace {

const QString kSourceDir = QStringLiteral(TRIVEX_SOURCE_DIR);

// Folders of the deliverables whose code uses applet items. The platform's own
// code and the tests work with descriptions of their own.
const QStringList kScannedFolders{"fennick",       "pioextensions", "pioitems", "mvtrivexhelper", "corvane",
                                  "dalvex",        "mvtrivexbusywindow",       "lumette",        "merrow"};

// Literals that carry a marker but name no applet item: the FDT side's own
// dataset variables.
const QStringList kNotItems{"&&private_Fennick&&"};

struct Use {
    QString name;
    QString where;
};

// "&&private&&CountryCode=049" assigns an item in an init string: the name is
// the part before "=". A literal ending in "&&" is a marker or a prefix that
// the code completes at run time.
bool ItemNameOfLiteral(const QString& literal, QString& name)
{
    name = literal.section(QLatin1Char('='), 0, 0);
    if (name.endsWith(QLatin1String("&&")))
        return false;
    for (const QString& prefix : kNotItems)
        if (name.startsWith(prefix, Qt::CaseInsensitive))
            return false;
    return true;
}

QList<Use> ScanSources()
{
    static const QRegularExpression literal(
        QStringLiteral("\"(&&(?:private|Sequence_|Record_|ObjectLimit|Menu_State)[^\"\\\\]*)\""));
    QList<Use> uses;
    for (const QString& folder : kScannedFolders) {
        QDirIterator it(kSourceDir + QLatin1Char('/') + folder, {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            int lineNumber = 0;
            QTextStream in(&file);
            while (!in.atEnd()) {
                const QString line = in.readLine();
                ++lineNumber;
                for (auto match = literal.globalMatch(line); match.hasNext();) {
                    QString name;
                    if (ItemNameOfLiteral(match.next().captured(1), name))
                        uses.append({name, QStringLiteral("%1:%2").arg(path.mid(kSourceDir.size() + 1)).arg(lineNumber)});
                }
            }
        }
    }
    return uses;
}

QList<Use> ListedNames()
{
    const QString path = QStringLiteral(TRIVEX_SOURCE_DIR "/tests/platform/applet/item_names.txt");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QList<Use> uses;
    int lineNumber = 0;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNumber;
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            uses.append({line, QStringLiteral("item_names.txt:%1").arg(lineNumber)});
    }
    return uses;
}

TEST(ItemNameCoverageTest, EveryItemNameOfTheCodeBaseIsInTheTrivexDescription)
{
    auto parser = std::make_shared<clsTdxFileParser>();
    QString error;
    int32_t status = -1;
    parser->Load(kTdxKindDevice,
                 QStringLiteral(TRIVEX_SOURCE_DIR "/descriptions/TDXDESC/COM_HART/_0063/_0_0089/Trivex.tdx"), 1, error,
                 status);
    ASSERT_EQ(status, 0) << error.toStdString();
    auto manager = std::make_shared<clsAppletItemManager>(parser->GetDescription(), parser, std::weak_ptr<AppletHost>());

    const QList<Use> listed = ListedNames();
    EXPECT_FALSE(listed.isEmpty());
    QStringList missing;
    for (const Use& use : listed + ScanSources())
        if (manager->HandleOf(use.name) == 0)
            missing << QStringLiteral("%1 (%2)").arg(use.name, use.where);
    EXPECT_TRUE(missing.isEmpty()) << "The Trivex description lacks:\n  " << missing.join("\n  ").toStdString();
}

TEST(ItemNameCoverageTest, LiteralsAreReadAsItemNames)
{
    QString name;
    EXPECT_TRUE(ItemNameOfLiteral("&&private&&CountryCode=049", name));
    EXPECT_EQ(name, "&&private&&CountryCode");
    EXPECT_FALSE(ItemNameOfLiteral("&&Sequence_State&&", name)) << "a marker alone";
    EXPECT_FALSE(ItemNameOfLiteral("&&private_Fennick&&TDXfile", name)) << "a dataset variable";
    EXPECT_TRUE(ItemNameOfLiteral("&&Menu_State&&MdiMain", name));
}

} // namespace

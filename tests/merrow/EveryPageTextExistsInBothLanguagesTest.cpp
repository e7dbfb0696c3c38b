// Every text id that a device page shows (merrow/pages/PageTextIds.txt) is
// found in English and in German by the main window's own text lookup, and the
// list itself names each page once with well-formed English ids.
#include "MerrowTestSupport.h"
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <vector>

using namespace merrowtest;

namespace {

const QString kPageTextIds = QStringLiteral(TRIVEX_SOURCE_DIR "/merrow/pages/PageTextIds.txt");

struct PageTexts {
    QString page;
    std::vector<int> ids;
};

// The pages with their ids; every line that is not blank, not a comment and
// not "page: id id ..." with English ids (1000 to 4999) is reported.
std::vector<PageTexts> ReadPageTextIds(QStringList& faults)
{
    std::vector<PageTexts> pages;
    QFile file(kPageTextIds);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        faults << QStringLiteral("cannot read %1").arg(kPageTextIds);
        return pages;
    }
    static const QRegularExpression line(QStringLiteral("^(\\w+):((?:\\s+\\d+)+)\\s*$"));
    QSet<QString> seen;
    QTextStream in(&file);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString text = in.readLine();
        if (text.trimmed().isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        const auto match = line.match(text);
        if (!match.hasMatch()) {
            faults << QStringLiteral("line %1 is not \"page: id id ...\": %2").arg(number).arg(text);
            continue;
        }
        PageTexts page{match.captured(1), {}};
        if (seen.contains(page.page))
            faults << QStringLiteral("%1 is listed twice").arg(page.page);
        seen.insert(page.page);
        for (const QString& id : match.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int value = id.toInt();
            if (value < 1000 || value > 4999)
                faults << QStringLiteral("%1: %2 is no English text id").arg(page.page, id);
            else
                page.ids.push_back(value);
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

} // namespace

TEST(EveryPageTextExistsInBothLanguages, EachListedIdHasAnEnglishAndAGermanText)
{
    QStringList faults;
    const std::vector<PageTexts> pages = ReadPageTextIds(faults);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
    ASSERT_FALSE(pages.empty());

    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.dialogs.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    ASSERT_NE(applet.Start(), nullptr);
    QStringList firstTexts;
    for (const auto& [countryCode, language] : {std::pair{1, "English"}, std::pair{49, "German"}}) {
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), countryCode);
        // The country code reached the lookup: the language of the first page's texts changed.
        QStringList texts;
        for (const int id : pages.front().ids)
            texts << global::LoadLocalizedText(static_cast<int16_t>(id));
        ASSERT_NE(texts, firstTexts) << language;
        firstTexts = texts;
        for (const PageTexts& page : pages)
            for (const int id : page.ids)
                EXPECT_FALSE(global::LoadLocalizedText(static_cast<int16_t>(id)).trimmed().isEmpty())
                    << page.page.toStdString() << ": no " << language << " text for " << id;
    }
    // The lookup tells a missing text with a message box; none was shown.
    EXPECT_TRUE(applet.dialogs.Requests().empty());
}

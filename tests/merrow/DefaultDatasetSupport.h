#pragma once
// The default-dataset dialog driven as a user would: opened from the main
// window's File New, its lists read and chosen, its buttons pressed while the
// scripted dialog service holds it open; and the staged default-dataset
// databases, read or copied and changed for a test.
#include "MerrowTestSupport.h"
#include "merrow/shell/frmSelectDefaultDataset.h"
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>

namespace defaultstest {

// The description folder the applet runs on, with a separator at the end.
inline QString DescriptionFolder()
{
    return QFileInfo(loopbacktest::StagedTrivexDescription()).absolutePath() + QLatin1Char('/');
}

inline QString StagedDatabase(const QString& file)
{
    return DescriptionFolder() + file;
}

// Runs the statements on a database file (a copy a test may change).
inline void Execute(const QString& path, const QStringList& statements)
{
    const QString connection = QStringLiteral("defaultstest-edit");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(path);
        ASSERT_TRUE(database.open()) << database.lastError().text().toStdString();
        for (const QString& statement : statements) {
            QSqlQuery query(database);
            EXPECT_TRUE(query.exec(statement)) << statement.toStdString() << ": "
                                               << query.lastError().text().toStdString();
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// A copy of a staged database in folder, changed by the statements; the
// applet is pointed at the folder.
inline void UseChangedCopy(merrowtest::MerrowApplet& applet, const QTemporaryDir& folder, const QString& file,
                           const QStringList& statements)
{
    const QString copy = folder.filePath(file);
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(StagedDatabase(file), copy));
    QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    Execute(copy, statements);
    applet.PutText(QStringLiteral("&&private_PM&&TDXPath"), folder.path() + QLatin1Char('/'));
}

inline QListWidget& List(QWidget& page, const char* name)
{
    auto* list = page.findChild<QListWidget*>(QLatin1String(name));
    if (!list)
        throw std::runtime_error(std::string("no list ") + name);
    return *list;
}

inline QStringList Labels(QWidget& page, const char* name)
{
    QStringList labels;
    QListWidget& list = List(page, name);
    for (int i = 0; i < list.count(); ++i)
        labels.append(list.item(i)->text());
    return labels;
}

inline QString Selected(QWidget& page, const char* name)
{
    const QListWidgetItem* item = List(page, name).currentItem();
    return item ? item->text() : QString();
}

// Chooses the entry as a click would; false when the list has no such entry.
inline bool Choose(QWidget& page, const char* name, const QString& label)
{
    QListWidget& list = List(page, name);
    const auto found = list.findItems(label, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    list.setCurrentItem(found.first());
    return true;
}

inline void Press(QWidget& page, const char* button)
{
    page.findChild<QPushButton*>(QLatin1String(button))->click();
}

inline QString Description(QWidget& page)
{
    return page.findChild<QLabel*>(QStringLiteral("lblDeviceDescription"))->text();
}

// Opens the dialog through File New of the main window; act works on the
// page while the dialog is held open. False when no dialog was shown (the
// answer then stays queued).
inline bool RunDialog(merrowtest::MerrowApplet& applet, frmMain& window,
                      const std::function<void(frmSelectDefaultDataset&, QDialog&)>& act)
{
    bool shown = false;
    applet.dialogs.AnswerModal([&](QDialog& dialog) {
        shown = true;
        auto* page = dialog.findChild<frmSelectDefaultDataset*>();
        EXPECT_NE(page, nullptr);
        if (page)
            act(*page, dialog);
        return dialog.result();
    });
    QAction* entry = window.Menu(QStringLiteral("mnuFileNew"));
    EXPECT_TRUE(entry && entry->isEnabled());
    if (entry)
        entry->trigger();
    return shown;
}

} // namespace defaultstest

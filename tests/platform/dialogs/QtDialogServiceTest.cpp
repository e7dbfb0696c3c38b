// The Qt dialogs are built and inspected but never run: exec blocks even on
// the offscreen platform.
#include "platform/dialogs/QtDialogService.h"
#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dialogs;

TEST(QtDialogService, BuildsTheMessageBoxThatWasAskedFor)
{
    MessageBoxRequest request = MessageBoxRequest::FromStyle(3 + 32 + 256 + 4096, "Close", "Terminate Simulation?");
    const auto box = QtDialogService::CreateMessageBox(request);
    EXPECT_EQ(box->windowTitle(), "Close");
    EXPECT_EQ(box->text(), "Terminate Simulation?");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // Closed without a button: the escape answer.
    EXPECT_EQ(QtDialogService::AnswerOf(*box, request.buttons), DialogResult::Cancel);
    box->button(QMessageBox::No)->click();
    EXPECT_EQ(QtDialogService::AnswerOf(*box, request.buttons), DialogResult::No);

    const auto retry = QtDialogService::CreateMessageBox(MessageBoxRequest::FromStyle(2, "HART", "busy"));
    EXPECT_EQ(retry->standardButtons(), QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
    EXPECT_FALSE(retry->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    retry->button(QMessageBox::Ignore)->click();
    EXPECT_EQ(QtDialogService::AnswerOf(*retry, MessageButtons::AbortRetryIgnore), DialogResult::Ignore);
}

TEST(QtDialogService, BuildsFileDialogsWithFolderFilterAndProposedName)
{
    QTemporaryDir folder;
    const auto save = QtDialogService::CreateFileDialog(
        DialogKind::FileSave, FileDialogRequest{"Export Data To...", folder.path(), "XML Files (*.xml) | *.xml",
                                                "FT-101.xml", nullptr});
    EXPECT_EQ(save->windowTitle(), "Export Data To...");
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save->nameFilters(), QStringList({"XML Files (*.xml)"}));
    EXPECT_EQ(save->directory().absolutePath(), QDir(folder.path()).absolutePath());
    ASSERT_EQ(save->selectedFiles().size(), 1);
    EXPECT_TRUE(save->selectedFiles().front().endsWith("/FT-101.xml"));

    const auto open = QtDialogService::CreateFileDialog(DialogKind::FileOpen, FileDialogRequest{"Open", {}, {}, {}, nullptr});
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
}

TEST(QtDialogService, TranslatesPipeFiltersToQtNameFilters)
{
    const struct {
        const char* filter;
        QStringList expected;
    } cases[] = {
        {"", {}},
        {"XML Files (*.xml) | *.xml", {"XML Files (*.xml)"}},
        {"Text|*.txt;*.log|All Files (*.*)|*.*", {"Text (*.txt *.log)", "All Files (*)"}},
        {"Data (old format)|*.dat", {"Data (old format) (*.dat)"}},
        {"|*.csv", {"(*.csv)"}},
        {"Reports|", {"Reports"}},
        {"Images (*.png);;All (*)", {"Images (*.png)", "All (*)"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtDialogService::NameFilters(c.filter), c.expected) << c.filter;
}

#include "platform/dialogs/QtDialogService.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace dialogs;

namespace {
using Kind = DialogKind;

// A small window of the kind later forms will be: a name field and OK/Cancel.
class NameDialog : public QDialog {
public:
    NameDialog()
    {
        setObjectName("NameDialog");
        setWindowTitle("Enter name");
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        layout->addWidget(edit);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(this, &QDialog::finished, this, [this](int result) { finishedWith << result; });
    }
    QLineEdit* edit;
    QDialogButtonBox* buttons;
    QList<int> finishedWith;
};
} // namespace

TEST(ScriptedDialogService, AnswersInOrderAndRecordsWhatTheUserSaw)
{
    ScriptedDialogService script;
    ScopedDialogService scope(script);
    script.AnswerMessage(DialogResult::Yes);
    script.AnswerSaveFile("/tmp/export.xml");
    script.AnswerMessage(DialogResult::Ok);
    script.AnswerOpenFile(QString()); // cancelled

    DialogService& service = DialogService::instance();
    EXPECT_TRUE(service.AskYesNo("Trivex", "Do you want to save changed data ?", MessageIcon::Information));
    FileDialogRequest save{"Export Data To...", "/tmp", "XML Files (*.xml) | *.xml", "export.xml", nullptr};
    EXPECT_EQ(service.ChooseSaveFile(save), "/tmp/export.xml");
    service.Warning("Parallel Shift", "Parallel shift not possible. Range limits exeeded!");
    EXPECT_EQ(service.ChooseOpenFile(FileDialogRequest{"Open", {}, {}, {}, nullptr}), QString());

    EXPECT_TRUE(script.Errors().isEmpty()) << script.Errors().join('\n').toStdString();
    EXPECT_EQ(script.PendingAnswers(), 0);
    const auto& seen = script.Requests();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].kind, Kind::Message);
    EXPECT_EQ(seen[0].title, DialogService::kMessageTitle) << "every message box carries the system's name";
    EXPECT_EQ(seen[0].text, "Do you want to save changed data ?");
    EXPECT_EQ(seen[0].icon, MessageIcon::Information);
    EXPECT_EQ(seen[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(seen[1].kind, Kind::FileSave);
    EXPECT_EQ(seen[1].title, "Export Data To...");
    EXPECT_EQ(seen[1].filter, "XML Files (*.xml) | *.xml");
    EXPECT_EQ(seen[1].defaultName, "export.xml");
    EXPECT_EQ(seen[1].folder, "/tmp");
    EXPECT_EQ(seen[2].icon, MessageIcon::Warning);
    EXPECT_EQ(seen[2].buttons, MessageButtons::Ok);
    EXPECT_EQ(seen[3].kind, Kind::FileOpen);
}

TEST(ScriptedDialogService, UnscriptedOrMismatchedRequestsFailLoudlyAndGetTheCautiousAnswer)
{
    ScriptedDialogService script;
    QStringList failures;
    script.SetFailureHandler([&](const QString& error) { failures << error; });

    // Nothing scripted: every kind of box gets its escape answer.
    EXPECT_EQ(script.ShowMessage(MessageBoxRequest::FromStyle(4, "Q", "yes or no")), DialogResult::No);
    EXPECT_EQ(script.AskYesNoCancel("Close", "Terminate Simulation?"), DialogResult::Cancel);
    EXPECT_FALSE(script.AskOkCancel("Flow Buffer", "Flow buffer is to be deleted! Proceed?"));
    EXPECT_EQ(script.ShowMessageStyle("Applied process too high", 4162, "HART"), 3); // Abort
    EXPECT_EQ(script.ChooseSaveFile(FileDialogRequest{"Save", {}, {}, {}, nullptr}), QString());
    NameDialog dialog;
    EXPECT_EQ(script.ExecModal(dialog), QDialog::Rejected);
    EXPECT_EQ(dialog.finishedWith, QList<int>({QDialog::Rejected}));
    EXPECT_EQ(script.Errors().size(), 6);
    EXPECT_EQ(failures, script.Errors());
    EXPECT_TRUE(failures[1].contains("Terminate Simulation?"));
    EXPECT_TRUE(failures[5].contains("Enter name"));

    // An answer of the wrong kind is used up; a button the box lacks is refused.
    script.AnswerSaveFile("/tmp/wrong.xml");
    script.AnswerMessage(DialogResult::Yes);
    script.AnswerMessage(DialogResult::Ok);
    EXPECT_EQ(script.ShowMessageStyle("first", 1, "T"), 2);  // file answer for a box: Cancel
    EXPECT_EQ(script.ShowMessageStyle("second", 1, "T"), 2); // Yes on OK/Cancel: Cancel
    EXPECT_EQ(script.ShowMessageStyle("third", 1, "T"), 1);  // matched again
    EXPECT_EQ(script.Errors().size(), 8);
    EXPECT_TRUE(script.Errors()[6].contains("file-save choice"));
    EXPECT_TRUE(script.Errors()[7].contains("Yes"));
    EXPECT_EQ(script.Requests().size(), 9u);
}

TEST(ScriptedDialogService, ModalDialogsAreFilledAndEndedAsByAUser)
{
    ScriptedDialogService script;
    script.AnswerModal([](QDialog& dialog) {
        auto& names = static_cast<NameDialog&>(dialog);
        names.edit->setText("FT-101");
        names.buttons->button(QDialogButtonBox::Ok)->click();
        return QDialog::Rejected; // ignored: the dialog ended itself
    });
    script.AnswerModal(5);

    NameDialog first;
    EXPECT_EQ(script.ExecModal(first), QDialog::Accepted);
    EXPECT_EQ(first.edit->text(), "FT-101");
    EXPECT_EQ(first.finishedWith, QList<int>({QDialog::Accepted}));

    NameDialog second;
    EXPECT_EQ(script.ExecModal(second), 5);
    EXPECT_EQ(second.finishedWith, QList<int>({5}));
    EXPECT_EQ(second.result(), 5);

    ASSERT_EQ(script.Requests().size(), 2u);
    EXPECT_EQ(script.Requests()[0].kind, DialogKind::Modal);
    EXPECT_EQ(script.Requests()[0].title, "Enter name");
    EXPECT_EQ(script.Requests()[0].text, "NameDialog");
    EXPECT_TRUE(script.Errors().isEmpty());
}

TEST(DialogService, ClassicStylesDecodeToButtonsIconsDefaultsAndTopMost)
{
    struct Case {
        int style;
        MessageButtons buttons;
        MessageIcon icon;
        int defaultButton;
        bool topMost;
    };
    const Case cases[] = {
        {0, MessageButtons::Ok, MessageIcon::None, 0, false},
        {4160, MessageButtons::Ok, MessageIcon::Information, 0, true},
        {4162, MessageButtons::AbortRetryIgnore, MessageIcon::Information, 0, true},
        {36, MessageButtons::YesNo, MessageIcon::Question, 0, false},
        {3 + 32 + 512, MessageButtons::YesNoCancel, MessageIcon::Question, 2, false},
        {4 + 768, MessageButtons::YesNo, MessageIcon::None, 0, false}, // no fourth button
        {48 + 0x40000, MessageButtons::Ok, MessageIcon::Warning, 0, true},
        {5 + 16 + 0x10000, MessageButtons::RetryCancel, MessageIcon::Critical, 0, true},
        {9 + 0x70, MessageButtons::Ok, MessageIcon::None, 0, false}, // unknown codes
    };
    for (const Case& c : cases) {
        const MessageBoxRequest request = MessageBoxRequest::FromStyle(c.style, "T", "x");
        EXPECT_EQ(request.buttons, c.buttons) << c.style;
        EXPECT_EQ(request.icon, c.icon) << c.style;
        EXPECT_EQ(request.defaultButton, c.defaultButton) << c.style;
        EXPECT_EQ(request.topMost, c.topMost) << c.style;
    }
    ScriptedDialogService script;
    script.AnswerMessage(DialogResult::Retry);
    script.AnswerMessage(DialogResult::Ignore);
    EXPECT_EQ(script.ShowMessageStyle("Applied process too high", 4162, "HART"), 4);
    EXPECT_EQ(script.ShowMessageStyle("Applied process too high", 4162, "HART"), 5);
    EXPECT_TRUE(script.Requests()[0].topMost);
}

TEST(DialogService, InstanceDefaultsToQtAndScopesRestoreIt)
{
    EXPECT_NE(dynamic_cast<QtDialogService*>(&DialogService::instance()), nullptr);
    ScriptedDialogService outer;
    {
        ScopedDialogService outerScope(outer);
        ScriptedDialogService inner;
        {
            ScopedDialogService innerScope(inner);
            EXPECT_EQ(&DialogService::instance(), &inner);
        }
        EXPECT_EQ(&DialogService::instance(), &outer);
    }
    EXPECT_NE(dynamic_cast<QtDialogService*>(&DialogService::instance()), nullptr);
}

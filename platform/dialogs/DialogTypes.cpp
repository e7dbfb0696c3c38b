#include "platform/dialogs/DialogTypes.h"
#include <array>

namespace dialogs {

namespace {

struct ButtonSet {
    MessageButtons buttons;
    int styleCode;
    std::vector<DialogResult> answers;
    DialogResult escapeAnswer;
};

const std::array<ButtonSet, 6>& ButtonSets()
{
    using R = DialogResult;
    static const std::array<ButtonSet, 6> sets{{
        {MessageButtons::Ok, 0, {R::Ok}, R::Ok},
        {MessageButtons::OkCancel, 1, {R::Ok, R::Cancel}, R::Cancel},
        {MessageButtons::AbortRetryIgnore, 2, {R::Abort, R::Retry, R::Ignore}, R::Abort},
        {MessageButtons::YesNoCancel, 3, {R::Yes, R::No, R::Cancel}, R::Cancel},
        {MessageButtons::YesNo, 4, {R::Yes, R::No}, R::No},
        {MessageButtons::RetryCancel, 5, {R::Retry, R::Cancel}, R::Cancel},
    }};
    return sets;
}

const ButtonSet& SetOf(MessageButtons buttons)
{
    for (const ButtonSet& set : ButtonSets())
        if (set.buttons == buttons)
            return set;
    return ButtonSets().front();
}

struct IconCode {
    int styleCode;
    MessageIcon icon;
};

constexpr std::array<IconCode, 4> kIconCodes{{
    {16, MessageIcon::Critical},
    {32, MessageIcon::Question},
    {48, MessageIcon::Warning},
    {64, MessageIcon::Information},
}};

constexpr int kButtonMask = 0x0F;
constexpr int kIconMask = 0xF0;
constexpr int kDefaultButtonMask = 0x300;
constexpr int kDefaultButtonShift = 8;
constexpr int kTopMostFlags = 0x1000 | 0x10000 | 0x40000; // system modal, foreground, top-most

struct AnswerText {
    DialogResult answer;
    const char* name;
};

constexpr std::array<AnswerText, 8> kAnswerNames{{
    {DialogResult::None, "none"},
    {DialogResult::Ok, "OK"},
    {DialogResult::Cancel, "Cancel"},
    {DialogResult::Abort, "Abort"},
    {DialogResult::Retry, "Retry"},
    {DialogResult::Ignore, "Ignore"},
    {DialogResult::Yes, "Yes"},
    {DialogResult::No, "No"},
}};

} // namespace

MessageBoxRequest MessageBoxRequest::FromStyle(int style, const QString& title, const QString& text)
{
    MessageBoxRequest request;
    request.title = title;
    request.text = text;
    for (const ButtonSet& set : ButtonSets())
        if (set.styleCode == (style & kButtonMask))
            request.buttons = set.buttons;
    for (const IconCode& code : kIconCodes)
        if (code.styleCode == (style & kIconMask))
            request.icon = code.icon;
    request.defaultButton = (style & kDefaultButtonMask) >> kDefaultButtonShift;
    if (request.defaultButton >= static_cast<int>(AnswersOf(request.buttons).size()))
        request.defaultButton = 0;
    request.topMost = (style & kTopMostFlags) != 0;
    return request;
}

const std::vector<DialogResult>& AnswersOf(MessageButtons buttons)
{
    return SetOf(buttons).answers;
}

DialogResult EscapeAnswerOf(MessageButtons buttons)
{
    return SetOf(buttons).escapeAnswer;
}

QString KindName(DialogKind kind)
{
    switch (kind) {
    case DialogKind::Message:
        return QStringLiteral("message box");
    case DialogKind::FileSave:
        return QStringLiteral("file-save choice");
    case DialogKind::FileOpen:
        return QStringLiteral("file-open choice");
    case DialogKind::Modal:
        return QStringLiteral("modal dialog");
    }
    return QString();
}

QString AnswerName(DialogResult answer)
{
    for (const AnswerText& entry : kAnswerNames)
        if (entry.answer == answer)
            return QLatin1String(entry.name);
    return QString::number(static_cast<int>(answer));
}

} // namespace dialogs

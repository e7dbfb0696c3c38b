#include "merrow/pages/GroupResetPage.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/PioText.h"
#include "platform/controls/Twips.h"
#include "platform/dialogs/DialogService.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

using namespace pagecontrols;
using controls::Twips::ToPixels;

namespace {

constexpr int kConnected = 2;
constexpr int16_t kResetText = 2094;
constexpr int16_t kResetDoneText = 3878;
constexpr int16_t kResetFailedText = 3879;
constexpr int kFrameLeft = 120;    // twips
constexpr int kFrameSpacing = 1275; // twips from one frame's top to the next one's

QString Indexed(const char* prefix, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(prefix)).arg(index);
}

} // namespace

GroupResetPage::GroupResetPage(const ResetPageDesign& design) : PioPage(QLatin1String(design.form), false, false)
{
    setProperty("Tag", QString::number(design.captionText));
    pioitems::Ambient::SetUserMode(this, false);
    for (int i = 0; i < kGroups; ++i) {
        const ResetGroup& group = design.groups[static_cast<size_t>(i)];
        auto* frame = new QGroupBox(this);
        frame->setObjectName(Indexed("Frame1", i));
        if (group.captionText > 0)
            frame->setProperty("Tag", QString::number(group.captionText));
        auto* grid = new QGridLayout(frame);
        grid->setContentsMargins(6, 2, 6, 2);
        grid->setVerticalSpacing(1);
        const struct {
            const char* field;
            const char* item;
            const char* label;
            int16_t text;
        } rows[2] = {{group.lowField, group.lowItem, "Label2", design.lowLabelText},
                     {group.highField, group.highItem, "Label3", design.highLabelText}};
        for (int r = 0; r < 2; ++r) {
            QLabel* label = TaggedLabel(frame, Indexed(rows[r].label, i), rows[r].text);
            controls::PioText* field = Text(frame, QLatin1String(rows[r].field), QLatin1String(rows[r].item));
            field->SetUpdateInterval(1);
            if (QLineEdit* value = field->ValueField()) {
                value->setReadOnly(true);
                if (design.countersRightAligned)
                    value->setAlignment(Qt::AlignRight);
            }
            grid->addWidget(label, r, 0);
            grid->addWidget(field, r, 1);
            m_labels[static_cast<size_t>(2 * i + r)] = label;
            m_fields[static_cast<size_t>(2 * i + r)] = field;
        }
        auto* button = new QPushButton(QStringLiteral("Reset"), frame);
        button->setObjectName(Indexed("Command1", i));
        button->setProperty("Tag", QString::number(kResetText));
        button->setEnabled(false);
        grid->addWidget(button, 0, 3, 2, 1, Qt::AlignVCenter);
        grid->setColumnStretch(1, 1);
        m_frames[static_cast<size_t>(i)] = frame;
        m_buttons[static_cast<size_t>(i)] = button;
        m_sequences[static_cast<size_t>(i)] =
            SequenceItem(this, Indexed(design.sequenceControl, i), QLatin1String(group.sequence));
        SetFrameTop(i, i * kFrameSpacing);
    }
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    pioitems::Ambient::SetUserMode(this, true);
    setFixedWidth(ToPixels(kFrameWidth + 2 * kFrameLeft));
    SetWindowHeight(kGroups * kFrameSpacing);

    for (int i = 0; i < kGroups; ++i) {
        connect(m_buttons[static_cast<size_t>(i)], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        connect(m_sequences[static_cast<size_t>(i)], &pioitems::PioSequenceItem::StatusChanged, this,
                [this, i](int32_t status) { seqReset_StatusChanged(i, status); });
        connect(m_sequences[static_cast<size_t>(i)], &pioitems::PioSequenceItem::ActionDropped, this, [this, i] {
            if (m_resetting == i)
                EndReset(i, false);
        });
    }
    connect(m_appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
}

controls::PioText* GroupResetPage::Field(int group, int which) const
{
    return m_fields[static_cast<size_t>(2 * group + which)];
}

QLabel* GroupResetPage::Label(int group, int which) const
{
    return m_labels[static_cast<size_t>(2 * group + which)];
}

void GroupResetPage::SetFrameTop(int index, int twips)
{
    m_tops[static_cast<size_t>(index)] = twips;
    m_frames[static_cast<size_t>(index)]->setGeometry(ToPixels(kFrameLeft), ToPixels(twips + kFrameLeft),
                                                      ToPixels(kFrameWidth), ToPixels(kFrameHeight));
}

void GroupResetPage::SetWindowHeight(int twips)
{
    m_height = twips;
    setFixedHeight(ToPixels(twips + kFrameLeft));
}

void GroupResetPage::SetFrameCaption(int index, int16_t textId)
{
    QGroupBox* frame = m_frames[static_cast<size_t>(index)];
    frame->setProperty("Tag", QString::number(textId));
    frame->setTitle(GetTextFromResource(textId));
}

void GroupResetPage::OnFirstActivation()
{
    appConnectionStatus_ValueChanged();
    Arrange();
}

void GroupResetPage::appConnectionStatus_ValueChanged()
{
    const bool connected = std::lround(m_appConnectionStatus->StringValue().trimmed().toDouble()) == kConnected;
    for (QPushButton* button : m_buttons)
        button->setEnabled(connected);
}

void GroupResetPage::Command1_Click(int index)
{
    if (m_resetting >= 0 || !BeforeReset(index))
        return;
    m_resetting = index;
    if (!ForceSequence(*m_sequences[static_cast<size_t>(index)]) && m_resetting == index)
        EndReset(index, false);
}

void GroupResetPage::seqReset_StatusChanged(int index, int32_t sequenceStatus)
{
    switch (sequenceStatus) {
    case 1:
    case 2:
        // Write and read requests alike: a request left unanswered would keep the window disabled.
        m_sequences[static_cast<size_t>(index)]->DoAction(1);
        break;
    case 0:
        if (m_resetting == index)
            EndReset(index, !SequenceFailed(*m_sequences[static_cast<size_t>(index)]));
        break;
    default:
        break;
    }
}

void GroupResetPage::EndReset(int index, bool done)
{
    m_resetting = -1;
    global::SetMainWindowEnabled(true);
    AfterReset(index, done);
    if (done) {
        ShowStatus(kResetDoneText);
        return;
    }
    const QString text = FailureText(kResetFailedText, *m_sequences[static_cast<size_t>(index)]);
    applet::AppletTrace::Error(QStringLiteral("%1: reset of group %2: %3").arg(objectName()).arg(index).arg(text));
    dialogs::DialogService::instance().Warning(windowTitle(), text);
}

#include "merrow/shell/frmBlockmodes.h"
#include "merrow/shell/BlockModes.h"
#include "merrow/shell/clsBlockModeView.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/PioCombo.h"
#include "platform/controls/PioLabel.h"
#include "platform/controls/PioText.h"
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

using blockmodes::kBlocks;

namespace {

QString Id(int16_t textId)
{
    return QString::number(textId);
}

QLabel* TaggedLabel(QWidget* parent, const QString& name, int16_t textId)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setProperty("Tag", Id(textId));
    return label;
}

} // namespace

frmBlockmodes::frmBlockmodes() : PioPage(QStringLiteral("frmBlockmodes"), false, false)
{
    setProperty("Tag", Id(blockmodes::kCaptionText));
    setWindowTitle(QStringLiteral("Block Modes"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tbsBlock"));
    // Every tab shows whole: the window grows to the strip instead of scrolling it.
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setProperty("Tag", Id(blockmodes::kFirstTabText));
    for (const int block : blockmodes::kTabBlocks)
        m_tabs->addTab(BuildTab(block), QString());
    layout->addWidget(m_tabs);
    // Its changes cause nothing visible; it is registered with the page's other item controls.
    m_appMvModeBlkActual = new pioitems::PioAppItem(this);
    m_appMvModeBlkActual->setObjectName(QStringLiteral("appMvModeBlkActual"));
    m_appMvModeBlkActual->SetAppItemName(QStringLiteral("mvModeBlkActual"));
    m_appMvModeBlkActual->hide();
}

frmBlockmodes::~frmBlockmodes()
{
    // A page that ends without unloading still lets go of its view's registration.
    ReleaseView();
}

QGroupBox* frmBlockmodes::BuildGroup(QWidget* parent, int16_t textId)
{
    auto* group = new QGroupBox(parent);
    group->setProperty("Tag", Id(textId));
    return group;
}

QWidget* frmBlockmodes::BuildTab(int block)
{
    const blockmodes::Block& b = kBlocks[static_cast<size_t>(block)];
    auto* tab = new QWidget(m_tabs);
    auto* grid = new QGridLayout(tab);

    QGroupBox* target = BuildGroup(tab, blockmodes::kTargetText);
    auto* targetList = new controls::PioCombo(target);
    targetList->setObjectName(QLatin1String(b.target));
    targetList->SetObjectNameCombo(QLatin1String(b.target));
    (new QVBoxLayout(target))->addWidget(targetList);
    grid->addWidget(target, 0, 0);

    QGroupBox* actual = BuildGroup(tab, blockmodes::kActualText);
    auto* actualLabel = new controls::PioLabel(actual);
    actualLabel->setObjectName(QLatin1String(b.actual));
    actualLabel->SetObjectNameLabel(QLatin1String(b.actual));
    (new QVBoxLayout(actual))->addWidget(actualLabel);
    grid->addWidget(actual, 0, 1);

    int row = 1;
    if (b.outValue) {
        QGroupBox* manual = BuildGroup(tab, blockmodes::kManualValueText);
        auto* manualGrid = new QGridLayout(manual);
        auto* status = new controls::PioCombo(manual);
        status->setObjectName(QLatin1String(b.outStatus));
        status->SetObjectNameCombo(QLatin1String(b.outStatus));
        auto* value = new controls::PioText(manual);
        value->setObjectName(QLatin1String(b.outValue));
        value->SetObjectNameText(QLatin1String(b.outValue));
        manualGrid->addWidget(TaggedLabel(manual, QString(), blockmodes::kStatusText), 0, 0);
        manualGrid->addWidget(status, 0, 1);
        manualGrid->addWidget(TaggedLabel(manual, QString(), blockmodes::kValueText), 1, 0);
        manualGrid->addWidget(value, 1, 1);
        grid->addWidget(manual, row++, 0, 1, 2);
    }
    grid->addWidget(BuildModeFrame(block, true), row, 0);
    grid->addWidget(BuildModeFrame(block, false), row, 1);
    grid->setRowStretch(row + 1, 1);
    return tab;
}

QGroupBox* frmBlockmodes::BuildModeFrame(int block, bool permitted)
{
    const blockmodes::Block& b = kBlocks[static_cast<size_t>(block)];
    const blockmodes::ModeMask& mask = permitted ? b.permitted : b.normal;
    QGroupBox* frame = BuildGroup(nullptr, permitted ? blockmodes::kPermittedText : blockmodes::kNormalText);
    frame->setObjectName(QLatin1String(mask.frame));
    auto* column = new QVBoxLayout(frame);
    // The pair of labels above the boxes: which block and which of its masks.
    const QString labels = QStringLiteral("lbl") + QLatin1String(mask.frameKey);
    int tab = 0;
    while (blockmodes::kTabBlocks[static_cast<size_t>(tab)] != block)
        ++tab;
    column->addWidget(TaggedLabel(frame, labels + QStringLiteral("(0)"),
                                  static_cast<int16_t>(blockmodes::kFirstTabText + tab)));
    column->addWidget(TaggedLabel(frame, labels + QStringLiteral("(1)"),
                                  permitted ? blockmodes::kPermittedText : blockmodes::kNormalText));
    ModeFrame entry;
    entry.frame = frame;
    const QString array = QLatin1String(mask.checkBoxes);
    for (int bit = 0; bit < blockmodes::kModeBits; ++bit) {
        if ((b.bits & (1 << bit)) == 0)
            continue; // the mode is not offered for this block
        auto* box = new QCheckBox(frame);
        box->setObjectName(QStringLiteral("%1(%2)").arg(array).arg(bit));
        box->setProperty("Tag", Id(static_cast<int16_t>(blockmodes::kFirstBitText + bit)));
        // A user's click only: the view's own ticking raises no click here.
        connect(box, &QCheckBox::clicked, this, [this, array, bit] { CheckBox_Click(array, static_cast<int16_t>(bit)); });
        column->addWidget(box);
        entry.boxes[static_cast<size_t>(bit)] = box;
    }
    m_modeFrames.insert(array, entry);
    m_framesByKey.insert(QLatin1String(mask.frameKey), frame);
    return frame;
}

QCheckBox* frmBlockmodes::CheckBox(const QString& checkBoxArray, int index) const
{
    if (index < 0 || index >= blockmodes::kModeBits)
        return nullptr;
    const auto frame = m_modeFrames.constFind(checkBoxArray);
    return frame == m_modeFrames.constEnd() ? nullptr : frame->boxes[static_cast<size_t>(index)];
}

QGroupBox* frmBlockmodes::Frame(const QString& frameName) const
{
    for (const ModeFrame& frame : m_modeFrames)
        if (frame.frame->objectName() == frameName)
            return frame.frame;
    return nullptr;
}

void frmBlockmodes::ShowModeLabels(const QString& frameKey, int flag)
{
    QGroupBox* frame = m_framesByKey.value(frameKey);
    if (!frame)
        return;
    for (QLabel* label : frame->findChildren<QLabel*>()) {
        label->hide();
        if (flag & 1)
            label->show();
    }
}

void frmBlockmodes::CheckBox_Click(const QString& checkBoxArray, int16_t index)
{
    QCheckBox* box = CheckBox(checkBoxArray, index);
    if (!box || !m_view)
        return;
    m_view->WriteModeBit(checkBoxArray, index, box->isChecked() ? 1 : 0);
}

void frmBlockmodes::OnLoad()
{
    if (m_view)
        return;
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    if (!manager) {
        applet::AppletTrace::Error(QStringLiteral("frmBlockmodes: no item manager at load; the mode boxes stay empty"));
        return;
    }
    m_view = std::make_shared<clsBlockModeView>();
    m_view->SetBlockModeForm(this);
    int32_t result = 0;
    manager->RegisterView(m_view, result);
    if (result != 0)
        applet::AppletTrace::Error(QStringLiteral("frmBlockmodes: not every mode item registered (%1)").arg(result));
}

void frmBlockmodes::OnUnload()
{
    ReleaseView();
}

void frmBlockmodes::ReleaseView()
{
    // Notifications must no longer reach a page that has gone.
    if (const auto view = std::exchange(m_view, nullptr))
        view->UnRegisterView();
}

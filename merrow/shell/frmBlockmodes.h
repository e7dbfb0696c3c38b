#pragma once
// The block-mode page of the fieldbus variants: one tab per function block
// with its target mode (a list), its actual mode, for the analog inputs the
// output value and status, and its permitted and normal modes as rows of
// check boxes, one per mode bit. The check boxes are no item controls: the
// page's clsBlockModeView fills them from the mode items and writes the bit a
// user clicks. The view lives from the page's load to its unload.
#include "merrow/shell/PioPage.h"
#include <QHash>
#include <array>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QTabWidget;
class clsBlockModeView;
namespace pioitems {
class PioAppItem;
}

class frmBlockmodes : public PioPage {
    Q_OBJECT
public:
    frmBlockmodes();
    ~frmBlockmodes() override;

    // Element index of a check box array ("chkaiPPermittedMode", ...); null
    // for a bit the block offers no check box for, or an unknown array.
    QCheckBox* CheckBox(const QString& checkBoxArray, int index) const;
    // A mode frame by its name ("fraaiPPermittedMode", ...); null when unknown.
    QGroupBox* Frame(const QString& frameName) const;
    QTabWidget* tbsBlock() const { return m_tabs; }

    // Called by the view: hides every label inside the frame named by its key
    // ("ptrbPermittedMode", "rbNormalMode", ...) and shows them again when
    // flag has the bit of value 1; any other name selects nothing.
    void ShowModeLabels(const QString& frameKey, int flag);

    // The click of every element of the sixteen check box arrays: writes the
    // bit the box now shows through the view.
    void CheckBox_Click(const QString& checkBoxArray, int16_t index);

    std::shared_ptr<clsBlockModeView> BlockModeView() const { return m_view; }

protected:
    void OnLoad() override;
    void OnUnload() override;

private:
    struct ModeFrame {
        QGroupBox* frame = nullptr;
        std::array<QCheckBox*, 8> boxes{};
    };
    QWidget* BuildTab(int block);
    QGroupBox* BuildModeFrame(int block, bool permitted);
    QGroupBox* BuildGroup(QWidget* parent, int16_t textId);
    void ReleaseView();

    QTabWidget* m_tabs = nullptr;
    QHash<QString, ModeFrame> m_modeFrames;         // by check box array name
    QHash<QString, QGroupBox*> m_framesByKey;       // by the name ShowModeLabels takes
    pioitems::PioAppItem* m_appMvModeBlkActual = nullptr;
    std::shared_ptr<clsBlockModeView> m_view;
};

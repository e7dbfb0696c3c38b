#pragma once
// What the max-values and limit-violation pages share: four group frames
// stacked from top to bottom (geometry in twips), each with two live value
// fields and a "Reset" button that runs the group's reset sequence in the
// device. The main window is disabled from the reset request until the
// sequence ends, however it ends; a reset that ends stopped, failed or
// refused by the device is reported, one that ends well confirmed in the
// status bar.
#include "merrow/shell/PioPage.h"
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
namespace controls {
class PioText;
}
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
} // namespace pioitems

// One group: frame caption (0: set by the arrangement), the two fields and
// their items, and the reset sequence.
struct ResetGroup {
    int16_t captionText;
    const char* lowField;
    const char* lowItem;
    const char* highField;
    const char* highItem;
    const char* sequence;
};

struct ResetPageDesign {
    const char* form;
    int16_t captionText;
    const char* sequenceControl; // prefix of the reset sequence controls
    int16_t lowLabelText;
    int16_t highLabelText;
    bool countersRightAligned;
    std::array<ResetGroup, 4> groups;
};

class GroupResetPage : public PioPage {
    Q_OBJECT
public:
    static constexpr int kGroups = 4;
    static constexpr int kFrameHeight = 1215; // twips
    static constexpr int kFrameWidth = 5400;  // twips

    explicit GroupResetPage(const ResetPageDesign& design);

    QPushButton* Command1(int index) const { return m_buttons[static_cast<size_t>(index)]; }
    QGroupBox* Frame(int index) const { return m_frames[static_cast<size_t>(index)]; }
    controls::PioText* Field(int group, int which) const;
    // The arrangement in twips: a frame's top, the window's height.
    int FrameTop(int index) const { return m_tops[static_cast<size_t>(index)]; }
    int WindowHeight() const { return m_height; }

    // Resets group index in the device.
    void Command1_Click(int index);

protected:
    void OnFirstActivation() override;
    // The page's steps before the reset request; false: nothing is requested.
    virtual bool BeforeReset(int) { return true; }
    // The reset of the group ended: done by the device, or not (stopped, failed, refused).
    virtual void AfterReset(int, bool) {}
    // Arranges the frames once the items are registered.
    virtual void Arrange() = 0;

    void SetFrameTop(int index, int twips);
    void SetWindowHeight(int twips);
    void SetFrameCaption(int index, int16_t textId);
    QLabel* Label(int group, int which) const;
    pioitems::PioAppItem* ConnectionStatus() const { return m_appConnectionStatus; }

private:
    void seqReset_StatusChanged(int index, int32_t sequenceStatus);
    void EndReset(int index, bool done);
    void appConnectionStatus_ValueChanged();

    std::array<QGroupBox*, kGroups> m_frames{};
    std::array<QPushButton*, kGroups> m_buttons{};
    std::array<pioitems::PioSequenceItem*, kGroups> m_sequences{};
    std::array<controls::PioText*, 2 * kGroups> m_fields{};
    std::array<QLabel*, 2 * kGroups> m_labels{};
    std::array<int, kGroups> m_tops{};
    int m_height = 0;
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    int m_resetting = -1; // the group whose reset runs
};

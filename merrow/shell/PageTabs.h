#pragma once
// The tabs of a page: a tab strip ("tbsOptions") whose tabs carry a key that
// begins with the number of their frame ("0t", "1t", ...) and the text id of
// their caption, and one frame per tab ("picOptions(n)"). Only the selected
// tab's frame is in view and enabled; the others are out of sight and
// disabled. The strip's help context follows the selected frame's. Until the
// page registers its item controls the strip covers every frame, so no
// control shows a value it has not been given yet.
#include <QString>
#include <QWidget>
#include <cstdint>

class QStackedLayout;
class QTabBar;

class PageTabs : public QWidget {
    Q_OBJECT
public:
    explicit PageTabs(QWidget* page);

    // Adds a tab with its frame (which becomes the frame of the key's number).
    void AddTab(const QString& key, int16_t textId, QWidget* frame, int helpContextId = 0);
    // Removes the tab with the key (its frame stays, out of sight); false when none has it.
    bool RemoveTab(const QString& key);
    // Inserts a tab before the tab at index (appended past the end); its frame must exist.
    bool InsertTab(int index, const QString& key, int16_t textId);
    int IndexOfKey(const QString& key) const;
    QString SelectedKey() const;
    void SelectKey(const QString& key);

    // Ctrl+Tab: the next tab, after the last the first.
    void SelectNext();
    // Puts the selected tab's frame into view, the others out of sight, and
    // takes the frame's help context.
    void tbsOptions_Click();
    // While covered no frame is in view.
    void SetCovered(bool covered);
    bool Covered() const { return m_covered; }

    QTabBar* tbsOptions() const { return m_strip; }
    // The frame of number n; null when there is none.
    QWidget* picOptions(int n) const;
    int HelpContextID() const;

private:
    QTabBar* m_strip = nullptr;
    QStackedLayout* m_frames = nullptr;
    QWidget* m_cover = nullptr;
    QList<QWidget*> m_byNumber;
    bool m_covered = true;
};

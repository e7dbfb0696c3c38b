#pragma once
// The sequence monitor: a view of the applet item manager that lists every
// sequence of the device description in the monitor window and shows, live,
// each sequence's state and progress and the state of the transfer-completed
// item. Started with the communication when the trace switch SequenceMoni is
// on. Always held by a shared_ptr.
#include "platform/applet/View.h"
#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace applet { class clsAppletItemManager; }
class frmSequenceWatch;

class clsSequenceWatch : public applet::View, public std::enable_shared_from_this<clsSequenceWatch> {
public:
    static inline const QString kEntryKind = QStringLiteral("SEQUENCE");
    static inline const QString kStateMarker = QStringLiteral("&&Sequence_State&&");
    static inline const QString kProgressMarker = QStringLiteral("&&Sequence_Progress&&");
    static inline const QString kTransferItem = QStringLiteral("xxxTransferCompletedxxx");

    // The colour a table entry gives a cell.
    enum class Colour { Unchanged, TableBackground, InfoBackground, ButtonFace, Red };
    struct StateText {
        int32_t value;
        const char* text;
        Colour colour;
    };
    // The text and colour of a sequence state; "" and Unchanged for a value not listed.
    static StateText SequenceStateText(int32_t state);
    // The text and colour of a transfer-completed value; "invalid" for others.
    static StateText TransferStateText(int32_t value);

    clsSequenceWatch();
    ~clsSequenceWatch() override;

    // Registers with the item manager of the process's applet host; the
    // manager's answer builds the list and opens the window.
    void StartSequenceWatch();
    void StopSequenceWatch();

    int32_t SequenceCount() const { return static_cast<int32_t>(m_names.size()); }
    const QStringList& SequenceNames() const { return m_names; }
    // The monitor window while it is open.
    frmSequenceWatch* WatchWindow() const;

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 1; }
    void Hide(int32_t& result) override { result = 1; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    void BuildWatchList();
    void ReadSequenceNames();
    void Register(const QString& name, int32_t& handle);
    void ShowState(int index);
    void ShowProgress(int index);
    void ShowTransferStatus();
    QColor ColourOf(Colour colour) const;
    void CloseWindow();

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    QStringList m_names;               // 0-based: row = index + 1
    std::vector<int32_t> m_stateHandles;
    std::vector<int32_t> m_progressHandles;
    int32_t m_transferHandle = -1;
    QPointer<frmSequenceWatch> m_window;
};

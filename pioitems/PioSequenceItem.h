#pragma once
// A control that binds one sequence of the applet to a form: registers the
// sub-items its two switches choose, relays the sequence's status, and
// starts, force-starts or adjusts the sequence or sends it an action code,
// either at once or deferred. A deferred action is a message the control
// posts to itself (SequenceMessageQueue): it runs on a later turn of the
// event loop, in posting order, is tried again while the sequence is busy,
// and is lost when the control ends first. One that fails for good is
// dropped and reported by ActionDropped, so that a page waiting for the
// sequence can give up waiting. While the form is designed the
// control shows "Sequence: " and the sequence name on red.
#include "pioextensions/clsSequenceItem.h"
#include "pioitems/PersistedProperty.h"
#include "pioitems/PioItemControl.h"
#include "pioitems/SequenceMessageQueue.h"
#include <array>

namespace pioitems {

class PioSequenceItem : public PioItemControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("PioItems.PioSequenceItem");

    // The deferred action messages (WM_USER is 1024); wParam carries the
    // action code of DoAction, 0 otherwise.
    static constexpr int32_t WM_USER = 1024;
    static constexpr int32_t kDoActionMessage = WM_USER + 100;
    static constexpr int32_t kStartMessage = WM_USER + 101;
    static constexpr int32_t kForceMessage = WM_USER + 102;
    static constexpr int32_t kAdjustMessage = WM_USER + 103;

    explicit PioSequenceItem(QWidget* parent = nullptr);
    ~PioSequenceItem() override;

    // The sequence's state; 0 when it cannot be read (traced).
    double SequenceState() const;
    // Whether the sequence's last run ended stopped or failed (its control
    // sub-item at Stop) rather than done; false when it cannot be read (traced).
    bool Stopped() const;
    // Registration (PioItemControl) takes the sub-items of the switches.
    // Nothing is pushed.

    // immediate: the sequence item's operation now, its errors reach the
    // caller (SEQUENCE_BUSY, UNKNOWN_SEQUENCE, ...). Otherwise the action is
    // posted and the call returns at once; its failure is traced only. A
    // deferred DoAction of a control that was never registered is not
    // carried out (traced).
    void Adjust(bool immediate = false);
    void DoAction(int32_t action, bool immediate = false);
    void Force(bool immediate = false);
    void Start(bool immediate = false);

    bool RegisterStateItem() const { return m_RegisterStateItem; }
    void SetRegisterStateItem(bool value);
    bool RegisterControlItem() const { return m_RegisterControlItem; }
    void SetRegisterControlItem(bool value);

    // Deferred actions posted and not yet carried out or dropped.
    int PendingActions() const { return m_messages.Count(); }
    // Carries out one action message (the table of the four messages); a
    // message that is none of them does nothing. Errors reach the caller.
    void HandleSequenceMessage(int32_t message, int32_t wParam);

    void ReadProperties(const automation::PropertyBag& bag) override;
    void WriteProperties(automation::PropertyBag& bag) const override;

protected:
    void RegisterItem(const std::shared_ptr<applet::clsAppletItemManager>& manager) override;
    void UnRegisterItem() override;
    void OnRegistered() override { m_hasRegisteredWindow = true; }

signals:
    void StatusChanged(int32_t sequenceStatus);
    // A deferred action failed for good and was dropped: the sequence will
    // not run for it. action is "Start", "Force", "Adjust" or "DoAction".
    void ActionDropped(const QString& action, int32_t number, const QString& description);

private:
    static const std::array<PersistedProperty<PioSequenceItem>, 3> kPersisted;

    void Post(int32_t message, int32_t wParam);

    clsSequenceItem m_item;
    // Set at the first successful registration: deferred DoAction needs it.
    bool m_hasRegisteredWindow = false;
    bool m_RegisterStateItem = true;
    bool m_RegisterControlItem = true;
    SequenceMessageQueue m_messages;
};

} // namespace pioitems

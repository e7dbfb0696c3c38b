#pragma once
// Runs the applet's sequences, one at a time, and their adjust phase.
//
// A started sequence goes to its request state (write 1, read 2). When a view
// has registered its control sub-item, it stays there until that view writes
// an action (SequenceAction: run or stop); otherwise it runs at once. Running,
// it is write or read active (32, 64) while its records run one after another,
// publishes its progress in percent, and ends ready (0). A stopped or failed
// sequence ends with its control sub-item at Stop. A read sequence that nobody
// controls is adjusted at its end (128, then 0), so its values reach the
// dataset; a controlled one is adjusted by whoever controls it (StartAdjust).
// Every step runs on a later turn of the event loop than the call or the
// notification that caused it.
#include "platform/applet/Description.h"
#include "platform/applet/RecordRunner.h"
#include <QString>
#include <memory>

namespace applet {

class AppletItem;
class clsAppletItemManager;
class clsCommClient;
struct IoResponse;

class SequenceRunner {
public:
    SequenceRunner(clsAppletItemManager& manager, clsCommClient& comm, std::shared_ptr<const Description> description);
    ~SequenceRunner();
    SequenceRunner(const SequenceRunner&) = delete;
    SequenceRunner& operator=(const SequenceRunner&) = delete;

    // Result codes of AppletHost::StartSequence and StartAdjust.
    int32_t Start(const QString& name);
    int32_t StartAdjust(const QString& name);
    bool IsBusy() const { return m_phase != Phase::Idle; }
    QString RunningSequence() const;

    // A change of an item the runner may have to act on (control sub-items).
    void OnItemChanged(const AppletItem& item);
    void OnResponse(const IoResponse& response);
    // The connection ends: a sequence that needs the device fails.
    void OnConnectionEnding();
    // Teardown: ends everything without touching items.
    void Shutdown();

private:
    enum class Phase { Idle, Starting, Requesting, Running, Adjusting };

    // Result of a start of the named sequence, which is found when 0.
    int32_t Startable(const QString& name, const DescSequence*& sequence) const;
    void LaterAdjust(const DescSequence* sequence);
    void Begin();
    void Run();
    void NextRecord();
    void OnRecordDone(RecordOutcome outcome);
    void Finish(bool success);
    void Adjust(const DescSequence& sequence);
    void OnControl();
    int32_t Handle(int kind, const QString& owner) const;
    void Set(int32_t handle, qint64 value, bool signedValue = false);
    template <class F>
    void Later(F work);

    clsAppletItemManager& m_manager;
    clsCommClient& m_comm;
    std::shared_ptr<const Description> m_description;
    RecordRunner m_records;
    Phase m_phase = Phase::Idle;
    const DescSequence* m_sequence = nullptr;
    int m_next = 0;
    bool m_autoAdjust = false;
    bool m_stopRequested = false;
    int32_t m_stateHandle = 0;
    int32_t m_controlHandle = 0;
    int32_t m_progressHandle = 0;
    bool m_shutdown = false;
    std::shared_ptr<int> m_token;
    int m_generation = 0;
};

} // namespace applet

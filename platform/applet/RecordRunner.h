#pragma once
// Runs one record of a sequence: builds the request from the dataset values
// of its request layout, sends it through the communication client, and takes
// the response apart into the shadow values of its response layout. It
// publishes the record's state and response octets, and lets a view that
// watches the record's response-control sub-item decide on a failed response
// (RecordAction: repeat, accept, ignore). Work happens on event loop turns;
// the completion callback never runs inside Run.
#include "platform/applet/Description.h"
#include "platform/loop/SingleShotHandle.h"
#include <QByteArray>
#include <functional>
#include <memory>

namespace applet {

class clsAppletItemManager;
class clsCommClient;
struct IoResponse;

enum class RecordOutcome { Done, Failed };

class RecordRunner {
public:
    static constexpr int kResponseTimeoutMs = 10000;
    static constexpr int kRepeatDelayMs = 200;
    // Repeats of one record before the host gives up: after a missing or short
    // answer, and after an answer with an error code (a busy device).
    static constexpr int kMaxRepeatsNoAnswer = 5;
    static constexpr int kMaxRepeatsErrorCode = 100;

    RecordRunner(clsAppletItemManager& manager, clsCommClient& comm);
    ~RecordRunner();
    RecordRunner(const RecordRunner&) = delete;
    RecordRunner& operator=(const RecordRunner&) = delete;

    void Run(const DescRecord& record, std::function<void(RecordOutcome)> done);
    // The request (command, byte count, data) from the dataset values of the
    // record's request layout; false, traced, when a value cannot be sent.
    static bool BuildRequest(const clsAppletItemManager& manager, const DescRecord& record, QByteArray& request);
    // The server answered and the device's answer is no communication error.
    static bool IsValidAnswer(const IoResponse& response);
    bool IsRunning() const { return m_record != nullptr; }
    const DescRecord* Current() const { return m_record; }

    void OnResponse(const IoResponse& response);
    // The response-control sub-item of the running record changed.
    void OnAction();
    int32_t ControlHandle() const { return m_controlHandle; }
    // Ends the running record at once (state Ready, request cancelled), without
    // calling back. Quiet: without touching items (teardown).
    void Stop(bool quiet = false);

private:
    void Send();
    void Fail(int32_t variant);
    void Finish(RecordOutcome outcome);
    void DecodeInto(const QByteArray& data, bool wholeLayout);
    void SetState(int32_t state);
    void SetControl(int32_t value);
    int32_t ControlValue() const;
    template <class F>
    void Later(int delayMs, F work);

    clsAppletItemManager& m_manager;
    clsCommClient& m_comm;
    const DescRecord* m_record = nullptr;
    std::function<void(RecordOutcome)> m_done;
    int32_t m_stateHandle = 0;
    int32_t m_responseHandle = 0;
    int32_t m_controlHandle = 0;
    int32_t m_transaction = -1;
    bool m_waitingForResponse = false;
    bool m_waitingForAction = false;
    int32_t m_failedVariant = 0;
    int m_repeats = 0;
    QByteArray m_lastData;
    bool m_lastAnswered = false;
    loop::SingleShotHandle m_timer;
    std::shared_ptr<int> m_token; // guards posted work against a runner that is gone
    int m_generation = 0;         // posted work of an earlier attempt is dropped
};

} // namespace applet

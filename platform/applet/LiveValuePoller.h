#pragma once
// Live values: the items that views registered with an update interval are
// read from the device cyclically while it is connected and no sequence runs.
//
// - An item is read through the smallest read record of the description that
//   carries it (fewest response bytes; the first one on a tie). A record read
//   for live values is read at most once per the smallest interval of the
//   items it serves, however many items and views ask for it.
// - An update interval counts seconds (kIntervalUnitMs).
// - One read is under way at a time. A read is quiet: it publishes no record
//   state or response sub-item and starts no sequence; it takes the answered
//   values of the live items into their device (shadow) values, and their
//   views hear of a change as of any other. A read that fails is traced and
//   tried again one interval later.
// - Nothing is read while the device is not connected, a sequence runs or a
//   transfer is under way ("currentSequence", where the description has it,
//   names one: it holds the running chain's sequence, also between two of
//   them, and a dataset file being read or written); a record that falls due
//   meanwhile waits one interval. Nothing is read once the last registration
//   with an update interval is gone.
// The timer service drives the reads.
#include "platform/applet/Description.h"
#include "platform/loop/SingleShotHandle.h"
#include <QHash>
#include <QSet>
#include <QtGlobal>
#include <cstdint>
#include <map>
#include <memory>

namespace applet {

class AppletItem;
class SequenceRunner;
class clsAppletItemManager;
class clsCommClient;
struct IoResponse;

class LiveValuePoller {
public:
    static constexpr int kIntervalUnitMs = 1000;

    LiveValuePoller(clsAppletItemManager& manager, clsCommClient& comm, const SequenceRunner& sequences,
                    std::shared_ptr<const Description> description);
    ~LiveValuePoller();
    LiveValuePoller(const LiveValuePoller&) = delete;
    LiveValuePoller& operator=(const LiveValuePoller&) = delete;

    // The registered update intervals changed: the reads due are planned
    // anew (on a later turn of the event loop).
    void Reschedule();
    // A change of the connection item plans anew as well.
    void OnItemChanged(const AppletItem& item);
    // True when the response answers the poller's read (it is then handled).
    bool OnResponse(const IoResponse& response);
    // The connection ends or the host ends: the read under way is dropped.
    void Stop();
    // Teardown: nothing more is read or written.
    void Shutdown();

    // Reads sent since the start (for the benchmark and the trace).
    qint64 ReadsSent() const { return m_readsSent; }

private:
    struct Polled {
        int32_t intervalMs = 0;
        QSet<int32_t> items; // live items the record serves
    };

    void IndexRecords();
    std::map<const DescRecord*, Polled> Plan();
    void OnTimer();
    void Send(const DescRecord& record, const Polled& polled);
    void Take(const DescRecord& record, const QSet<int32_t>& items, const QByteArray& data);
    void EndRead();
    bool DeviceInUse() const;

    clsAppletItemManager& m_manager;
    clsCommClient& m_comm;
    const SequenceRunner& m_sequences;
    std::shared_ptr<const Description> m_description;
    QHash<int32_t, const DescRecord*> m_recordOf; // item handle -> smallest read record
    int32_t m_currentSequenceHandle = 0;          // "currentSequence"; 0 when not described
    QSet<int32_t> m_unreadable;                   // live items no read record carries (traced once)
    std::map<const DescRecord*, qint64> m_lastReadMs;
    loop::SingleShotHandle m_timer;
    loop::SingleShotHandle m_timeout;
    const DescRecord* m_reading = nullptr;
    QSet<int32_t> m_readingItems;
    int32_t m_transaction = -1;
    qint64 m_readsSent = 0;
    bool m_shutdown = false;
    std::shared_ptr<int> m_token; // guards deferred work and handlers that end the host
};

} // namespace applet

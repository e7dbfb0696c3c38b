#pragma once
// Doubles and helpers of the toolkit's tests: a view that records what it is
// told, a scripted communication server, an instance-data store, a small
// device description, and a manual clock with the posted-call queue drained.
#include "platform/applet/AppletTrace.h"
#include "platform/applet/CServerRequestClass.h"
#include "platform/applet/CServerResponseClass.h"
#include "platform/applet/IFbInstanceData.h"
#include "platform/applet/View.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/TdxTestDescription.h"
#include <QFile>
#include <cstring>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace applettest {

// Runs the posted calls until none is left (bounded).
inline void Pump()
{
    for (int i = 0; i < 1000 && loop::PendingPostedCalls() > 0; ++i)
        loop::RunPostedCalls();
}

inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

struct Notification {
    int32_t handle;
    bool shadow;
    int32_t state;
};

class RecordingView : public automation::ComObject, public applet::View {
public:
    void SetAppletItemManagRef(int32_t viewHandle, const std::shared_ptr<applet::clsAppletItemManager>& m,
                               int32_t& result) override
    {
        handle = viewHandle;
        manager = m;
        if (onAttach)
            onAttach(*this);
        result = attachResult;
    }
    void Show(int32_t& result) override
    {
        ++shown;
        result = 0;
    }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override
    {
        ++destroyed;
        if (onDestroy)
            onDestroy(*this);
        manager.reset();
        result = 0;
    }
    void NotifyChanged(int32_t item, bool shadow, int32_t state, int32_t, int32_t& result) override
    {
        notes.push_back({item, shadow, state});
        if (log)
            log->append(QStringLiteral("%1:%2").arg(name).arg(item));
        if (onNotify)
            onNotify(item, state);
        result = 0;
    }

    int32_t Register(const QString& item, bool shadow = false)
    {
        int32_t itemHandle = -1;
        int32_t failed = 0;
        manager->RegisterItem(item, shadow, handle, itemHandle, 0, 0, failed);
        return failed == 0 ? itemHandle : -1;
    }
    // Notifications of one item, without the refreshes.
    std::vector<Notification> ChangesOf(int32_t item) const
    {
        std::vector<Notification> out;
        for (const Notification& n : notes)
            if (n.handle == item && (n.state & 8) == 0)
                out.push_back(n);
        return out;
    }

    QString name;
    QStringList* log = nullptr;
    int32_t handle = 0;
    std::shared_ptr<applet::clsAppletItemManager> manager;
    std::vector<Notification> notes;
    std::function<void(RecordingView&)> onAttach;
    std::function<void(int32_t item, int32_t state)> onNotify;
    std::function<void(RecordingView&)> onDestroy;
    int32_t attachResult = 0;
    int shown = 0;
    int destroyed = 0;
};

// A communication server whose answers a test scripts per HART command.
class ScriptedServer : public automation::ComObject, public applet::CServerRequestClass {
public:
    struct Answer {
        int32_t hResult = 0;
        uint8_t code = 0;
        QByteArray data;
    };
    struct Sent {
        int kind; // 1 read, 2 write, 3 exchange
        int32_t transaction;
        QByteArray request;
    };

    std::shared_ptr<applet::CServerResponseClass> client;
    std::map<int, std::deque<Answer>> script; // by command; the last answer repeats
    bool answerInline = true;                 // answer inside the request call
    bool answerConnect = true;
    int32_t connectHResult = 0;
    int32_t refuseRequests = 0;               // result of every read/write request
    std::vector<Sent> sent;
    std::vector<Sent> held;                   // requests not answered yet
    QStringList calls;
    int32_t nextTransaction = 100;
    std::vector<int32_t> cancelled;

    void Respond(const Sent& request)
    {
        const int command = static_cast<uint8_t>(request.request.at(0));
        struct Answer answer;
        auto it = script.find(command);
        if (it != script.end() && !it->second.empty()) {
            answer = it->second.front();
            if (it->second.size() > 1)
                it->second.pop_front();
        } else {
            answer.code = 64; // not implemented
        }
        QByteArray resp;
        resp.append(static_cast<char>(command));
        resp.append(static_cast<char>(answer.code));
        resp.append('\0');
        int32_t r = 0;
        if (request.kind == 2)
            client->WriteResponse(request.transaction, answer.hResult, 3, resp + answer.data, r);
        else if (request.kind == 3)
            client->DataExchangeResponse(request.transaction, answer.hResult, 3, resp,
                                         static_cast<uint8_t>(answer.data.size()), answer.data, r);
        else
            client->ReadResponse(request.transaction, answer.hResult, 3, resp, static_cast<uint8_t>(answer.data.size()),
                                 answer.data, r);
    }
    void AnswerHeld()
    {
        auto pending = held;
        held.clear();
        for (const Sent& s : pending)
            Respond(s);
    }

    void fncInit(const QString&, const QString&, const QString&, int32_t& result) override { result = 0; }
    void Destroy(std::shared_ptr<CServerRequestClass>& self, int32_t& result) override
    {
        self.reset();
        result = 0;
    }
    void AppItemManager(std::shared_ptr<applet::clsAppletItemManager>& m, int32_t& result) override
    {
        m.reset();
        result = 0;
    }
    void ErrorMessage(uint8_t, const QByteArray&, int32_t, QString& message, int32_t& result) override
    {
        message.clear();
        result = 0;
    }
    void fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>&, int32_t& result) override { result = 1; }
    void ConnectRequest(const QVariant&, const QVariant& address, const QVariantList& deviceInfo, const QVariant&,
                        int32_t& result) override
    {
        calls << QStringLiteral("ConnectRequest");
        lastDeviceInfo = deviceInfo;
        lastAddress = address;
        result = 0;
        if (answerConnect) {
            int32_t r = 0;
            QVariantList info;
            for (int i = 0; i < 12; ++i)
                info << i;
            client->ConnectResponse(QStringLiteral("DEVICE-1"), deviceInfo, info, connectHResult, r);
        }
    }
    void DisConnectRequest(const QVariant&, int32_t& result) override
    {
        calls << QStringLiteral("DisConnectRequest");
        result = 0;
        int32_t r = 0;
        client->DisConnectResponse(r);
    }
    void Abort(const QVariant&, int32_t& result) override
    {
        calls << QStringLiteral("Abort");
        result = 0;
    }
    void Request(int kind, const QByteArray& request, int32_t& transaction, int32_t& result)
    {
        result = refuseRequests;
        if (result != 0)
            return;
        transaction = nextTransaction++;
        Sent s{kind, transaction, request};
        sent.push_back(s);
        if (answerInline)
            Respond(s);
        else
            held.push_back(s);
    }
    void ReadIORequest(const QVariant&, const QByteArray& request, int32_t& tn, int32_t& result) override
    {
        Request(1, request, tn, result);
    }
    void WriteIORequest(const QVariant&, const QByteArray& request, int32_t& tn, int32_t& result) override
    {
        Request(2, request, tn, result);
    }
    void DataExchangeRequest(const QVariant&, const QByteArray& request, int32_t& tn, int32_t& result) override
    {
        Request(3, request, tn, result);
    }
    void Cancel(int32_t tn, int32_t& result) override
    {
        cancelled.push_back(tn);
        result = 0;
    }
    void SearchDeviceRequest(const QVariant&, int32_t& result) override { result = 1; }
    void ChangeSlaveAdressRequest(const QVariant&, const QVariant&, int32_t& result) override { result = 1; }
    void MenuSearchDevice(int32_t& result) override { result = 1; }
    void MenuSetBusAddr(const QVariant&, int32_t& result) override { result = 1; }
    void MenuServerData(int32_t& result) override { result = 1; }
    void MenuStartView(const QString&, int32_t& result) override { result = 1; }
    void MenuConnectSubnet(int32_t& result) override { result = 1; }
    void MenuDisConnectSubnet(int32_t& result) override { result = 1; }
    void MenuLoad(int32_t& result) override { result = 1; }
    void MenuLoadSubnet(int32_t& result) override { result = 1; }
    void MenuSave(int32_t& result) override { result = 1; }
    void MenuSaveSubnet(int32_t& result) override { result = 1; }
    void MenuPrint(int32_t& result) override { result = 1; }
    void MenuPrintSubnet(int32_t& result) override { result = 1; }
    void AddClient(const std::shared_ptr<applet::CServerResponseClass>& c, QVariant& handle, const QVariant&,
                   int32_t& result) override
    {
        calls << QStringLiteral("AddClient");
        client = c;
        handle = 7;
        result = 0;
    }
    void RemoveClient(const QVariant&, int32_t& result) override
    {
        calls << QStringLiteral("RemoveClient");
        client.reset();
        result = 0;
    }
    void MenuOpenNew(int32_t& result) override { result = 1; }
    void MenuSaveAs(int32_t& result) override { result = 1; }

    QVariantList lastDeviceInfo;
    QVariant lastAddress;
};

class StoreDouble : public applet::IFbInstanceData {
public:
    QMap<QString, QString> values;
    int32_t writeResult = 0;
    QString unreadable;    // reading this name fails
    bool throwing = false; // ... by raising instead of a result
    int reads = 0;

    int32_t fncC2VBString(int32_t, QString& text) override
    {
        text.clear();
        return 0;
    }
    int32_t ReadParameter(const QVariant&, const QString&, const QString& name, QVariant& value) override
    {
        ++reads;
        if (name == unreadable) {
            if (throwing)
                throw automation::ComError(automation::E_FAIL_, QStringLiteral("store gone"));
            return automation::E_FAIL_;
        }
        value = values.contains(name) ? QVariant(values.value(name)) : QVariant();
        return 0;
    }
    int32_t WriteParameter(const QVariant&, const QString&, const QString&, const QVariant&) override { return 0; }
    int32_t WriteParameterInfo(const QVariant&, const QString&, const applet::clsParameterInfo& info) override
    {
        if (writeResult != 0)
            return writeResult;
        values[info.Name()] = info.Value().toString();
        return 0;
    }
    int32_t DeleteParameter(const QVariant&, const QString&, const QString&) override { return 0; }
    int32_t OpenInstance(const QVariant&, const QString&, int32_t) override { return 0; }
    int32_t CloseInstance(const QVariant&, const QString&) override { return 0; }
};

// A device description small enough to read in a test.
inline QByteArray TestDescription()
{
    return tdxtest::DeviceDescription("Test device", R"(  <Forms>
    <Form name="MainForm" progId="Test.FormView"/>
  </Forms>
  <Enumerations>
    <Enumeration name="Units" text="Pressure units">
      <Entry value="7" text="bar"/>
      <Entry value="8" text="mbar"/>
      <Entry value="12" text="kPa"/>
    </Enumeration>
  </Enumerations>
  <Objects>
    <Object name="&amp;&amp;private&amp;&amp;connect" type="unsigned" size="8" scope="applet"/>
    <Object name="&amp;&amp;private&amp;&amp;Dirty" type="boolean" scope="applet"/>
    <Object name="&amp;&amp;private&amp;&amp;Message" type="text" scope="applet"/>
    <Object name="&amp;&amp;private_FDT&amp;&amp;ActiveForms" type="unsigned" scope="applet"/>
)" + tdxtest::kAppletHostObjects + R"(    <Object name="Tag" type="packedAscii" size="6" text="Tag"/>
    <Object name="Unit" type="enumerated" size="8" enumeration="Units" default="7"/>
    <Object name="Upper" type="float" default="100"/>
    <Object name="Lower" type="float"/>
    <Object name="Counter" type="unsigned" size="16"/>
    <Object name="Offset" type="int" size="16"/>
    <Object name="Serial" type="unsigned" size="24"/>
    <Object name="Raw" type="octets" size="4"/>
    <Object name="Date" type="hartDate"/>
    <Object name="Flag" type="boolean"/>
  </Objects>
  <Menu>
    <Entry name="Connect" label="&amp;Connect" help="Connects the device" command="CONNECT" number="1"/>
    <Entry name="MainForm" label="Main" command="FNCSTARTFORM MAINFORM" number="2" state="1"/>
  </Menu>
  <Records>
)" + tdxtest::kReadTagRecord + R"(    <Record name="ReadRange" command="15" kind="read">
      <Response>
        <Field item="Unit" encoding="uint8"/>
        <Field item="Upper" encoding="float32"/>
        <Field item="Lower" encoding="float32"/>
      </Response>
    </Record>
    <Record name="WriteRange" command="35" kind="write">
      <Request>
        <Field item="Unit" encoding="uint8"/>
        <Field item="Upper" encoding="float32"/>
        <Field item="Lower" encoding="float32"/>
      </Request>
      <Response>
        <Field item="Unit" encoding="uint8"/>
        <Field item="Upper" encoding="float32"/>
        <Field item="Lower" encoding="float32"/>
      </Response>
    </Record>
  </Records>
  <Sequences>
    <Sequence name="Upload" kind="read">
      <Step record="ReadTag"/>
      <Step record="ReadRange"/>
    </Sequence>
    <Sequence name="Download" kind="write">
      <Step record="WriteRange"/>
    </Sequence>
    <Sequence name="Nothing" kind="read"/>
  </Sequences>
)");
}

// Big-endian bytes of a float.
inline QByteArray FloatBytes(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((bits >> shift) & 0xFF));
    return out;
}

// Collects the toolkit's error traces instead of printing them.
class TraceSilencer {
public:
    TraceSilencer()
    {
        m_previous = applet::AppletTrace::SetSink([this](applet::AppletTrace::Level level, const QString& message) {
            if (level == applet::AppletTrace::Level::Error)
                errors << message;
        });
    }
    ~TraceSilencer() { applet::AppletTrace::SetSink(m_previous); }
    QStringList errors;

private:
    applet::AppletTrace::Sink m_previous;
};

} // namespace applettest

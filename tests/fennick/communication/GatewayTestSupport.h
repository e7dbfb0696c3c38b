#pragma once
// Doubles of the gateway's tests: a scripted communication server, a client
// that records what it hears, and an applet host whose item manager holds the
// three items the gateway's view reads and writes.
#include "tests/common/NullAppletHost.h"
#include "platform/applet/CServerRequestClass.h"
#include "platform/applet/CServerResponseClass.h"
#include "platform/applet/CommunicationLink.h"
#include "platform/applet/Description.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace gatewaytest {

struct Heard {
    QString kind;
    int32_t number = 0;
    int32_t hResult = 0;
    QByteArray respData;
    QByteArray data;
    uint8_t respLen = 0;
    uint8_t dataLen = 0;
    QVariantList info;
    QVariant address;
    int32_t detail = 0;
};

class RecordingClient : public QObject, public applet::CServerResponseClass {
    Q_OBJECT
public:
    void ConnectResponse(const QVariant& AddressInfo, const QVariantList&, const QVariantList& ConnectionInfo,
                         int32_t hResult, int32_t& result) override
    {
        Heard h;
        h.kind = QStringLiteral("connect");
        h.hResult = hResult;
        h.info = ConnectionInfo;
        h.address = AddressInfo;
        Record(h, result);
    }
    void DisConnectResponse(int32_t& result) override
    {
        Heard h;
        h.kind = QStringLiteral("disconnect");
        Record(h, result);
    }
    void DisConnectIndication(int32_t, int32_t, const QVariant&, int32_t detail, int32_t& result) override
    {
        Heard h;
        h.kind = QStringLiteral("indication");
        h.detail = detail;
        Record(h, result);
    }
    void ReadResponse(int32_t number, int32_t hResult, uint8_t respLen, const QByteArray& RespData, uint8_t DataLen,
                      const QByteArray& Data, int32_t& result) override
    {
        Record(Io(QStringLiteral("read"), number, hResult, respLen, RespData, DataLen, Data), result);
    }
    void WriteResponse(int32_t number, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                       int32_t& result) override
    {
        Record(Io(QStringLiteral("write"), number, hResult, respLen, RespData, 0, QByteArray()), result);
    }
    void DataExchangeResponse(int32_t number, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                              uint8_t DataLen, const QByteArray& Data, int32_t& result) override
    {
        Record(Io(QStringLiteral("exchange"), number, hResult, respLen, RespData, DataLen, Data), result);
    }
    void SearchDeviceResponse(int32_t, const QVariant&, const QVariant&, const QVariant&, int32_t& result) override
    {
        result = 0;
    }
    void ChangeSlaveAddressResponse(const QVariant&, const QVariant&, int32_t& result) override
    {
        Heard h;
        h.kind = QStringLiteral("slave");
        Record(h, result);
    }
    void SetAddressInfo(const QVariant&, int32_t& result) override { result = 0; }

    int Count(const QString& kind) const
    {
        int n = 0;
        for (const Heard& h : heard)
            n += h.kind == kind ? 1 : 0;
        return n;
    }
    const Heard* Last(const QString& kind) const
    {
        for (auto it = heard.rbegin(); it != heard.rend(); ++it)
            if (it->kind == kind)
                return &*it;
        return nullptr;
    }

    std::vector<Heard> heard;
    std::function<void(const Heard&)> onHeard;
    // Raised from the next calls (a client that fails).
    int throwCount = 0;
    int32_t throwNumber = 5;

signals:
    void received();

private:
    static Heard Io(const QString& kind, int32_t number, int32_t hResult, uint8_t respLen, const QByteArray& resp,
                    uint8_t dataLen, const QByteArray& data)
    {
        Heard h;
        h.kind = kind;
        h.number = number;
        h.hResult = hResult;
        h.respLen = respLen;
        h.respData = resp;
        h.dataLen = dataLen;
        h.data = data;
        return h;
    }
    void Record(const Heard& h, int32_t& result)
    {
        if (throwCount > 0) {
            --throwCount;
            throw automation::ComError(throwNumber, QStringLiteral("client failed"), QStringLiteral("Client/"));
        }
        heard.push_back(h);
        result = 0;
        if (onHeard)
            onHeard(h);
        emit received();
    }
};

// A communication server whose results the test sets per operation.
class FakeServer : public applet::CServerRequestClass, public applet::CommunicationLink {
public:
    QStringList calls;
    std::vector<QByteArray> requests;
    std::map<QString, int32_t> results;   // per operation; 0 when not set
    int32_t nextNumber = 100;
    int32_t lastNumber = -1;
    std::weak_ptr<applet::CServerResponseClass> client;
    QVariant givenHandle = 7;
    QVariant lastHandle;
    QString putTag;
    QString putAddress;
    int exchanged = 0;
    // Runs inside a request call, after the number is chosen (a server that answers at once).
    std::function<void(const QString& op, int32_t number)> during;
    // Raised from the next calls of that operation.
    QString throwOn;
    int throwCount = 0;
    int32_t throwNumber = 440;

    void fncInit(const QString&, const QString&, const QString&, int32_t& result) override { result = Call("fncInit"); }
    void Destroy(std::shared_ptr<applet::CServerRequestClass>& self, int32_t& result) override
    {
        result = Call("Destroy");
        self.reset();
    }
    void AppItemManager(std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t& result) override
    {
        result = Call("AppItemManager");
        manager = itemManager;
    }
    void ErrorMessage(uint8_t, const QByteArray&, int32_t hResult, QString& Message, int32_t& result) override
    {
        result = Call("ErrorMessage");
        Message = QStringLiteral("text of %1").arg(hResult);
    }
    void fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>&, int32_t& result) override
    {
        result = Call("fncSetDBInstance");
    }
    void ConnectRequest(const QVariant& handle, const QVariant& AddressInfo, const QVariantList&, const QVariant&,
                        int32_t& result) override
    {
        lastHandle = handle;
        connectAddress = AddressInfo;
        result = Call("ConnectRequest");
        if (during)
            during(QStringLiteral("ConnectRequest"), -1);
    }
    void DisConnectRequest(const QVariant& handle, int32_t& result) override
    {
        lastHandle = handle;
        result = Call("DisConnectRequest");
    }
    void Abort(const QVariant& handle, int32_t& result) override
    {
        lastHandle = handle;
        result = Call("Abort");
    }
    void ReadIORequest(const QVariant& handle, const QByteArray& r, int32_t& number, int32_t& result) override
    {
        Io("ReadIORequest", handle, r, number, result);
    }
    void WriteIORequest(const QVariant& handle, const QByteArray& r, int32_t& number, int32_t& result) override
    {
        Io("WriteIORequest", handle, r, number, result);
    }
    void DataExchangeRequest(const QVariant& handle, const QByteArray& r, int32_t& number, int32_t& result) override
    {
        Io("DataExchangeRequest", handle, r, number, result);
    }
    void Cancel(int32_t number, int32_t& result) override
    {
        result = Call("Cancel");
        cancelled.push_back(number);
    }
    void SearchDeviceRequest(const QVariant&, int32_t& result) override { result = Call("SearchDeviceRequest"); }
    void ChangeSlaveAdressRequest(const QVariant&, const QVariant&, int32_t& result) override
    {
        result = Call("ChangeSlaveAdressRequest");
    }
    void MenuSearchDevice(int32_t& result) override { result = Call("MenuSearchDevice"); }
    void MenuSetBusAddr(const QVariant&, int32_t& result) override { result = Call("MenuSetBusAddr"); }
    void MenuServerData(int32_t& result) override { result = Call("MenuServerData"); }
    void MenuStartView(const QString&, int32_t& result) override { result = Call("MenuStartView"); }
    void MenuConnectSubnet(int32_t& result) override { result = Call("MenuConnectSubnet"); }
    void MenuDisConnectSubnet(int32_t& result) override { result = Call("MenuDisConnectSubnet"); }
    void MenuLoad(int32_t& result) override { result = Call("MenuLoad"); }
    void MenuLoadSubnet(int32_t& result) override { result = Call("MenuLoadSubnet"); }
    void MenuSave(int32_t& result) override { result = Call("MenuSave"); }
    void MenuSaveSubnet(int32_t& result) override { result = Call("MenuSaveSubnet"); }
    void MenuPrint(int32_t& result) override { result = Call("MenuPrint"); }
    void MenuPrintSubnet(int32_t& result) override { result = Call("MenuPrintSubnet"); }
    void AddClient(const std::shared_ptr<applet::CServerResponseClass>& c, QVariant& handle, const QVariant&,
                   int32_t& result) override
    {
        result = Call("AddClient");
        client = c;
        handle = givenHandle;
    }
    void RemoveClient(const QVariant& handle, int32_t& result) override
    {
        lastHandle = handle;
        result = Call("RemoveClient");
    }
    void MenuOpenNew(int32_t& result) override { result = Call("MenuOpenNew"); }
    void MenuSaveAs(int32_t& result) override { result = Call("MenuSaveAs"); }

    void SetCommunication(const std::shared_ptr<automation::ComObject>&, int32_t& result) override { result = 0; }
    void SetXmlSchemaPath(const QString&) override {}
    void PutDeviceTagAddress(const QString& tag, const QString& address) override
    {
        Call("PutDeviceTagAddress");
        putTag = tag;
        putAddress = address;
    }
    void ExchangeDeviceTagAddress(QString& tag, QString& address) override
    {
        Call("ExchangeDeviceTagAddress");
        ++exchanged;
        putTag = tag;
        putAddress = address;
    }

    int Count(const QString& op) const { return static_cast<int>(calls.count(op)); }

    QVariant connectAddress;
    std::vector<int32_t> cancelled;
    std::shared_ptr<applet::clsAppletItemManager> itemManager;

private:
    int32_t Call(const char* op)
    {
        const QString name = QString::fromLatin1(op);
        calls << name;
        if (throwOn == name && throwCount > 0) {
            --throwCount;
            throw automation::ComError(throwNumber, QStringLiteral("server failed"), QStringLiteral("Server/"));
        }
        auto it = results.find(name);
        return it == results.end() ? 0 : it->second;
    }
    void Io(const char* op, const QVariant& handle, const QByteArray& request, int32_t& number, int32_t& result)
    {
        lastHandle = handle;
        requests.push_back(request);
        result = Call(op);
        number = result == 0 ? nextNumber++ : -1;
        lastNumber = number;
        if (during && result == 0)
            during(QString::fromLatin1(op), number);
    }
};

// An applet host with just an item manager and the server it was given.
class FakeHost : public NullAppletHost {
public:
    FakeHost()
    {
        auto description = std::make_shared<applet::Description>();
        for (const char* name : {"&&private_PM&&Address", "&&private_PM&&Descriptor", "&&private_PM&&TagName"}) {
            applet::DescObject object;
            object.name = QString::fromLatin1(name);
            object.type = applet::ItemType::Text;
            object.size = 32;
            object.scope = applet::ObjectScope::Applet;
            description->objects << object;
        }
        description->Index();
        manager = std::make_shared<applet::clsAppletItemManager>(description, nullptr, std::weak_ptr<applet::AppletHost>());
    }

    void fncSetCServer(const std::shared_ptr<applet::CServerRequestClass>& s, int32_t& code) override
    {
        serverGiven.push_back(s != nullptr);
        server = s;
        code = s ? setCode : 0;
    }

    // Writes an item as text, as the data manager would.
    void Put(const QString& name, const QString& value)
    {
        int32_t failed = 0;
        manager->PutValueAsText(manager->HandleOf(name), value, failed);
    }
    QString Get(const QString& name) const
    {
        QString value;
        int32_t failed = 0;
        manager->GetValueAsText(manager->HandleOf(name), value, false, failed);
        return value;
    }

    std::shared_ptr<applet::CServerRequestClass> server;
    std::vector<bool> serverGiven;
    int32_t setCode = 1;
};

} // namespace gatewaytest

#pragma once
// An applet host that hands out its item manager and answers every other
// operation with success, doing nothing. Test doubles derive from it and
// override what they watch.
#include "platform/applet/AppletHost.h"
#include "platform/applet/clsAppletItemManager.h"
#include <memory>

class NullAppletHost : public applet::AppletHost {
public:
    void fncInit(const QString&, const QString&, const QString&, int32_t& code) override { code = 0; }
    void GetItemManager(std::shared_ptr<applet::clsAppletItemManager>& m) override { m = manager; }
    void Connect(int32_t, int32_t& result) override { result = 0; }
    void Disconnect(int32_t, int32_t& result) override { result = 0; }
    void LoadFromDatabase(int32_t, int32_t& result) override { result = 0; }
    void SaveToDatabase(int32_t, int32_t& result) override { result = 0; }
    void StartView(const QString&, int32_t& result) override { result = 0; }
    void DestroyApplet(std::shared_ptr<applet::AppletHost>& host, int32_t& result) override
    {
        host.reset();
        result = 0;
    }
    // 0: the server is not taken.
    void fncSetCServer(const std::shared_ptr<applet::CServerRequestClass>&, int32_t& code) override { code = 0; }
    void fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>&, int32_t& code) override { code = 0; }
    void StartSequence(const QString&, int32_t& result) override { result = 0; }
    void ForceSequence(const QString&, int32_t& result) override { result = 0; }
    void StartSingleView(const QString&, int32_t& result) override { result = 0; }
    void fncCloseForm(const QString&, int32_t& result) override { result = 0; }
    void StartAdjust(const QString&, int32_t& result) override { result = 0; }
    void LoadDataset(int32_t& result) override { result = 0; }
    void SaveDatasetAs(int32_t& result) override { result = 0; }
    void LoadFromDevice(int32_t, int32_t& result) override { result = 0; }

    std::shared_ptr<applet::clsAppletItemManager> manager;
};

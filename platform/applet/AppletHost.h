#pragma once
// The applet host: runs a device description's applet, holds its item
// manager, connects through a communication server, runs sequences and
// records, keeps its values in the instance-data store and starts views.
// Members in slot order; each reports through its trailing out-parameter,
// 0 meaning success (AppletResults.h for the other codes).
#include <QString>
#include <cstdint>
#include <memory>

namespace applet {

class clsAppletItemManager;
class CServerRequestClass;
class IFbInstanceData;

inline const QString kAppletHostProgId = QStringLiteral("PioApplet.AppletHost");
inline const QString kAppletHostClassId = QStringLiteral("{6C1E2A42-7B31-4D0E-9A55-1F2D3C4B5A60}");

class AppletHost {
public:
    virtual ~AppletHost() = default;

    // Loads the device description and starts the applet. parameterFile is
    // not used; initString holds "name=value" assignments of items separated
    // by ';' ("&&private&&CountryCode=049").
    virtual void fncInit(const QString& tdxPath, const QString& parameterFile, const QString& initString,
                         int32_t& code) = 0;
    virtual void GetItemManager(std::shared_ptr<clsAppletItemManager>& manager) = 0;
    // "&&private&&connect" then goes 0 -> 1 -> 2, or back to 0 when the connect fails.
    virtual void Connect(int32_t reserved, int32_t& result) = 0;
    // "&&private&&connect" goes 3, then 0.
    virtual void Disconnect(int32_t reserved, int32_t& result) = 0;
    // Refused as a whole (kResultValueRefused, nothing taken) when a stored
    // value does not fit its item; Refusal() then names the item and why.
    virtual void LoadFromDatabase(int32_t reserved, int32_t& result) = 0;
    // Why the last load of stored values was refused; empty when it was not.
    virtual QString Refusal() const { return QString(); }
    virtual void SaveToDatabase(int32_t reserved, int32_t& result) = 0;
    // Whether the applet holds values that differ from the instance data. A
    // change mark set by values that have since come back to what is stored
    // is cleared; a store that cannot be read counts as changes held.
    virtual bool HoldsChanges() { return true; }
    // Creates the view of the ProgID, registers it (the view gets the manager)
    // and shows it; returns after the view has done its work.
    virtual void StartView(const QString& progId, int32_t& result) = 0;
    // Ends every view and the connection; host is cleared.
    virtual void DestroyApplet(std::shared_ptr<AppletHost>& host, int32_t& result) = 0;
    // code: 1 = the server was taken (none: the host stopped using its
    // server); 0 or E_FAIL (0x80004005) = refused.
    virtual void fncSetCServer(const std::shared_ptr<CServerRequestClass>& server, int32_t& code) = 0;
    virtual void fncSetDBInstance(const std::shared_ptr<IFbInstanceData>& store, int32_t& code) = 0;
    // 0 started; 0x804A0001 busy (another sequence or adjust runs); other: refused.
    virtual void StartSequence(const QString& sequenceName, int32_t& result) = 0;
    virtual void ForceSequence(const QString& sequenceName, int32_t& result) = 0;
    // A form of the description (or a ProgID); when the view closes, the host
    // writes "FNCCLOSEFORM:" + formName into "&&private&&Message".
    virtual void StartSingleView(const QString& formName, int32_t& result) = 0;
    virtual void fncCloseForm(const QString& formName, int32_t& result) = 0;
    // Copies the values a sequence read from the device into the dataset.
    virtual void StartAdjust(const QString& sequenceName, int32_t& result) = 0;
    // Reads or writes a dataset file chosen through the dialog service;
    // returns when the load or save is complete.
    virtual void LoadDataset(int32_t& result) = 0;
    virtual void SaveDatasetAs(int32_t& result) = 0;
    // Starts the upload of the whole dataset (the sequence "Upload").
    virtual void LoadFromDevice(int32_t reserved, int32_t& result) = 0;
};

} // namespace applet

#pragma once
// The status and diagnosis page: seven pictures marking the main diagnosis
// bits of "Diagnosis" as fault or good, and the messages of every set bit of
// the extended diagnosis "DiagnosisExtension". Each activation and the
// self-test button read the diagnosis again through "GetDiagnosis". The page
// shows only what was read from the device: until a read succeeds, the
// pictures and the list stay empty.
#include "merrow/shell/PioPage.h"
#include <QByteArray>
#include <array>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
} // namespace pioitems

class frmStatus : public PioPage {
    Q_OBJECT
public:
    frmStatus();

    // This page's controls are refreshed by its own reads only.
    void UpdatePioControls() override {}

    // True when the octet with index octet exists and has the bit of value 2^bit set.
    static bool BitSet(const QByteArray& octets, int octet, int bit);

    // The picture shown for status picture n: true the fault mark, false the
    // good mark, none while the page has shown nothing yet.
    std::optional<bool> PictureFault(int n) const;
    QListWidget* List1() const { return m_list; }
    QPushButton* cmdSelftest() const { return m_selftest; }
    // The text ids of the messages the list holds, in its order.
    QList<int> MessageIds() const;

    void cmdSelftest_Click();

protected:
    void OnActivate() override;

private:
    void appDiagnosis_ValueChanged();
    void appDiagnosisExtension_ValueChanged();
    void appConnectionStatus_ValueChanged();
    void seqGetDiagnosis_StatusChanged(int32_t sequenceStatus);
    // A deferred action of the diagnosis read failed for good.
    void seqGetDiagnosis_ActionDropped();
    void ShowPicture(int n, bool fault);
    // A notification of a diagnosis item with its state word.
    void Announced(int32_t itemState);
    // Shows the diagnosis the items hold, which was read from the device.
    void ShowRead();

    std::array<QLabel*, 7> m_pictures{};
    std::array<std::optional<bool>, 7> m_shown{};
    QListWidget* m_list = nullptr;
    QPushButton* m_selftest = nullptr;
    pioitems::PioAppItem* m_appDiagnosis = nullptr;
    pioitems::PioAppItem* m_appDiagnosisExtension = nullptr;
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioSequenceItem* m_seqGetDiagnosis = nullptr;
    // The self-test the user asked for: 0 none, 1 requested, 2 running.
    int m_selftestStep = 0;
    QByteArray m_diagnosis;
    QByteArray m_extension;
    // A read of the diagnosis is running; what it read is shown.
    bool m_reading = false;
    bool m_shownRead = false;
};

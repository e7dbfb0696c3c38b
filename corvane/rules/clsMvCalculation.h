#pragma once
// The flow-coefficient calculation of the multivariable block. When
// "calculateMV" turns to 1 (before every download, or from the flow page's
// calculate button) it gathers the flow configuration from the items, brings
// every physical value into the engine's base unit, has the flow calculation
// engine compute the coefficients and writes them back in the units the user
// chose.
//
// Writers of "calculateMV" read "abortSequences" when their write returns: a
// calculation that failed anywhere (gathering, engine, write-back) has asked
// for the abort by then, and the items keep the coefficients they held before.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "platform/flowcalc/MvCalculationInput.h"
#include "platform/flowcalc/MvCalculationOutput.h"
#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace applet {
class clsAppletItemManager;
}
class clsChangeUnitValue;
class clsDeviceInfo;

class clsMvCalculation : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static inline const QString kCalculateMv = QStringLiteral("calculateMV");
    // The engine's message box texts.
    static constexpr int32_t kTextCalculationError = 1216;
    static constexpr int32_t kTextErrorCaption = 1217;
    static constexpr int32_t kTextWarning = 2008;

    clsMvCalculation();
    ~clsMvCalculation() override;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;

    // One calculation. True when the coefficients were written back; false
    // after a failure, which has been traced, shown (under the message-box
    // rule) and answered with an abort request, the items left as they were.
    bool CalculateCoeff();

    bool Registered() const { return m_registered; }

public slots:
    void appCalculateMv_ValueChanged(const QString& value);

private:
    // One output value on its way back: the item and its text, or (for the
    // shown density) a text computed from what an earlier write left.
    struct WriteBack {
        std::shared_ptr<clsAppItem> item;
        QString text;
        std::function<QString()> textAfterEarlierWrites;
    };

    void BindItems();
    clsAppItemCollection& Collection(int number) { return m_items[static_cast<size_t>(number - 1)]; }
    std::shared_ptr<clsAppItem> Single(const QString& name) const;

    double Revision();
    double Converted(const std::shared_ptr<clsAppItem>& valueItem, const QString& unitItem, const char* baseUnit);
    double ToUnitOf(double value, const char* baseUnit, const QString& unitItem);
    double ConvertChecked(double value, int32_t from, int32_t to, const QString& what);
    int32_t UnitCodeOf(const QString& unitItem);
    int32_t BaseUnitCode(const char* baseUnit);

    void Gather(flowcalc::MvCalculationInput& input, QString& softwareRevision);
    std::vector<WriteBack> PrepareWriteBack(const flowcalc::MvCalculationOutput& output);
    void WriteAll(const std::vector<WriteBack>& writes);
    int16_t Language();
    void ShowBox(int32_t captionId, const QString& prompt);
    void Fail(const QString& reason);
    // reason with the value of each input named with its number in the
    // calculation's base unit given as the user entered it, with its unit.
    QString InUsersUnits(const QString& reason);

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::weak_ptr<IViewEx> m_view;
    std::shared_ptr<clsChangeUnitValue> m_unitConverter;
    std::shared_ptr<clsDeviceInfo> m_deviceInfo;
    std::array<clsAppItemCollection, 10> m_items;
    std::shared_ptr<clsAppItem> m_appCalculateMv;
    bool m_registered = false;
};

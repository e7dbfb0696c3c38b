#pragma once
// The running-sequence register and the abort fan-out. It keeps
// "currentSequence" equal to the name of the sequence that runs (every
// sequence of the description is watched), and when "abortSequences" turns to
// 1 it tells the components with work of their own to stop, stops the
// running sequence and the running record, and has the dataset re-checked.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include <QObject>

class clsStartAlwaysView;

class clsCurrSeqMgr : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static inline const QString kCurrentSequence = QStringLiteral("currentSequence");
    static inline const QString kCurrentRecord = QStringLiteral("currentRecord");
    static inline const QString kStatusCallback = QStringLiteral("SequenceItem_StatusChanged");

    clsCurrSeqMgr();
    ~clsCurrSeqMgr() override;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    // Clears "currentSequence", whatever it names.
    void HandleUploadCompleted() override;

    bool Registered() const { return m_registered; }
    const QString& LastSequenceName() const { return m_LastSequenceName; }
    // The sequences watched, in the description's order.
    const clsSeqItemCollection& Sequences() const { return m_sequences; }

public slots:
    // Called by name by every watched sequence when its state changes.
    void sequenceItem_StatusChanged(const QString& sequenceItemName, int sequenceStatus);
    // The abort fan-out; acts only on "abortSequences" reading 1.
    void m_AbortSequences_ValueChanged(const QString& appItemValue);

private:
    void BindAllSequences();
    void AbortRunningSequence();
    void AbortRunningRecord();
    void AbortComponents(const std::vector<QString>& keys);

    std::weak_ptr<clsStartAlwaysView> m_view;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    clsAppItemCollection m_items;
    clsSeqItemCollection m_sequences;
    std::shared_ptr<clsAppItem> m_AbortSequences;
    QString m_LastSequenceName;
    bool m_registered = false;
};

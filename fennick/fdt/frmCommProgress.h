#pragma once
// The progress window of a communication sequence: a gauge in a frame. Its
// user sets the gauge; while no real progress is known, the user enables the
// display timer and the gauge runs round endlessly (one step each 100 ms,
// from the upper bound back to the lower).
#include <QWidget>
#include <memory>

class QGroupBox;
class QProgressBar;
namespace loop { class Timer; }

class frmCommProgress : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDisplayProgressIntervalMs = 100;
    static constexpr int kGaugeLower = 0;
    static constexpr int kGaugeUpper = 100;

    explicit frmCommProgress(QWidget* parent = nullptr);
    ~frmCommProgress() override;

    QGroupBox* fraCommProgress() const { return m_frame; }
    QProgressBar* gagCommProgress() const { return m_gauge; }
    // The gauge's caption, shown on the bar ("" shows none).
    void SetGaugeCaption(const QString& caption);
    QString GaugeCaption() const;
    // Disabled at creation.
    loop::Timer& TimerDisplayProgress() const { return *m_timer; }

private:
    void TimerDisplayProgress_Timer();

    QGroupBox* m_frame;
    QProgressBar* m_gauge;
    std::unique_ptr<loop::Timer> m_timer;
};

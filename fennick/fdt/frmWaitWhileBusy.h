#pragma once
// The wait window while a sequence cannot start because the applet is busy:
// it counts seconds on a gauge, offers Abort after 30 seconds and reports a
// time-out after 1200 seconds or Abort. It never closes itself; its user polls
// Timeout and unloads it.
#include <QWidget>
#include <cstdint>
#include <memory>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
namespace loop { class Timer; }

class frmWaitWhileBusy : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBusyTimeoutIntervalMs = 1000;
    // Abort is offered once the counter is above this.
    static constexpr int16_t kAbortAfterTicks = 30;
    // Timeout turns true once the counter is above this.
    static constexpr int16_t kTimeoutAfterTicks = 1200;
    // The gauge's value runs 0 to 59, the counter modulo 60.
    static constexpr int kGaugeModulo = 60;

    explicit frmWaitWhileBusy(QWidget* parent = nullptr);
    ~frmWaitWhileBusy() override;

    // True after Abort or after the time-out.
    bool Timeout() const { return m_timeout; }
    int16_t TickCounter() const { return m_counter; }

    QGroupBox* fraCommProgress() const { return m_frame; }
    QProgressBar* Mh3dGauge1() const { return m_gauge; }
    QLabel* lblDTMStatus() const { return m_status; }
    QPushButton* cmdCommAbort() const { return m_abort; }
    QString GaugeCaption() const;
    loop::Timer& BusyTimeout() const { return *m_timer; }

protected:
    // The window's user unloads it; closing it by the window's frame does not.
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void BusyTimeout_Timer();
    void cmdCommAbort_Click();

    QGroupBox* m_frame;
    QProgressBar* m_gauge;
    QLabel* m_status;
    QPushButton* m_abort;
    std::unique_ptr<loop::Timer> m_timer;
    int16_t m_counter = 0;
    bool m_timeout = false;
};

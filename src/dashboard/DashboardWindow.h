#pragma once

#include <QWidget>

namespace brivet {

class AppState;
class Scheduler;

// The dashboard's top-level window ("悬笺控制台"): an ordinary window while
// it is open, hidden at launch; closing it only hides it, the app goes on
// in the tray. Its pages (DashboardView) are built the first time it is
// shown, so a launch that never opens it never pays for them; closing it
// drops an open editor's draft without writing it.
class DashboardWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize minimumContentSize { 920, 640 };
    static constexpr QSize defaultContentSize { 1080, 720 };

    explicit DashboardWindow(AppState& state, Scheduler& scheduler, QWidget* parent = nullptr);
    ~DashboardWindow() override;

    // Shows the window (restored when minimised), raises it and gives it
    // the focus.
    void present();
    // Replaces the current content, which the window then owns; without
    // one, the first show builds the dashboard pages.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    AppState& state() const { return m_state; }
    Scheduler& scheduler() const { return m_scheduler; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    AppState& m_state;
    Scheduler& m_scheduler;
    QWidget* m_content = nullptr;
};

} // namespace brivet

#pragma once

#include <QWidget>

namespace brivet {

class AppState;
class Scheduler;

// The dashboard's top-level window ("悬笺控制台"): an ordinary window while
// it is open, hidden at launch; closing it only hides it, the app goes on
// in the tray. Its content is set by whoever builds the dashboard pages.
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
    // Replaces the current content (at first a placeholder), which the
    // window then owns.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    AppState& state() const { return m_state; }
    Scheduler& scheduler() const { return m_scheduler; }

private:
    AppState& m_state;
    Scheduler& m_scheduler;
    QWidget* m_content = nullptr;
};

} // namespace brivet

#include "DashboardFixture.h"

#include <QVBoxLayout>

namespace brivet::testing {

DashboardTest::DashboardTest()
{
    // Only the boards a test makes exist.
    fixture.preferencesStore.fallback.autoGenerateFocusBoard = false;
    fixture.syncService = &sync;
}

DashboardTest::~DashboardTest()
{
    m_window.reset();
    settle();
    fixture.destroyState();
}

StickyNote DashboardTest::makeNote(std::string title, std::optional<Instant> due)
{
    StickyNote note = StateFixture::makeNote(std::move(title), due);
    note.isHidden = true;
    return note;
}

StickyNote DashboardTest::makeBoard(std::string title, NoteSurfaceRole role)
{
    StickyNote board = makeNote(std::move(title));
    board.surfaceRole = role;
    board.category = "桌面执行层";
    board.group = "场景板";
    return board;
}

AppState& DashboardTest::launch(std::vector<StickyNote> notes)
{
    fixture.store(notes);
    AppState& state = fixture.launch();
    for (const StickyNote& note : notes)
        if (!note.isHidden)
            state.reveal(note.id, SurfacePolicy::bypass, WindowFocus::keep);
    fixture.scheduler.runDue();
    return state;
}

DashboardView& DashboardTest::open(DashboardDestination destination)
{
    fixture.state().setDashboardDestination(destination);
    m_window = std::make_unique<QWidget>();
    m_window->setWindowTitle(QStringLiteral("悬笺控制台"));
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new DashboardView(fixture.state(), fixture.scheduler, m_window.get());
    layout->addWidget(m_view);
    m_window->resize(1080, 720);
    m_window->show();
    settle();
    return *m_view;
}

void DashboardTest::settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace brivet::testing

#pragma once

#include "menubar/MenuBarContentView.h"
#include "state/AppState.h"
#include "support/Fakes.h"
#include "support/StateFixture.h"

#include <QCoreApplication>
#include <QEvent>
#include <QRect>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace brivet::testing {

// Runs what the event loop has queued, deferred deletes included.
inline void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The tray panel over a launched state, popped up under a tray icon at the
// top of the screen.
class PanelTest : public ::testing::Test {
protected:
    ~PanelTest() override
    {
        panel.reset();
        settle();
    }

    AppState& launch(std::vector<StickyNote> notes)
    {
        fixture.store(std::move(notes));
        AppState& state = fixture.launch();
        panel = std::make_unique<MenuBarContentView>(state, fixture.scheduler);
        panel->popUp(QRect(700, 0, 24, 24));
        settle();
        return state;
    }
    AppState& state() { return fixture.state(); }
    Instant today(int hour, int minute = 0) const { return fixture.at(2026, 12, 5, hour, minute); }
    static StickyNote board(NoteSurfaceRole role, std::string title, bool hidden = false)
    {
        StickyNote note = StateFixture::makeNote(std::move(title));
        note.surfaceRole = role;
        note.category = "桌面执行层";
        note.group = "场景板";
        note.isHidden = hidden;
        return note;
    }

    // Before the fixture: the state refers to it until it goes.
    PendingSyncService pendingSync;
    StateFixture fixture;
    std::unique_ptr<MenuBarContentView> panel;
};

} // namespace brivet::testing

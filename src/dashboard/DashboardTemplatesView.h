#pragma once

#include "model/Enums.h"
#include "model/Uuid.h"

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;

namespace brivet {

class AppState;
class NoteListModel;
class NoteListView;
class StateBridge;

// The board gallery: the scene boards that exist, then one card per board
// kind and per note template, each creating at a size chosen from the
// size menu.
class DashboardTemplatesView final : public QWidget {
    Q_OBJECT
public:
    DashboardTemplatesView(AppState& state, StateBridge& bridge, QWidget* parent = nullptr);

    struct Card {
        QString title;
        QString detail;
        QPushButton* button = nullptr;
        std::function<void(NoteSizePreset)> action;
    };
    const std::vector<Card>& cards() const { return m_cards; }
    // Runs a card's action as choosing `size` from its menu does.
    void choose(std::size_t card, NoteSizePreset size) const;
    QWidget* currentBoardsSection() const { return m_boardsSection; }
    NoteListView* boardList() const { return m_boardList; }

signals:
    // A board row's "编辑".
    void editRequested(const brivet::Uuid& noteId);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void prepareAndReveal(NoteSurfaceRole role, NoteSizePreset size);
    void refresh();

    AppState& m_state;
    std::vector<Card> m_cards;
    QWidget* m_boardsSection = nullptr;
    NoteListModel* m_boardModel = nullptr;
    NoteListView* m_boardList = nullptr;
    bool m_dirty = true;
    bool m_refreshQueued = false;
};

} // namespace brivet

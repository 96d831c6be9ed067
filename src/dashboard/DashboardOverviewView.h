#pragma once

#include "dashboard/DashboardEditorSession.h"
#include "dashboard/DashboardFilters.h"
#include "dashboard/DashboardNoteDraft.h"
#include "dashboard/DashboardLists.h"
#include "dashboard/DashboardSearch.h"
#include "model/Scheduler.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>

class QGraphicsBlurEffect;
class QLabel;
class QLineEdit;
class QScrollArea;
class QVariantAnimation;

class QPushButton;

namespace brivet {

class AppState;
class DashboardActionCard;
class DashboardNoteEditor;
class FilterChip;
class NoteListModel;
class NoteTransferActions;
class NoteListView;
class StateBridge;

// The dashboard's first page: key figures, quick actions, the scene boards
// and the filtered task view with a search field. Its lists follow the
// state: they are recomputed on the next turn of the event loop after any
// change of the notes or preferences (at once when the page is shown). It
// also hosts the note editor over itself.
class DashboardOverviewView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int editorAnimationMilliseconds = 180;

    DashboardOverviewView(AppState& state, Scheduler& scheduler, StateBridge& bridge, QWidget* parent = nullptr);
    ~DashboardOverviewView() override;

    DashboardOverviewFilter selectedFilter() const { return m_filter; }
    void selectFilter(DashboardOverviewFilter filter);
    DashboardSourceFilter selectedSourceFilter() const { return m_sourceFilter; }
    void selectSourceFilter(DashboardSourceFilter source);
    // Filters the shown list as the user types (blank: no filtering).
    void setSearchText(const QString& text);

    // The row's "编辑": hides the note when it is on the desktop and opens
    // the editor over the page.
    void edit(const Uuid& noteId);
    const std::optional<DashboardEditorSession>& editorSession() const { return m_session; }
    DashboardNoteEditor* editor() const;
    // Closes the editor as "取消" does, dropping its draft.
    void discardEditor();
    // Back to the first filter, no search, no editor, no orphaned draft
    // (the page was left).
    void resetViewState();

    // Recomputes the lists now if anything changed since the last time.
    void refreshIfNeeded();
    const DashboardLists& lists() const { return m_lists; }

    // Parts, for tests and screenshots.
    QScrollArea* scrollArea() const { return m_scroll; }
    FilterChip* chip(DashboardOverviewFilter filter) const { return m_chips[index(filter)]; }
    FilterChip* sourceChip(DashboardSourceFilter source) const { return m_sourceChips[index(source)]; }
    QWidget* sourceChipRow() const { return m_sourceRow; }
    QLineEdit* searchField() const { return m_search; }
    NoteListView* taskList() const { return m_taskList; }
    NoteListView* boardList() const { return m_boardList; }
    QLabel* sectionTitleLabel() const { return m_sectionTitle; }
    QLabel* sectionDescriptionLabel() const { return m_sectionDescription; }
    QWidget* emptyState() const { return m_empty; }
    QLabel* emptyTitleLabel() const { return m_emptyTitle; }
    QLabel* emptyTextLabel() const { return m_emptyText; }
    QLabel* metricValueLabel(int card) const { return m_metricValues[std::size_t(card)]; }
    QLabel* surfacedCaptionLabel() const { return m_surfacedCaption; }
    const std::array<DashboardActionCard*, 6>& actionTiles() const { return m_tiles; }
    // "导出…" beside the task view's title: all notes, or those the list shows.
    QPushButton* exportButton() const { return m_exportButton; }
    // The notes the task list shows now, in its order.
    std::vector<StickyNote> shownNotes() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildPage();
    QWidget* buildIntroduction(QWidget* parent);
    QWidget* buildMetrics(QWidget* parent);
    QWidget* buildActions(QWidget* parent);
    QWidget* buildBoards(QWidget* parent);
    QWidget* buildTaskView(QWidget* parent);
    QWidget* buildOrphanNotice(QWidget* parent);

    void markDirty(bool notesChanged);
    void refresh();
    void showList();
    void scheduleWakeUp();

    void startSync();
    void startCustomBoard(NoteSizePreset size);

    void openEditor();
    void closeEditor(DashboardEditorSession::Outcome outcome);
    void animateEditor(bool opening);
    void placeEditor();
    void setOrphanedDraft(std::optional<DashboardNoteDraft> draft);

    AppState& m_state;
    Scheduler& m_scheduler;
    StateBridge& m_bridge;

    DashboardOverviewFilter m_filter = DashboardOverviewFilter::today;
    DashboardSourceFilter m_sourceFilter = DashboardSourceFilter::all;
    std::vector<std::string> m_searchWords;
    std::optional<DashboardEditorSession> m_session;
    // The changes of an editor whose note was deleted elsewhere, offered
    // above the page until kept as a new note or dropped.
    std::optional<DashboardNoteDraft> m_orphanedDraft;

    DashboardLists m_lists;
    DashboardSearch m_searchIndex;
    bool m_dirty = true;
    bool m_hasCustomBoards = false;
    bool m_refreshQueued = false;
    TaskHandle m_wakeUp;

    QScrollArea* m_scroll = nullptr;
    std::array<QLabel*, 3> m_metricValues {};
    std::array<QString, 3> m_metricTitles {};
    QLabel* m_surfacedCaption = nullptr;
    std::array<DashboardActionCard*, 6> m_tiles {};
    QPushButton* m_exportButton = nullptr;
    NoteTransferActions* m_transfer = nullptr;
    NoteListModel* m_boardModel = nullptr;
    NoteListView* m_boardList = nullptr;
    QLabel* m_noBoards = nullptr;
    std::array<FilterChip*, 5> m_chips {};
    std::array<FilterChip*, 4> m_sourceChips {};
    QWidget* m_sourceRow = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_searchSummary = nullptr;
    QLabel* m_sectionTitle = nullptr;
    QLabel* m_sectionDescription = nullptr;
    NoteListModel* m_taskModel = nullptr;
    NoteListView* m_taskList = nullptr;
    QWidget* m_empty = nullptr;
    QLabel* m_emptyIcon = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QLabel* m_emptyText = nullptr;

    QWidget* m_orphanNotice = nullptr;

    QWidget* m_editorLayer = nullptr;
    QPointer<DashboardNoteEditor> m_editor;
    QGraphicsBlurEffect* m_blur = nullptr;
    QPointer<QVariantAnimation> m_animation;
    // Where the user was when the editor opened, to come back there.
    QPointer<QWidget> m_focusBeforeEditor;
    int m_scrollBeforeEditor = 0;
};

} // namespace brivet

// The real desktop cards from a prepared set of notes: every board size in
// every theme, a scene board with linked tasks, the detail editor, a card
// and an editor with more than fits (their scroll bars), and the tray
// panel with work, without work, with a size submenu open and driven from
// the keyboard (its focus ring), each in the light and the dark colour
// scheme.

#include "desktop/NotePanel.h"
#include "desktop/NotePanelController.h"
#include "desktop/NoteWindowManager.h"
#include "menubar/MenuBarContentView.h"
#include "menubar/MenuBarQuickActionRow.h"
#include "menubar/SizeSubmenuView.h"
#include "model/AppLogger.h"
#include "model/Clock.h"
#include "model/NoteRepository.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "sync/SyncService.h"
#include "ui/QtScheduler.h"
#include "ScenePalettes.h"
#include "Scenes.h"

#include <QApplication>
#include <QEnterEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace brivet {

namespace {

class FixedClock final : public Clock {
public:
    explicit FixedClock(Instant now)
        : m_now(now) { }
    Instant now() const override { return m_now; }

private:
    Instant m_now;
};

class PreparedNotes final : public NoteRepository {
public:
    std::vector<StickyNote> notes;
    std::vector<StickyNote> loadNotes() override { return notes; }
    Status save(const std::vector<StickyNote>&) override { return Status::success(); }
};

class PreparedPreferences final : public PreferencesStore {
public:
    AppPreferences preferences;
    AppPreferences loadPreferences() override { return preferences; }
    Status save(const AppPreferences&) override { return Status::success(); }
};

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QEventLoop loop;
    QTimer::singleShot(60, &loop, &QEventLoop::quit);
    loop.exec();
}

// The card on a calm desktop-like backdrop.
QImage onBackdrop(const QPixmap& card, bool dark, int margin = 36)
{
    QSize size = card.size() / card.devicePixelRatio() + QSize(2 * margin, 2 * margin);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient wallpaper(0, 0, size.width(), size.height());
    wallpaper.setColorAt(0, dark ? QColor(28, 34, 52) : QColor(196, 214, 236));
    wallpaper.setColorAt(1, dark ? QColor(52, 36, 60) : QColor(236, 214, 222));
    painter.fillRect(image.rect(), wallpaper);
    painter.drawPixmap(margin, margin, card);
    return image;
}

StickyNote makeNote(const std::string& title, NoteTheme theme, NoteSizePreset size, Instant now)
{
    StickyNote note = StickyNote::placeholder(Uuid::random(), now);
    note.title = title;
    note.style.theme = theme;
    note.frame = NoteFrame { 200, 300, boardSize(size).width, boardSize(size).height, size };
    note.isHidden = true;
    return note;
}

QString fileName(const QString& name, bool dark)
{
    return name + (dark ? QStringLiteral("-dark") : QStringLiteral("-light"));
}

// How a shot reaches its state: the pointer resting on a quick action, or
// the keyboard (Tab presses, Enter on a focused quick action).
enum class Reach { pointer,
    keyboard };

void pressKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

// The panel as it opens below a tray icon at the top right of the screen,
// after `tabs` presses of Tab; with `submenuFor`, that quick action's size
// submenu is open beside the panel, by the pointer resting on the row or
// by Enter on the focused row. Returns whether the visitor made something
// of it.
int shootTrayPanel(AppState& state, Scheduler& scheduler, SceneVisitor& visitor, const QString& name, bool dark,
    std::optional<QuickAction> submenuFor = std::nullopt, Reach reach = Reach::pointer, int tabs = 0)
{
    MenuBarContentView panel(state, scheduler);
    panel.popUp(QRect(1860, 4, 24, 24));
    settle();
    for (int i = 0; i < tabs; ++i)
        pressKey(panel.focusWidget() ? panel.focusWidget() : &panel, Qt::Key_Tab);
    settle();
    if (!submenuFor)
        return visitor.visit(SceneShot { fileName(name, dark), SceneSurface::trayPanel, dark, { &panel },
                   [&] { return onBackdrop(panel.grab(), dark); } })
            ? 1
            : 0;

    MenuBarQuickActionRow* row = panel.quickActionRow(*submenuFor);
    if (reach == Reach::keyboard) {
        row->setFocus(Qt::TabFocusReason);
        pressKey(row, Qt::Key_Return);
    } else {
        QPointF inside(row->width() / 2.0, row->height() / 2.0);
        QEnterEvent enter(inside, row->mapTo(&panel, inside), row->mapToGlobal(inside));
        QCoreApplication::sendEvent(row, &enter);
    }
    settle();
    SizeSubmenuView* submenu = panel.sizeSubmenu();
    if (!submenu->isVisible())
        return 0;
    auto image = [&] {
        QPixmap panelImage = panel.grab();
        // Panel and submenu side by side, where they stand on the screen.
        QRect panelRect = panel.frameGeometry();
        QRect submenuRect = submenu->frameGeometry();
        QRect both = panelRect.united(submenuRect);
        QPixmap composed(both.size());
        composed.fill(Qt::transparent);
        QPainter painter(&composed);
        painter.drawPixmap(panelRect.topLeft() - both.topLeft(), panelImage);
        painter.drawPixmap(submenuRect.topLeft() - both.topLeft(), submenu->grab());
        painter.end();
        return onBackdrop(composed, dark);
    };
    return visitor.visit(SceneShot { fileName(name, dark), SceneSurface::trayPanel, dark, { &panel, submenu }, image }) ? 1 : 0;
}

} // namespace

int visitDesktopScenes(SceneVisitor& visitor)
{
    QPalette original = QApplication::palette();
    UserCalendar calendar("Asia/Shanghai", "zh_CN");
    FixedClock clock(*calendar.instant(UserCalendar::Components { 2026, 12, 5, 10, 0, 0 }));
    Instant now = clock.now();
    auto hours = [&](int h) { return now + Duration(std::int64_t(h) * 3'600'000); };

    PreparedNotes repository;
    PreparedPreferences preferences;
    preferences.preferences = AppPreferences::defaultValue(calendar, now);
    preferences.preferences.autoGenerateFocusBoard = false;

    // The board card: a few tasks, one done, due this afternoon.
    StickyNote card = makeNote("整理季度复盘材料", NoteTheme::work, NoteSizePreset::medium, now);
    card.dueDate = hours(5);
    card.tasks = { NoteTask { Uuid::random(), "汇总各项目关键指标", true }, NoteTask { Uuid::random(), "补齐风险与应对说明" },
        NoteTask { Uuid::random(), "约产品和设计过一遍" } };
    card.style.customHexColor = "#8E6CEF";

    // Notes the scene board stands for, and the board itself.
    StickyNote report = makeNote("提交周报", NoteTheme::work, NoteSizePreset::medium, now);
    report.dueDate = hours(3);
    StickyNote review = makeNote("设计评审会", NoteTheme::life, NoteSizePreset::medium, now);
    review.source = NoteSource::calendar;
    review.dueDate = hours(6);
    StickyNote call = makeNote("给客户回电话", NoteTheme::urgent, NoteSizePreset::medium, now);
    call.source = NoteSource::reminders;
    call.dueDate = hours(2);
    StickyNote board = makeNote("今日焦点", NoteTheme::work, NoteSizePreset::large, now);
    board.surfaceRole = NoteSurfaceRole::todayBoard;
    board.category = "桌面执行层";
    board.group = "场景板";
    board.dueDate = hours(12);
    board.tasks = {
        NoteTask { Uuid::random(), "本地 · 提交周报 · 13:00", false, report.id, NoteSource::local, report.dueDate },
        NoteTask { Uuid::random(), "提醒 · 给客户回电话 · 12:00", false, call.id, NoteSource::reminders, call.dueDate },
        NoteTask { Uuid::random(), "日历 · 设计评审会 · 16:00", false, review.id, NoteSource::calendar, review.dueDate },
        NoteTask { Uuid::random(), "本地 · 整理会议纪要", true, Uuid::random(), NoteSource::local, std::nullopt },
    };

    StickyNote detail = makeNote("产品发布会筹备", NoteTheme::life, NoteSizePreset::medium, now);
    detail.details = "确认场地与设备清单，周四前发出邀请。\n准备演示脚本，预留十分钟问答。";
    detail.dueDate = hours(30);
    detail.tasks = { NoteTask { Uuid::random(), "预订会场", true }, NoteTask { Uuid::random(), "拟定嘉宾名单" },
        NoteTask { Uuid::random(), "彩排演示流程" } };

    // More than fits: the task list and the editor scroll.
    StickyNote longNote = makeNote("年终盘点", NoteTheme::urgent, NoteSizePreset::small, now);
    longNote.details = "盘点清单：\n";
    for (int i = 1; i <= 14; ++i) {
        longNote.tasks.push_back(NoteTask { Uuid::random(), "核对第 " + std::to_string(i) + " 项", i % 4 == 0 });
        longNote.details += std::to_string(i) + ". 核对账目与库存，记录差异。\n";
    }

    repository.notes = { card, report, review, call, board, detail, longNote };

    QtScheduler scheduler;
    FixedScreenList screens({ Rect { 0, 0, 1920, 1040 } });
    DefaultTemplateProvider templates(clock, calendar);
    UnavailableSyncService sync;
    AppLogger logger(clock, calendar);
    NoteWindowManager* windows = nullptr;
    AppState state(AppStateDependencies { repository, preferences, templates, sync, logger, clock, scheduler, screens,
        calendar, [&](AppState& s) {
            auto manager = std::make_unique<NoteWindowManager>(s, scheduler);
            windows = manager.get();
            return manager;
        } });
    // Cards drawn as a compositor shows them: rounded, translucent, shadowed.
    windows->environment()->composited = true;
    settle();

    int written = 0;
    auto shoot = [&](const Uuid& id, const QString& name, bool dark) {
        settle();
        NotePanelController* controller = windows->controller(id);
        if (!controller)
            return;
        QWidget* panel = controller->panel();
        if (visitor.visit(SceneShot { fileName(name, dark), SceneSurface::card, dark, { panel },
                [panel, dark] { return onBackdrop(panel->grab(), dark); } }))
            ++written;
    };

    for (bool dark : { false, true }) {
        QApplication::setPalette(dark ? sceneDarkPalette() : sceneLightPalette());
        settle();
        state.reveal(card.id, SurfacePolicy::bypass, WindowFocus::keep);
        for (NoteSizePreset size : allCases<NoteSizePreset>()) {
            for (NoteTheme theme : allCases<NoteTheme>()) {
                StickyNote shown = *state.note(card.id);
                shown.style.theme = theme;
                shown.frame.sizePreset = size;
                shown.frame.width = boardSize(size).width;
                shown.frame.height = boardSize(size).height;
                state.update(shown);
                shoot(card.id, QStringLiteral("board-%1-%2").arg(QString::fromLatin1(rawValue(size).data()), QString::fromLatin1(rawValue(theme).data())), dark);
            }
        }
        state.hide(card.id);

        state.reveal(board.id, SurfacePolicy::bypass, WindowFocus::keep);
        shoot(board.id, QStringLiteral("scene-board"), dark);
        state.hide(board.id);

        state.openNoteDetails(detail.id);
        shoot(detail.id, QStringLiteral("detail-editor"), dark);
        state.hide(detail.id);
        settle();

        state.reveal(longNote.id, SurfacePolicy::bypass, WindowFocus::keep);
        shoot(longNote.id, QStringLiteral("board-long-list"), dark);
        state.openNoteDetails(longNote.id);
        shoot(longNote.id, QStringLiteral("detail-editor-long"), dark);
        state.hide(longNote.id);
        settle();

        written += shootTrayPanel(state, scheduler, visitor, QStringLiteral("tray-panel"), dark);
        written += shootTrayPanel(state, scheduler, visitor, QStringLiteral("tray-panel-size-submenu"), dark, QuickAction::create);
        // Tab to the primary card's 稍后; Enter on 今日板 opens its sizes.
        written += shootTrayPanel(state, scheduler, visitor, QStringLiteral("tray-panel-keyboard-focus"), dark, std::nullopt,
            Reach::keyboard, 2);
        written += shootTrayPanel(state, scheduler, visitor, QStringLiteral("tray-panel-keyboard-submenu"), dark, QuickAction::board,
            Reach::keyboard);
    }

    // Nothing left to do: one finished note and no boards.
    PreparedNotes finishedRepository;
    StickyNote finished = makeNote("整理桌面", NoteTheme::work, NoteSizePreset::medium, now);
    finished.isCompleted = true;
    finishedRepository.notes = { finished };
    AppState quiet(AppStateDependencies { finishedRepository, preferences, templates, sync, logger, clock, scheduler, screens,
        calendar, {} });
    settle();
    for (bool dark : { false, true }) {
        QApplication::setPalette(dark ? sceneDarkPalette() : sceneLightPalette());
        settle();
        written += shootTrayPanel(quiet, scheduler, visitor, QStringLiteral("tray-panel-empty"), dark);
    }
    QApplication::setPalette(original);
    return written;
}

QPalette lightScenePalette()
{
    return sceneLightPalette();
}

} // namespace brivet

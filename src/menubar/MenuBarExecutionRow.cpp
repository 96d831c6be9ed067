#include "menubar/MenuBarExecutionRow.h"

#include "ui/CardColors.h"
#include "menubar/MenuBarPanelStyle.h"
#include "menubar/MenuBarTexts.h"
#include "ui/ElidingLabel.h"
#include "ui/Symbol.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace brivet {

MenuBarExecutionRow::MenuBarExecutionRow(const StickyNote& note, const std::vector<StickyNote>& customBoards,
    const UserCalendar& calendar, QWidget* parent)
    : QWidget(parent)
    , m_noteId(note.id)
{
    setObjectName(QStringLiteral("executionRow"));
    setAccessibleName(qs(MenuBarTexts::noteTitle(note)));
    setAccessibleDescription(qs(MenuBarTexts::executionMetaLine(note, calendar)));
    CardColors colors = cardColors(note.style, palette());
    QColor tint = MenuBarPanelStyle::themeTint(note.style.theme, colors);
    QColor text = palette().color(QPalette::WindowText);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 0, 4);
    layout->setSpacing(8);

    QToolButton* tick = MenuBarPanelStyle::iconButton(
        bundledIcon(note.isCompleted ? Symbol::checkmarkCircleFill : Symbol::circle, tint),
        note.isCompleted ? QStringLiteral("已完成") : QStringLiteral("完成"), QStringLiteral("tick"), this);
    tick->setIconSize(QSize(18, 18));
    connect(tick, &QToolButton::clicked, this, [this] { emit completionToggled(m_noteId); });
    layout->addWidget(tick);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* heading = new ElidingLabel(qs(MenuBarTexts::noteTitle(note)), this);
    heading->setObjectName(QStringLiteral("title"));
    QFont headingFont = heading->font();
    headingFont.setPixelSize(fontPixels(13));
    headingFont.setWeight(QFont::Medium);
    heading->setFont(headingFont);
    texts->addWidget(heading);
    auto* meta = new ElidingLabel(qs(MenuBarTexts::executionMetaLine(note, calendar)), this);
    meta->setObjectName(QStringLiteral("meta"));
    QFont metaFont = meta->font();
    metaFont.setPixelSize(fontPixels(11));
    meta->setFont(metaFont);
    QPalette metaPalette = meta->palette();
    metaPalette.setColor(QPalette::WindowText, MenuBarPanelStyle::secondaryText(this));
    meta->setPalette(metaPalette);
    texts->addWidget(meta);
    layout->addLayout(texts, 1);

    QToolButton* later = MenuBarPanelStyle::iconButton(symbolIcon(Symbol::clockBadge, text), QStringLiteral("稍后"),
        QStringLiteral("defer"), this);
    later->setPopupMode(QToolButton::InstantPopup);
    later->setMenu(makeDeferMenu(QStringLiteral("稍后"), later, [this](NoteDeferPreset preset) { emit deferChosen(m_noteId, preset); }));
    layout->addWidget(later);

    QToolButton* open = MenuBarPanelStyle::iconButton(symbolIcon(Symbol::arrowUpForwardApp, text), QStringLiteral("打开"),
        QStringLiteral("open"), this);
    connect(open, &QToolButton::clicked, this, [this] { emit openRequested(m_noteId); });
    layout->addWidget(open);

    QToolButton* attach = MenuBarPanelStyle::textButton(bundledIcon(Symbol::stackBadgePlus, text), QStringLiteral("加入"),
        QStringLiteral("attach"), false, this);
    attach->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(QStringLiteral("加入"), attach);
    menu->setObjectName(QStringLiteral("attachMenu"));
    for (const StickyNote& board : customBoards) {
        QAction* action = menu->addAction(qs(MenuBarTexts::boardTitle(board)));
        Uuid boardId = board.id;
        connect(action, &QAction::triggered, this, [this, boardId] { emit attachRequested(m_noteId, boardId); });
    }
    menu->addSeparator();
    QAction* create = menu->addAction(QStringLiteral("新建自定义场景板并加入"));
    connect(create, &QAction::triggered, this, [this] { emit newBoardRequested(m_noteId); });
    attach->setMenu(menu);
    layout->addWidget(attach);
}

} // namespace brivet

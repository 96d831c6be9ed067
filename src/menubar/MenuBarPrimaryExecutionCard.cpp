#include "menubar/MenuBarPrimaryExecutionCard.h"

#include "ui/CardColors.h"
#include "menubar/MenuBarPanelStyle.h"
#include "menubar/MenuBarTexts.h"
#include "ui/ElidingLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

namespace brivet {

MenuBarPrimaryExecutionCard::MenuBarPrimaryExecutionCard(const StickyNote& note, const UserCalendar& calendar, Instant now,
    QWidget* parent)
    : QFrame(parent)
    , m_noteId(note.id)
{
    setObjectName(QStringLiteral("primaryCard"));
    setAccessibleName(qs(MenuBarTexts::noteTitle(note)));
    setAccessibleDescription(qs(MenuBarTexts::primaryDueText(note, calendar, now)));
    CardColors colors = cardColors(note.style, palette());
    QColor tint = MenuBarPanelStyle::themeTint(note.style.theme, colors);
    MenuBarPanelStyle::styleCard(this, tint);
    // The tags are read on this card, not on a desktop card's surface.
    colors.surface = MenuBarPanelStyle::cardFill(tint, palette().color(QPalette::Window));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(6);

    auto* tags = new QHBoxLayout;
    tags->setSpacing(6);
    QLabel* source = makeTag(qs(title(note.source)), tint, colors, this);
    source->setObjectName(QStringLiteral("sourceTag"));
    tags->addWidget(source);
    QColor neutral = palette().color(QPalette::WindowText);
    QLabel* due = makeTag(qs(MenuBarTexts::primaryDueText(note, calendar, now)), note.dueDate ? colors.orange : neutral, colors, this);
    due->setObjectName(QStringLiteral("dueTag"));
    tags->addWidget(due);
    if (note.isCompleted) {
        QLabel* done = makeTag(QStringLiteral("已完成"), colors.green, colors, this);
        done->setObjectName(QStringLiteral("completedTag"));
        tags->addWidget(done);
    }
    tags->addStretch();
    layout->addLayout(tags);

    QLabel* heading = MenuBarPanelStyle::label(qs(MenuBarTexts::noteTitle(note)), 15, QFont::DemiBold, false, this);
    heading->setObjectName(QStringLiteral("title"));
    heading->setWordWrap(true);
    layout->addWidget(heading);

    QString line = qs(MenuBarTexts::primaryDetailLine(note)).simplified();
    auto* detail = new ElidingLabel(line, this);
    detail->setObjectName(QStringLiteral("detail"));
    QFont detailFont = detail->font();
    detailFont.setPixelSize(fontPixels(12));
    detail->setFont(detailFont);
    QPalette detailPalette = detail->palette();
    detailPalette.setColor(QPalette::WindowText, MenuBarPanelStyle::secondaryText(this));
    detail->setPalette(detailPalette);
    layout->addWidget(detail);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->setContentsMargins(0, 4, 0, 0);
    QToolButton* complete = MenuBarPanelStyle::textButton(
        bundledIcon(note.isCompleted ? Symbol::checkmarkCircleFill : Symbol::circle, Qt::white),
        note.isCompleted ? QStringLiteral("已完成") : QStringLiteral("完成"), QStringLiteral("complete"), true, this);
    connect(complete, &QToolButton::clicked, this, [this] { emit completionToggled(m_noteId); });
    buttons->addWidget(complete);

    QColor text = palette().color(QPalette::WindowText);
    QToolButton* later = MenuBarPanelStyle::textButton(symbolIcon(Symbol::clockBadge, text), QStringLiteral("稍后"),
        QStringLiteral("defer"), false, this);
    later->setPopupMode(QToolButton::InstantPopup);
    later->setMenu(makeDeferMenu(QStringLiteral("稍后"), later, [this](NoteDeferPreset preset) { emit deferChosen(m_noteId, preset); }));
    buttons->addWidget(later);

    QToolButton* open = MenuBarPanelStyle::textButton(symbolIcon(Symbol::arrowUpForwardApp, text), QStringLiteral("打开"),
        QStringLiteral("open"), false, this);
    connect(open, &QToolButton::clicked, this, [this] { emit openRequested(m_noteId); });
    buttons->addWidget(open);
    buttons->addStretch();
    layout->addLayout(buttons);
}

} // namespace brivet

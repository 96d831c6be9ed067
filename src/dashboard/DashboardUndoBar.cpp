#include "dashboard/DashboardUndoBar.h"

#include "dashboard/DashboardStyle.h"
#include "state/AppState.h"
#include "ui/StateBridge.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace brivet {

DashboardUndoBar::DashboardUndoBar(AppState& state, StateBridge& bridge, QWidget* parent)
    : QFrame(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("undoBar"));
    Theme colors = Theme::from(palette());
    setAutoFillBackground(true);
    QPalette fill = palette();
    fill.setColor(QPalette::Window, colors.dark ? QColor(0x3A, 0x3A, 0x3C) : QColor(0x1D, 0x1D, 0x1F));
    setPalette(fill);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(20, 8, 12, 8);
    line->setSpacing(8);
    m_message = makeLabel({}, 13, QFont::Medium, Qt::white, this);
    m_message->setObjectName(QStringLiteral("undoMessage"));
    line->addWidget(m_message, 1);
    m_undo = makeProminentButton(QIcon(), QStringLiteral("撤销"), colors.accent, ButtonPadding { 4, 14 }, this);
    m_undo->setObjectName(QStringLiteral("undoDeleteButton"));
    m_undo->setToolTip(QStringLiteral("撤销删除 (Ctrl+Z)"));
    connect(m_undo, &QPushButton::clicked, this, [this] { m_state.undoLastDelete(); });
    line->addWidget(m_undo);
    m_trash = new QPushButton(QStringLiteral("回收站"), this);
    m_trash->setObjectName(QStringLiteral("undoBarTrashButton"));
    m_trash->setFlat(true);
    m_trash->setStyleSheet(QStringLiteral("QPushButton { color: white; padding: 4px 10px; }"));
    makeClickable(m_trash);
    connect(m_trash, &QPushButton::clicked, this, &DashboardUndoBar::trashRequested);
    line->addWidget(m_trash);

    connect(&bridge, &StateBridge::trashChanged, this, &DashboardUndoBar::showOffer);
    showOffer();
}

void DashboardUndoBar::showOffer()
{
    const std::optional<AppState::UndoOffer>& offer = m_state.undoOffer();
    setVisible(offer.has_value());
    if (offer) {
        const QString title = offer->title.empty() ? QStringLiteral("未命名悬笺") : qs(offer->title);
        m_message->setText(QStringLiteral("已删除「%1」").arg(title));
    }
}

} // namespace brivet

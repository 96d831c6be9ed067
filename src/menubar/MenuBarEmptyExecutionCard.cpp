#include "menubar/MenuBarEmptyExecutionCard.h"

#include "menubar/MenuBarPanelStyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace brivet {

MenuBarEmptyExecutionCard::MenuBarEmptyExecutionCard(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("emptyCard"));
    setAccessibleName(QStringLiteral("今天已经清空"));
    MenuBarPanelStyle::styleCard(this, palette().color(QPalette::Highlight));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(6);
    QLabel* heading = MenuBarPanelStyle::label(QStringLiteral("今天已经清空"), 15, QFont::DemiBold, false, this);
    heading->setObjectName(QStringLiteral("title"));
    layout->addWidget(heading);
    QLabel* hint = MenuBarPanelStyle::label(
        QStringLiteral("当前没有需要立刻推进的事项。你可以新建悬笺，或先生成一张今日桌面板。"), 12, QFont::Normal, true, this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
}

} // namespace brivet

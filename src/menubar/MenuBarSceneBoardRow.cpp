#include "menubar/MenuBarSceneBoardRow.h"

#include "ui/CardColors.h"
#include "menubar/MenuBarPanelStyle.h"
#include "menubar/MenuBarTexts.h"
#include "ui/ElidingLabel.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace brivet {

MenuBarSceneBoardRow::MenuBarSceneBoardRow(const StickyNote& board, QWidget* parent)
    : QWidget(parent)
    , m_boardId(board.id)
{
    setObjectName(QStringLiteral("sceneBoardRow"));
    setAccessibleName(qs(MenuBarTexts::boardTitle(board)));
    setAccessibleDescription(qs(MenuBarTexts::sceneBoardMetaLine(board)));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 0, 4);
    layout->setSpacing(8);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* heading = new ElidingLabel(qs(MenuBarTexts::boardTitle(board)), this);
    heading->setObjectName(QStringLiteral("title"));
    QFont headingFont = heading->font();
    headingFont.setPixelSize(fontPixels(13));
    headingFont.setWeight(QFont::Medium);
    heading->setFont(headingFont);
    texts->addWidget(heading);
    auto* meta = new ElidingLabel(qs(MenuBarTexts::sceneBoardMetaLine(board)), this);
    meta->setObjectName(QStringLiteral("meta"));
    QFont metaFont = meta->font();
    metaFont.setPixelSize(fontPixels(11));
    meta->setFont(metaFont);
    QPalette metaPalette = meta->palette();
    metaPalette.setColor(QPalette::WindowText, MenuBarPanelStyle::secondaryText(this));
    meta->setPalette(metaPalette);
    texts->addWidget(meta);
    layout->addLayout(texts, 1);

    bool hidden = board.isHidden;
    QColor text = palette().color(QPalette::WindowText);
    QToolButton* button = MenuBarPanelStyle::textButton(symbolIcon(hidden ? Symbol::plus : Symbol::arrowUpForwardApp, text),
        hidden ? QStringLiteral("上桌面") : QStringLiteral("打开"), hidden ? QStringLiteral("reveal") : QStringLiteral("open"),
        false, this);
    connect(button, &QToolButton::clicked, this, [this, hidden] {
        if (hidden)
            emit revealRequested(m_boardId);
        else
            emit openRequested(m_boardId);
    });
    layout->addWidget(button);
}

} // namespace brivet

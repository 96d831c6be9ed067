#include "dashboard/NoteListDelegate.h"

#include "dashboard/DashboardStyle.h"
#include "dashboard/NoteListModel.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace brivet {

namespace {

constexpr int cardInset = 4;
constexpr int padding = 16;
constexpr int buttonHeight = 28;
constexpr int buttonGap = 6;
constexpr int buttonPadding = 12;
constexpr int chevronWidth = 14;

QFont titleFont() { return uiFont(14, QFont::DemiBold); }
QFont subtitleFont() { return uiFont(12); }
QFont tagFont() { return uiFont(11, QFont::DemiBold); }
QFont buttonFont() { return uiFont(12, QFont::Medium); }

QRect cardRect(const QRect& rowRect)
{
    return rowRect.adjusted(0, cardInset, 0, -cardInset);
}

QColor tagTint(NoteListRow::TagKind kind, const Theme& colors)
{
    switch (kind) {
    case NoteListRow::TagKind::role: return colors.purple;
    case NoteListRow::TagKind::onDesktop: return colors.green;
    case NoteListRow::TagKind::hidden: return colors.secondaryText;
    case NoteListRow::TagKind::deferred: return colors.orange;
    }
    return colors.accent;
}

QColor buttonTint(NoteListRow::Action action, const Theme& colors)
{
    switch (action) {
    case NoteListRow::Action::edit: return colors.accent;
    case NoteListRow::Action::remove: return colors.red;
    case NoteListRow::Action::hide: return colors.secondaryText;
    case NoteListRow::Action::reveal: return colors.green;
    case NoteListRow::Action::addToBoard:
    case NoteListRow::Action::createBoardWithNote: return colors.purple;
    }
    return colors.accent;
}

} // namespace

NoteListDelegate::NoteListDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

std::vector<NoteListDelegate::ButtonPlace> NoteListDelegate::buttonPlaces(const NoteListRow& row, const QRect& rowRect)
{
    QRect card = cardRect(rowRect);
    QFontMetrics metrics(buttonFont());
    std::vector<ButtonPlace> places(row.buttons.size());
    int right = card.right() - padding + 1;
    int top = card.center().y() - buttonHeight / 2 + 1;
    for (std::size_t i = row.buttons.size(); i-- > 0;) {
        const NoteListRow::Button& button = row.buttons[i];
        int width = metrics.horizontalAdvance(QString::fromStdString(button.title)) + 2 * buttonPadding;
        // "收起" and "上桌面" take the same room, so the columns of
        // buttons line up from row to row.
        if (button.action == NoteListRow::Action::hide || button.action == NoteListRow::Action::reveal)
            width = std::max(width, metrics.horizontalAdvance(QStringLiteral("上桌面")) + 2 * buttonPadding);
        if (button.action == NoteListRow::Action::addToBoard)
            width += chevronWidth;
        places[i] = { button, QRect(right - width, top, width, buttonHeight) };
        right -= width + buttonGap;
    }
    return places;
}

void NoteListDelegate::setHovered(int row, std::optional<NoteListRow::Action> action)
{
    m_hoveredRow = row;
    m_hoveredAction = action;
}

QSize NoteListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return { 200, rowHeight };
}

void NoteListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const NoteListModel*>(index.model());
    if (!model)
        return;
    NoteListRow row = model->rowContent(index.row());
    Theme colors = Theme::from(option.palette);
    bool rowHovered = option.state & QStyle::State_MouseOver;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QRect card = cardRect(option.rect);
    painter->setPen(QPen(rowHovered ? QColor(colors.accent.red(), colors.accent.green(), colors.accent.blue(), 90) : colors.separator, 1));
    painter->setBrush(colors.card);
    painter->drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);

    std::vector<ButtonPlace> places = buttonPlaces(row, option.rect);
    int textLeft = card.left() + padding;
    int textRight = (places.empty() ? card.right() - padding : places.front().rect.left() - 14);
    int textWidth = std::max(40, textRight - textLeft);

    // Tags take what they need; the title gets the rest of its line.
    QFontMetrics tagMetrics(tagFont());
    int tagsWidth = 0;
    for (const NoteListRow::Tag& tag : row.tags)
        tagsWidth += tagMetrics.horizontalAdvance(QString::fromStdString(tag.text)) + 14 + 6;
    QFontMetrics titleMetrics(titleFont());
    QString title = QString::fromStdString(row.title);
    int titleRoom = std::max(60, textWidth - tagsWidth - 4);
    QString shownTitle = titleMetrics.elidedText(title, Qt::ElideRight, titleRoom);
    int lineTop = card.top() + 13;
    painter->setFont(titleFont());
    painter->setPen(colors.text);
    QRect titleRect(textLeft, lineTop, titleMetrics.horizontalAdvance(shownTitle) + 1, titleMetrics.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, shownTitle);

    int tagX = titleRect.right() + 8;
    painter->setFont(tagFont());
    for (const NoteListRow::Tag& tag : row.tags) {
        QString text = QString::fromStdString(tag.text);
        int width = tagMetrics.horizontalAdvance(text) + 14;
        if (tagX + width > textLeft + textWidth)
            break;
        QRect tagRect(tagX, lineTop + (titleMetrics.height() - 18) / 2, width, 18);
        QColor tint = tagTint(tag.kind, colors);
        painter->setPen(Qt::NoPen);
        painter->setBrush(tagBackground(tint, colors.dark));
        painter->drawRoundedRect(QRectF(tagRect), 9, 9);
        painter->setPen(tagText(tint, colors.card, colors.dark));
        painter->drawText(tagRect, Qt::AlignCenter, text);
        tagX += width + 6;
    }

    painter->setFont(subtitleFont());
    painter->setPen(colors.secondaryText);
    QFontMetrics subtitleMetrics(subtitleFont());
    QRect subtitleRect(textLeft, lineTop + titleMetrics.height() + 6, textWidth, subtitleMetrics.height());
    painter->drawText(subtitleRect, Qt::AlignLeft | Qt::AlignVCenter,
        subtitleMetrics.elidedText(QString::fromStdString(row.subtitle), Qt::ElideRight, textWidth));

    painter->setFont(buttonFont());
    for (const ButtonPlace& place : places) {
        bool hovered = index.row() == m_hoveredRow && m_hoveredAction == place.button.action && place.button.enabled;
        QColor tint = buttonTint(place.button.action, colors);
        tint.setAlphaF(1.0);
        QColor fill = tint;
        fill.setAlphaF(place.button.enabled ? (hovered ? 0.24 : 0.11) : 0.05);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(QRectF(place.rect), 8, 8);
        QColor foreground = place.button.enabled
            ? textOnTint(colors.dark ? tint.lighter(115) : tint.darker(120), tint, hovered ? 0.24 : 0.11, colors.card)
            : colors.secondaryText;
        if (!place.button.enabled)
            foreground.setAlphaF(0.35);
        painter->setPen(foreground);
        QRect textRect = place.rect;
        if (place.button.action == NoteListRow::Action::addToBoard)
            textRect.setRight(textRect.right() - chevronWidth);
        painter->drawText(textRect, Qt::AlignCenter, QString::fromStdString(place.button.title));
        if (place.button.action == NoteListRow::Action::addToBoard) {
            QIcon chevron = bundledIcon(Symbol::chevronDown, foreground);
            QRect iconRect(textRect.right() - 4, place.rect.center().y() - 6, 12, 12);
            chevron.paint(painter, iconRect);
        }
    }

    // The keyboard's place: a solid ring in the accent colour, on the
    // focused button or around the whole row.
    if (option.state & QStyle::State_HasFocus) {
        QRectF ring = QRectF(card).adjusted(1.5, 1.5, -1.5, -1.5);
        qreal radius = 11;
        for (const ButtonPlace& place : places)
            if (m_focusedAction == place.button.action) {
                ring = QRectF(place.rect).adjusted(-2.5, -2.5, 2.5, 2.5);
                radius = 10;
            }
        QColor accent = colors.accent;
        accent.setAlphaF(1.0);
        painter->setPen(QPen(accent, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(ring, radius, radius);
    }
    painter->restore();
}

} // namespace brivet

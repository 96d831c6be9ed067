#include "menubar/MenuBarPanelStyle.h"

#include "ui/CardColors.h"

#include <QFrame>
#include <QLabel>
#include <QToolButton>

namespace brivet::MenuBarPanelStyle {

QColor themeTint(NoteTheme theme, const CardColors& colors)
{
    switch (theme) {
    case NoteTheme::work: return colors.theme;
    case NoteTheme::life: return colors.green;
    case NoteTheme::urgent: return colors.red;
    case NoteTheme::custom: return colors.orange;
    }
    return colors.orange;
}

void styleCard(QFrame* card, const QColor& tint)
{
    card->setFrameShape(QFrame::NoFrame);
    card->setAttribute(Qt::WA_StyledBackground);
    card->setStyleSheet(QStringLiteral("#%1 { background: %2; border: 1px solid %3; border-radius: %4px; }")
                            .arg(card->objectName(), cssColor(tint, 0.10), cssColor(tint, 0.22))
                            .arg(cardRadius));
}

QColor secondaryText(const QWidget* widget)
{
    return Theme::from(widget->palette()).secondaryText;
}

QLabel* label(const QString& text, int pixelSize, QFont::Weight weight, bool secondary, QWidget* parent)
{
    auto* result = new QLabel(text, parent);
    QFont font = result->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    result->setFont(font);
    if (secondary) {
        QPalette palette = result->palette();
        palette.setColor(QPalette::WindowText, secondaryText(parent));
        result->setPalette(palette);
    }
    result->setTextInteractionFlags(Qt::NoTextInteraction);
    return result;
}

QToolButton* iconButton(const QIcon& icon, const QString& tip, const QString& name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setIconSize(QSize(15, 15));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setAutoRaise(true);
    button->setFixedSize(26, 26);
    button->setFocusPolicy(Qt::NoFocus);
    makeClickable(button);
    return button;
}

QToolButton* textButton(const QIcon& icon, const QString& text, const QString& name, bool prominent, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setIconSize(QSize(14, 14));
    button->setText(text);
    button->setAccessibleName(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFocusPolicy(Qt::NoFocus);
    makeClickable(button);
    QColor accent = parent->palette().color(QPalette::Highlight);
    QColor foreground = parent->palette().color(QPalette::WindowText);
    if (prominent) {
        button->setStyleSheet(prominentButtonStyle(QStringLiteral("QToolButton"), accent, { 4, 10 }, 12));
    } else {
        button->setStyleSheet(QStringLiteral("QToolButton { background: %1; color: %2; border: none; border-radius: %4px;"
                                             " padding: 4px 10px; font-size: 12px; }"
                                             " QToolButton:hover { background: %3; }"
                                             " QToolButton::menu-indicator { image: none; width: 0; }")
                                  .arg(cssColor(foreground, 0.07), cssColor(foreground, 1.0), cssColor(foreground, 0.13))
                                  .arg(controlRadius));
    }
    return button;
}

} // namespace brivet::MenuBarPanelStyle

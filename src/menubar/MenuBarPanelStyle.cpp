#include "menubar/MenuBarPanelStyle.h"

#include "menubar/PanelButton.h"
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

namespace {
constexpr double cardTintStrength = 0.10;
}

QColor cardFill(const QColor& tint, const QColor& window)
{
    QColor wash = tint;
    wash.setAlphaF(cardTintStrength);
    return composed(wash, window);
}

void styleCard(QFrame* card, const QColor& tint)
{
    card->setFrameShape(QFrame::NoFrame);
    card->setAttribute(Qt::WA_StyledBackground);
    card->setStyleSheet(QStringLiteral("#%1 { background: %2; border: 1px solid %3; border-radius: %4px; }")
                            .arg(card->objectName(), cssColor(tint, cardTintStrength), cssColor(tint, 0.22))
                            .arg(cardRadius));
}

QColor secondaryText(const QWidget* widget)
{
    return Theme::from(widget->palette()).secondaryText;
}

QColor focusRing(const QWidget* widget, bool onAccent)
{
    return widget->palette().color(onAccent ? QPalette::WindowText : QPalette::Highlight);
}

QLabel* label(const QString& text, int pixelSize, QFont::Weight weight, bool secondary, QWidget* parent)
{
    auto* result = new QLabel(text, parent);
    QFont font = result->font();
    font.setPixelSize(fontPixels(pixelSize));
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
    auto* button = new PanelButton(parent);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setIconSize(QSize(15, 15));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setAutoRaise(true);
    button->setFixedSize(26, 26);
    button->setFocusPolicy(Qt::TabFocus);
    makeClickable(button);
    // The style sheet draws only the focused state; otherwise the flat
    // button looks as the style draws it.
    button->setStyleSheet(QStringLiteral("QToolButton:focus { border: 2px solid %1; border-radius: 7px; }"
                                         " QToolButton::menu-indicator { image: none; width: 0; }")
                              .arg(cssColor(focusRing(parent), 1.0)));
    return button;
}

QToolButton* textButton(const QIcon& icon, const QString& text, const QString& name, bool prominent, QWidget* parent)
{
    auto* button = new PanelButton(parent);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setIconSize(QSize(14, 14));
    button->setText(text);
    button->setAccessibleName(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFocusPolicy(Qt::TabFocus);
    makeClickable(button);
    QColor accent = parent->palette().color(QPalette::Highlight);
    QColor foreground = parent->palette().color(QPalette::WindowText);
    if (prominent) {
        // The ring takes the place of two pixels of padding, so focusing
        // the button does not move its neighbours.
        button->setStyleSheet(prominentButtonStyle(QStringLiteral("QToolButton"), accent, { 4, 10 }, 12)
            + QStringLiteral(" QToolButton:focus { border: 2px solid %1; padding: 2px 8px; }")
                  .arg(cssColor(focusRing(parent, true), 1.0)));
    } else {
        button->setStyleSheet(QStringLiteral("QToolButton { background: %1; color: %2; border: none; border-radius: %4px;"
                                             " padding: 4px 10px; font-size: %6px; }"
                                             " QToolButton:hover { background: %3; }"
                                             " QToolButton:focus { border: 2px solid %5; padding: 2px 8px; }"
                                             " QToolButton::menu-indicator { image: none; width: 0; }")
                                  .arg(cssColor(foreground, 0.07), cssColor(foreground, 1.0), cssColor(foreground, 0.13))
                                  .arg(controlRadius)
                                  .arg(cssColor(focusRing(parent), 1.0))
                                  .arg(fontPixels(12)));
    }
    return button;
}

} // namespace brivet::MenuBarPanelStyle

#include "ui/Widgets.h"

#include "ui/Theme.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace brivet {

void makeClickable(QWidget* control, bool enabled)
{
    if (!control || !enabled)
        return;
    control->setCursor(Qt::PointingHandCursor);
}

QLabel* makeLabel(const QString& text, int pixelSize, QFont::Weight weight, const QColor& color, QWidget* parent, LabelWrap wrap)
{
    auto* label = new QLabel(text, parent);
    setUiFont(label, pixelSize, weight);
    setTextColor(label, color);
    if (wrap == LabelWrap::anywhere) {
        label->setWordWrap(true);
        label->setMinimumWidth(1);
    }
    return label;
}

QString prominentButtonStyle(const QString& type, const QColor& requestedFill, ButtonPadding padding, int fontPixelSize)
{
    QColor fill = prominentFill(requestedFill);
    // A near-black fill cannot get darker under the pointer: it lightens.
    QColor hover = fill.lightness() < 64 ? fill.lighter(200) : fill.darker(112);
    QString font = fontPixelSize > 0 ? QStringLiteral(" font-size: %1px;").arg(fontPixels(fontPixelSize)) : QString();
    return QStringLiteral("%1 { background: %2; color: white; border: none; border-radius: %3px; padding: %4px %5px;%6"
                          " font-weight: 600; } %1:hover { background: %7; } %1:disabled { background: %8; }"
                          " %1::menu-indicator { image: none; width: 0; }")
        .arg(type, fill.name())
        .arg(controlRadius)
        .arg(padding.vertical)
        .arg(padding.horizontal)
        .arg(font, hover.name(), fill.lighter(140).name());
}

QPushButton* makeProminentButton(const QIcon& icon, const QString& text, const QColor& fill, ButtonPadding padding, QWidget* parent)
{
    auto* button = new QPushButton(icon, text, parent);
    makeClickable(button);
    button->setStyleSheet(prominentButtonStyle(QStringLiteral("QPushButton"), fill, padding));
    return button;
}

QMenu* makeDeferMenu(const QString& title, QWidget* parent, std::function<void(NoteDeferPreset)> choose)
{
    auto* menu = new QMenu(title, parent);
    // A popup menu is announced by its name, which the title does not set.
    menu->setAccessibleName(title);
    for (NoteDeferPreset preset : allCases<NoteDeferPreset>()) {
        QAction* action = menu->addAction(qs(brivet::title(preset)));
        QObject::connect(action, &QAction::triggered, menu, [choose, preset] { choose(preset); });
    }
    return menu;
}

QWidget* replaceInLayout(QLayout* layout, QWidget* current, QWidget* replacement)
{
    // The layout hands back the item that held the old widget: ours to free.
    QLayoutItem* old = layout->replaceWidget(current, replacement);
    if (!old)
        return nullptr;
    delete old;
    current->hide();
    current->setParent(nullptr);
    current->deleteLater();
    return replacement;
}

ScrollingPage makeScrollingPage(QWidget* owner)
{
    ScrollingPage result;
    auto* outer = new QVBoxLayout(owner);
    outer->setContentsMargins(0, 0, 0, 0);
    result.scroll = new QScrollArea(owner);
    result.scroll->setFrameShape(QFrame::NoFrame);
    result.scroll->setWidgetResizable(true);
    result.scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(result.scroll);
    result.page = new QWidget(result.scroll);
    result.column = new QVBoxLayout(result.page);
    result.column->setContentsMargins(28, 24, 28, 28);
    result.column->setSpacing(20);
    result.scroll->setWidget(result.page);
    return result;
}

} // namespace brivet

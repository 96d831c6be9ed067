#include "desktop/CardStyle.h"

#include "desktop/StickyNoteView.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <optional>

namespace brivet {

namespace {

constexpr const char* controlProperty = "cardControl";
constexpr const char* tintProperty = "cardTint";

// Scroll bars: a 6 px wide handle, 2 px short of either end of the track.
constexpr int scrollBarWidth = 6;
constexpr int scrollBarEndMargin = 2;
constexpr int scrollBarMinimumHandle = 24;

std::optional<CardControl> controlOf(const QWidget* widget)
{
    if (!widget)
        return std::nullopt;
    QVariant value = widget->property(controlProperty);
    if (!value.isValid())
        return std::nullopt;
    return static_cast<CardControl>(value.toInt());
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(std::clamp(alpha, 0.0, 1.0));
    return color;
}

struct Paint {
    QColor background;
    QColor foreground;
};

// What a control of `kind` shows in `state`, on a card of `colors`.
Paint paintFor(CardControl kind, QStyle::State state, const CardColors& c, const QWidget* widget)
{
    bool hovered = (state & QStyle::State_MouseOver) && (state & QStyle::State_Enabled);
    bool enabled = state & QStyle::State_Enabled;
    QColor neutral = withAlpha(c.text, c.dark ? 0.10 : 0.06);
    QColor neutralHover = withAlpha(c.text, c.dark ? 0.18 : 0.12);
    if (QVariant tint = widget ? widget->property(tintProperty) : QVariant(); tint.isValid()) {
        QColor color = tint.value<QColor>();
        double strength = c.dark ? 0.2 : 0.13;
        return { withAlpha(color, strength), textOnTint(color, color, strength, c.surface) };
    }
    switch (kind) {
    case CardControl::button:
        if (!enabled)
            return { neutral, c.secondaryText };
        {
            double strength = hovered ? (c.dark ? 0.32 : 0.2) : (c.dark ? 0.20 : 0.11);
            return { withAlpha(c.theme, strength), textOnTint(c.text, c.theme, strength, c.surface) };
        }
    case CardControl::iconButton:
        return { hovered ? neutralHover : neutral, withAlpha(c.text, 1.0) };
    case CardControl::flatIcon:
        return { hovered ? neutral : QColor(Qt::transparent), withAlpha(c.text, 1.0) };
    case CardControl::prominent:
        return { withAlpha(hovered ? prominentFill(c.theme).lighter(112) : prominentFill(c.theme), 1.0), QColor(Qt::white) };
    }
    return { neutral, c.text };
}

double cornerRadius(CardControl kind)
{
    return kind == CardControl::flatIcon ? 9 : 13;
}

QSize padding(CardControl kind)
{
    switch (kind) {
    case CardControl::button: return { 11, 4 };
    case CardControl::iconButton: return { 4, 4 };
    case CardControl::flatIcon: return { 1, 1 };
    case CardControl::prominent: return { 14, 4 };
    }
    return { 4, 4 };
}

// Draws the capsule of a control of `kind` and readies `label` (a copy of
// the control's option) to draw its icon and text inside the padding, in
// the capsule's foreground, the same whether pressed or not.
void drawCapsule(QPainter* painter, QStyleOption& label, CardControl kind, const QWidget* widget)
{
    Paint paint = paintFor(kind, label.state, cardColorsAround(widget), widget);
    fillRounded(*painter, QRectF(label.rect), cornerRadius(kind), paint.background);
    QSize pad = padding(kind);
    label.rect.adjust(pad.width(), pad.height(), -pad.width(), -pad.height());
    label.state &= ~(QStyle::State_Sunken | QStyle::State_On | QStyle::State_HasFocus);
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        label.palette.setColor(group, QPalette::ButtonText, paint.foreground);
        label.palette.setColor(group, QPalette::WindowText, paint.foreground);
        label.palette.setColor(group, QPalette::Text, paint.foreground);
    }
}

} // namespace

CardStyle::CardStyle()
    // A base of the application's own kind: what the card does not draw
    // itself looks as it does everywhere else.
    : QProxyStyle(QApplication::style() ? QStyleFactory::create(QApplication::style()->name()) : nullptr)
{
}

CardStyle* CardStyle::instance()
{
    static QPointer<CardStyle> style;
    if (!style) {
        style = new CardStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

void CardStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    // Hover changes a capsule's colour, and moving over a scroll bar its handle.
    widget->setAttribute(Qt::WA_Hover);
}

int CardStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        return scrollBarWidth;
    case PM_ScrollBarSliderMin:
        return scrollBarMinimumHandle;
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
        if (controlOf(widget))
            return 0;
        break;
    default:
        break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QSize CardStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const
{
    if (auto kind = controlOf(widget); kind && (type == CT_PushButton || type == CT_ToolButton)) {
        QSize pad = padding(*kind);
        // Tool buttons keep the few pixels around the icon that they have
        // always had on a card.
        int extra = type == CT_ToolButton ? 3 : 0;
        return size + QSize(2 * pad.width() + extra, 2 * pad.height() + extra);
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void CardStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    auto kind = controlOf(widget);
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != CE_PushButton || !kind || !button) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QStyleOptionButton label = *button;
    drawCapsule(painter, label, *kind, widget);
    QProxyStyle::drawControl(CE_PushButtonLabel, &label, painter, widget);
}

void CardStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
    const QWidget* widget) const
{
    if (control == CC_ScrollBar) {
        // Nothing behind the handle; no arrows.
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (!bar || bar->minimum == bar->maximum)
            return;
        CardColors colors = cardColorsAround(widget);
        QRect handle = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
        fillRounded(*painter, QRectF(handle), scrollBarWidth / 2.0, withAlpha(colors.text, colors.dark ? 0.10 : 0.06));
        return;
    }
    auto kind = controlOf(widget);
    const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (control != CC_ToolButton || !kind || !tool) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    QStyleOptionToolButton label = *tool;
    drawCapsule(painter, label, *kind, widget);
    // A button with a menu shows no arrow: its icon says what it does.
    label.features &= ~(QStyleOptionToolButton::HasMenu | QStyleOptionToolButton::MenuButtonPopup);
    QProxyStyle::drawControl(CE_ToolButtonLabel, &label, painter, widget);
}

QRect CardStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
    const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar)
        return QProxyStyle::subControlRect(control, option, subControl, widget);

    bool horizontal = bar->orientation == Qt::Horizontal;
    QRect groove = horizontal ? option->rect.adjusted(scrollBarEndMargin, 0, -scrollBarEndMargin, 0)
                              : option->rect.adjusted(0, scrollBarEndMargin, 0, -scrollBarEndMargin);
    int length = horizontal ? groove.width() : groove.height();
    int range = bar->maximum - bar->minimum;
    int handleLength = length;
    if (range > 0) {
        qint64 proportional = qint64(bar->pageStep) * length / (qint64(range) + bar->pageStep);
        handleLength = std::clamp(int(proportional), std::min(scrollBarMinimumHandle, length), length);
    }
    int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition, length - handleLength, bar->upsideDown);
    QRect handle = horizontal ? QRect(groove.left() + start, groove.top(), handleLength, groove.height())
                              : QRect(groove.left(), groove.top() + start, groove.width(), handleLength);
    switch (subControl) {
    case SC_ScrollBarGroove:
        return groove;
    case SC_ScrollBarSlider:
        return handle;
    case SC_ScrollBarSubPage:
        return horizontal ? QRect(groove.left(), groove.top(), handle.left() - groove.left(), groove.height())
                          : QRect(groove.left(), groove.top(), groove.width(), handle.top() - groove.top());
    case SC_ScrollBarAddPage:
        return horizontal ? QRect(handle.right() + 1, groove.top(), groove.right() - handle.right(), groove.height())
                          : QRect(groove.left(), handle.bottom() + 1, groove.width(), groove.bottom() - handle.bottom());
    default:
        return {};
    }
}

QStyle::SubControl CardStyle::hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
    const QPoint& position, const QWidget* widget) const
{
    if (control != CC_ScrollBar)
        return QProxyStyle::hitTestComplexControl(control, option, position, widget);
    for (SubControl part : { SC_ScrollBarSlider, SC_ScrollBarSubPage, SC_ScrollBarAddPage }) {
        if (subControlRect(control, option, part, widget).contains(position))
            return part;
    }
    return SC_None;
}

void styleCardControl(QWidget* control, CardControl kind)
{
    control->setProperty(controlProperty, static_cast<int>(kind));
    if (kind == CardControl::button || kind == CardControl::prominent) {
        QFont font = control->font();
        if (kind == CardControl::button)
            font.setPixelSize(fontPixels(12));
        else
            font.setWeight(QFont::DemiBold);
        control->setFont(font);
    }
    control->setStyle(CardStyle::instance());
}

void setCardControlTint(QWidget* control, const QColor& tint)
{
    control->setProperty(tintProperty, tint);
    control->update();
}

void styleCardScrollBars(QAbstractScrollArea* area)
{
    for (QScrollBar* bar : { area->verticalScrollBar(), area->horizontalScrollBar() })
        bar->setStyle(CardStyle::instance());
}

CardColors cardColorsAround(const QWidget* widget)
{
    for (const QWidget* at = widget; at; at = at->parentWidget()) {
        if (const auto* card = qobject_cast<const StickyNoteView*>(at); card && card->shownNote())
            return card->colors();
    }
    return cardColors(NoteStyle {}, widget ? widget->palette() : QApplication::palette());
}

RoundedPanel::RoundedPanel(const QColor& fill, double radius, QWidget* parent)
    : QWidget(parent)
    , m_fill(fill)
    , m_radius(radius)
{
}

void RoundedPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    fillRounded(painter, QRectF(rect()), m_radius, m_fill);
}

} // namespace brivet

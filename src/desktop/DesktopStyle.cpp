#include "desktop/DesktopStyle.h"

#include "ui/TintedSvgIcon.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cctype>

// Resources live in a static library; they are registered on first use.
static void registerDesktopResources()
{
    static bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace brivet {

namespace {

struct SymbolInfo {
    const char* file;
    const char* themeName;
};

SymbolInfo info(Symbol symbol)
{
    switch (symbol) {
    case Symbol::circle: return { "circle", "radio-symbolic" };
    case Symbol::checkmarkCircleFill: return { "checkmark-circle-fill", "emblem-ok-symbolic" };
    case Symbol::checklist: return { "checklist", "view-list-symbolic" };
    case Symbol::clockBadge: return { "clock-badge", "alarm-symbolic" };
    case Symbol::squareAndPencil: return { "square-and-pencil", "document-edit-symbolic" };
    case Symbol::eyeSlash: return { "eye-slash", "view-conceal-symbolic" };
    case Symbol::trash: return { "trash", "user-trash-symbolic" };
    case Symbol::calendar: return { "calendar", "x-office-calendar-symbolic" };
    case Symbol::arrowUpForwardApp: return { "arrow-up-forward-app", "window-new-symbolic" };
    case Symbol::plus: return { "plus", "list-add-symbolic" };
    case Symbol::plusCircleFill: return { "plus-circle-fill", "list-add-symbolic" };
    }
    return { "circle", "radio-symbolic" };
}

QIcon bundledIcon(Symbol symbol, const QColor& color)
{
    registerDesktopResources();
    return tintedSvgIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(info(symbol).file)), color);
}

// A capsule behind the text.
class TagLabel final : public QLabel {
public:
    TagLabel(const QString& text, const QColor& background, QWidget* parent)
        : QLabel(text, parent)
        , m_background(background)
    {
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        {
            QPainter painter(this);
            fillRounded(painter, QRectF(rect()), 9, m_background);
        }
        QLabel::paintEvent(event);
    }

private:
    QColor m_background;
};

} // namespace

std::optional<QColor> parseHexColor(std::string_view text)
{
    std::string digits;
    for (char c : text)
        if (c != '#')
            digits.push_back(c);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    unsigned long value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 16 + static_cast<unsigned long>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                                                  : std::tolower(c) - 'a' + 10);
    }
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

bool isDarkScheme(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor themeColor(const NoteStyle& style, const QPalette& palette)
{
    bool dark = isDarkScheme(palette);
    switch (style.theme) {
    case NoteTheme::work: return palette.color(QPalette::Highlight);
    case NoteTheme::life: return dark ? QColor(48, 209, 88) : QColor(52, 199, 89);
    case NoteTheme::urgent: return dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
    case NoteTheme::custom:
        if (auto parsed = parseHexColor(style.customHexColor.value_or("#FFB340")))
            return *parsed;
        // Unreadable text: black, as reading it as a number would give.
        return QColor(0, 0, 0);
    }
    return palette.color(QPalette::Highlight);
}

CardColors cardColors(const NoteStyle& style, const QPalette& palette)
{
    CardColors colors;
    colors.dark = isDarkScheme(palette);
    colors.theme = themeColor(style, palette);
    colors.text = palette.color(QPalette::WindowText);
    colors.secondaryText = colors.text;
    colors.secondaryText.setAlphaF(colors.dark ? 0.6 : 0.55);
    colors.windowBackground = palette.color(QPalette::Window);
    colors.green = colors.dark ? QColor(48, 209, 88) : QColor(40, 167, 69);
    colors.red = colors.dark ? QColor(255, 69, 58) : QColor(230, 50, 40);
    colors.orange = colors.dark ? QColor(255, 159, 10) : QColor(240, 140, 0);
    return colors;
}

QIcon symbolIcon(Symbol symbol, const QColor& color, bool allowThemeIcon)
{
    // Symbolic theme icons are drawn dark; on a dark card, and wherever a
    // tint carries meaning, the bundled drawing in the asked colour reads better.
    if (allowThemeIcon && color.lightness() < 110) {
        QString themeName = QIcon::themeName();
        if (!themeName.isEmpty() && themeName != QLatin1String("hicolor")) {
            QString name = QLatin1String(info(symbol).themeName);
            if (QIcon::hasThemeIcon(name))
                return QIcon::fromTheme(name, bundledIcon(symbol, color));
        }
    }
    return bundledIcon(symbol, color);
}

void makeClickable(QWidget* control, bool enabled)
{
    if (!control || !enabled)
        return;
    control->setCursor(Qt::PointingHandCursor);
}

QString cssColor(const QColor& color, double alpha)
{
    double a = alpha < 0 ? color.alphaF() : alpha;
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(color.red()).arg(color.green()).arg(color.blue()).arg(std::clamp(a, 0.0, 1.0), 0, 'f', 3);
}

void fillRounded(QPainter& painter, const QRectF& rect, double radius, const QColor& color)
{
    if (color.alpha() == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    double r = std::min(radius, std::min(rect.width(), rect.height()) / 2);
    painter.drawRoundedRect(rect, r, r);
    painter.restore();
}

QLabel* makeTag(const QString& text, const QColor& tint, const CardColors& colors, QWidget* parent)
{
    QColor background = tint;
    background.setAlphaF(colors.dark ? 0.24 : 0.16);
    auto* label = new TagLabel(text, background, parent);
    QColor foreground = tint;
    if (!colors.dark)
        foreground = tint.darker(135);
    foreground.setAlphaF(1.0);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, foreground);
    label->setPalette(palette);
    QFont font = label->font();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setContentsMargins(11, 1, 12, 1);
    label->setFixedHeight(20);
    return label;
}

QMenu* makeDeferMenu(const QString& title, QWidget* parent, std::function<void(NoteDeferPreset)> choose)
{
    auto* menu = new QMenu(title, parent);
    for (NoteDeferPreset preset : allCases<NoteDeferPreset>()) {
        QAction* action = menu->addAction(qs(brivet::title(preset)));
        QObject::connect(action, &QAction::triggered, menu, [choose, preset] { choose(preset); });
    }
    return menu;
}

} // namespace brivet

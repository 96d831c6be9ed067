// Every text the cards, the tray panel and the dashboard draw, in every
// note theme and in light and dark palettes, against what lies behind it:
// each must reach 4.5:1, the ratio small text needs to be read.

#include "dashboard/DashboardStyle.h"
#include "ui/CardColors.h"
#include "ScenePalettes.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

#include <QLabel>

#include <memory>

namespace brivet::testing {
namespace {

struct Look {
    const char* name;
    QPalette palette;
};

// The looks the screenshots are taken in, and Fusion's own light palette
// with its muted blue accent.
std::vector<Look> looks()
{
    return { { "light", sceneLightPalette() }, { "dark", sceneDarkPalette() }, { "fusion", fusionLightPalette() } };
}

// Every note theme, and custom colours from dark to a pale yellow.
std::vector<std::pair<std::string, NoteStyle>> noteStyles()
{
    std::vector<std::pair<std::string, NoteStyle>> styles;
    for (NoteTheme theme : allCases<NoteTheme>()) {
        NoteStyle style;
        style.theme = theme;
        styles.emplace_back(std::string(rawValue(theme)), style);
    }
    for (const char* hex : { "#8E6CEF", "#FFE066", "#2E2E2E", "#7FD1FF" }) {
        NoteStyle style;
        style.theme = NoteTheme::custom;
        style.customHexColor = hex;
        styles.emplace_back(std::string("custom ") + hex, style);
    }
    return styles;
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(alpha);
    return color;
}

// Collects every text that falls short, one line each.
class ContrastCheck {
public:
    void expect(const std::string& where, const QColor& text, const QColor& background, double minimum = readableContrast)
    {
        ++m_checked;
        double ratio = contrastRatio(text, background);
        if (ratio < minimum)
            m_failures += where + ": " + text.name(QColor::HexArgb).toStdString() + " on " + background.name().toStdString()
                + " is " + std::to_string(ratio) + ":1\n";
    }
    int checked() const { return m_checked; }
    const std::string& failures() const { return m_failures; }

private:
    int m_checked = 0;
    std::string m_failures;
};

QColor labelText(QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

TEST(ContrastTest, CardTextsInEveryThemeAndScheme)
{
    ContrastCheck check;
    for (const Look& look : looks()) {
        for (const auto& [styleName, style] : noteStyles()) {
            std::string at = std::string(look.name) + " " + styleName + " card ";
            CardColors c = cardColors(style, look.palette);
            QColor taskPanel = composed(withAlpha(Qt::white, c.dark ? 0.06 : 0.55), c.surface);
            check.expect(at + "title and details", c.text, c.surface);
            check.expect(at + "secondary text and placeholder", c.secondaryText, c.surface);
            check.expect(at + "secondary text on the task panel", c.secondaryText, taskPanel);
            check.expect(at + "task on the task panel", c.text, taskPanel);
            for (QColor tint : { c.theme, c.green, c.orange, c.red, c.text }) {
                std::unique_ptr<QLabel> tag(makeTag(QStringLiteral("标签"), tint, c, nullptr));
                check.expect(at + "tag " + tint.name().toStdString(), labelText(tag.get()),
                    composed(tagBackground(tint, c.dark), c.surface));
            }
            check.expect(at + "button", textOnTint(c.text, c.theme, c.dark ? 0.32 : 0.2, c.surface),
                composed(withAlpha(c.theme, c.dark ? 0.32 : 0.2), c.surface));
            check.expect(at + "disabled button", c.secondaryText, composed(withAlpha(c.text, c.dark ? 0.10 : 0.06), c.surface));
            check.expect(at + "completed button", textOnTint(c.green, c.green, c.dark ? 0.2 : 0.13, c.surface),
                composed(withAlpha(c.green, c.dark ? 0.2 : 0.13), c.surface));
            check.expect(at + "prominent button", Qt::white, prominentFill(c.theme));
            check.expect(at + "text in the theme colour", readableOn(c.theme, c.surface), c.surface);
        }
    }
    EXPECT_GT(check.checked(), 300);
    EXPECT_EQ(check.failures(), "");
}

TEST(ContrastTest, TrayPanelTextsOnItsCards)
{
    ContrastCheck check;
    for (const Look& look : looks()) {
        Theme theme = Theme::from(look.palette);
        for (const auto& [styleName, style] : noteStyles()) {
            std::string at = std::string(look.name) + " " + styleName + " panel ";
            CardColors c = cardColors(style, look.palette);
            // A panel card is tinted by the note's theme, custom notes orange.
            QColor tint = style.theme == NoteTheme::work ? c.theme
                : style.theme == NoteTheme::life         ? c.green
                : style.theme == NoteTheme::urgent       ? c.red
                                                         : c.orange;
            {
                QColor card = composed(withAlpha(tint, 0.10), theme.window);
                c.surface = card;
                check.expect(at + "heading", theme.text, card);
                check.expect(at + "detail", theme.secondaryText, card);
                for (QColor tagTint : { tint, c.orange, c.green, theme.secondaryText }) {
                    std::unique_ptr<QLabel> tag(makeTag(QStringLiteral("标签"), tagTint, c, nullptr));
                    check.expect(at + "tag " + tagTint.name().toStdString(), labelText(tag.get()),
                        composed(tagBackground(tagTint, c.dark), card));
                }
            }
        }
        std::string at = std::string(look.name) + " panel ";
        check.expect(at + "section title", theme.secondaryText, theme.window);
        check.expect(at + "quick action", theme.text, composed(withAlpha(theme.text, 0.13), theme.window));
        check.expect(at + "prominent button", Qt::white, prominentFill(theme.accent));
    }
    EXPECT_EQ(check.failures(), "");
}

TEST(ContrastTest, DashboardTextsAndTheEditorsFixedColours)
{
    ContrastCheck check;
    for (const Look& look : looks()) {
        Theme theme = Theme::from(look.palette);
        std::string at = std::string(look.name) + " dashboard ";
        for (QColor surface : { theme.window, theme.card }) {
            check.expect(at + "text", theme.text, surface);
            check.expect(at + "secondary text", theme.secondaryText, surface);
        }
        for (QColor tint : { theme.purple, theme.green, theme.secondaryText, theme.orange, theme.accent, theme.red }) {
            check.expect(at + "list tag " + tint.name().toStdString(), tagText(tint, theme.card, theme.dark),
                composed(tagBackground(tint, theme.dark), theme.card));
            for (double strength : { 0.11, 0.24 }) {
                QColor capsule = composed(withAlpha(tint, strength), theme.card);
                QColor shade = theme.dark ? tint.lighter(115) : tint.darker(120);
                check.expect(at + "list button " + tint.name().toStdString(), textOnTint(shade, tint, strength, theme.card), capsule);
            }
        }
        check.expect(at + "sync button", Qt::white, prominentFill(theme.accent));
    }
    // The editor keeps its light colours in either scheme; a calendar
    // note's read-only texts are drawn in the placeholder colour.
    for (QColor surface : { QColor(Qt::white), EditorColors::surface() }) {
        check.expect("editor title", EditorColors::title(), surface);
        check.expect("editor secondary text", EditorColors::secondary(), surface);
        check.expect("editor placeholder and read-only text", EditorColors::placeholder(), surface);
    }
    check.expect("editor save button", Qt::white, prominentFill(EditorColors::title()));
    EXPECT_EQ(check.failures(), "");
}

TEST(ContrastTest, ReadableOnMovesOnlyAsFarAsNeeded)
{
    // Already readable: unchanged.
    EXPECT_EQ(readableOn(QColor(20, 20, 20), Qt::white), QColor(20, 20, 20));
    // A pale orange on white darkens, a dim blue on black lightens, both
    // to just past the mark.
    for (auto [text, background] : { std::pair { QColor(255, 179, 64), QColor(Qt::white) },
             std::pair { QColor(0, 40, 120), QColor(Qt::black) } }) {
        QColor readable = readableOn(text, background);
        EXPECT_GE(contrastRatio(readable, background), readableContrast);
        EXPECT_LT(contrastRatio(readable, background), readableContrast + 0.6);
    }
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(contrastRatio(withAlpha(Qt::black, 0.0), Qt::white), 1.0, 0.01);
}

} // namespace
} // namespace brivet::testing

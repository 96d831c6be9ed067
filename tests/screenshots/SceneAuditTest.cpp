// Every screenshot scene walked as a screen reader walks it: each window's
// accessible tree from the root, counting its interactive nodes and those
// without a name, without an action or out of the keyboard's reach.

#include "Scenes.h"
#include "support/qt/AccessibilityAudit.h"
#include "ui/ElidingLabel.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QWidget>

#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <set>

namespace brivet::testing {
namespace {

// Every scene of every surface must pass the audit: cards, the tray panel
// and the dashboard all read well to assistive tools.
const std::set<SceneSurface> auditedSurfaces { SceneSurface::card, SceneSurface::trayPanel, SceneSurface::dashboard };

class AuditingVisitor final : public SceneVisitor {
public:
    bool visit(const SceneShot& scene) override
    {
        AccessibilityAudit audit;
        for (QWidget* window : scene.windows)
            if (window && window->isVisible())
                audit += auditAccessibleTree(window);
        std::cout << qPrintable(scene.name) << ": " << audit.interactive << " interactive, " << audit.unnamed
                  << " unnamed, " << audit.unactionable << " unactionable, " << audit.unfocusable << " unfocusable\n";
        Totals& totals = m_totals[scene.surface];
        ++totals.scenes;
        totals.audit += audit;
        if (!audit.passed())
            totals.failures += scene.name.toStdString() + ":\n" + audit.report().toStdString() + "\n";
        return true;
    }
    // The whole run needs no private Evolution Data Server.
    bool wantsStoreScenes() const override { return false; }

    struct Totals {
        int scenes = 0;
        AccessibilityAudit audit;
        std::string failures;
    };
    const std::map<SceneSurface, Totals>& totals() const { return m_totals; }

private:
    std::map<SceneSurface, Totals> m_totals;
};

TEST(SceneAudit, EveryScenesAccessibleTreeOnTheAuditedSurfacesIsComplete)
{
    prepareSceneApplication();
    AuditingVisitor auditor;
    int visited = visitScenes(auditor);
    EXPECT_GT(visited, 40);

    for (const auto& [surface, totals] : auditor.totals()) {
        const AccessibilityAudit& audit = totals.audit;
        std::cout << surfaceName(surface) << " over " << totals.scenes << " scenes: " << audit.interactive
                  << " interactive, " << audit.unnamed << " unnamed, " << audit.unactionable << " unactionable, "
                  << audit.unfocusable << " unfocusable\n";
        EXPECT_GT(audit.interactive, 0) << surfaceName(surface);
        if (auditedSurfaces.count(surface)) {
            EXPECT_EQ(totals.failures, "") << surfaceName(surface);
        }
    }
    // Every surface has scenes.
    EXPECT_EQ(auditor.totals().size(), 3u);
}

// Every label a scene shows: its text's height fits the label, and one-line
// text fits its width or ends in "…".
class ClippingVisitor final : public SceneVisitor {
public:
    bool visit(const SceneShot& scene) override
    {
        for (QWidget* window : scene.windows) {
            if (!window || !window->isVisible())
                continue;
            for (QLabel* label : window->findChildren<QLabel*>()) {
                if (!label->isVisibleTo(window) || label->text().isEmpty() || label->width() <= 1)
                    continue;
                // Labels scrolled out of the scene are not what it shows.
                if (insideScrolledArea(label))
                    continue;
                ++checked;
                int lineHeight = QFontMetrics(label->font()).height();
                QString where = scene.name + QLatin1Char(' ') + (label->objectName().isEmpty() ? label->text().left(12) : label->objectName());
                if (label->height() < lineHeight)
                    clipped << where + QStringLiteral(": %1 px high for %2 px lines").arg(label->height()).arg(lineHeight);
                else if (!label->wordWrap() && !qobject_cast<ElidingLabel*>(label)
                    && label->width() < label->sizeHint().width() - 1)
                    clipped << where + QStringLiteral(": %1 px wide for %2 px").arg(label->width()).arg(label->sizeHint().width());
                largestPixels = std::max(largestPixels, QFontInfo(label->font()).pixelSize());
            }
        }
        return true;
    }
    bool wantsStoreScenes() const override { return false; }

    static bool insideScrolledArea(QWidget* widget)
    {
        for (QWidget* at = widget->parentWidget(); at; at = at->parentWidget())
            if (auto* area = qobject_cast<QScrollArea*>(at))
                return !area->viewport()->rect().intersects(QRect(widget->mapTo(area->viewport(), QPoint()), widget->size()));
        return false;
    }

    int checked = 0;
    int largestPixels = 0;
    QStringList clipped;
};

TEST(SceneAudit, AFontHalfAsLargeAgainMakesTextLargerWithoutClippingIt)
{
    prepareSceneApplication();
    QFont original = QApplication::font();
    ClippingVisitor designed;
    visitScenes(designed);

    QFont larger = original;
    larger.setPointSizeF(15);
    QApplication::setFont(larger);
    EXPECT_DOUBLE_EQ(fontScale(), 1.5);
    ClippingVisitor scaled;
    visitScenes(scaled);
    QApplication::setFont(original);

    EXPECT_GT(scaled.checked, 200);
    EXPECT_GE(scaled.largestPixels, designed.largestPixels * 1.4);
    EXPECT_EQ(scaled.clipped.join(QLatin1Char('\n')).toStdString(), "");
}

} // namespace
} // namespace brivet::testing

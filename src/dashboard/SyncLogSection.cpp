#include "dashboard/SyncLogSection.h"

#include "dashboard/DashboardCard.h"
#include "dashboard/DashboardTexts.h"
#include "state/AppState.h"
#include "ui/Theme.h"
#include "ui/Widgets.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace brivet {

SyncLogSection::SyncLogSection(AppState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("syncLog"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* form = new FormSection(QStringLiteral("同步记录"), this);
    outer->addWidget(form);
    auto* holder = new QWidget(form);
    m_rows = new QVBoxLayout(holder);
    m_rows->setContentsMargins(0, 4, 0, 8);
    m_rows->setSpacing(10);
    form->addWidget(holder);
    m_empty = makeLabel(QStringLiteral("还没有同步记录"), 13, QFont::Normal, Theme::from(palette()).secondaryText, holder);
    m_rows->addWidget(m_empty);
    refresh();
}

void SyncLogSection::refresh()
{
    const std::vector<SyncLogEntry>& entries = m_state.syncLog().entries();
    const long long newest = entries.empty() ? 0 : entries.front().startedAt.time_since_epoch().count();
    if (entries.size() == m_shownCount && newest == m_shownNewest && (!entries.empty() || m_shownCount == 0))
        return;
    m_shownCount = entries.size();
    m_shownNewest = newest;
    for (Row& row : m_shown)
        delete row.widget;
    m_shown.clear();
    m_empty->setVisible(entries.empty());

    const Theme colors = Theme::from(palette());
    for (const SyncLogEntry& entry : entries) {
        Row row;
        row.widget = new QWidget(m_empty->parentWidget());
        auto* column = new QVBoxLayout(row.widget);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(2);
        auto* top = new QHBoxLayout;
        top->setSpacing(8);
        row.headline = QString::fromStdString(DashboardTexts::syncLogHeadline(entry, m_state.calendar()));
        top->addWidget(makeLabel(row.headline, 13, QFont::DemiBold, entry.succeeded ? colors.text : colors.red, row.widget), 1);
        for (const std::string& line : DashboardTexts::syncLogActionLines(entry))
            row.lines << QString::fromStdString(line);
        QLabel* details = nullptr;
        if (!row.lines.isEmpty()) {
            row.details = new QToolButton(row.widget);
            row.details->setText(QStringLiteral("详情"));
            row.details->setCheckable(true);
            row.details->setAccessibleName(QStringLiteral("同步详情：") + row.headline);
            top->addWidget(row.details);
        }
        column->addLayout(top);
        column->addWidget(makeLabel(QString::fromStdString(DashboardTexts::syncLogCounters(entry)), 12, QFont::Normal,
            colors.secondaryText, row.widget));
        if (!entry.succeeded)
            column->addWidget(makeLabel(QString::fromStdString(entry.status), 12, QFont::Normal, colors.secondaryText, row.widget,
                LabelWrap::anywhere));
        if (row.details) {
            details = makeLabel(row.lines.join(QLatin1Char('\n')), 12, QFont::Normal, colors.text, row.widget, LabelWrap::anywhere);
            details->setTextInteractionFlags(Qt::TextSelectableByMouse);
            details->setVisible(false);
            column->addWidget(details);
            connect(row.details, &QToolButton::toggled, details, &QWidget::setVisible);
        }
        m_rows->addWidget(row.widget);
        m_shown.push_back(std::move(row));
    }
}

QStringList SyncLogSection::headlines() const
{
    QStringList result;
    for (const Row& row : m_shown)
        result << row.headline;
    return result;
}

QToolButton* SyncLogSection::detailsButton(int index) const
{
    return index >= 0 && index < static_cast<int>(m_shown.size()) ? m_shown[index].details : nullptr;
}

QStringList SyncLogSection::detailLines(int index) const
{
    return index >= 0 && index < static_cast<int>(m_shown.size()) ? m_shown[index].lines : QStringList {};
}

} // namespace brivet

#include "dashboard/DashboardSyncCenterView.h"

#include "dashboard/DashboardCard.h"
#include "dashboard/DashboardStepper.h"
#include "dashboard/DashboardStyle.h"
#include "dashboard/DashboardTexts.h"
#include "dashboard/PreferenceBinder.h"
#include "dashboard/ToggleSwitch.h"
#include "state/AppState.h"
#include "dashboard/SyncLogSection.h"
#include "ui/StateBridge.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace brivet {

namespace {

// The filled circle of a list's colour ("#7A7A7A" without one; black for
// text that is not a hexadecimal number).
class ColorDot final : public QWidget {
public:
    ColorDot(const QColor& color, QWidget* parent) : QWidget(parent), m_color(color) { setFixedSize(11, 11); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color);
        painter.drawEllipse(QRectF(rect()));
    }

private:
    QColor m_color;
};

QColor sourceColor(const std::optional<std::string>& hex)
{
    return parseHexColor(hex.value_or("#7A7A7A")).value_or(QColor(0, 0, 0));
}

} // namespace

DashboardSyncCenterView::DashboardSyncCenterView(AppState& state, Scheduler& scheduler, StateBridge& bridge, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_scheduler(scheduler)
    , m_binder(new PreferenceBinder(state, this))
{
    setObjectName(QStringLiteral("dashboardSync"));
    ScrollingPage scrolling = makeScrollingPage(this);
    QWidget* page = scrolling.page;
    QVBoxLayout* column = scrolling.column;
    column->addWidget(buildHeader(page));
    column->addWidget(buildStrategy(page));
    column->addWidget(buildResults(page));
    m_log = new SyncLogSection(state, page);
    column->addWidget(m_log);
    buildSourceSection(m_reminders, QStringLiteral("提醒事项列表"), page);
    column->addWidget(m_reminders.section);
    buildSourceSection(m_calendars, QStringLiteral("日历"), page);
    column->addWidget(m_calendars.section);
    column->addStretch(1);

    connect(&bridge, &StateBridge::preferencesChanged, this, &DashboardSyncCenterView::showPreferences);
    connect(&bridge, &StateBridge::changed, this, [this](StateField field) {
        if (field == StateField::syncSources)
            m_refreshed = true;
    });
    connect(&bridge, &StateBridge::syncChanged, this, &DashboardSyncCenterView::showSync);
    connect(&bridge, &StateBridge::changed, this, [this](StateField field) {
        if (field == StateField::syncLog)
            m_log->refresh();
    });
    showPreferences();
    showSync();
}

DashboardSyncCenterView::~DashboardSyncCenterView() = default;

QWidget* DashboardSyncCenterView::buildHeader(QWidget* parent)
{
    Theme colors = Theme::from(palette());
    auto* card = new DashboardCard(parent);
    auto* line = new QHBoxLayout(card);
    line->setContentsMargins(18, 16, 18, 16);
    line->setSpacing(16);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(makeLabel(QStringLiteral("同步源筛选"), 24, QFont::Bold, colors.text, card));
    texts->addWidget(makeLabel(QStringLiteral("悬笺只把值得放上桌面的系统任务拉进来。先选时间范围，再选来源，再决定导入项是否直接上桌面。"),
        13, QFont::Normal, colors.secondaryText, card, LabelWrap::anywhere));
    line->addLayout(texts, 1);
    m_refresh = new QPushButton(bundledIcon(Symbol::arrowClockwise, colors.text), QStringLiteral("刷新源列表"), card);
    m_refresh->setObjectName(QStringLiteral("refreshSources"));
    m_refresh->setCursor(Qt::PointingHandCursor);
    connect(m_refresh, &QPushButton::clicked, this, [this] {
        m_refreshRequested = true;
        AppState* state = &m_state;
        m_refreshTask = TaskHandle(m_scheduler, m_scheduler.schedule(Duration(0), [this, state] {
            m_refreshTask.release();
            state->refreshSyncSources();
        }));
        showSync();
    });
    line->addWidget(m_refresh, 0, Qt::AlignTop);
    return card;
}

QWidget* DashboardSyncCenterView::buildStrategy(QWidget* parent)
{
    Theme colors = Theme::from(palette());
    auto* section = new FormSection(QStringLiteral("导入策略"), parent);
    auto addSwitch = [&](const QString& text, bool AppPreferences::*field) {
        auto* control = new ToggleSwitch(text);
        m_binder->bindSwitch(control, field);
        m_switches.push_back(control);
        section->addRow(text, control);
    };
    addSwitch(QStringLiteral("系统有新事项时自动同步"), &AppPreferences::autoSyncEnabled);
    addSwitch(QStringLiteral("导入日历事件"), &AppPreferences::includeCalendarEvents);
    addSwitch(QStringLiteral("自动生成今日桌面板"), &AppPreferences::autoGenerateFocusBoard);
    addSwitch(QStringLiteral("自动生成即将到期板"), &AppPreferences::autoGenerateUpcomingBoard);

    m_surfaceMode = enumPicker<DesktopSurfaceMode>(section);
    m_surfaceMode->setObjectName(QStringLiteral("surfaceModePicker"));
    m_binder->bindPicker(m_surfaceMode, &AppPreferences::desktopSurfaceMode);
    section->addRow(QStringLiteral("桌面呈现方式"), m_surfaceMode);

    m_scope = enumPicker<SyncDateScope>(section);
    m_scope->setObjectName(QStringLiteral("scopePicker"));
    m_binder->bindPicker(m_scope, &AppPreferences::syncDateScope);
    section->addRow(QStringLiteral("同步日期范围"), m_scope);

    m_range = makeLabel({}, 13, QFont::Normal, colors.secondaryText, section);
    m_range->setObjectName(QStringLiteral("rangeLine"));
    m_range->setContentsMargins(0, 6, 0, 8);
    section->addWidget(m_range);

    m_customRange = new QWidget(section);
    auto* customColumn = new QVBoxLayout(m_customRange);
    customColumn->setContentsMargins(0, 0, 0, 0);
    customColumn->setSpacing(0);
    auto dateRow = [&](const QString& text, QDateEdit*& edit, Instant AppPreferences::*field, const char* name) {
        edit = new QDateEdit(m_customRange);
        edit->setObjectName(QLatin1String(name));
        edit->setAccessibleName(text);
        edit->setMinimumWidth(170);
        m_binder->bindDate(edit, field);
        auto* row = new QWidget(m_customRange);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 8, 0, 8);
        line->addWidget(makeLabel(text, 13, QFont::Normal, colors.text, row), 1);
        edit->setParent(row);
        line->addWidget(edit);
        customColumn->addWidget(row);
    };
    dateRow(QStringLiteral("开始日期"), m_start, &AppPreferences::syncStartDate, "startDatePicker");
    dateRow(QStringLiteral("结束日期"), m_end, &AppPreferences::syncEndDate, "endDatePicker");
    section->addWidget(m_customRange);
    section->addDivider();

    addSwitch(QStringLiteral("仅导入带截止时间的提醒"), &AppPreferences::reminderSyncRequiresDueDate);
    addSwitch(QStringLiteral("仅导入高优先级提醒"), &AppPreferences::onlyImportHighPriorityReminders);

    m_stepper = new DashboardStepper(int(AppPreferences::minimumTaskLimit), int(AppPreferences::maximumTaskLimit));
    m_stepper->setObjectName(QStringLiteral("taskLimitStepper"));
    AppState* state = &m_state;
    connect(m_stepper, &DashboardStepper::stepped, this,
        [state](int value) { state->updatePreferences([value](AppPreferences& p) { p.focusBoardTaskLimit = value; }); });
    QWidget* stepperRow = section->addRow({}, m_stepper);
    m_stepperLabel = stepperRow->findChild<QLabel*>();
    m_binder->bindCustom([this](const AppPreferences& p) {
        m_stepper->setValue(int(p.focusBoardTaskLimit));
        m_stepperLabel->setText(QString::fromStdString(DashboardTexts::taskLimitLabel(p.focusBoardTaskLimit)));
    });
    section->addDivider();

    auto* statusRow = new QWidget(section);
    auto* statusLine = new QHBoxLayout(statusRow);
    statusLine->setContentsMargins(0, 10, 0, 10);
    statusLine->setSpacing(14);
    auto* statusTexts = new QVBoxLayout;
    statusTexts->setSpacing(4);
    m_headline = makeLabel({}, 14, QFont::DemiBold, colors.text, statusRow);
    m_headline->setObjectName(QStringLiteral("syncHeadline"));
    statusTexts->addWidget(m_headline);
    statusTexts->addWidget(makeLabel(QStringLiteral("首次点击“开始同步”后，才会把系统数据导入悬笺并生成桌面板。"), 12, QFont::Normal,
        colors.secondaryText, statusRow, LabelWrap::anywhere));
    m_status = makeLabel({}, 12, QFont::Medium, colors.secondaryText, statusRow, LabelWrap::anywhere);
    m_status->setObjectName(QStringLiteral("syncStatusLine"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusTexts->addWidget(m_status);
    statusLine->addLayout(statusTexts, 1);
    m_syncButton = makeProminentButton(bundledIcon(Symbol::arrowClockwise, Qt::white), {}, colors.accent, { 7, 16 }, statusRow);
    m_syncButton->setObjectName(QStringLiteral("syncButton"));
    connect(m_syncButton, &QPushButton::clicked, this, [this] { m_state.startSyncByHand(SyncStart::afterThisEvent); });
    statusLine->addWidget(m_syncButton, 0, Qt::AlignVCenter);
    section->addWidget(statusRow);
    return section;
}

QWidget* DashboardSyncCenterView::buildResults(QWidget* parent)
{
    Theme colors = Theme::from(palette());
    auto* section = new FormSection(QStringLiteral("最近同步结果"), parent);
    m_results = section;
    auto* pills = new QWidget(section);
    auto* line = new QHBoxLayout(pills);
    line->setContentsMargins(0, 10, 0, 6);
    line->setSpacing(10);
    const std::pair<const char*, QColor> kinds[] = {
        { "新增提醒", colors.orange },
        { "回写提醒", colors.accent },
        { "导入日历", colors.green },
        { "场景板刷新", colors.purple },
        { "当前总数", colors.secondaryText },
    };
    for (const auto& [title, tint] : kinds) {
        auto* pill = new DashboardCard(pills, 12);
        pill->setObjectName(QStringLiteral("syncResultPill"));
        pill->setTint(tint, 0.08);
        pill->setBorderless(true);
        auto* column = new QVBoxLayout(pill);
        column->setContentsMargins(12, 10, 12, 10);
        column->setSpacing(2);
        column->addWidget(makeLabel(QString::fromUtf8(title), 11, QFont::Normal, colors.secondaryText, pill));
        QLabel* value = makeLabel(QStringLiteral("0"), 20, QFont::DemiBold, colors.text, pill);
        column->addWidget(value);
        m_pillValues.push_back(value);
        line->addWidget(pill, 1);
    }
    section->addWidget(pills);
    m_resultsStatus = makeLabel({}, 12, QFont::Normal, colors.secondaryText, section, LabelWrap::anywhere);
    m_resultsStatus->setContentsMargins(0, 0, 0, 8);
    section->addWidget(m_resultsStatus);
    return section;
}

void DashboardSyncCenterView::buildSourceSection(SourceSection& section, const QString& title, QWidget* parent)
{
    auto* form = new FormSection(title, parent);
    section.section = form;
    auto* holder = new QWidget(form);
    section.rows = new QVBoxLayout(holder);
    section.rows->setContentsMargins(0, 0, 0, 0);
    section.rows->setSpacing(0);
    form->addWidget(holder);
    section.notice = makeLabel({}, 13, QFont::Normal, Theme::from(palette()).secondaryText, form, LabelWrap::anywhere);
    section.notice->setContentsMargins(0, 8, 0, 8);
    section.notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addWidget(section.notice);
}

void DashboardSyncCenterView::showPreferences()
{
    m_binder->apply();
    const AppPreferences& preferences = m_state.preferences();
    bool custom = preferences.syncDateScope == SyncDateScope::custom;
    m_range->setVisible(!custom);
    m_customRange->setVisible(custom);
    if (!custom)
        m_range->setText(QString::fromStdString(DashboardTexts::rangeLine(preferences, m_state.calendar())));
    m_headline->setText(qs(DashboardTexts::syncStatusHeadline(preferences.hasActivatedSync)));
    m_syncButton->setText(qs(DashboardTexts::syncCenterButtonTitle(preferences.hasActivatedSync)));
    // Selections changed: the switches follow.
    showSources(m_reminders, m_state.syncSources().reminderLists, m_state.syncSources().remindersAuthorized,
        SyncSourceKind::reminderList);
    showSources(m_calendars, m_state.syncSources().calendars, m_state.syncSources().calendarsAuthorized,
        SyncSourceKind::calendar);
}

void DashboardSyncCenterView::showSync()
{
    Theme colors = Theme::from(palette());
    const std::string& status = m_state.syncStatus();
    m_status->setText(QString::fromStdString(status));
    bool failed = status.rfind("同步失败", 0) == 0;
    setTextColor(m_status, failed ? colors.red : colors.secondaryText);
    m_syncButton->setEnabled(!m_state.isSyncing());

    const std::optional<SyncReport>& report = m_state.lastSyncReport();
    m_results->setVisible(report.has_value());
    if (report) {
        const int values[] = { report->remindersImported, report->remindersWritten, report->calendarImported,
            report->boardsRefreshed, report->totalNotes };
        for (std::size_t i = 0; i < m_pillValues.size(); ++i)
            m_pillValues[i]->setText(QString::number(values[i]));
        m_resultsStatus->setText(QString::fromStdString(report->statusText()));
    }
    const SyncSourceSnapshot& sources = m_state.syncSources();
    showSources(m_reminders, sources.reminderLists, sources.remindersAuthorized, SyncSourceKind::reminderList);
    showSources(m_calendars, sources.calendars, sources.calendarsAuthorized, SyncSourceKind::calendar);
}

void DashboardSyncCenterView::showSources(SourceSection& section, const std::vector<SyncSourceOption>& options,
    bool authorized, SyncSourceKind kind)
{
    Theme colors = Theme::from(palette());
    if (!authorized) {
        bool waiting = m_refreshRequested && !m_refreshed;
        const std::optional<std::string>& unreachable = m_state.syncSources().unreachable;
        if (waiting)
            section.notice->setText(QStringLiteral("正在向 Evolution Data Server 读取…"));
        else if (m_refreshed && unreachable)
            // The store could not be asked at all: saying so beats an empty
            // list, which would read as "there are none".
            section.notice->setText(QStringLiteral("无法连接系统提醒与日历服务（Evolution Data Server）：请安装 evolution-data-server"
                                                   "（Debian：sudo apt install evolution-data-server），确认它的服务能在当前会话中启动，"
                                                   "然后再点击“刷新源列表”。（%1）")
                    .arg(QString::fromStdString(*unreachable)));
        else
            section.notice->setText(QString::fromStdString(DashboardTexts::sourcesUnavailableText(kind, m_refreshed)));
        section.notice->setVisible(true);
    } else {
        section.notice->setVisible(false);
    }
    const std::vector<SyncSourceOption> wanted = authorized ? options : std::vector<SyncSourceOption> {};
    if (wanted != section.shown) {
        for (QWidget* row : section.rowWidgets)
            row->deleteLater();
        section.rowWidgets.clear();
        section.switches.clear();
        section.shown = wanted;
        QWidget* holder = section.rows->parentWidget();
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            const SyncSourceOption& option = wanted[i];
            auto* row = new QWidget(holder);
            row->setObjectName(QStringLiteral("syncSourceRow"));
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 8, 0, 8);
            line->setSpacing(10);
            line->addWidget(new ColorDot(sourceColor(option.colorHex), row), 0, Qt::AlignVCenter);
            auto* texts = new QVBoxLayout;
            texts->setSpacing(1);
            QString title = QString::fromStdString(option.title);
            texts->addWidget(makeLabel(title, 13, QFont::Medium, colors.text, row));
            if (!option.subtitle.empty())
                texts->addWidget(makeLabel(QString::fromStdString(option.subtitle), 11, QFont::Normal, colors.secondaryText, row));
            line->addLayout(texts, 1);
            auto* toggle = new ToggleSwitch(title, row);
            AppState* state = &m_state;
            connect(toggle, &ToggleSwitch::toggled, this, [state, option](bool on) { state->setSource(option, on); });
            line->addWidget(toggle, 0, Qt::AlignVCenter);
            if (i > 0) {
                auto* divider = new QFrame(holder);
                divider->setFixedHeight(1);
                divider->setAutoFillBackground(true);
                QPalette palette = divider->palette();
                palette.setColor(QPalette::Window, colors.separator);
                divider->setPalette(palette);
                section.rows->addWidget(divider);
                section.rowWidgets.push_back(divider);
            }
            section.rows->addWidget(row);
            section.rowWidgets.push_back(row);
            section.switches.push_back({ title, toggle });
        }
    }
    for (std::size_t i = 0; i < section.switches.size(); ++i)
        section.switches[i].second->setOn(m_state.isSourceSelected(section.shown[i]));
}

ToggleSwitch* DashboardSyncCenterView::switchNamed(const QString& text) const
{
    for (ToggleSwitch* control : m_switches)
        if (control->text() == text)
            return control;
    return nullptr;
}

QStringList DashboardSyncCenterView::resultValues() const
{
    QStringList values;
    for (QLabel* label : m_pillValues)
        values << label->text();
    return values;
}

std::vector<std::pair<QString, ToggleSwitch*>> DashboardSyncCenterView::sourceRows(SyncSourceKind kind) const
{
    return kind == SyncSourceKind::calendar ? m_calendars.switches : m_reminders.switches;
}

QLabel* DashboardSyncCenterView::sourcesNotice(SyncSourceKind kind) const
{
    return kind == SyncSourceKind::calendar ? m_calendars.notice : m_reminders.notice;
}

} // namespace brivet

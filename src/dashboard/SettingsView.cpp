#include "dashboard/SettingsView.h"

#include "dashboard/BackupSection.h"
#include "dashboard/DashboardCard.h"
#include "dashboard/DashboardStyle.h"
#include "dashboard/DashboardTexts.h"
#include "dashboard/NoteTransferActions.h"
#include "dashboard/PreferenceBinder.h"
#include "dashboard/ReminderSettingsSection.h"
#include "dashboard/ShortcutSettingsSection.h"
#include "dashboard/ToggleSwitch.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "ui/StateBridge.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace brivet {

namespace {

} // namespace

SettingsView::SettingsView(AppState& state, StateBridge& bridge, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_binder(new PreferenceBinder(state, this))
{
    setObjectName(QStringLiteral("dashboardSettings"));
    Theme colors = Theme::from(palette());
    ScrollingPage scrolling = makeScrollingPage(this);
    QWidget* page = scrolling.page;
    QVBoxLayout* column = scrolling.column;
    column->addWidget(makeLabel(QStringLiteral("设置"), 26, QFont::Bold, colors.text, page));

    // Sync.
    auto* sync = new FormSection(QStringLiteral("同步"), page);
    m_autoSync = new ToggleSwitch(QStringLiteral("系统有新事项时自动同步"));
    m_binder->bindSwitch(m_autoSync, &AppPreferences::autoSyncEnabled);
    sync->addRow(m_autoSync->text(), m_autoSync);
    m_calendarEvents = new ToggleSwitch(QStringLiteral("导入日历事件"));
    m_binder->bindSwitch(m_calendarEvents, &AppPreferences::includeCalendarEvents);
    sync->addRow(m_calendarEvents->text(), m_calendarEvents);
    m_scope = enumPicker<SyncDateScope>(sync);
    m_scope->setObjectName(QStringLiteral("scopePicker"));
    m_binder->bindPicker(m_scope, &AppPreferences::syncDateScope);
    sync->addRow(QStringLiteral("同步日期范围"), m_scope);
    m_customRange = new QWidget(sync);
    auto* customColumn = new QVBoxLayout(m_customRange);
    customColumn->setContentsMargins(0, 0, 0, 0);
    customColumn->setSpacing(0);
    auto dateRow = [&](const QString& text, QDateEdit*& edit, Instant AppPreferences::*field, const char* name) {
        auto* row = new QWidget(m_customRange);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 8, 0, 8);
        line->addWidget(makeLabel(text, 13, QFont::Normal, colors.text, row), 1);
        edit = new QDateEdit(row);
        edit->setObjectName(QLatin1String(name));
        edit->setAccessibleName(text);
        edit->setMinimumWidth(170);
        m_binder->bindDate(edit, field);
        line->addWidget(edit);
        customColumn->addWidget(row);
    };
    dateRow(QStringLiteral("开始日期"), m_start, &AppPreferences::syncStartDate, "startDatePicker");
    dateRow(QStringLiteral("结束日期"), m_end, &AppPreferences::syncEndDate, "endDatePicker");
    sync->addWidget(m_customRange);
    m_syncButton = new QPushButton(sync);
    m_syncButton->setObjectName(QStringLiteral("settingsSyncButton"));
    m_syncButton->setCursor(Qt::PointingHandCursor);
    connect(m_syncButton, &QPushButton::clicked, this, [this] { m_state.startSyncByHand(SyncStart::afterThisEvent); });
    sync->addRow({}, m_syncButton);
    column->addWidget(sync);

    // Look.
    auto* look = new FormSection(QStringLiteral("默认外观"), page);
    m_theme = enumPicker<NoteTheme>(look);
    m_theme->setObjectName(QStringLiteral("defaultThemePicker"));
    m_binder->bindPicker(m_theme, &AppPreferences::defaultTheme);
    look->addRow(QStringLiteral("默认主题"), m_theme);
    m_menuBarTitle = enumPicker<MenuBarTitleMode>(look);
    m_menuBarTitle->setObjectName(QStringLiteral("menuBarTitlePicker"));
    m_binder->bindPicker(m_menuBarTitle, &AppPreferences::menuBarTitleMode);
    look->addRow(QStringLiteral("菜单栏标题"), m_menuBarTitle);
    m_layer = enumPicker<NoteWindowLayerMode>(look);
    m_layer->setObjectName(QStringLiteral("layerPicker"));
    m_binder->bindPicker(m_layer, &AppPreferences::noteWindowLayerMode);
    look->addRow(QStringLiteral("桌面悬笺层级"), m_layer);

    auto* opacity = new QWidget(look);
    auto* opacityLine = new QHBoxLayout(opacity);
    opacityLine->setContentsMargins(0, 0, 0, 0);
    opacityLine->setSpacing(10);
    m_opacity = new QSlider(Qt::Horizontal, opacity);
    m_opacity->setObjectName(QStringLiteral("opacitySlider"));
    m_opacity->setAccessibleName(QStringLiteral("全局透明度"));
    m_opacity->setRange(minimumOpacityPercent, 100);
    m_opacity->setFixedWidth(200);
    m_opacityValue = makeLabel({}, 13, QFont::Medium, colors.text, opacity);
    m_opacityValue->setMinimumWidth(44);
    m_opacityValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    opacityLine->addWidget(m_opacity);
    opacityLine->addWidget(m_opacityValue);
    AppState* target = &m_state;
    connect(m_opacity, &QSlider::valueChanged, this, [target](int percent) {
        double value = std::max(percent, minimumOpacityPercent) / 100.0;
        if (std::abs(target->preferences().defaultOpacity - value) < 1e-9)
            return;
        target->updatePreferences([value](AppPreferences& p) { p.defaultOpacity = value; });
    });
    m_binder->bindCustom([this](const AppPreferences& p) {
        QSignalBlocker block(m_opacity);
        m_opacity->setValue(int(std::lround(p.defaultOpacity * 100)));
        m_opacityValue->setText(QString::fromStdString(DashboardTexts::percent(p.defaultOpacity, m_state.calendar().localeId())));
    });
    look->addRow(QStringLiteral("全局透明度"), opacity);
    for (const char* line : { "如果你更想让菜单栏保持稳定识别，选固定显示「悬笺」；如果想把菜单栏也当成下一件事提醒，选显示当前任务标题。",
             "贴桌面显示：更像桌面卡片；持续悬浮：一直显示在普通窗口上方；最顶层：会压在绝大多数窗口之上。",
             "这个透明度会立即作用到当前桌面上已经显示的悬笺，而不只是新建悬笺。" }) {
        QLabel* text = makeLabel(QString::fromUtf8(line), 12, QFont::Normal, colors.secondaryText, look, LabelWrap::anywhere);
        text->setContentsMargins(0, 4, 0, 4);
        look->addWidget(text);
    }
    column->addWidget(look);
    column->addWidget(new ReminderSettingsSection(state, bridge, page));
    column->addWidget(new ShortcutSettingsSection(m_state, nullptr, page));

    auto* trash = new FormSection(QStringLiteral("回收站"), page);
    m_trashButton = new QPushButton(bundledIcon(Symbol::trash, colors.text), QStringLiteral("打开回收站"), trash);
    m_trashButton->setObjectName(QStringLiteral("openTrashButton"));
    makeClickable(m_trashButton);
    connect(m_trashButton, &QPushButton::clicked, this, &SettingsView::trashRequested);
    trash->addRow(QStringLiteral("删除的便签保留 30 天，可随时恢复"), m_trashButton);
    column->addWidget(trash);

    auto* learn = new FormSection(QStringLiteral("学习提示"), page);
    QLabel* paragraph = makeLabel(QStringLiteral("悬笺在后台运行，平时只在系统托盘里放一个图标，不占任务栏的位置；点托盘图标打开执行面板，"
                                                 "从面板或这里的控制台编辑与配置。控制台、托盘面板和桌面上的悬笺卡片都由 Qt 6 Widgets 绘制，"
                                                 "在 X11 上显示；提醒事项和日历通过 Evolution Data Server 同步。"),
        13, QFont::Normal, colors.text, learn, LabelWrap::anywhere);
    paragraph->setObjectName(QStringLiteral("learningParagraph"));
    paragraph->setContentsMargins(0, 8, 0, 8);
    learn->addWidget(paragraph);
    column->addWidget(learn);

    // Export and import.
    m_transfer = new NoteTransferActions(m_state, this);
    auto* transfer = new FormSection(QStringLiteral("导出与导入"), page);
    auto button = [](const QString& text, const char* name, QWidget* parent) {
        auto* b = new QPushButton(text, parent);
        b->setObjectName(QLatin1String(name));
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    QPushButton* exportButton = button(QStringLiteral("导出…"), "exportButton", transfer);
    connect(exportButton, &QPushButton::clicked, this, [this] { m_transfer->exportNotes(); });
    transfer->addRow(QStringLiteral("导出为 Markdown、悬笺 JSON 或 iCalendar"), exportButton);
    auto* importButtons = new QWidget(transfer);
    auto* importLine = new QHBoxLayout(importButtons);
    importLine->setContentsMargins(0, 0, 0, 0);
    QPushButton* importFile = button(QStringLiteral("导入…"), "importButton", importButtons);
    connect(importFile, &QPushButton::clicked, this, [this] { m_transfer->importNotes(NoteTransferActions::ImportSource::file); });
    QPushButton* importFolder = button(QStringLiteral("导入 Markdown 文件夹…"), "importFolderButton", importButtons);
    connect(importFolder, &QPushButton::clicked, this,
        [this] { m_transfer->importNotes(NoteTransferActions::ImportSource::markdownFolder); });
    importLine->addWidget(importFile);
    importLine->addWidget(importFolder);
    transfer->addRow(QStringLiteral("从导出文件导入（新便签不上桌面）"), importButtons);
    m_transferStatus = makeLabel({}, 12, QFont::Normal, colors.secondaryText, transfer, LabelWrap::anywhere);
    m_transferStatus->setObjectName(QStringLiteral("transferStatus"));
    m_transferStatus->setVisible(false);
    transfer->addWidget(m_transferStatus);
    connect(m_transfer, &NoteTransferActions::finished, this, [this](const QString& message) {
        m_transferStatus->setText(message);
        m_transferStatus->setVisible(!message.isEmpty());
    });
    column->addWidget(transfer);

    auto* exported = new FormSection(QStringLiteral("最近导出"), page);
    m_exportSection = exported;
    m_exportPath = makeLabel({}, 13, QFont::Normal, colors.text, exported, LabelWrap::anywhere);
    m_exportPath->setObjectName(QStringLiteral("exportPath"));
    m_exportPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_exportPath->setContentsMargins(0, 8, 0, 8);
    exported->addWidget(m_exportPath);
    m_openExportFolder = button(QStringLiteral("打开所在文件夹"), "openExportFolder", exported);
    connect(m_openExportFolder, &QPushButton::clicked, this, [this] {
        QFileInfo exportedPath(m_exportPath->text());
        QDesktopServices::openUrl(QUrl::fromLocalFile(exportedPath.absolutePath()));
    });
    exported->addRow({}, m_openExportFolder);
    column->addWidget(exported);

    m_backups = new BackupSection(m_state, page);
    column->addWidget(m_backups);
    column->addStretch(1);

    connect(&bridge, &StateBridge::preferencesChanged, this, &SettingsView::showPreferences);
    connect(&bridge, &StateBridge::changed, this, [this](StateField field) {
        if (field == StateField::lastExportURL)
            showExport();
    });
    showPreferences();
    showExport();
}

SettingsView::~SettingsView() = default;

void SettingsView::showPreferences()
{
    m_binder->apply();
    const AppPreferences& preferences = m_state.preferences();
    m_customRange->setVisible(preferences.syncDateScope == SyncDateScope::custom);
    m_syncButton->setText(qs(DashboardTexts::settingsSyncButtonTitle(preferences.hasActivatedSync)));
}

void SettingsView::showExport()
{
    const std::optional<std::string>& url = m_state.lastExportURL();
    m_exportSection->setVisible(url.has_value());
    if (url) {
        // A file URL is shown as the path it names.
        QString text = QString::fromStdString(*url);
        QUrl parsed(text);
        m_exportPath->setText(parsed.isLocalFile() ? parsed.toLocalFile() : text);
    }
}

} // namespace brivet

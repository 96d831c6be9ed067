#include "dashboard/DashboardView.h"

#include "dashboard/DashboardAccessibility.h"
#include "dashboard/DashboardOverviewView.h"
#include "dashboard/DashboardStyle.h"
#include "dashboard/DashboardSyncCenterView.h"
#include "dashboard/DashboardTemplatesView.h"
#include "dashboard/DashboardTrashView.h"
#include "dashboard/DashboardUndoBar.h"
#include "dashboard/SettingsView.h"
#include "ui/FocusRing.h"
#include "ui/StateBridge.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace brivet {

namespace {

constexpr std::array<DashboardDestination, 4> destinations { DashboardDestination::today, DashboardDestination::sync,
    DashboardDestination::boards, DashboardDestination::settings };

std::size_t slot(DashboardDestination destination)
{
    for (std::size_t i = 0; i < destinations.size(); ++i)
        if (destinations[i] == destination)
            return i;
    return 0;
}

QString destinationTitle(DashboardDestination destination)
{
    switch (destination) {
    case DashboardDestination::today: return QStringLiteral("今日");
    case DashboardDestination::sync: return QStringLiteral("同步源");
    case DashboardDestination::boards: return QStringLiteral("场景板");
    case DashboardDestination::settings: return QStringLiteral("设置");
    }
    return {};
}

Symbol destinationSymbol(DashboardDestination destination)
{
    switch (destination) {
    case DashboardDestination::today: return Symbol::sun;
    case DashboardDestination::sync: return Symbol::sync;
    case DashboardDestination::boards: return Symbol::stack;
    case DashboardDestination::settings: return Symbol::gear;
    }
    return Symbol::sun;
}

} // namespace

DashboardView::DashboardView(AppState& state, Scheduler& scheduler, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_scheduler(scheduler)
    , m_bridge(std::make_unique<StateBridge>())
{
    setObjectName(QStringLiteral("dashboardView"));
    installDashboardAccessibility();
    m_bridge->attach(state);
    Theme colors = Theme::from(palette());

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("dashboardSidebar"));
    side->setMinimumWidth(sidebarMinimumWidth);
    side->setMaximumWidth(sidebarIdealWidth);
    side->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    side->setAutoFillBackground(true);
    QPalette sidePalette = side->palette();
    sidePalette.setColor(QPalette::Window, colors.dark ? colors.window.darker(115) : colors.window.darker(104));
    side->setPalette(sidePalette);
    auto* sideColumn = new QVBoxLayout(side);
    sideColumn->setContentsMargins(12, 18, 12, 12);
    sideColumn->setSpacing(10);
    QLabel* title = makeLabel(QStringLiteral("悬笺"), 20, QFont::Bold, colors.text, side);
    title->setObjectName(QStringLiteral("navigationTitle"));
    title->setContentsMargins(8, 0, 0, 4);
    sideColumn->addWidget(title);

    m_sidebar = new QListWidget(side);
    m_sidebar->setObjectName(QStringLiteral("destinations"));
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setIconSize(QSize(18, 18));
    m_sidebar->setSpacing(2);
    setUiFont(m_sidebar, 14, QFont::Medium);
    m_sidebar->setAccessibleName(QStringLiteral("页面"));
    // The keyboard's place is ringed in the text colour, which stands out
    // on the accent-coloured selection and on the sidebar alike.
    m_sidebar->setStyleSheet(QStringLiteral("QListWidget { background: transparent; outline: none; } "
                                            "QListWidget::item { padding: 7px 8px; border-radius: 8px; border: 2px solid transparent; } "
                                            "QListWidget::item:selected { background: %1; color: %2; } "
                                            "QListWidget::item:hover:!selected { background: %3; } "
                                            "QListWidget::item:focus { border: 2px solid %4; }")
                                 .arg(colors.accent.name(), QStringLiteral("white"), colors.separator.name(QColor::HexArgb),
                                     colors.text.name()));
    m_sidebar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (DashboardDestination destination : destinations) {
        QIcon icon = bundledIcon(destinationSymbol(destination), colors.text);
        // On the accent-coloured selection the glyph turns white with the text.
        QIcon selected = bundledIcon(destinationSymbol(destination), Qt::white);
        for (QSize size : selected.availableSizes())
            icon.addPixmap(selected.pixmap(size), QIcon::Selected);
        auto* item = new QListWidgetItem(icon, destinationTitle(destination));
        m_sidebar->addItem(item);
    }
    sideColumn->addWidget(m_sidebar, 1);
    row->addWidget(side);

    auto* divider = new QFrame(this);
    divider->setFixedWidth(1);
    divider->setAutoFillBackground(true);
    QPalette dividerPalette = divider->palette();
    dividerPalette.setColor(QPalette::Window, colors.separator);
    divider->setPalette(dividerPalette);
    row->addWidget(divider);

    auto* detail = new QVBoxLayout;
    detail->setContentsMargins(0, 0, 0, 0);
    detail->setSpacing(0);
    m_undoBar = new DashboardUndoBar(state, *m_bridge, this);
    connect(m_undoBar, &DashboardUndoBar::trashRequested, this, &DashboardView::showTrash);
    detail->addWidget(m_undoBar);
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("dashboardDetail"));
    for (std::size_t i = 0; i < destinations.size(); ++i)
        m_pages->addWidget(new QWidget(m_pages));
    detail->addWidget(m_pages, 1);
    row->addLayout(detail, 1);
    // Style sheets hide the style's own focus frame, so push and tool
    // buttons, check and radio boxes, pickers, sliders and tiles get this
    // one: solid accent, the same in light and dark and on any fill, with a
    // gap that keeps it apart from an accent-filled button. Fields show the
    // focus in their own border.
    FocusRingOptions ring;
    ring.rings = [](const QWidget* control) {
        return qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QAbstractSlider*>(control)
            || qobject_cast<const QComboBox*>(control);
    };
    ring.gap = 2;
    m_focusRing = new FocusRing(
        this,
        [](const QWidget* control) {
            QColor accent = Theme::from(control->palette()).accent;
            accent.setAlphaF(1.0);
            return accent;
        },
        ring);

    auto* undo = new QShortcut(QKeySequence::Undo, this);
    undo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QShortcut::activated, this, [this] { m_state.undoLastDelete(); });
    // Ctrl+F: the overview's search field, from any page.
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        DashboardOverviewView* today = overview();
        if (today->editorSession())
            return;
        if (m_shown != DashboardDestination::today || isShowingTrash()) {
            m_state.setDashboardDestination(DashboardDestination::today);
            showDestination(DashboardDestination::today);
        }
        today->searchField()->setFocus(Qt::ShortcutFocusReason);
        today->searchField()->selectAll();
    });

    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || std::size_t(row) >= destinations.size())
            return;
        DashboardDestination chosen = destinations[std::size_t(row)];
        if (m_state.dashboardDestination() != chosen)
            m_state.setDashboardDestination(chosen);
        showDestination(chosen);
    });
    // A screen reader selects an item (its "Toggle") without making it
    // current: a selection switches the page too, and the page's item
    // cannot be unselected.
    connect(m_sidebar, &QListWidget::itemSelectionChanged, this, [this] {
        QList<QListWidgetItem*> selected = m_sidebar->selectedItems();
        if (selected.isEmpty()) {
            // Selecting first clears: the page's item comes back only if
            // nothing was selected in the same turn.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_sidebar->selectedItems().isEmpty() && !isShowingTrash()) {
                        QSignalBlocker block(m_sidebar);
                        m_sidebar->setCurrentRow(int(slot(m_shown)));
                    }
                },
                Qt::QueuedConnection);
            return;
        }
        for (QListWidgetItem* item : selected)
            if (int row = m_sidebar->row(item); row != m_sidebar->currentRow()) {
                m_sidebar->setCurrentRow(row);
                return;
            }
    });
    connect(m_bridge.get(), &StateBridge::dashboardDestinationChanged, this,
        [this] { showDestination(m_state.dashboardDestination()); });
    showDestination(state.dashboardDestination());
}

DashboardView::~DashboardView()
{
    // Pages hold the bridge; they go first.
    delete m_pages;
    m_pages = nullptr;
    m_bridge->detach();
}

void DashboardView::discardDraft()
{
    if (auto* overview = qobject_cast<DashboardOverviewView*>(m_built[slot(DashboardDestination::today)]))
        overview->discardEditor();
}

QWidget* DashboardView::page(DashboardDestination destination)
{
    std::size_t index = slot(destination);
    if (m_built[index])
        return m_built[index];
    QWidget* built = nullptr;
    switch (destination) {
    case DashboardDestination::today: built = new DashboardOverviewView(m_state, m_scheduler, *m_bridge); break;
    case DashboardDestination::sync: built = new DashboardSyncCenterView(m_state, m_scheduler, *m_bridge); break;
    case DashboardDestination::boards: {
        auto* gallery = new DashboardTemplatesView(m_state, *m_bridge);
        connect(gallery, &DashboardTemplatesView::editRequested, this, [this](const Uuid& noteId) {
            m_state.setDashboardDestination(DashboardDestination::today);
            showDestination(DashboardDestination::today);
            overview()->edit(noteId);
        });
        built = gallery;
        break;
    }
    case DashboardDestination::settings: {
        auto* settings = new SettingsView(m_state, *m_bridge);
        connect(settings, &SettingsView::trashRequested, this, &DashboardView::showTrash);
        built = settings;
        break;
    }
    }
    QWidget* placeholder = m_pages->widget(int(index));
    m_pages->insertWidget(int(index), built);
    m_pages->removeWidget(placeholder);
    delete placeholder;
    m_built[index] = built;
    return built;
}

void DashboardView::showDestination(DashboardDestination destination)
{
    if (destination != m_shown && m_shown == DashboardDestination::today) {
        // Leaving the overview discards its filters, search and editor.
        if (auto* overview = qobject_cast<DashboardOverviewView*>(m_built[slot(DashboardDestination::today)]))
            overview->resetViewState();
    }
    m_shown = destination;
    QWidget* shown = page(destination);
    m_pages->setCurrentWidget(shown);
    int row = int(slot(destination));
    if (m_sidebar->currentRow() != row) {
        QSignalBlocker block(m_sidebar);
        m_sidebar->setCurrentRow(row);
    }
}

DashboardOverviewView* DashboardView::overview()
{
    return qobject_cast<DashboardOverviewView*>(page(DashboardDestination::today));
}

DashboardTemplatesView* DashboardView::boardGallery()
{
    return qobject_cast<DashboardTemplatesView*>(page(DashboardDestination::boards));
}

DashboardSyncCenterView* DashboardView::syncCenter()
{
    return qobject_cast<DashboardSyncCenterView*>(page(DashboardDestination::sync));
}

void DashboardView::showTrash()
{
    if (m_shown == DashboardDestination::today) {
        if (auto* overview = qobject_cast<DashboardOverviewView*>(m_built[slot(DashboardDestination::today)]))
            overview->resetViewState();
    }
    if (!m_trash) {
        m_trash = new DashboardTrashView(m_state, *m_bridge);
        m_pages->addWidget(m_trash);
    }
    m_pages->setCurrentWidget(m_trash);
    QSignalBlocker block(m_sidebar);
    m_sidebar->setCurrentRow(-1);
}

bool DashboardView::isShowingTrash() const
{
    return m_trash && m_pages->currentWidget() == m_trash;
}

SettingsView* DashboardView::settings()
{
    return qobject_cast<SettingsView*>(page(DashboardDestination::settings));
}

} // namespace brivet

#include "app/shell/varnis_view.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include "app/environment/environment_service.h"
#include "app/shell/mail_list_columns.h"
#include "app/ui/sjis_text.h"

namespace shell {

using C = MailListController;

namespace {

struct ActionText {
    int id;
    const char* text;
};

// The mail commands of the main menu, in order; 0 separates groups.
constexpr ActionText kMailCommands[] = {
    {C::kIdNewMail, "新規メール"},      {C::kIdEditMail, "メール編集"},  {C::kIdDuplicate, "複製"},
    {C::kIdDelete, "削除"},             {0, nullptr},                    {C::kIdReserve, "送信予約"},
    {C::kIdCancelReserve, "予約解除"},  {0, nullptr},                    {C::kIdDestinationDetail, "宛先詳細"},
    {C::kIdSendHistory, "送信履歴"},    {0, nullptr},                    {C::kIdSearch, "検索"},
};

// The pop-up menu's items.
constexpr ActionText kPopupCommands[] = {
    {C::kIdEditMail, "編集"},         {C::kIdDuplicate, "複製"},          {C::kIdDelete, "削除"},
    {C::kIdReserve, "送信予約"},      {C::kIdCancelReserve, "予約解除"},  {C::kIdDestinationDetail, "宛先詳細"},
    {C::kIdSendHistory, "送信履歴"},
};

}  // namespace

CVarnisView::CVarnisView(ScreenRegistry& screens, QWidget* parent)
    : QTableView(parent), controller_(new MailListController(screens, this)) {
    setObjectName(QStringLiteral("CVarnisView"));
    setModel(controller_->Model());
    setSelectionModel(controller_->Selection());
    controller_->SetOwnerWindow(this);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setFrameShape(QFrame::StyledPanel);
    verticalHeader()->hide();
    // Rows of one height: a list of twenty thousand mails lays out without measuring each.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Main-menu actions.
    auto* modes = new QActionGroup(this);
    for (const mail_list::ModeInfo& m : mail_list::Modes()) modes->addAction(MakeAction(m.command, m.name, true));
    for (const ActionText& a : kMailCommands)
        if (a.id != 0) MakeAction(a.id, a.text, false);
    MakeAction(C::kIdReserveButton, "送信予約", true);
    MakeAction(C::kIdCancelReserveButton, "予約解除", true);
    MakeAction(C::kIdInformationPage, "インフォメーションページ", false);
    auto* information = new QActionGroup(this);
    information->addAction(MakeAction(C::kIdInformationAutoShow, "自動表示する", true));
    information->addAction(MakeAction(C::kIdInformationNoAutoShow, "自動表示しない", true));

    // The pop-up menu.
    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("menu126"));
    for (const ActionText& a : kPopupCommands) {
        QAction* action = popup_->addAction(ui::U8(a.text));
        action->setData(a.id);
        action->setObjectName(QStringLiteral("cmd%1").arg(a.id));
        const int id = a.id;
        connect(action, &QAction::triggered, this, [this, id] { controller_->Execute(id); });
        popupActions_[a.id] = action;
    }

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { controller_->ColumnClicked(column); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (!applyingWidths_) controller_->SetColumnWidth(column, size);
    });
    connect(controller_, &MailListController::ColumnsRebuilt, this, &CVarnisView::ApplyColumnWidths);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) controller_->Execute(C::kIdEditMail);
    });

    statesTimer_.setSingleShot(true);
    statesTimer_.setInterval(0);
    connect(&statesTimer_, &QTimer::timeout, this, &CVarnisView::UpdateCommandStates);
    auto later = [this] { statesTimer_.start(); };
    connect(controller_->Selection(), &QItemSelectionModel::selectionChanged, this, later);
    connect(controller_, &MailListController::StatesChanged, this, later);
    UpdateCommandStates();
}

CVarnisView::~CVarnisView() = default;

QAction* CVarnisView::MakeAction(int id, const char* text, bool checkable) {
    auto* action = new QAction(ui::U8(text), this);
    action->setData(id);
    action->setObjectName(QStringLiteral("cmd%1").arg(id));
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, id] {
        controller_->Execute(id);
        // A checkable action turns itself over when triggered; its state is the list's.
        UpdateCommandStates();
    });
    actions_[id] = action;
    return action;
}

QAction* CVarnisView::CommandAction(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QList<QAction*> CVarnisView::ModeActions() const {
    QList<QAction*> out;
    for (const mail_list::ModeInfo& m : mail_list::Modes()) out << CommandAction(m.command);
    return out;
}

QList<QAction*> CVarnisView::MailActions() const {
    QList<QAction*> out;
    for (const ActionText& a : kMailCommands) out << (a.id ? CommandAction(a.id) : nullptr);
    return out;
}

QList<QAction*> CVarnisView::InformationActions() const {
    return {CommandAction(C::kIdInformationPage), nullptr, CommandAction(C::kIdInformationAutoShow),
            CommandAction(C::kIdInformationNoAutoShow)};
}

QList<QAction*> CVarnisView::ReservationBarActions() const {
    return {CommandAction(C::kIdReserveButton), CommandAction(C::kIdCancelReserveButton)};
}

void CVarnisView::UpdateCommandStates() {
    statesTimer_.stop();
    const MailListController::SelectionSummary selection = controller_->Summarize();
    for (auto& [id, action] : actions_) {
        const MailListController::CommandState state = controller_->State(id, selection);
        action->setEnabled(state.enabled);
        if (action->isCheckable()) action->setChecked(state.checked);
    }
}

QMenu* CVarnisView::PreparePopupMenu() {
    const MailListController::SelectionSummary selection = controller_->Summarize();
    for (auto& [id, action] : popupActions_) action->setEnabled(controller_->State(id, selection).enabled);
    return popup_;
}

void CVarnisView::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index;
    QPoint where = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        index = indexAt(event->pos());
    } else {
        index = currentIndex();
        where = viewport()->mapToGlobal(visualRect(index).center());
    }
    if (!index.isValid()) return;
    PreparePopupMenu()->exec(where);
}

int CVarnisView::LoadColumnWidth(const std::string& key) {
    EnvironmentService* service = ProgramEnvironment();
    return mail_list::LoadColumnWidth(service ? service->EnvIniPath() : std::string(), key);
}

void CVarnisView::ApplyColumnWidths() {
    applyingWidths_ = true;
    const std::vector<int>& widths = controller_->ColumnWidths();
    for (std::size_t i = 0; i < widths.size(); ++i) horizontalHeader()->resizeSection(static_cast<int>(i), widths[i]);
    applyingWidths_ = false;
}

}  // namespace shell

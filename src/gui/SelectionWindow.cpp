#include "gui/SelectionWindow.h"

#include "app/HandheldChoice.h"

#include "app/SyncApp.h"
#include "sync/SyncProcedure.h"
#include "gui/AboutBox.h"
#include "gui/AgreementDialog.h"
#include "gui/PopListModel.h"
#include "gui/PopListView.h"
#include "gui/ProgressDialog.h"
#include "gui/StagedUpdateInstaller.h"
#include "gui/WindowImages.h"
#include "phonebook/MasterPhonebook.h"
#include "support/BusyCursor.h"
#include "support/FrontEnd.h"
#include "text/CodePage.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace tarvo::gui {

namespace {

using List = SelectionModel::List;

QString fromAnsi(std::string_view text)
{
    return QString::fromStdString(CodePage::ansiToUtf8(text));
}

QComboBox* makeChoice(const QString& name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setAccessibleName(name);
    // Thousands of cities: size by a typical name rather than measuring all.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(18);
    box->setMaxVisibleItems(20);
    if (auto* list = qobject_cast<QListView*>(box->view()))
        list->setUniformItemSizes(true);
    return box;
}

} // namespace

SelectionWindow::SelectionWindow(SyncApp& app, FrontEnd& frontEnd, UpdateRunner updater, QWidget* parent)
    : QDialog(parent),
      m_app(app),
      m_frontEnd(frontEnd),
      m_updater(std::move(updater)),
      m_selection(app.phonebook(), app.handheld(), app.profile().popSortOrder())
{
    setWindowTitle(QString::fromStdString(app.applicationName()));
    // No resizing and no maximizing; the window is laid out for its content.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(WindowImages::icon());

    m_mainModel = new PopListModel(m_selection, List::Main, this);
    m_handheldModel = new PopListModel(m_selection, List::Handheld, this);
    buildControls();
    buildMenu();
    loadImages();

    m_areaTimer.setSingleShot(true);
    m_areaTimer.setInterval(kAreaCodeDelayMs);
    connect(&m_areaTimer, &QTimer::timeout, this, &SelectionWindow::areaCodeTimerFired);

    m_selection.setChanged(false);
    m_status->clear();
    fillCountries();
    selectionUpdate(true);
    m_mainList->setFocus();
}

SelectionWindow::~SelectionWindow()
{
    // The views outlive this body (they go with the QDialog base) but the
    // rows they show do not.
    hide();
    m_mainList->setModel(nullptr);
    m_handheldList->setModel(nullptr);
}

void SelectionWindow::buildControls()
{
    m_country = makeChoice(QStringLiteral("Country"), this);
    m_state = makeChoice(QStringLiteral("State"), this);
    m_city = makeChoice(QStringLiteral("City"), this);
    m_areaCode = new QLineEdit(this);
    m_areaCode->setAccessibleName(QStringLiteral("Area Code"));
    m_areaCode->setMaximumWidth(m_areaCode->fontMetrics().averageCharWidth() * 12 + 16);
    m_clear = new QPushButton(QStringLiteral("C&lear"), this);
    m_clear->setAccessibleName(QStringLiteral("Clear"));

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    auto* filters = new QGridLayout;
    filters->addWidget(label(QStringLiteral("&Country"), m_country), 0, 0);
    filters->addWidget(m_country, 0, 1);
    filters->addWidget(label(QStringLiteral("&State"), m_state), 0, 2);
    filters->addWidget(m_state, 0, 3, 1, 2);
    filters->addWidget(label(QStringLiteral("Cit&y"), m_city), 1, 0);
    filters->addWidget(m_city, 1, 1);
    filters->addWidget(label(QStringLiteral("&Area Code"), m_areaCode), 1, 2);
    filters->addWidget(m_areaCode, 1, 3);
    filters->addWidget(m_clear, 1, 4);
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);

    m_topLogo = new QLabel(this);
    m_topLogo->setAccessibleName(QStringLiteral("Logo"));
    auto* top = new QHBoxLayout;
    top->addWidget(m_topLogo, 0, Qt::AlignTop);
    top->addLayout(filters, 1);

    const std::array<int, 4>& widths = m_app.userSettings().colWidth();
    m_mainList = new PopListView(m_mainModel, QStringLiteral("Main Phone Book"), this);
    m_mainList->setStoredWidths(widths);
    m_handheldList = new PopListView(m_handheldModel, QStringLiteral("Handheld's Phone Book"), this);
    m_handheldList->setStoredWidths(widths);
    auto* mainGroup = new QGroupBox(QStringLiteral("&Main Phone Book"), this);
    (new QVBoxLayout(mainGroup))->addWidget(m_mainList);
    auto* handheldGroup = new QGroupBox(QStringLiteral("Handheld's &Phone Book"), this);
    (new QVBoxLayout(handheldGroup))->addWidget(m_handheldList);

    m_toHandheld = new QPushButton(QStringLiteral("--&>"), this);
    m_toHandheld->setAccessibleName(QStringLiteral("Move to handheld"));
    m_back = new QPushButton(QStringLiteral("&<--"), this);
    m_back->setAccessibleName(QStringLiteral("Move back"));
    m_selectAll = new QPushButton(QStringLiteral("S&elect All"), this);
    m_selectAll->setAccessibleName(QStringLiteral("Select All"));
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(m_toHandheld);
    moves->addWidget(m_back);
    moves->addSpacing(m_back->sizeHint().height());
    moves->addWidget(m_selectAll);
    moves->addStretch();
    auto* lists = new QHBoxLayout;
    lists->addWidget(mainGroup, 1);
    lists->addLayout(moves);
    lists->addWidget(handheldGroup, 1);

    m_counter = new QLineEdit(this);
    m_counter->setReadOnly(true);
    m_counter->setAlignment(Qt::AlignCenter);
    m_counter->setFocusPolicy(Qt::ClickFocus);
    m_counter->setAccessibleName(QStringLiteral("Total selected records"));
    m_counter->setFixedWidth(m_counter->fontMetrics().averageCharWidth() * 8 + 16);
    m_bottomLogo = new QLabel(this);
    m_bottomLogo->setAccessibleName(QStringLiteral("Logo"));
    m_save = new QPushButton(QStringLiteral("Sa&ve"), this);
    m_save->setAccessibleName(QStringLiteral("Save"));
    m_save->setDefault(true);
    m_exit = new QPushButton(QStringLiteral("E&xit"), this);
    m_exit->setAccessibleName(QStringLiteral("Exit"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Total selected records:"), this));
    bottom->addWidget(m_counter);
    bottom->addStretch();
    bottom->addWidget(m_bottomLogo);
    bottom->addStretch();
    bottom->addWidget(m_save, 0, Qt::AlignBottom);
    bottom->addWidget(m_exit, 0, Qt::AlignBottom);

    m_status = new QLineEdit(this);
    m_status->setReadOnly(true);
    m_status->setFocusPolicy(Qt::ClickFocus);
    m_status->setAccessibleName(QStringLiteral("Status"));

    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addLayout(lists, 1);
    root->addLayout(bottom);
    root->addWidget(m_status);
    root->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_country, m_state);
    setTabOrder(m_state, m_city);
    setTabOrder(m_city, m_areaCode);
    setTabOrder(m_areaCode, m_clear);
    setTabOrder(m_clear, m_mainList);
    setTabOrder(m_mainList, m_toHandheld);
    setTabOrder(m_toHandheld, m_back);
    setTabOrder(m_back, m_selectAll);
    setTabOrder(m_selectAll, m_handheldList);
    setTabOrder(m_handheldList, m_save);
    setTabOrder(m_save, m_exit);

    connect(m_country, &QComboBox::activated, this, &SelectionWindow::countryChosen);
    connect(m_state, &QComboBox::activated, this, &SelectionWindow::stateChosen);
    connect(m_city, &QComboBox::activated, this, &SelectionWindow::cityChosen);
    connect(m_areaCode, &QLineEdit::textChanged, this, [this] { m_areaTimer.start(); });
    connect(m_clear, &QPushButton::clicked, this, &SelectionWindow::clear);
    connect(m_toHandheld, &QPushButton::clicked, this, &SelectionWindow::moveToHandheld);
    connect(m_back, &QPushButton::clicked, this, &SelectionWindow::moveBack);
    connect(m_selectAll, &QPushButton::clicked, this, &SelectionWindow::selectAll);
    connect(m_save, &QPushButton::clicked, this, [this] { (void)synchronize(); });
    connect(m_exit, &QPushButton::clicked, this, &SelectionWindow::reject);
    connect(m_mainList->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { sortClicked(List::Main, column); });
    connect(m_handheldList->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { sortClicked(List::Handheld, column); });
    connect(m_mainList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        BusyCursor busy(m_frontEnd);
        selectionUpdate(false);
    });
}

void SelectionWindow::buildMenu()
{
    auto* bar = new QMenuBar(this);
    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    QAction* update = options->addAction(QStringLiteral("&Update Phonebook"), this, &SelectionWindow::updatePhonebook);
    update->setEnabled(static_cast<bool>(m_updater));
    options->addSeparator();
    options->addAction(QStringLiteral("E&xit"), this, &SelectionWindow::reject);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Contents"), this, &SelectionWindow::showHelp);
    help->addAction(QStringLiteral("About Tarvo Windows CE Synchronizer"), this, &SelectionWindow::showAbout);
    // The desktop's window manager owns the system menu; this item lives
    // here instead.
    help->addSeparator();
    help->addAction(QStringLiteral("&About dialer..."), this, &SelectionWindow::showAbout);
    layout()->setMenuBar(bar);
}

void SelectionWindow::loadImages()
{
    const qreal ratio = qApp->devicePixelRatio();
    const QPixmap top = WindowImages::fromFile(WindowImages::Logo::Top);
    m_topLogo->setPixmap(top.isNull() ? WindowImages::builtIn(WindowImages::Logo::Top, ratio) : top);
    m_bottomLogoFile = WindowImages::fromFile(WindowImages::Logo::Bottom);
    m_bottomLogo->setPixmap(m_bottomLogoFile.isNull() ? WindowImages::builtIn(WindowImages::Logo::Bottom, ratio)
                                                      : m_bottomLogoFile);
}

void SelectionWindow::fillCountries()
{
    fillBox(m_state, {});
    m_stateEntries.clear();
    emptyLists();
    m_countryEntries = m_selection.countryChoices();
    QStringList names;
    for (const CountryEntry* country : m_countryEntries)
        names << fromAnsi(country->name);
    fillBox(m_country, names);
}

void SelectionWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    // The agreement comes up over the window, once it is on screen.
    QMetaObject::invokeMethod(this, &SelectionWindow::finishOpening, Qt::QueuedConnection);
}

void SelectionWindow::finishOpening()
{
    const std::string& language = m_app.userSettings().language();
    if (AgreementDialog::needsShowing(language)) {
        AgreementDialog agreement(language, windowTitle(), this);
        if (agreement.exec() != QDialog::Accepted) {
            QMetaObject::invokeMethod(this, &SelectionWindow::reject, Qt::QueuedConnection);
            return;
        }
    }
    clear();
    updateCounter();
}

void SelectionWindow::setStatusText(const QString& text)
{
    m_status->setText(text);
}

PopListModel& SelectionWindow::modelOf(List list) const
{
    return list == List::Main ? *m_mainModel : *m_handheldModel;
}

QTreeView* SelectionWindow::viewOf(List list) const
{
    return list == List::Main ? m_mainList : m_handheldList;
}

std::vector<std::size_t> SelectionWindow::selectedRows(List list) const
{
    return list == List::Main ? m_mainList->selectedRows() : m_handheldList->selectedRows();
}

void SelectionWindow::changeRows(List list, const std::function<void()>& change)
{
    (list == List::Main ? m_mainList : m_handheldList)->changeRows(change);
}

template <typename Change>
void SelectionWindow::changeBothLists(Change&& change)
{
    m_mainModel->beginChange();
    m_handheldModel->beginChange();
    change();
    m_handheldModel->endChange();
    m_mainModel->endChange();
}

void SelectionWindow::emptyLists()
{
    changeBothLists([this] { m_selection.clear(); });
}

SelectionWindow::ListsFrozen::ListsFrozen(SelectionWindow& window) : m_window(window)
{
    m_window.m_mainList->setUpdatesEnabled(false);
    m_window.m_handheldList->setUpdatesEnabled(false);
}

SelectionWindow::ListsFrozen::~ListsFrozen()
{
    m_window.m_mainList->setUpdatesEnabled(true);
    m_window.m_handheldList->setUpdatesEnabled(true);
}

PopFilter SelectionWindow::filterFromControls() const
{
    PopFilter filter;
    auto chosen = [](const QComboBox* box, std::size_t count) {
        const int index = box->currentIndex();
        return index >= 0 && static_cast<std::size_t>(index) < count ? static_cast<std::size_t>(index) : count;
    };
    if (std::size_t i = chosen(m_country, m_countryEntries.size()); i < m_countryEntries.size())
        filter.country = m_countryEntries[i];
    if (std::size_t i = chosen(m_state, m_stateEntries.size()); i < m_stateEntries.size())
        filter.region = m_stateEntries[i];
    if (std::size_t i = chosen(m_city, m_cityEntries.size()); i < m_cityEntries.size())
        filter.city = m_cityEntries[i].entry;
    filter.areaCode = CodePage::ansi().fromUtf16(m_areaCode->text().toStdU16String());
    return filter;
}

void SelectionWindow::rebuild()
{
    m_status->clear();
    const PopFilter filter = filterFromControls();
    changeBothLists([&] { m_selection.applyFilter(filter); });
    selectionUpdate(true);
    emit listsRebuilt();
}

void SelectionWindow::countryChosen(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_countryEntries.size())
        return;
    const CountryEntry& country = *m_countryEntries[static_cast<std::size_t>(index)];
    {
        ListsFrozen frozen(*this);
        m_stateEntries = m_selection.stateChoices(country);
        QStringList states;
        for (const RegionEntry* state : m_stateEntries)
            states << fromAnsi(state->name);
        fillBox(m_state, states);
        fillBox(m_city, {});
        m_cityEntries.clear();
        rebuild();
        fillCities(country, nullptr);
        selectionUpdate(true);
    }
    // Emptied by the window itself: the pending firing must not rebuild.
    m_refreshArmed = false;
    m_areaCode->clear();
    m_areaTimer.start();
}

void SelectionWindow::stateChosen(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_stateEntries.size())
        return;
    const RegionEntry* state = m_stateEntries[static_cast<std::size_t>(index)];
    ListsFrozen frozen(*this);
    fillBox(m_city, {});
    m_cityEntries.clear();
    rebuild();
    if (const CountryEntry* country = filterFromControls().country)
        fillCities(*country, state);
    selectionUpdate(true);
}

void SelectionWindow::fillCities(const CountryEntry& country, const RegionEntry* state)
{
    m_cityEntries = m_selection.cityChoices(country, state);
    QStringList cities;
    cities.reserve(static_cast<qsizetype>(m_cityEntries.size()));
    for (const CityChoice& city : m_cityEntries)
        cities << fromAnsi(city.text);
    fillBox(m_city, cities);
}

void SelectionWindow::fillBox(QComboBox* box, const QStringList& texts)
{
    box->clear();
    box->addItems(texts);
    // Filled, not chosen: a drop-down list starts without a selection.
    box->setCurrentIndex(-1);
}

void SelectionWindow::cityChosen(int index)
{
    if (index < 0)
        return;
    rebuild();
}

void SelectionWindow::areaCodeTimerFired()
{
    m_areaTimer.stop();
    if (m_refreshArmed)
        rebuild();
    m_refreshArmed = true;
}

void SelectionWindow::clear()
{
    BusyCursor busy(m_frontEnd);
    m_country->setCurrentIndex(-1);
    m_state->clear();
    m_stateEntries.clear();
    m_city->clear();
    m_cityEntries.clear();
    // The lists stay empty until the next rebuild; emptying the area code
    // counts as typing, so an armed refresh fills them a second later.
    emptyLists();
    m_status->clear();
    m_areaCode->clear();
    m_areaTimer.start();
    selectionUpdate(true);
}

void SelectionWindow::moveToHandheld()
{
    BusyCursor busy(m_frontEnd);
    const std::vector<std::size_t> rows = selectedRows(List::Main);
    const std::string& caption = m_app.applicationName();
    if (!m_selection.limitAllows(static_cast<int>(rows.size()))) {
        // Refused: shows the limit and changes nothing, so no view is in
        // the middle of a change while the message is up.
        (void)m_selection.moveToHandheld(rows, m_frontEnd, caption);
        return;
    }
    SelectionModel::Move move;
    changeRows(List::Handheld, [&] { move = m_selection.moveToHandheld(rows, m_frontEnd, caption); });
    updateCounter();
    // Customer POPs never reach the handheld: a move that would show them
    // there would be a choice that silently does nothing.
    if (move.customerPops > 0)
        setStatusText(QString::fromStdString(HandheldChoice::customerPopsLeft(move.customerPops)));
}

void SelectionWindow::moveBack()
{
    BusyCursor busy(m_frontEnd);
    const std::vector<std::size_t> rows = selectedRows(List::Handheld);
    if (rows.empty())
        return;
    changeRows(List::Handheld, [&] { m_selection.moveBack(rows); });
    updateCounter();
}

void SelectionWindow::selectAll()
{
    BusyCursor busy(m_frontEnd);
    m_mainList->selectAll();
    m_mainList->setFocus();
    selectionUpdate(true);
}

void SelectionWindow::sortClicked(List list, int column)
{
    if (column != PopListModel::kCityColumn && column != PopListModel::kNumberColumn)
        return;
    if (list == List::Main)
        m_status->clear();
    changeRows(list, [&] { m_selection.sortBy(list, static_cast<SortColumn>(column)); });
    const PopSort& sort = m_selection.sortOf(list);
    QTreeView* view = viewOf(list);
    view->header()->setSortIndicator(static_cast<int>(sort.column), sort.direction == SortDirection::Ascending
                                                                        ? Qt::AscendingOrder
                                                                        : Qt::DescendingOrder);
    const std::vector<std::size_t> selected = selectedRows(list);
    if (!selected.empty())
        view->scrollTo(modelOf(list).index(static_cast<int>(selected.front()), 0));
}

void SelectionWindow::selectionUpdate(bool focusFix)
{
    m_status->clear();
    m_state->setEnabled(m_state->count() > 0 || m_country->currentIndex() < 0);
    if (!focusFix)
        return;
    for (QTreeView* view : {m_mainList, m_handheldList}) {
        QAbstractItemModel* model = view->model();
        if (model->rowCount() > 0 && !view->selectionModel()->hasSelection())
            view->selectionModel()->setCurrentIndex(model->index(0, 0), QItemSelectionModel::NoUpdate);
    }
}

void SelectionWindow::updateCounter()
{
    m_counter->setText(QString::number(m_selection.handheldCount()));
}

bool SelectionWindow::synchronize()
{
    if (m_app.synchronize() != SyncProcedure::Result::Done)
        return false;
    m_selection.setChanged(false);
    return true;
}

void SelectionWindow::updatePhonebook()
{
    if (!m_updater)
        return;
    {
        BusyCursor busy(m_frontEnd);
        m_mainList->setUpdatesEnabled(false);
    }
    ProgressDialog progress(false, false, m_updater, this);
    progress.exec();
    clear();
    m_mainList->setUpdatesEnabled(true);
}

void SelectionWindow::showAbout()
{
    AboutBox about(m_app.tags(), m_app.dialerHome(), m_bottomLogoFile, this);
    about.exec();
}

void SelectionWindow::showHelp()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(m_app.helpFile())));
}

void SelectionWindow::storeColumnWidths()
{
    const std::array<int, 2> widths = m_mainList->storedWidths();
    // The list has no third or fourth column: they count as width 0.
    m_app.userSettings().storeColumnWidths(m_app.profile().showPrice(), {widths[0], widths[1], 0, 0});
}

bool SelectionWindow::leave()
{
    storeColumnWidths();
    StagedUpdateInstaller::startIfStaged(m_frontEnd, m_app.applicationName(), m_app.folder());
    if (!m_selection.changed())
        return true;
    const MessageAnswer answer = m_frontEnd.messageBox(kChangesQuestion, m_app.applicationName(), MessageIcon::None,
                                                       MessageButtons::YesNoCancel);
    if (answer == MessageAnswer::Cancel)
        return false;
    // A synchronization that failed has shown why; the window stays with the
    // person's choices instead of losing them.
    if (answer == MessageAnswer::Yes)
        return synchronize();
    return true;
}

void SelectionWindow::reject()
{
    if (m_leaving)
        return;
    m_leaving = true;
    const bool close = leave();
    m_leaving = false;
    if (close)
        QDialog::reject();
}

} // namespace tarvo::gui

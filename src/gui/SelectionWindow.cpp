#include "gui/SelectionWindow.h"

#include "app/HandheldChoice.h"
#include "app/StatusLine.h"
#include "app/SyncApp.h"
#include "app/WindowExit.h"
#include "sync/SyncProcedure.h"
#include "gui/AboutBox.h"
#include "app/Agreement.h"
#include "gui/AgreementDialog.h"
#include "gui/LayoutMemory.h"
#include "gui/MoveButtons.h"
#include "gui/PopListModel.h"
#include "gui/PopListView.h"
#include "gui/ProgressDialog.h"
#include "gui/WindowImages.h"
#include "phonebook/MasterPhonebook.h"
#include "support/BusyCursor.h"
#include "support/FrontEnd.h"
#include "text/CodePage.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace tarvo::gui {

namespace {

using List = SelectionModel::List;

} // namespace

SelectionWindow::SelectionWindow(SyncApp& app, FrontEnd& frontEnd, UpdateRunner updater, QWidget* parent)
    : QDialog(parent),
      m_app(app),
      m_frontEnd(frontEnd),
      m_updater(std::move(updater)),
      m_selection(app.phonebook(), app.handheld(), app.profile().popSortOrder()),
      m_choices(m_selection, this)
{
    setWindowTitle(QString::fromStdString(app.applicationName()));
    // A main window: resized and maximized as people like, the lists taking
    // the room.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
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
    emptyLists();
    m_choices.offerCountries();
    selectionUpdate(true);
    LayoutMemory::restore(*this, *m_splitter, *m_mainList, *m_handheldList, m_app.userSettings());
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
    SearchableComboBox* country = m_choices.countryBox();
    SearchableComboBox* state = m_choices.stateBox();
    SearchableComboBox* city = m_choices.cityBox();
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
    filters->addWidget(label(QStringLiteral("&Country"), country), 0, 0);
    filters->addWidget(country, 0, 1);
    filters->addWidget(label(QStringLiteral("&State"), state), 0, 2);
    filters->addWidget(state, 0, 3, 1, 2);
    filters->addWidget(label(QStringLiteral("Cit&y"), city), 1, 0);
    filters->addWidget(city, 1, 1);
    filters->addWidget(label(QStringLiteral("&Area Code"), m_areaCode), 1, 2);
    filters->addWidget(m_areaCode, 1, 3);
    filters->addWidget(m_clear, 1, 4);
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);

    m_topLogo = new QLabel(this);
    m_topLogo->setAccessibleName(QStringLiteral("Synchronizer logo"));
    auto* top = new QHBoxLayout;
    top->addWidget(m_topLogo, 0, Qt::AlignTop);
    top->addLayout(filters, 1);

    // Widths, splitter and place come from the user settings once all is built.
    m_mainList = new PopListView(m_mainModel, QStringLiteral("Main Phone Book"), this);
    m_handheldList = new PopListView(m_handheldModel, QStringLiteral("Handheld's Phone Book"), this);
    auto* mainGroup = new QGroupBox(QStringLiteral("&Main Phone Book"), this);
    (new QVBoxLayout(mainGroup))->addWidget(m_mainList);
    auto* handheldGroup = new QGroupBox(QStringLiteral("Handheld's &Phone Book"), this);
    (new QVBoxLayout(handheldGroup))->addWidget(m_handheldList);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setAccessibleName(QStringLiteral("Lists"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(mainGroup);
    auto* moves = new MoveButtons(this);
    m_toHandheld = moves->toHandheld();
    m_back = moves->back();
    m_selectAll = moves->selectAll();
    m_splitter->addWidget(moves);
    m_splitter->addWidget(handheldGroup);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setStretchFactor(2, 1);

    m_counter = new QLineEdit(this);
    m_counter->setReadOnly(true);
    m_counter->setAlignment(Qt::AlignCenter);
    m_counter->setFocusPolicy(Qt::ClickFocus);
    m_counter->setAccessibleName(QStringLiteral("Total selected records"));
    m_counter->setFixedWidth(m_counter->fontMetrics().averageCharWidth() * 8 + 16);
    m_bottomLogo = new QLabel(this);
    m_bottomLogo->setAccessibleName(QStringLiteral("Company logo"));
    m_save = new QPushButton(QStringLiteral("Sa&ve"), this);
    m_save->setAccessibleName(QStringLiteral("Save"));
    m_save->setToolTip(QStringLiteral("Synchronize the handheld (Ctrl+S)"));
    m_save->setDefault(true);
    m_exit = new QPushButton(QStringLiteral("E&xit"), this);
    m_exit->setAccessibleName(QStringLiteral("Exit"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label(QStringLiteral("Total selected records:"), m_counter));
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
    root->addWidget(m_splitter, 1);
    root->addLayout(bottom);
    root->addWidget(m_status);

    setTabOrder(country, state);
    setTabOrder(state, city);
    setTabOrder(city, m_areaCode);
    setTabOrder(m_areaCode, m_clear);
    setTabOrder(m_clear, m_mainList);
    setTabOrder(m_mainList, m_toHandheld);
    setTabOrder(m_toHandheld, m_back);
    setTabOrder(m_back, m_selectAll);
    setTabOrder(m_selectAll, m_handheldList);
    setTabOrder(m_handheldList, m_save);
    setTabOrder(m_save, m_exit);

    connect(country, &QComboBox::activated, this, &SelectionWindow::countryChosen);
    connect(state, &QComboBox::activated, this, &SelectionWindow::stateChosen);
    connect(city, &QComboBox::activated, this, &SelectionWindow::cityChosen);
    connect(country, &SearchableComboBox::cleared, this, &SelectionWindow::countryCleared);
    connect(state, &SearchableComboBox::cleared, this, &SelectionWindow::stateCleared);
    connect(city, &SearchableComboBox::cleared, this, &SelectionWindow::rebuild);
    connect(m_areaCode, &QLineEdit::textChanged, this, [this] { m_areaTimer.start(); });
    connect(m_clear, &QPushButton::clicked, this, &SelectionWindow::clear);
    connect(m_toHandheld, &QPushButton::clicked, this, &SelectionWindow::moveToHandheld);
    connect(m_back, &QPushButton::clicked, this, &SelectionWindow::moveBack);
    connect(m_selectAll, &QPushButton::clicked, this, &SelectionWindow::selectAll);
    connect(m_save, &QPushButton::clicked, this, [this] { (void)synchronize(); });
    connect(m_exit, &QPushButton::clicked, this, &SelectionWindow::reject);
    connect(m_mainList, &PopListView::moveRequested, this, &SelectionWindow::moveToHandheld);
    connect(m_mainList, &PopListView::removeRequested, this, &SelectionWindow::removeMainSelection);
    connect(m_handheldList, &PopListView::moveRequested, this, &SelectionWindow::moveBack);
    connect(m_handheldList, &PopListView::removeRequested, this, &SelectionWindow::moveBack);
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
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    QAction* save = file->addAction(QStringLiteral("Sa&ve"), this, [this] { (void)synchronize(); });
    save->setShortcut(QKeySequence::Save);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"), this, &SelectionWindow::reject);
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The window's own menu is Options with Exit in it; File is where
    // people look for Save and Exit as well, so Exit sits in both.
    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    QAction* update = options->addAction(QStringLiteral("&Update Phonebook"), this, &SelectionWindow::updatePhonebook);
    update->setEnabled(static_cast<bool>(m_updater));
    options->addSeparator();
    options->addAction(exit);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    QAction* contents = help->addAction(QStringLiteral("&Contents"), this, &SelectionWindow::showHelp);
    contents->setShortcut(QKeySequence::HelpContents);
    help->addAction(QStringLiteral("About &Tarvo Windows CE Synchronizer"), this, &SelectionWindow::showAbout);
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

void SelectionWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    // The desktop has framed the window by the time this runs.
    QMetaObject::invokeMethod(this, [this] { LayoutMemory::refit(*this); }, Qt::QueuedConnection);
    // The agreement comes up over the window, once it is on screen.
    QMetaObject::invokeMethod(this, &SelectionWindow::finishOpening, Qt::QueuedConnection);
}

void SelectionWindow::finishOpening()
{
    const Agreement terms(m_app.folder(), m_app.userSettings().language());
    if (terms.needsShowing()) {
        AgreementDialog agreement(terms, windowTitle(), this);
        if (agreement.exec() != QDialog::Accepted) {
            // Closing at once without a word looks like a crash.
            m_frontEnd.messageBox(Agreement::kRejectedMessage, m_app.applicationName(),
                                  MessageIcon::Information);
            QMetaObject::invokeMethod(this, &SelectionWindow::reject, Qt::QueuedConnection);
            return;
        }
    }
    restoreFilter();
    updateCounter();
}

void SelectionWindow::setStatusText(const QString& text)
{
    m_status->setText(text);
}

void SelectionWindow::setStatusLine(const std::string& text)
{
    m_status->setText(QString::fromStdString(text));
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
    PopFilter filter = m_choices.chosen();
    filter.areaCode = CodePage::ansi().fromUtf16(m_areaCode->text().toStdU16String());
    return filter;
}

void SelectionWindow::rebuild()
{
    const PopFilter filter = filterFromControls();
    changeBothLists([&] { m_selection.applyFilter(filter); });
    selectionUpdate(true);
    reportRows();
    emit listsRebuilt();
}

void SelectionWindow::reportRows()
{
    setStatusLine(StatusLine::shown(static_cast<int>(m_selection.rows(List::Main).size()),
                                    static_cast<int>(m_selection.rows(List::Handheld).size())));
}

void SelectionWindow::countryChosen(int index)
{
    const CountryEntry* country = m_choices.countryAt(index);
    if (!country)
        return;
    {
        ListsFrozen frozen(*this);
        m_choices.offerStates(*country);
        rebuild();
        m_choices.offerCities(*country, nullptr);
        selectionUpdate(true);
    }
    emptyAreaCode();
}

void SelectionWindow::emptyAreaCode()
{
    // Emptied by the window itself: the pending firing must not rebuild.
    m_refreshArmed = false;
    m_areaCode->clear();
    m_areaTimer.start();
}

void SelectionWindow::stateChosen(int index)
{
    const RegionEntry* state = m_choices.stateAt(index);
    if (!state)
        return;
    ListsFrozen frozen(*this);
    m_choices.withdrawCities();
    rebuild();
    if (const CountryEntry* country = m_choices.chosen().country)
        m_choices.offerCities(*country, state);
    selectionUpdate(true);
}

void SelectionWindow::cityChosen(int index)
{
    if (index < 0)
        return;
    rebuild();
}

void SelectionWindow::countryCleared()
{
    BusyCursor busy(m_frontEnd);
    ListsFrozen frozen(*this);
    m_choices.withdrawStates();
    rebuild();
}

void SelectionWindow::stateCleared()
{
    BusyCursor busy(m_frontEnd);
    ListsFrozen frozen(*this);
    if (const CountryEntry* country = m_choices.chosen().country)
        m_choices.offerCities(*country, nullptr);
    else
        m_choices.withdrawCities();
    rebuild();
}

void SelectionWindow::restoreFilter()
{
    BusyCursor busy(m_frontEnd);
    {
        // The boxes are set as the person left them, then the lists are
        // made once, not once per box.
        ListsFrozen frozen(*this);
        m_choices.show(m_filterMemory.restore(m_selection, m_app.userSettings()));
        rebuild();
    }
    emptyAreaCode();
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
    m_choices.clear();
    // The area code goes before the lists are made: no filter is the whole
    // phonebook, shown at once rather than a second later.
    emptyAreaCode();
    ListsFrozen frozen(*this);
    rebuild();
}

void SelectionWindow::moveToHandheld()
{
    BusyCursor busy(m_frontEnd);
    const std::vector<std::size_t> rows = selectedRows(List::Main);
    if (rows.empty())
        return;
    const std::string& caption = m_app.applicationName();
    SelectionModel::Move move;
    if (!m_selection.limitAllows(static_cast<int>(rows.size()))) {
        // Refused: shows the limit and changes nothing, so no view is in
        // the middle of a change while the message is up.
        move = m_selection.moveToHandheld(rows, m_frontEnd, caption);
    } else {
        changeRows(List::Handheld, [&] { move = m_selection.moveToHandheld(rows, m_frontEnd, caption); });
        updateCounter();
        // The Main list marks what is on the handheld.
        m_mainList->viewport()->update();
    }
    setStatusLine(StatusLine::afterMove(move, static_cast<int>(rows.size()), m_selection.limit()));
}

void SelectionWindow::moveBack()
{
    removeFromHandheld(selectedRows(List::Handheld));
}

void SelectionWindow::removeMainSelection()
{
    const std::vector<std::size_t> handheldRows = m_selection.handheldRowsOf(selectedRows(List::Main));
    if (handheldRows.empty()) {
        setStatusLine(StatusLine::removed(0));
        return;
    }
    removeFromHandheld(handheldRows);
}

void SelectionWindow::removeFromHandheld(const std::vector<std::size_t>& handheldRows)
{
    BusyCursor busy(m_frontEnd);
    if (handheldRows.empty())
        return;
    changeRows(List::Handheld, [&] { m_selection.moveBack(handheldRows); });
    updateCounter();
    m_mainList->viewport()->update();
    setStatusLine(StatusLine::removed(static_cast<int>(handheldRows.size())));
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
    changeRows(list, [&] { m_selection.sortBy(list, static_cast<SortColumn>(column)); });
    const PopSort& sort = m_selection.sortOf(list);
    setStatusLine(StatusLine::sorted(list == List::Main, sort.column == SortColumn::Number,
                                     sort.direction == SortDirection::Ascending));
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
    // The status line keeps saying what the last action came to; choosing
    // rows is no action of that kind.
    m_choices.stateBox()->setEnabled(m_choices.stateBox()->count() > 0 || !m_choices.chosen().country);
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
    const SyncApp::Saved saved = m_app.synchronize();
    setStatusLine(StatusLine::afterSave(saved, m_selection.handheldCount()));
    if (saved.result != SyncProcedure::Result::Done)
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
    setStatusLine(StatusLine::updateEnded(progress.summary().toStdString()));
}

void SelectionWindow::showAbout()
{
    AboutBox about(m_app.tags(), m_app.dialerHome(), m_bottomLogoFile, this);
    about.exec();
}

void SelectionWindow::showHelp()
{
    const QString page = QString::fromStdString(m_app.helpFile());
    // Without the page the desktop's "open" fails where no one looks.
    if (!QFileInfo(page).isFile() || !QDesktopServices::openUrl(QUrl::fromLocalFile(page))) {
        const std::string text = StatusLine::helpMissing(page.toStdString());
        setStatusLine(text);
        m_frontEnd.messageBox(text, m_app.applicationName(), MessageIcon::Information);
    }
}

void SelectionWindow::storeColumnWidths()
{
    const std::array<int, 2> widths = m_mainList->storedWidths();
    // The list has no third or fourth column: they count as width 0.
    m_app.userSettings().storeColumnWidths(m_app.profile().showPrice(), {widths[0], widths[1], 0, 0});
}

void SelectionWindow::storeUserSettings()
{
    storeColumnWidths();
    UserSettings& settings = m_app.userSettings();
    settings.setWindowLayout(LayoutMemory::capture(*this, *m_splitter, *m_handheldList));
    m_filterMemory.remember(settings, m_choices.chosen());
}

bool SelectionWindow::leave()
{
    storeUserSettings();
    return WindowExit::mayClose(m_app, m_frontEnd, m_selection.changed(), [this] { return synchronize(); });
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

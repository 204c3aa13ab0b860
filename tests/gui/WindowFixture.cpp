#include "WindowFixture.h"

#include "app/CommandLine.h"
#include "text/RegistryFile.h"
#include "fixtures/PopLine.h"
#include "fixtures/WindowWorld.h"
#include "phonebook/PopRecord.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

namespace tarvo::test {

WindowFixture::WindowFixture()
{
    layOutWindowWorld(m_ws);
}

WindowFixture::~WindowFixture()
{
    m_window.reset();
    if (m_app)
        m_ui.clearWindow();
}

bool WindowFixture::open(const std::string& commandLine, gui::UpdateRunner updater)
{
    AppEnvironment environment = m_ws.environment();
    environment.countryListFile = "/nonexistent/country-list.csv";
    m_app = std::make_unique<SyncApp>(m_ui, SyncApp::Kind::Window, std::move(environment));
    if (m_app->startup(parseCommandLine(commandLine)) != SyncApp::Startup::Ready)
        return false;
    m_window = std::make_unique<gui::SelectionWindow>(*m_app, m_ui, std::move(updater));
    gui::SelectionWindow* window = m_window.get();
    m_ui.setWindow(window, [window](const QString& text) { window->setStatusText(text); });
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return false;
    // Opening ends with the agreement and the handheld count.
    return QTest::qWaitFor([&] { return !m_window->counter()->text().isEmpty() || !m_window->isVisible(); });
}

QStringList WindowFixture::rows(const QTreeView* view)
{
    QStringList texts;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, 0).data().toString() + "|" + model->index(row, 1).data().toString();
    return texts;
}

QStringList WindowFixture::pops(SelectionModel::List list) const
{
    QStringList ids;
    for (const PopRecord* record : m_window->selection().rows(list))
        ids << QString::fromStdString(std::string(record->pop()));
    return ids;
}

void WindowFixture::choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->showPopup();
    QAbstractItemView* view = box->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }));
    // Down the open list to the entry, then Return, as a person would.
    QTest::keyClick(view, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isVisible(); }));
    ASSERT_EQ(box->currentText(), text);
}

void WindowFixture::clickRow(QTreeView* view, int row, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(index).center());
}

void WindowFixture::clickHeader(QTreeView* view, int column)
{
    QHeaderView* header = view->header();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
}

void WindowFixture::selectPops(SelectionModel::List list, const QStringList& ids)
{
    QTreeView* view = list == SelectionModel::List::Main ? m_window->mainList() : m_window->handheldList();
    view->clearSelection();
    for (const QString& id : ids) {
        const int row = static_cast<int>(pops(list).indexOf(id));
        ASSERT_GE(row, 0) << id.toStdString();
        clickRow(view, row, Qt::ControlModifier);
    }
}

void WindowFixture::waitUntilArmed()
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_window->areaRefreshArmed(); }, 3000));
}

QPushButton* WindowFixture::button(const QString& accessibleName)
{
    for (QPushButton* b : window().findChildren<QPushButton*>())
        if (b->accessibleName() == accessibleName)
            return b;
    ADD_FAILURE() << "no button " << accessibleName.toStdString();
    return nullptr;
}

} // namespace tarvo::test

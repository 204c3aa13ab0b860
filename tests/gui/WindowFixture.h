#pragma once

#include "ModalWatcher.h"
#include "QtPrinters.h"
#include "app/SyncApp.h"
#include "gui/QtFrontEnd.h"
#include "gui/SelectionWindow.h"
#include "fixtures/Workspace.h"

#include <QPushButton>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <string>

class QComboBox;
class QTreeView;

namespace tarvo::test {

// A dialer with two countries, a few states and cities, seven POPs of the
// master phonebook and one customer POP, a working handheld and a profile;
// the real start-up loads it and the real window is shown offscreen.
class WindowFixture : public ::testing::Test {
protected:
    WindowFixture();
    ~WindowFixture() override;

    // Runs start-up and opens the window; false when start-up failed.
    bool open(const std::string& commandLine = {}, gui::UpdateRunner updater = {});
    gui::SelectionWindow& window() { return *m_window; }

    // "City|Number" of every row of a list, in view order.
    static QStringList rows(const QTreeView* view);
    // The POP ids of a list, in view order.
    QStringList pops(SelectionModel::List list) const;
    // The window's button of that accessible name (a failure when none).
    QPushButton* button(const QString& accessibleName);

    // Picks an entry of a drop-down list in its open list, by keyboard.
    static void choose(QComboBox* box, const QString& text);
    // Clicks a row of a list (with Ctrl: adds it to the selection).
    static void clickRow(QTreeView* view, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void clickHeader(QTreeView* view, int column);
    // Clicks the rows whose POP ids are given, adding each to the selection.
    void selectPops(SelectionModel::List list, const QStringList& ids);
    // Waits until the window's own first area-code firing has passed.
    void waitUntilArmed();

    Workspace m_ws;
    ModalWatcher m_watcher;
    gui::QtFrontEnd m_ui;
    // No telephony list: the country names are those of "country.txt".
    std::unique_ptr<SyncApp> m_app;
    std::unique_ptr<gui::SelectionWindow> m_window;
};

} // namespace tarvo::test

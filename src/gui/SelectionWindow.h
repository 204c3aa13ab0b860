#pragma once

#include "app/FilterMemory.h"
#include "app/SelectionModel.h"
#include "app/WindowExit.h"
#include "gui/FilterChoices.h"
#include "gui/PopListView.h"
#include "gui/SearchableComboBox.h"
#include "gui/UpdateRunner.h"

#include <QDialog>
#include <QPixmap>
#include <QTimer>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTreeView;

namespace tarvo {
class FrontEnd;
class SyncApp;
}

namespace tarvo::gui {

class PopListModel;


// The program's main window: the person narrows the master phonebook by
// country, state, city and area code, moves POPs between the Main list and
// the Handheld list, saves them to the handheld and leaves. All list state
// lives in the selection model; the window keeps only the controls.
//
// The window can be resized and maximized; the lists take the room. It
// opens where it was left (on screen, whatever was stored) with the last
// filter, or the whole phonebook, already shown; the status line always
// says what the last action came to.
class SelectionWindow final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kAreaCodeDelayMs = 1000;
    static constexpr const char* kChangesQuestion = WindowExit::kChangesQuestion;

    // `updater` runs phonebook updates; without one the menu item is off.
    SelectionWindow(SyncApp& app, FrontEnd& frontEnd, UpdateRunner updater = {}, QWidget* parent = nullptr);
    ~SelectionWindow() override;

    void setStatusText(const QString& text);
    void setStatusLine(const std::string& text);
    // Keeps the Main list's column widths (the defined "ColWidth"), the
    // window's size, place and splitter, the Handheld list's widths and the
    // chosen country, state and city in the user settings.
    void storeUserSettings();
    // Runs the synchronization; true when it succeeded.
    bool synchronize();

    // Leaving by any way (Exit, Escape, the close box, the menu) asks about
    // unsaved changes first.
    void reject() override;

    const SelectionModel& selection() const { return m_selection; }
    bool areaRefreshArmed() const { return m_refreshArmed; }
    const QPixmap& bottomLogoFromFile() const { return m_bottomLogoFile; }

    QComboBox* countryBox() const { return m_choices.countryBox(); }
    QComboBox* stateBox() const { return m_choices.stateBox(); }
    QComboBox* cityBox() const { return m_choices.cityBox(); }
    QLineEdit* areaCodeEdit() const { return m_areaCode; }
    PopListView* mainList() const { return m_mainList; }
    PopListView* handheldList() const { return m_handheldList; }
    QLineEdit* counter() const { return m_counter; }
    QLineEdit* statusLine() const { return m_status; }
    QSplitter* splitter() const { return m_splitter; }

signals:
    // Both lists were filled anew from the phonebook.
    void listsRebuilt();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void loadImages();
    void finishOpening();

    void countryChosen(int index);
    void stateChosen(int index);
    void cityChosen(int index);
    // A box the person emptied: every entry of that level passes.
    void countryCleared();
    void stateCleared();
    // The last filter from the user settings, or the whole phonebook.
    void restoreFilter();
    // Empties the area code without a rebuild a second later.
    void emptyAreaCode();
    void areaCodeTimerFired();
    void clear();
    void rebuild();
    PopFilter filterFromControls() const;
    void moveToHandheld();
    void moveBack();
    // Delete in the Main list: its selected rows that are on the handheld
    // leave it.
    void removeMainSelection();
    void removeFromHandheld(const std::vector<std::size_t>& handheldRows);
    void selectAll();
    void sortClicked(SelectionModel::List list, int column);
    void selectionUpdate(bool focusFix);
    void updateCounter();
    void reportRows();
    void storeColumnWidths();
    void updatePhonebook();
    void showAbout();
    void showHelp();
    bool leave();

    void changeRows(SelectionModel::List list, const std::function<void()>& change);
    // Refills both lists: no selection survives.
    template <typename Change>
    void changeBothLists(Change&& change);
    std::vector<std::size_t> selectedRows(SelectionModel::List list) const;
    PopListModel& modelOf(SelectionModel::List list) const;
    QTreeView* viewOf(SelectionModel::List list) const;
    void emptyLists();

    // Both lists stop repainting while they are refilled.
    class ListsFrozen final {
    public:
        explicit ListsFrozen(SelectionWindow& window);
        ListsFrozen(const ListsFrozen&) = delete;
        ListsFrozen& operator=(const ListsFrozen&) = delete;
        ~ListsFrozen();

    private:
        SelectionWindow& m_window;
    };

    SyncApp& m_app;
    FrontEnd& m_frontEnd;
    UpdateRunner m_updater;
    SelectionModel m_selection;
    PopListModel* m_mainModel = nullptr;
    PopListModel* m_handheldModel = nullptr;

    FilterChoices m_choices;
    FilterMemory m_filterMemory;

    QLineEdit* m_areaCode = nullptr;
    QPushButton* m_clear = nullptr;
    PopListView* m_mainList = nullptr;
    PopListView* m_handheldList = nullptr;
    QSplitter* m_splitter = nullptr;
    QPushButton* m_toHandheld = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_selectAll = nullptr;
    QLineEdit* m_counter = nullptr;
    QLineEdit* m_status = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
    QLabel* m_topLogo = nullptr;
    QLabel* m_bottomLogo = nullptr;
    QPixmap m_bottomLogoFile;

    QTimer m_areaTimer;
    bool m_refreshArmed = false;
    bool m_opened = false;
    bool m_leaving = false;
};

} // namespace tarvo::gui

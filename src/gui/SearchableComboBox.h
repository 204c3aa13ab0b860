#pragma once

#include <QComboBox>

class QCompleter;

namespace tarvo::gui {

// A drop-down list that can also be typed into: the typed text (blanks
// included) filters the entries that contain it, ignoring case, in a popup
// of at most kVisibleRows rows; Enter or leaving the box (Tab, a mnemonic,
// a click elsewhere, even with the popup open) takes the entry that matches
// the text, or the first that contains it. The choice is reported as
// `activated`, as a click in the open list is, and only when it changes.
// Text that matches nothing gives the previous choice back; a box the
// person empties has no choice any more, reported as `cleared`. Enter with
// nothing typed goes on to the window's default button.
class SearchableComboBox final : public QComboBox {
    Q_OBJECT

public:
    static constexpr int kVisibleRows = 20;

    // `placeholder` is shown while nothing is chosen.
    SearchableComboBox(const QString& accessibleName, const QString& placeholder, QWidget* parent = nullptr);

    // Entries anew, none chosen.
    void setEntries(const QStringList& texts);
    // No entry chosen, and no text typed.
    void clearChoice();
    // The entry for the typed text: the one equal to it (ignoring case),
    // else the first containing it; -1 when none does.
    int entryFor(const QString& typed) const;

signals:
    // The person emptied the box: no entry is chosen any more.
    void cleared();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The completer's popup: Alt (a mnemonic on its way) and a click
    // outside it settle the text before the popup swallows them.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Settles typed text: the entry for it, or the previous choice back.
    // False when nothing had been typed since the last choice.
    bool commit();
    void showChoice();

    QCompleter* m_completer = nullptr;
};

} // namespace tarvo::gui

#include "gui/SearchableComboBox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>

namespace tarvo::gui {

SearchableComboBox::SearchableComboBox(const QString& accessibleName, const QString& placeholder, QWidget* parent)
    : QComboBox(parent)
{
    setAccessibleName(accessibleName);
    setEditable(true);
    // The entries are the tables' own: typing chooses among them, never adds.
    setInsertPolicy(QComboBox::NoInsert);
    // Thousands of cities: size by a typical name rather than measuring all.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(14);
    setMaxVisibleItems(kVisibleRows);
    // Styles that open the list around the current entry ignore the row
    // bound and fill the screen; the plain list popup keeps it.
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    if (auto* list = qobject_cast<QListView*>(view()))
        list->setUniformItemSizes(true);
    lineEdit()->setPlaceholderText(placeholder);
    lineEdit()->setAccessibleName(accessibleName);

    m_completer = new QCompleter(model(), this);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setFilterMode(Qt::MatchContains);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setMaxVisibleItems(kVisibleRows);
    auto* popup = new QListView;
    popup->setUniformItemSizes(true);
    popup->setAccessibleName(accessibleName + QStringLiteral(" matches"));
    m_completer->setPopup(popup);
    setCompleter(m_completer);
    // After the completer's own filter, so this one sees the events first.
    popup->installEventFilter(this);
    // Enter in the popup and Enter in the box end here, whichever has the keys.
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this] { (void)commit(); });
}

void SearchableComboBox::setEntries(const QStringList& texts)
{
    clear();
    addItems(texts);
    // Filled, not chosen: a drop-down list starts without a selection.
    clearChoice();
}

void SearchableComboBox::clearChoice()
{
    setCurrentIndex(-1);
    lineEdit()->clear();
}

int SearchableComboBox::entryFor(const QString& typed) const
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return -1;
    const int exact = findText(text, Qt::MatchFixedString);
    if (exact >= 0)
        return exact;
    return findText(text, Qt::MatchContains);
}

bool SearchableComboBox::commit()
{
    m_completer->popup()->hide();
    const QString typed = lineEdit()->text();
    if (typed == (currentIndex() >= 0 ? itemText(currentIndex()) : QString()))
        return false;
    if (typed.trimmed().isEmpty()) {
        const bool hadChoice = currentIndex() >= 0;
        clearChoice();
        if (hadChoice)
            emit cleared();
        return true;
    }
    const int entry = entryFor(typed);
    if (entry < 0 || entry == currentIndex()) {
        showChoice();
        return true;
    }
    setCurrentIndex(entry);
    showChoice();
    emit activated(entry);
    return true;
}

void SearchableComboBox::showChoice()
{
    lineEdit()->setText(currentIndex() >= 0 ? itemText(currentIndex()) : QString());
}

void SearchableComboBox::keyPressEvent(QKeyEvent* event)
{
    // With the completer's list open its keys go past this box, and Enter
    // there reaches `commit` through the line edit.
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Enter on typed text is this box's; Enter on a choice as it stands
        // goes on to the window's default button.
        if (commit()) {
            event->accept();
            return;
        }
    } else if (key == Qt::Key_Escape) {
        const QString shown = currentIndex() >= 0 ? itemText(currentIndex()) : QString();
        if (lineEdit()->text() != shown) {
            showChoice();
            event->accept();
            return;
        }
    }
    QComboBox::keyPressEvent(event);
}

bool SearchableComboBox::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* popup = m_completer->popup();
    if (watched != popup || !popup->isVisible())
        return QComboBox::eventFilter(watched, event);
    // While the popup is open it has the keyboard and the mouse: a mnemonic
    // would move the focus without this box noticing, and the popup would
    // keep the next key for itself.
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt || (key->modifiers() & Qt::AltModifier))
            (void)commit();
        break;
    }
    case QEvent::MouseButtonPress:
        if (!popup->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            (void)commit();
        break;
    default:
        break;
    }
    return QComboBox::eventFilter(watched, event);
}

void SearchableComboBox::focusOutEvent(QFocusEvent* event)
{
    // The completer's popup takes the focus for a moment when it opens;
    // any other departure settles the text, and closes the popup, which
    // would otherwise keep the next keys for this box.
    if (event->reason() != Qt::PopupFocusReason)
        (void)commit();
    QComboBox::focusOutEvent(event);
}

} // namespace tarvo::gui

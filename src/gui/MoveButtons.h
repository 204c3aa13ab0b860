#pragma once

#include <QWidget>

class QPushButton;

namespace tarvo::gui {

// The column of buttons between the selection window's two lists: "-->",
// "<--" and "Select All", centred, each with a tooltip naming its keys.
class MoveButtons final : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kToHandheldTip =
        "Move the selected POPs to the handheld list (Enter or double-click in the Main list)";
    static constexpr const char* kBackTip =
        "Take the selected POPs off the handheld list (Delete, Enter or double-click in the Handheld list)";

    explicit MoveButtons(QWidget* parent = nullptr);

    QPushButton* toHandheld() const { return m_toHandheld; }
    QPushButton* back() const { return m_back; }
    QPushButton* selectAll() const { return m_selectAll; }

private:
    QPushButton* m_toHandheld;
    QPushButton* m_back;
    QPushButton* m_selectAll;
};

} // namespace tarvo::gui

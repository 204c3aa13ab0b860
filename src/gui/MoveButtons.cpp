#include "gui/MoveButtons.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace tarvo::gui {

MoveButtons::MoveButtons(QWidget* parent)
    : QWidget(parent),
      m_toHandheld(new QPushButton(QStringLiteral("--&>"), this)),
      m_back(new QPushButton(QStringLiteral("&<--"), this)),
      m_selectAll(new QPushButton(QStringLiteral("S&elect All"), this))
{
    m_toHandheld->setAccessibleName(QStringLiteral("Move to handheld"));
    m_toHandheld->setToolTip(QString::fromLatin1(kToHandheldTip));
    m_back->setAccessibleName(QStringLiteral("Move back"));
    m_back->setToolTip(QString::fromLatin1(kBackTip));
    m_selectAll->setAccessibleName(QStringLiteral("Select All"));
    m_selectAll->setToolTip(QStringLiteral("Select every row of the Main list"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch();
    column->addWidget(m_toHandheld);
    column->addWidget(m_back);
    column->addSpacing(m_back->sizeHint().height());
    column->addWidget(m_selectAll);
    column->addStretch();
    // The lists take the room; this column keeps its width.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

} // namespace tarvo::gui

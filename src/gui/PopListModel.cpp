#include "gui/PopListModel.h"

#include "app/PopCellText.h"
#include "gui/WindowImages.h"
#include "phonebook/HandheldSet.h"
#include "phonebook/PopRecord.h"
#include "text/CodePage.h"

#include <QFont>

#include <algorithm>

namespace tarvo::gui {

namespace {

// Dialer texts are in the desktop's ANSI code page; plain ASCII, the usual
// case, becomes the QString directly without a detour.
QString fromAnsi(const char* bytes, std::size_t size)
{
    const bool ascii = std::all_of(bytes, bytes + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return QString::fromLatin1(bytes, static_cast<qsizetype>(size));
    const std::u16string wide = CodePage::ansi().toUtf16(std::string_view(bytes, size));
    return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

} // namespace

PopListModel::PopListModel(const SelectionModel& selection, SelectionModel::List list, QObject* parent)
    : QAbstractTableModel(parent), m_selection(selection), m_list(list)
{
    // Only the Main list mixes POPs on and off the handheld.
    if (m_list == SelectionModel::List::Main)
        m_onHandheldMark = WindowImages::onHandheldMark();
}

int PopListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_selection.rows(m_list).size());
}

int PopListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

const PopRecord* PopListModel::pop(int row) const
{
    const auto& rows = m_selection.rows(m_list);
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
        return nullptr;
    return rows[static_cast<std::size_t>(row)];
}

QString PopListModel::cellText(const PopRecord& pop, int column)
{
    PopCellText::Buffer text;
    const std::size_t size = PopCellText::write(pop, static_cast<SortColumn>(column), false, text);
    return fromAnsi(text.data(), size);
}

QVariant PopListModel::data(const QModelIndex& index, int role) const
{
    const PopRecord* record = pop(index.row());
    if (!record || index.column() < 0 || index.column() > kNumberColumn)
        return {};
    const bool mainList = m_list == SelectionModel::List::Main;
    const bool onHandheld = mainList && m_selection.onHandheld(*record);
    const bool customer = mainList && !HandheldSet::mayHold(*record);
    const bool allCity = record->allCity() != 0;
    switch (role) {
    case Qt::DisplayRole: {
        PopCellText::Buffer text;
        const std::size_t size = PopCellText::write(*record, static_cast<SortColumn>(index.column()), true, text);
        return fromAnsi(text.data(), size);
    }
    case Qt::ToolTipRole: {
        QString tip = cellText(*record, index.column());
        if (allCity)
            tip += QStringLiteral("\n") + QLatin1String(PopCellText::kAllCityNote);
        if (onHandheld)
            tip += QStringLiteral("\n") + QLatin1String(kOnHandheldNote);
        if (customer)
            tip += QStringLiteral("\n") + QLatin1String(kCustomerNote);
        return tip;
    }
    case Qt::FontRole:
        if (customer) {
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        return {};
    case Qt::DecorationRole:
        if (onHandheld && index.column() == kCityColumn)
            return m_onHandheldMark;
        return {};
    case Qt::AccessibleDescriptionRole:
        if (customer)
            return QString::fromLatin1(kCustomerNote);
        return onHandheld ? QString::fromLatin1(kOnHandheldNote) : QString();
    case kCustomerRole:
        return customer;
    case kOnHandheldRole:
        return onHandheld;
    case kAllCityRole:
        return allCity;
    default:
        return {};
    }
}

QVariant PopListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == kCityColumn)
        return QStringLiteral("City");
    if (section == kNumberColumn)
        return QStringLiteral("Number");
    return {};
}

} // namespace tarvo::gui

#include "measure/calibration_list_model.h"

#include "core/methods.h"

namespace kv {

namespace {
const char16_t* const kHeadings[CalibrationListModel::kColumnCount] = {u"№", u"Метод",
                                                                       u"Наименование"};
}

CalibrationListModel::CalibrationListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

CalibrationParse CalibrationListModel::readBytes(QByteArrayView bytes)
{
    CalibrationParse parsed = parseCalibrationFile(bytes);
    beginResetModel();
    m_store.setRecords(parsed.records);
    endResetModel();
    emit calibrationsChanged();
    return parsed;
}

void CalibrationListModel::add(const TCalibration& record)
{
    insert(m_store.count() + 1, record);
}

// A record put in or taken out moves the ones behind it, and the "№" column is their
// position: the view is told that the row at the end of the list came or went and that
// the rows behind the change show other records now. A view's current row so keeps its
// number, as it would over a refill.
void CalibrationListModel::insert(int position, const TCalibration& record)
{
    const int end = m_store.count();  // the empty row's view row
    if (position < 1 || position > end + 1)
        return;
    beginInsertRows({}, end, end);
    m_store.insertCalibration(position, record);
    endInsertRows();
    if (position - 1 < end)
        emit dataChanged(index(position - 1, 0), index(end - 1, kColumnCount - 1));
    emit calibrationsChanged();
}

void CalibrationListModel::replace(int position, const TCalibration& record)
{
    if (position < 1 || position > m_store.count())
        return;
    m_store.ReplaceCalibration(position, record);
    emit dataChanged(index(position - 1, 0), index(position - 1, kColumnCount - 1));
    emit calibrationsChanged();
}

void CalibrationListModel::remove(int position)
{
    const int last = m_store.count() - 1;  // the last record's view row
    if (position < 1 || position > last + 1)
        return;
    beginRemoveRows({}, last, last);
    m_store.DeleteCalibration(position);
    endRemoveRows();
    if (position - 1 < last)
        emit dataChanged(index(position - 1, 0), index(last - 1, kColumnCount - 1));
    emit calibrationsChanged();
}

ToggleResult CalibrationListModel::toggle(int position)
{
    const auto before = m_store.activeEntries();
    const ToggleResult result = m_store.ToggleCalibration(position);
    if (m_store.activeEntries() != before)
        marksChanged();
    return result;
}

void CalibrationListModel::setActiveEntries(const std::array<std::int32_t, 4>& entries)
{
    if (entries == m_store.activeEntries())
        return;
    m_store.setActiveEntries(entries);
    marksChanged();
}

void CalibrationListModel::setActiveCalibration(int method, std::int32_t position)
{
    auto entries = m_store.activeEntries();
    if (isMethod(method))
        entries[std::size_t(method - 1)] = position;
    setActiveEntries(entries);
}

void CalibrationListModel::marksChanged()
{
    emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {MarkRole});
    emit calibrationsChanged();
}

int CalibrationListModel::markedMethod(int position) const
{
    int marked = 0;
    for (int m = Research; m <= Cetane; ++m)
        if (m_store.activeCalibration(m) > 0 && m_store.activeCalibration(m) == position)
            marked = m;
    return marked;
}

int CalibrationListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_store.count() + 1;
}

int CalibrationListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QString CalibrationListModel::cellText(int row, int column) const
{
    const int position = row + 1;
    if (position > m_store.count())
        return {};
    const TCalibration& record = m_store.at(position);
    switch (column) {
    case 0:
        return QString::number(position);
    case 1:
        return methodName(record.method);
    default:
        return record.nameText();
    }
}

QVariant CalibrationListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    // Every cell carries its text as a tip too, so a name wider than its column can be read.
    case Qt::ToolTipRole: {
        const QString text = cellText(index.row(), index.column());
        if (role == Qt::ToolTipRole && text.isEmpty())
            return {};
        return text;
    }
    case MarkRole:
        return index.column() == 0 ? markedMethod(index.row() + 1) : 0;
    default:
        return {};
    }
}

QVariant CalibrationListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        || section < 0 || section >= kColumnCount)
        return {};
    return QString::fromUtf16(kHeadings[section]);
}

Qt::ItemFlags CalibrationListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace kv

#pragma once
// The calibrations as an item model: the stored list and which of its records are
// switched on, shown by the calibrations page. View row r - 1 is position r; below the
// last record there is always one empty row, so N records give N + 1 rows. Every change
// of the list goes through here and so reaches the views, the conversion and the trend
// as it happens.

#include "measure/calibration_store.h"

#include <QAbstractTableModel>

namespace kv {

class CalibrationListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The method (1..4) whose switched-on mark a row's "№" cell carries, 0 for none.
    static constexpr int MarkRole = Qt::UserRole;
    static constexpr int kColumnCount = 3;

    explicit CalibrationListModel(QObject* parent = nullptr);

    const CalibrationStore& store() const { return m_store; }

    // Replaces the list with the records of kor.tab's bytes; says where a damaged file
    // stopped. The switched-on entries are not touched.
    CalibrationParse readBytes(QByteArrayView bytes);

    // The store's operations, told to the views as they happen.
    void add(const TCalibration& record);
    void replace(int position, const TCalibration& record);
    void remove(int position);
    ToggleResult toggle(int position);
    void insert(int position, const TCalibration& record);
    void setActiveEntries(const std::array<std::int32_t, 4>& entries);
    // Sets one entry as it is, without checks (tools and tests put a state in place).
    void setActiveCalibration(int method, std::int32_t position);

    // The method whose mark position `position` carries, or 0. With two methods on the
    // same row, the later method's colour is the one drawn last and so the one seen.
    int markedMethod(int position) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The list or a switched-on state changed.
    void calibrationsChanged();

private:
    QString cellText(int row, int column) const;
    void marksChanged();

    CalibrationStore m_store;
};

}  // namespace kv

#pragma once
// The find bar over a journal or archive grid: a text (Ctrl+F puts the cursor there,
// Escape clears the whole filter) and a date range switched on by "Период", with the
// count of rows found. It only says what is wanted; the grid page filters.

#include "journal/row_filter.h"

#include <QWidget>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;

namespace kv {

class FindBar : public QWidget {
    Q_OBJECT

public:
    explicit FindBar(QWidget* parent = nullptr);

    RowFilter filter() const;
    // Clears the text and the range: every row shows again.
    void clear();
    // "Найдено: N из M" while a filter is on.
    void showCounts(int shown, int total);
    // The text field, selected, for typing over.
    void focusText();

    QLineEdit* textEdit() const { return m_text; }
    QCheckBox* periodCheck() const { return m_period; }
    QDateEdit* fromEdit() const { return m_from; }
    QDateEdit* toEdit() const { return m_to; }
    QLabel* countLabel() const { return m_count; }

signals:
    void filterChanged();
    // Enter or Escape in the text: back to the grid.
    void done();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_text = nullptr;
    QCheckBox* m_period = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QLabel* m_count = nullptr;
};

}  // namespace kv

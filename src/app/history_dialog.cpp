#include "app/history_dialog.h"

#include "app/change_history.h"
#include "core/errors.h"
#include "core/file_io.h"
#include "core/text_start.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace kv {

namespace {

QString cellsText(const std::optional<std::array<QString, 5>>& cells)
{
    if (!cells)
        return {};
    QStringList parts;
    for (const QString& cell : *cells)
        parts << cell.trimmed();
    return parts.join(QStringLiteral(" | "));
}

// The file keeps every cell whole; the table shows the start of a long one.
constexpr qsizetype kLongestShown = 500;

}  // namespace

HistoryDialog::HistoryDialog(const QString& path, QWidget* parent)
    : QDialog(parent)
    , m_filter(new QLineEdit(this))
    , m_table(new QTableView(this))
    , m_count(new QLabel(this))
    , m_proxy(new QSortFilterProxyModel(this))
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("История изменений"));
    resize(900, 500);

    auto* model = new QStandardItemModel(0, 7, this);
    model->setHorizontalHeaderLabels({QStringLiteral("Время"), QStringLiteral("Пользователь"),
                                      QStringLiteral("Действие"), QStringLiteral("Таблица"),
                                      QStringLiteral("№"), QStringLiteral("Было"),
                                      QStringLiteral("Стало")});
    std::vector<ChangeHistory::Entry> entries;
    QString problem;
    if (QFileInfo::exists(path)) {
        try {
            const QByteArray bytes = readWholeFile(path, 512LL * 1024 * 1024);
            entries = ChangeHistory::entries(bytes);
            const ChangeHistory::Check check = ChangeHistory::verify(bytes);
            if (!check.whole)
                problem = QStringLiteral("История нарушена в строке %1: %2.").arg(check.brokenLine).arg(check.reason);
        } catch (const Error& e) {
            problem = e.message();
        }
    }
    m_total = int(entries.size());
    model->setRowCount(m_total);
    // Newest first.
    for (int i = 0; i < m_total; ++i) {
        const ChangeHistory::Entry& e = entries[std::size_t(m_total - 1 - i)];
        const QStringList texts = {e.time, e.user, e.step, e.table, e.number, cellsText(e.before), cellsText(e.after)};
        for (int c = 0; c < texts.size(); ++c) {
            auto* item = new QStandardItem(textStart(texts[c], kLongestShown));
            item->setEditable(false);
            item->setToolTip(textStart(texts[c], kLongestTip));
            model->setItem(i, c, item);
        }
    }
    m_proxy->setSourceModel(model);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);

    m_filter->setObjectName(QStringLiteral("HistoryFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Отбор: текст в любой графе"));
    m_filter->setClearButtonEnabled(true);
    m_table->setObjectName(QStringLiteral("HistoryTable"));
    m_table->setModel(m_proxy);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->resizeColumnsToContents();

    const auto count = [this, problem] {
        QString text = QStringLiteral("Записей: %1 из %2").arg(shownCount()).arg(m_total);
        if (!problem.isEmpty())
            text += QStringLiteral(". ") + problem;
        m_count->setText(text);
    };
    connect(m_filter, &QLineEdit::textChanged, this, [this, count](const QString& text) {
        m_proxy->setFilterFixedString(text);
        count();
    });
    count();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_count);
    layout->addWidget(buttons);
}

int HistoryDialog::shownCount() const
{
    return m_proxy->rowCount();
}

}  // namespace kv

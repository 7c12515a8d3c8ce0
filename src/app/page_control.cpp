#include "app/page_control.h"

#include "ui/grid_style.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QScrollArea>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

namespace kv {

namespace {

// A hidden widget gets no resize events, so its layouts keep their old geometry; this
// lays out a hidden subtree as if it had been resized.
void layOutSubtree(QWidget* widget)
{
    QResizeEvent event(widget->size(), widget->size());
    QCoreApplication::sendEvent(widget, &event);
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            layOutSubtree(child);
    }
}

}  // namespace

PageControl::PageControl(QWidget* parent)
    : QTabWidget(parent)
{
    setObjectName(QStringLiteral("PageControl1"));
    // With the service pages shown, five captions share the panel: in the grids' condensed
    // face at the window's size they fit the design width whole. A narrower window
    // shortens the captions rather than hiding tabs behind scroll arrows.
    QFont tabFont = gridFont();
    tabFont.setPixelSize(kGridPixelSize);
    tabBar()->setFont(tabFont);
    setElideMode(Qt::ElideRight);

    // From anywhere in the window: a grid would take Ctrl+Tab and Ctrl+PgDn as its own moves.
    const std::pair<QKeyCombination, int> keys[] = {
        {Qt::CTRL | Qt::Key_PageDown, 1},           {Qt::CTRL | Qt::Key_PageUp, -1},
        {Qt::CTRL | Qt::Key_Tab, 1},                {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
    };
    for (const auto& [key, step] : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this, step = step] { turnPage(step); });
    }
}

void PageControl::turnPage(int step)
{
    // Round the pages the operator can choose: a hidden service page is disabled too.
    const int pages = count();
    for (int i = 1; i < pages; ++i) {
        const int page = (currentIndex() + step * i + pages) % pages;
        if (isTabEnabled(page) && isTabVisible(page)) {
            setCurrentIndex(page);
            // Into the page's own control (its grid), else its first one.
            QWidget* sheet = currentWidget();
            if (sheet->focusProxy()) {
                sheet->setFocus(Qt::TabFocusReason);
                return;
            }
            for (QWidget* w = sheet->nextInFocusChain(); w != sheet; w = w->nextInFocusChain()) {
                if (sheet->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisible()
                    && w->isEnabled()) {
                    w->setFocus(Qt::TabFocusReason);
                    break;
                }
            }
            return;
        }
    }
}

void PageControl::addPage(QWidget* content, const QString& sheetName, const QString& caption,
                          Fit fit)
{
    auto* sheet = new QWidget;
    sheet->setObjectName(sheetName);
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    if (fit == Fit::ScrollWhenSmall) {
        auto* scroll = new QScrollArea(sheet);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(content);
        layout->addWidget(scroll);
    } else {
        layout->addWidget(content);
    }
    if (content->focusProxy())
        sheet->setFocusProxy(content);
    const int index = addTab(sheet, caption);
    setTabToolTip(index, caption);
}

void PageControl::hideServicePages()
{
    // A hidden tab is still reached by the mouse wheel over the tab bar, the arrow keys
    // and Ctrl+Tab; disabled, it is skipped by all three.
    for (const int page : {SystemCorrection, Trace}) {
        setTabVisible(page, false);
        setTabEnabled(page, false);
    }
}

void PageControl::revealServicePages()
{
    for (const int page : {SystemCorrection, Trace}) {
        setTabEnabled(page, true);
        setTabVisible(page, true);
    }
}

bool PageControl::servicePagesRevealed() const
{
    return isTabVisible(SystemCorrection) && isTabVisible(Trace);
}

void PageControl::layOutHiddenPages()
{
    const QWidget* current = currentWidget();
    if (!current)
        return;
    for (int i = 0; i < count(); ++i) {
        QWidget* page = widget(i);
        if (page == current)
            continue;
        page->setGeometry(current->geometry());
        layOutSubtree(page);
    }
}

}  // namespace kv

#pragma once
// PageControl1: the main window's page control. Each page sits on its own sheet
// (TabSheet1..5); the two service pages stay hidden until the service key sequence
// reveals them. Pages the operator doesn't see are kept laid out at the size they will
// show with, so their grids' columns are fitted before they appear.

#include <QTabWidget>

namespace kv {

class PageControl : public QTabWidget {
    Q_OBJECT

public:
    enum Page { Journal = 0, Archive = 1, Calibrations = 2, SystemCorrection = 3, Trace = 4 };

    explicit PageControl(QWidget* parent = nullptr);

    // Puts the content on a new sheet named sheetName; the caption is also its tip. A page
    // that needs more room than a small screen gives (the service page's two fuel groups
    // side by side) scrolls rather than holding the whole window wide.
    enum class Fit { Stretch, ScrollWhenSmall };
    void addPage(QWidget* content, const QString& sheetName, const QString& caption,
                 Fit fit = Fit::Stretch);
    // The service pages' tabs: hidden at start, shown for good once revealed.
    void hideServicePages();
    void revealServicePages();
    bool servicePagesRevealed() const;

    // The next (step 1) or the previous (-1) page the operator can choose, round the end.
    void turnPage(int step);

    // Lays out every page but the current one as if it had been resized with it.
    void layOutHiddenPages();
};

}  // namespace kv

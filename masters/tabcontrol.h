#pragma once
// TTabControl: a strip of tabs over one client area, as the purpose windows show their
// categories. Unlike QTabWidget it has no pages: selecting a tab only tells the window, which
// re-filters the one grid that sits in the client area.
//
// The tabs wrap onto several rows when they do not fit the width (multi-line). Rows are filled
// in tab order; when there is more than one row each row is stretched to the full width, and the
// row holding the selected tab is always the one next to the client area, the others stacked
// above it in turn.
//
// change() is emitted when the user selects another tab (click, arrow keys, Ctrl+Tab), never
// when the window sets the tab index itself.
//
// The class lives in the global namespace so that .ui files can name it as a promoted widget.

#include <QRect>
#include <QStringList>
#include <QWidget>

#include <vector>

class TTabControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList Tabs READ tabs WRITE setTabs)
    Q_PROPERTY(int TabIndex READ tabIndex WRITE setTabIndex)
    Q_PROPERTY(bool MultiLine READ multiLine WRITE setMultiLine)

public:
    explicit TTabControl(QWidget* parent = nullptr);
    ~TTabControl() override;

    const QStringList& tabs() const { return tabs_; }
    void setTabs(const QStringList& tabs);
    int count() const { return static_cast<int>(tabs_.size()); }

    // The selected tab, -1 when there are no tabs. Setting it does not emit change().
    int tabIndex() const { return index_; }
    void setTabIndex(int index);

    bool multiLine() const { return multiLine_; }
    void setMultiLine(bool on);

    // Where each tab is drawn, and the client area below the tabs (for tests and layouts).
    QRect tabRect(int index) const;
    QRect displayRect() const;
    int rowCount() const;
    // The tab at a point, -1 for none.
    int tabAt(const QPoint& pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void change();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layoutTabs() const;
    void selectByUser(int index);
    int tabHeight() const;
    int naturalWidth(int index) const;

    QStringList tabs_;
    int index_ = -1;
    bool multiLine_ = true;

    // Tab rectangles, computed on demand.
    mutable std::vector<QRect> rects_;
    mutable int rows_ = 0;
    mutable bool layoutValid_ = false;
};

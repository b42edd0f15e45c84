#include "masters/tabcontrol.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

#include <algorithm>

namespace {

constexpr int kMargin = 2;      // between the window edge and the first tab, and above the tabs
constexpr int kTextPad = 6;     // blank on each side of a tab's text
constexpr int kSelectedGrow = 2;  // the selected tab stands out by this much on three sides

}  // namespace

TTabControl::TTabControl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_MouseNoMask);
}

TTabControl::~TTabControl() = default;

void TTabControl::setTabs(const QStringList& tabs) {
    tabs_ = tabs;
    if (tabs_.isEmpty())
        index_ = -1;
    else
        index_ = std::clamp(index_, 0, count() - 1);
    layoutValid_ = false;
    updateGeometry();
    update();
}

void TTabControl::setTabIndex(int index) {
    if (tabs_.isEmpty()) return;
    index = std::clamp(index, 0, count() - 1);
    if (index == index_) return;
    index_ = index;
    layoutValid_ = false;  // the selected row moves next to the client area
    update();
}

void TTabControl::setMultiLine(bool on) {
    multiLine_ = on;
    layoutValid_ = false;
    update();
}

void TTabControl::selectByUser(int index) {
    if (index < 0 || index >= count() || index == index_) return;
    setTabIndex(index);
    Q_EMIT change();
}

int TTabControl::tabHeight() const { return std::max(16, fontMetrics().height() + 4); }

int TTabControl::naturalWidth(int index) const {
    return fontMetrics().horizontalAdvance(tabs_[index]) + 2 * kTextPad;
}

void TTabControl::layoutTabs() const {
    if (layoutValid_) return;
    layoutValid_ = true;
    rects_.assign(tabs_.size(), QRect());
    rows_ = 0;
    if (tabs_.isEmpty()) return;

    const int avail = std::max(1, width() - 2 * kMargin);
    // Rows of tab indexes, filled in order.
    std::vector<std::vector<int>> rows(1);
    int used = 0;
    for (int i = 0; i < count(); ++i) {
        const int w = naturalWidth(i);
        if (multiLine_ && !rows.back().empty() && used + w > avail) {
            rows.emplace_back();
            used = 0;
        }
        rows.back().push_back(i);
        used += w;
    }
    rows_ = static_cast<int>(rows.size());

    int selectedRow = 0;
    for (int r = 0; r < rows_; ++r)
        if (std::find(rows[r].begin(), rows[r].end(), index_) != rows[r].end()) selectedRow = r;

    const int h = tabHeight();
    for (int r = 0; r < rows_; ++r) {
        const auto& row = rows[static_cast<size_t>(r)];
        int natural = 0;
        for (int i : row) natural += naturalWidth(i);
        // Several rows: each row fills the width, the spare pixels shared out evenly.
        const int spare = rows_ > 1 ? std::max(0, avail - natural) : 0;
        // Place of the row counted up from the client area.
        const int fromBottom = (r - selectedRow + rows_) % rows_;
        const int y = kMargin + (rows_ - 1 - fromBottom) * h;
        int x = kMargin;
        const int n = static_cast<int>(row.size());
        for (int k = 0; k < n; ++k) {
            int w = naturalWidth(row[static_cast<size_t>(k)]) + spare / n + (k < spare % n ? 1 : 0);
            if (!multiLine_) w = std::min(w, std::max(0, avail + kMargin - x));
            rects_[static_cast<size_t>(row[static_cast<size_t>(k)])] = QRect(x, y, w, h);
            x += w;
        }
    }
}

QRect TTabControl::tabRect(int index) const {
    layoutTabs();
    if (index < 0 || index >= count()) return {};
    return rects_[static_cast<size_t>(index)];
}

int TTabControl::rowCount() const {
    layoutTabs();
    return rows_;
}

QRect TTabControl::displayRect() const {
    layoutTabs();
    const int top = kMargin + std::max(rows_, 1) * tabHeight();
    return QRect(0, top, width(), std::max(0, height() - top));
}

int TTabControl::tabAt(const QPoint& pos) const {
    layoutTabs();
    // The selected tab is drawn larger and on top of its neighbours.
    if (index_ >= 0 &&
        tabRect(index_).adjusted(-kSelectedGrow, -kSelectedGrow, kSelectedGrow, 0).contains(pos))
        return index_;
    for (int i = 0; i < count(); ++i)
        if (rects_[static_cast<size_t>(i)].contains(pos)) return i;
    return -1;
}

QSize TTabControl::sizeHint() const { return {240, 160}; }

QSize TTabControl::minimumSizeHint() const { return {60, tabHeight() + 20}; }

void TTabControl::paintEvent(QPaintEvent*) {
    layoutTabs();
    QPainter p(this);

    auto tabOption = [this](int i) {
        QStyleOptionTab opt;
        opt.initFrom(this);
        opt.shape = QTabBar::RoundedNorth;
        opt.text = tabs_[i];
        opt.rect = rects_[static_cast<size_t>(i)];
        opt.state &= ~QStyle::State_HasFocus;
        opt.position = QStyleOptionTab::Middle;
        opt.selectedPosition = QStyleOptionTab::NotAdjacent;
        if (i == index_) {
            opt.state |= QStyle::State_Selected;
            opt.rect.adjust(-kSelectedGrow, -kSelectedGrow, kSelectedGrow, 0);
        }
        return opt;
    };

    // The tab's shape from the style, its text centred in the whole tab: the style's own label
    // margins are meant for single-row tab bars and would clip the stretched tabs' texts.
    auto drawTab = [&](int i) {
        const QStyleOptionTab opt = tabOption(i);
        style()->drawControl(QStyle::CE_TabBarTabShape, &opt, &p, this);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(rects_[static_cast<size_t>(i)], Qt::AlignCenter | Qt::TextSingleLine, tabs_[i]);
    };

    // Unselected tabs, then the client frame, then the selected tab over the frame's edge.
    for (int i = 0; i < count(); ++i)
        if (i != index_) drawTab(i);

    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = displayRect();
    frame.shape = QTabBar::RoundedNorth;
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    if (index_ >= 0) frame.selectedTabRect = tabRect(index_).adjusted(-kSelectedGrow, 0, kSelectedGrow, 0);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, this);

    if (index_ >= 0) {
        drawTab(index_);
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            const int tw = fontMetrics().horizontalAdvance(tabs_[index_]);
            const QRect r = tabRect(index_);
            focus.rect = QRect(r.center().x() - tw / 2 - 2, r.top() + 2, tw + 4, r.height() - 4);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
    }
}

void TTabControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const int i = tabAt(event->position().toPoint());
    if (i < 0) return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    selectByUser(i);
    event->accept();
}

void TTabControl::keyPressEvent(QKeyEvent* event) {
    if (tabs_.isEmpty()) return QWidget::keyPressEvent(event);
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        if (index_ > 0) selectByUser(index_ - 1);
        return event->accept();
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (index_ + 1 < count()) selectByUser(index_ + 1);
        return event->accept();
    case Qt::Key_Tab:
        if (ctrl) {
            selectByUser((index_ + 1) % count());
            return event->accept();
        }
        break;
    case Qt::Key_Backtab:
        if (ctrl) {
            selectByUser((index_ + count() - 1) % count());
            return event->accept();
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void TTabControl::resizeEvent(QResizeEvent* event) {
    layoutValid_ = false;
    QWidget::resizeEvent(event);
}

void TTabControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        layoutValid_ = false;
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

#include "widgets/dbgrid.h"

#include "platform/errorreport.h"
#include "widgets/celltext.h"
#include "widgets/format.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;
using mz::data::FieldDef;
using mz::data::FieldType;

namespace {

// Whether a cell holds a number (drawn whole, never cut) or an amount (whose yen sign may be
// narrowed to fit): an int of NumberKind under this role.
constexpr int kNumberKindRole = Qt::UserRole + 1;
enum NumberKind { kNotNumber = 0, kNumber = 1, kAmount = 2 };

// The text of a cell as it is drawn into the cell's rectangle: two pixels from each edge.
QRect textRect(const QRect& cell) {
    return cell.adjusted(2, 0, -2, 0);
}

mz::widgets::CellText fit(const QString& text, const QFont& font, const QRect& cell, int kind) {
    return mz::widgets::fitCellText(text, QFontMetricsF(font), textRect(cell).width(),
                                    kind != kNotNumber, kind == kAmount);
}

}  // namespace

// The cursor seen as a table model: rows are the cursor's rows, read as they are asked for.
class TDBGridModel : public QAbstractTableModel {
public:
    explicit TDBGridModel(TDBGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    // Field index of each shown column, looked up when the rows or columns change.
    void resolve() {
        fields_.clear();
        const mz::data::Cursor* c = grid_->cursor();
        for (const TColumn& col : grid_->shown_)
            fields_.push_back(c && c->isOpen() ? c->def().fieldIndex(col.fieldName) : -1);
    }

    void reset() {
        beginResetModel();
        resolve();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        if (parent.isValid()) return 0;
        const mz::data::Cursor* c = grid_->cursor();
        return c && c->isOpen() ? c->recordCount() : 0;
    }

    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(grid_->shown_.size());
    }

    const FieldDef* fieldOf(int column) const {
        if (column < 0 || column >= static_cast<int>(fields_.size())) return nullptr;
        const int f = fields_[static_cast<size_t>(column)];
        const mz::data::Cursor* c = grid_->cursor();
        if (f < 0 || !c || !c->isOpen()) return nullptr;
        return &c->def().fields[static_cast<size_t>(f)];
    }

    QString text(int row, int column) const {
        const FieldDef* f = fieldOf(column);
        if (!f) return QString();
        if (f->type == FieldType::Memo) return u"(MEMO)"_s;  // not read from the memo file per cell
        if (f->type == FieldType::Picture) return u"(GRAPHIC)"_s;
        try {
            const mz::data::Value v =
                grid_->cursor()->valueAt(row, fields_[static_cast<size_t>(column)]);
            const TColumn& col = grid_->shown_[static_cast<size_t>(column)];
            return mz::format::displayText(*f, v, col.currency || mz::format::isCurrencyField(*f));
        } catch (const mz::data::EngineError&) {
            return QString();
        }
    }

    Qt::Alignment alignment(int column) const {
        const TColumn& col = grid_->shown_[static_cast<size_t>(column)];
        Qt::Alignment h = col.alignment & Qt::AlignHorizontal_Mask;
        if (!h) {
            const FieldDef* f = fieldOf(column);
            const bool number =
                f && (f->type == FieldType::Number || f->type == FieldType::SmallInt);
            h = number ? Qt::AlignRight : Qt::AlignLeft;
        }
        return h | Qt::AlignVCenter;
    }

    int numberKind(int column) const {
        const FieldDef* f = fieldOf(column);
        if (!f || (f->type != FieldType::Number && f->type != FieldType::SmallInt))
            return kNotNumber;
        const TColumn& col = grid_->shown_[static_cast<size_t>(column)];
        return col.currency || mz::format::isCurrencyField(*f) ? kAmount : kNumber;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        switch (role) {
            case Qt::DisplayRole:
                return text(index.row(), index.column());
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(alignment(index.column()));
            case kNumberKindRole:
                return numberKind(index.column());
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
        const TColumn& col = grid_->shown_[static_cast<size_t>(section)];
        if (role == Qt::DisplayRole) return col.title.isEmpty() ? col.fieldName : col.title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue((col.titleAlignment & Qt::AlignHorizontal_Mask) |
                                       Qt::AlignVCenter);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    TDBGrid* grid_;
    std::vector<int> fields_;
};

// Title row and indicator column, painted in the grid's fixed colour with a raised edge.
class TDBGridHeader : public QHeaderView {
public:
    TDBGridHeader(Qt::Orientation orientation, TDBGrid* grid)
        : QHeaderView(orientation, grid), grid_(grid) {
        setSectionsClickable(false);
        setHighlightSections(false);
    }

protected:
    void paintSection(QPainter* p, const QRect& rect, int logicalIndex) const override {
        if (!rect.isValid()) return;
        p->save();
        p->setClipRect(rect);
        const QColor face =
            grid_->fixedColor_.isValid() ? grid_->fixedColor_ : palette().color(QPalette::Button);
        p->fillRect(rect, face);
        p->setPen(face.lighter(160));
        p->drawLine(rect.topLeft(), rect.topRight());
        p->drawLine(rect.topLeft(), rect.bottomLeft());
        p->setPen(QColor(0x80, 0x80, 0x80));
        p->drawLine(rect.bottomLeft(), rect.bottomRight());
        p->drawLine(rect.topRight(), rect.bottomRight());
        if (orientation() == Qt::Horizontal) {
            const QVariant title =
                model() ? model()->headerData(logicalIndex, Qt::Horizontal, Qt::DisplayRole)
                        : QVariant();
            const QVariant align =
                model() ? model()->headerData(logicalIndex, Qt::Horizontal, Qt::TextAlignmentRole)
                        : QVariant();
            p->setPen(palette().color(QPalette::ButtonText));
            p->setFont(font());
            p->drawText(rect.adjusted(2, 0, -2, 0), static_cast<int>(align.value<Qt::Alignment>()),
                        title.toString());
        } else if (grid_->indicator_) {
            const mz::data::Cursor* c = grid_->cursor();
            if (c && c->isOpen() && c->row() == logicalIndex) {
                // A small black arrow pointing at the current row.
                const int h = std::min(rect.height() - 6, 8);
                const int w = h / 2 + 1;
                const QPoint mid(rect.center().x() - w / 2 + 1, rect.center().y());
                const QPoint pts[3] = {QPoint(mid.x(), mid.y() - h / 2),
                                       QPoint(mid.x(), mid.y() + h / 2),
                                       QPoint(mid.x() + w, mid.y())};
                p->setPen(Qt::NoPen);
                p->setBrush(Qt::black);
                p->setRenderHint(QPainter::Antialiasing, false);
                p->drawPolygon(pts, 3);
            }
        }
        p->restore();
    }

    QSize sectionSizeFromContents(int logicalIndex) const override {
        if (orientation() == Qt::Vertical)
            return QSize(11, grid_->verticalHeader()->defaultSectionSize());
        return QHeaderView::sectionSizeFromContents(logicalIndex);
    }

private:
    TDBGrid* grid_;
};

// Cells drawn as the layouts measure them: the text two pixels from the cell's edge, cut off at
// the edge rather than shortened with an ellipsis, so that a date fits its 65-pixel column.
// Numbers are never cut (celltext.h): an amount too wide for its column is drawn in a narrower
// form.
class TDBGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem o(option);
        initStyleOption(&o, index);
        const bool selected = o.state & QStyle::State_Selected;
        const QPalette::ColorGroup group =
            (o.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
        p->save();
        p->setClipRect(o.rect);
        if (selected) p->fillRect(o.rect, o.palette.brush(group, QPalette::Highlight));
        p->setPen(o.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        p->setFont(o.font);
        const QRect r = textRect(o.rect);
        const mz::widgets::CellText shown =
            fit(o.text, o.font, o.rect, index.data(kNumberKindRole).toInt());
        if (shown.squeeze < 1) {
            p->translate(r.left(), 0);
            p->scale(shown.squeeze, 1);
            p->drawText(QRectF(0, r.top(), r.width() / shown.squeeze, r.height()),
                        static_cast<int>(o.displayAlignment), shown.text);
        } else {
            p->drawText(r, static_cast<int>(o.displayAlignment), shown.text);
        }
        p->restore();
    }
};

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new TDBGridDelegate(this));
    model_ = new TDBGridModel(this);
    top_ = new TDBGridHeader(Qt::Horizontal, this);
    side_ = new TDBGridHeader(Qt::Vertical, this);
    setHorizontalHeader(top_);
    setVerticalHeader(side_);
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    top_->setSectionResizeMode(QHeaderView::Interactive);
    top_->setStretchLastSection(false);
    top_->setMinimumSectionSize(4);
    side_->setSectionResizeMode(QHeaderView::Fixed);
    side_->setMinimumSectionSize(4);
    side_->setFixedWidth(11);
    // The current row stays visible when the focus is elsewhere in the window.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { Q_EMIT cellClick(index.column()); });
    rebuildShownColumns();
    applyRowHeight();
}

TDBGrid::~TDBGrid() {
    for (const auto& c : std::as_const(connections_)) disconnect(c);
}

mz::data::Cursor* TDBGrid::cursor() const {
    return source_ ? source_->dataSet() : nullptr;
}

void TDBGrid::setDataSource(TDataSource* source) {
    if (source == source_) return;
    for (const auto& c : std::as_const(connections_)) disconnect(c);
    connections_.clear();
    source_ = source;
    if (source) {
        connections_ << connect(source, &TDataSource::dataSetChanged, this,
                                &TDBGrid::onDataSetChanged);
        connections_ << connect(source, &TDataSource::contentsChanged, this,
                                &TDBGrid::onContentsChanged);
        connections_ << connect(source, &TDataSource::currentChanged, this, &TDBGrid::followCursor);
        connections_ << connect(source, &TDataSource::stateChanged, this, &TDBGrid::followCursor);
        connections_ << connect(source, &QObject::destroyed, this, [this] {
            source_ = nullptr;
            onDataSetChanged();
        });
    }
    onDataSetChanged();
}

void TDBGrid::onDataSetChanged() {
    rebuildShownColumns();
    model_->reset();
    applyColumnWidths();
    followCursor();
}

void TDBGrid::onContentsChanged() {
    model_->reset();  // the header keeps the column widths: their number does not change
    followCursor();
}

void TDBGrid::rebuildShownColumns() {
    shown_ = columns_;
    const mz::data::Cursor* c = cursor();
    if (shown_.empty() && c && c->isOpen())
        for (const FieldDef& f : c->def().fields)
            shown_.push_back(TColumn{f.name, QString(), -1, {}, false});
}

void TDBGrid::setColumns(std::vector<TColumn> columns) {
    columns_ = std::move(columns);
    rebuildShownColumns();
    model_->reset();
    applyColumnWidths();
    followCursor();
}

void TDBGrid::addColumn(const QString& fieldName, const QString& title, int width,
                        Qt::Alignment alignment) {
    std::vector<TColumn> cols = columns_;
    TColumn col;
    col.fieldName = fieldName;
    col.title = title;
    col.width = width;
    col.alignment = alignment;
    cols.push_back(col);
    setColumns(std::move(cols));
}

const TColumn& TDBGrid::column(int index) const {
    return shown_.at(static_cast<size_t>(index));
}

int TDBGrid::columnCountShown() const {
    return static_cast<int>(shown_.size());
}

int TDBGrid::defaultWidth(const TColumn& col) const {
    // As wide as the field's display width in digits of the grid's font, and at least as wide
    // as the title.
    int chars = 10;
    const mz::data::Cursor* c = cursor();
    if (c && c->isOpen()) {
        const int f = c->def().fieldIndex(col.fieldName);
        if (f >= 0) {
            const FieldDef& def = c->def().fields[static_cast<size_t>(f)];
            switch (def.type) {
                case FieldType::Text:
                    chars = def.width;
                    break;
                case FieldType::SmallInt:
                    chars = 6;
                    break;
                case FieldType::Logical:
                    chars = 5;
                    break;
                default:
                    chars = 10;
                    break;
            }
        }
    }
    const QFontMetrics fm(font());
    const int digit = fm.horizontalAdvance(u'0');
    int w = chars * digit - digit / 2 + 3;
    const QString title = col.title.isEmpty() ? col.fieldName : col.title;
    w = std::max(w, QFontMetrics(top_->font()).horizontalAdvance(title) + 4);
    return w;
}

void TDBGrid::applyColumnWidths() {
    for (int i = 0; i < static_cast<int>(shown_.size()); ++i) {
        const TColumn& col = shown_[static_cast<size_t>(i)];
        top_->resizeSection(i, col.width > 0 ? col.width : defaultWidth(col));
    }
}

void TDBGrid::applyRowHeight() {
    const int h = QFontMetrics(font()).height() + 4;
    side_->setDefaultSectionSize(h);
    top_->setFixedHeight(QFontMetrics(top_->font()).height() + 6);
}

void TDBGrid::setColor(const QColor& color) {
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color.isValid() ? color : QPalette().color(QPalette::Base));
    setPalette(pal);
}

void TDBGrid::setFixedColor(const QColor& color) {
    fixedColor_ = color;
    // The corner above the indicator column belongs to the fixed area as well.
    if (auto* corner = findChild<QAbstractButton*>()) {
        QPalette pal = corner->palette();
        pal.setColor(QPalette::Button,
                     color.isValid() ? color : QPalette().color(QPalette::Button));
        pal.setColor(QPalette::Window, pal.color(QPalette::Button));
        corner->setPalette(pal);
    }
    top_->viewport()->update();
    side_->viewport()->update();
}

QFont TDBGrid::titleFont() const {
    return top_->font();
}

void TDBGrid::setTitleFont(const QFont& font) {
    top_->setFont(font);
    applyRowHeight();
    top_->viewport()->update();
}

void TDBGrid::setIndicator(bool on) {
    indicator_ = on;
    side_->setVisible(on);
}

QString TDBGrid::cellText(int row, int column) const {
    if (row < 0 || row >= model_->rowCount() || column < 0 || column >= model_->columnCount())
        return QString();
    return model_->text(row, column);
}

mz::widgets::CellText TDBGrid::drawnCellText(int row, int column) const {
    const QModelIndex index = model_->index(row, column);
    if (!index.isValid()) return {};
    return fit(model_->text(row, column), font(), visualRect(index), model_->numberKind(column));
}

int TDBGrid::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TDBGrid::followCursor() {
    side_->viewport()->update();
    const mz::data::Cursor* c = cursor();
    const int r = c && c->isOpen() ? c->row() : -1;
    QScopedValueRollback guard(following_, true);
    if (r < 0 || r >= model_->rowCount() || model_->columnCount() == 0) {
        selectionModel()->clear();
        return;
    }
    const int col = currentIndex().isValid() ? currentIndex().column() : 0;
    const QModelIndex index = model_->index(r, col);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid()) return;
    mz::data::Cursor* c = cursor();
    if (!c || !c->isOpen() || current.row() == c->row()) return;
    try {
        c->moveToRow(current.row());  // posts a pending edit first; a refused post stays put
    } catch (...) {
        mz::platform::reportCurrentException();
        QMetaObject::invokeMethod(this, &TDBGrid::followCursor, Qt::QueuedConnection);
    }
    side_->viewport()->update();
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    Q_EMIT keyPressed(event->key(), event->modifiers());
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) Q_EMIT returnPressed();
    QTableView::keyPressEvent(event);
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    // A click below the last row takes the focus but keeps the current row selected.
    if (!indexAt(event->position().toPoint()).isValid()) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (indexAt(event->position().toPoint()).isValid()) QTableView::mouseDoubleClickEvent(event);
    Q_EMIT dblClick();
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    Q_EMIT focusEntered();
}

void TDBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyRowHeight();
        applyColumnWidths();
    }
}

#include "backup/directorylistbox.h"

#include "platform/errorreport.h"
#include "platform/platform.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;

namespace mz::backup {

namespace {

constexpr int kIndent = 10;

// Draws each row shifted right by its indentation step, as a tree of the path would be.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(indentOf(index), 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indentOf(index);
        return size;
    }

private:
    static int indentOf(const QModelIndex& index) {
        return index.data(DirectoryListBox::LevelRole).toInt() * kIndent;
    }
};

}  // namespace

DirectoryListBox::DirectoryListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setIconSize(QSize(16, 16));
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* clicked) {
        try {
            openRow(row(clicked));
        } catch (...) {
            mz::platform::reportCurrentException();
        }
    });
}

void DirectoryListBox::setDirectory(const QString& path) {
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    mz::platform::setCurrentDir(absolute);  // throws: nothing below changes
    directory_ = absolute;
    refresh();
    emit directoryChanged(directory_);
}

QString DirectoryListBox::pathAt(int row) const {
    const QListWidgetItem* it = item(row);
    return it ? it->data(PathRole).toString() : QString();
}

void DirectoryListBox::refresh() {
    clear();
    if (directory_.isEmpty()) return;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The path: "/" and then each folder down to the open one.
    QStringList parts = directory_.split(u'/', Qt::SkipEmptyParts);
    QString path = u"/"_s;
    int level = 0;
    auto addRow = [this](const QIcon& icon, const QString& text, const QString& rowPath, int step) {
        auto* row = new QListWidgetItem(icon, text, this);
        row->setData(PathRole, rowPath);
        row->setData(LevelRole, step);
        row->setToolTip(rowPath);
        return row;
    };
    QListWidgetItem* openRowItem = addRow(open, u"/"_s, path, level);
    for (const QString& part : parts) {
        path = path == u"/"_s ? path + part : path + u'/' + part;
        openRowItem = addRow(open, part, path, ++level);
    }

    // The open folder's subfolders, hidden ones left out; a folder that cannot be listed shows
    // none.
    const QDir dir(directory_);
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) addRow(closed, name, dir.filePath(name), level + 1);

    setCurrentItem(openRowItem);
    scrollToItem(openRowItem);
}

void DirectoryListBox::openRow(int row) {
    const QString path = pathAt(row);
    if (!path.isEmpty()) setDirectory(path);
}

void DirectoryListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const int row = currentRow();
        if (row >= 0) {
            try {
                openRow(row);
            } catch (...) {
                mz::platform::reportCurrentException();
            }
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace mz::backup

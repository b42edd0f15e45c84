#pragma once
// The folder list of the backup window: the folders on the path to the open folder, each one
// step further indented, the open folder highlighted, then the open folder's subfolders. A
// double click (or Enter) opens the folder under the cursor. The open folder is always the
// process's current directory: opening a folder enters it first and only then shows it.

#include <QListWidget>
#include <QString>

namespace mz::backup {

class DirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    // Item data: the folder's absolute path, and its indentation step.
    static constexpr int PathRole = Qt::UserRole + 1;
    static constexpr int LevelRole = Qt::UserRole + 2;

    explicit DirectoryListBox(QWidget* parent = nullptr);

    // The open folder as the user reached it (symbolic links are not resolved); empty until a
    // folder has been opened.
    QString directory() const { return directory_; }

    // Makes `path` the current directory and shows it. Throws mz::platform::IoError, leaving
    // the list and the current directory as they were, when the folder cannot be entered.
    void setDirectory(const QString& path);

    // The folder shown in a row; empty for a row that does not exist.
    QString pathAt(int row) const;

    // Lists the open folder again (folders may have come or gone).
    void refresh();

public slots:
    // Opens the folder shown in `row` (the handler of a double click). Throws like
    // setDirectory().
    void openRow(int row);

signals:
    void directoryChanged(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString directory_;
};

}  // namespace mz::backup

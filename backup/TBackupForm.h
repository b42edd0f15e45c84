#pragma once
// The backup window: the user picks a folder with the drive box and the folder list, and 実行
// copies the data files there (backupcopier.h). While the window is open the current
// directory follows the folder list; whichever way the window closes, the data directory is
// the current directory again, so that tables opened afterwards are the data, not the copies.

#include "ui_TBackupForm.h"

#include <QDialog>

#include <memory>

namespace mz::backup {
class FileOperations;
}

class TBackupForm : public QDialog, public Ui::TBackupForm {
    Q_OBJECT
public:
    explicit TBackupForm(QWidget* owner = nullptr);
    ~TBackupForm() override;

    // The file operations that 実行 uses; tests put in one that fails.
    void setFileOperations(std::unique_ptr<mz::backup::FileOperations> ops);

    // Closing in any way (実行, 取消, the close box, Escape) first makes the data directory
    // current again; when that fails the error is shown and the window stays open.
    void done(int result) override;

public slots:
    // Opens the window on the home volume and the home folder.
    void FormCreate();
    // The user picked a volume in the drive box: the folder list opens it. A volume that
    // cannot be read asks whether to retry; No puts the drive box back on the folder list's
    // volume.
    void DriveComboBox1Change();
    // 実行: backs up into the current directory, tells the outcome and closes.
    void BitBtn1Click();
    // 取消: closes without copying.
    void BitBtn2Click();

private:
    void fillDriveBox();
    void selectVolumeOf(const QString& folder);
    void returnToDataDir();

    std::unique_ptr<mz::backup::FileOperations> ops_;
};

#include "backup/TBackupForm.h"

#include "backup/backupcopier.h"
#include "backup/volumes.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/fonts.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <QScreen>
#include <QtDebug>

using namespace Qt::StringLiterals;

namespace {

const QString kRefusedMessage =
    u"バックアップ先フォルダとして、本ソフトのインストールフォルダを指定することは出来ません。"_s;
const QString kFailedMessage = u"バックアップに失敗しました。"_s;
const QString kSucceededMessage = u"バックアップは正常に終了しました。"_s;
const QString kNotReadyQuestion = u"ドライブの準備ができていません。再試行しますか？"_s;

}  // namespace

TBackupForm::TBackupForm(QWidget* owner)
    : QDialog(owner), ops_(std::make_unique<mz::backup::FileOperations>()) {
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(334, 348);

    using mz::widgets::pixelFont;
    setFont(pixelFont(mz::widgets::kPGothic, 12));
    for (QLabel* label : {Label1, Label5, Label2, Label3, Label4, Label6}) {
        label->setFont(pixelFont(mz::widgets::kGothic, 12));
        label->adjustSize();
    }
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label1->setPalette(red);
    BitBtn1->setFont(pixelFont(mz::widgets::kPGothic, 13));
    BitBtn2->setFont(pixelFont(mz::widgets::kPGothic, 13));

    using mz::platform::guarded;
    connect(DriveComboBox1, &QComboBox::activated, this,
            guarded(this, &TBackupForm::DriveComboBox1Change));
    connect(BitBtn1, &QPushButton::clicked, this, guarded(this, &TBackupForm::BitBtn1Click));
    connect(BitBtn2, &QPushButton::clicked, this, guarded(this, &TBackupForm::BitBtn2Click));

    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    mz::platform::runCreationHandler([this] { FormCreate(); });
    BitBtn1->setFocus();
}

TBackupForm::~TBackupForm() {
    // A window destroyed without being closed still gives the tables their directory back.
    try {
        const QString& dataDir = mz::state().DataDir;
        if (!dataDir.isEmpty() && mz::platform::currentDir() != dataDir)
            mz::platform::setCurrentDir(dataDir);
    } catch (...) {
        // Nothing can be shown from here; the next window that opens a table will say so.
    }
}

void TBackupForm::setFileOperations(std::unique_ptr<mz::backup::FileOperations> ops) {
    if (ops) ops_ = std::move(ops);
}

void TBackupForm::fillDriveBox() {
    DriveComboBox1->clear();
    for (const mz::backup::Volume& v : mz::backup::backupVolumes())
        DriveComboBox1->addItem(v.displayText(), v.path);
}

void TBackupForm::selectVolumeOf(const QString& folder) {
    QList<mz::backup::Volume> volumes;
    for (int i = 0; i < DriveComboBox1->count(); ++i)
        volumes.append({DriveComboBox1->itemData(i).toString(), {}});
    const qsizetype index = mz::backup::volumeIndexOf(volumes, folder);
    if (index >= 0) DriveComboBox1->setCurrentIndex(static_cast<int>(index));
}

void TBackupForm::returnToDataDir() {
    const QString& dataDir = mz::state().DataDir;
    if (!dataDir.isEmpty()) mz::platform::setCurrentDir(dataDir);
}

void TBackupForm::done(int result) {
    try {
        returnToDataDir();
    } catch (...) {
        mz::platform::reportCurrentException();
        return;  // the window stays open
    }
    QDialog::done(result);
}

void TBackupForm::FormCreate() {
    fillDriveBox();
    const QString home = QDir::cleanPath(QDir::homePath());
    selectVolumeOf(home);
    DriveComboBox1Change();
    DirectoryListBox1->setDirectory(home);
}

void TBackupForm::DriveComboBox1Change() {
    const QString volume = DriveComboBox1->currentData().toString();
    if (volume.isEmpty()) return;
    for (;;) {
        try {
            DirectoryListBox1->setDirectory(volume);
            return;
        } catch (const mz::platform::IoError& e) {
            if (!mz::backup::isNotReady(e.code())) throw;
            const QString caption = u"ドライブ "_s + volume + u" の選択"_s;
            if (mz::platform::askYesNo(this, caption, kNotReadyQuestion)) continue;
            selectVolumeOf(DirectoryListBox1->directory());
            return;
        }
    }
}

void TBackupForm::BitBtn1Click() {
    const QString destination = mz::platform::currentDir();
    const QString dataDir = mz::state().DataDir;
    QString message;
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        const mz::backup::BackupResult result = mz::backup::backUp(dataDir, destination, *ops_);
        switch (result.outcome) {
            case mz::backup::BackupOutcome::Refused:
                message = kRefusedMessage;
                break;
            case mz::backup::BackupOutcome::Succeeded:
                message = mz::platform::padded(kSucceededMessage);
                break;
            case mz::backup::BackupOutcome::Failed:
                for (const QString& problem : result.problems)
                    qWarning().noquote() << u"バックアップ: "_s + problem;
                message = mz::platform::padded(kFailedMessage);
                break;
        }
    }
    mz::platform::notice(this, message);
    returnToDataDir();
    accept();
}

void TBackupForm::BitBtn2Click() {
    returnToDataDir();
    reject();
}

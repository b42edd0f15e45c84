#include "data/syserror.h"

#include <QFileDevice>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace mz::data {

QString systemErrorText(int code) {
    switch (code) {
        case 0:
            return u"システムから理由が知らされませんでした"_s;
        case ENOENT:
            return u"ファイルまたはフォルダが見つかりません"_s;
        case EACCES:
        case EPERM:
            return u"アクセスが拒否されました"_s;
        case ENOTDIR:
            return u"フォルダではありません"_s;
        case EISDIR:
            return u"フォルダです"_s;
        case EEXIST:
            return u"同じ名前のファイルがすでにあります"_s;
        case ENOSPC:
            return u"ディスクの空き容量が足りません"_s;
        case EDQUOT:
            return u"ディスクの使用量の上限を超えました"_s;
        case EFBIG:
            return u"ファイルが大きすぎます"_s;
        case EROFS:
            return u"ディスクが読み取り専用のため書き込めません"_s;
        case ENAMETOOLONG:
            return u"ファイル名が長すぎます"_s;
        case EIO:
            return u"ディスクの読み書き中にエラーが発生しました"_s;
        case ELOOP:
            return u"シンボリックリンクが多すぎます"_s;
        case EBUSY:
        case ETXTBSY:
            return u"使用中です"_s;
        case ENOMEDIUM:
            return u"ドライブの準備ができていません"_s;
        case ENXIO:
        case ENODEV:
            return u"装置が見つかりません"_s;
        case EMFILE:
        case ENFILE:
            return u"開いているファイルが多すぎます"_s;
        case ENOMEM:
            return u"メモリが足りません"_s;
        case ESTALE:
            return u"ネットワーク上のファイルが使えなくなりました"_s;
        case EAGAIN:
            return u"一時的に使えません。しばらくしてからやり直してください"_s;
        case EINTR:
            return u"処理が中断されました"_s;
        case EINVAL:
            return u"この操作はできません"_s;
        case EXDEV:
            return u"別のドライブへは移動できません"_s;
        default:
            return u"エラー番号 %1 のシステムエラーが発生しました"_s.arg(code);
    }
}

QString systemErrorMessage(const QString& what, int code) {
    return u"%1（%2）"_s.arg(what, systemErrorText(code));
}

QString fileErrorMessage(const QString& what, const QFileDevice& file, int savedErrno) {
    if (savedErrno != 0 && file.errorString() == qt_error_string(savedErrno))
        return systemErrorMessage(what, savedErrno);
    QString reason;
    switch (file.error()) {
        case QFileDevice::NoError:
            reason = u"ファイルが途中で終わっています"_s;
            break;
        case QFileDevice::ReadError:
            reason = u"読み込み中にエラーが発生しました"_s;
            break;
        case QFileDevice::WriteError:
            reason = u"書き込み中にエラーが発生しました"_s;
            break;
        case QFileDevice::PositionError:
            reason = u"ファイル内の位置を移動できません"_s;
            break;
        case QFileDevice::PermissionsError:
            reason = systemErrorText(EACCES);
            break;
        case QFileDevice::ResourceError:
            reason = u"開いているファイルが多すぎるか、メモリが足りません"_s;
            break;
        case QFileDevice::OpenError:
            reason = u"通常のファイルとして開けません"_s;
            break;
        default:
            reason = systemErrorText(0);
            break;
    }
    return u"%1（%2）"_s.arg(what, reason);
}

}  // namespace mz::data

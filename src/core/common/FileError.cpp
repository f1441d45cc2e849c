#include "common/FileError.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QStringList>

#include <cerrno>

namespace FileError {

namespace {

struct TWording {
    int err;
    const char* text;
};

// Only errors a file operation of ours can meet; the rest get the number.
const TWording kWordings[] = {
    {EACCES, "アクセスが拒否されました。"},
    {EPERM, "この操作は許可されていません。"},
    {ENOENT, "ファイルまたはフォルダーが見つかりません。"},
    {ENOSPC, "ディスクの空き容量が足りません。"},
    {EDQUOT, "ディスクの使用量が上限に達しました。"},
    {EROFS, "読み取り専用のファイルシステムには書き込めません。"},
    {EEXIST, "同じ名前のファイルが既にあります。"},
    {EISDIR, "ファイルではなくフォルダーです。"},
    {ENOTDIR, "パスの途中にフォルダーでないものがあります。"},
    {ENAMETOOLONG, "ファイル名が長すぎます。"},
    {EMFILE, "開いているファイルが多すぎます。"},
    {ENFILE, "システム全体で開いているファイルが多すぎます。"},
    {EIO, "ディスクの読み書き中にエラーが発生しました。"},
    {EBUSY, "ファイルまたはデバイスが使用中です。"},
    {ETXTBSY, "ファイルが使用中です。"},
    {EXDEV, "別のファイルシステムへは名前の変更で移せません。"},
    {ENOTEMPTY, "フォルダーが空ではありません。"},
    {EFBIG, "ファイルが大きすぎます。"},
    {ELOOP, "シンボリックリンクの参照が深すぎます。"},
    {EINVAL, "ファイル名または操作が正しくありません。"},
    {ENOMEM, "メモリが足りません。"},
    {EAGAIN, "一時的に使えません。もう一度試してください。"},
    {ENODEV, "デバイスが見つかりません。"},
    {ENXIO, "デバイスが見つかりません。"},
    {ESTALE, "ネットワーク上のファイルが無効になりました。"},
    {EINTR, "操作が中断されました。"},
};

// Texts Qt writes itself instead of the C library's.
struct TQtText {
    int err;
    const char* context;
    const char* text;
};
const TQtText kQtTexts[] = {
    {EISDIR, "QIODevice", "file to open is a directory"},
    {EEXIST, "QFile", "Destination file exists"},
    {EEXIST, "QFile", "Destination file is the same file."},
};

QString kindWording(QFileDevice::FileError kind) {
    switch (kind) {
    case QFileDevice::NoError:
        return QString();
    case QFileDevice::ReadError:
        return QStringLiteral("ファイルを読み込めませんでした。");
    case QFileDevice::WriteError:
        return QStringLiteral("ファイルに書き込めませんでした。");
    case QFileDevice::FatalError:
        return QStringLiteral("ファイルの操作中に回復できないエラーが発生しました。");
    case QFileDevice::ResourceError:
        return QStringLiteral("システムの資源が足りません。");
    case QFileDevice::OpenError:
        return QStringLiteral("ファイルを開けませんでした。");
    case QFileDevice::AbortError:
        return QStringLiteral("操作が中止されました。");
    case QFileDevice::TimeOutError:
        return QStringLiteral("時間内に終わりませんでした。");
    case QFileDevice::RemoveError:
        return QStringLiteral("ファイルを削除できませんでした。");
    case QFileDevice::RenameError:
        return QStringLiteral("ファイルの名前を変更できませんでした。");
    case QFileDevice::PositionError:
        return QStringLiteral("ファイル内の位置を移せませんでした。");
    case QFileDevice::ResizeError:
        return QStringLiteral("ファイルの大きさを変えられませんでした。");
    case QFileDevice::PermissionsError:
        return QStringLiteral("ファイルのアクセス権を変えられませんでした。");
    case QFileDevice::CopyError:
        return QStringLiteral("ファイルをコピーできませんでした。");
    case QFileDevice::UnspecifiedError:
        break;
    }
    return QStringLiteral("ファイルの操作中にエラーが発生しました。");
}

QString withDetails(const QString& wording, const QString& systemText) {
    const QString details = systemText.trimmed();
    if (details.isEmpty() || details == wording)
        return wording;
    return wording + QLatin1Char('\n') + DetailsLabel() + details;
}

} // namespace

QString DetailsLabel() {
    return QStringLiteral("詳細: ");
}

QString Wording(int err) {
    for (const TWording& w : kWordings)
        if (w.err == err)
            return QString::fromUtf8(w.text);
    return QStringLiteral("システムエラーが発生しました（エラー番号 %1）。").arg(err);
}

QString SystemText(int err) {
    return withDetails(Wording(err), qt_error_string(err));
}

int ErrnoOf(const QString& text) {
    // The longest text that matches wins: "No such device" is part of
    // "No such device or address".
    int found = 0;
    qsizetype longest = 0;
    auto consider = [&](int err, const QString& known) {
        if (known.size() > longest && text.contains(known)) {
            found = err;
            longest = known.size();
        }
    };
    for (const TWording& w : kWordings)
        consider(w.err, qt_error_string(w.err));
    for (const TQtText& q : kQtTexts) {
        consider(q.err, QString::fromLatin1(q.text));
        consider(q.err, QCoreApplication::translate(q.context, q.text));
    }
    return found;
}

QString TextOf(const QString& systemText) {
    const int err = ErrnoOf(systemText);
    return withDetails(err ? Wording(err) : kindWording(QFileDevice::UnspecifiedError), systemText);
}

QString Text(const QIODevice& device) {
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    const QString system = device.errorString();
    if (!file)
        return TextOf(system);
    if (file->error() == QFileDevice::NoError)
        return QString();
    const int err = ErrnoOf(system);
    return withDetails(err ? Wording(err) : kindWording(file->error()), system);
}

QString WithoutDetails(const QString& message, QString* details) {
    // Every details line goes, wherever an error of several steps put it.
    QStringList kept;
    QStringList found;
    const QStringList lines = message.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && lines[i].startsWith(DetailsLabel()))
            found << lines[i].mid(DetailsLabel().size());
        else
            kept << lines[i];
    }
    if (details)
        *details = found.join(QLatin1Char('\n'));
    return kept.join(QLatin1Char('\n'));
}

} // namespace FileError

#include "CommandLine.h"

#include "common/ProgramFolder.h"
#include "doc/DocPaths.h"
#include "doc/WrenDoc.h"
#include "platform/DataControl.h"
#include "platform/SingleInstance.h"
#include "shell/Splash.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <memory>

namespace {

// Qt's own options, which the application object takes out of the arguments.
const char* const kQtOptionsWithValue[] = {"platform",      "platformpluginpath",
                                           "platformtheme", "plugin",
                                           "qmljsdebugger", "qwindowgeometry",
                                           "qwindowicon",   "qwindowtitle",
                                           "session",       "style",
                                           "stylesheet",    "display",
                                           "name",          "title",
                                           "geometry"};
const char* const kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// "-style", "--style" and "--style=fusion" alike: the bare name, and whether a value came with it.
QString qtOptionName(const QString& arg, bool* hasValue) {
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    const int eq = name.indexOf(QLatin1Char('='));
    *hasValue = eq >= 0;
    if (eq >= 0)
        name.truncate(eq);
    return name;
}

void say(const QString& text) {
    std::fprintf(stderr, "wrennote: %s\n", text.toUtf8().constData());
}

// How long a started or busy instance is given to take the clip.
constexpr int kWaitForInstanceMs = 30000;
constexpr int kRetryMs = 200;
// How long a Wayland compositor is given to offer the selection to our surface.
constexpr int kSelectionWaitMs = 2000;
// How long the program that holds the clipboard is given to write it.
constexpr int kSourceWaitMs = 5000;

bool hasDisplay() {
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

bool waylandSession() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return qEnvironmentVariableIsSet("WAYLAND_DISPLAY") &&
           (platform.isEmpty() || platform.startsWith("wayland"));
}

enum DataControlRead { Read, NotRead };

// On a compositor with data control the clipboard is read without a window.
// A null text after Read: the reason is said.
DataControlRead readByDataControl(QString* text) {
    QString got;
    switch (TDataControl::ReadSelection(&got, TSingleInstance::MaxClipBytes, kSourceWaitMs)) {
    case TDataControl::Text:
        *text = got;
        return Read;
    case TDataControl::NoText:
        say(QStringLiteral("クリップボードにテキストがありません。"));
        break;
    case TDataControl::TooLarge:
        say(QStringLiteral("クリップボードのテキストが大きすぎます（%1 MB まで）。")
                .arg(TSingleInstance::MaxClipBytes >> 20));
        break;
    case TDataControl::TimedOut:
        say(QStringLiteral(
                "クリップボードを持つプログラムが、%1 秒待ってもテキストを渡しませんでした。")
                .arg(kSourceWaitMs / 1000));
        break;
    case TDataControl::Unavailable:
    case TDataControl::Failed:
        return NotRead;
    }
    *text = QString();
    return Read;
}

QString clipboardText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // A compositor offers the selection only to a client with the
        // keyboard focus: a tiny window of ours takes it for a moment.
        QWindow window;
        window.setFlags(Qt::Window | Qt::FramelessWindowHint);
        window.setTitle(QStringLiteral("WrenNOTE --clip"));
        window.resize(1, 1);
        QEventLoop loop;
        QObject::connect(clipboard, &QClipboard::dataChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(kSelectionWaitMs, &loop, &QEventLoop::quit);
        window.show();
        loop.exec();
    }
    const QMimeData* mime = clipboard->mimeData();
    return mime && mime->hasText() ? mime->text() : QString();
}

// Standard input up to one byte over the cap (so an over-long text shows).
QByteArray standardInput() {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return QByteArray();
    QByteArray bytes;
    while (bytes.size() <= TSingleInstance::MaxClipBytes) {
        const QByteArray chunk =
            in.read(qMin<qint64>(1 << 20, TSingleInstance::MaxClipBytes + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return bytes;
}

} // namespace

TCommandLine TCommandLine::Parse(const QStringList& args) {
    TCommandLine line;
    auto mistake = [&line](const QString& text) {
        line.action = Mistake;
        line.mistake = text;
        return line;
    };
    bool clip = false, newDocument = false, onlyPaths = false;
    int paths = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (onlyPaths || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            if (clip && a == QLatin1String("-") && !onlyPaths && !line.clipStdin && paths == 0) {
                line.clipStdin = true;
                continue;
            }
            ++paths;
            if (clip) {
                if (paths > 1)
                    return mistake(QStringLiteral("--clip に指定できる文書は一つだけです。"));
                line.clipDocument = a;
            }
            continue;
        }
        if (a == QLatin1String("--")) {
            onlyPaths = true;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            line.action = Help;
            return line;
        }
        if (a == QLatin1String("--version")) {
            line.action = Version;
            return line;
        }
        if (a == QLatin1String("--clip")) {
            if (clip)
                return mistake(QStringLiteral("--clip が二度指定されています。"));
            if (paths > 0)
                return mistake(QStringLiteral("--clip は文書より前に指定してください。"));
            clip = true;
            continue;
        }
        if (a == QLatin1String("-n")) {
            newDocument = true;
            continue;
        }
        bool hasValue = false;
        const QString name = qtOptionName(a, &hasValue);
        bool known = false;
        for (const char* o : kQtOptionsWithValue) {
            if (name == QLatin1String(o)) {
                known = true;
                if (!hasValue && ++i >= args.size())
                    return mistake(QStringLiteral("オプション「%1」には値が必要です。").arg(a));
            }
        }
        for (const char* o : kQtFlags)
            if (name == QLatin1String(o) && !hasValue)
                known = true;
        if (!known)
            return mistake(
                QStringLiteral("不明なオプション「%1」です（使い方: wrennote --help）。").arg(a));
    }
    if (clip && newDocument)
        return mistake(QStringLiteral("--clip と -n は同時に指定できません。"));
    if (clip)
        line.action = Clip;
    return line;
}

QString TCommandLine::Usage() {
    return QStringLiteral(
        "使い方: wrennote [文書.wrn | 文書.lkp | -n]\n"
        "        wrennote --clip [-] [文書.wrn]\n"
        "\n"
        "WrenNOTE <ToDo,メモ,アウトライン> プロセッサ\n"
        "\n"
        "  文書.wrn      開く文書（省略すると前回の文書）\n"
        "  -n            新しい文書で起動する\n"
        "  --clip        クリップボードのテキストを、文書を開いている WrenNOTE に\n"
        "                項目として追加する（文書を省略すると前回の文書。\n"
        "                開いている WrenNOTE がなければ起動する）\n"
        "  --clip -      標準入力のテキストを項目として追加する\n"
        "  --help        この説明を表示する\n"
        "  --version     バージョンを表示する\n"
        "\n"
        "デスクトップのキーボードショートカットに「wrennote --clip」を割り当てると、\n"
        "どのプログラムの前面からでもクリッピングできます。\n"
        "\n"
        "終了コード: 0 成功、1 クリッピングできなかった、2 引数の誤り\n");
}

QString TCommandLine::VersionText() {
    return QStringLiteral("WrenNOTE %1\n").arg(QString::fromLatin1(TFormSplash::Version));
}

int RunClipCommand(const TCommandLine& line, int& argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    QString text;
    if (line.clipStdin) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        QByteArray bytes = standardInput();
        if (bytes.size() > TSingleInstance::MaxClipBytes) {
            say(QStringLiteral("テキストが大きすぎます（%1 MB まで）。")
                    .arg(TSingleInstance::MaxClipBytes >> 20));
            return ExitFailed;
        }
        // The line end that echo and most commands add is not part of the text.
        if (bytes.endsWith('\n'))
            bytes.chop(bytes.endsWith("\r\n") ? 2 : 1);
        text = QString::fromUtf8(bytes);
        if (text.trimmed().isEmpty()) {
            say(QStringLiteral("標準入力にテキストがありません。"));
            return ExitFailed;
        }
    } else if (waylandSession() && readByDataControl(&text) != NotRead) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        if (text.isNull())
            return ExitFailed;
        if (text.trimmed().isEmpty()) {
            say(QStringLiteral("クリップボードにテキストがありません。"));
            return ExitFailed;
        }
    } else {
        if (!hasDisplay()) {
            say(QStringLiteral("画面に接続できないため、クリップボードを読めません"
                               "（標準入力から渡すには wrennote --clip -）。"));
            return ExitFailed;
        }
        app = std::make_unique<QGuiApplication>(argc, argv);
        text = clipboardText();
        if (text.trimmed().isEmpty()) {
            say(QStringLiteral("クリップボードにテキストがありません。"));
            return ExitFailed;
        }
        if (text.toUtf8().size() > TSingleInstance::MaxClipBytes) {
            say(QStringLiteral("クリップボードのテキストが大きすぎます（%1 MB まで）。")
                    .arg(TSingleInstance::MaxClipBytes >> 20));
            return ExitFailed;
        }
    }

    QString document;
    if (!line.clipDocument.isEmpty()) {
        if (!QFileInfo(line.clipDocument).isFile()) {
            say(QStringLiteral("文書「%1」が見つかりません。").arg(line.clipDocument));
            return ExitFailed;
        }
        document = CanonicalPath(line.clipDocument);
    } else {
        TWrenDoc last(ProgramFolder());
        last.Create({});
        document = last.FileName;
    }
    if (document.isEmpty()) {
        say(QStringLiteral("クリッピング先の文書がありません。WrenNOTE で文書を保存してから使って"
                           "ください。"));
        return ExitFailed;
    }

    // A start of the program, or a load or dialog in the running one, is
    // waited for a while; a clip never waits for ever.
    QElapsedTimer waited;
    waited.start();
    bool started = false;
    for (;;) {
        QString reason;
        switch (TSingleInstance::SendClip(document, text, &reason)) {
        case TSingleInstance::ClipMade:
            return ExitOk;
        case TSingleInstance::ClipRefused:
            say(reason.isEmpty() ? QStringLiteral("クリッピングできませんでした。")
                                 : QStringLiteral("クリッピングできませんでした: %1").arg(reason));
            return ExitFailed;
        case TSingleInstance::ClipNoAnswer:
            say(QStringLiteral("WrenNOTE が応答しませんでした。"));
            return ExitFailed;
        case TSingleInstance::ClipNoInstance:
            if (!started) {
                // Its output not ours: a caller reading ours would wait for
                // the program to end.
                QProcess program;
                program.setProgram(QCoreApplication::applicationFilePath());
                program.setArguments({document});
                program.setStandardOutputFile(QProcess::nullDevice());
                program.setStandardErrorFile(QProcess::nullDevice());
                if (!program.startDetached()) {
                    say(QStringLiteral("WrenNOTE を起動できませんでした。"));
                    return ExitFailed;
                }
                started = true;
                waited.restart();
            }
            break;
        case TSingleInstance::ClipBusy:
            break;
        }
        if (waited.elapsed() > kWaitForInstanceMs) {
            say(started ? QStringLiteral("起動した WrenNOTE に接続できませんでした。")
                        : QStringLiteral(
                              "WrenNOTE がクリッピングを受け付けられる状態に"
                              "なりませんでした（読み込み中か、ダイアログが開いています）。"));
            return ExitFailed;
        }
        QThread::msleep(kRetryMs);
    }
}

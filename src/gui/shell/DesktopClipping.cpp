#include "shell/DesktopClipping.h"

#include "dialogs/MessageBox.h"
#include "platform/DataControl.h"
#include "platform/HotKey.h"
#include "platform/PortalShortcut.h"
#include "platform/SingleInstance.h"
#include "settings/DefaultsStore.h"
#include "settings/HotKeyEdit.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/ItemCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSettings>
#include <QTimer>

namespace {

constexpr int kHotKeyId = 123;
// How long a program that put text on the clipboard is given to hand it over.
constexpr int kSourceWaitMs = 5000;

// A box about the desktop, read once, is not shown at every start again:
// only when what it says has changed.
bool notToldBefore(const QString& key, const QString& text) {
    std::unique_ptr<QSettings> store = OpenDefaultsStore();
    const QString name = QStringLiteral("Desktop/") + key;
    if (store->value(name).toString() == text)
        return false;
    store->setValue(name, text);
    return true;
}

QString keyText(const TOptionDesc& o) {
    return THotKeyEdit::Text(o.ClipHotKey, o.ClipHotModifiers);
}

} // namespace

std::function<QString()> TDesktopClipping::Platform = [] {
    return QGuiApplication::platformName();
};

std::function<QDBusConnection()> TDesktopClipping::PortalBus = [] {
    return QDBusConnection::sessionBus();
};

TDesktopClipping::TDesktopClipping(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("DesktopClipping"));
    m_hotKey = new THotKey(this);
    connect(m_hotKey, &THotKey::activated, this, [this](int id) {
        if (id == kHotKeyId)
            HotKeyActivated();
    });
}

TDesktopClipping::~TDesktopClipping() {
    UnregisterHotKey();
}

TDesktopClipping* TDesktopClipping::of(const TFormMain& form) {
    return form.findChild<TDesktopClipping*>(QStringLiteral("DesktopClipping"),
                                             Qt::FindDirectChildrenOnly);
}

QString TDesktopClipping::ClipCommandAdvice() {
    return QStringLiteral(
        "デスクトップの設定でキーボードショートカットに「wrennote --clip」を割り当てると、"
        "そのキーでクリップボードのテキストを項目にできます（GNOME: 設定 → キーボード → "
        "カスタムショートカット、KDE: システム設定 → ショートカット、sway: bindsym）。");
}

bool TDesktopClipping::RegisterHotKey() {
    m_suspended = false;
    m_problem.clear();
    const TOptionDesc& o = *m_form.Options;
    const QString platform = Platform();
    if (platform == QLatin1String("xcb")) {
        m_route = RouteX11;
        const bool ok = m_hotKey->registerKey(kHotKeyId, o.ClipHotKey, o.ClipHotModifiers);
        if (!ok)
            m_form.ShowNotice(QStringLiteral("クリッピングのホットキー「%1」を登録できませんでした")
                                  .arg(keyText(o)));
        Q_EMIT hotKeyStateChanged();
        return ok;
    }
    m_hotKey->unregisterKey();
    // Test and headless platforms have no desktop to bind a key on, nor a user to tell.
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        m_route = RouteNone;
        return false;
    }
    if (!platform.startsWith(QLatin1String("wayland"))) {
        m_route = RouteNone;
        tellNoHotKey(
            QStringLiteral("この画面環境（%1）にはホットキーの仕組みがありません").arg(platform));
        return false;
    }
    m_route = RoutePortal;
    const QString trigger = TPortalShortcut::TriggerText(o.ClipHotKey, o.ClipHotModifiers);
    if (trigger.isEmpty()) {
        tellNoHotKey(QStringLiteral("キー「%1」はデスクトップに登録できません").arg(keyText(o)));
        return false;
    }
    if (!m_portal) {
        m_portal = new TPortalShortcut(PortalBus(), this);
        connect(m_portal, &TPortalShortcut::activated, this, [this] {
            if (!m_suspended)
                HotKeyActivated();
        });
        connect(m_portal, &TPortalShortcut::bound, this, [this](const QString& description) {
            m_form.ShowNotice(
                description.isEmpty()
                    ? QStringLiteral("デスクトップにクリッピングのホットキーを登録しました")
                    : QStringLiteral("クリッピングのホットキー: %1").arg(description));
            Q_EMIT hotKeyStateChanged();
        });
        connect(m_portal, &TPortalShortcut::failed, this, [this](const QString& why) {
            tellNoHotKey(why);
            Q_EMIT hotKeyStateChanged();
        });
    }
    m_portal->Bind(trigger, QStringLiteral("クリップボードから項目を作成（WrenNOTE）"));
    return true;
}

void TDesktopClipping::UnregisterHotKey() {
    m_suspended = true;
    // The portal's session stays: binding again could ask the user each time.
    m_hotKey->unregisterKey();
}

QString TDesktopClipping::BoundTrigger() const {
    return m_route == RoutePortal && m_portal ? m_portal->TriggerDescription() : QString();
}

QString TDesktopClipping::OptionsNote() const {
    if (!m_problem.isEmpty())
        return m_problem + QStringLiteral("。") + ClipCommandAdvice();
    if (m_route == RoutePortal && m_portal && m_portal->IsBound())
        return m_portal->TriggerDescription().isEmpty()
                   ? QStringLiteral("デスクトップにホットキーを登録しました。")
                   : QStringLiteral(
                         "デスクトップでの割り当て: %1（変更はデスクトップの設定で行えます）")
                         .arg(m_portal->TriggerDescription());
    return QString();
}

void TDesktopClipping::tellNoHotKey(const QString& reason) {
    QString why = reason;
    if (why.endsWith(QStringLiteral("。")))
        why.chop(1);
    m_problem = why;
    m_form.ShowNotice(why + QStringLiteral("。クリッピングには wrennote --clip を使えます"));
    if (m_boxShown || !notToldBefore(QStringLiteral("HotKeyAdvice"), why))
        return;
    m_boxShown = true;
    // Not from inside the window's construction or a D-Bus answer.
    QTimer::singleShot(0, this, [this, why] {
        MessageBox::information(
            &m_form, QStringLiteral("WrenNOTE"),
            QStringLiteral("ほかのプログラムの前面からホットキーでクリッピングできません: %1。\n\n")
                    .arg(why) +
                ClipCommandAdvice());
    });
}

bool TDesktopClipping::clip(const QMimeData* mime) {
    if (!mime || !mime->hasText())
        return false;
    if (mime->text().toUtf8().size() > TSingleInstance::MaxClipBytes) {
        m_form.ShowNotice(
            QStringLiteral("テキストが大きすぎるため（%1 MB まで）、クリッピングしませんでした")
                .arg(TSingleInstance::MaxClipBytes >> 20));
        return false;
    }
    return m_form.Commands->guarded(
        [this, mime] { TItemCommands::of(m_form)->ClipMimeData(mime, 10); });
}

void TDesktopClipping::HotKeyActivated() {
    clip(QGuiApplication::clipboard()->mimeData());
    QApplication::beep();
}

QString TDesktopClipping::ClipFromCommandLine(const QString& text) {
    // As the hot key: held back only while it is withdrawn, not by a box
    // the window shows (such as the one advising this very command).
    if (m_suspended)
        return QString::fromLatin1(TSingleInstance::BusyReason);
    if (text.isEmpty())
        return QStringLiteral("テキストが空です");
    QMimeData mime;
    mime.setText(text);
    if (!clip(&mime))
        return QStringLiteral("項目を作成できませんでした");
    QApplication::beep();
    return QString();
}

bool TDesktopClipping::WatchesClipboard() const {
    return m_watch && m_watch->IsWatching();
}

void TDesktopClipping::AutoClippingSwitched(bool on) {
    if (!on) {
        if (m_watch)
            m_watch->Stop();
        return;
    }
    if (!Platform().startsWith(QLatin1String("wayland")))
        return;
    if (!m_watch) {
        m_watch = new TDataControlWatch(TSingleInstance::MaxClipBytes, kSourceWaitMs, this);
        connect(m_watch, &TDataControlWatch::copied, this, [this](const QString& text) {
            if (!m_form.AutoClipping)
                return;
            QMimeData mime;
            mime.setText(text);
            clip(&mime);
        });
        connect(m_watch, &TDataControlWatch::notCopied, this, [this](int result) {
            if (result == TDataControl::TooLarge)
                m_form.ShowNotice(
                    QStringLiteral("コピーされたテキストが大きすぎるため（%1 MB まで）、"
                                   "自動クリッピングしませんでした")
                        .arg(TSingleInstance::MaxClipBytes >> 20));
            else if (result == TDataControl::TimedOut)
                m_form.ShowNotice(QStringLiteral("コピーしたプログラムが %1 秒待ってもテキストを"
                                                 "渡さなかったため、自動クリッピングしませんでした")
                                      .arg(kSourceWaitMs / 1000));
            else {
                // The compositor went away: Qt's own clipboard takes over again.
                m_watch->Stop();
                m_form.ShowNotice(QStringLiteral("クリップボードの監視が途切れました"));
            }
        });
    }
    // With data control every program's copies are seen, the window in front or not.
    if (m_watch->Start())
        return;
    // Otherwise Qt hears of a selection only while one of its windows has the keyboard focus.
    m_form.ShowNotice(
        QStringLiteral("この環境では、ウィンドウがアクティブな間にコピーされたものだけを"
                       "自動クリッピングします"));
    if (m_autoBoxShown || !notToldBefore(QStringLiteral("AutoClippingAdvice"), QStringLiteral("1")))
        return;
    m_autoBoxShown = true;
    QTimer::singleShot(0, this, [this] {
        MessageBox::information(
            &m_form, QStringLiteral("WrenNOTE"),
            QStringLiteral(
                "このデスクトップ（Wayland）では、クリップボードの内容はアクティブな"
                "ウィンドウにしか渡されません。自動クリッピングは、WrenNOTE のウィンドウが"
                "アクティブな間にコピーされたものだけを項目にします。\n\nほかのプログラムで"
                "コピーしたものを項目にするには: ") +
                ClipCommandAdvice());
    });
}

void TDesktopClipping::ServeClips(TSingleInstance& instance) {
    instance.ClipHandler = [this](const QString& text) { return ClipFromCommandLine(text); };
}

// Registered at once with the key of the settings at hand.
void InstallDesktopClipping(TFormMain& form) {
    if (!TDesktopClipping::of(form))
        (new TDesktopClipping(form))->RegisterHotKey();
}

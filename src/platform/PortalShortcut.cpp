#include "platform/PortalShortcut.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

// One entry of the portal's a(sa{sv}) shortcut lists.
struct ShortcutEntry {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& arg, const ShortcutEntry& e) {
    arg.beginStructure();
    arg << e.id << e.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, ShortcutEntry& e) {
    arg.beginStructure();
    arg >> e.id >> e.properties;
    arg.endStructure();
    return arg;
}

} // namespace

Q_DECLARE_METATYPE(ShortcutEntry)

const char* const TPortalShortcut::Service = "org.freedesktop.portal.Desktop";
const char* const TPortalShortcut::Path = "/org/freedesktop/portal/desktop";
const char* const TPortalShortcut::Interface = "org.freedesktop.portal.GlobalShortcuts";
const char* const TPortalShortcut::ShortcutId = "clip";

namespace {

const char* const kRequestInterface = "org.freedesktop.portal.Request";
const char* const kSessionInterface = "org.freedesktop.portal.Session";

QString keyName(uint16_t vk) {
    if (vk >= 0x70 && vk <= 0x87)
        return QStringLiteral("F%1").arg(vk - 0x70 + 1);
    if ((vk >= '0' && vk <= '9'))
        return QString(QChar(vk));
    if (vk >= 'A' && vk <= 'Z')
        return QString(QChar(vk + ('a' - 'A')));
    if (vk >= 0x60 && vk <= 0x69)
        return QStringLiteral("KP_%1").arg(vk - 0x60);
    static const struct {
        uint16_t vk;
        const char* name;
    } names[] = {
        {0x08, "BackSpace"},   {0x09, "Tab"},          {0x0D, "Return"},    {0x13, "Pause"},
        {0x1B, "Escape"},      {0x20, "space"},        {0x21, "Page_Up"},   {0x22, "Page_Down"},
        {0x23, "End"},         {0x24, "Home"},         {0x25, "Left"},      {0x26, "Up"},
        {0x27, "Right"},       {0x28, "Down"},         {0x2C, "Print"},     {0x2D, "Insert"},
        {0x2E, "Delete"},      {0x6A, "KP_Multiply"},  {0x6B, "KP_Add"},    {0x6C, "KP_Separator"},
        {0x6D, "KP_Subtract"}, {0x6E, "KP_Decimal"},   {0x6F, "KP_Divide"}, {0x91, "Scroll_Lock"},
        {0xBA, "semicolon"},   {0xBB, "equal"},        {0xBC, "comma"},     {0xBD, "minus"},
        {0xBE, "period"},      {0xBF, "slash"},        {0xC0, "grave"},     {0xDB, "bracketleft"},
        {0xDC, "backslash"},   {0xDD, "bracketright"}, {0xDE, "apostrophe"}};
    for (const auto& n : names)
        if (n.vk == vk)
            return QString::fromLatin1(n.name);
    return QString();
}

} // namespace

QString TPortalShortcut::TriggerText(uint16_t virtualKey, uint16_t modifiers) {
    const QString key = keyName(virtualKey);
    if (key.isEmpty())
        return QString();
    QStringList parts;
    if (modifiers & 2)
        parts << QStringLiteral("CTRL");
    if (modifiers & 1)
        parts << QStringLiteral("ALT");
    if (modifiers & 4)
        parts << QStringLiteral("SHIFT");
    if (modifiers & 8)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(QLatin1Char('+'));
}

TPortalShortcut::TPortalShortcut(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {
    qDBusRegisterMetaType<ShortcutEntry>();
    qDBusRegisterMetaType<QList<ShortcutEntry>>();
}

TPortalShortcut::~TPortalShortcut() {
    Close();
}

QString TPortalShortcut::nextToken() {
    return QStringLiteral("wrennote%1_%2").arg(QCoreApplication::applicationPid()).arg(++m_tokens);
}

QString TPortalShortcut::requestPath(const QString& token) const {
    QString sender = m_bus.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QString::fromLatin1(Path) + QStringLiteral("/request/") + sender + QLatin1Char('/') +
           token;
}

void TPortalShortcut::expectResponse(const QString& path) {
    dropResponse();
    m_request = path;
    m_bus.connect(QString::fromLatin1(Service), m_request, QString::fromLatin1(kRequestInterface),
                  QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
}

void TPortalShortcut::dropResponse() {
    if (m_request.isEmpty())
        return;
    m_bus.disconnect(QString::fromLatin1(Service), m_request,
                     QString::fromLatin1(kRequestInterface), QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    m_request.clear();
}

void TPortalShortcut::callPortal(const QString& method, const QVariantList& args) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                       QString::fromLatin1(Interface), method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const State state = m_state;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, state](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (m_state != state)
                    return; // closed or started again meanwhile
                const QDBusPendingReply<QDBusObjectPath> reply = *w;
                if (reply.isError()) {
                    const QDBusError::ErrorType type = reply.error().type();
                    if (type == QDBusError::NoReply || type == QDBusError::Timeout)
                        fail(QStringLiteral("デスクトップのポータルが応答しません。"));
                    else if (type == QDBusError::ServiceUnknown ||
                             type == QDBusError::UnknownInterface ||
                             type == QDBusError::UnknownMethod || type == QDBusError::UnknownObject)
                        fail(QStringLiteral("このデスクトップには、ホットキーを登録する仕組み"
                                            "（GlobalShortcuts ポータル）がありません。"));
                    else
                        fail(QStringLiteral("デスクトップがホットキーの登録を断りました（%1）。")
                                 .arg(reply.error().message()));
                    return;
                }
                // Older portals answer under another request path than the token gives.
                const QString handle = reply.value().path();
                if (handle != m_request)
                    expectResponse(handle);
            });
}

void TPortalShortcut::Bind(const QString& trigger, const QString& description) {
    if (m_state == Failed)
        m_state = Idle;
    if ((m_state == Bound || IsPending()) && trigger == m_trigger && description == m_description)
        return;
    const bool again = m_state != Idle;
    m_trigger = trigger;
    m_description = description;
    if (again)
        Close();
    createSession();
}

void TPortalShortcut::createSession() {
    // Subscribed once QtDBus knows its types: a subscription made before the
    // connection's first call can fail quietly.
    m_state = Creating;
    m_triggerDescription.clear();
    const QString token = nextToken();
    expectResponse(requestPath(token));
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("session_handle_token"), nextToken());
    callPortal(QStringLiteral("CreateSession"), {options});
    if (!m_listening)
        m_listening =
            m_bus.connect(QString::fromLatin1(Service), QString::fromLatin1(Path),
                          QString::fromLatin1(Interface), QStringLiteral("Activated"), this,
                          SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

void TPortalShortcut::bindShortcut() {
    m_state = Binding;
    const QString token = nextToken();
    expectResponse(requestPath(token));
    QVariantMap properties;
    properties.insert(QStringLiteral("description"), m_description);
    if (!m_trigger.isEmpty())
        properties.insert(QStringLiteral("preferred_trigger"), m_trigger);
    const QList<ShortcutEntry> shortcuts{{QString::fromLatin1(ShortcutId), properties}};
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    callPortal(QStringLiteral("BindShortcuts"),
               {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
                QString(), options});
}

void TPortalShortcut::onResponse(uint response, const QVariantMap& results) {
    dropResponse();
    if (m_state == Creating) {
        if (response != 0) {
            fail(QStringLiteral("デスクトップがホットキーのためのセッションを断りました。"));
            return;
        }
        const QVariant handle = results.value(QStringLiteral("session_handle"));
        m_session = handle.canConvert<QDBusObjectPath>() && handle.userType() != QMetaType::QString
                        ? handle.value<QDBusObjectPath>().path()
                        : handle.toString();
        if (m_session.isEmpty()) {
            fail(QStringLiteral("デスクトップがホットキーのためのセッションを断りました。"));
            return;
        }
        bindShortcut();
    } else if (m_state == Binding) {
        if (response != 0) {
            fail(response == 1
                     ? QStringLiteral("ホットキーの登録がデスクトップで取り消されました。")
                     : QStringLiteral("デスクトップがホットキーの登録を断りました。"));
            return;
        }
        QList<ShortcutEntry> shortcuts;
        const QVariant list = results.value(QStringLiteral("shortcuts"));
        if (list.canConvert<QDBusArgument>())
            list.value<QDBusArgument>() >> shortcuts;
        for (const ShortcutEntry& e : shortcuts)
            if (e.id == QLatin1String(ShortcutId))
                m_triggerDescription =
                    e.properties.value(QStringLiteral("trigger_description")).toString();
        m_state = Bound;
        Q_EMIT bound(m_triggerDescription);
    }
}

void TPortalShortcut::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                  const QVariantMap&) {
    if (m_state == Bound && session.path() == m_session && id == QLatin1String(ShortcutId))
        Q_EMIT activated();
}

void TPortalShortcut::fail(const QString& reason) {
    dropResponse();
    m_state = Failed;
    Q_EMIT failed(reason);
}

void TPortalShortcut::Close() {
    dropResponse();
    if (!m_session.isEmpty()) {
        QDBusMessage close = QDBusMessage::createMethodCall(QString::fromLatin1(Service), m_session,
                                                            QString::fromLatin1(kSessionInterface),
                                                            QStringLiteral("Close"));
        m_bus.asyncCall(close);
        m_session.clear();
    }
    m_triggerDescription.clear();
    m_state = Idle;
}

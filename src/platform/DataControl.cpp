#include "platform/DataControl.h"

#ifdef WREN_DATA_CONTROL

#include "ext-data-control-v1-client.h"
#include "wlr-data-control-unstable-v1-client.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>

#include <memory>

#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace {

// The text types a selection may come in, the best first.
const char* const kTextTypes[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "TEXT",
                                  "STRING"};

// What both protocols share, so that one reader serves them.
struct Ext {
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Offer = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;
    static const wl_interface* managerInterface() { return &ext_data_control_manager_v1_interface; }
    static constexpr uint32_t MaxVersion = 1;
    static Device* device(Manager* m, wl_seat* s) {
        return ext_data_control_manager_v1_get_data_device(m, s);
    }
    static void listen(Device* d, const DeviceListener* l, void* data) {
        ext_data_control_device_v1_add_listener(d, l, data);
    }
    static void listen(Offer* o, const OfferListener* l, void* data) {
        ext_data_control_offer_v1_add_listener(o, l, data);
    }
    static void receive(Offer* o, const char* type, int fd) {
        ext_data_control_offer_v1_receive(o, type, fd);
    }
    static void destroy(Offer* o) { ext_data_control_offer_v1_destroy(o); }
    static void destroy(Device* d) { ext_data_control_device_v1_destroy(d); }
    static void destroy(Manager* m) { ext_data_control_manager_v1_destroy(m); }
};

struct Wlr {
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Offer = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;
    static const wl_interface* managerInterface() {
        return &zwlr_data_control_manager_v1_interface;
    }
    static constexpr uint32_t MaxVersion = 2;
    static Device* device(Manager* m, wl_seat* s) {
        return zwlr_data_control_manager_v1_get_data_device(m, s);
    }
    static void listen(Device* d, const DeviceListener* l, void* data) {
        zwlr_data_control_device_v1_add_listener(d, l, data);
    }
    static void listen(Offer* o, const OfferListener* l, void* data) {
        zwlr_data_control_offer_v1_add_listener(o, l, data);
    }
    static void receive(Offer* o, const char* type, int fd) {
        zwlr_data_control_offer_v1_receive(o, type, fd);
    }
    static void destroy(Offer* o) { zwlr_data_control_offer_v1_destroy(o); }
    static void destroy(Device* d) { zwlr_data_control_device_v1_destroy(d); }
    static void destroy(Manager* m) { zwlr_data_control_manager_v1_destroy(m); }
};

struct Globals {
    wl_seat* seat = nullptr;
    uint32_t extName = 0, extVersion = 0, wlrName = 0, wlrVersion = 0;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    auto* g = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat)
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, Ext::managerInterface()->name) == 0)
        g->extName = name, g->extVersion = version;
    else if (std::strcmp(interface, Wlr::managerInterface()->name) == 0)
        g->wlrName = name, g->wlrVersion = version;
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

// Reads fd to its end: up to cap bytes, each wait for more at most until the
// deadline. A stop asked on stopFd (when not -1) ends the wait at once.
TDataControl::Result readAll(int fd, int stopFd, qint64 cap, int timeoutMs, QByteArray* out) {
    QElapsedTimer clock;
    clock.start();
    char buffer[65536];
    for (;;) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return TDataControl::TimedOut;
        pollfd p[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int ready = ::poll(p, stopFd < 0 ? 1 : 2, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return TDataControl::TimedOut;
        if (ready < 0 || (stopFd >= 0 && p[1].revents))
            return TDataControl::Failed;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return TDataControl::Failed;
        if (n == 0)
            return TDataControl::Text;
        if (out->size() + n > cap)
            return TDataControl::TooLarge;
        out->append(buffer, int(n));
    }
}

// One device on one connection, either protocol.
class Session {
public:
    virtual ~Session() = default;
    // Reads the current selection's text; a stop asked on stopFd ends it.
    virtual TDataControl::Result readCurrent(QString* text, qint64 cap, int timeoutMs,
                                             int stopFd) = 0;
    // Whether a new selection came since the last call.
    virtual bool takeNewSelection() = 0;
    // Whether the compositor has withdrawn the device.
    virtual bool finished() const = 0;
};

template <class P> class ProtocolSession : public Session {
public:
    ProtocolSession(wl_display* display, wl_registry* registry, uint32_t name, uint32_t version,
                    wl_seat* seat)
        : m_display(display) {
        m_manager = static_cast<typename P::Manager*>(
            wl_registry_bind(registry, name, P::managerInterface(), qMin(version, P::MaxVersion)));
        m_device = P::device(m_manager, seat);
        static const typename P::DeviceListener deviceListener = {onDataOffer, onSelection,
                                                                  onFinished, onPrimary};
        P::listen(m_device, &deviceListener, this);
    }
    ~ProtocolSession() override {
        while (!m_types.isEmpty())
            drop(m_types.first().first);
        P::destroy(m_device);
        P::destroy(m_manager);
        wl_display_flush(m_display);
    }

    bool takeNewSelection() override {
        const bool fresh = m_new;
        m_new = false;
        return fresh;
    }

    bool finished() const override { return m_finished; }

    TDataControl::Result readCurrent(QString* text, qint64 cap, int timeoutMs,
                                     int stopFd) override {
        // A selection always comes after its offer; one that did not is not read.
        const QStringList* types = m_selection ? typesOf(m_selection) : nullptr;
        if (!types)
            return TDataControl::NoText;
        const QStringList offered = *types;
        // Password managers mark what they copy; it is not clipped.
        if (offered.contains(QLatin1String("x-kde-passwordManagerHint")))
            return TDataControl::NoText;
        for (const char* type : kTextTypes) {
            if (!offered.contains(QString::fromLatin1(type)))
                continue;
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0)
                return TDataControl::Failed;
            P::receive(m_selection, type, fds[1]);
            wl_display_flush(m_display);
            ::close(fds[1]);
            QByteArray bytes;
            TDataControl::Result result = readAll(fds[0], stopFd, cap, timeoutMs, &bytes);
            ::close(fds[0]);
            if (result == TDataControl::Text) {
                *text = QString::fromUtf8(bytes);
                if (text->isEmpty())
                    result = TDataControl::NoText;
            }
            return result;
        }
        return TDataControl::NoText;
    }

private:
    QStringList* typesOf(typename P::Offer* offer) {
        for (auto& t : m_types)
            if (t.first == offer)
                return &t.second;
        return nullptr;
    }
    void drop(typename P::Offer* offer) {
        for (int i = 0; i < m_types.size(); ++i)
            if (m_types[i].first == offer)
                m_types.removeAt(i--);
        if (offer == m_selection)
            m_selection = nullptr;
        P::destroy(offer);
    }
    static void onOfferType(void* data, typename P::Offer* offer, const char* type) {
        if (QStringList* list = static_cast<ProtocolSession*>(data)->typesOf(offer))
            *list << QString::fromUtf8(type);
    }
    static void onDataOffer(void* data, typename P::Device*, typename P::Offer* offer) {
        static const typename P::OfferListener offerListener = {onOfferType};
        auto* s = static_cast<ProtocolSession*>(data);
        s->m_types.append({offer, QStringList()});
        P::listen(offer, &offerListener, s);
    }
    static void onSelection(void* data, typename P::Device*, typename P::Offer* offer) {
        auto* s = static_cast<ProtocolSession*>(data);
        if (s->m_selection && s->m_selection != offer)
            s->drop(s->m_selection);
        s->m_selection = offer;
        s->m_new = offer != nullptr;
    }
    static void onFinished(void* data, typename P::Device*) {
        static_cast<ProtocolSession*>(data)->m_finished = true;
    }
    static void onPrimary(void* data, typename P::Device*, typename P::Offer* offer) {
        auto* s = static_cast<ProtocolSession*>(data);
        if (offer && offer != s->m_selection)
            s->drop(offer);
    }

    wl_display* m_display;
    typename P::Manager* m_manager = nullptr;
    typename P::Device* m_device = nullptr;
    typename P::Offer* m_selection = nullptr;
    bool m_new = false;
    bool m_finished = false;
    // The types of the offers announced, by offer.
    QList<QPair<typename P::Offer*, QStringList>> m_types;
};

// A connection with its data-control device, or nothing when there is no
// compositor or it offers no data control.
struct Connection {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    Globals globals;
    std::unique_ptr<Session> session;

    bool open() {
        display = wl_display_connect(nullptr);
        if (!display)
            return false;
        registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &kRegistryListener, &globals);
        if (wl_display_roundtrip(display) < 0 || !globals.seat)
            return false;
        if (globals.extName)
            session = std::make_unique<ProtocolSession<Ext>>(display, registry, globals.extName,
                                                             globals.extVersion, globals.seat);
        else if (globals.wlrName)
            session = std::make_unique<ProtocolSession<Wlr>>(display, registry, globals.wlrName,
                                                             globals.wlrVersion, globals.seat);
        // The current selection is announced at once to a new device.
        return session && wl_display_roundtrip(display) >= 0;
    }
    ~Connection() {
        session.reset();
        if (globals.seat)
            wl_seat_destroy(globals.seat);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }
};

} // namespace

bool TDataControl::Built() {
    return true;
}

TDataControl::Result TDataControl::ReadSelection(QString* text, qint64 cap, int timeoutMs) {
    Connection c;
    if (!c.open())
        return c.display && c.session ? Failed : Unavailable;
    return c.session->readCurrent(text, cap, timeoutMs, -1);
}

struct TDataControlWatch::Private {
    qint64 cap = 0;
    int timeoutMs = 0;
    std::unique_ptr<Connection> connection;
    std::thread thread;
    int stopFd = -1;
};

TDataControlWatch::TDataControlWatch(qint64 cap, int timeoutMs, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->cap = cap;
    d->timeoutMs = timeoutMs;
}

TDataControlWatch::~TDataControlWatch() {
    Stop();
}

bool TDataControlWatch::IsWatching() const {
    return d->thread.joinable();
}

bool TDataControlWatch::Start() {
    if (IsWatching())
        return true;
    auto connection = std::make_unique<Connection>();
    if (!connection->open())
        return false;
    connection->session->takeNewSelection();
    d->stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (d->stopFd < 0)
        return false;
    d->connection = std::move(connection);
    Connection* c = d->connection.get();
    const int stopFd = d->stopFd;
    const qint64 cap = d->cap;
    const int timeoutMs = d->timeoutMs;
    d->thread = std::thread([this, c, stopFd, cap, timeoutMs] {
        wl_display* display = c->display;
        auto stopping = [stopFd] {
            pollfd p{stopFd, POLLIN, 0};
            return ::poll(&p, 1, 0) > 0;
        };
        // The events read so far handed out and a new selection read; false
        // when watching must end, told unless it was asked to.
        auto dispatch = [&] {
            if (wl_display_dispatch_pending(display) < 0 || c->session->finished()) {
                Q_EMIT notCopied(TDataControl::Failed);
                return false;
            }
            if (!c->session->takeNewSelection())
                return true;
            QString text;
            const TDataControl::Result result =
                c->session->readCurrent(&text, cap, timeoutMs, stopFd);
            if (stopping())
                return false;
            if (result == TDataControl::Text)
                Q_EMIT copied(text);
            else if (result != TDataControl::NoText)
                Q_EMIT notCopied(result);
            return true;
        };
        for (;;) {
            while (wl_display_prepare_read(display) != 0)
                if (!dispatch())
                    return;
            wl_display_flush(display);
            pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {stopFd, POLLIN, 0}};
            const int ready = ::poll(fds, 2, -1);
            if (ready < 0 && errno == EINTR) {
                wl_display_cancel_read(display);
                continue;
            }
            if (ready < 0 || fds[1].revents) {
                wl_display_cancel_read(display);
                return;
            }
            if (wl_display_read_events(display) < 0) {
                Q_EMIT notCopied(TDataControl::Failed);
                return;
            }
            if (!dispatch())
                return;
        }
    });
    return true;
}

void TDataControlWatch::Stop() {
    if (d->thread.joinable()) {
        const uint64_t one = 1;
        (void)!::write(d->stopFd, &one, sizeof one);
        d->thread.join();
    }
    if (d->stopFd >= 0)
        ::close(d->stopFd);
    d->stopFd = -1;
    d->connection.reset();
}

#else // built without libwayland-client

bool TDataControl::Built() {
    return false;
}

TDataControl::Result TDataControl::ReadSelection(QString*, qint64, int) {
    return Unavailable;
}

struct TDataControlWatch::Private {};

TDataControlWatch::TDataControlWatch(qint64, int, QObject* parent) : QObject(parent) {}
TDataControlWatch::~TDataControlWatch() = default;
bool TDataControlWatch::Start() {
    return false;
}
void TDataControlWatch::Stop() {}
bool TDataControlWatch::IsWatching() const {
    return false;
}

#endif

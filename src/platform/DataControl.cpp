#include "platform/DataControl.h"

#ifdef WREN_DATA_CONTROL

#include "ext-data-control-v1-client.h"
#include "wlr-data-control-unstable-v1-client.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringList>

#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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

// Reads fd to its end: up to cap bytes, each wait for more at most until the deadline.
TDataControl::Result readAll(int fd, qint64 cap, int timeoutMs, QByteArray* out) {
    QElapsedTimer clock;
    clock.start();
    char buffer[65536];
    for (;;) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return TDataControl::TimedOut;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return TDataControl::TimedOut;
        if (ready < 0)
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

template <class P> struct Reader {
    wl_display* display = nullptr;
    typename P::Offer* selection = nullptr;
    // The types of the offers announced, by offer.
    QList<QPair<typename P::Offer*, QStringList>> types;

    QStringList* typesOf(typename P::Offer* offer) {
        for (auto& t : types)
            if (t.first == offer)
                return &t.second;
        return nullptr;
    }

    static void onOfferType(void* data, typename P::Offer* offer, const char* type) {
        if (QStringList* list = static_cast<Reader*>(data)->typesOf(offer))
            *list << QString::fromUtf8(type);
    }
    static void onDataOffer(void* data, typename P::Device*, typename P::Offer* offer) {
        static const typename P::OfferListener offerListener = {onOfferType};
        auto* r = static_cast<Reader*>(data);
        r->types.append({offer, QStringList()});
        P::listen(offer, &offerListener, r);
    }
    static void onSelection(void* data, typename P::Device*, typename P::Offer* offer) {
        auto* r = static_cast<Reader*>(data);
        if (r->selection && r->selection != offer)
            r->drop(r->selection);
        r->selection = offer;
    }
    static void onFinished(void*, typename P::Device*) {}
    static void onPrimary(void* data, typename P::Device*, typename P::Offer* offer) {
        auto* r = static_cast<Reader*>(data);
        if (offer && offer != r->selection)
            r->drop(offer);
    }
    void drop(typename P::Offer* offer) {
        for (int i = 0; i < types.size(); ++i)
            if (types[i].first == offer)
                types.removeAt(i--);
        P::destroy(offer);
    }

    TDataControl::Result read(wl_registry* registry, uint32_t name, uint32_t version, wl_seat* seat,
                              QString* text, qint64 cap, int timeoutMs) {
        auto* manager = static_cast<typename P::Manager*>(
            wl_registry_bind(registry, name, P::managerInterface(), qMin(version, P::MaxVersion)));
        typename P::Device* device = P::device(manager, seat);
        static const typename P::DeviceListener deviceListener = {onDataOffer, onSelection,
                                                                  onFinished, onPrimary};
        P::listen(device, &deviceListener, this);
        // The current selection is announced at once to a new device.
        TDataControl::Result result = TDataControl::NoText;
        if (wl_display_roundtrip(display) < 0) {
            result = TDataControl::Failed;
        } else if (selection) {
            const QStringList offered = *typesOf(selection);
            for (const char* type : kTextTypes) {
                if (!offered.contains(QString::fromLatin1(type)))
                    continue;
                int fds[2];
                if (::pipe2(fds, O_CLOEXEC) != 0) {
                    result = TDataControl::Failed;
                    break;
                }
                P::receive(selection, type, fds[1]);
                wl_display_flush(display);
                ::close(fds[1]);
                QByteArray bytes;
                result = readAll(fds[0], cap, timeoutMs, &bytes);
                ::close(fds[0]);
                if (result == TDataControl::Text) {
                    *text = QString::fromUtf8(bytes);
                    if (text->isEmpty())
                        result = TDataControl::NoText;
                }
                break;
            }
        }
        while (!types.isEmpty())
            drop(types.first().first);
        P::destroy(device);
        P::destroy(manager);
        wl_display_roundtrip(display);
        return result;
    }
};

} // namespace

bool TDataControl::Built() {
    return true;
}

TDataControl::Result TDataControl::ReadSelection(QString* text, qint64 cap, int timeoutMs) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return Unavailable;
    wl_registry* registry = wl_display_get_registry(display);
    Globals globals;
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    Result result = Unavailable;
    if (wl_display_roundtrip(display) < 0) {
        result = Failed;
    } else if (globals.seat && globals.extName) {
        Reader<Ext> reader;
        reader.display = display;
        result = reader.read(registry, globals.extName, globals.extVersion, globals.seat, text, cap,
                             timeoutMs);
    } else if (globals.seat && globals.wlrName) {
        Reader<Wlr> reader;
        reader.display = display;
        result = reader.read(registry, globals.wlrName, globals.wlrVersion, globals.seat, text, cap,
                             timeoutMs);
    }
    if (globals.seat)
        wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return result;
}

#else // built without libwayland-client

bool TDataControl::Built() {
    return false;
}

TDataControl::Result TDataControl::ReadSelection(QString*, qint64, int) {
    return Unavailable;
}

#endif

#pragma once

#include <QObject>
#include <QString>

#include <memory>

// The Wayland clipboard read the way clipboard managers read it: through a
// data-control protocol (ext-data-control-v1, or wlroots'
// zwlr-data-control-unstable-v1) on a connection of our own, so that no
// window of ours needs the keyboard focus. Plain blocking calls: for a
// short-lived command or a thread of its own, never the window's thread.
class TDataControl {
public:
    enum Result {
        Text,        // *text holds the selection's text
        NoText,      // the selection is empty or holds no text
        TooLarge,    // more than the cap
        TimedOut,    // the program holding the selection did not write it in time
        Unavailable, // no Wayland compositor, or one without data control
        Failed       // the connection broke
    };

    // Reads the clipboard's text (UTF-8 first, then the other text types),
    // at most cap bytes, giving the program that owns it timeoutMs to write.
    static Result ReadSelection(QString* text, qint64 cap, int timeoutMs);
    // Whether this build speaks data control at all.
    static bool Built();
};

// Automatic clipping on Wayland: every new selection of the seat, whichever
// program set it, read on a thread of its own with its own connection, so
// that a program that never writes cannot hold up the window. No polling: the
// thread sleeps in poll() on the connection until the compositor says more.
class TDataControlWatch : public QObject {
    Q_OBJECT
public:
    TDataControlWatch(qint64 cap, int timeoutMs, QObject* parent = nullptr);
    ~TDataControlWatch() override;

    // Starts watching; false where there is no compositor with data control.
    // The selection there is now is not reported, only those that follow.
    bool Start();
    void Stop();
    bool IsWatching() const;

Q_SIGNALS:
    // Emitted on the watching thread; connected receivers get them queued.
    void copied(const QString& text);
    // A selection that could not be read: TDataControl::TooLarge, TimedOut or Failed.
    void notCopied(int result);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

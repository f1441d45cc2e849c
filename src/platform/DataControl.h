#pragma once

#include <QString>

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

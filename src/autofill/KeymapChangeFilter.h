// Keeps the program's own Qt from reloading its keymap for the keyboard-map changes that
// auto-fill made and undid. Qt answers each change notification with a full keymap reload
// that costs tens of milliseconds; a fill with many Chinese characters made dozens of them,
// and the program then answered neither the hot key nor a click for seconds.
#pragma once

#include <QAbstractNativeEventFilter>

namespace kyq {

class KeymapChangeFilter final : public QAbstractNativeEventFilter {
public:
    // xkbEventBase: the XKB extension's first event number on this server (-1: none).
    explicit KeymapChangeFilter(int xkbEventBase);
    ~KeymapChangeFilter() override;
    KeymapChangeFilter(const KeymapChangeFilter&) = delete;
    KeymapChangeFilter& operator=(const KeymapChangeFilter&) = delete;

    // Map notifications with a server time in [first, last] are dropped: the map was back
    // as it was by `last`, so the keymap Qt holds is still right. Replaces the previous span.
    void Skip(unsigned long first, unsigned long last);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    int xkbEventBase_;
    bool active_ = false;
    unsigned long first_ = 0;
    unsigned long last_ = 0;
};

}  // namespace kyq

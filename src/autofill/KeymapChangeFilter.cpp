#include "autofill/KeymapChangeFilter.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstring>

namespace kyq {

namespace {

// Layout of an XKB event on the wire: type, XKB event kind, sequence, then the time.
constexpr size_t XkbKindOffset = 1;
constexpr size_t XkbTimeOffset = 4;
constexpr uint8_t XkbMapNotifyKind = 1;

// Server times are 32-bit milliseconds that wrap around.
bool NotBefore(uint32_t time, uint32_t start)
{
    return static_cast<int32_t>(time - start) >= 0;
}

}  // namespace

KeymapChangeFilter::KeymapChangeFilter(int xkbEventBase) : xkbEventBase_(xkbEventBase)
{
    if (xkbEventBase_ >= 0 && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installNativeEventFilter(this);
}

KeymapChangeFilter::~KeymapChangeFilter()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void KeymapChangeFilter::Skip(unsigned long first, unsigned long last)
{
    active_ = true;
    first_ = first;
    last_ = last;
}

bool KeymapChangeFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (!active_ || eventType != "xcb_generic_event_t" || message == nullptr)
        return false;
    const auto* bytes = static_cast<const uint8_t*>(message);
    if ((bytes[0] & 0x7f) != xkbEventBase_ || bytes[XkbKindOffset] != XkbMapNotifyKind)
        return false;
    uint32_t time = 0;
    std::memcpy(&time, bytes + XkbTimeOffset, sizeof time);
    return NotBefore(time, static_cast<uint32_t>(first_)) &&
           NotBefore(static_cast<uint32_t>(last_), time);
}

}  // namespace kyq

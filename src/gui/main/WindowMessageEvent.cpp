#include "gui/main/WindowMessageEvent.h"

namespace kyq {

QEvent::Type WindowMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace kyq

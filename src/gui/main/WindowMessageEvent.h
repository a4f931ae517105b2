// A window message on its way to the main window through Qt's event queue.
#pragma once

#include <QEvent>

#include "core/workflow/MessageChain.h"

namespace kyq {

class WindowMessageEvent : public QEvent {
public:
    explicit WindowMessageEvent(const WindowMessage& message)
        : QEvent(EventType()), message_(message)
    {
    }
    static QEvent::Type EventType();
    const WindowMessage& Message() const { return message_; }

private:
    WindowMessage message_;
};

}  // namespace kyq

#pragma once

#include <QEvent>
#include <cstdint>

class QObject;

// Application messages a window posts to itself (or another part of the program posts to it):
// custom events numbered like the window system's WM_APP range, each with a wParam and an
// lParam, handled later and in order on the user-interface thread.
//
//   PostAppMessage(window, kWmApp + 4, 0, 0);          // queued
//   ... in window->event(e):
//   if (const auto* message = AppMessage(e)) { handle message->Message(), WParam(), LParam() }
//
// Every message number of [kWmApp, kWmAppLast] has its own event type, so the queued messages of
// one number can be removed (TWinModule::DrainMessages) without touching the others.

/// First and last application message number.
inline constexpr int kWmApp = 0x8000;
inline constexpr int kWmAppLast = 0xBFFF;

/// One posted application message.
class TAppMessageEvent : public QEvent {
public:
    /// An event for `message` (kWmApp..kWmAppLast) addressed to `receiver`, counted as queued for
    /// it until the event is destroyed (delivered or removed).
    TAppMessageEvent(const QObject* receiver, int message, std::uintptr_t wParam, std::intptr_t lParam);
    ~TAppMessageEvent() override;
    TAppMessageEvent(const TAppMessageEvent&) = delete;
    TAppMessageEvent& operator=(const TAppMessageEvent&) = delete;

    int Message() const { return message_; }
    std::uintptr_t WParam() const { return wParam_; }
    std::intptr_t LParam() const { return lParam_; }

private:
    const QObject* receiver_;
    int message_;
    std::uintptr_t wParam_;
    std::intptr_t lParam_;
};

/// The event type of an application message number; QEvent::None outside kWmApp..kWmAppLast.
QEvent::Type AppMessageType(int message);

/// Posts `message` to `receiver`. Returns false, posting nothing, for a null receiver or a number
/// outside kWmApp..kWmAppLast.
bool PostAppMessage(QObject* receiver, int message, std::uintptr_t wParam, std::intptr_t lParam);

/// The application message `event` carries; nullptr for any other event.
const TAppMessageEvent* AppMessage(const QEvent* event);

/// Number of messages of [firstMessage, lastMessage] posted to `receiver` and not yet destroyed,
/// the one being handled included.
int PendingAppMessages(const QObject* receiver, int firstMessage, int lastMessage);

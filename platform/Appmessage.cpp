#include "platform/Appmessage.h"

#include <QCoreApplication>
#include <QObject>
#include <map>
#include <utility>

namespace {

// Event types start here: message kWmApp + n has type kFirstType + n. Qt hands out registered
// types from QEvent::MaxUser downwards, far above this block.
constexpr int kFirstType = QEvent::User + 0x100;

// Messages alive per receiver and number. The user-interface thread alone posts and handles them.
std::map<std::pair<const QObject*, int>, int>& LiveMessages() {
    static std::map<std::pair<const QObject*, int>, int> live;
    return live;
}

bool InRange(int message) {
    return message >= kWmApp && message <= kWmAppLast;
}

} // namespace

TAppMessageEvent::TAppMessageEvent(const QObject* receiver, int message, std::uintptr_t wParam,
                                   std::intptr_t lParam)
    : QEvent(AppMessageType(message)), receiver_(receiver), message_(message), wParam_(wParam),
      lParam_(lParam) {
    ++LiveMessages()[{receiver_, message_}];
}

TAppMessageEvent::~TAppMessageEvent() {
    auto& live = LiveMessages();
    const auto it = live.find({receiver_, message_});
    if (it != live.end() && --it->second <= 0) {
        live.erase(it);
    }
}

QEvent::Type AppMessageType(int message) {
    if (!InRange(message)) {
        return QEvent::None;
    }
    return static_cast<QEvent::Type>(kFirstType + (message - kWmApp));
}

bool PostAppMessage(QObject* receiver, int message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (receiver == nullptr || !InRange(message)) {
        return false;
    }
    QCoreApplication::postEvent(receiver, new TAppMessageEvent(receiver, message, wParam, lParam));
    return true;
}

const TAppMessageEvent* AppMessage(const QEvent* event) {
    if (event == nullptr) {
        return nullptr;
    }
    const int type = event->type();
    if (type < kFirstType || type > kFirstType + (kWmAppLast - kWmApp)) {
        return nullptr;
    }
    return dynamic_cast<const TAppMessageEvent*>(event);
}

int PendingAppMessages(const QObject* receiver, int firstMessage, int lastMessage) {
    int count = 0;
    const auto& live = LiveMessages();
    for (auto it = live.lower_bound({receiver, firstMessage});
         it != live.end() && it->first.first == receiver && it->first.second <= lastMessage; ++it) {
        count += it->second;
    }
    return count;
}

#include "platform/Localtime.h"

#include <QDateTime>

namespace {

struct Override {
    bool active = false;
    ScanDateTime time;
};

Override& Current() {
    static Override current;
    return current;
}

std::uint16_t Word(int value) {
    return static_cast<std::uint16_t>(value);
}

} // namespace

ScanDateTime LocalTime() {
    if (Current().active) {
        return Current().time;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    ScanDateTime record;
    record.year = Word(date.year());
    record.month = Word(date.month());
    record.dayOfWeek = Word(date.dayOfWeek() % 7); // Qt counts Monday 1 .. Sunday 7
    record.day = Word(date.day());
    record.hour = Word(time.hour());
    record.minute = Word(time.minute());
    record.second = Word(time.second());
    record.millisecond = Word(time.msec());
    return record;
}

ScopedLocalTime::ScopedLocalTime(const ScanDateTime& fixed)
    : hadOverride_(Current().active), saved_(Current().time) {
    Current() = {true, fixed};
}

ScopedLocalTime::~ScopedLocalTime() {
    Current() = {hadOverride_, saved_};
}

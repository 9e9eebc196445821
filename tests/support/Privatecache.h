#pragma once

#include <QTemporaryDir>
#include <QtGlobal>

// A cache folder of the test process's own (XDG_CACHE_HOME, inherited by the programs it runs), so
// that tests neither read what earlier runs prepared nor leave anything in the user's cache.
class ScopedPrivateCache {
public:
    ScopedPrivateCache() { qputenv("XDG_CACHE_HOME", folder_.path().toLocal8Bit()); }

private:
    QTemporaryDir folder_;
};

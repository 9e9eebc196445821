#pragma once

#include "app/Startoptions.h"

#include <functional>
#include <string>
#include <vector>

// The twelve modules of the application, each reached through its global instance, created in
// this order and destroyed in the reverse order:
//    1 DropFileModule       2 IniFileModule        3 GraphicsModule     4 EchoDrawModule
//    5 OpenEchoDrawModule   6 SCNFileModule        7 AppModule          8 FormMain
//    9 FormSrhiWindow      10 FormPlayList        11 AboutBoxVersion   12 ImageEchoDrawModule
// Needs a QApplication for its whole life.

class TApplicationModules {
public:
    /// Names of the global instances in creation order.
    static const std::vector<std::string>& CreationOrder();

    /// Creates every module; FormMain gets `startOptions`. `onCreated` (if set) is called with
    /// each name right after that module was created.
    explicit TApplicationModules(const TStartOptions& startOptions,
                                 const std::function<void(const std::string&)>& onCreated = {});
    /// Destroys the modules in the reverse order and sets every global back to null.
    ~TApplicationModules();
    TApplicationModules(const TApplicationModules&) = delete;
    TApplicationModules& operator=(const TApplicationModules&) = delete;

private:
    std::vector<std::function<void()>> destroyers_;
};

#include "app/Applicationmodules.h"

#include "app/Aboutboxversion.h"
#include "app/Dappmodule.h"
#include "app/Ddropfilemodule.h"
#include "app/Fmain.h"
#include "app/Fplaylist.h"
#include "display/Dechodrawmodule.h"
#include "display/Dgraphicsmodule.h"
#include "display/Dimageechodrawmodule.h"
#include "display/Fsrhiwindow.h"
#include "files/Dscnfilemodule.h"
#include "render/Dopenechodrawmodule.h"
#include "settings/Dinifilemodule.h"

namespace {

/// Creates one module into its global and returns what destroys it again.
template <typename T, typename Make> std::function<void()> Create(T*& global, Make make) {
    global = make();
    return [&global] {
        delete global;
        global = nullptr;
    };
}

} // namespace

const std::vector<std::string>& TApplicationModules::CreationOrder() {
    static const std::vector<std::string> order = {
        "DropFileModule",     "IniFileModule", "GraphicsModule",  "EchoDrawModule",
        "OpenEchoDrawModule", "SCNFileModule", "AppModule",       "FormMain",
        "FormSrhiWindow",     "FormPlayList",  "AboutBoxVersion", "ImageEchoDrawModule"};
    return order;
}

TApplicationModules::TApplicationModules(const TStartOptions& startOptions,
                                         const std::function<void(const std::string&)>& onCreated) {
    const std::vector<std::function<std::function<void()>()>> steps = {
        [] { return Create(DropFileModule, [] { return new TDropFileModule; }); },
        [] { return Create(IniFileModule, [] { return new TIniFileModule; }); },
        [] { return Create(GraphicsModule, [] { return new TGraphicsModule; }); },
        [] { return Create(EchoDrawModule, [] { return new TEchoDrawModule; }); },
        [] { return Create(OpenEchoDrawModule, [] { return new TOpenEchoDrawModule; }); },
        [] { return Create(SCNFileModule, [] { return new TSCNFileModule; }); },
        [] { return Create(AppModule, [] { return new TAppModule; }); },
        [&startOptions] { return Create(FormMain, [&startOptions] { return new TFormMain(startOptions); }); },
        [] { return Create(FormSrhiWindow, [] { return new TFormSrhiWindow(*OpenEchoDrawModule); }); },
        [] { return Create(FormPlayList, [] { return new TFormPlayList(*FormMain); }); },
        [] { return Create(AboutBoxVersion, [] { return new TAboutBoxVersion(FormMain); }); },
        [] { return Create(ImageEchoDrawModule, [] { return new TImageEchoDrawModule; }); },
    };
    try {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            destroyers_.push_back(steps[i]());
            if (onCreated) {
                onCreated(CreationOrder()[i]);
            }
        }
    } catch (...) {
        while (!destroyers_.empty()) {
            destroyers_.back()();
            destroyers_.pop_back();
        }
        throw;
    }
}

TApplicationModules::~TApplicationModules() {
    while (!destroyers_.empty()) {
        destroyers_.back()();
        destroyers_.pop_back();
    }
}

// The viewer's process entry: one interactive copy per user, the twelve modules, the event loop.
#include "app/Applicationmodules.h"
#include "app/Fmain.h"
#include "app/Nimbrookapplication.h"
#include "app/Startoptions.h"
#include "platform/Dwinmodule.h"
#include "platform/Processinfo.h"

int main(int argc, char** argv) {
    TNimbrookApplication application(argc, argv);
    // A second copy ends at once and silently while the first one runs.
    TInstanceLock instance = TWinModule::SingleInstance(TNimbrookApplication::applicationName());
    if (!instance.Owned()) {
        return 0;
    }
    // The main window decides when the application ends, not the last window closed.
    TNimbrookApplication::setQuitOnLastWindowClosed(false);
    try {
        const TApplicationModules modules(ParseStartOptions(CommandLineArguments()));
        FormMain->show();
        TNimbrookApplication::exec();
    } catch (const std::exception& error) {
        application.HandleException(error.what());
    } catch (...) {
        application.HandleException(std::string());
    }
    TWinModule::ReleaseInstance(instance);
    return 0;
}

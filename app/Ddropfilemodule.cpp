#include "app/Ddropfilemodule.h"

#include <QWidget>

TDropFileModule::TDropFileModule()
    : nameBuffer_(std::make_unique<char16_t[]>(kInitialNameCapacity)), nameCapacity_(kInitialNameCapacity) {}

void TDropFileModule::AcceptFiles(QWidget* window, bool accept) {
    if (window != nullptr) {
        window->setAcceptDrops(accept);
    }
}

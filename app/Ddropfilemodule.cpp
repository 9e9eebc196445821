#include "app/Ddropfilemodule.h"

#include "platform/Localpath.h"

#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <new>

TDropFileModule::TDropFileModule()
    : nameBuffer_(std::make_unique<char16_t[]>(kInitialNameCapacity)), nameCapacity_(kInitialNameCapacity) {}

void TDropFileModule::AcceptFiles(QWidget* window, bool accept) {
    if (window != nullptr) {
        window->setAcceptDrops(accept);
    }
}

void TDropFileModule::GetDroppedFiles(const QMimeData& drop, QStringList& files) {
    files.clear();
    for (const QUrl& url : drop.urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const QString name = LocalPathOfUrl(url); // the bytes of the name, UTF-8 or not
        const auto length = static_cast<std::size_t>(name.size());
        if (nameCapacity_ < length + 1) {
            nameBuffer_.reset();
            nameBuffer_.reset(new (std::nothrow) char16_t[length + 32]);
            nameCapacity_ = nameBuffer_ ? length + 32 : 0;
        }
        const std::size_t copied = nameCapacity_ == 0 ? 0 : std::min(length, nameCapacity_ - 1);
        std::copy_n(reinterpret_cast<const char16_t*>(name.utf16()), copied, nameBuffer_.get());
        files.append(QString::fromUtf16(nameBuffer_.get(), static_cast<qsizetype>(copied)));
    }
}

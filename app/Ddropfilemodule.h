#pragma once

#include <QStringList>
#include <cstddef>
#include <memory>

class QMimeData;
class QWidget;

/// Files dropped on the main window. Holds the buffer dropped names are copied through:
/// 256 characters at creation, grown when a longer name arrives, released with the module.
class TDropFileModule {
public:
    static constexpr std::size_t kInitialNameCapacity = 256;

    TDropFileModule();
    TDropFileModule(const TDropFileModule&) = delete;
    TDropFileModule& operator=(const TDropFileModule&) = delete;

    /// Lets `window` accept files dropped on it (accept true) or stops it (false).
    void AcceptFiles(QWidget* window, bool accept);

    /// The full local paths of one drop, in the order the drop lists them, into `files` (emptied
    /// first). Each name passes through the name buffer, which grows to the name's length + 32
    /// characters when it cannot hold the name and its terminating zero (capacity 0 when that
    /// allocation fails, the name then arriving empty).
    void GetDroppedFiles(const QMimeData& drop, QStringList& files);

    /// Capacity of the name buffer in characters.
    std::size_t NameCapacity() const { return nameCapacity_; }

private:
    std::unique_ptr<char16_t[]> nameBuffer_;
    std::size_t nameCapacity_ = 0;
};

inline TDropFileModule* DropFileModule = nullptr;

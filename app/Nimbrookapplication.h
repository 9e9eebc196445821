#pragma once

#include <QApplication>
#include <QTranslator>
#include <exception>
#include <functional>
#include <string>

/// The application object. Qt's own texts (standard buttons, the file, print and input dialogs)
/// are Japanese like the menus, whatever the user's locale. An exception that leaves an event
/// handler is caught here: it goes to the exception handler when one is set (batch mode logs it),
/// otherwise to the exception box of the dialog service, and the event loop goes on. An exception
/// of another type than std::exception is handled as one with an empty message.
class TNimbrookApplication : public QApplication {
public:
    /// Receives the message of an exception that reached the event loop.
    using ExceptionHandler = std::function<void(const std::string& message)>;

    TNimbrookApplication(int& argc, char** argv);

    /// Replaces the exception box by `handler` (an empty handler brings the box back).
    void SetExceptionHandler(ExceptionHandler handler) { exceptionHandler_ = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

    /// What notify does with a caught exception's message.
    void HandleException(const std::string& message);

private:
    ExceptionHandler exceptionHandler_;
    QTranslator toolkitTexts_;
};
